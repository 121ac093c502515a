#pragma once

#include <QtGlobal>

namespace Ostraven::EventNumbers {

// Event numbers are the host's: each band is one kind of event. The viewer's colour classes and the
// pop-up menu's quick type filters are tables of their own (viewer/eventcolouring.cpp,
// menus/fmenu.cpp) because their bands are not all these.

// Numbers from here on come from the second controller family, whose definitions, photo call-up and
// hardware switch differ from the first's.
inline constexpr qint32 firstSecondFamily = 80000;

// The alarm band: a live event in it is reported to the host as an alarm, and coloured as one.
inline constexpr qint32 firstAlarm = 5000;
inline constexpr qint32 lastAlarm = 5999;

// Events of integrated third-party systems, coloured by their category text instead of their number.
inline constexpr qint32 firstIntegrated = 10000;
inline constexpr qint32 lastIntegrated = 20000;

[[nodiscard]] constexpr bool isSecondFamily(double number)
{
    return number >= firstSecondFamily;
}

[[nodiscard]] constexpr bool isAlarm(qint32 number)
{
    return number >= firstAlarm && number <= lastAlarm;
}

} // namespace Ostraven::EventNumbers
