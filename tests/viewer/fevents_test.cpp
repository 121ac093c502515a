#include "support/componentfixture.h"
#include "viewer/fevents.h"

#include <QJsonArray>

namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
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
    GridControl &grid() { return *window().vGrid; }
    void addRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int row = grid().addRow();
            grid().setCellDetails(row, QStringLiteral("Description"), QStringLiteral("row %1").arg(row));
        }
    }
};
struct HeaderCase { const char *name; QString headers; QStringList expected; };
class HeaderColumns : public FEventsTest, public ::testing::WithParamInterface<HeaderCase> {};
// Keys of the grid's columns in display order, hidden ones marked with a minus.
TEST_P(HeaderColumns, ComeFromTheHeaderStringByPosition)
{
    module().profile.ColumnHeaders = GetParam().headers;
    QStringList keys(grid().columnCount());
    for (int column = 1; column <= grid().columnCount(); ++column)
        keys[grid().columnPosition(column) - 1] = (grid().columnVisible(column) ? "" : "-") + grid().columnKey(column);
    EXPECT_EQ(keys, GetParam().expected);
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}
const QStringList defaultKeys{"dbTime", "Description", "Address", "Type", "ID", "-dtTime", "-NotUsed"};
INSTANTIATE_TEST_SUITE_P(FEvents, HeaderColumns, ::testing::Values(
    HeaderCase{"BuiltInSet", "Use Object Default", defaultKeys},
    HeaderCase{"WrittenOutDefault", defaultHeaders, defaultKeys},
    HeaderCase{"DescriptionFirst", "dbTime][x][2][135][True,Description][y][1][485][True", {"Description", "dbTime"}},
    HeaderCase{"FirstOfAPositionWins", "dbTime][a][1][135][True,ID][b][1][58][True,Type][c][2][1][False",
               {"dbTime", "-Type"}},
    HeaderCase{"PositionBeyondCountNeverAdded", "dbTime][a][1][135][True,ID][b][3][58][True", {"dbTime"}},
    HeaderCase{"UnknownKeysAddNothing", "dbTime][a][1][135][True,Bogus][b][2][58][True", {"dbTime"}}),
    [](const auto &row) { return std::string(row.param.name); });
TEST_F(FEventsTest, LoadSetsCaptionsWidthsSortAndSwitches)
{
    const QString resource = QStringLiteral("Select ResourceText From ResourceStrings Where ResourceID = %1");
    EXPECT_EQ(grid().columnHeader(QStringLiteral("dbTime")), column(resource.arg(430)).value(0));
    EXPECT_EQ(grid().columnHeader(QStringLiteral("Description")), column(resource.arg(431)).value(0));
    EXPECT_EQ(grid().columnHeader(QStringLiteral("NotUsed")), QStringLiteral("NotUsed"));
    EXPECT_EQ(grid().columnWidth(QStringLiteral("Description")), 485);
    EXPECT_EQ(grid().columnWidth(QStringLiteral("NotUsed")), GridColumnSet::DefaultWidth);
    ASSERT_EQ(grid().sortKeys().size(), 1u);
    const auto &sort = grid().sortKeys()[0];
    EXPECT_EQ(std::tuple(sort.column, int(sort.order), int(sort.type)),
              std::tuple(grid().columnIndex("dbTime"), 2, 200));
    EXPECT_EQ(grid().columnTag(QStringLiteral("dbTime")), QString());
    EXPECT_EQ(grid().tag(), QStringLiteral("-1"));
    EXPECT_TRUE(module().view.zk2Hardware);
    EXPECT_FALSE(module().view.showMilliseconds);
}
TEST_F(FEventsTest, TheMillisecondsSettingComesFromTheDatabase)
{
    const std::tuple<const char *, bool, bool> cases[] = { // stored value, milliseconds shown, reported
        {"True", true, false}, {"0", false, false}, {"-1", true, false}, {"maybe", false, true}};
    for (const auto &[value, shown, reported] : cases) {
        SCOPED_TRACE(value);
        db().execute(QStringLiteral("Update MiscProperties Set [Value] = '%1' Where [Name] = 'EV_ShowMS'").arg(value));
        const auto boxesBefore = desktop().boxes().size();
        module().typeRange.active = true;
        module().view.scrollSuspended = true;
        (void)window();
        EXPECT_EQ(module().view.showMilliseconds, shown);
        EXPECT_FALSE(module().typeRange.active);
        EXPECT_FALSE(module().view.scrollSuspended);
        EXPECT_EQ(desktop().boxes().size() - boxesBefore, reported ? 1u : 0u);
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
    const QString written = QStringLiteral("dbTime][%1][1][135][True,Description][%2][2][485][True,"
                                           "Address][%3][3][130][True,Type][%4][4][134][True,ID][%5][5][58][True,"
                                           "dtTime][%6][6][139][False,NotUsed][NotUsed][7][%7][False")
                                .arg(module().GRS(430), module().GRS(431), module().GRS(433), module().GRS(434),
                                     module().GRS(435), module().GRS(436)).arg(GridColumnSet::DefaultWidth);
    const std::tuple<bool, bool, QString, qint32> cases[] = { // connected, restore defaults, headers, lines setting
        {true, false, written, 250}, {true, true, "Use Object Default", 100}, {false, false, "untouched", 250}};
    for (const auto &[connected, restoreDefaults, headers, maxLines] : cases) {
        SCOPED_TRACE(headers.toStdString());
        record().callbacks = QJsonArray();
        config().connected = connected;
        module().view.restoreDefaults = restoreDefaults;
        module().profile.MaxLines = module().profile.MaxLinesSetting = 250;
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        (void)window();
        module().profile.ColumnHeaders = QStringLiteral("untouched");
        ASSERT_TRUE(module().windows().unloadEvents());
        EXPECT_EQ(module().profile.ColumnHeaders, headers);
        EXPECT_EQ(module().profile.MaxLinesSetting, maxLines);
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
    host->onCall(QStringLiteral("LogError"), [&](Args &args) { labels << CStr(args.at(2)); return Variant(); });
    module().host.NTConnection = host;
    (void)window();
    EXPECT_EQ(labels, QStringList{QStringLiteral("FEvents: Form_Load")});
    EXPECT_TRUE(desktop().boxes().empty()) << "the load handler does not box its failures";
}
} // namespace
} // namespace Ostraven::Testing
