#include "eventcolouring.h"

#include "model/ccachedzekoeventtypes.h"
#include "model/cgenericevent.h"
#include "model/eventnumbers.h"
#include "module/mpublic.h"

#include "errors/errorroutes.h"

#include <array>

namespace Ostraven {

namespace {

struct NumberClass {
    qint32 low;
    qint32 high;
    std::size_t slot;
};

// Tested in this order; the first class holding the number wins.
constexpr std::array<NumberClass, 10> numberClasses{{
    {1000, 1500, 9},
    {2000, 3900, 10},
    {4000, 4500, 4},
    {EventNumbers::firstAlarm, EventNumbers::lastAlarm, 3},
    {6000, 6500, 8},
    {7000, 7500, 11},
    {8000, 8499, 6},
    {8500, 8600, 7},
    {8700, 8799, 8},
    {9000, 9100, 5},
}};

constexpr std::size_t otherEventSlot = 1;
constexpr std::size_t alarmSlot = 3;
constexpr std::size_t programmingSlot = 8;
constexpr std::size_t softwareSlot = 9;

} // namespace

qint64 EventColouring::AssignColor(qint32 eventNumber, const QString &category)
{
    qint64 colour = 0;
    guarded(m_module.errors(), QStringLiteral("FEvents.AssignColor"), [&] {
        for (const NumberClass &numberClass : numberClasses) {
            if (eventNumber >= numberClass.low && eventNumber <= numberClass.high) {
                colour = slot(numberClass.slot);
                return;
            }
        }
        if (eventNumber >= EventNumbers::firstIntegrated && eventNumber <= EventNumbers::lastIntegrated) {
            colour = integratedEventColour(eventNumber);
            return;
        }
        if (EventNumbers::isSecondFamily(eventNumber)) {
            colour = secondFamilyColour(eventNumber, category);
            return;
        }
        colour = slot(otherEventSlot);
    });
    return colour;
}

qint64 EventColouring::slot(std::size_t index) const
{
    return m_module.profile.colourSlots[index];
}

// Integrated events are flagged as alarms by the site, not by number, so this is the one class that
// costs a query.
qint64 EventColouring::integratedEventColour(qint32 eventNumber)
{
    const std::unique_ptr<Recordset> recordset = m_module.db().openRecordset(
        QStringLiteral("Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = ") + QString::number(eventNumber),
        CursorType::ForwardOnly);
    const qint64 colour = recordset->eof() ? slot(otherEventSlot) : slot(alarmSlot);
    recordset->close();
    return colour;
}

qint64 EventColouring::secondFamilyColour(qint32 eventNumber, const QString &category)
{
    if (category == QLatin1String("ZEKO Programming"))
        return slot(programmingSlot);
    if (category == QLatin1String("ZEKO Software"))
        return slot(softwareSlot);

    cCachedZEKOEventTypes &definitions = m_module.zekoEventTypes();
    const qint32 index = definitions.IndexForEventID(eventNumber);
    cGenericEvent scratch;
    scratch.setReportAsAlarm(definitions.IsAlarm(index));
    scratch.setEventType(definitions.EventType(index));
    return scratch.Color(m_module.profile.colourSlots);
}

} // namespace Ostraven
