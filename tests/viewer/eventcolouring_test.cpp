#include "support/recordingroutes.h"
#include "support/testdatabase.h"
#include "module/mpublic.h"
#include "viewer/eventcolouring.h"
#include "platform/desktop/scripteddesktop.h"
#include <QFile>
#include <gtest/gtest.h>

namespace Ostraven::Testing {
namespace {
constexpr int buttonFace = -1;
struct ColourCase { qint32 eventNumber; const char *category; int slot; };
class EventColouringTest : public ::testing::Test
{
protected:
    EventColouringTest()
    {
        module.host.DBConnection = database.connection();
        for (std::size_t index = 0; index < module.profile.colourSlots.size(); ++index)
            module.profile.colourSlots[index] = qint32(0x010101 * (index + 1));
    }
    void expectColours(std::initializer_list<ColourCase> cases)
    {
        for (const ColourCase &c : cases) {
            const qint64 expected =
                c.slot == buttonFace ? buttonFaceColour : qint64(module.profile.colourSlots[std::size_t(c.slot)]);
            EXPECT_EQ(colouring.AssignColor(c.eventNumber, QString::fromUtf8(c.category)), expected)
                << c.eventNumber << " " << c.category;
        }
    }
    TestDatabase database;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, database.folder()};
    EventColouring colouring{module};
};
TEST_F(EventColouringTest, NumberClassesAtTheirBoundsCostNoQuery)
{
    database.startTrace();
    expectColours({ {-5, "", 1},     {0, "", 1},      {999, "", 1},    {1000, "", 9},   {1500, "", 9},   {1501, "", 1},
        {1999, "", 1},   {2000, "", 10},  {3900, "", 10},  {3901, "", 1},   {3999, "", 1},   {4000, "", 4},
        {4500, "", 4},   {4501, "", 1},   {4999, "", 1},   {5000, "", 3},   {5600, "", 3},   {5999, "", 3},
        {6000, "", 8},   {6500, "", 8},   {6501, "", 1},   {6999, "", 1},   {7000, "", 11},  {7500, "", 11},
        {7501, "", 1},   {7999, "", 1},   {8000, "", 6},   {8499, "", 6},   {8500, "", 7},   {8600, "", 7},
        {8601, "", 1},   {8650, "", 1},   {8699, "", 1},   {8700, "", 8},   {8799, "", 8},   {8800, "", 1},
        {8999, "", 1},   {9000, "", 5},   {9100, "", 5},   {9101, "", 1},   {9999, "", 1},   {20001, "", 1},
        {79999, "", 1},  {5000, "ZEKO Software", 3}, {2500, "ZEKO Programming", 10},
    });
    EXPECT_TRUE(database.takeTrace().isEmpty());
    EXPECT_TRUE(desktop->boxes().empty());
}
TEST_F(EventColouringTest, ColourSlotChangesReachLaterEvents)
{
    expectColours({{4000, "", 4}});
    module.profile.colourSlots[4] = 255;
    EXPECT_EQ(colouring.AssignColor(4000, QString()), 255);
}
TEST_F(EventColouringTest, IntegratedEventsAreAlarmsWhenTheSiteFlagsThem)
{
    database.execute(QStringLiteral("INSERT INTO IntegratedEvents (EventID, DefaultDescription, IsAlarm)"
                                    " VALUES (10000, 'Lowest', 1), (20000, 'Highest', 1), (19999, 'No alarm', 0)"));
    database.startTrace();
    expectColours({{10000, "", 3}, {20000, "", 3}, {19999, "", 1}, {15000, "", 1}, {12002, "", 3}, {11111, "", 1}});
    const QStringList sent = database.takeTrace();
    ASSERT_EQ(sent.size(), 6);
    EXPECT_EQ(sent.first(), QStringLiteral("Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 10000"));
    EXPECT_EQ(sent.last(), QStringLiteral("Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 11111"));
    EXPECT_TRUE(desktop->boxes().empty());
}
TEST_F(EventColouringTest, SecondFamilyByCategoryOrDefinition)
{
    database.execute(QStringLiteral("INSERT INTO ZEKO_EventDefinitions (EventID, ZEKOEventType, IsAlarm,"
                                    " DefaultDescription) VALUES (85000, 55, 0, 'T'), (85001, 22, 1, 'T'), (85002, 9, 0, 'T')"));
    database.startTrace();
    expectColours({ {80500, "ZEKO Programming", 8}, {80501, "ZEKO Software", 9}, {80100, "ZEKO Software", 9},
        {80100, "ZekoSeries Alarm", 3}, {85001, "ZekoSeries External", 3}, {80200, "ZekoSeries External", 4},
        {80300, "ZekoSeries Internal", 5}, {80400, "ZekoSeries Misc", 6}, {80001, "ZekoSeries Transaction", 10},
        {85000, "ZekoSeries Software", 9}, {85002, "", 8}, {80501, "zeko software", buttonFace},
        {80500, "ZEKO Programming ", buttonFace},
        // Undefined numbers take the first definition: the demo site's 80001, a transaction.
        {99999, "", 10}, {80000, "", 10},
    });
    EXPECT_EQ(database.takeTrace(),
              QStringList{QStringLiteral("Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions")});
    EXPECT_TRUE(desktop->boxes().empty());
}
TEST_F(EventColouringTest, EmptyDefinitionsGiveTheFirstFamilyAlarmType)
{
    database.execute(QStringLiteral("DELETE FROM ZEKO_EventDefinitions"));
    // An empty table leaves one entry of type 0, which is the alarm type.
    expectColours({{80100, "ZekoSeries Alarm", 3}, {80200, "ZekoSeries External", 3}});
}
TEST_F(EventColouringTest, FailingQueryIsReportedAndGivesBlack)
{
    database.execute(QStringLiteral("DROP TABLE IntegratedEvents"));
    EXPECT_EQ(colouring.AssignColor(15000, QString()), 0);
    ASSERT_EQ(desktop->boxes().size(), 1u);
    const QString text = desktop->boxes().front().request.text;
    EXPECT_TRUE(text.contains(QStringLiteral(".FEvents.AssignColor("))) << text.toStdString();
    QFile log(module.errors().logFilePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly | QIODevice::Text));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("FEvents.AssignColor")));
    expectColours({{4000, "", 4}});
    EXPECT_EQ(desktop->boxes().size(), 1u);
}
TEST_F(EventColouringTest, MissingConnectionIsReported)
{
    module.host.DBConnection.reset();
    EXPECT_EQ(colouring.AssignColor(10001, QString()), 0);
    ASSERT_EQ(desktop->boxes().size(), 1u);
    EXPECT_TRUE(desktop->boxes().front().request.text.contains(QStringLiteral("Error Number: 91")));
    EXPECT_TRUE(desktop->boxes().front().request.text.contains(QStringLiteral("FEvents.AssignColor")));
}
} // namespace
} // namespace Ostraven::Testing
