#include "host/controlprotocol.h"
#include "host/databasesource.h"
#include "host/db/hostdatabase.h"
#include "host/hostrunner.h"
#include "host/hostsession.h"

#include "errors/errorhandling.h"
#include "errors/numberfield.h"
#include "platform/db/connection.h"
#include "platform/runtimefolder.h"
#include "platform/vberror.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <stdexcept>

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
    // Ten million archived events is a database of some gigabytes, more than any test or demo needs.
    const int events = eventsOption.isEmpty()
                           ? 20000
                           : Ostraven::NumberField::wholeFromText(eventsOption, u"--archive-events", {0, 10000000});
    Ostraven::HostDatabase::createDatabase(path, events);
    errorStream() << "ostraven-host: created " << QDir::toNativeSeparators(path) << " with " << events
                  << " archived events" << Qt::endl;
    return 0;
}

int runSql(const Ostraven::Host::DatabaseSource &source, const QString &sql, const QString &traceFile)
{
    if (const QString problem = source.problemBeforeOpening(); !problem.isEmpty())
        return fail(problem, 2);
    const Ostraven::ConnectionPtr connection = source.open();
    if (!traceFile.isEmpty())
        connection->setTraceFile(traceFile);
    QTextStream out(stdout);
    const Ostraven::HostDatabase::SqlOutcome outcome = Ostraven::HostDatabase::runSqlAsJson(*connection, sql, out);
    if (outcome.changed >= 0)
        errorStream() << outcome.changed << " row(s) changed" << Qt::endl;
    return 0;
}

// The platform plugin is chosen before the application object exists: offscreen for headless runs,
// for the database commands (which show nothing) and when there is no display to show on.
void chooseOffscreenWhenNoWindows(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    bool offscreen = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--headless", "--init-db", "--sql", "--help", "-h", "--list-ops"}) {
            if (std::strcmp(argv[i], option) == 0)
                offscreen = true;
        }
    }
    if (offscreen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The offscreen platform says on standard error, each time, that it cannot do what only a screen can
// (propagate a dialog's size hints to a window manager, for one); a headless run has no screen by
// design, so those notices are dropped; every other message is written as Qt writes it.
void dropOffscreenNotices(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1StringView("This plugin does not support")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    std::fflush(stderr);
}

// What --help says before the options: where errors are written down, and how to run the viewer on
// the user's own data rather than the demo site.
QString applicationDescription()
{
    const QString componentFolder =
        QFileInfo(Ostraven::Host::HostSession::defaultComponentLibrary()).absolutePath();
    return QStringLiteral(
               "Reference host of the Ostraven Event Viewer.\n"
               "\n"
               "Error log: the component appends each error it reports to EventViewObject.log beside the "
               "component library, in %1, when that folder is writable, and otherwise in %2 (made when first "
               "needed; $XDG_STATE_HOME/ostraven, by default ~/.local/state/ostraven). When neither can be "
               "written, the next error box says so once. Errors the component hands to the host (LogError) "
               "are not in that log: the host records them and a dump shows them.\n"
               "\n"
               "Your own database: without --db or --odbc the host runs on a demo database in %3. "
               "\"--db FILE --init-db\" creates FILE with the host schema and a demo site (--archive-events 0 "
               "for an empty archive); \"--db FILE\" then runs the viewer on that file. \"--odbc CONNECTION "
               "STRING\" runs it on SQL Server (or, with --odbc-emulate, on any ODBC source holding the host "
               "schema). Control lines (--script, --listen-socket, --listen) drive it; the protocol is in "
               "docs/protocol.md of the source tree (installed as share/doc/ostraven-eventview/protocol.md).")
        .arg(QDir::toNativeSeparators(componentFolder),
             QDir::toNativeSeparators(Ostraven::ErrorHandling::defaultFallbackLogFolder()),
             QDir::toNativeSeparators(QFileInfo(Ostraven::HostDatabase::defaultDatabasePath()).absolutePath()));
}

} // namespace

