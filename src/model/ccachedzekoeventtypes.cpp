#include "ccachedzekoeventtypes.h"

#include "platform/variant.h"
#include "platform/vberror.h"

namespace Ostraven {

cCachedZEKOEventTypes::cCachedZEKOEventTypes(ConnectionPtr connection, ErrorRoutes &errors)
    : m_connection(std::move(connection)), m_errors(errors)
{
    guarded(m_errors, QStringLiteral("cCachedZEKOEventTypes.Class_Initialize"), [&] { Init(); });
}

// Entry 0 is there before any row is read, so the first row goes into it and an empty table still
// leaves one zero entry behind.
void cCachedZEKOEventTypes::Init()
{
    guarded(m_errors, QStringLiteral("cCachedZEKOEventTypes.Init"), [&] {
        m_entries.assign(1, Entry{});
        qint32 lastFilled = -1;
        if (!m_connection)
            throw VbError::fromNumber(VbError::ObjectNotSet);
        const std::unique_ptr<Recordset> recordset = m_connection->openRecordset(
            QStringLiteral("Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions"), CursorType::ForwardOnly);
        while (!recordset->eof()) {
            m_entries.resize(std::size_t(lastFilled) + 2);
            Entry &last = m_entries.back();
            last.EventID = CLng(recordset->field(QStringLiteral("EventID")));
            last.ZEKOEventType = CInt(recordset->field(QStringLiteral("ZEKOEventType")));
            last.IsAlarm = CBool(recordset->field(QStringLiteral("IsAlarm")));
            ++lastFilled;
            recordset->moveNext();
        }
        recordset->close();
    });
}

const cCachedZEKOEventTypes::Entry &cCachedZEKOEventTypes::entry(qint32 index) const
{
    if (index < 0 || index >= qint32(m_entries.size()))
        throw VbError::fromNumber(VbError::SubscriptOutOfRange);
    return m_entries[std::size_t(index)];
}

qint32 cCachedZEKOEventTypes::IndexForEventID(qint32 EventID)
{
    qint32 found = 0;
    guarded(m_errors, QStringLiteral("cCachedZEKOEventTypes.IndexForEventID"), [&] {
        for (qint32 index = 0; index < qint32(m_entries.size()); ++index) {
            if (m_entries[std::size_t(index)].EventID == EventID) {
                found = index;
                return;
            }
        }
    });
    return found;
}

qint16 cCachedZEKOEventTypes::EventType(qint32 Index)
{
    qint16 type = 0;
    guarded(m_errors, QStringLiteral("cCachedZEKOEventTypes.EventType(Get)"),
            [&] { type = entry(Index).ZEKOEventType; });
    return type;
}

bool cCachedZEKOEventTypes::IsAlarm(qint32 Index)
{
    bool alarm = false;
    guarded(m_errors, QStringLiteral("cCachedZEKOEventTypes.IsAlarm(Get)"), [&] { alarm = entry(Index).IsAlarm; });
    return alarm;
}

} // namespace Ostraven
