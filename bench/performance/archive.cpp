// Opening the viewer on a deep archive: Show to the LOAD call-back with a replay of 1500 rows, routing
// on, as the demo site's administrator, on archives of one and ten million events.

#include "figures.h"

#include "host/db/hostdatabase.h"
#include "host/hostsession.h"
#include "platform/db/connection.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <stdexcept>

namespace Ostraven::Bench {

namespace {

// Built once and kept in the build tree: ten million events take minutes to write.
QString archive(int events)
{
    const QString path = cacheFolder() + QStringLiteral("/archive-%1.sqlite").arg(events);
    if (!QFileInfo::exists(path)) {
        DemoSite::Options options;
        options.archiveEvents = events;
        options.archiveDays = 3 * 365;
        options.archiveEnd = QDateTime(QDate(2026, 12, 1), QTime(12, 0));
        HostDatabase::createDatabase(path, options);
    }
    // The demo administrator's profile keeps 500 lines; the figure is for a replay of 1500.
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const int rc = sqlite3_exec(db, "UPDATE Profile_Details SET [Value] = '1500' WHERE ProfileID = 1 AND ObjectID = 4 "
                                    "AND Property = 'MaxLines'", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot set the replay's line count in " + path.toStdString());
    return path;
}

// A fresh host session each time, so nothing is warm but the operating system's file cache. Show runs
// the replay before it calls LOAD back; a Show that failed (its error is a message box on the scripted
// desktop) or replayed nothing would time nothing worth a row, so it stops the run.
double showToLoad(const QString &database)
{
    const QString component = QCoreApplication::applicationDirPath() + QStringLiteral("/libEventViewObject.so");
    if (!QFileInfo::exists(component))
        throw std::runtime_error("the archive group needs the component beside the program: build the target "
                                 "EventViewObject (" + component.toStdString() + ")");
    QTemporaryDir folder;
    Host::HostSession::Options options;
    options.database.path = database;
    options.headless = true;
    options.registryFile = folder.path() + QStringLiteral("/registry.ini");
    Host::HostSession session(options);
    session.start();
    const double seconds = fastestSeconds(1, [&] { session.component().Show(); });
    const QJsonObject state = session.dump();
    const QJsonObject host = state.value(QStringLiteral("host")).toObject();
    const bool loaded = QJsonDocument(host.value(QStringLiteral("callbacks")).toArray()).toJson().contains("\"LOAD\"");
    const qsizetype rows = state.value(QStringLiteral("grid")).toObject().value(QStringLiteral("rows")).toArray().size();
    session.release();
    if (!loaded || rows == 0 || !host.value(QStringLiteral("boxes")).toArray().isEmpty()) {
        throw std::runtime_error("Show did not replay the archive of " + database.toStdString() + ": "
                                 + QJsonDocument(host).toJson(QJsonDocument::Compact).toStdString());
    }
    return seconds;
}

const QString archiveStatement = QStringLiteral("Select DISTINCT Top 1500 * from [VIEW_EventLog_AllEvents] order by [dbDate] desc");

void readAll(Connection &connection)
{
    auto rows = connection.openRecordset(archiveStatement);
    for (; !rows->eof(); rows->moveNext()) {
        for (int c = 0; c < rows->fieldCount(); ++c)
            (void)rows->field(c);
    }
}

// The floor: the same number of rows, newest first, from the largest table through its dbDate index.
void readOneTable(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT dtDate, dbDate, NetAddress, Event, Type, Description, UID1, UID2 "
                       "FROM Log_Transactions ORDER BY dbDate DESC LIMIT 1500",
                       -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            (void)sqlite3_column_text(statement, c);
    }
    sqlite3_finalize(statement);
}

std::vector<Figure> measure()
{
    const QString million = archive(1'000'000);
    const QString tenMillion = archive(10'000'000);
    const int rounds = 3;

    double show1 = 1e300;
    double show10 = 1e300;
    for (int i = 0; i < rounds; ++i) {
        show1 = std::min(show1, showToLoad(million));
        show10 = std::min(show10, showToLoad(tenMillion));
    }

    ConnectionPtr connection = Connection::openSqlite(million);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(million.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const auto [statement, floor] = fastestPair(5, [&] { readAll(*connection); }, [&] { readOneTable(db); });
    sqlite3_close(db);

    std::vector<Figure> rows;
    rows.push_back({QStringLiteral("`Show` to LOAD, 1500-row replay, routing on, 1,000,000 events"), show1 * 1e3,
                    QStringLiteral("ms"), {}, 0, QStringLiteral("< 100 ms"), show1 < 0.1,
                    QStringLiteral("bench_performance archive")});
    rows.push_back({QStringLiteral("the same, 10,000,000 events"), show10 * 1e3, QStringLiteral("ms"),
                    QStringLiteral("1,000,000 events"), show1 * 1e3, QStringLiteral("≤ 1.5x"),
                    show10 <= 1.5 * show1, QStringLiteral("bench_performance archive")});
    rows.push_back({QStringLiteral("archive statement alone, 1,000,000 events"), statement * 1e3, QStringLiteral("ms"),
                    QStringLiteral("C API, one table, dbDate index"), floor * 1e3, QStringLiteral("≤ 2x"),
                    statement <= 2 * floor, QStringLiteral("bench_performance archive")});
    return rows;
}

const bool registered = registerGroup("archive", measure);

} // namespace

} // namespace Ostraven::Bench
