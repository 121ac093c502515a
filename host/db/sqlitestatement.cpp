#include "host/db/sqlitestatement.h"

#include "host/db/sqlitefile.h"

#include <sqlite3.h>

namespace Ostraven {

SqliteStatement::SqliteStatement(sqlite3 *database, const QString &sql) : m_database(database)
{
    const QByteArray text = sql.toUtf8();
    check(sqlite3_prepare_v2(m_database, text.constData(), int(text.size()), &m_statement, nullptr));
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement &SqliteStatement::bind(int index, qint64 value)
{
    check(sqlite3_bind_int64(m_statement, index, value));
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, double value)
{
    check(sqlite3_bind_double(m_statement, index, value));
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, const QString &value)
{
    const QByteArray text = value.toUtf8();
    check(sqlite3_bind_text(m_statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement &SqliteStatement::bindNull(int index)
{
    check(sqlite3_bind_null(m_statement, index));
    return *this;
}

bool SqliteStatement::step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    check(code);
    return false;
}

void SqliteStatement::run()
{
    while (step()) {
    }
    reset();
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

qint64 SqliteStatement::columnInt(int index) const
{
    return sqlite3_column_int64(m_statement, index);
}

QString SqliteStatement::columnText(int index) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, index));
    return text ? QString::fromUtf8(text) : QString();
}

void SqliteStatement::check(int code) const
{
    if (code == SQLITE_OK)
        return;
    // Reset so that the statement does not keep the failed step's lock on the file.
    if (m_statement)
        sqlite3_reset(m_statement);
    throw SqliteFile::errorFor(m_database, code);
}

} // namespace Ostraven
