#include "support/componentfixture.h"
#include "viewer/archiveloader.h"
#include "filters/filterclausebuilder.h"
#include "viewer/fevents.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <functional>

namespace Ostraven::Testing {
namespace {
// The demo archive ends on 27 November 2026 at 18:30, so inserted rows (all "Probe...") are read first.
const QString probesOnly = QStringLiteral("Where Description like N'Probe%'");
const QString alarms = QStringLiteral("Where Type like N'%Alarm%'");
struct ArchiveRow {
    qint32 id = 2000;
    QString address = "\\\\SRV1.1.1.RD01", type = "KORA*GATE Transaction", controllerTime = "2026-12-01 09:15:29",
            hostTime = "2026-12-01 09:15:30.250", description = "Probe";
    qint32 uid1 = 0;
};
// A grid row's cells: dtTime, dbTime, Address, ID, Type, Description.
enum Cell { DtTime, DbTime, Address, Id, Type, Description };
const char *const cellKeys[] = {"dtTime", "dbTime", "Address", "ID", "Type", "Description"};
class ArchiveLoaderTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        module().filter.CanViewAllEvents = true;
    }
    FEvents &window() { return module().windows().events(); }
    GridControl &grid() { return *window().vGrid; }
    // Loads the window first, so the trace and the cursor history hold only what the load did; the caller
    // sees the condition the load joined in `joined`.
    QString joined;
    bool load(QString condition = {})
    {
        (void)window();
        (void)takeTrace();
        desktop().clearRecords();
        const bool loaded = ArchiveLoader(module()).LoadArchivedEvents(condition);
        joined = condition;
        return loaded;
    }
    void insert(const ArchiveRow &r)
    {
        db().execute(QStringLiteral("INSERT INTO Log_Events (EventID, Address, Type, dtDate, dbDate, Description, "
                                    "UID1, UID2) VALUES (%1, '%2', '%3', '%4', '%5', '%6', %7, 0)")
                         .arg(r.id).arg(r.address, r.type, r.controllerTime, r.hostTime, r.description).arg(r.uid1));
    }
    // A server with no registry row of its own falls back to the site-wide "False".
    void routingOff() { config().serverName = QStringLiteral("SRV9"); }
    QList<QStringList> rows()
    {
        QList<QStringList> result;
        for (int row = 1; row <= grid().rowCount(); ++row)
            for (const char *key : cellKeys)
                (key == cellKeys[0] ? result.emplace_back() : result.back()) << grid().cellText(row, key);
        return result;
    }
    QStringList column(Cell cell)
    {
        QStringList values;
        for (const QStringList &row : rows())
            values << row[cell];
        return values;
    }
    // Replays the probes on each server named and checks whether routing was on and what it let through.
    void expectRouted(const std::vector<std::tuple<const char *, bool, QStringList>> &cases)
    {
        for (const auto &[server, routing, shown] : cases) {
            SCOPED_TRACE(server);
            config().serverName = QString::fromUtf8(server);
            EXPECT_TRUE(load(probesOnly));
            EXPECT_EQ(module().filter.RoutingEnabled, routing);
            EXPECT_EQ(column(Description), shown);
            EXPECT_TRUE(boxTexts().isEmpty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
        }
    }
    qint32 count(const QString &where)
    {
        return ComponentTest::column("SELECT COUNT(*) FROM VIEW_EventLog_AllEvents " + where).value(0).toInt();
    }
};
} // namespace
TEST_F(ArchiveLoaderTest, StatementsCarryTopOnlyWithoutAnyCondition)
{
    const QString group = QStringLiteral(" Where (Address LIKE '\\\\SRV1.1.1%')");
    const QString select = QStringLiteral("Select DISTINCT %1 * from [VIEW_EventLog_AllEvents] %2 order by [dbDate] "
                                          "desc");
    const QString both = QStringLiteral("Where Type like N'%Alarm%' AND (Address LIKE '\\\\SRV1.1.1%')");
    module().filter.FilterInclusive = true;
    module().filter.FilterClause = group;
    module().filter.FilterStrings = QStringList{QStringLiteral("\\\\SRV1.1.1")};
    module().profile.MaxLines = 100;
    // Condition, group active, archive statement, condition after the load.
    const std::tuple<QString, bool, QString, QString> cases[] = {
        {{}, false, select.arg(QStringLiteral("Top 100"), QString()), {}},
        {alarms, false, select.arg(QString(), alarms), alarms},
        {{}, true, select.arg(QString(), group), group},
        {alarms, true, select.arg(QString(), both), both},
    };
    for (const auto &[before, groupActive, statement, after] : cases) {
        SCOPED_TRACE(statement.toStdString());
        module().filter.FilterActive = groupActive;
        EXPECT_TRUE(load(before));
        EXPECT_EQ(takeTrace().mid(0, 2),
                  QStringList({"EXEC RegistryRead 'SRV1','PaxServer','EnableRouting'", statement}));
        EXPECT_EQ(joined, after) << "the caller sees the joined condition";
    }
}
TEST_F(ArchiveLoaderTest, ReplayFillsTheGridNewestFirstAndPaintsOnce)
{
    routingOff();
    const qint32 archived = count({});
    const std::pair<bool, qint32> cases[] = {{true, 50}, {false, 50}, {true, 1000}};
    for (const auto &[atTop, maxLines] : cases) {
        SCOPED_TRACE(testing::Message() << atTop << ' ' << maxLines);
        module().profile.DisplayEventsAtTop = atTop;
        module().profile.MaxLines = maxLines;
        const int repaintsBefore = grid().repaintCount();
        EXPECT_TRUE(load());
        const qint32 expected = std::min(maxLines, archived);
        EXPECT_EQ(grid().rowCount(), expected);
        EXPECT_TRUE(grid().redraw());
        EXPECT_EQ(grid().repaintCount() - repaintsBefore, 2) << "the emptied grid, then the whole replay once";
        EXPECT_EQ(desktop().cursorHistory(), QStringList({"busy", "default"}));
        EXPECT_FALSE(module().view.LoadingArchive);
        EXPECT_EQ(column(Id), ComponentTest::column(
            QStringLiteral("SELECT ID FROM VIEW_EventLog_AllEvents ORDER BY dbDate DESC LIMIT %1").arg(expected)));
    }
}
TEST_F(ArchiveLoaderTest, ArchiveColumnsBecomeTheRowsCells)
{
    routingOff();
    module().profile.MaxLines = 1;
    const QString card = QStringLiteral("Probe Access Granted: Smith, Jordan (Card 40117), Main Entrance In");
    const QString shownCard = QStringLiteral("Probe Access Granted: Smith; Jordan (Card 40117); Main Entrance In");
    const QString panel = QStringLiteral("Probe Panel Offline: Laboratory Panel");
    const QString logOn = QStringLiteral("Probe Operator Logged On: admin at ADMIN-PC");
    const QString t29 = QStringLiteral("12/1/2026 9:15:29 AM"), t30 = QStringLiteral("12/1/2026 9:15:30 AM");
    const QString reader = QStringLiteral("\\\\SRV1.1.1.RD01"), internal = QStringLiteral("KORA*GATE Internal");
    const std::pair<ArchiveRow, QStringList> cases[] = {
        // Commas in the description become semicolons.
        {{.description = card, .uid1 = 1001}, {t29, t30, reader, "2000", "KORA*GATE Transaction", shownCard}},
        // No controller time.
        {{.id = 1001, .address = "\\\\SRV1", .type = "Software", .controllerTime = "1800-01-01 00:00:00",
          .description = logOn},
         {QString(), t30, "\\\\SRV1", "1001", "Software", logOn}},
        // Controller time at midnight.
        {{.controllerTime = "2026-12-02 00:00:00", .hostTime = "2026-12-02 00:00:01.900", .description = card},
         {"12/2/2026 00:00:00", "12/2/2026 12:00:01 AM", reader, "2000", "KORA*GATE Transaction", shownCard}},
        // A second-family category is renamed, a first-family one kept.
        {{.id = 80301, .address = "\\\\ZEKO01", .type = internal, .description = panel},
         {t29, t30, "\\\\ZEKO01", "80301", "PELA*Bus Internal", panel}},
        {{.id = 9001, .address = "\\\\SRV1.1.1", .type = internal, .description = panel},
         {t29, t30, "\\\\SRV1.1.1", "9001", internal, panel}},
    };
    for (const auto &[input, shown] : cases) {
        SCOPED_TRACE(input.description.toStdString());
        db().execute(QStringLiteral("DELETE FROM Log_Events WHERE Description LIKE 'Probe%'"));
        insert(input);
        EXPECT_TRUE(load());
        EXPECT_EQ(rows(), QList<QStringList>{shown});
    }
}
// Second-family rows are skipped before the row insertion and do not count towards the line limit;
// without a condition the database already stopped at the line limit.
TEST_F(ArchiveLoaderTest, SecondFamilyRowsNeedHardwareSupport)
{
    routingOff();
    insert({.id = 80200, .address = "\\\\ZEKO01.2.3", .type = "ZekoSeries External",
            .hostTime = "2026-12-01 09:15:32.000", .description = "Probe Input Active"});
    insert({.hostTime = "2026-12-01 09:15:31.000"});
    insert({.id = 80001, .address = "\\\\ZEKO01.1.RD01", .type = "ZekoSeries Transaction",
            .hostTime = "2026-12-01 09:15:30.000", .description = "Probe Input Active"});
    const std::tuple<bool, QString, qint32, QStringList> cases[] = { // hardware, condition, line limit, IDs shown
        {true, {}, 2, {"80200", "2000"}},
        {false, {}, 2, {"2000"}},
        {true, probesOnly, 10, {"80200", "2000", "80001"}},
        {false, probesOnly, 1, {"2000"}}, // the skipped newer row does not count
    };
    for (const auto &[hardware, condition, maxLines, ids] : cases) {
        SCOPED_TRACE(testing::Message() << hardware << ' ' << maxLines);
        module().view.zk2Hardware = hardware;
        module().profile.MaxLines = maxLines;
        EXPECT_TRUE(load(condition));
        EXPECT_EQ(column(Id), ids);
    }
}
// With a condition the line limit counts the rows added, not the rows read: refused rows are read on,
// and a limit of 0 still replays one row. With routing on, each replayed row asks the routing procedure.
TEST_F(ArchiveLoaderTest, LineLimitCountsAddedRows)
{
    const qint32 alarmRows = count(QStringLiteral("WHERE Type LIKE '%Alarm%'"));
    ASSERT_GT(alarmRows, 3);
    // Condition, line limit, may view all events, rows replayed, rows shown.
    const std::tuple<QString, qint32, bool, qsizetype, int> cases[] = {{{}, 0, true, 0, 0}, {alarms, 0, true, 1, 0},
        {alarms, 0, false, 1, 0}, {alarms, 3, true, 3, 3}, {alarms, 3, false, alarmRows, 0}};
    for (const auto &[condition, maxLines, viewAll, replays, rowsShown] : cases) {
        SCOPED_TRACE(testing::Message() << condition.toStdString() << ' ' << maxLines << ' ' << viewAll);
        module().profile.MaxLines = maxLines;
        module().filter.CanViewAllEvents = viewAll;
        EXPECT_TRUE(load(condition));
        EXPECT_TRUE(module().filter.RoutingEnabled);
        EXPECT_EQ(takeTrace().filter(QRegularExpression("^EXEC rp_Role_Routing_DeniedCount ")).size(), replays);
        EXPECT_EQ(grid().rowCount(), rowsShown);
        for (const QString &type : column(Type))
            EXPECT_TRUE(type.contains(QStringLiteral("Alarm"))) << qPrintable(type);
    }
}
TEST_F(ArchiveLoaderTest, FilterGroupsDecideTheRowsReplayed)
{
    routingOff();
    // Group 3 hides one door of the main entrance (its reader and everything behind it).
    db().execute("INSERT INTO EventFilterGroups VALUES (3, 1, 'Hide Main Entrance In', 101, '2025-01-01')");
    db().execute(QStringLiteral("INSERT INTO EventFilters VALUES (3, 'Hide Main Entrance In', 0, '\\\\SRV1.1.1.RD01', "
                                "'(Door is ''Main Entrance In'')', '(Address LIKE ''\\\\SRV1.1.1.RD01%'')')"));
    ASSERT_GT(count(QStringLiteral("WHERE Address LIKE '\\\\SRV1.1.1.RD01%'")), 0);
    using Row = const QStringList &;
    const auto at = [](Row row, const char *prefix) { return row[Address].startsWith(QLatin1String(prefix)); };
    const auto inGroupOne = [&](Row row) {
        return row[Id] == "5000" || at(row, "\\\\SRV1.1.1") || at(row, "\\\\ZEKO01")
               || (row[Id] == "2100" && at(row, "\\\\SRV1.2"));
    };
    // Group, condition, which rows may show, line limit, whether the archive holds more matching rows than the limit.
    const std::tuple<qint32, QString, std::function<bool(Row)>, qint32, bool> cases[] = {
        {1, {}, inGroupOne, 500, false},
        {2, {}, [&](Row row) { return row[Id] != "8050" && !at(row, "\\\\SRV1.2") && !at(row, "\\\\ZEKO02"); },
         100, true},
        {3, {}, [&](Row row) { return !at(row, "\\\\SRV1.1.1.RD01"); }, 500, true},
        {1, alarms, [&](Row row) { return inGroupOne(row) && row[Type].contains("Alarm"); }, 500, false},
    };
    for (const auto &[group, condition, mayShow, maxLines, full] : cases) {
        SCOPED_TRACE(testing::Message() << "group " << group << ' ' << condition.toStdString());
        module().profile.MaxLines = maxLines;
        module().filter.FilterActive = true;
        FilterClauseBuilder(module()).SetFilter2(group);
        EXPECT_TRUE(load(condition));
        const QList<QStringList> shown = rows();
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.size() == maxLines, full) << shown.size();
        EXPECT_LE(shown.size(), maxLines);
        for (const QStringList &row : shown)
            EXPECT_TRUE(mayShow(row)) << qPrintable(row.join(QLatin1Char(' ')));
    }
}
TEST_F(ArchiveLoaderTest, RoutingSkipsDeniedAndOutOfZoneRows)
{
    // The guard desk operator: no server room, no software events, no executive card holders (credential
    // 1007), and events only in the guard shifts (weekdays 07:00 to 23:59, all weekend).
    config().user = 102;
    config().workstation = 2;
    // Newest first; 1 December 2026 is a Tuesday, the 5th a Saturday.
    const std::tuple<const char *, qint32, const char *, qint32, const char *> probes[] = {
        {"Probe weekend night", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-05 03:00:00"},
        {"Probe security card", 2000, "\\\\SRV1.1.1.RD01", 1001, "2026-12-01 10:04:00"},
        {"Probe executive card", 2000, "\\\\SRV1.1.1.RD01", 1007, "2026-12-01 10:03:00"},
        {"Probe software", 1001, "\\\\SRV1", 0, "2026-12-01 10:02:00"},
        {"Probe server room", 4000, "\\\\SRV1.1.3.IN02", 0, "2026-12-01 10:01:00"},
        {"Probe shown", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-01 10:00:00"},
        {"Probe weekday night", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-01 03:00:00"},
    };
    QStringList all;
    for (const auto &[name, id, address, uid1, time] : probes) {
        insert({.id = id, .address = address, .type = "KORA*GATE External", .controllerTime = time,
                .hostTime = QString::fromLatin1(time) + QStringLiteral(".000"), .description = name, .uid1 = uid1});
        all << QLatin1String(name);
    }
    const QStringList routed = {"Probe weekend night", "Probe security card", "Probe shown"};
    expectRouted({{"SRV1", true, routed}, {"SRV9", false, all}});
    // The server's own registry row is read after the site-wide one and decides.
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'True' WHERE ServerName = '*'"));
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'False' WHERE ServerName = 'SRV1'"));
    expectRouted({{"SRV1", false, all}});
}
// A quote in an archived address or in the server's name is part of the value: routing still denies
// the server room, and the server's own registry row is still the one read.
TEST_F(ArchiveLoaderTest, QuotesInAddressesAndServerNamesStayInsideTheirLiterals)
{
    config().user = 102;
    config().workstation = 2;
    // The test's own inserts splice their texts as they stand, hence the doubled quotes.
    for (const auto &[address, minute, name] : {std::tuple("\\\\SRV1.1.3.IN0''2", "01", "Probe server room"),
                                                std::tuple("\\\\SRV1.1.1.IN0''1", "00", "Probe lobby")})
        insert({.address = address, .type = "KORA*GATE External",
                .controllerTime = QStringLiteral("2026-12-01 10:%1:00").arg(minute),
                .hostTime = QStringLiteral("2026-12-01 10:%1:00.000").arg(minute), .description = name});
    db().execute(QStringLiteral("INSERT INTO Registry VALUES ('O''Brien-PC', 'PaxServer', 'EnableRouting', 'True')"));
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'True' WHERE ServerName = '*'"));
    expectRouted({{"O'Brien-PC", true, {"Probe lobby"}}, {"SRV1' --", true, {"Probe lobby"}}});
    EXPECT_TRUE(record().logErrors.isEmpty());
}
TEST_F(ArchiveLoaderTest, FailuresGoThroughTheirOwnRoutes)
{
    routingOff();
    module().profile.MaxLines = 5;
    ASSERT_TRUE(load());
    const QStringList before = column(Description);
    ASSERT_EQ(before.size(), 5);
    // A malformed group clause fails the archive statement: the host logs it and the grid stays.
    module().filter.FilterActive = true;
    module().filter.FilterClause = QStringLiteral(" Where ((Address LIKE 'x%') OR  OR (Address LIKE 'y%'))");
    EXPECT_FALSE(load());
    ASSERT_EQ(record().logErrors.size(), 1);
    EXPECT_EQ(record().logErrors.at(0).toObject().value("label").toString(), "Event Viewer: LoadArchivedEvents");
    EXPECT_TRUE(boxTexts().isEmpty());
    EXPECT_EQ(column(Description), before);
    EXPECT_FALSE(module().view.closeGuard);
    EXPECT_TRUE(module().filter.FilterActive);
    // An unreadable row is reported to the operator; the rows before it stay and the closing steps run.
    module().filter.FilterActive = false;
    insert({.hostTime = "2026-12-01 09:15:31.000", .description = "Probe readable"});
    insert({.controllerTime = "not a date", .description = "Probe unreadable"});
    EXPECT_FALSE(load());
    ASSERT_EQ(boxTexts().size(), 1);
    EXPECT_TRUE(boxTexts().at(0).contains(".MPublic.FillWithArchive(")) << qPrintable(boxTexts().at(0));
    EXPECT_EQ(record().logErrors.size(), 1) << "nothing more for the host";
    EXPECT_EQ(column(Description), QStringList{"Probe readable"});
    EXPECT_FALSE(module().view.LoadingArchive);
    EXPECT_FALSE(module().view.closeGuard);
    EXPECT_TRUE(grid().redraw());
    EXPECT_EQ(desktop().cursor(), "default");
}
TEST_F(ArchiveLoaderTest, F5ReplacesTheGridWithTheArchive)
{
    routingOff();
    module().profile.MaxLines = 20;
    grid().setCellDetails(grid().addRow(), "Description", QStringLiteral("live row"));
    (void)takeTrace();
    window().Form_KeyUp(116, 0);
    EXPECT_EQ(grid().rowCount(), 20);
    EXPECT_FALSE(column(Description).contains("live row"));
    EXPECT_EQ(takeTrace().value(1), "Select DISTINCT Top 20 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc");
}
} // namespace Ostraven::Testing
