#pragma once

#include <array>
#include <cstddef>

namespace Ostraven {

// "00", "01", ... "99" as UTF-16 pairs: the live path writes its numbers and times two digits at a
// time from this table instead of dividing digit by digit.
inline constexpr std::array<char16_t, 200> digitPairs = [] {
    std::array<char16_t, 200> digits{};
    for (int i = 0; i < 100; ++i) {
        digits[std::size_t(2 * i)] = char16_t(u'0' + i / 10);
        digits[std::size_t(2 * i + 1)] = char16_t(u'0' + i % 10);
    }
    return digits;
}();

} // namespace Ostraven
