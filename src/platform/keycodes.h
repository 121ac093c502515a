#pragma once

#include <Qt>

namespace Ostraven {

// The platform's virtual key codes and shift-state bits, which the windows' key handlers are written
// against, converted from and to Qt's. Digits and capital letters are their own codes ('A' is 65).
namespace KeyCode {
inline constexpr int F1 = 112;
inline constexpr int F5 = 116;
} // namespace KeyCode

namespace ShiftState {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
} // namespace ShiftState

[[nodiscard]] int platformKeyCode(int qtKey);
[[nodiscard]] int qtKeyOf(int platformKeyCode);
[[nodiscard]] int platformShiftState(Qt::KeyboardModifiers modifiers);
[[nodiscard]] Qt::KeyboardModifiers qtModifiersOf(int shiftState);

} // namespace Ostraven
