#pragma once

#include "platform/vberror.h"

#include <QString>

namespace Ostraven {

// The errors the database facade raises. Numbers are those the host's data library uses, so a handler
// that tests Err.Number sees what it would see on a production host.
class DbError
{
public:
    enum Number : int {
        StatementFailed = -2147217900,     // the database refused or failed a statement
        CannotFetchBackwards = -2147217884, // MoveFirst on a forward-only recordset
        OpenFailed = -2147467259,
        NoCurrentRecord = 3021,
        ItemNotFound = 3265,
        ObjectClosed = 3704,
    };

    [[nodiscard]] static QString source() { return QStringLiteral("SQLite"); }

    [[nodiscard]] static VbError statement(const QString &description);
    [[nodiscard]] static VbError openFailed(const QString &description);
    [[nodiscard]] static VbError noCurrentRecord();
    [[nodiscard]] static VbError itemNotFound(const QString &item);
    [[nodiscard]] static VbError closed();
    [[nodiscard]] static VbError cannotFetchBackwards();
};

} // namespace Ostraven
