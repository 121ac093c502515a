#include "timezones.h"

#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/db/connection.h"
#include "platform/variant.h"

#include <array>

namespace Ostraven {

namespace {

constexpr qint32 neverZone = 1;
constexpr qint32 alwaysZone = 2;

enum class ZoneType : qint32 { Simple = 0, Master = 1 };

bool equalsNumber(const Variant &value, double number)
{
    if (value.isNull())
        return false;
    return CDbl(value) == number;
}

// A weekday flag is on when it holds True; a Null flag is never on.
bool flagIsOn(const Variant &value)
{
    if (value.isNull())
        return false;
    return CBool(value);
}

// The zone's kind is a byte in the database; anything outside that range is a corrupt row.
qint32 asByte(const Variant &value)
{
    const qint32 number = CLng(value);
    if (number < 0 || number > 255)
        throw VbError::fromNumber(VbError::Overflow);
    return number;
}

} // namespace

TimeZones::TimeZones(MPublic &module) : m_module(module) {}

bool TimeZones::Role_EventInTimeZone(qint32 UserID, const Date &EventTime)
{
    bool result = false;
    guarded(m_module.errors(), QStringLiteral("MPublic.Role_EventInTimeZone"), [&] {
        const std::unique_ptr<Recordset> granted = m_module.db().openRecordset(
            QStringLiteral("EXEC rp_Role_Routing_Granted_Timezones ") + QString::number(UserID));
        for (; !granted->eof(); granted->moveNext()) {
            const Variant zone = granted->field(0);
            if (equalsNumber(zone, neverZone)) {
                result = false;
                break;
            }
            if (equalsNumber(zone, alwaysZone)) {
                result = true;
                break;
            }
            if (IsTZActive(CLng(zone), EventTime)) {
                result = true;
                break;
            }
        }
        granted->close();
    });
    return result;
}

bool TimeZones::IsTZActive(qint32 GenericTimeZoneID, const Date &EventTime)
{
    bool result = false;
    guarded(m_module.errors(), QStringLiteral("MPublic.IsTZActive"), [&] {
        Connection &db = m_module.db();
        const std::unique_ptr<Recordset> zone = db.openRecordset(
            QStringLiteral("SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=")
            + QString::number(GenericTimeZoneID));
        const qint32 globalZone = CLng(zone->field(QStringLiteral("GlobalTimeZoneID")));
        const qint32 type = asByte(zone->field(QStringLiteral("Type")));
        zone->close();

        const QString day = DayName(EventTime.weekday());
        if (type == qint32(ZoneType::Simple)) {
            result = simpleZoneActive(globalZone, day, EventTime);
            return;
        }
        if (type != qint32(ZoneType::Master))
            return;

        const std::unique_ptr<Recordset> members = db.openRecordset(
            QStringLiteral("select * from mastertimezonestotimezones where mastertimezoneid=")
            + QString::number(globalZone));
        for (; !members->eof() && !result; members->moveNext())
            result = simpleZoneActive(CLng(members->field(QStringLiteral("TimeZoneID"))), day, EventTime);
        members->close();
    });
    return result;
}

bool TimeZones::simpleZoneActive(qint32 globalZone, const QString &dayColumn, const Date &EventTime)
{
    const std::unique_ptr<Recordset> info =
        m_module.db().openRecordset(QStringLiteral("rp_FetchTimeZoneInfo ") + QString::number(globalZone));
    bool active = false;
    if (!info->eof() && flagIsOn(info->field(dayColumn)))
        active = IsTimeInRange(EventTime, CStr(info->field(QStringLiteral("StartTime"))),
                               CStr(info->field(QStringLiteral("EndTime"))));
    info->close();
    return active;
}

bool TimeZones::IsTimeInRange(const Date &EventTime, const QString &StartText, const QString &EndText)
{
    const QString time = EventTime.format(QStringLiteral("hh:mm"));
    return time >= StartText && time <= EndText;
}

QString TimeZones::DayName(qint32 DayNumber)
{
    static const std::array<QString, 7> names{
        QStringLiteral("Sunday"),   QStringLiteral("Monday"), QStringLiteral("Tuesday"),  QStringLiteral("Wednesday"),
        QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday"),
    };
    if (DayNumber < 1 || DayNumber > 7)
        return {};
    return names[std::size_t(DayNumber - 1)];
}

} // namespace Ostraven
