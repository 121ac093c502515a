// The live path's shortcuts keep its answers: the group taken apart once follows every change of the
// group, failures are still reported on every event, the cell texts are those of the round trip
// through the date's text, and a burst reaches the view whole with the newest row in sight.
#include "support/componentfixture.h"
#include "support/reportedlabels.h"
#include "component/eventintake.h"
#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"
#include "platform/grid/gridtablemodel.h"
#include "viewer/eventadmission.h"
#include "viewer/fevents.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
using Labels = std::vector<std::string>;

class LiveIntakeTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        module().filter.CanViewAllEvents = true;
        module().messageBuffer().SetBufferSize(100);
    }
    FEvents &window() { return module().windows().events(); }
    GridControl &grid() { return *window().vGrid; }
    Labels labels() { return reportedLabels(desktop()); }
    bool admits(const QString &address, qint32 number)
    {
        cGenericEvent record;
        record.setAddress(address);
        record.setEventID(number);
        return EventAdmission(module()).CheckGenericEvent(record);
    }
    void push(qint32 number, const QString &address, const Date &host, const QString &text = QStringLiteral("Seen,"))
    {
        EventIntake(module()).AddNewEvent({.eventNumber = number, .address = address, .hostDate = host,
                                           .controllerDate = host, .typeCode = 1, .messageText = text});
    }
};

struct GroupChange {
    const char *name;
    QStringList before;
    std::function<void(QStringList &)> change;
    QString address;
    qint32 number;
    bool admittedBefore, admittedAfter;
};
class ExcludeGroupChange : public LiveIntakeTest, public ::testing::WithParamInterface<GroupChange> {};

// However the module's strings change, the next event is judged by the group as it now stands.
TEST_P(ExcludeGroupChange, NextEventFollowsTheNewGroup)
{
    const GroupChange &c = GetParam();
    module().filter.FilterActive = true;
    module().filter.FilterInclusive = false;
    module().filter.FilterStrings = c.before;
    EXPECT_EQ(admits(c.address, c.number), c.admittedBefore);
    EXPECT_EQ(admits(c.address, c.number), c.admittedBefore) << "asked twice";
    c.change(module().filter.FilterStrings);
    EXPECT_EQ(admits(c.address, c.number), c.admittedAfter);
    EXPECT_TRUE(labels().empty());
}
const QString door = QStringLiteral(R"(\\ZEKO01.002.0003)");
INSTANTIATE_TEST_SUITE_P(LiveIntake, ExcludeGroupChange, ::testing::Values(
    GroupChange{"Replaced", {R"(\\ZEKO09)"}, [](QStringList &s) { s = {R"(\\ZEKO01.2)"}; }, door, 85000, true, false},
    GroupChange{"ItemChangedInPlace", {R"(\\ZEKO01.2)", "5100"}, [](QStringList &s) { s[0] = R"(\\ZEKO01.7)"; }, door,
                85000, false, true},
    GroupChange{"StringAppended", {"5100"}, [](QStringList &s) { s.append(R"(85000,\\ZEKO01.02)"); }, door, 85000, true,
                false},
    GroupChange{"NumberChangedInPlace", {"85000"}, [](QStringList &s) { s.first().append(u'1'); }, door, 85000, false,
                true},
    GroupChange{"Emptied", {R"(\\ZEKO01)"}, [](QStringList &s) { s.clear(); }, door, 85000, false, true},
    GroupChange{"SameTextsNewList", {R"(\\ZEKO01)"}, [](QStringList &s) { s = QStringList{QStringLiteral(R"(\\ZEKO01)")}; },
                door, 85000, false, false}),
    [](const auto &row) { return std::string(row.param.name); });

struct RepeatedFailure {
    const char *name;
    QStringList group;
    QString address;
    bool admitted;
    Labels reported; // for each of the two events
};
class FailuresOnEveryEvent : public LiveIntakeTest, public ::testing::WithParamInterface<RepeatedFailure> {};

