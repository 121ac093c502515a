#include "support/recordingroutes.h"
#include "model/ccircularbuffer.h"
#include <gtest/gtest.h>
#include <optional>

namespace Ostraven::Testing {
namespace {
// capacity: none when never set. steps: 0 reads one record, -1 adds no record at all, 100 + n resizes
// to n slots and drops what was parked, other numbers add a record with that event number. An empty
// buffer or slot answers a new record (0); without slots an add is reported and nothing parked.
struct BufferCase { const char *name; std::optional<qint32> capacity; std::vector<qint32> steps, read; int count; std::vector<qint32> drained; bool reported = false; };
class CircularBuffer : public ::testing::TestWithParam<BufferCase> {};
TEST_P(CircularBuffer, KeepsTheNewestAndGivesThemBackOldestFirst)
{
    const BufferCase &c = GetParam();
    RecordingRoutes routes;
    cCircularBuffer buffer(routes);
    const auto next = [&buffer] {
        const std::shared_ptr<cGenericEvent> message = buffer.Message();
        return message ? message->EventID() : -1;
    };
    if (c.capacity)
        buffer.SetBufferSize(*c.capacity);
    std::vector<qint32> read, drained;
    for (const qint32 step : c.steps) {
        const auto event = step > 0 ? std::make_shared<cGenericEvent>() : nullptr;
        if (event)
            event->setEventID(step);
        if (step == 0)
            read.push_back(next());
        else if (step > 100)
            buffer.SetBufferSize(step - 100);
        else
            buffer.Add(event);
    }
    EXPECT_EQ(read, c.read);
    EXPECT_EQ(buffer.Count(), c.count);
    while (buffer.Count() > 0)
        drained.push_back(next());
    EXPECT_EQ(drained, c.drained);
    ASSERT_EQ(routes.reports.size(), c.reported ? 1u : 0u);
    if (c.reported) { EXPECT_TRUE(routes.reports[0].label == QStringLiteral("cCircularBuffer.Add") && routes.reports[0].number == 9); }
}
INSTANTIATE_TEST_SUITE_P(, CircularBuffer, ::testing::Values(
    BufferCase{"ThreeSlotsFourAdds", 3, {1, 2, 3, 4}, {}, 3, {2, 3, 4}},
    BufferCase{"ThreeSlotsExactlyFull", 3, {1, 2, 3}, {}, 3, {1, 2, 3}},
    BufferCase{"OneSlotReplaces", 1, {1, 2, 3}, {}, 1, {3}},
    BufferCase{"WrapsTwice", 3, {1, 2, 3, 4, 5, 6, 7}, {}, 3, {5, 6, 7}},
    BufferCase{"ReadThenOverflow", 3, {1, 2, 3, 0, 4, 5}, {1}, 3, {3, 4, 5}},
    BufferCase{"ReadAllThenRefill", 2, {1, 2, 0, 0, 3}, {1, 2}, 1, {3}},
    BufferCase{"Interleaved", 4, {1, 0, 2, 3, 0, 4, 5, 6, 7}, {1, 2}, 4, {4, 5, 6, 7}},
    BufferCase{"EmptyBufferAndEmptySlotAnswerANewRecord", 2, {0, -1, 7, 0, 0}, {0, 0, 7}, 0, {}},
    BufferCase{"ResizeDropsWhatWasParked", 3, {1, 2, 103, 13, 23, 0, 0, 105, 15, 25, 0, 0, 101, 11, 21, 0}, {13, 23, 15, 25, 21}, 0, {}},
    BufferCase{"SizeNeverSet", std::nullopt, {1, 0}, {0}, 0, {}, true},
    BufferCase{"SizeZero", 0, {1, 0}, {0}, 0, {}, true},
    BufferCase{"SizeNegative", -3, {1, 0}, {0}, 0, {}, true}),
    [](const auto &row) { return std::string(row.param.name); });
} // namespace
} // namespace Ostraven::Testing
