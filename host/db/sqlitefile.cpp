#include "host/db/sqlitefile.h"

#include "host/db/sqlitestatement.h"

#include <sqlite3.h>

namespace Ostraven {

SqliteFile::SqliteFile(const QString &path, OpenMode mode)
{
    int flags = SQLITE_OPEN_READWRITE;
    if (mode == OpenMode::Create)
        flags |= SQLITE_OPEN_CREATE;
    if (mode == OpenMode::ReadOnly)
        flags = SQLITE_OPEN_READONLY;
    const int code = sqlite3_open_v2(path.toUtf8().constData(), &m_database, flags, nullptr);
    if (code == SQLITE_OK)
        return;
    const VbError error = VbError(DatabaseErrorNumber,
                                  QStringLiteral("Cannot open the database %1: %2")
                                      .arg(path, QString::fromUtf8(sqlite3_errstr(code))),
                                  QStringLiteral("HostDatabase"));
    sqlite3_close(m_database);
    m_database = nullptr;
    throw error;
}

SqliteFile::~SqliteFile()
{
    sqlite3_close(m_database);
}

void SqliteFile::exec(const QString &script)
{
    char *message = nullptr;
    const int code = sqlite3_exec(m_database, script.toUtf8().constData(), nullptr, nullptr, &message);
    if (code == SQLITE_OK)
        return;
    const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(code));
    sqlite3_free(message);
    throw VbError(DatabaseErrorNumber, text, QStringLiteral("HostDatabase"));
}

qint64 SqliteFile::queryInt(const QString &sql)
{
    SqliteStatement statement(m_database, sql);
    return statement.step() ? statement.columnInt(0) : 0;
}

void SqliteFile::beginTransaction()
{
    exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void SqliteFile::commit()
{
    exec(QStringLiteral("COMMIT"));
}

void SqliteFile::rollback() noexcept
{
    sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
}

VbError SqliteFile::errorFor(sqlite3 *database, int code)
{
    const QString text = database ? QString::fromUtf8(sqlite3_errmsg(database))
                                  : QString::fromUtf8(sqlite3_errstr(code));
    return VbError(DatabaseErrorNumber, text, QStringLiteral("HostDatabase"));
}

} // namespace Ostraven
