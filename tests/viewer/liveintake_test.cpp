// The live path's shortcuts keep its answers: the group taken apart once follows every change of the
// group, failures are still reported on every event, the cell texts are those of the round trip
// through the date's text, and a burst reaches the view whole with the newest row in sight.
#include "viewerfixture.h"
#include "component/eventintake.h"
#include "model/cgenericevent.h"
#include "platform/grid/gridtablemodel.h"
#include "viewer/eventadmission.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
const auto rowName = [](const auto &row) { return std::string(row.param.name); };

class LiveIntakeTest : public ViewerTest
{
protected:
    // An event the operator may see.
    void push(const Date &host, const QString &text = QStringLiteral("Seen,"))
    {
        module().filter.CanViewAllEvents = true;
        EventIntake(module()).AddNewEvent({.eventNumber = 4001, .address = QStringLiteral(R"(\\SRV1.1.2.IN05)"),
                                           .hostDate = host, .controllerDate = host, .typeCode = 1, .messageText = text});
    }
};

// A change after two checks of an event 85000, and the label every check reports.
const auto keep = [](QStringList &) {};
struct GroupCase { const char *name; QStringList group; std::function<void(QStringList &)> change; bool before, after;
                   const char *label = nullptr; QString address = R"(\\ZEKO01.002.0003)"; };
class ExcludeGroup : public LiveIntakeTest, public ::testing::WithParamInterface<GroupCase> {};

// However the module's strings change, the next event is judged by the group as it now stands; what
// fails is not remembered as an answer, so each event reports it again. Past 32 bits a part strips to
// nothing, which every address contains.
TEST_P(ExcludeGroup, FollowsEveryChangeAndReportsEveryFailure)
{
    const GroupCase &c = GetParam();
    module().filter.FilterActive = true; // excluding, the default
    module().filter.FilterStrings = c.group;
    cGenericEvent record;
    record.setAddress(c.address);
    record.setEventID(85000);
    const auto admits = [&] { return EventAdmission(module()).CheckGenericEvent(record); };
    EXPECT_EQ(std::pair(admits(), admits()), std::pair(c.before, c.before)) << "asked twice";
    c.change(module().filter.FilterStrings);
    EXPECT_EQ(admits(), c.after);
    EXPECT_EQ(reportedLabels(desktop()), c.label ? Labels(3, c.label) : Labels{});
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, ExcludeGroup, ::testing::Values(
    GroupCase{"Replaced", {R"(\\ZEKO09)"}, [](QStringList &s) { s = {R"(\\ZEKO01.2)"}; }, true, false},
    GroupCase{"ItemChangedInPlace", {R"(\\ZEKO01.2)", "5100"}, [](QStringList &s) { s[0] = R"(\\ZEKO01.7)"; }, false, true},
    GroupCase{"StringAppended", {"5100"}, [](QStringList &s) { s.append(R"(85000,\\ZEKO01.02)"); }, true, false},
    GroupCase{"NumberChangedInPlace", {"85000"}, [](QStringList &s) { s.first().append(u'1'); }, false, true},
    GroupCase{"Emptied", {R"(\\ZEKO01)"}, [](QStringList &s) { s.clear(); }, false, true},
    GroupCase{"GroupItemPast32Bits", {R"(\\ZEKO01.99999999999)"}, keep, false, false, "FEvents.StripZeros"},
    GroupCase{"AddressPartPast32Bits", {R"(\\ZEKO01)"}, keep, true, true, "FEvents.StripZeros", R"(\\ZEKO01.99999999999)"},
    GroupCase{"EmptyGroupString", {R"(\\ZEKO09)", ""}, keep, true, true, "FEvents.CheckGenericEvent"}), rowName);

