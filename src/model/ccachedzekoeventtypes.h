#pragma once

#include "errors/errorroutes.h"

#include "platform/db/connection.h"

#include <QString>

#include <vector>

namespace Ostraven {

// The second controller family's event definitions, read once from the database so that colouring
// a second-family event costs no query. An event number that is not defined answers with the first
// entry; with no definitions at all there is still one entry, all zero, so look-ups never fail.
class cCachedZEKOEventTypes
{
public:
    cCachedZEKOEventTypes(ConnectionPtr connection, ErrorRoutes &errors);

    // Reads the definitions again; a failure keeps the entries read before it.
    void Init();

    [[nodiscard]] qint32 IndexForEventID(qint32 EventID);
    [[nodiscard]] qint16 EventType(qint32 Index);
    [[nodiscard]] bool IsAlarm(qint32 Index);

    // The entries held, the unused first entry of an empty table included.
    [[nodiscard]] int entryCount() const { return int(m_entries.size()); }

private:
    struct Entry {
        qint32 EventID = 0;
        qint16 ZEKOEventType = 0;
        bool IsAlarm = false;
    };

    [[nodiscard]] const Entry &entry(qint32 index) const;

    ConnectionPtr m_connection;
    ErrorRoutes &m_errors;
    std::vector<Entry> m_entries{Entry{}};
};

} // namespace Ostraven
