#include "support/componentfixture.h"

#include "viewer/fevents.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QTimer>

namespace Ostraven::Testing {

namespace {

const QString defaultHeaders = QStringLiteral(
    "dbTime][Host Time][1][135][True,Description][Description][2][485][True,Address][Address][3][130][True,"
    "Type][Event Type][4][134][True,ID][Event ID][5][58][True,dtTime][Controller Time][6][139][False,"
    "NotUsed][NotUsed][7][64][False");

class FEventsTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
    }

    FEvents &window() { return module().windows().events(); }

    // Keys of the grid's columns in display order, hidden ones marked with a minus.
    QStringList displayedKeys()
    {
        GridControl &grid = *window().vGrid;
        QStringList keys(grid.columnCount());
        for (int column = 1; column <= grid.columnCount(); ++column)
            keys[grid.columnPosition(column) - 1] = (grid.columnVisible(column) ? QString() : QStringLiteral("-"))
                                                    + grid.columnKey(column);
        return keys;
    }

    void addRows(int count)
    {
        GridControl &grid = *window().vGrid;
        for (int i = 0; i < count; ++i) {
            const int row = grid.addRow();
            grid.setCellDetails(row, QStringLiteral("Description"), QStringLiteral("row %1").arg(row));
        }
    }
};

} // namespace

