#include "filtersite.h"
#include "filters/timezones.h"

namespace Ostraven::Testing {
namespace {
constexpr qint32 operatorId = 500;
const std::string zoneQuery = "SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=";
// 15 June 2024 is a Saturday.
Date saturday(int hour, int minute, int second = 0) { return Date::fromParts(2024, 6, 15, hour, minute, second); }
Date sunday(int hour, int minute, int second = 0) { return Date::fromParts(2024, 6, 16, hour, minute, second); }
Date monday(int hour, int minute, int second = 0) { return Date::fromParts(2024, 6, 17, hour, minute, second); }
class TimeZonesTest : public ::testing::Test, protected FilterSite
{
protected:
    void SetUp() override
    {
        execute({"INSERT INTO Roles VALUES (50, 'Zone Test')", "INSERT INTO Operators VALUES (500, 'zones', 'Zone Tester', 50, 1, 0, 0)",
                 // Simple zones: name, Sunday ... Saturday, start, end.
                 "INSERT INTO TimeZones VALUES (101, 'Office', 0, 1, 1, 1, 1, 1, 0, '08:00', '17:00'), (102, 'Sunday Late', 1, 0, 0, 0, 0, 0, 0, '23:00', '23:59'),"
                 " (103, 'Across Midnight', 1, 1, 1, 1, 1, 1, 1, '22:00', '06:00'), (104, 'Monday Early', 0, 1, 0, 0, 0, 0, 0, '00:00', '00:59'),"
                 " (105, 'Saturday', 0, 0, 0, 0, 0, 0, 1, '00:00', '23:59')",
                 "INSERT INTO MasterTimeZones VALUES (200, 'Office And Weekend')", "INSERT INTO mastertimezonestotimezones VALUES (200, 101), (200, 102), (200, 105)",
                 "INSERT INTO GenericTimeZones VALUES (101, 101, 0, 'Office'), (102, 102, 0, 'Sunday Late'), (103, 103, 0, 'Across Midnight'),"
                 " (104, 104, 0, 'Monday Early'), (110, 200, 1, 'Master'), (111, 101, 5, 'Unknown Kind'), (112, 999, 0, 'Missing Zone')",
                 // "Always" points at a zone that is never active: only its number may grant.
                 "UPDATE GenericTimeZones SET GlobalTimeZoneID = 1 WHERE GenericTimeZoneID = 2"});
    }
    void grant(const std::vector<qint32> &zones)
    {
        for (std::size_t i = 0; i < zones.size(); ++i)
            database.execute(QStringLiteral("INSERT INTO RoleTimeZones VALUES (50, %1, %2)").arg(zones[i]).arg(i + 1));
    }
    // The statements sent while body runs.
    [[nodiscard]] Texts traced(const std::function<void()> &body) { database.startTrace(); body(); return texts(database.takeTrace()); }
    TimeZones m_zones{module};
};

// A row with statements expects exactly those: fixed zones (1 never, 2 always) decide without reading definitions.
struct GrantCase { const char *name; std::vector<qint32> granted; Date eventTime; bool inZone; Texts statements = {}; };
class GrantedZones : public TimeZonesTest, public ::testing::WithParamInterface<GrantCase> {};
TEST_P(GrantedZones, DecideWhetherTheEventIsInZone)
{
    grant(GetParam().granted);
    const Texts statements = traced([&] { EXPECT_EQ(m_zones.Role_EventInTimeZone(operatorId, GetParam().eventTime), GetParam().inZone); });
    EXPECT_EQ(GetParam().statements.empty() ? statements : GetParam().statements, statements);
    EXPECT_TRUE(desktop->boxes().empty());
}
const std::string granted = "EXEC rp_Role_Routing_Granted_Timezones 500", fetch = "rp_FetchTimeZoneInfo ",
                  members = "select * from mastertimezonestotimezones where mastertimezoneid=200";
const Texts grantedOnly{granted};
using G = GrantCase;
// A master zone reads its members in turn and stops at the first that matches.
INSTANTIATE_TEST_SUITE_P(TimeZones, GrantedZones, ::testing::Values(
    G{"NothingGranted", {}, monday(9, 0), false}, G{"NeverFirstThenActive", {1, 101}, monday(9, 0), false, grantedOnly},
    G{"Always", {2}, monday(9, 0), true}, G{"AlwaysThenActive", {2, 101}, monday(9, 0), true, grantedOnly},
    G{"ActiveThenNever", {101, 1}, monday(9, 0), true}, G{"InactiveThenNever", {101, 1}, monday(19, 0), false},
    G{"DayNotInZone", {101}, sunday(9, 0), false}, G{"AcrossMidnight", {103}, monday(23, 0), false},
    G{"Sunday2359ReadsSunday", {102}, sunday(23, 59, 30), true},
    G{"Sunday2359IsNotMonday", {104}, sunday(23, 59, 30), false},
    G{"MondayJustAfterMidnight", {104}, monday(0, 0, 30), true},
    G{"ZoneReadsItsDefinition", {101}, monday(12, 0), true, {granted, zoneQuery + "101", fetch + "101"}},
    G{"LaterZoneGrants", {101, 102}, sunday(23, 30), true},
    G{"MasterStopsAtFirstMatch", {110}, monday(9, 0), true, {granted, zoneQuery + "110", members, fetch + "101"}},
    G{"MasterZone", {110}, saturday(10, 0), true, {granted, zoneQuery + "110", members, fetch + "101", fetch + "102", fetch + "105"}},
    G{"MasterOutsideMembers", {110}, monday(20, 0), false}, G{"UnknownZoneKind", {111}, monday(9, 0), false},
    G{"ZoneWithoutDefinition", {112}, monday(9, 0), false}), rowName);

// Failures are reported and do not grant: a granted zone with no definition fails on its own and the list goes on.
TEST_F(TimeZonesTest, Failures)
{
    grant({113, 101});
    EXPECT_TRUE(m_zones.Role_EventInTimeZone(operatorId, monday(9, 0)));
    EXPECT_EQ(labels(), Texts{"MPublic.IsTZActive"});
    desktop->clearRecords();
    module.host.DBConnection.reset();
    EXPECT_FALSE(m_zones.Role_EventInTimeZone(operatorId, monday(9, 0)) || m_zones.IsTZActive(101, monday(9, 0)));
    EXPECT_EQ(labels(), (Texts{"MPublic.Role_EventInTimeZone", "MPublic.IsTZActive"}));
}

TEST(TimeZonesStatic, TimeInRangeComparesMinutesAsText)
{
    const std::tuple<Date, const char *, const char *, bool> cases[] = {
        {monday(8, 0), "08:00", "17:00", true},       {monday(17, 0, 59), "08:00", "17:00", true},
        {monday(7, 59, 59), "08:00", "17:00", false}, {monday(17, 1), "08:00", "17:00", false},
        {monday(23, 0), "22:00", "06:00", false},     {monday(13, 5), "13:05", "13:05", true},
        {monday(13, 0), "9:00", "17:00", false}, // "9:00" sorts after "13:00"
    };
    for (const auto &[time, start, end, inRange] : cases)
        EXPECT_EQ(TimeZones::IsTimeInRange(time, start, end), inRange) << time.toString().toStdString() << " " << start;
}
} // namespace
} // namespace Ostraven::Testing