// The time cells: without milliseconds (the default) the date's text, padded when it reads back as
// midnight (below one second); with them, the rounded second and its rest in three digits. A year no
// text can hold (52) is reported and shows no row. The newest row is the first.
TEST_F(LiveIntakeTest, TimeCellsInBothForms)
{
    const std::pair<Date, const char *> hosts[] = {{Date::fromParts(2026, 12, 5, 0, 0, 0, 999), "2026-12-05 00:00:00.999"},
        {Date::fromParts(2026, 12, 5, 0, 0, 1), "2026-12-05 00:00:01.000"}, {Date(0.0), "1899-12-30 00:00:00.000"},
        {Date(-1.25), "1899-12-29 06:00:00.000"}, {Date::fromParts(100, 1, 1, 0, 0, 0, 70), "0100-01-01 00:00:00.070"},
        {Date::fromParts(2026, 12, 31, 23, 59, 59, 999), "2026-12-31 23:59:59.999"},
        {Date::fromParts(9999, 12, 31, 23, 59, 59, 1), "9999-12-31 23:59:59.001"}};
    QStringList cells, expected;
    for (const auto &[host, milliseconds] : hosts) {
        push(host);
        cells << cell(1, "dbTime") << cell(1, "dtTime") << FEvents::FormatDateMS(host);
        expected << FEvents::PadMidnight(host.toString()) << FEvents::PadMidnight(host.toString()) << milliseconds;
    }
    EXPECT_EQ(cells, expected);
    push(Date(-675'000.0));
    EXPECT_EQ(std::pair(grid().rowCount(), reportedLabels(desktop())), std::pair(7, Labels{"FEvents.AddGenericEvent"}));
}

// A field is the text between commas; a position out of range answers nothing and is reported.
TEST_F(LiveIntakeTest, AFieldIsTheTextBetweenCommas)
{
    const auto field = [this](QString text, qint32 position) { return EventIntake(module()).GetValueByPosition(text, position); };
    EXPECT_EQ(QStringList({field("Granted,a,b", 0), field("Granted,a,b", 1), field("Granted,a,b", 2), field("Granted,,,", 2),
                           field("Granted,", 1), field("Granted", 0)}),
              QStringList({"Granted", "a", "b", "", "", "Granted"}));
    EXPECT_TRUE(reportedLabels(desktop()).empty());
    EXPECT_EQ(QStringList({field("Granted,a,b", 3), field("Granted,a,b", -1)}), QStringList({"", ""}));
    EXPECT_EQ(reportedLabels(desktop()), Labels(2, "Event.GetValueByPosition"));
}

struct BurstCase { const char *name; int events; };
class BurstOnScreen : public LiveIntakeTest, public ::testing::WithParamInterface<BurstCase> {};

// Once the refresh timer has drawn a burst, the view knows every row the grid holds and the newest
// row, at the bottom, is in sight, whether all rows fit or the view must scroll.
TEST_P(BurstOnScreen, ViewKnowsEveryRowAndShowsTheNewest)
{
    const int events = GetParam().events, rows = std::min(events, 100);
    module().profile.DisplayEventsAtTop = false;
    window().resize(800, 400);
    window().show();
    QCoreApplication::processEvents();
    for (int i = 0; i < events; ++i)
        push(Date::fromParts(2026, 12, 5, 10).addMilliseconds(i * 1000), QStringLiteral("event %1,").arg(i));
    for (QDeadlineTimer deadline(5000); window().timerRefresh.isActive() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(std::pair(grid().rowCount(), grid().tableModel()->rowCount()), std::pair(rows, rows));
    EXPECT_EQ(cell(rows, "Description"), QStringLiteral("event %1").arg(events - 1));
    EXPECT_FALSE(grid().cellRect(rows, "Description").isEmpty()) << "the newest row is in view";
    EXPECT_TRUE(grid().redraw());
}
INSTANTIATE_TEST_SUITE_P(LiveIntake, BurstOnScreen, ::testing::Values(
    BurstCase{"AllFit", 5},
    BurstCase{"PastTheLimit", 1000}), rowName);

} // namespace
} // namespace Ostraven::Testing
