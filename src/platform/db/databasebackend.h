#pragma once

#include "connection.h"

namespace Ostraven {

// One database engine behind the facade. Each backend refuses a text holding more than one statement.
class DatabaseBackend
{
public:
    virtual ~DatabaseBackend() = default;

    [[nodiscard]] virtual std::unique_ptr<Recordset> openRecordset(const QString &sql, CursorType cursor) = 0;
    virtual qint64 execute(const QString &sql) = 0;
    virtual void execute(Command &command) = 0;
    virtual void setTraceFile(const QString &path) = 0;
    // All-or-nothing groups of statements; a nested begin opens a savepoint inside the outer group.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    // Never raises: it runs on failure paths, where the first error is the one worth reporting.
    virtual void rollbackTransaction() noexcept = 0;
    // Waiting for another program's lock is bounded per user action; the host ends an action here.
    virtual void endUserAction() {}
    [[nodiscard]] virtual bool isOpen() const = 0;
    virtual void close() = 0;
};

} // namespace Ostraven