// What fails is not remembered as an answer: each event reports it again, as it always did.
TEST_P(FailuresOnEveryEvent, AreReportedEachTime)
{
    const RepeatedFailure &c = GetParam();
    module().filter.FilterActive = true;
    module().filter.FilterInclusive = false;
    module().filter.FilterStrings = c.group;
    Labels expected;
    for (int event = 0; event < 2; ++event) {
        EXPECT_EQ(admits(c.address, 85000), c.admitted);
        expected.insert(expected.end(), c.reported.begin(), c.reported.end());
    }
    EXPECT_EQ(labels(), expected);
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, FailuresOnEveryEvent, ::testing::Values(
    // Past 32 bits a part strips to nothing, which every address contains.
    RepeatedFailure{"GroupItemPast32Bits", {R"(\\ZEKO01.99999999999)"}, door, false, {"FEvents.StripZeros"}},
    RepeatedFailure{"AddressPartPast32Bits", {R"(\\ZEKO01)"}, R"(\\ZEKO01.99999999999)", true, {"FEvents.StripZeros"}},
    RepeatedFailure{"EmptyGroupString", {R"(\\ZEKO09)", ""}, door, true, {"FEvents.CheckGenericEvent"}}),
    [](const auto &row) { return std::string(row.param.name); });

struct HostTimeCase {
    const char *name;
    Date host;
};
class HostTimeCell : public LiveIntakeTest, public ::testing::WithParamInterface<HostTimeCase> {};

