#include "faultybackend.h"

#include "platform/db/dberror.h"

namespace Ostraven::Testing {

FaultyBackend::FaultyBackend(const QString &path) : m_file(SqliteBackend::open(path)) {}

ConnectionPtr FaultyBackend::connect(const QString &path, FaultyBackend *&backend)
{
    auto faulty = std::make_unique<FaultyBackend>(path);
    backend = faulty.get();
    return std::make_shared<Connection>(std::move(faulty));
}

void FaultyBackend::count()
{
    if (++m_calls == m_failAt)
        throw DbError::statement(QStringLiteral("Injected fault at call %1").arg(m_calls));
}

std::unique_ptr<Recordset> FaultyBackend::openRecordset(const QString &sql, CursorType cursor)
{
    count();
    return m_file->openRecordset(sql, cursor);
}

qint64 FaultyBackend::execute(const QString &sql)
{
    count();
    return m_file->execute(sql);
}

void FaultyBackend::execute(Command &command)
{
    count();
    m_file->execute(command);
}

void FaultyBackend::beginTransaction()
{
    count();
    m_file->beginTransaction();
}

// A commit that fails has not made anything durable, so the open transaction goes as a real one would.
void FaultyBackend::commitTransaction()
{
    try {
        count();
    } catch (...) {
        m_file->rollbackTransaction();
        throw;
    }
    m_file->commitTransaction();
}

} // namespace Ostraven::Testing
