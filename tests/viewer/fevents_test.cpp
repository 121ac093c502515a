#include "viewer/viewerfixture.h"
#include "viewer/archiveloader.h"
#include "component/eventintake.h"
#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>

#include <functional>
#include <limits>

namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }

// The built-in layout written out, as the viewer saves it: captions from the resources, the default width 64.
const QString defaultHeaders = QStringLiteral(
    "dbTime][Host Time][1][135][True,Description][Description][2][485][True,Address][Address][3][130][True,"
    "Type][Event Type][4][134][True,ID][Event ID][5][58][True,dtTime][Controller Time][6][139][False,"
    "NotUsed][NotUsed][7][64][False");

class FEventsTest : public ViewerTest
{
protected:
    void addRows(int count)
    {
        for (int i = 0; i < count; ++i)
            grid().setCellDetails(grid().addRow(), QStringLiteral("Description"), QStringLiteral("row %1").arg(i));
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
    expectNoBoxes();
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

// The operator drags the section to the pixels that show the width in the grid's font.
void resizeSection(GridControl &grid, const char *key, int width)
{
    grid.header()->resizeSection(grid.columnIndex(QLatin1String(key)) - 1, grid.widthUnit().toPixels(width));
}

void moveSection(GridControl &grid, const char *key, int toPosition)
{
    grid.header()->moveSection(grid.header()->visualIndex(grid.columnIndex(QLatin1String(key)) - 1), toPosition - 1);
}

// What the operator does to the header, the "[position][width]" pairs of the built-in layout it changes,
// and the column the last layout change names.
struct LayoutCase {
    const char *name;
    std::function<void(GridControl &)> operate;
    std::vector<std::pair<const char *, const char *>> changes;
    const char *changedKey;
};
class OperatorLayout : public FEventsTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(OperatorLayout, ReachesTheSavedColumnHeaders)
{
    int changedColumn = 0;
    QObject::connect(&grid(), &GridControl::columnLayoutChanged, [&](int column) { changedColumn = column; });
    GetParam().operate(grid());
    QString expected = defaultHeaders;
    for (const auto &[from, to] : GetParam().changes)
        expected.replace(QLatin1String(from), QLatin1String(to));
    EXPECT_EQ(window().columnHeaderString(), expected);
    EXPECT_EQ(changedColumn, grid().columnIndex(GetParam().changedKey));
}

INSTANTIATE_TEST_SUITE_P(FEvents, OperatorLayout, ::testing::Values(
    LayoutCase{"WiderDescription", [](GridControl &g) { resizeSection(g, "Description", 300); },
               {{"[2][485]", "[2][300]"}}, "Description"},
    LayoutCase{"NarrowerAddress", [](GridControl &g) { resizeSection(g, "Address", 77); }, {{"[3][130]", "[3][77]"}}, "Address"},
    LayoutCase{"AddressDraggedToTheFront", [](GridControl &g) { moveSection(g, "Address", 1); },
               {{"[1][135]", "[2][135]"}, {"[2][485]", "[3][485]"}, {"[3][130]", "[1][130]"}}, "Address"},
    LayoutCase{"MovedThenResized", [](GridControl &g) { moveSection(g, "dbTime", 3); resizeSection(g, "dbTime", 150); },
               {{"[1][135]", "[3][150]"}, {"[2][485]", "[1][485]"}, {"[3][130]", "[2][130]"}}, "dbTime"}),
    [](const auto &row) { return std::string(row.param.name); });

// Each load reads the milliseconds setting and the captions from the database, sorts by host time and
// clears the type filter and a suspension.
TEST_F(FEventsTest, LoadReadsTheSettingsCaptionsAndSort)
{
    db().execute("Update ResourceStrings Set ResourceText = 'Zeit' Where ResourceID = 430");
    const std::tuple<const char *, bool, bool> cases[] = { // stored value, milliseconds shown, reported
        {"True", true, false}, {"0", false, false}, {"-1", true, false}, {"maybe", false, true}};
    for (const auto &[value, shown, reported] : cases) {
        SCOPED_TRACE(value);
        db().execute(QStringLiteral("Update MiscProperties Set [Value] = '%1' Where [Name] = 'EV_ShowMS'").arg(value));
        const auto boxesBefore = desktop().boxes().size();
        module().typeRange.active = module().view.scrollSuspended = true;
        EXPECT_EQ(grid().columnHeader(QStringLiteral("dbTime")), QStringLiteral("Zeit"));
        EXPECT_EQ(std::tuple(module().view.showMilliseconds, module().typeRange.active, module().view.scrollSuspended),
                  std::tuple(shown, false, false));
        EXPECT_EQ(desktop().boxes().size() - boxesBefore, reported ? 1u : 0u);
        ASSERT_EQ(grid().sortKeys().size(), reported ? 0u : 1u) << "a failed load stops before the sort";
        for (const auto &sort : grid().sortKeys())
            EXPECT_EQ(std::tuple(sort.column, int(sort.order), int(sort.type), grid().columnTag(QStringLiteral("dbTime")), grid().tag()),
                      std::tuple(grid().columnIndex("dbTime"), 2, 200, QString(), QStringLiteral("-1")));
        EXPECT_TRUE(module().view.zk2Hardware);
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
        // Nothing is painted before the third tick; an empty grid is neither redrawn nor scrolled.
        EXPECT_EQ(std::tuple(w.timerRefresh.isActive(), w.vGrid->redraw(), w.vGrid->repaintCount()), std::tuple(true, false, paintsBefore));
        w.timerRefresh_Timer();
        EXPECT_EQ(std::tuple(w.timerRefresh.isActive(), w.refreshTicks(), w.vGrid->redraw(), w.vGrid->repaintCount() > paintsBefore),
                  std::tuple(false, 0, rows > 0, rows > 0));
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
        EXPECT_EQ(std::pair(w.tTemp.interval(), w.vGrid->rowCount()), std::pair(100, 4)) << "tick " << tick;
    }
    w.tTemp_Timer();
    EXPECT_EQ(std::pair(w.vGrid->rowCount(), w.vGrid->columnCount()), std::pair(0, 7)) << "clearing keeps the columns";
    EXPECT_EQ(std::pair(w.tTemp.isActive(), w.switchTicks()), std::pair(false, 0));
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
    EXPECT_EQ(std::pair(w.vGrid->selectedRowCount(), w.vGrid->redraw()), std::pair(0, true));
}

TEST_F(FEventsTest, UnloadWritesTheColumnLayoutOnlyWhileConnected)
{
    const std::tuple<bool, bool, QString, qint32> cases[] = { // connected, restore defaults, headers, lines setting
        {true, false, defaultHeaders, 250}, {true, true, "Use Object Default", 100}, {false, false, "untouched", 250}};
    for (const auto &[connected, restoreDefaults, headers, maxLines] : cases) {
        SCOPED_TRACE(headers.toStdString());
        config().connected = connected;
        module().view.restoreDefaults = restoreDefaults;
        module().profile.MaxLines = module().profile.MaxLinesSetting = 250;
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        (void)window();
        module().profile.ColumnHeaders = QStringLiteral("untouched");
        ASSERT_TRUE(module().windows().unloadEvents());
        EXPECT_EQ(std::pair(module().profile.ColumnHeaders, module().profile.MaxLinesSetting), std::pair(headers, maxLines));
    }
}

// The built-in widths, shown in the default font, hold whole the captions and the widest texts the
// viewer writes under them: a date with the widest hour (and with milliseconds), every category name.
TEST_F(FEventsTest, BuiltInWidthsShowTheirTextsWhole)
{
    const Date widest = Date::fromParts(2026, 12, 31, 10, 59, 59);
    std::vector<std::pair<QString, QString>> cells{{"dbTime", widest.toString()}, {"dbTime", FEvents::FormatDateMS(widest)},
                                                   {"Address", R"(\\ZEKO01.1.DR01)"}, {"ID", "999999"}};
    for (qint32 type = 0; type < 100; ++type) {
        if (const QString category = cGenericEvent::GetEventDescription(type); !category.isEmpty())
            cells.emplace_back("Type", category);
    }
    QHeaderView &header = *grid().header();
    const int cellMargin = grid().style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid()) + 1;
    const int headerMargin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    const auto room = [&](const QString &key) { return header.sectionSize(grid().columnIndex(key) - 1); };
    for (const auto &[key, text] : cells)
        EXPECT_LE(grid().fontMetrics().horizontalAdvance(text) + 2 * cellMargin, room(key)) << key.toStdString() << ": " << text.toStdString();
    for (int column = 1; column <= grid().columnCount(); ++column) {
        if (!grid().columnVisible(column))
            continue;
        const QString caption = grid().columnHeader(column);
        EXPECT_LE(header.fontMetrics().horizontalAdvance(caption) + 2 * headerMargin, room(grid().columnKey(column)))
            << caption.toStdString();
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

// Rows as the intake and the archive replay insert them.
const ColourSlots defaultSlots{0, 16777215, 6250335, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703, 16730712};
class RowInsertionTest : public ViewerTest
{
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        module().profile.colourSlots = defaultSlots;
        module().filter.CanViewAllEvents = true;
        module().messageBuffer().SetBufferSize(100);
    }
    qint64 colour(const char *key) { return grid().cell(1, QString::fromLatin1(key)).foreColour; }
    void push(qint32 number, qint32 type, const QString &text = QStringLiteral("Something happened,"),
              const Date *host = nullptr)
    {
        EventIntake(module()).AddNewEvent({.eventNumber = number, .address = QStringLiteral("\\\\SRV1.1.2.IN05"),
                                           .hostDate = host ? *host : Date::fromParts(2026, 12, 5, 10, 0, 0),
                                           .controllerDate = Date::fromParts(2026, 12, 5, 9, 59, 58), .typeCode = type,
                                           .messageText = text});
    }
    void pushMany(int from, int to, const char *text = "event %1,")
    {
        for (int i = from; i <= to; ++i)
            push(4001, 1, QString::fromLatin1(text).arg(i));
    }
};
struct IntakeCase { const char *name; qint32 number, type; QString text, description, controllerTime; qint64 colour; };
class Intake : public RowInsertionTest, public ::testing::WithParamInterface<IntakeCase> {};
TEST_P(Intake, FillsTheRowAsTheHostSentIt)
{
    const IntakeCase &c = GetParam();
    push(c.number, c.type, c.text);
    EXPECT_EQ(QStringList({cell(1, "Description"), cell(1, "dtTime"), cell(1, "dbTime")}),
              QStringList({c.description, c.controllerTime, "12/5/2026 10:00:00 AM"}));
    EXPECT_EQ(colour("Description"), c.colour);
    expectNoBoxes();
}

const QString beforeTen = QStringLiteral("12/5/2026 9:59:58 AM");
INSTANTIATE_TEST_SUITE_P(RowInsertion, Intake, ::testing::Values(
    IntakeCase{"AlarmBandStart", 5000, 1, "Door forced,x", "Door forced", beforeTen, 255},
    IntakeCase{"AlarmBandEnd", 5999, 1, "Held,", "Held", beforeTen, 255},
    IntakeCase{"BelowTheBand", 4999, 1, "Input,", "Input", beforeTen, 65280},
    IntakeCase{"AboveTheBand", 6000, 6, "Changed,", "Changed", {}, 33023},
    IntakeCase{"SoftwareHasNoControllerTime", 1001, 6, "Logged in,", "Logged in", {}, 65535}),
    [](const auto &row) { return std::string(row.param.name); });
// The number cell is written digit by digit into the row: every sign and width reads as the number.
struct NumberCase { const char *name; qint32 number; };
class NumberCell : public RowInsertionTest, public ::testing::WithParamInterface<NumberCase> {};
TEST_P(NumberCell, ShowsTheEventNumberAsText)
{
    push(GetParam().number, 1, QStringLiteral("Input,"));
    EXPECT_EQ(cell(1, "ID"), QString::number(GetParam().number));
}
INSTANTIATE_TEST_SUITE_P(RowInsertion, NumberCell, ::testing::Values(
    NumberCase{"Zero", 0}, NumberCase{"OneDigit", 7}, NumberCase{"Negative", -42},
    NumberCase{"Largest", std::numeric_limits<qint32>::max()}, NumberCase{"Smallest", std::numeric_limits<qint32>::min()}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(RowInsertionTest, ARecordWithoutACommaIsReportedAndDropped)
{
    push(4001, 1, QStringLiteral("no comma here"));
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_EQ(reportedLabels(desktop()), Labels{"Event.AddNewEvent"});
}

TEST_F(RowInsertionTest, TransactionCredentialsAreReadFromPositionsSixAndSeven)
{
    const std::tuple<QString, qint32, qint32, int> cases[] = { // text, credential 1 and 2, reports
        {"Granted,a,b,c,d,e, 1007abc,2.5", 1007, 2, 0}, {"Granted,a,b,c,d,e,3.5,x", 4, 0, 0}, {"Granted,a,b", 0, 0, 2},
        {"Granted,a,b,c,d,e,0042,123456789", 42, 123456789, 0}};
    for (const auto &[text, cred1, cred2, reports] : cases) {
        SCOPED_TRACE(text.toStdString());
        desktop().clearRecords();
        module().view.scrollSuspended = true; // park the record so the test can read it back
        push(2001, 3, text);
        module().view.scrollSuspended = false;
        ASSERT_EQ(module().messageBuffer().Count(), 1);
        const auto parked = module().messageBuffer().Message();
        EXPECT_EQ(std::pair(parked->CredID1(), parked->CredID2()), std::pair(cred1, cred2));
        EXPECT_EQ(int(desktop().boxes().size()), reports);
    }
}

TEST_F(RowInsertionTest, SecondFamilySoftwareIsKeptAsType55)
{
    auto message = std::make_shared<MemberTable>();
    for (const auto &[name, value] : {std::pair<const char *, Variant>{"EventID", qint32(80500)}, {"EventType", qint32(25)},
             {"SubType", qint32(7000)}, {"ControllerDate", Date::fromParts(2026, 12, 5, 9, 0, 0)}, {"IsAlarm", false},
             {"HostDate", Date::fromParts(2026, 12, 5, 9, 0, 1)}, {"Description", "Panel restarted"}, {"Address", "\\\\ZEKO01.2.3"}})
        message->onGet(QLatin1String(name), [value](Args &) { return value; });
    EventIntake(module()).AddZK2Message(message);
    EXPECT_EQ(std::pair(cell(1, "Type"), colour("Type")), std::pair(QStringLiteral("Software"), qint64(defaultSlots[9])));
    module().typeRange = {true, 0, 0};
    for (const int index : {1, 2, 6}) {
        module().profile.TypeFilter = index;
        EventIntake(module()).AddZK2Message(message);
    }
    EXPECT_EQ(grid().rowCount(), 2) << "sub-type 7000 passes only the software filter";
}

TEST_F(RowInsertionTest, SuspendedEventsAppearBeforeTheNextOneInArrivalOrder)
{
    module().profile.DisplayEventsAtTop = false;
    module().view.scrollSuspended = true;
    for (const char *text : {"first,", "second,", "third,"})
        push(4001, 1, QString::fromLatin1(text));
    EXPECT_EQ(std::pair(grid().rowCount(), module().bufferCount()), std::pair(0, 3));
    module().view.scrollSuspended = false;
    push(4001, 1, QStringLiteral("fourth,"));
    EXPECT_EQ(cells("Description"), QStringList({"first", "second", "third", "fourth"}));
    EXPECT_EQ(module().bufferCount(), 0);
}

TEST_F(RowInsertionTest, TheGridNeverHoldsMoreThanTheLineLimit)
{
    for (const bool atTop : {false, true}) {
        SCOPED_TRACE(atTop);
        module().profile.DisplayEventsAtTop = atTop;
        module().profile.MaxLines = 100;
        pushMany(1, 150);
        ASSERT_EQ(grid().rowCount(), 100);
        EXPECT_EQ(cell(atTop ? 1 : 100, "Description"), QStringLiteral("event 150"));
        EXPECT_EQ(cell(atTop ? 100 : 1, "Description"), QStringLiteral("event 51")) << "the oldest event leaves";
        module().profile.MaxLines = 10;
        push(4001, 1, QStringLiteral("after lowering,"));
        EXPECT_EQ(grid().rowCount(), 100) << "one row leaves per insertion";
        grid().clear();
    }
}

TEST_F(RowInsertionTest, TextLinesGoThroughTheTypeFilterAndTakeTheirClassColour)
{
    (void)window(); // loading the window clears the type filter
    module().typeRange = {true, 2000, 3900};
    module().profile.TypeFilter = 2;
    const std::pair<const char *, QString> cases[] = { // line after the two dates, type shown (empty: filtered out)
        {"\\\\SRV1.1.1.RD01,2500,KORA*GATE Transaction,Granted,5,0", "KORA*GATE Transaction"},
        {"\\\\SRV1.1.1.RD01,3901,KORA*GATE Transaction,Granted,5,0", {}},
        {"\\\\ZEKO01.1.2,85000,ZekoSeries Misc,Input,0,0", {}},
        {"\\\\ZEKO01.1.2,85000,PELA*Bus Internal,Input,0,0", "PELA*Bus Internal"},
        {"\\\\ZEKO01.1.2,85001,ZekoSeries Transaction,Granted,0,0", "ZekoSeries Transaction"},
    };
    for (const auto &[line, type] : cases) {
        SCOPED_TRACE(line);
        const int before = grid().rowCount();
        const QString dated = QStringLiteral("1/2/2008,1/2/2008 10:00:00 AM,") + QLatin1String(line);
        EXPECT_EQ(window().AddEvent(dated), !type.isEmpty());
        EXPECT_EQ(grid().rowCount() - before == 1 ? cell(1, "Type") : QString(), type); // filtered out: no row
    }
    module().typeRange.active = false;
    EXPECT_TRUE(window().AddEvent(QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1,6001,ZEKO Programming,Edited,0,0")));
    EXPECT_EQ(QStringList({cell(1, "Type"), cell(1, "dtTime"), cell(1, "dbTime")}),
              QStringList({"Software", "1/2/2008 00:00:00", "1/2/2008 00:00:00"}));
    EXPECT_EQ(colour("Type"), defaultSlots[8]);
    EXPECT_FALSE(window().AddEvent(QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1")));
    EXPECT_EQ(reportedLabels(desktop()), Labels{"FEvents.AddEvent"});
}

TEST_F(RowInsertionTest, HostTimesWithAndWithoutMilliseconds)
{
    const Date noon = Date::fromParts(2026, 12, 5, 12, 0, 5);
    // Milliseconds shown, host time, cell; midnight is padded.
    const std::tuple<bool, Date, QString> cases[] = {{false, Date::nullDate(), QString()},
        {true, Date::nullDate(), "1800-01-01 00:00:00.000"}, {true, noon.addMilliseconds(400), "2026-12-05 12:00:05.400"},
        {true, noon.addMilliseconds(600), "2026-12-05 12:00:05.600"}, {false, Date::fromParts(2008, 1, 2), "1/2/2008 00:00:00"}};
    for (const auto &[showMs, host, expected] : cases) {
        module().view.showMilliseconds = showMs;
        push(4001, 1, QStringLiteral("Something happened,"), &host);
        EXPECT_EQ(cell(1, "dbTime"), expected);
    }
}

TEST_F(RowInsertionTest, ABurstIsPaintedOnce)
{
    window().resize(800, 400);
    window().show();
    QCoreApplication::processEvents();
    const int paintsBefore = grid().paintCount();
    pushMany(0, 999, "burst %1,");
    QCoreApplication::processEvents();
    EXPECT_EQ(grid().paintCount(), paintsBefore) << "nothing is painted while the burst arrives";
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(grid().paintCount() - paintsBefore, 1);
    EXPECT_FALSE(window().timerRefresh.isActive()) << "the refresh timer ran on the event loop and stopped";
}

TEST_F(RowInsertionTest, ColumnsLeftOutOfTheLayoutAreSimplyNotFilled)
{
    module().profile.ColumnHeaders = QStringLiteral("Description][Description][1][400][True,ID][Event ID][2][58][True");
    module().profile.MaxLines = 2;
    pushMany(1, 3);
    EXPECT_EQ(cells("Description"), QStringList({"event 3", "event 2"}));
    EXPECT_EQ(cell(2, "ID"), QStringLiteral("4001"));
    expectNoBoxes();
}

// The archive replayed into the grid.
// The demo archive ends on 27 November 2026 at 18:30, so inserted rows (all "Probe...") are read first.
const QString probesOnly = QStringLiteral("Where Description like N'Probe%'");
const QString alarms = QStringLiteral("Where Type like N'%Alarm%'");
struct ArchiveRow {
    qint32 id = 2000;
    QString address = "\\\\SRV1.1.1.RD01", type = "KORA*GATE Transaction", controllerTime = "2026-12-01 09:15:29",
            hostTime = "2026-12-01 09:15:30.250", description = "Probe";
    qint32 uid1 = 0;
};
class ArchiveLoaderTest : public ViewerTest
{
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        module().filter.CanViewAllEvents = true;
    }
    // Loads the window first, so the trace and the cursor history hold only what the load did; the caller
    // sees the condition the load joined in `joined`.
    QString joined;
    bool load(QString condition = {}, bool viaF5 = false)
    {
        (void)window();
        (void)takeTrace();
        desktop().clearRecords();
        const bool loaded = viaF5 ? (window().Form_KeyUp(116, 0), true) : ArchiveLoader(module()).LoadArchivedEvents(condition);
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
    // Replays the probes on each server named and checks whether routing was on and what it let through.
    void expectRouted(const std::vector<std::tuple<const char *, bool, QStringList>> &cases)
    {
        for (const auto &[server, routing, shown] : cases) {
            SCOPED_TRACE(server);
            config().serverName = QString::fromUtf8(server);
            EXPECT_TRUE(load(probesOnly));
            EXPECT_EQ(std::pair(module().filter.RoutingEnabled, cells("Description")), std::pair(routing, shown));
            expectNoBoxes();
        }
    }
};

TEST_F(ArchiveLoaderTest, StatementsCarryTopOnlyWithoutAnyCondition)
{
    const QString group = QStringLiteral(" Where (Address LIKE '\\\\SRV1.1.1%')");
    const QString select = QStringLiteral("Select DISTINCT %1 * from [VIEW_EventLog_AllEvents] %2 order by [dbDate] desc");
    const QString both = QStringLiteral("Where Type like N'%Alarm%' AND (Address LIKE '\\\\SRV1.1.1%')");
    module().filter.FilterInclusive = true;
    module().filter.FilterClause = group;
    module().filter.FilterStrings = QStringList{QStringLiteral("\\\\SRV1.1.1")};
    module().profile.MaxLines = 100;
    // Condition, group active, archive statement, condition after the load.
    const std::tuple<QString, bool, QString, QString> cases[] = {{{}, false, select.arg(QStringLiteral("Top 100"), QString()), {}},
        {alarms, false, select.arg(QString(), alarms), alarms}, {{}, true, select.arg(QString(), group), group},
        {alarms, true, select.arg(QString(), both), both}};
    for (const auto &[before, groupActive, statement, after] : cases) {
        SCOPED_TRACE(statement.toStdString());
        module().filter.FilterActive = groupActive;
        EXPECT_TRUE(load(before));
        EXPECT_EQ(takeTrace().mid(0, 2), QStringList({"EXEC RegistryRead 'SRV1','PaxServer','EnableRouting'", statement}));
        EXPECT_EQ(joined, after) << "the caller sees the joined condition";
    }
}

// F5 replays the archive over whatever the grid holds.
TEST_F(ArchiveLoaderTest, ReplayFillsTheGridNewestFirstAndPaintsOnce)
{
    routingOff();
    const std::tuple<bool, qint32, bool> cases[] = {{true, 50, false}, {false, 50, false}, {true, 1000, false}, {true, 20, true}};
    for (const auto &[atTop, maxLines, viaF5] : cases) {
        SCOPED_TRACE(testing::Message() << atTop << ' ' << maxLines << ' ' << viaF5);
        module().profile.DisplayEventsAtTop = atTop;
        module().profile.MaxLines = maxLines;
        const int repaintsBefore = grid().repaintCount();
        EXPECT_TRUE(load({}, viaF5));
        EXPECT_EQ(std::pair(grid().redraw(), module().view.LoadingArchive), std::pair(true, false));
        EXPECT_EQ(grid().repaintCount() - repaintsBefore, 2) << "the emptied grid, then the whole replay once";
        EXPECT_EQ(desktop().cursorHistory(), QStringList({"busy", "default"}));
        EXPECT_EQ(cells("ID"), column(QStringLiteral("SELECT ID FROM VIEW_EventLog_AllEvents ORDER BY dbDate DESC LIMIT %1").arg(maxLines)));
    }
}

// Commas in the description become semicolons; a controller time in 1800 is none; a second-family category
// is renamed, a first-family one kept.
TEST_F(ArchiveLoaderTest, ArchiveColumnsBecomeTheRowsCells)
{
    routingOff();
    module().profile.MaxLines = 1;
    const QString card = "Probe Granted: Smith, Jordan (Card 40117), Main In", shownCard = "Probe Granted: Smith; Jordan (Card 40117); Main In";
    const QString t29 = "12/1/2026 9:15:29 AM", t30 = "12/1/2026 9:15:30 AM", reader = "\\\\SRV1.1.1.RD01", panel = "Probe Panel";
    const QString internal = "KORA*GATE Internal", transaction = "KORA*GATE Transaction", logOn = "Probe Logged On";
    const std::pair<ArchiveRow, QStringList> cases[] = {
        {{.description = card, .uid1 = 1001}, {t29, t30, reader, "2000", transaction, shownCard}},
        {{.id = 1001, .address = "\\\\SRV1", .type = "Software", .controllerTime = "1800-01-01 00:00:00", .description = logOn},
         {QString(), t30, "\\\\SRV1", "1001", "Software", logOn}},
        {{.controllerTime = "2026-12-02 00:00:00", .hostTime = "2026-12-02 00:00:01.900", .description = card},
         {"12/2/2026 00:00:00", "12/2/2026 12:00:01 AM", reader, "2000", transaction, shownCard}},
        {{.id = 80301, .address = "\\\\ZEKO01", .type = internal, .description = panel},
         {t29, t30, "\\\\ZEKO01", "80301", "PELA*Bus Internal", panel}},
        {{.id = 9001, .address = "\\\\SRV1.1.1", .type = internal, .description = panel}, {t29, t30, "\\\\SRV1.1.1", "9001", internal, panel}},
    };
    for (const auto &[input, shown] : cases) {
        SCOPED_TRACE(input.description.toStdString());
        db().execute(QStringLiteral("DELETE FROM Log_Events WHERE Description LIKE 'Probe%'"));
        insert(input);
        EXPECT_TRUE(load());
        EXPECT_EQ(QStringList({cell(1, "dtTime"), cell(1, "dbTime"), cell(1, "Address"), cell(1, "ID"), cell(1, "Type"),
                               cell(1, "Description")}), shown);
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
    // Hardware, condition, line limit, IDs shown; in the last row the skipped newer row does not count.
    const std::tuple<bool, QString, qint32, QStringList> cases[] = {{true, {}, 2, {"80200", "2000"}}, {false, {}, 2, {"2000"}},
        {true, probesOnly, 10, {"80200", "2000", "80001"}}, {false, probesOnly, 1, {"2000"}}};
    for (const auto &[hardware, condition, maxLines, ids] : cases) {
        SCOPED_TRACE(testing::Message() << hardware << ' ' << maxLines);
        module().view.zk2Hardware = hardware;
        module().profile.MaxLines = maxLines;
        EXPECT_TRUE(load(condition));
        EXPECT_EQ(cells("ID"), ids);
    }
}

// With a condition the line limit counts the rows added, not the rows read: refused rows are read on,
// and a limit of 0 still replays one row. With routing on, each replayed row asks the routing procedure.
TEST_F(ArchiveLoaderTest, LineLimitCountsAddedRows)
{
    const qint32 alarmRows = column("SELECT COUNT(*) FROM VIEW_EventLog_AllEvents WHERE Type LIKE '%Alarm%'").value(0).toInt();
    ASSERT_GT(alarmRows, 3);
    // Condition, line limit, may view all events, rows replayed, rows shown.
    const std::tuple<QString, qint32, bool, qsizetype, int> cases[] = {{{}, 0, true, 0, 0}, {alarms, 0, true, 1, 0},
        {alarms, 0, false, 1, 0}, {alarms, 3, true, 3, 3}, {alarms, 3, false, alarmRows, 0}};
    for (const auto &[condition, maxLines, viewAll, replays, rowsShown] : cases) {
        SCOPED_TRACE(testing::Message() << condition.toStdString() << ' ' << maxLines << ' ' << viewAll);
        module().profile.MaxLines = maxLines;
        module().filter.CanViewAllEvents = viewAll;
        EXPECT_TRUE(load(condition));
        EXPECT_EQ(takeTrace().filter(QRegularExpression("^EXEC rp_Role_Routing_DeniedCount ")).size(), replays);
        EXPECT_EQ(grid().rowCount(), rowsShown);
        for (const QString &type : cells("Type"))
            EXPECT_TRUE(type.contains(QStringLiteral("Alarm"))) << qPrintable(type);
    }
}

// A quote in an archived address or in the server's name is part of the value: routing still denies
// the server room, and the server's own registry row is still the one read.
TEST_F(ArchiveLoaderTest, RoutingSkipsDeniedAndOutOfZoneRows)
{
    // The guard desk operator: no server room, no software events, no executive card holders (credential
    // 1007), and events only in the guard shifts (weekdays 07:00 to 23:59, all weekend).
    config().user = 102;
    config().workstation = 2;
    // Newest first; 1 December 2026 is a Tuesday, the 5th a Saturday. The test's own inserts splice their
    // texts as they stand, hence the doubled quotes.
    const std::tuple<const char *, qint32, const char *, qint32, const char *> probes[] = {
        {"Probe weekend night", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-05 03:00:00"},
        {"Probe security card", 2000, "\\\\SRV1.1.1.RD01", 1001, "2026-12-01 10:04:00"},
        {"Probe executive card", 2000, "\\\\SRV1.1.1.RD01", 1007, "2026-12-01 10:03:00"},
        {"Probe software", 1001, "\\\\SRV1", 0, "2026-12-01 10:02:00"},
        {"Probe server room", 4000, "\\\\SRV1.1.3.IN02", 0, "2026-12-01 10:01:00"},
        {"Probe shown", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-01 10:00:00"},
        {"Probe quoted server room", 4000, "\\\\SRV1.1.3.IN0''2", 0, "2026-12-01 09:59:00"},
        {"Probe quoted lobby", 4000, "\\\\SRV1.1.1.IN0''1", 0, "2026-12-01 09:58:00"},
        {"Probe weekday night", 4000, "\\\\SRV1.1.1.IN01", 0, "2026-12-01 03:00:00"},
    };
    QStringList all;
    for (const auto &[name, id, address, uid1, time] : probes) {
        insert({.id = id, .address = address, .type = "KORA*GATE External", .controllerTime = time,
                .hostTime = QString::fromLatin1(time) + QStringLiteral(".000"), .description = name, .uid1 = uid1});
        all << QLatin1String(name);
    }
    const QStringList routed = {"Probe weekend night", "Probe security card", "Probe shown", "Probe quoted lobby"};
    db().execute(QStringLiteral("INSERT INTO Registry VALUES ('O''Brien-PC', 'PaxServer', 'EnableRouting', 'True')"));
    expectRouted({{"SRV1", true, routed}, {"SRV9", false, all}, {"O'Brien-PC", true, routed}});
    // The server's own registry row is read after the site-wide one and decides.
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'True' WHERE ServerName = '*'"));
    db().execute(QStringLiteral("UPDATE Registry SET [Value] = 'False' WHERE ServerName = 'SRV1'"));
    expectRouted({{"SRV1", false, all}, {"SRV1' --", true, routed}});
}

TEST_F(ArchiveLoaderTest, FailuresGoThroughTheirOwnRoutes)
{
    routingOff();
    module().profile.MaxLines = 5;
    ASSERT_TRUE(load());
    const QStringList before = cells("Description");
    // A malformed group clause fails the archive statement: the host logs it and the grid stays.
    module().filter.FilterActive = true;
    module().filter.FilterClause = QStringLiteral(" Where ((Address LIKE 'x%') OR  OR (Address LIKE 'y%'))");
    EXPECT_FALSE(load());
    ASSERT_EQ(record().logErrors.size(), 1);
    EXPECT_EQ(record().logErrors.at(0).toObject().value("label").toString(), "Event Viewer: LoadArchivedEvents");
    expectNoBoxes();
    EXPECT_EQ(cells("Description"), before);
    EXPECT_EQ(std::pair(module().view.closeGuard, module().filter.FilterActive), std::pair(false, true));
    // An unreadable row is reported to the operator; the rows before it stay and the closing steps run.
    module().filter.FilterActive = false;
    insert({.hostTime = "2026-12-01 09:15:31.000", .description = "Probe readable"});
    insert({.controllerTime = "not a date", .description = "Probe unreadable"});
    EXPECT_FALSE(load());
    EXPECT_EQ(reportedLabels(desktop()), Labels{"MPublic.FillWithArchive"});
    EXPECT_EQ(record().logErrors.size(), 1) << "nothing more for the host";
    EXPECT_EQ(cells("Description"), QStringList{"Probe readable"});
    EXPECT_EQ(std::tuple(module().view.LoadingArchive, module().view.closeGuard, grid().redraw(), desktop().cursor()),
              std::tuple(false, false, true, QStringLiteral("default")));
}
} // namespace
} // namespace Ostraven::Testing
