#include "support/componentfixture.h"
#include "component/eventintake.h"
#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"
#include "viewer/fevents.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
const ColourSlots defaultSlots{0,     16777215, 6250335, 255,      65280,   16776960,
                               16777215, 32896, 33023,   65535, 16744703, 16730712};
class RowInsertionTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        module().profile.colourSlots = defaultSlots;
        module().filter.CanViewAllEvents = true;
        module().messageBuffer().SetBufferSize(100);
    }
    FEvents &window() { return module().windows().events(); }
    GridControl &grid() { return *window().vGrid; }
    QString cell(int row, const char *key) { return grid().cellText(row, QString::fromLatin1(key)); }
    qint64 colour(const char *key) { return grid().cell(1, QString::fromLatin1(key)).foreColour; }
    void expectNoBoxes() { EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString(); }
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
    EXPECT_EQ(cell(1, "Description"), c.description);
    EXPECT_EQ(cell(1, "dtTime"), c.controllerTime);
    EXPECT_EQ(cell(1, "dbTime"), QStringLiteral("12/5/2026 10:00:00 AM"));
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
TEST_F(RowInsertionTest, ARecordWithoutACommaIsReportedAndDropped)
{
    push(4001, 1, QStringLiteral("no comma here"));
    EXPECT_EQ(grid().rowCount(), 0);
    ASSERT_EQ(boxTexts().size(), 1);
    EXPECT_TRUE(boxTexts().first().contains(QStringLiteral("Event.AddNewEvent")));
}
TEST_F(RowInsertionTest, TransactionCredentialsAreReadFromPositionsSixAndSeven)
{
    const std::tuple<QString, qint32, qint32, int> cases[] = { // text, credential 1 and 2, reports
        {"Granted,a,b,c,d,e, 1007abc,2.5", 1007, 2, 0}, {"Granted,a,b,c,d,e,3.5,x", 4, 0, 0}, {"Granted,a,b", 0, 0, 2}};
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
    for (const auto &[name, value] :
         {std::pair<const char *, Variant>{"EventID", qint32(80500)}, {"EventType", qint32(25)},
          {"SubType", qint32(7000)}, {"ControllerDate", Date::fromParts(2026, 12, 5, 9, 0, 0)},
          {"HostDate", Date::fromParts(2026, 12, 5, 9, 0, 1)}, {"IsAlarm", false},
          {"Description", "Panel restarted"}, {"Address", "\\\\ZEKO01.2.3"}})
        message->onGet(QLatin1String(name), [value](Args &) { return value; });
    EventIntake(module()).AddZK2Message(message);
    EXPECT_EQ(cell(1, "Type"), QStringLiteral("Software"));
    EXPECT_EQ(colour("Type"), defaultSlots[9]);
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
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_EQ(module().bufferCount(), 3);
    module().view.scrollSuspended = false;
    push(4001, 1, QStringLiteral("fourth,"));
    ASSERT_EQ(grid().rowCount(), 4);
    EXPECT_EQ(QStringList({cell(1, "Description"), cell(3, "Description"), cell(4, "Description")}),
              QStringList({"first", "third", "fourth"}));
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
        EXPECT_EQ(grid().rowCount() - before, type.isEmpty() ? 0 : 1);
        EXPECT_TRUE(type.isEmpty() || cell(1, "Type") == type) << cell(1, "Type").toStdString();
    }
    module().typeRange.active = false;
    EXPECT_TRUE(window().AddEvent(QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1,6001,ZEKO Programming,Edited,0,0")));
    EXPECT_EQ(QStringList({cell(1, "Type"), cell(1, "dtTime"), cell(1, "dbTime")}),
              QStringList({"Software", "1/2/2008 00:00:00", "1/2/2008 00:00:00"}));
    EXPECT_EQ(colour("Type"), defaultSlots[8]);
    EXPECT_FALSE(window().AddEvent(QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1")));
    EXPECT_TRUE(boxTexts().last().contains(QStringLiteral("FEvents.AddEvent")));
}
TEST_F(RowInsertionTest, WithoutAGroupOnlyOperatorsWhoMaySeeEverythingSeeEvents)
{
    module().filter.CanViewAllEvents = false;
    push(4001, 1);
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_TRUE(desktop().boxes().empty());
}
TEST_F(RowInsertionTest, HostTimesWithAndWithoutMilliseconds)
{
    const Date noon = Date::fromParts(2026, 12, 5, 12, 0, 5);
    const std::tuple<bool, Date, QString> cases[] = { // milliseconds shown, host time, cell
        {false, Date::nullDate(), QString()}, {true, Date::nullDate(), "1800-01-01 00:00:00.000"},
        {true, noon.addMilliseconds(400), "2026-12-05 12:00:05.400"},
        {true, noon.addMilliseconds(600), "2026-12-05 12:00:05.600"},
        {false, Date::fromParts(2008, 1, 2), "1/2/2008 00:00:00"}, // midnight padded
    };
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
    EXPECT_TRUE(grid().redraw());
    EXPECT_EQ(grid().rowCount(), 100);
}
TEST_F(RowInsertionTest, ColumnsLeftOutOfTheLayoutAreSimplyNotFilled)
{
    module().profile.ColumnHeaders = QStringLiteral("Description][Description][1][400][True,ID][Event ID][2][58][True");
    module().profile.MaxLines = 2;
    pushMany(1, 3);
    ASSERT_EQ(grid().rowCount(), 2);
    EXPECT_EQ(cell(1, "Description"), QStringLiteral("event 3"));
    EXPECT_EQ(cell(2, "ID"), QStringLiteral("4001"));
    expectNoBoxes();
}
} // namespace
} // namespace Ostraven::Testing