// Without milliseconds the cell is the date's text, padded when it reads back as midnight.
TEST_P(HostTimeCell, IsTheTextReadBackAndPadded)
{
    const Date host = GetParam().host;
    module().view.showMilliseconds = false;
    push(4001, QStringLiteral(R"(\\SRV1.1.2.IN05)"), host);
    ASSERT_EQ(grid().rowCount(), 1);
    const QString expected = host.year() == 1800 ? QString() : FEvents::PadMidnight(host.toString());
    EXPECT_EQ(grid().cellText(1, QStringLiteral("dbTime")), expected);
    EXPECT_EQ(grid().cellText(1, QStringLiteral("dtTime")), expected);
    EXPECT_TRUE(labels().empty());
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, HostTimeCell, ::testing::Values(
    HostTimeCase{"Midnight", Date::fromParts(2026, 12, 5)},
    HostTimeCase{"BelowOneSecond", Date::fromParts(2026, 12, 5, 0, 0, 0, 999)},
    HostTimeCase{"OneSecondPastMidnight", Date::fromParts(2026, 12, 5, 0, 0, 1)},
    HostTimeCase{"NoonAndAHalf", Date::fromParts(2026, 12, 5, 12, 30, 0, 500)},
    HostTimeCase{"DayZero", Date(0.0)}, HostTimeCase{"DayZeroAfternoon", Date(0.75)},
    HostTimeCase{"BeforeDayZero", Date(-1.25)}, HostTimeCase{"NullDate", Date::nullDate()},
    HostTimeCase{"FirstYear", Date::fromParts(100, 1, 1)},
    HostTimeCase{"LastSecond", Date::fromParts(9999, 12, 31, 23, 59, 59)}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(LiveIntakeTest, AYearNoTextCanHoldIsReportedAndShowsNoRow)
{
    module().view.showMilliseconds = false;
    push(4001, QStringLiteral(R"(\\SRV1.1.2.IN05)"), Date(-675'000.0)); // in the year 52
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_EQ(labels(), Labels{"FEvents.AddGenericEvent"});
}

struct MillisecondCase {
    const char *name;
    Date date;
    const char *cell;
};
class MillisecondCell : public ::testing::TestWithParam<MillisecondCase> {};
TEST_P(MillisecondCell, ShowsTheRoundedSecondAndItsRest)
{
    EXPECT_EQ(FEvents::FormatDateMS(GetParam().date), QString::fromLatin1(GetParam().cell));
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, MillisecondCell, ::testing::Values(
    MillisecondCase{"Midnight", Date::fromParts(2026, 12, 5), "2026-12-05 00:00:00.000"},
    MillisecondCase{"HalfASecond", Date::fromParts(2026, 12, 5, 12, 0, 0, 500), "2026-12-05 12:00:00.500"},
    MillisecondCase{"LastMillisecond", Date::fromParts(2026, 12, 31, 23, 59, 59, 999), "2026-12-31 23:59:59.999"},
    MillisecondCase{"OneMillisecond", Date::fromParts(2026, 1, 1, 0, 0, 0, 1), "2026-01-01 00:00:00.001"},
    MillisecondCase{"FirstYear", Date::fromParts(100, 2, 3, 4, 5, 6, 70), "0100-02-03 04:05:06.070"}),
    [](const auto &row) { return std::string(row.param.name); });

struct FieldCase {
    const char *name;
    QString text;
    qint32 position;
    QString value;
    bool reported;
};
class ValueByPosition : public LiveIntakeTest, public ::testing::WithParamInterface<FieldCase> {};
TEST_P(ValueByPosition, IsTheFieldBetweenCommas)
{
    const FieldCase &c = GetParam();
    QString text = c.text;
    EXPECT_EQ(EventIntake(module()).GetValueByPosition(text, c.position), c.value);
    EXPECT_EQ(labels(), c.reported ? Labels{"Event.GetValueByPosition"} : Labels{});
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, ValueByPosition, ::testing::Values(
    FieldCase{"First", "Granted,a,b", 0, "Granted", false}, FieldCase{"Middle", "Granted,a,b", 1, "a", false},
    FieldCase{"Last", "Granted,a,b", 2, "b", false}, FieldCase{"PastTheLast", "Granted,a,b", 3, {}, true},
    FieldCase{"Negative", "Granted,a,b", -1, {}, true}, FieldCase{"EmptyField", "Granted,,,", 2, "", false},
    FieldCase{"AfterATrailingComma", "Granted,", 1, "", false}, FieldCase{"NoComma", "Granted", 0, "Granted", false},
    FieldCase{"Credential", "Access Granted,,,,,,1007,0", 6, "1007", false}),
    [](const auto &row) { return std::string(row.param.name); });

struct BurstCase {
    const char *name;
    bool newestAtTop;
    int events;
};
class BurstOnScreen : public LiveIntakeTest, public ::testing::WithParamInterface<BurstCase> {};

// Once the refresh timer has drawn a burst, the view knows every row the grid holds and the newest
// row is in sight.
TEST_P(BurstOnScreen, ViewKnowsEveryRowAndShowsTheNewest)
{
    const BurstCase &c = GetParam();
    module().profile.DisplayEventsAtTop = c.newestAtTop;
    module().profile.MaxLines = 100;
    window().resize(800, 400);
    window().show();
    QCoreApplication::processEvents();
    const Date start = Date::fromParts(2026, 12, 5, 10, 0, 0);
    for (int i = 0; i < c.events; ++i)
        push(4001, QStringLiteral(R"(\\SRV1.1.2.IN05)"), start.addMilliseconds(i * 1000), QStringLiteral("event %1,").arg(i));
    QElapsedTimer clock;
    clock.start();
    while (window().timerRefresh.isActive() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const int rows = std::min(c.events, 100);
    ASSERT_EQ(grid().rowCount(), rows);
    EXPECT_EQ(grid().tableModel()->rowCount(), rows);
    const int newest = c.newestAtTop ? 1 : rows;
    EXPECT_EQ(grid().cellText(newest, QStringLiteral("Description")), QStringLiteral("event %1").arg(c.events - 1));
    EXPECT_FALSE(grid().cellRect(newest, QStringLiteral("Description")).isEmpty()) << "the newest row is in view";
    EXPECT_TRUE(grid().redraw());
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, BurstOnScreen, ::testing::Values(
    BurstCase{"FewAtTheBottom", false, 5}, BurstCase{"PastTheLimitAtTheBottom", false, 1000},
    BurstCase{"FewAtTheTop", true, 5}, BurstCase{"PastTheLimitAtTheTop", true, 1000}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace
} // namespace Ostraven::Testing
