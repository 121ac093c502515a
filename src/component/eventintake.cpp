#include "eventintake.h"

#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"
#include "model/eventnumbers.h"
#include "module/mpublic.h"
#include "viewer/fevents.h"

namespace Ostraven {

namespace {

constexpr qint32 transactionType = 3;
constexpr qint32 softwareType = 6;

} // namespace

void EventIntake::AddNewEvent(const HostEventRecord &oEvent)
{
    guarded(m_module.errors(), QStringLiteral("Event.AddNewEvent"), [&] {
        auto record = std::make_shared<cGenericEvent>();
        record->setAddress(oEvent.address);
        const qsizetype comma = oEvent.messageText.indexOf(QLatin1Char(','));
        if (comma < 0) // the description is what comes before the first comma; no comma, no event
            throw VbError::fromNumber(VbError::InvalidProcedureCall);
        record->setDescription(oEvent.messageText.left(comma));
        record->setEventDate(oEvent.typeCode == softwareType ? Date::nullDate() : oEvent.controllerDate);
        record->setEventID(oEvent.eventNumber);
        record->setEventType(oEvent.typeCode);
        record->setHostDate(oEvent.hostDate);
        record->setReportAsAlarm(EventNumbers::isAlarm(oEvent.eventNumber));
        if (record->EventType() == transactionType) {
            QString text = oEvent.messageText;
            record->setCredID1(CLng(Variant(Val(GetValueByPosition(text, 6)))));
            record->setCredID2(CLng(Variant(Val(GetValueByPosition(text, 7)))));
        }
        record->setHostID1(0);
        record->setHostID2(0);
        handOver(record);
    });
}

void EventIntake::AddZK2Message(const DispatchPtr &oMsg)
{
    guarded(m_module.errors(), QStringLiteral("Event.AddZK2Message"), [&] {
        if (!oMsg)
            throw VbError::fromNumber(VbError::ObjectNotSet);
        Dispatch &message = *oMsg;
        auto record = std::make_shared<cGenericEvent>();
        record->setAddress(CStr(message.get(QStringLiteral("Address"))));
        record->setDescription(CStr(message.get(QStringLiteral("Description"))));
        record->setEventDate(CDate(message.get(QStringLiteral("ControllerDate"))));
        record->setEventID(CLng(message.get(QStringLiteral("EventID"))));
        // The host's type 25 is the second family's software type, kept as 55.
        const qint32 type = CLng(message.get(QStringLiteral("EventType")));
        record->setEventType(type == 25 ? 55 : CLng(message.get(QStringLiteral("EventType"))));
        record->setZEKOEventSubType(CLng(message.get(QStringLiteral("SubType"))));
        record->setHostDate(CDate(message.get(QStringLiteral("HostDate"))));
        record->setReportAsAlarm(CBool(message.get(QStringLiteral("IsAlarm"))));
        handOver(record);
    });
}

QString EventIntake::GetValueByPosition(QString &EventString, qint32 Position)
{
    QString result;
    guarded(m_module.errors(), QStringLiteral("Event.GetValueByPosition"), [&] {
        const QStringList values = EventString.split(QLatin1Char(','));
        if (Position < 0 || Position >= values.size())
            throw VbError::fromNumber(VbError::SubscriptOutOfRange);
        result = values.at(Position);
    });
    return result;
}

// While the operator has suspended scrolling the record is parked; otherwise whatever was parked is
// shown first, oldest first, so events keep their order of arrival.
void EventIntake::handOver(const std::shared_ptr<cGenericEvent> &record)
{
    if (m_module.view.scrollSuspended) {
        m_module.messageBuffer().Add(record);
        return;
    }
    cCircularBuffer &buffer = m_module.messageBuffer();
    while (buffer.Count() > 0) {
        std::shared_ptr<cGenericEvent> parked = buffer.Message();
        (void)m_module.windows().events().AddGenericEvent(*parked, true);
    }
    (void)m_module.windows().events().AddGenericEvent(*record, true);
}

} // namespace Ostraven
