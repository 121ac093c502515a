#include "support/reportedlabels.h"
#include "filters/timezones.h"

#include "module/mpublic.h"
#include "host/db/hostdatabase.h"
#include "platform/desktop/scripteddesktop.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace Ostraven {
namespace {

using Texts = std::vector<std::string>;
constexpr qint32 operatorId = 500;
const std::string zoneQuery = "SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=";

// 15 June 2024 is a Saturday.
Date saturday(int hour, int minute, int second = 0) { return Date::fromParts(2024, 6, 15, hour, minute, second); }
Date sunday(int hour, int minute, int second = 0) { return Date::fromParts(2024, 6, 16, hour, minute, second); }
Date monday(int hour, int minute, int second = 0) { return Date::fromParts(2024, 6, 17, hour, minute, second); }

class TimeZonesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString path = m_folder.filePath(QStringLiteral("host.sqlite"));
        HostDatabase::createDatabase(path, 0);
        m_module.host.DBConnection = Connection::openSqlite(path);
        const char *statements[] = {
            "INSERT INTO Roles VALUES (50, 'Zone Test')",
            "INSERT INTO Operators VALUES (500, 'zones', 'Zone Tester', 50, 1, 0, 0)",
            // Simple zones: name, Sunday ... Saturday, start, end.
            "INSERT INTO TimeZones VALUES (101, 'Office', 0, 1, 1, 1, 1, 1, 0, '08:00', '17:00')",
            "INSERT INTO TimeZones VALUES (102, 'Sunday Late', 1, 0, 0, 0, 0, 0, 0, '23:00', '23:59')",
            "INSERT INTO TimeZones VALUES (103, 'Across Midnight', 1, 1, 1, 1, 1, 1, 1, '22:00', '06:00')",
            "INSERT INTO TimeZones VALUES (104, 'Monday Early', 0, 1, 0, 0, 0, 0, 0, '00:00', '00:59')",
            "INSERT INTO TimeZones VALUES (105, 'Saturday', 0, 0, 0, 0, 0, 0, 1, '00:00', '23:59')",
            "INSERT INTO MasterTimeZones VALUES (200, 'Office And Weekend')",
            "INSERT INTO mastertimezonestotimezones VALUES (200, 101), (200, 102), (200, 105)",
            "INSERT INTO GenericTimeZones VALUES (101, 101, 0, 'Office'), (102, 102, 0, 'Sunday Late'),"
            " (103, 103, 0, 'Across Midnight'), (104, 104, 0, 'Monday Early'), (110, 200, 1, 'Master'),"
            " (111, 101, 5, 'Unknown Kind'), (112, 999, 0, 'Missing Zone')",
            // "Always" points at a zone that is never active: only its number may grant.
            "UPDATE GenericTimeZones SET GlobalTimeZoneID = 1 WHERE GenericTimeZoneID = 2",
        };
        for (const char *statement : statements)
            m_module.db().execute(QString::fromUtf8(statement));
    }

    void grant(const std::vector<qint32> &zones)
    {
        m_module.db().execute(QStringLiteral("DELETE FROM RoleTimeZones WHERE RoleID = 50"));
        int order = 0;
        for (qint32 zone : zones)
            m_module.db().execute(QStringLiteral("INSERT INTO RoleTimeZones VALUES (50, %1, %2)").arg(zone).arg(++order));
    }

    // The statements sent while body runs.
    template <typename Body>
    [[nodiscard]] Texts traced(Body &&body)
    {
        const QString path = m_folder.filePath(QStringLiteral("trace%1.sql").arg(++m_traces));
        m_module.db().setTraceFile(path);
        body();
        m_module.db().setTraceFile(QString());
        QFile file(path);
        Texts statements;
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
                statements.push_back(line.toStdString());
        return statements;
    }

    [[nodiscard]] Texts reportedLabels() const { return Testing::reportedLabels(*m_desktop); }

    QTemporaryDir m_folder;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    MPublic m_module{m_desktop, m_folder.path()};
    TimeZones m_zones{m_module};
    int m_traces = 0;
};

