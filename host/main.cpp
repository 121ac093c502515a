#include "host/db/hostdatabase.h"

#include "platform/db/connection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream &errorStream()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString &message, int code = 1)
{
    errorStream() << "ostraven-host: " << message << Qt::endl;
    return code;
}

int initDatabase(const QString &path, const QString &eventsOption)
{
    bool isNumber = false;
    const int events = eventsOption.isEmpty() ? 20000 : eventsOption.toInt(&isNumber);
    if (!eventsOption.isEmpty() && (!isNumber || events < 0))
        return fail(QStringLiteral("--archive-events needs a whole number of 0 or more, not \"%1\"").arg(eventsOption), 2);
    Ostraven::HostDatabase::createDatabase(path, events);
    errorStream() << "ostraven-host: created " << QDir::toNativeSeparators(path) << " with " << events
                  << " archived events" << Qt::endl;
    return 0;
}

int runSql(const QString &path, const QString &sql, const QString &traceFile)
{
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("the database %1 does not exist; create it with --init-db").arg(path), 2);
    const Ostraven::ConnectionPtr connection = Ostraven::Connection::openSqlite(path);
    if (!traceFile.isEmpty())
        connection->setTraceFile(traceFile);
    QTextStream out(stdout);
    const Ostraven::HostDatabase::SqlOutcome outcome = Ostraven::HostDatabase::runSqlAsJson(*connection, sql, out);
    if (outcome.changed >= 0)
        errorStream() << outcome.changed << " row(s) changed" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostraven"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reference host of the Ostraven Event Viewer."));
    parser.addHelpOption();
    const QCommandLineOption dbOption(QStringLiteral("db"),
                                      QStringLiteral("The host database (default: the demo database in the user's "
                                                     "data folder, created on first use)."),
                                      QStringLiteral("PATH"));
    const QCommandLineOption initOption(QStringLiteral("init-db"),
                                        QStringLiteral("Create a new database with the demo site; refuses an "
                                                       "existing file."));
    const QCommandLineOption eventsOption(QStringLiteral("archive-events"),
                                          QStringLiteral("Archived events of a new database (default 20000)."),
                                          QStringLiteral("N"));
    const QCommandLineOption sqlOption(QStringLiteral("sql"),
                                       QStringLiteral("Run one statement and print its rows as JSON lines."),
                                       QStringLiteral("TEXT"));
    const QCommandLineOption traceOption(QStringLiteral("sql-trace"),
                                         QStringLiteral("Append every statement text sent to FILE."),
                                         QStringLiteral("FILE"));
    parser.addOptions({dbOption, initOption, eventsOption, sqlOption, traceOption});
    parser.process(application);

    const bool ownDatabase = parser.isSet(dbOption);
    const QString path = ownDatabase ? parser.value(dbOption) : Ostraven::HostDatabase::defaultDatabasePath();
    try {
        if (parser.isSet(initOption))
            return initDatabase(path, parser.value(eventsOption));
        if (!ownDatabase && Ostraven::HostDatabase::ensureDatabase(path))
            errorStream() << "ostraven-host: created the demo database " << QDir::toNativeSeparators(path) << Qt::endl;
        if (parser.isSet(sqlOption))
            return runSql(path, parser.value(sqlOption), parser.value(traceOption));
        errorStream() << "ostraven-host: database " << QDir::toNativeSeparators(path) << Qt::endl;
        return 0;
    } catch (const Ostraven::VbError &error) {
        return fail(error.description());
    }
}
