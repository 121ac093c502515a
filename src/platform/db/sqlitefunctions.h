#pragma once

#include <QString>

struct sqlite3;

namespace Ostraven {

// The SQL Server functions and comparisons the host's statements rely on, registered on a SQLite connection:
// ov_add (the "+" operator, see SqlDialect), Substring, CharIndex, Len, GetDate, LIKE (IsNull is SqlDialect's rename
// to SQLite's ifnull), and the
// collations ov_nocase (letter case and trailing blanks ignored, as SQL Server's default collation compares
// texts) and ov_datetime (texts compared as the dates they spell, so '3/4/2024 1:00:00 PM' equals
// '2024-03-04 13:00:00'). Schemas declare the collations on their columns.
class SqliteFunctions
{
public:
    // Returns SQLITE_OK or the first failing result code.
    [[nodiscard]] static int install(sqlite3 *db);

    // The same functions as a SQLite loadable extension, for a connection SQLite opens for someone else (the
    // SQLite ODBC driver loads it when its connection string says "LoadExt=<this path>"). The module is built
    // beside the platform library, so the path is found from where this library was loaded, whatever the
    // program's own folder. Empty when the module is not there.
    [[nodiscard]] static QString extensionPath();
};

} // namespace Ostraven
