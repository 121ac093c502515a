#pragma once

#include <QString>

namespace Ostraven {

// A value spliced between the single quotes of a statement the component builds itself (an address,
// a server name): its quotes are doubled, so a quote in the value ends no literal and the statement
// means what it says. A value without a quote comes back unchanged, and so does the statement text.
[[nodiscard]] inline QString doubledQuotes(QString value)
{
    return value.replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace Ostraven
