#include "support/recordingroutes.h"

#include "model/ccircularbuffer.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace Ostraven::Testing {
namespace {

std::shared_ptr<cGenericEvent> record(qint32 eventID)
{
    auto event = std::make_shared<cGenericEvent>();
    event->setEventID(eventID);
    return event;
}

std::vector<qint32> drain(cCircularBuffer &buffer)
{
    std::vector<qint32> read;
    while (buffer.Count() > 0)
        read.push_back(buffer.Message()->EventID());
    return read;
}

struct BufferCase {
    const char *name;
    qint32 capacity;
    // Positive: add a record with that event number; 0: read one record.
    std::vector<qint32> steps;
    std::vector<qint32> readDuringSteps;
    int count;
    std::vector<qint32> drained;
};

TEST(CircularBuffer, KeepsTheNewestAndGivesThemBackOldestFirst)
{
    const BufferCase cases[] = {
        {"three slots, four adds", 3, {1, 2, 3, 4}, {}, 3, {2, 3, 4}},
        {"three slots, exactly full", 3, {1, 2, 3}, {}, 3, {1, 2, 3}}, {"one slot replaces", 1, {1, 2, 3}, {}, 1, {3}},
        {"wraps twice", 3, {1, 2, 3, 4, 5, 6, 7}, {}, 3, {5, 6, 7}},
        {"read then overflow", 3, {1, 2, 3, 0, 4, 5}, {1}, 3, {3, 4, 5}},
        {"read all then refill", 2, {1, 2, 0, 0, 3}, {1, 2}, 1, {3}},
        {"interleaved", 4, {1, 0, 2, 3, 0, 4, 5, 6, 7}, {1, 2}, 4, {4, 5, 6, 7}},
    };
    for (const BufferCase &c : cases) {
        RecordingRoutes routes;
        cCircularBuffer buffer(routes);
        buffer.SetBufferSize(c.capacity);
        std::vector<qint32> read;
        for (const qint32 step : c.steps) {
            if (step == 0)
                read.push_back(buffer.Message()->EventID());
            else
                buffer.Add(record(step));
        }
        EXPECT_EQ(read, c.readDuringSteps) << c.name;
        EXPECT_EQ(buffer.Count(), c.count) << c.name;
        EXPECT_EQ(drain(buffer), c.drained) << c.name;
        EXPECT_TRUE(routes.reports.empty()) << c.name;
    }
}

TEST(CircularBuffer, ResizingDropsWhatWasParked)
{
    RecordingRoutes routes;
    cCircularBuffer buffer(routes);
    buffer.SetBufferSize(3);
    buffer.Add(record(1));
    buffer.Add(record(2));
    for (const qint32 size : {3, 5, 1}) {
        buffer.SetBufferSize(size);
        EXPECT_EQ(buffer.Count(), 0) << size;
        buffer.Add(record(10 + size));
        buffer.Add(record(20 + size));
        const std::vector<qint32> expected =
            size == 1 ? std::vector<qint32>{20 + size} : std::vector<qint32>{10 + size, 20 + size};
        EXPECT_EQ(drain(buffer), expected) << size;
    }
}

TEST(CircularBuffer, WithoutSlotsAddIsReportedAndNothingParked)
{
    const std::optional<qint32> sizes[] = {std::nullopt, 0, -3};
    for (const std::optional<qint32> &size : sizes) {
        RecordingRoutes routes;
        cCircularBuffer buffer(routes);
        if (size)
            buffer.SetBufferSize(*size);
        buffer.Add(record(1));
        EXPECT_EQ(buffer.Count(), 0);
        ASSERT_EQ(routes.reports.size(), 1u);
        EXPECT_EQ(routes.reports[0].label, QStringLiteral("cCircularBuffer.Add"));
        EXPECT_EQ(routes.reports[0].number, 9);
        EXPECT_EQ(buffer.Message()->EventID(), 0);
    }
}

TEST(CircularBuffer, EmptySlotAndEmptyBufferAnswerANewRecord)
{
    RecordingRoutes routes;
    cCircularBuffer buffer(routes);
    buffer.SetBufferSize(2);
    EXPECT_EQ(buffer.Message()->EventID(), 0);
    EXPECT_EQ(buffer.Count(), 0);
    buffer.Add(nullptr);
    buffer.Add(record(7));
    const std::shared_ptr<cGenericEvent> first = buffer.Message();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->EventID(), 0);
    EXPECT_EQ(buffer.Message()->EventID(), 7);
    EXPECT_TRUE(routes.reports.empty());
}

} // namespace
} // namespace Ostraven::Testing
