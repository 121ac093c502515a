#include "support/componentfixture.h"

#include "filters/archiveloader.h"
#include "filters/filterclausebuilder.h"
#include "viewer/fevents.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <functional>

namespace Ostraven::Testing {

namespace {

// The demo archive ends on 27 November 2026 at 18:30; rows a test inserts are newer, so they are the
// first the loader reads. Every inserted description starts with "Probe", so a condition can pick
// them out of the archive.
const QString probesOnly = QStringLiteral("Where Description like N'Probe%'");

struct ArchiveRow {
    qint32 id = 2000;
    QString address = QStringLiteral("\\\\SRV1.1.1.RD01");
    QString type = QStringLiteral("KORA*GATE Transaction");
    QString controllerTime = QStringLiteral("2026-12-01 09:15:29");
    QString hostTime = QStringLiteral("2026-12-01 09:15:30.250");
    QString description = QStringLiteral("Probe");
    qint32 uid1 = 0;
    qint32 uid2 = 0;
};

struct ShownRow {
    QString dtTime;
    QString dbTime;
    QString address;
    QString id;
    QString type;
    QString description;
};

class ArchiveLoaderTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().ColumnHeaders = QStringLiteral("Use Object Default");
        module().CanViewAllEvents = true;
    }

    FEvents &window() { return module().events(); }
    GridControl &grid() { return *window().vGrid; }

    // Loads the window first, so the trace and the cursor history hold only what the load did.
    bool load(QString condition = {})
    {
        (void)window();
        (void)takeTrace();
        desktop().clearRecords();
        return ArchiveLoader(module()).LoadArchivedEvents(condition);
    }

    void insert(const ArchiveRow &row)
    {
        db().execute(QStringLiteral("INSERT INTO Log_Events (EventID, Address, Type, dtDate, dbDate, Description,"
                                    " UID1, UID2) VALUES (%1, '%2', '%3', '%4', '%5', '%6', %7, %8)")
                         .arg(row.id)
                         .arg(row.address, row.type, row.controllerTime, row.hostTime, row.description)
                         .arg(row.uid1)
                         .arg(row.uid2));
    }

    // A server with no registry row of its own falls back to the site-wide "False".
    void routingOff() { config().serverName = QStringLiteral("SRV9"); }

    QList<ShownRow> rows()
    {
        QList<ShownRow> result;
        for (int row = 1; row <= grid().rowCount(); ++row) {
            auto text = [&](const char *key) { return grid().cellText(row, QString::fromLatin1(key)); };
            result.append({text("dtTime"), text("dbTime"), text("Address"), text("ID"), text("Type"),
                           text("Description")});
        }
        return result;
    }

    QStringList column(const char *key)
    {
        QStringList values;
        for (int row = 1; row <= grid().rowCount(); ++row)
            values << grid().cellText(row, QString::fromLatin1(key));
        return values;
    }

    // How many lines reached the row insertion: with routing on, each one asks the routing procedure.
    static qsizetype replayed(const QStringList &trace)
    {
        return std::count_if(trace.begin(), trace.end(), [](const QString &statement) {
            return statement.startsWith(QStringLiteral("EXEC rp_Role_Routing_DeniedCount "));
        });
    }

    qint32 count(const QString &sql) { return ComponentTest::column(sql).value(0).toInt(); }
};

} // namespace

