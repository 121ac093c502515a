#pragma once

#include "platform/vberror.h"

#include <QString>

struct sqlite3;

namespace Ostraven {

class SqliteStatement;

// The host database file as its set-up code sees it: SQLite's C API without the component's
// facade, since building tables and procedures is not a statement the component would send.
class SqliteFile
{
public:
    enum class OpenMode { OpenExisting, Create, ReadOnly };

    SqliteFile(const QString &path, OpenMode mode);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    // Runs a script of several statements.
    void exec(const QString &script);
    [[nodiscard]] qint64 queryInt(const QString &sql);

    void beginTransaction();
    void commit();
    void rollback() noexcept;

    [[nodiscard]] sqlite3 *handle() const { return m_database; }

    // The host data library's general provider failure: what the host reports when the database
    // refuses a statement; the description carries SQLite's own message.
    static constexpr int DatabaseErrorNumber = -2147467259;
    [[nodiscard]] static VbError errorFor(sqlite3 *database, int code);

private:
    sqlite3 *m_database = nullptr;
};

} // namespace Ostraven
