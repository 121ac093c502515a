#include "eventintake.h"

#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"
#include "model/eventnumbers.h"
#include "module/mpublic.h"
#include "viewer/fevents.h"

#include <algorithm>
#include <optional>

namespace Ostraven {

namespace {

constexpr qint32 transactionType = 3;
constexpr qint32 softwareType = 6;

// A credential field as a number. The host writes plain digits, read here directly; anything else
// takes the general way (leading blanks, signs, points, text after the number).
qint32 credentialOf(QStringView field)
{
    if (!field.isEmpty() && field.size() <= 9) {
        qint32 value = 0;
        bool digits = true;
        for (const QChar c : field) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                digits = false;
                break;
            }
            value = value * 10 + (c.unicode() - u'0');
        }
        if (digits)
            return value;
    }
    return CLng(Variant(Val(field.toString())));
}

// The field at position (0 first) of a comma-separated text, or nothing when the text has fewer
// fields.
std::optional<QStringView> fieldAt(QStringView text, qint32 position)
{
    qsizetype start = 0;
    qint32 field = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u',')
            continue;
        if (field == position)
            return text.sliced(start, i - start);
        ++field;
        start = i + 1;
    }
    if (field == position)
        return text.sliced(start);
    return std::nullopt;
}

// The text before the first comma, in a buffer that serves every event of this thread: the record
// shares it while the row is written, and the next event finds it unshared and overwrites it in
// place. A record that is kept (parked while scrolling is suspended) keeps its text, and the next
// event writes into a buffer of its own.
const QString &descriptionOf(const QString &messageText, qsizetype comma)
{
    if (comma == 0) {
        static const QString empty = QStringLiteral(""); // empty, not null, as left(0) answers
        return empty;
    }
    thread_local QString buffer;
    if (buffer.size() != comma || !buffer.isDetached())
        buffer.resize(comma);
    std::copy_n(messageText.constData(), comma, buffer.data());
    return buffer;
}

} // namespace

void EventIntake::AddNewEvent(const HostEventRecord &oEvent)
{
    guarded(m_module.errors(), QStringLiteral("Event.AddNewEvent"), [&] {
        cGenericEvent record;
        record.setAddress(oEvent.address);
        const qsizetype comma = oEvent.messageText.indexOf(QLatin1Char(','));
        if (comma < 0) // the description is what comes before the first comma; no comma, no event
            throw VbError::fromNumber(VbError::InvalidProcedureCall);
        record.setDescription(descriptionOf(oEvent.messageText, comma));
        record.setEventDate(oEvent.typeCode == softwareType ? Date::nullDate() : oEvent.controllerDate);
        record.setEventID(oEvent.eventNumber);
        record.setEventType(oEvent.typeCode);
        record.setHostDate(oEvent.hostDate);
        record.setReportAsAlarm(EventNumbers::isAlarm(oEvent.eventNumber));
        if (record.EventType() == transactionType) {
            // The two fields are read in place; a text too short for one takes the reporting way,
            // which answers an empty field.
            const QString &text = oEvent.messageText;
            const std::optional<QStringView> first = fieldAt(text, 6);
            record.setCredID1(credentialOf(first ? *first : QStringView(valueByPosition(text, 6))));
            // Field 7 is the first field after field 6's comma, so the text is not searched again from
            // its start; with no comma after field 6 there is no field 7.
            const qsizetype afterFirst = first ? first->data() - text.constData() + first->size() : -1;
            const std::optional<QStringView> second =
                !first ? fieldAt(text, 7)
                       : afterFirst < text.size() ? fieldAt(QStringView(text).sliced(afterFirst + 1), 0) : std::nullopt;
            record.setCredID2(credentialOf(second ? *second : QStringView(valueByPosition(text, 7))));
        }
        record.setHostID1(0);
        record.setHostID2(0);
        handOver(std::move(record));
    });
}

void EventIntake::AddZK2Message(const DispatchPtr &oMsg)
{
    guarded(m_module.errors(), QStringLiteral("Event.AddZK2Message"), [&] {
        if (!oMsg)
            throw VbError::fromNumber(VbError::ObjectNotSet);
        Dispatch &message = *oMsg;
        cGenericEvent record;
        record.setAddress(CStr(message.get(QStringLiteral("Address"))));
        record.setDescription(CStr(message.get(QStringLiteral("Description"))));
        record.setEventDate(CDate(message.get(QStringLiteral("ControllerDate"))));
        record.setEventID(CLng(message.get(QStringLiteral("EventID"))));
        // The host's type 25 is the second family's software type, kept as 55.
        const qint32 type = CLng(message.get(QStringLiteral("EventType")));
        record.setEventType(type == 25 ? 55 : CLng(message.get(QStringLiteral("EventType"))));
        record.setZEKOEventSubType(CLng(message.get(QStringLiteral("SubType"))));
        record.setHostDate(CDate(message.get(QStringLiteral("HostDate"))));
        record.setReportAsAlarm(CBool(message.get(QStringLiteral("IsAlarm"))));
        handOver(std::move(record));
    });
}

QString EventIntake::GetValueByPosition(QString &EventString, qint32 Position)
{
    QString result;
    guarded(m_module.errors(), QStringLiteral("Event.GetValueByPosition"), [&] {
        // The field is found by counting commas rather than splitting the whole text: every
        // transaction reads two of them.
        if (Position < 0)
            throw VbError::fromNumber(VbError::SubscriptOutOfRange);
        qsizetype start = 0;
        for (qint32 field = 0; field < Position; ++field) {
            const qsizetype comma = EventString.indexOf(QLatin1Char(','), start);
            if (comma < 0)
                throw VbError::fromNumber(VbError::SubscriptOutOfRange);
            start = comma + 1;
        }
        const qsizetype end = EventString.indexOf(QLatin1Char(','), start);
        result = EventString.mid(start, end < 0 ? -1 : end - start);
    });
    return result;
}

// While the operator has suspended scrolling the record is parked; otherwise whatever was parked is
// shown first, oldest first, so events keep their order of arrival.
void EventIntake::handOver(cGenericEvent &&record)
{
    if (m_module.view.scrollSuspended) {
        m_module.messageBuffer().Add(std::make_shared<cGenericEvent>(std::move(record)));
        return;
    }
    cCircularBuffer &buffer = m_module.messageBuffer();
    while (buffer.Count() > 0) {
        std::shared_ptr<cGenericEvent> parked = buffer.Message();
        (void)m_module.windows().events().AddGenericEvent(*parked, true);
    }
    (void)m_module.windows().events().AddGenericEvent(record, true);
}

} // namespace Ostraven