TEST_F(TimeZonesTest, EventInGrantedZones)
{
    struct Case { const char *name; std::vector<qint32> granted; Date eventTime; bool inZone; };
    const Case cases[] = {
        {"nothing granted", {}, monday(9, 0), false},
        {"never first, then an active zone", {1, 101}, monday(9, 0), false},
        {"always", {2}, monday(9, 0), true},
        {"active zone, then never", {101, 1}, monday(9, 0), true},
        {"inactive zone, then never", {101, 1}, monday(19, 0), false},
        {"day not in the zone", {101}, sunday(9, 0), false},
        {"across midnight", {103}, monday(23, 0), false},
        {"Sunday 23:59 reads Sunday", {102}, sunday(23, 59, 30), true},
        {"Sunday 23:59 is not Monday", {104}, sunday(23, 59, 30), false},
        {"Monday just after midnight", {104}, monday(0, 0, 30), true},
        {"later zone grants", {101, 102}, sunday(23, 30), true},
        {"master zone", {110}, saturday(10, 0), true},
        {"master zone outside its members", {110}, monday(20, 0), false},
        {"unknown zone kind", {111}, monday(9, 0), false},
        {"zone without its definition", {112}, monday(9, 0), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        grant(c.granted);
        EXPECT_EQ(m_zones.Role_EventInTimeZone(operatorId, c.eventTime), c.inZone);
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

// Fixed zones decide without reading definitions; a master zone stops at its first matching member.
TEST_F(TimeZonesTest, StatementsSent)
{
    const std::pair<std::vector<qint32>, bool> fixed[] = {{{2, 101}, true}, {{1, 101}, false}};
    for (const auto &c : fixed) {
        grant(c.first);
        EXPECT_EQ(traced([&] { EXPECT_EQ(m_zones.Role_EventInTimeZone(operatorId, monday(9, 0)), c.second); }),
                  Texts{"EXEC rp_Role_Routing_Granted_Timezones 500"});
    }

    const std::string members = "select * from mastertimezonestotimezones where mastertimezoneid=200";
    struct Case { qint32 zone; Date time; Texts statements; };
    const Case cases[] = {
        {101, monday(12, 0), {zoneQuery + "101", "rp_FetchTimeZoneInfo 101"}},
        {110, monday(9, 0), {zoneQuery + "110", members, "rp_FetchTimeZoneInfo 101"}},
        {110, saturday(10, 0),
         {zoneQuery + "110", members, "rp_FetchTimeZoneInfo 101", "rp_FetchTimeZoneInfo 102",
          "rp_FetchTimeZoneInfo 105"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.zone);
        EXPECT_EQ(traced([&] { EXPECT_TRUE(m_zones.IsTZActive(c.zone, c.time)); }), c.statements);
    }
}

TEST_F(TimeZonesTest, FailuresAreReportedAndDoNotGrant)
{
    // A granted zone with no definition fails on its own and the list goes on.
    grant({113, 101});
    EXPECT_TRUE(m_zones.Role_EventInTimeZone(operatorId, monday(9, 0)));
    EXPECT_EQ(reportedLabels(), Texts{"MPublic.IsTZActive"});

    m_desktop->clearRecords();
    m_module.host.DBConnection.reset();
    EXPECT_FALSE(m_zones.Role_EventInTimeZone(operatorId, monday(9, 0)));
    EXPECT_FALSE(m_zones.IsTZActive(101, monday(9, 0)));
    EXPECT_EQ(reportedLabels(), (Texts{"MPublic.Role_EventInTimeZone", "MPublic.IsTZActive"}));
}

TEST(TimeZonesStatic, TimeInRangeComparesMinutesAsText)
{
    struct Case { Date time; const char *start; const char *end; bool inRange; };
    const Case cases[] = {
        {monday(8, 0), "08:00", "17:00", true},       {monday(17, 0, 59), "08:00", "17:00", true},
        {monday(7, 59, 59), "08:00", "17:00", false}, {monday(17, 1), "08:00", "17:00", false},
        {monday(23, 0), "22:00", "06:00", false},     {monday(13, 5), "13:05", "13:05", true},
        {monday(13, 0), "9:00", "17:00", false}, // "9:00" sorts after "13:00"
    };
    for (const Case &c : cases)
        EXPECT_EQ(TimeZones::IsTimeInRange(c.time, c.start, c.end), c.inRange)
            << c.time.toString().toStdString() << " " << c.start << "-" << c.end;
}

} // namespace
} // namespace Ostraven
