// A record's description is the message text before its first comma, written into a buffer that
// the next event reuses: a record parked while scrolling is suspended must keep its own text, and an
// empty description stays an empty text, not a missing one.
#include "viewerfixture.h"
#include "component/eventintake.h"
#include "model/ccircularbuffer.h"

namespace Ostraven::Testing {
namespace {
const auto rowName = [](const auto &row) { return std::string(row.param.name); };

struct ParkedCase {
    const char *name;
    std::vector<const char *> texts; // pushed while suspended, the last one after resuming
    QStringList descriptions;
};
void PrintTo(const ParkedCase &row, std::ostream *out) { *out << row.name; }

class ParkedDescriptions : public ViewerTest, public ::testing::WithParamInterface<ParkedCase>
{
protected:
    void push(const char *text)
    {
        module().filter.CanViewAllEvents = true;
        const Date host = Date::fromParts(2026, 12, 5, 10, 0, 0);
        EventIntake(module()).AddNewEvent({.eventNumber = 4001, .address = QStringLiteral(R"(\\SRV1.1.2.IN05)"),
                                           .hostDate = host, .controllerDate = host, .typeCode = 1,
                                           .messageText = QString::fromLatin1(text)});
    }
};

TEST_P(ParkedDescriptions, EachRowShowsItsOwnText)
{
    const ParkedCase &c = GetParam();
    module().profile.DisplayEventsAtTop = false;
    module().messageBuffer().SetBufferSize(100);
    module().view.scrollSuspended = true;
    for (std::size_t i = 0; i + 1 < c.texts.size(); ++i)
        push(c.texts[i]);
    module().view.scrollSuspended = false;
    push(c.texts.back());
    EXPECT_EQ(cells("Description"), c.descriptions);
    for (int row = 1; row <= grid().rowCount(); ++row)
        EXPECT_FALSE(grid().cellText(row, QStringLiteral("Description")).isNull()) << "row " << row;
}

INSTANTIATE_TEST_SUITE_P(LiveIntake, ParkedDescriptions, ::testing::Values(
    ParkedCase{"SameLength", {"alpha,1", "bravo,2", "delta,3", "omega,4"}, {"alpha", "bravo", "delta", "omega"}},
    ParkedCase{"ShorterThenLonger", {"Door Forced Open,", "Door,", "Door Held Open,"},
               {"Door Forced Open", "Door", "Door Held Open"}},
    ParkedCase{"EmptyBetween", {"alpha,", ",x", "bravo,"}, {"alpha", "", "bravo"}}),
    rowName);

} // namespace
} // namespace Ostraven::Testing
