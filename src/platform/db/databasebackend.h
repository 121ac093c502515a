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
    [[nodiscard]] virtual bool isOpen() const = 0;
    virtual void close() = 0;
};

} // namespace Ostraven
