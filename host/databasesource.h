#pragma once

#include "platform/db/connection.h"

#include <QString>

namespace Ostraven::Host {

// Where the host's database is: one of this host's SQLite files, or a data source reached through
// ODBC (a SQL Server, or with the emulation any other source, such as the SQLite ODBC driver's).
struct DatabaseSource {
    QString path;         // the SQLite file; used when odbc is empty
    QString odbc;         // a DSN-less ODBC connection string
    bool emulate = false; // with odbc: the T-SQL emulation over a source that does not speak T-SQL

    [[nodiscard]] bool isOdbc() const { return !odbc.isEmpty(); }

    // Why the host cannot start on this source, as far as can be told without connecting: a file that
    // is missing or is not a database of this host. Empty when nothing is known against it; an ODBC
    // source is only judged by connecting, and its open error says what went wrong.
    [[nodiscard]] QString problemBeforeOpening() const;

    // The connection the component is handed. Raises the facade's VbError when it cannot be opened
    // (for ODBC it names the connection string with the password masked).
    [[nodiscard]] ConnectionPtr open() const;
};

} // namespace Ostraven::Host
