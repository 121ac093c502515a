#pragma once

#include "platform/db/connection.h"
#include "platform/db/sqlitedriver.h"
#include "platform/db/transactsqlemulation.h"

namespace Ostraven::Testing {

// The SQLite file below an embedded connection, for what only tests and the host do to it: scripts of
// several statements, the lock-wait allowance, the raw handle.
inline SqliteDriver &sqliteDriverOf(Connection &connection)
{
    return dynamic_cast<SqliteDriver &>(dynamic_cast<TransactSqlEmulation &>(connection.backend()).driver());
}

} // namespace Ostraven::Testing
