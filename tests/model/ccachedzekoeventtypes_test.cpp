#include "support/recordingroutes.h"
#include "support/testdatabase.h"
#include "model/ccachedzekoeventtypes.h"
#include <gtest/gtest.h>

namespace Ostraven::Testing {
namespace {
struct Lookup { qint32 eventID; qint16 type; bool alarm; qint32 index = -1; }; // index -1: not checked
using Reports = std::vector<std::pair<QString, int>>; // label and error number

void expectLookups(cCachedZEKOEventTypes &cache, const std::vector<Lookup> &lookups)
{
    for (const Lookup &lookup : lookups) {
        const qint32 index = cache.IndexForEventID(lookup.eventID);
        EXPECT_EQ(cache.EventType(index), lookup.type) << lookup.eventID;
        EXPECT_EQ(cache.IsAlarm(index), lookup.alarm) << lookup.eventID;
        if (lookup.index >= 0) { EXPECT_EQ(index, lookup.index) << lookup.eventID; }
    }
}

Reports reports(const RecordingRoutes &routes)
{
    Reports result;
    for (const RecordingRoutes::Report &report : routes.reports)
        result.emplace_back(report.label, report.number);
    return result;
}

// The definitions table as a site may hold it, read once with the host's statement; entries -1: not checked.
struct TableCase { const char *name; QStringList statements; int entries; std::vector<Lookup> lookups; Reports reported; };
class ZekoEventTypes : public ::testing::TestWithParam<TableCase> {};
TEST_P(ZekoEventTypes, LooksUpWhatWasRead)
{
    TestDatabase database;
    RecordingRoutes routes;
    for (const QString &statement : GetParam().statements)
        database.execute(statement);
    database.startTrace();
    cCachedZEKOEventTypes cache(database.connection(), routes);
    if (GetParam().entries >= 0) { EXPECT_EQ(cache.entryCount(), GetParam().entries); }
    expectLookups(cache, GetParam().lookups);
    EXPECT_EQ(reports(routes), GetParam().reported);
    EXPECT_EQ(database.takeTrace(),
              QStringList{QStringLiteral("Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions")});
}
INSTANTIATE_TEST_SUITE_P(, ZekoEventTypes, ::testing::Values(
    // The site's first definition (80001, a transaction) answers for every unknown number.
    TableCase{"SiteDefinitions", {}, -1, {{80001, 20, false, 0}, {80002, 20, false, 1}, {80100, 0, true}, {80101, 0, true},
              {80200, 22, false}, {80400, 24, false}, {80501, 25, false}, {80999, 21, false}, {12345, 20, false},
              {0, 20, false}}, {}},
    TableCase{"EmptyLeavesOneZeroEntry", {"DELETE FROM ZEKO_EventDefinitions"}, 1,
              {{80100, 0, false}, {0, 0, false}, {-5, 0, false}}, {}},
    TableCase{"FirstDuplicateInQueryOrderWins", {"DROP TABLE ZEKO_EventDefinitions",
              "CREATE TABLE ZEKO_EventDefinitions (EventID INTEGER, ZEKOEventType SMALLINT, IsAlarm BIT)",
              "INSERT INTO ZEKO_EventDefinitions VALUES (81000, 22, 0), (81001, 21, 1), (81000, 0, 1)"}, 3,
              {{81000, 22, false, 0}, {81001, 21, true}, {99999, 22, false}}, {}},
    TableCase{"FailedLoadKeepsTheRowsReadBeforeIt", {"DELETE FROM ZEKO_EventDefinitions",
              "INSERT INTO ZEKO_EventDefinitions (EventID, ZEKOEventType, IsAlarm, DefaultDescription) VALUES "
              "(80100, 0, 1, 'Forced'), (80200, 40000, 0, 'Too large'), (80300, 21, 0, 'x')"}, -1,
              {{80100, 0, true}, {80300, 0, true}}, {{"cCachedZEKOEventTypes.Init", 6}}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(ZekoEventTypesFailure, MissingConnectionIsReportedAndLooksUpAsEmpty)
{
    RecordingRoutes routes;
    cCachedZEKOEventTypes cache(nullptr, routes);
    expectLookups(cache, {{80100, 0, false}});
    for (const qint32 index : {1, -1}) // outside the entries: reported
        EXPECT_TRUE(cache.EventType(index) == 0 && !cache.IsAlarm(index)) << index;
    const Reports::value_type type{"cCachedZEKOEventTypes.EventType(Get)", 9}, alarm{"cCachedZEKOEventTypes.IsAlarm(Get)", 9};
    EXPECT_EQ(reports(routes), (Reports{{"cCachedZEKOEventTypes.Init", 91}, type, alarm, type, alarm}));
}
} // namespace
} // namespace Ostraven::Testing
