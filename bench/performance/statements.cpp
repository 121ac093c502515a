// One statement through the database facade against the same work done straight on SQLite's C API: a
// routing procedure call as the archive replay sends thousands of them (a new text each time, since its
// arguments are literals), and a plain query the viewer repeats.

#include "figures.h"

#include "host/db/hostdatabase.h"
#include "platform/db/connection.h"
#include "platform/db/sqlitefunctions.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace Ostraven::Bench {

namespace {

constexpr int calls = 2000;

QString database()
{
    const QString path = cacheFolder() + QStringLiteral("/statements.sqlite");
    if (!QFileInfo::exists(path)) {
        DemoSite::Options options;
        options.archiveEvents = 2000;
        options.archiveEnd = QDateTime(QDate(2026, 12, 1), QTime(12, 0));
        HostDatabase::createDatabase(path, options);
    }
    return path;
}

struct RoutingCall {
    int workstation;
    int event;
    QString address;
    QString text; // as the viewer sends it
};

// The replay's calls: the guard desk operator, all workstations, events across the rule ranges, addresses
// of both panels.
std::vector<RoutingCall> routingCalls()
{
    std::vector<RoutingCall> result;
    for (int i = 0; i < calls; ++i) {
        RoutingCall call{1 + i % 3, (i * 37) % 6000, QStringLiteral("\\\\SRV1.%1.%2.RD0%3").arg(1 + i % 2).arg(1 + i % 4).arg(i % 7), {}};
        call.text = QStringLiteral("EXEC rp_Role_Routing_DeniedCount 102,%1,%2,'%3'").arg(call.workstation).arg(call.event).arg(call.address);
        result.push_back(std::move(call));
    }
    return result;
}

void readAll(Recordset &rows)
{
    for (; !rows.eof(); rows.moveNext()) {
        for (int c = 0; c < rows.fieldCount(); ++c)
            (void)rows.field(c);
    }
}

void readAll(sqlite3_stmt *statement)
{
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            (void)sqlite3_column_value(statement, c);
    }
    sqlite3_reset(statement);
}

sqlite3_stmt *prepare(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        qFatal("cannot prepare %s: %s", qPrintable(sql), sqlite3_errmsg(db));
    return statement;
}

QString procedureBody(sqlite3 *db, const char *name)
{
    sqlite3_stmt *statement = prepare(db, QStringLiteral("SELECT body FROM ov_procedures WHERE name = '%1'").arg(QLatin1String(name)));
    sqlite3_step(statement);
    const QString body = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return body;
}

void bindText(sqlite3_stmt *statement, const char *name, const QByteArray &text)
{
    sqlite3_bind_text(statement, sqlite3_bind_parameter_index(statement, name), text.constData(), int(text.size()),
                      SQLITE_TRANSIENT);
}

std::vector<Figure> measure()
{
    const QString path = database();
    const ConnectionPtr connection = Connection::openSqlite(path);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    // The host's LIKE and functions belong to the database, not to the statement layer: the baseline has them too.
    if (SqliteFunctions::install(db) != SQLITE_OK)
        qFatal("cannot install the host's functions: %s", sqlite3_errmsg(db));
    const int rounds = 7;

    const std::vector<RoutingCall> routing = routingCalls();
    sqlite3_stmt *body = prepare(db, procedureBody(db, "rp_Role_Routing_DeniedCount"));
    const auto [call, callFloor] = fastestPair(
        rounds, [&] {
            for (const RoutingCall &routingCall : routing)
                readAll(*connection->openRecordset(routingCall.text));
        },
        [&] {
            for (const RoutingCall &routingCall : routing) {
                sqlite3_bind_int(body, sqlite3_bind_parameter_index(body, "@UserID"), 102);
                sqlite3_bind_int(body, sqlite3_bind_parameter_index(body, "@WorkstationID"), routingCall.workstation);
                sqlite3_bind_int(body, sqlite3_bind_parameter_index(body, "@EventID"), routingCall.event);
                bindText(body, "@Address", routingCall.address.toUtf8());
                readAll(body);
            }
        });
    sqlite3_finalize(body);

    // The resource texts the viewer reads, each asked again and again.
    std::vector<int> resources;
    sqlite3_stmt *ids = prepare(db, QStringLiteral("SELECT ResourceID FROM ResourceStrings ORDER BY ResourceID LIMIT 40"));
    while (sqlite3_step(ids) == SQLITE_ROW)
        resources.push_back(sqlite3_column_int(ids, 0));
    sqlite3_finalize(ids);
    QStringList texts;
    for (int i = 0; i < calls; ++i)
        texts << QStringLiteral("Select ResourceText From ResourceStrings Where ResourceID = %1").arg(resources[size_t(i) % resources.size()]);
    sqlite3_stmt *lookup = prepare(db, QStringLiteral("SELECT ResourceText FROM ResourceStrings WHERE ResourceID = ?1"));
    const auto [plain, plainFloor] = fastestPair(
        rounds, [&] {
            for (const QString &text : texts)
                readAll(*connection->openRecordset(text));
        },
        [&] {
            for (int i = 0; i < calls; ++i) {
                sqlite3_bind_int(lookup, 1, resources[size_t(i) % resources.size()]);
                readAll(lookup);
            }
        });
    sqlite3_finalize(lookup);
    sqlite3_close(db);

    const double perCall = 1e6 / calls;
    const QString command = QStringLiteral("bench_performance statements");
    return {
        {QStringLiteral("one routing procedure call through the facade"), call * perCall, QStringLiteral("µs"),
         QStringLiteral("its body as one prepared, bound statement stepped through the C API"), callFloor * perCall,
         QStringLiteral("≤ 3x"), call <= 3 * callFloor, command},
        {QStringLiteral("plain statement through the facade"), plain * perCall, QStringLiteral("µs"),
         QStringLiteral("the same, prepared once, bound and stepped through the C API"), plainFloor * perCall,
         QStringLiteral("≤ 3x"), plain <= 3 * plainFloor, command},
    };
}

const bool registered = registerGroup("statements", measure);

} // namespace

} // namespace Ostraven::Bench
