// The SQL Server functions, LIKE and collations of SqliteFunctions as a SQLite loadable extension, so that a
// connection SQLite opens on someone else's behalf (the SQLite ODBC driver, given "LoadExt=<path>" in its
// connection string) understands the same rewritten statements as the embedded backend's own connection.
//
// This file is built alone into the module ostraven_sqlite_functions and is kept out of the platform library.
//
// The module links the platform library and lets SqliteFunctions::install register everything through the
// ordinary sqlite3_* entry points instead of the routine table sqlite3ext.h hands an extension. That is safe
// because the process has exactly one SQLite: the platform library and the ODBC driver both link the
// system's shared libsqlite3, so the sqlite3 handle the driver passes in belongs to the very library the
// functions call (ldd on the driver, the platform library and this module names one libsqlite3.so.0). A
// driver with SQLite compiled into it would break that, and would need the functions built against the
// routine table instead.
#include "sqlitefunctions.h"

#include <sqlite3ext.h>

SQLITE_EXTENSION_INIT1

// SQLite derives this entry point's name from the file name: "libostraven_sqlite_functions.so" loses its
// "lib", everything from the first dot and every character that is not a letter.
extern "C" __attribute__((visibility("default"))) int
sqlite3_ostravensqlitefunctions_init(sqlite3 *db, char **errorMessage, const sqlite3_api_routines *api)
{
    SQLITE_EXTENSION_INIT2(api);
    const int rc = Ostraven::SqliteFunctions::install(db);
    if (rc != SQLITE_OK && errorMessage) {
        *errorMessage = sqlite3_mprintf("the Ostraven SQL Server functions could not be registered: %s (%d)",
                                        sqlite3_errstr(rc), rc);
    }
    return rc;
}