TEST_F(ArchiveLoaderTest, StatementsCarryTopOnlyWithoutAnyCondition)
{
    const QString group = QStringLiteral(" Where (Address LIKE '\\\\SRV1.1.1%')");
    struct Case {
        const char *name;
        QString condition;
        bool groupActive;
        qint32 maxLines;
        QString archiveStatement;
        QString conditionAfter;
    };
    const Case cases[] = {
        {"no condition, no group", {}, false, 100,
         QStringLiteral("Select DISTINCT Top 100 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc"), {}},
        {"another line limit", {}, false, 7,
         QStringLiteral("Select DISTINCT Top 7 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc"), {}},
        {"type condition", QStringLiteral("Where Type like N'%Alarm%'"), false, 100,
         QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] Where Type like N'%Alarm%' order by "
                        "[dbDate] desc"),
         QStringLiteral("Where Type like N'%Alarm%'")},
        {"group alone", {}, true, 100,
         QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents]  Where (Address LIKE '\\\\SRV1.1.1%') "
                        "order by [dbDate] desc"),
         group},
        {"type condition and group", QStringLiteral("Where Type like N'%Alarm%'"), true, 100,
         QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] Where Type like N'%Alarm%' AND "
                        "(Address LIKE '\\\\SRV1.1.1%') order by [dbDate] desc"),
         QStringLiteral("Where Type like N'%Alarm%' AND (Address LIKE '\\\\SRV1.1.1%')")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().FilterActive = c.groupActive;
        module().FilterInclusive = true;
        module().FilterClause = group;
        module().FilterStrings = QStringList{QStringLiteral("\\\\SRV1.1.1")};
        module().MaxLines = c.maxLines;
        (void)window();
        (void)takeTrace();

        QString condition = c.condition;
        EXPECT_TRUE(ArchiveLoader(module()).LoadArchivedEvents(condition));
        const QStringList trace = takeTrace();
        ASSERT_GE(trace.size(), 2);
        EXPECT_EQ(trace.at(0), QStringLiteral("EXEC RegistryRead 'SRV1','PaxServer','EnableRouting'"));
        EXPECT_EQ(trace.at(1), c.archiveStatement);
        EXPECT_EQ(condition, c.conditionAfter) << "the caller sees the joined condition";
    }
}