TEST_F(FEventsTest, ColumnsComeFromTheHeaderStringByPosition)
{
    struct Case {
        const char *name;
        QString headers;
        QStringList expected;
    };
    const Case cases[] = {
        {"built-in set", QStringLiteral("Use Object Default"),
         {"dbTime", "Description", "Address", "Type", "ID", "-dtTime", "-NotUsed"}},
        {"the written-out default", defaultHeaders,
         {"dbTime", "Description", "Address", "Type", "ID", "-dtTime", "-NotUsed"}},
        {"description first", QStringLiteral("dbTime][x][2][135][True,Description][y][1][485][True"),
         {"Description", "dbTime"}},
        {"first element of a position wins", QStringLiteral("dbTime][a][1][135][True,ID][b][1][58][True,Type][c][2][1][False"),
         {"dbTime", "-Type"}},
        {"a position beyond the count is never added",
         QStringLiteral("dbTime][a][1][135][True,ID][b][3][58][True"), {"dbTime"}},
        {"unknown keys add nothing", QStringLiteral("dbTime][a][1][135][True,Bogus][b][2][58][True"), {"dbTime"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().profile.ColumnHeaders = c.headers;
        EXPECT_EQ(displayedKeys(), c.expected);
        EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(module().windows().unloadEvents());
    }
}

TEST_F(FEventsTest, LoadSetsCaptionsWidthsSortAndSwitches)
{
    GridControl &grid = *window().vGrid;
    EXPECT_EQ(grid.columnHeader(QStringLiteral("dbTime")), column(QStringLiteral("Select ResourceText From ResourceStrings Where ResourceID = 430")).value(0));
    EXPECT_EQ(grid.columnHeader(QStringLiteral("Description")), column(QStringLiteral("Select ResourceText From ResourceStrings Where ResourceID = 431")).value(0));
    EXPECT_EQ(grid.columnHeader(QStringLiteral("NotUsed")), QStringLiteral("NotUsed"));
    EXPECT_EQ(grid.columnWidth(QStringLiteral("Description")), 485);
    EXPECT_EQ(grid.columnWidth(QStringLiteral("NotUsed")), GridColumnSet::DefaultWidth);

    ASSERT_EQ(grid.sortKeys().size(), 1u);
    EXPECT_EQ(grid.sortKeys()[0].column, grid.columnIndex(QStringLiteral("dbTime")));
    EXPECT_EQ(int(grid.sortKeys()[0].order), 2);
    EXPECT_EQ(int(grid.sortKeys()[0].type), 200);
    EXPECT_EQ(grid.columnTag(QStringLiteral("dbTime")), QString());
    EXPECT_EQ(grid.tag(), QStringLiteral("-1"));
    EXPECT_TRUE(module().view.zk2Hardware);
    EXPECT_FALSE(module().view.showMilliseconds);
}

TEST_F(FEventsTest, TheMillisecondsSettingComesFromTheDatabase)
{
    struct Case {
        const char *value;
        bool expected;
        bool reported;
    };
    for (const Case &c : {Case{"True", true, false}, Case{"0", false, false}, Case{"-1", true, false},
                          Case{"maybe", false, true}}) {
        SCOPED_TRACE(c.value);
        db().execute(QStringLiteral("Update MiscProperties Set [Value] = '%1' Where [Name] = 'EV_ShowMS'").arg(QLatin1String(c.value)));
        const auto boxesBefore = desktop().boxes().size();
        module().typeRange.active = true;
        module().view.scrollSuspended = true;
        (void)window();
        EXPECT_EQ(module().view.showMilliseconds, c.expected);
        EXPECT_FALSE(module().typeRange.active);
        EXPECT_FALSE(module().view.scrollSuspended);
        EXPECT_EQ(desktop().boxes().size() - boxesBefore, c.reported ? 1u : 0u);
        ASSERT_TRUE(module().windows().unloadEvents());
    }
}

TEST_F(FEventsTest, RefreshTimerPaintsOnItsThirdTickAndStops)
{
    for (const int rows : {0, 3}) {
        SCOPED_TRACE(rows);
        FEvents &w = window();
        addRows(rows);
        w.vGrid->setRedraw(false);
        w.timerRefresh.start();
        const int paintsBefore = w.vGrid->repaintCount();

        w.timerRefresh_Timer();
        w.timerRefresh_Timer();
        EXPECT_TRUE(w.timerRefresh.isActive());
        EXPECT_FALSE(w.vGrid->redraw());
        EXPECT_EQ(w.vGrid->repaintCount(), paintsBefore) << "nothing is painted before the third tick";

        w.timerRefresh_Timer();
        EXPECT_FALSE(w.timerRefresh.isActive());
        EXPECT_EQ(w.refreshTicks(), 0);
        EXPECT_EQ(w.vGrid->redraw(), rows > 0) << "an empty grid is neither redrawn nor scrolled";
        EXPECT_EQ(w.vGrid->repaintCount() > paintsBefore, rows > 0);
        ASSERT_TRUE(module().windows().unloadEvents());
    }
}

TEST_F(FEventsTest, RefreshTimerRunsOnTheEventLoop)
{
    FEvents &w = window();
    addRows(2);
    w.vGrid->setRedraw(false);
    w.timerRefresh.start();
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(w.timerRefresh.isActive());
    EXPECT_TRUE(w.vGrid->redraw());
}

TEST_F(FEventsTest, UserSwitchTimerClearsTheGridOnItsFifthTick)
{
    FEvents &w = window();
    addRows(4);
    w.startUserSwitchTimer();
    for (int tick = 1; tick <= 4; ++tick) {
        w.tTemp_Timer();
        EXPECT_EQ(w.tTemp.interval(), 100);
        EXPECT_EQ(w.vGrid->rowCount(), 4) << "tick " << tick;
    }
    w.tTemp_Timer();
    EXPECT_EQ(w.vGrid->rowCount(), 0);
    EXPECT_EQ(w.vGrid->columnCount(), 7) << "clearing keeps the columns";
    EXPECT_FALSE(w.tTemp.isActive());
    EXPECT_EQ(w.switchTicks(), 0);
}

TEST_F(FEventsTest, KeysSelectAllAndDeactivationClearsTheSelection)
{
    FEvents &w = window();
    w.vGrid->setRedraw(false);
    w.Form_KeyUp(65, 2);
    EXPECT_TRUE(w.vGrid->redraw()) << "Ctrl+A on an empty grid only switches redraw on";

    addRows(3);
    w.Form_KeyUp(65, 0);
    EXPECT_EQ(w.vGrid->selectedRowCount(), 0) << "A without Ctrl does nothing";
    w.Form_KeyUp(65, 2);
    EXPECT_EQ(w.vGrid->selectedRowCount(), 3);

    w.Form_Deactivate();
    EXPECT_EQ(w.vGrid->selectedRowCount(), 0);
    EXPECT_TRUE(w.vGrid->redraw());
}

TEST_F(FEventsTest, UnloadWritesTheColumnLayoutOnlyWhileConnected)
{
    struct Case {
        const char *name;
        bool connected;
        bool restoreDefaults;
        QString headers;
        qint32 maxLines;
    };
    const Case cases[] = {
        {"connected", true, false, defaultHeaders.left(0), 250},
        {"restore defaults", true, true, QStringLiteral("Use Object Default"), 100},
        {"host gone", false, false, QStringLiteral("untouched"), 250},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        record().callbacks = QJsonArray();
        config().connected = c.connected;
        module().view.restoreDefaults = c.restoreDefaults;
        module().profile.MaxLines = 250;
        module().profile.MaxLinesSetting = 250;
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        (void)window();
        module().profile.ColumnHeaders = QStringLiteral("untouched");

        ASSERT_TRUE(module().windows().unloadEvents());

        const QString expected = c.headers.isEmpty() ? QStringLiteral(
                                                           "dbTime][%1][1][135][True,Description][%2][2][485][True,"
                                                           "Address][%3][3][130][True,Type][%4][4][134][True,ID][%5][5]"
                                                           "[58][True,dtTime][%6][6][139][False,NotUsed][NotUsed][7][%7][False")
                                                           .arg(module().GRS(430), module().GRS(431), module().GRS(433),
                                                                module().GRS(434), module().GRS(435), module().GRS(436))
                                                           .arg(GridColumnSet::DefaultWidth)
                                                     : c.headers;
        EXPECT_EQ(module().profile.ColumnHeaders, expected);
        EXPECT_EQ(module().profile.MaxLinesSetting, c.maxLines);
        ASSERT_EQ(record().callbacks.size(), 1);
        EXPECT_EQ(record().callbacks.at(0).toArray().at(2).toString(), QStringLiteral("UNLOAD"));
    }
}

TEST_F(FEventsTest, TheCloseGuardKeepsTheWindowOpen)
{
    (void)window();
    module().view.closeGuard = true;
    EXPECT_FALSE(module().windows().unloadEvents());
    EXPECT_TRUE(module().windows().isEventsLoaded());
    module().view.closeGuard = false;
    EXPECT_TRUE(module().windows().unloadEvents());
}

TEST_F(FEventsTest, ALoadFailureGoesToTheHost)
{
    auto host = std::make_shared<MemberTable>(); // knows LogError and nothing else
    QStringList labels;
    host->onCall(QStringLiteral("LogError"), [&](Args &args) {
        labels << CStr(args.at(2));
        return Variant();
    });
    module().host.NTConnection = host;
    (void)window();
    EXPECT_EQ(labels, QStringList{QStringLiteral("FEvents: Form_Load")});
    EXPECT_TRUE(desktop().boxes().empty()) << "the load handler does not box its failures";
}

} // namespace Ostraven::Testing
