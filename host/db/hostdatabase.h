#pragma once

#include "host/db/demosite.h"

#include "platform/vberror.h"

#include <QString>

class QTextStream;

namespace Ostraven {

class Connection;

// The host's database commands: create a demo database, find the default one, and run one
// statement through the component's facade with the rows printed as JSON lines.
class HostDatabase
{
public:
    // Creates a database with the schema and the demo site. Refuses (VbError) when the file exists:
    // an existing database may hold an operator's filter groups and settings. The file appears only
    // once it is complete.
    static void createDatabase(const QString &path, const DemoSite::Options &options);
    static void createDatabase(const QString &path, int archiveEvents);

    // The demo database in the user's data folder.
    [[nodiscard]] static QString defaultDatabasePath();
    // Creates the demo database at path unless a file is already there. True when it was created.
    static bool ensureDatabase(const QString &path);

    // Why the existing file at path cannot serve as the host's database (it does not open as SQLite,
    // SQLite finds it damaged, or the host's tables are not all there), or an empty text when it can.
    // Reads only: the file is left exactly as it is.
    [[nodiscard]] static QString checkDatabase(const QString &path);

    struct SqlOutcome {
        qint64 rows = 0;     // rows printed
        qint64 changed = -1; // rows changed by an insert, update or delete; -1 for other statements
    };
    // Runs one statement exactly as given (dialect layer and procedures included) and writes each
    // row as one JSON object per line: column name to value, dates as ISO text, Null as null.
    // Failures raise the facade's VbError with the database's message.
    static SqlOutcome runSqlAsJson(Connection &connection, const QString &sql, QTextStream &out);

    // The failure of a statement run for the host's user (--sql, the protocol's "sql" op), made
    // clearer where the dialect misleads: a statement that starts with a word other than an SQL
    // keyword is a call of the stored procedure of that name, so "selec 1" fails as a procedure
    // that cannot be found. When the word names none of the host's procedures, the message adds why
    // the statement was taken as a call. Any other failure is returned as it is.
    [[nodiscard]] static VbError explainFailure(const QString &sql, const VbError &error);

private:
    static SqlOutcome runSqlAsJsonAsIs(Connection &connection, const QString &sql, QTextStream &out);
};

} // namespace Ostraven
