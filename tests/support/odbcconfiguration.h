#pragma once

#include <QString>

namespace Ostraven::Testing {

// The installed library of the SQLite ODBC driver (libsqliteodbc), or an empty text when it is not
// installed.
[[nodiscard]] QString sqliteOdbcDriverLibrary();

// Makes the ODBC driver manager of this process, and of every process it starts from now on, read a
// configuration of its own in folder: an odbcinst.ini whose one entry, [driverName], is the SQLite
// ODBC driver, and an empty odbc.ini. The machine's configuration is then neither read nor written.
// Must run before the first ODBC call. Gives why it could not, or an empty text.
[[nodiscard]] QString useOwnOdbcConfiguration(const QString &folder, const QString &driverName);

} // namespace Ostraven::Testing