int main(int argc, char **argv)
{
    chooseOffscreenWhenNoWindows(argc, argv);
    // Before the application object: Qt looks into the runtime folder while it starts.
    Ostraven::RuntimeFolder::provide();
    QApplication application(argc, argv);
    if (QGuiApplication::platformName() == QLatin1StringView("offscreen"))
        qInstallMessageHandler(dropOffscreenNotices);
    QCoreApplication::setApplicationName(QStringLiteral("ostraven"));

    QCommandLineParser parser;
    parser.setApplicationDescription(applicationDescription());
    parser.addHelpOption();
    const QCommandLineOption dbOption(QStringLiteral("db"),
                                      QStringLiteral("The host database as an SQLite file (default, without "
                                                     "--odbc: the demo database in the user's data folder, created "
                                                     "on first use)."),
                                      QStringLiteral("PATH"));
    const QCommandLineOption odbcOption(
        QStringLiteral("odbc"),
        QStringLiteral("The host database through ODBC, from a DSN-less connection string, e.g. "
                       "\"Driver=FreeTDS;Server=HOST;Port=1433;Database=NAME;UID=USER;PWD=...\"; statements go to "
                       "the server unchanged."),
        QStringLiteral("CONNECTION STRING"));
    const QCommandLineOption emulateOption(
        QStringLiteral("odbc-emulate"),
        QStringLiteral("With --odbc: run the SQL Server emulation over an ODBC data source that is not SQL Server "
                       "(such as the SQLite ODBC driver)."));
    const QCommandLineOption initOption(QStringLiteral("init-db"),
                                        QStringLiteral("Create a new SQLite database with the demo site; refuses "
                                                       "an existing file. Not with --odbc."));
    const QCommandLineOption eventsOption(QStringLiteral("archive-events"),
                                          QStringLiteral("Archived events of a new database (default 20000)."),
                                          QStringLiteral("N"));
    const QCommandLineOption sqlOption(QStringLiteral("sql"),
                                       QStringLiteral("Run one statement and print its rows as JSON lines."),
                                       QStringLiteral("TEXT"));
    const QCommandLineOption traceOption(QStringLiteral("sql-trace"),
                                         QStringLiteral("Append every statement text sent to FILE."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
                                            QStringLiteral("Run offscreen with the scripted desktop: no window, no "
                                                           "modal box; answers come from the script."));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Save the viewer window as PNG before quitting."),
                                              QStringLiteral("FILE"));
    const QCommandLineOption quitAfterOption(QStringLiteral("quit-after"),
                                             QStringLiteral("Quit SEC seconds after the script has run."),
                                             QStringLiteral("SEC"));
    const QCommandLineOption scriptOption(QStringLiteral("script"),
                                          QStringLiteral("Control lines (one JSON object per line) from FILE, or "
                                                         "from standard input with -."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption listenOption(QStringLiteral("listen"),
                                          QStringLiteral("Take control lines on this loopback TCP port. Each "
                                                         "connection first sends {\"op\": \"auth\", \"token\": "
                                                         "\"...\"} with the token from the token file."),
                                          QStringLiteral("PORT"));
    const QCommandLineOption tokenFileOption(QStringLiteral("token-file"),
                                             QStringLiteral("Where --listen writes its token, readable by this user "
                                                            "only (default: ostraven-host-PORT.token in the user's "
                                                            "runtime folder, $XDG_RUNTIME_DIR)."),
                                             QStringLiteral("FILE"));
    const QCommandLineOption listenSocketOption(QStringLiteral("listen-socket"),
                                                QStringLiteral("Take control lines on a Unix-domain socket at PATH "
                                                               "that only this user can reach (mode 0600), for "
                                                               "example $XDG_RUNTIME_DIR/ostraven-host.sock."),
                                                QStringLiteral("PATH"));
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        QStringLiteral("Show the viewer and push a live stream of demo events."));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("Demo events per second (default 5)."), QStringLiteral("N"));
    const QCommandLineOption listOpsOption(QStringLiteral("list-ops"),
                                           QStringLiteral("Print the names of the control protocol's ops, one a "
                                                          "line, and quit."));
    const QCommandLineOption registryOption(QStringLiteral("registry"),
                                            QStringLiteral("Register the component in FILE instead of the user's "
                                                           "registration."),
                                            QStringLiteral("FILE"));
    parser.addOptions({dbOption, odbcOption, emulateOption, initOption, eventsOption, sqlOption, traceOption,
                       headlessOption, screenshotOption, quitAfterOption, scriptOption, listenOption, tokenFileOption,
                       listenSocketOption, demoOption, rateOption, registryOption, listOpsOption});
    parser.process(application);

    if (parser.isSet(listOpsOption)) {
        QTextStream out(stdout);
        for (const QString &op : Ostraven::Host::HostRunner::opNames())
            out << op << '\n';
        return 0;
    }

    if (parser.isSet(dbOption) && parser.isSet(odbcOption))
        return fail(QStringLiteral("--db and --odbc both name the host database; give one of them"), 2);
    if (parser.isSet(emulateOption) && !parser.isSet(odbcOption))
        return fail(QStringLiteral("--odbc-emulate goes with --odbc: it runs the SQL Server emulation over an ODBC "
                                   "data source"), 2);
    if (parser.isSet(odbcOption) && parser.value(odbcOption).trimmed().isEmpty())
        return fail(QStringLiteral("--odbc needs a connection string, e.g. \"Driver=FreeTDS;Server=HOST;Port=1433;"
                                   "Database=NAME;UID=USER;PWD=...\""), 2);
    if (parser.isSet(initOption) && parser.isSet(odbcOption))
        return fail(QStringLiteral("--init-db creates an SQLite file; it goes with --db, not with --odbc"), 2);

    Ostraven::Host::DatabaseSource source;
    source.odbc = parser.value(odbcOption);
    source.emulate = parser.isSet(emulateOption);
    const bool demoDatabase = !parser.isSet(dbOption) && !source.isOdbc();
    source.path = demoDatabase ? Ostraven::HostDatabase::defaultDatabasePath() : parser.value(dbOption);
    try {
        if (parser.isSet(initOption))
            return initDatabase(source.path, parser.value(eventsOption));
        if (demoDatabase && Ostraven::HostDatabase::ensureDatabase(source.path))
            errorStream() << "ostraven-host: created the demo database " << QDir::toNativeSeparators(source.path)
                          << Qt::endl;
        if (parser.isSet(sqlOption))
            return runSql(source, parser.value(sqlOption), parser.value(traceOption));
        if (const QString problem = source.problemBeforeOpening(); !problem.isEmpty())
            return fail(problem, 2);

        Ostraven::Host::HostRunner::Options options;
        options.session.database = source;
        options.session.traceFile = parser.value(traceOption);
        options.session.headless = parser.isSet(headlessOption);
        options.session.registryFile = parser.value(registryOption);
        options.script = parser.value(scriptOption);
        options.screenshot = parser.value(screenshotOption);
        options.demo = parser.isSet(demoOption);
        if (parser.isSet(rateOption))
            options.rate = Ostraven::NumberField::realFromText(parser.value(rateOption), u"--rate", 0.01, 1000);
        // A week is the longest run --quit-after is for; the timer counts milliseconds in an int.
        if (parser.isSet(quitAfterOption))
            options.quitAfterSeconds = Ostraven::NumberField::realFromText(parser.value(quitAfterOption),
                                                                           u"--quit-after", 0, 7 * 24 * 3600);
        if (parser.isSet(listenOption))
            options.listenPort = Ostraven::NumberField::wholeFromText(parser.value(listenOption), u"--listen",
                                                                      {1, 65535});
        options.tokenFile = parser.value(tokenFileOption);
        if (parser.isSet(tokenFileOption) && (options.tokenFile.isEmpty() || !parser.isSet(listenOption)))
            return fail(QStringLiteral("--token-file needs a file name and goes with --listen"), 2);
        options.listenSocket = parser.value(listenSocketOption);
        if (parser.isSet(listenSocketOption) && options.listenSocket.isEmpty())
            return fail(QStringLiteral("--listen-socket needs a path, e.g. $XDG_RUNTIME_DIR/ostraven-host.sock"), 2);
        Ostraven::Host::HostRunner runner(std::move(options));
        return runner.run();
    } catch (const Ostraven::VbError &error) {
        return fail(error.description());
    } catch (const std::invalid_argument &error) {
        return fail(QString::fromStdString(error.what()), 2);
    }
}
