#pragma once

#include "platform/date.h"

#include <QString>

namespace Ostraven {

class MPublic;

// Whether an event's time lies in a time zone granted to the operator by the routing roles, read
// from the host database on every question (zones change on the server, not in the viewer).
class TimeZones
{
public:
    explicit TimeZones(MPublic &module);

    // Granted zone 1 means "never" and 2 "always"; the first of them in the granted list decides.
    [[nodiscard]] bool Role_EventInTimeZone(qint32 UserID, const Date &EventTime);
    // A simple zone by its weekly schedule, or a master zone through its members.
    [[nodiscard]] bool IsTZActive(qint32 GenericTimeZoneID, const Date &EventTime);
    // Both ends included, to the minute. Failures reach the caller's handler.
    [[nodiscard]] static bool IsTimeInRange(const Date &EventTime, const QString &StartText, const QString &EndText);
    // 1 = "Sunday" ... 7 = "Saturday"; anything else the empty text.
    [[nodiscard]] static QString DayName(qint32 DayNumber);

private:
    // The schedule of one simple zone (a global zone number) on the event's day.
    [[nodiscard]] bool simpleZoneActive(qint32 globalZone, const QString &dayColumn, const Date &EventTime);

    MPublic &m_module;
};

} // namespace Ostraven
