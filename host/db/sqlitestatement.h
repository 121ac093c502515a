#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace Ostraven {

// One prepared statement of the host's set-up code, reused for many rows: bind, step, reset.
// Failures raise VbError with SQLite's own message.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *database, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Parameters are numbered from 1, as SQLite numbers them.
    SqliteStatement &bind(int index, qint64 value);
    SqliteStatement &bind(int index, int value) { return bind(index, qint64(value)); }
    SqliteStatement &bind(int index, double value);
    SqliteStatement &bind(int index, const QString &value);
    SqliteStatement &bind(int index, const char *value) { return bind(index, QString::fromUtf8(value)); }
    SqliteStatement &bindNull(int index);

    // Runs the statement to its next row; false when it is done.
    [[nodiscard]] bool step();
    // Runs a statement that returns no rows, then makes it ready for the next set of values.
    void run();
    void reset();

    [[nodiscard]] qint64 columnInt(int index) const;
    [[nodiscard]] QString columnText(int index) const;

private:
    void check(int code) const;

    sqlite3 *m_database = nullptr;
    sqlite3_stmt *m_statement = nullptr;
};

} // namespace Ostraven