TEST_F(ArchiveLoaderTest, ReplayFillsTheGridNewestFirstAndPaintsOnce)
{
    routingOff();
    struct Case {
        const char *name;
        bool atTop;
        qint32 maxLines;
    };
    const Case cases[] = {{"rows added at the top", true, 50}, {"rows added at the bottom", false, 50},
                          {"more lines than the archive holds", true, 1000}};
    const qint32 archived = count(QStringLiteral("SELECT COUNT(*) FROM VIEW_EventLog_AllEvents"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().DisplayEventsAtTop = c.atTop;
        module().MaxLines = c.maxLines;
        (void)window();
        const int repaintsBefore = grid().repaintCount();

        EXPECT_TRUE(load());

        const qint32 expected = std::min(c.maxLines, archived);
        ASSERT_EQ(grid().rowCount(), expected);
        EXPECT_TRUE(grid().redraw());
        EXPECT_EQ(grid().repaintCount() - repaintsBefore, 2) << "the emptied grid, then the whole replay once";
        EXPECT_EQ(desktop().cursorHistory(), QStringList({QStringLiteral("busy"), QStringLiteral("default")}));
        EXPECT_FALSE(module().LoadingArchive);
        EXPECT_FALSE(module().RoutingEnabled);

        const QStringList newest = ComponentTest::column(
            QStringLiteral("SELECT ID FROM VIEW_EventLog_AllEvents ORDER BY dbDate DESC LIMIT %1").arg(expected));
        EXPECT_EQ(column("ID"), newest);
        const QStringList hostTimes = column("dbTime");
        for (int row = 1; row < hostTimes.size(); ++row)
            EXPECT_GE(CDate(Variant(hostTimes.at(row - 1))), CDate(Variant(hostTimes.at(row)))) << "row " << row;
    }
}

TEST_F(ArchiveLoaderTest, ArchiveColumnsBecomeTheRowsCells)
{
    routingOff();
    module().MaxLines = 1;
    struct Case {
        const char *name;
        ArchiveRow row;
        ShownRow shown;
    };
    ArchiveRow plain;
    plain.description = QStringLiteral("Probe Access Granted: Smith, Jordan (Card 40117), Main Entrance In");
    plain.uid1 = 1001;
    ArchiveRow software = plain;
    software.id = 1001;
    software.address = QStringLiteral("\\\\SRV1");
    software.type = QStringLiteral("Software");
    software.controllerTime = QStringLiteral("1800-01-01 00:00:00");
    software.description = QStringLiteral("Probe Operator Logged On: admin at ADMIN-PC");
    ArchiveRow midnight = plain;
    midnight.controllerTime = QStringLiteral("2026-12-02 00:00:00");
    midnight.hostTime = QStringLiteral("2026-12-02 00:00:01.900");
    ArchiveRow panel = plain;
    panel.id = 80301;
    panel.address = QStringLiteral("\\\\ZEKO01");
    panel.type = QStringLiteral("KORA*GATE Internal");
    panel.description = QStringLiteral("Probe Panel Offline: Laboratory Panel");
    ArchiveRow firstFamily = panel;
    firstFamily.id = 9001;
    firstFamily.address = QStringLiteral("\\\\SRV1.1.1");

    const Case cases[] = {
        {"commas in the description", plain,
         {QStringLiteral("12/1/2026 9:15:29 AM"), QStringLiteral("12/1/2026 9:15:30 AM"),
          QStringLiteral("\\\\SRV1.1.1.RD01"), QStringLiteral("2000"), QStringLiteral("KORA*GATE Transaction"),
          QStringLiteral("Probe Access Granted: Smith; Jordan (Card 40117); Main Entrance In")}},
        {"no controller time", software,
         {QString(), QStringLiteral("12/1/2026 9:15:30 AM"), QStringLiteral("\\\\SRV1"), QStringLiteral("1001"),
          QStringLiteral("Software"), QStringLiteral("Probe Operator Logged On: admin at ADMIN-PC")}},
        {"controller time at midnight", midnight,
         {QStringLiteral("12/2/2026 00:00:00"), QStringLiteral("12/2/2026 12:00:01 AM"),
          QStringLiteral("\\\\SRV1.1.1.RD01"), QStringLiteral("2000"), QStringLiteral("KORA*GATE Transaction"),
          QStringLiteral("Probe Access Granted: Smith; Jordan (Card 40117); Main Entrance In")}},
        {"second-family category renamed", panel,
         {QStringLiteral("12/1/2026 9:15:29 AM"), QStringLiteral("12/1/2026 9:15:30 AM"),
          QStringLiteral("\\\\ZEKO01"), QStringLiteral("80301"), QStringLiteral("PELA*Bus Internal"),
          QStringLiteral("Probe Panel Offline: Laboratory Panel")}},
        {"first-family category kept", firstFamily,
         {QStringLiteral("12/1/2026 9:15:29 AM"), QStringLiteral("12/1/2026 9:15:30 AM"),
          QStringLiteral("\\\\SRV1.1.1"), QStringLiteral("9001"), QStringLiteral("KORA*GATE Internal"),
          QStringLiteral("Probe Panel Offline: Laboratory Panel")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        db().execute(QStringLiteral("DELETE FROM Log_Events WHERE Description LIKE 'Probe%'"));
        insert(c.row);

        EXPECT_TRUE(load());

        const QList<ShownRow> shown = rows();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown.at(0).dtTime, c.shown.dtTime);
        EXPECT_EQ(shown.at(0).dbTime, c.shown.dbTime);
        EXPECT_EQ(shown.at(0).address, c.shown.address);
        EXPECT_EQ(shown.at(0).id, c.shown.id);
        EXPECT_EQ(shown.at(0).type, c.shown.type);
        EXPECT_EQ(shown.at(0).description, c.shown.description);
    }
}

// Second-family rows are skipped before they reach the row insertion and do not count towards the
// line limit; without a condition the database already stopped at the line limit.
TEST_F(ArchiveLoaderTest, SecondFamilyRowsNeedHardwareSupport)
{
    routingOff();
    ArchiveRow input;
    input.id = 80200;
    input.address = QStringLiteral("\\\\ZEKO01.2.3");
    input.type = QStringLiteral("ZekoSeries External");
    input.hostTime = QStringLiteral("2026-12-01 09:15:32.000");
    input.description = QStringLiteral("Probe Input Active");
    ArchiveRow card;
    card.hostTime = QStringLiteral("2026-12-01 09:15:31.000");
    ArchiveRow zekoCard = input;
    zekoCard.id = 80001;
    zekoCard.address = QStringLiteral("\\\\ZEKO01.1.RD01");
    zekoCard.type = QStringLiteral("ZekoSeries Transaction");
    zekoCard.hostTime = QStringLiteral("2026-12-01 09:15:30.000");
    insert(input);
    insert(card);
    insert(zekoCard);

    struct Case {
        const char *name;
        bool hardware;
        QString condition;
        qint32 maxLines;
        QStringList ids;
    };
    const Case cases[] = {
        {"hardware, newest two", true, {}, 2, {QStringLiteral("80200"), QStringLiteral("2000")}},
        {"no hardware, newest two read", false, {}, 2, {QStringLiteral("2000")}},
        {"hardware, all probes", true, probesOnly, 10,
         {QStringLiteral("80200"), QStringLiteral("2000"), QStringLiteral("80001")}},
        {"no hardware, all probes", false, probesOnly, 10, {QStringLiteral("2000")}},
        {"no hardware, a skipped row does not count", false, probesOnly, 1, {QStringLiteral("2000")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        (void)window();
        module().zk2Hardware = c.hardware;
        module().MaxLines = c.maxLines;
        EXPECT_TRUE(load(c.condition));
        EXPECT_EQ(column("ID"), c.ids);
    }
}

// With a condition the line limit counts the rows added, not the rows read: refused rows are read
// on, and a limit of 0 still replays one row.
TEST_F(ArchiveLoaderTest, LineLimitCountsAddedRows)
{
    const QString alarms = QStringLiteral("Where Type like N'%Alarm%'");
    const qint32 alarmRows =
        count(QStringLiteral("SELECT COUNT(*) FROM VIEW_EventLog_AllEvents WHERE Type LIKE '%Alarm%'"));
    ASSERT_GT(alarmRows, 3);
    struct Case {
        const char *name;
        QString condition;
        qint32 maxLines;
        bool viewAll;
        qsizetype replays;
        int rowsShown;
    };
    const Case cases[] = {
        {"limit 0, no condition", {}, 0, true, 0, 0},
        {"limit 0, type condition", alarms, 0, true, 1, 0},
        {"limit 0, refused row", alarms, 0, false, 1, 0},
        {"limit 3, type condition", alarms, 3, true, 3, 3},
        {"limit 3, every row refused", alarms, 3, false, alarmRows, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().MaxLines = c.maxLines;
        module().CanViewAllEvents = c.viewAll;
        EXPECT_TRUE(load(c.condition));
        EXPECT_TRUE(module().RoutingEnabled);
        EXPECT_EQ(replayed(takeTrace()), c.replays);
        EXPECT_EQ(grid().rowCount(), c.rowsShown);
        for (const QString &type : column("Type"))
            EXPECT_TRUE(type.contains(QStringLiteral("Alarm"))) << qPrintable(type);
    }
}

TEST_F(ArchiveLoaderTest, FilterGroupsDecideTheRowsReplayed)
{
    routingOff();
    // Hides one door of the main entrance (its reader and everything behind it).
    db().execute(QStringLiteral("INSERT INTO EventFilterGroups VALUES (3, 1, 'Hide Main Entrance In', 101, "
                                "'2025-01-01 00:00:00')"));
    db().execute(QStringLiteral("INSERT INTO EventFilters VALUES (3, 'Hide Main Entrance In', 0, "
                                "'\\\\SRV1.1.1.RD01', '(Door is ''Main Entrance In'')', "
                                "'(Address LIKE ''\\\\SRV1.1.1.RD01%'')')"));
    const auto inGroupOne = [](const ShownRow &row) {
        return row.id == QStringLiteral("5000") || row.address.startsWith(QStringLiteral("\\\\SRV1.1.1"))
               || (row.id == QStringLiteral("2100") && row.address.startsWith(QStringLiteral("\\\\SRV1.2")))
               || row.address.startsWith(QStringLiteral("\\\\ZEKO01"));
    };
    const auto outsideGroupTwo = [](const ShownRow &row) {
        return row.id != QStringLiteral("8050") && !row.address.startsWith(QStringLiteral("\\\\SRV1.2"))
               && !row.address.startsWith(QStringLiteral("\\\\ZEKO02"));
    };
    const auto notTheDoor = [](const ShownRow &row) {
        return !row.address.startsWith(QStringLiteral("\\\\SRV1.1.1.RD01"));
    };
    struct Case {
        const char *name;
        qint32 group;
        QString condition;
        std::function<bool(const ShownRow &)> shown;
        qint32 maxLines;
        bool full; // the archive holds more matching rows than the limit
    };
    const Case cases[] = {
        {"include group", 1, {}, inGroupOne, 500, false},
        {"exclude group", 2, {}, outsideGroupTwo, 100, true},
        {"exclude group hiding one door", 3, {}, notTheDoor, 500, true},
        {"include group and type condition", 1, QStringLiteral("Where Type like N'%Alarm%'"),
         [&](const ShownRow &row) { return inGroupOne(row) && row.type.contains(QStringLiteral("Alarm")); }, 500,
         false},
    };
    const qint32 doorRows =
        count(QStringLiteral("SELECT COUNT(*) FROM VIEW_EventLog_AllEvents WHERE Address LIKE '\\\\SRV1.1.1.RD01%'"));
    ASSERT_GT(doorRows, 0) << "the demo archive has rows of the hidden door";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().MaxLines = c.maxLines;
        module().FilterActive = true;
        FilterClauseBuilder(module()).SetFilter2(c.group);

        EXPECT_TRUE(load(c.condition));

        const QList<ShownRow> shown = rows();
        ASSERT_FALSE(shown.isEmpty());
        if (c.full)
            EXPECT_EQ(shown.size(), c.maxLines);
        else
            EXPECT_LT(shown.size(), c.maxLines);
        for (const ShownRow &row : shown)
            EXPECT_TRUE(c.shown(row)) << qPrintable(row.id + QLatin1Char(' ') + row.address);
    }
}

TEST_F(ArchiveLoaderTest, RoutingSkipsDeniedAndOutOfZoneRows)
{
    // The guard desk operator: no server room, no software events, no card holders of the executive
    // department (credential 1007), and events only in the guard shifts (weekdays 07:00 to 23:59,
    // all weekend).
    config().user = 102;
    config().workstation = 2;
    struct Probe {
        const char *name;
        qint32 id;
        const char *address;
        qint32 uid1;
        const char *hostTime; // 1 December 2026 is a Tuesday, the 5th a Saturday
    };
    const Probe probes[] = {
        {"Probe shown", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-01 10:00:00.000"},
        {"Probe server room", 4000, "\\\\SRV1.1.3.IN02", 0, "2026-12-01 10:01:00.000"},
        {"Probe software", 1001, "\\\\SRV1", 0, "2026-12-01 10:02:00.000"},
        {"Probe executive card", 2000, "\\\\SRV1.1.1.RD01", 1007, "2026-12-01 10:03:00.000"},
        {"Probe security card", 2000, "\\\\SRV1.1.1.RD01", 1001, "2026-12-01 10:04:00.000"},
        {"Probe weekday night", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-01 03:00:00.000"},
        {"Probe weekend night", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-05 03:00:00.000"},
    };
    for (const Probe &probe : probes) {
        ArchiveRow row;
        row.id = probe.id;
        row.address = QString::fromUtf8(probe.address);
        row.type = QStringLiteral("KORA*GATE External");
        row.hostTime = QString::fromUtf8(probe.hostTime);
        row.controllerTime = row.hostTime.left(19);
        row.description = QString::fromUtf8(probe.name);
        row.uid1 = probe.uid1;
        insert(row);
    }

    struct Case {
        const char *name;
        const char *server;
        bool routing;
        QStringList shown;
    };
    const Case cases[] = {
        {"routing server", "SRV1", true,
         {QStringLiteral("Probe weekend night"), QStringLiteral("Probe security card"), QStringLiteral("Probe shown")}},
        {"server without routing", "SRV9", false,
         {QStringLiteral("Probe weekend night"), QStringLiteral("Probe security card"),
          QStringLiteral("Probe executive card"), QStringLiteral("Probe software"), QStringLiteral("Probe server room"),
          QStringLiteral("Probe shown"), QStringLiteral("Probe weekday night")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        config().serverName = QString::fromUtf8(c.server);
        EXPECT_TRUE(load(probesOnly));
        EXPECT_EQ(module().RoutingEnabled, c.routing);
        EXPECT_EQ(column("Description"), c.shown);
        EXPECT_TRUE(boxTexts().isEmpty());
    }

    // The server's own registry row is read after the site-wide one and decides.
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'True' WHERE ServerName = '*'"));
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'False' WHERE ServerName = 'SRV1'"));
    config().serverName = QStringLiteral("SRV1");
    EXPECT_TRUE(load(probesOnly));
    EXPECT_FALSE(module().RoutingEnabled);
    EXPECT_EQ(grid().rowCount(), 7);
}

TEST_F(ArchiveLoaderTest, FailuresGoThroughTheirOwnRoutes)
{
    routingOff();
    module().MaxLines = 5;
    ASSERT_TRUE(load());
    const QStringList before = column("Description");
    ASSERT_EQ(before.size(), 5);

    // A malformed group clause fails the archive statement: the host logs it and the grid stays.
    module().FilterActive = true;
    module().FilterClause = QStringLiteral(" Where ((Address LIKE 'x%') OR  OR (Address LIKE 'y%'))");
    EXPECT_FALSE(load());
    const QJsonArray logged = record().logErrors;
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged.at(0).toObject().value(QStringLiteral("label")).toString(),
              QStringLiteral("Event Viewer: LoadArchivedEvents"));
    EXPECT_TRUE(boxTexts().isEmpty());
    EXPECT_EQ(column("Description"), before);
    EXPECT_FALSE(module().closeGuard);
    EXPECT_TRUE(module().FilterActive);

    // A row the replay cannot read is reported to the operator; the rows before it stay and the
    // closing steps still run.
    module().FilterActive = false;
    ArchiveRow good;
    good.hostTime = QStringLiteral("2026-12-01 09:15:31.000");
    good.description = QStringLiteral("Probe readable");
    ArchiveRow bad;
    bad.controllerTime = QStringLiteral("not a date");
    bad.description = QStringLiteral("Probe unreadable");
    insert(good);
    insert(bad);
    EXPECT_FALSE(load());
    const QStringList boxes = boxTexts();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.at(0).contains(QStringLiteral(".MPublic.FillWithArchive("))) << qPrintable(boxes.at(0));
    EXPECT_EQ(record().logErrors.size(), 1) << "nothing more for the host";
    EXPECT_EQ(column("Description"), QStringList{QStringLiteral("Probe readable")});
    EXPECT_FALSE(module().LoadingArchive);
    EXPECT_FALSE(module().closeGuard);
    EXPECT_TRUE(grid().redraw());
    EXPECT_EQ(desktop().cursor(), QStringLiteral("default"));
}

TEST_F(ArchiveLoaderTest, F5ReplacesTheGridWithTheArchive)
{
    routingOff();
    module().MaxLines = 20;
    FEvents &w = window();
    const int row = grid().addRow();
    grid().setCellDetails(row, QStringLiteral("Description"), QStringLiteral("live row"));
    (void)takeTrace();

    w.Form_KeyUp(116, 0);

    EXPECT_EQ(grid().rowCount(), 20);
    EXPECT_FALSE(column("Description").contains(QStringLiteral("live row")));
    const QStringList trace = takeTrace();
    ASSERT_GE(trace.size(), 2);
    EXPECT_EQ(trace.at(1),
              QStringLiteral("Select DISTINCT Top 20 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc"));
}

} // namespace Ostraven::Testing
