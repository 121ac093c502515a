#pragma once

#include "odbcapi.h"

#include <QString>

#include <vector>

namespace Ostraven {

// One record of what a driver said about a failed call.
struct OdbcDiagnostic {
    QString sqlState; // five characters, e.g. "42S02"
    int nativeError = 0;
    QString message;
};

// Every record the driver keeps for the handle's last call, in its order.
[[nodiscard]] std::vector<OdbcDiagnostic> readDiagnostics(const OdbcApi &api, SQLSMALLINT handleType, SQLHANDLE handle);

// The records as one text: "SQLSTATE 42S02 (native error 208): message" joined by "; ". What failed is
// put first when given; with no record at all, the return code is all there is to tell.
[[nodiscard]] QString describeDiagnostics(const std::vector<OdbcDiagnostic> &records, const QString &what,
                                          SQLRETURN rc);

// What the database engine itself said, as an embedded engine would say it: the message of the first
// record without the "[vendor][driver]" components the driver manager and driver put in front, and
// without the " (native error)" some drivers append. Used where the ODBC data source is only the
// transport under the T-SQL emulation, whose callers expect the engine's own words.
[[nodiscard]] QString engineMessage(const std::vector<OdbcDiagnostic> &records);

// Class 08 is the link to the server: it was never made, or it broke under the statement.
[[nodiscard]] bool isConnectionLoss(const std::vector<OdbcDiagnostic> &records);

// A DSN-less connection string read into its keys, so that it can be checked before the driver manager
// is asked and shown in an error without the password.
class OdbcConnectionString
{
public:
    struct Pair {
        QString key;
        QString value;
    };

    // Raises DbError (open failed) for an empty text, a piece without "=", a "{" never closed, or a
    // string that names neither a Driver nor a DSN.
    [[nodiscard]] static OdbcConnectionString parse(const QString &text);

    [[nodiscard]] const QString &text() const { return m_text; }
    [[nodiscard]] const std::vector<Pair> &pairs() const { return m_pairs; }
    // The value of key (letter case ignored), or a null QString.
    [[nodiscard]] QString value(const QString &key) const;
    // The string with the value of every password key replaced by "***".
    [[nodiscard]] QString masked() const;

private:
    QString m_text;
    std::vector<Pair> m_pairs;
};

} // namespace Ostraven
