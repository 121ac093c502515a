#include "faultybackend.h"

#include "platform/db/dberror.h"

namespace Ostraven::Testing {

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
