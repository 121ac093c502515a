#include "support/recordingroutes.h"
#include "support/testdatabase.h"

#include "model/ccachedzekoeventtypes.h"

#include <gtest/gtest.h>

namespace Ostraven::Testing {
namespace {

struct Lookup {
    qint32 eventID;
    qint16 type;
    bool alarm;
};

void expectLookups(cCachedZEKOEventTypes &cache, std::initializer_list<Lookup> lookups)
{
    for (const Lookup &lookup : lookups) {
        const qint32 index = cache.IndexForEventID(lookup.eventID);
        EXPECT_EQ(cache.EventType(index), lookup.type) << lookup.eventID;
        EXPECT_EQ(cache.IsAlarm(index), lookup.alarm) << lookup.eventID;
    }
}

class ZekoEventTypesTest : public ::testing::Test
{
protected:
    TestDatabase database;
    RecordingRoutes routes;
};

TEST_F(ZekoEventTypesTest, ReadsTheDefinitionsOnceWithTheHostStatement)
{
    database.startTrace();
    cCachedZEKOEventTypes cache(database.connection(), routes);
    // The demo site's first definition (80001, a transaction) answers for every unknown number.
    expectLookups(cache, {{80001, 20, false}, {80100, 0, true}, {80101, 0, true}, {80200, 22, false},
                          {80400, 24, false}, {80501, 25, false}, {80999, 21, false}, {12345, 20, false},
                          {0, 20, false}});
    EXPECT_EQ(cache.IndexForEventID(80001), 0);
    EXPECT_EQ(cache.IndexForEventID(80002), 1);
    EXPECT_EQ(database.takeTrace(),
              QStringList{QStringLiteral("Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions")});
    EXPECT_TRUE(routes.reports.empty());
}

TEST_F(ZekoEventTypesTest, EmptyTableLeavesOneZeroEntry)
{
    database.execute(QStringLiteral("DELETE FROM ZEKO_EventDefinitions"));
    cCachedZEKOEventTypes cache(database.connection(), routes);
    EXPECT_EQ(cache.entryCount(), 1);
    expectLookups(cache, {{80100, 0, false}, {0, 0, false}, {-5, 0, false}});
    EXPECT_TRUE(routes.reports.empty());
}

TEST_F(ZekoEventTypesTest, FirstDuplicateInQueryOrderWins)
{
    database.execute(QStringLiteral("DROP TABLE ZEKO_EventDefinitions"));
    database.execute(QStringLiteral("CREATE TABLE ZEKO_EventDefinitions (EventID INTEGER, ZEKOEventType SMALLINT,"
                                    " IsAlarm BIT)"));
    database.execute(QStringLiteral("INSERT INTO ZEKO_EventDefinitions VALUES (81000, 22, 0), (81001, 21, 1), (81000, 0, 1)"));
    cCachedZEKOEventTypes cache(database.connection(), routes);
    EXPECT_EQ(cache.entryCount(), 3);
    EXPECT_EQ(cache.IndexForEventID(81000), 0);
    expectLookups(cache, {{81000, 22, false}, {81001, 21, true}, {99999, 22, false}});
}

TEST_F(ZekoEventTypesTest, FailedLoadKeepsTheRowsReadBeforeIt)
{
    database.execute(QStringLiteral("DELETE FROM ZEKO_EventDefinitions"));
    database.execute(QStringLiteral("INSERT INTO ZEKO_EventDefinitions (EventID, ZEKOEventType, IsAlarm, DefaultDescription)"
                                    " VALUES (80100, 0, 1, 'Forced'), (80200, 40000, 0, 'Too large'), (80300, 21, 0, 'x')"));
    cCachedZEKOEventTypes cache(database.connection(), routes);
    ASSERT_EQ(routes.reports.size(), 1u);
    EXPECT_EQ(routes.reports[0].label, QStringLiteral("cCachedZEKOEventTypes.Init"));
    EXPECT_EQ(routes.reports[0].number, 6);
    expectLookups(cache, {{80100, 0, true}, {80300, 0, true}});
}

TEST(ZekoEventTypesFailure, MissingConnectionIsReportedAndLooksUpAsEmpty)
{
    RecordingRoutes routes;
    cCachedZEKOEventTypes cache(nullptr, routes);
    ASSERT_EQ(routes.reports.size(), 1u);
    EXPECT_EQ(routes.reports[0].label, QStringLiteral("cCachedZEKOEventTypes.Init"));
    EXPECT_EQ(routes.reports[0].number, 91);
    expectLookups(cache, {{80100, 0, false}});
    ASSERT_EQ(routes.reports.size(), 1u);

    // An index outside the entries is reported.
    routes.reports.clear();
    for (const qint32 index : {1, -1}) {
        EXPECT_EQ(cache.EventType(index), 0);
        EXPECT_FALSE(cache.IsAlarm(index));
    }
    ASSERT_EQ(routes.reports.size(), 4u);
    EXPECT_EQ(routes.reports[0].label, QStringLiteral("cCachedZEKOEventTypes.EventType(Get)"));
    EXPECT_EQ(routes.reports[1].label, QStringLiteral("cCachedZEKOEventTypes.IsAlarm(Get)"));
    for (const RecordingRoutes::Report &report : routes.reports)
        EXPECT_EQ(report.number, 9);
}

} // namespace
} // namespace Ostraven::Testing
