#include "support/reportedlabels.h"
#include "support/testdatabase.h"
#include "viewer/eventadmission.h"
#include "viewer/eventcolouring.h"
#include "module/mpublic.h"
#include "model/cgenericevent.h"

#include <QTemporaryDir>

// The rules every event meets on its way to a row: admission by the filter group, then its colour.
namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
enum Mode { In, Ex }; // the group includes or excludes what its strings name
enum class Via { Line, Routine, Record }; // a text line, its second-family routine, or a record
using Labels = std::vector<std::string>;
// An archived event's text line as the row insertion splits it.
QStringList lineFields(const QString &address, const QString &number)
{
    return {"6/14/2024 10:00:00 AM", "6/14/2024 10:00:01 AM", address, number, "KORA*GATE External", "Door opened"};
}

class AdmissionTest : public ::testing::Test
{
protected:
    void useGroup(Mode mode, const QStringList &strings)
    {
        m_module.filter.FilterActive = true;
        m_module.filter.FilterInclusive = mode == In;
        m_module.filter.FilterStrings = strings;
    }
    [[nodiscard]] Labels reportedLabels() const { return Testing::reportedLabels(*m_desktop); }
    // Whether the event is admitted, and the address as the check leaves it for the caller.
    std::pair<bool, std::string> check(Via via, const QString &address, const QString &number)
    {
        if (via == Via::Record) {
            cGenericEvent record;
            record.setEventID(number.toInt());
            record.setAddress(address);
            const bool admitted = m_admission.CheckGenericEvent(record);
            return {admitted, record.Address().toStdString()};
        }
        QStringList fields = lineFields(address, number);
        const bool admitted = via == Via::Routine ? m_admission.CheckEvent(fields, EventAdmission::SecondFamily{})
                                                  : m_admission.CheckEvent(fields);
        return {admitted, fields.at(2).toStdString()};
    }
    QTemporaryDir m_folder;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    MPublic m_module{m_desktop, m_folder.path()};
    EventAdmission m_admission{m_module};
};
// A failure is reported under its label and leaves the mode's default.
struct AdmissionCase {
    const char *name; Mode mode; QStringList strings; QString address, number; bool admitted; Via via = Via::Line;
    const char *label = nullptr;
};
class GroupAdmission : public AdmissionTest, public ::testing::WithParamInterface<AdmissionCase> {};
TEST_P(GroupAdmission, DecidesAndLeavesTheAddress)
{
    const AdmissionCase &c = GetParam();
    useGroup(c.mode, c.strings);
    EXPECT_EQ(check(c.via, c.address, c.number), std::make_pair(c.admitted, c.address.toStdString()));
    EXPECT_EQ(reportedLabels(), c.label ? Labels{c.label} : Labels{});
}

// The always-shown band and the never-shown event come before any criterion; address criteria compare the
// address without its server part as a text prefix; event criteria the number as text, then the addresses.
// The second-family routine called directly uses containment for every string; records compare the band
// and the event number as numbers, addresses by containment. The general check skips an empty string, the
// second-family check it hands over to does not; past 32 bits the address strips to nothing and every pattern
// is looked for in it.
INSTANTIATE_TEST_SUITE_P(Admission, GroupAdmission, ::testing::Values(
    AdmissionCase{"BandComparedAsText", In, {"2100"}, R"(\\SRV1.1)", "87500", true},
    AdmissionCase{"8800IsPastTheBand", In, {}, R"(\\SRV1.1)", "8800", false},
    AdmissionCase{"1020InExcludeMode", Ex, {"2100"}, R"(\\SRV1.1)", "1020", false},
    AdmissionCase{"ExcludeModeWithoutAMatch", Ex, {"2100"}, R"(\\SRV1.1)", "2200", true},
    AdmissionCase{"ServerPartIgnored", In, {R"(\\SRV1.2)"}, R"(\\SRV7.2.5)", "2100", true},
    AdmissionCase{"TailIsATextPrefix", In, {R"(\\SRV1.1.2)"}, R"(\\SRV1.1.25)", "2100", true},
    AdmissionCase{"PatternAfterABackslashInTheTail", In, {R"(\\SRV1.2)"}, R"(\\SRV1.DOOR\\2.5)", "2100", true},
    AdmissionCase{"AnyAddressItem", In, {R"(\\SRV1.3,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
    AdmissionCase{"EventNumberIsText", In, {"2100.0"}, R"(\\SRV1.2.5)", "2100", false},
    AdmissionCase{"EventWithMatchingAddress", In, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
    AdmissionCase{"EventNumberDecidesFirst", In, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2200", false},
    AdmissionCase{"EmptyAddressItemMatchesAll", In, {"2100,"}, R"(\\SRV9.9)", "2100", true},
    AdmissionCase{"EmptyFilterStringSkipped", In, {"", "2100"}, R"(\\SRV1.2.5)", "2100", true},
    AdmissionCase{"LaterStringsAreRead", Ex, {"2200", R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", false},
    AdmissionCase{"ZEKOStringAdmitsAtOnceExclude", Ex, {R"(\\ZEKO01)", R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
    AdmissionCase{"SecondFamilyByContainment", In, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.002.0003)", "85000", true},
    AdmissionCase{"SecondFamilyReadsEveryString", In, {R"(\\SRV1.1)", R"(\\ZEKO09)", R"(\\ZEKO01.2)"}, R"(\\ZEKO01.2.3)", "85000", true},
    AdmissionCase{"EarlierStringDecidesByPrefix", In, {R"(\\SRV1.002)", R"(\\ZEKO09)"}, R"(\\ZEKO01.002.3)", "85000", true},
    AdmissionCase{"SecondFamilyEventNumber", In, {R"(\\ZEKO09)", R"(85000,\\ZEKO01.2)"}, R"(\\ZEKO01.21.3)", "85000", true},
    AdmissionCase{"ZEKOInsideAnOrdinaryString", In, {R"(2100,\\ZEKO01)"}, R"(\\SRV1.2.5)", "2100", false},
    AdmissionCase{"RoutineZerosStripped", In, {R"(\\ZEKO01.02.03)"}, R"(\\ZEKO01.002.0003)", "85000", true, Via::Routine},
    AdmissionCase{"RoutineServerPartCounts", In, {R"(\\SRV1.2)"}, R"(\\SRV2.2.5)", "2100", false, Via::Routine},
    AdmissionCase{"RoutineEventNumberAsText", In, {"85000.0"}, R"(\\ZEKO01.2)", "85000", false, Via::Routine},
    AdmissionCase{"RoutineEventWithAddress", Ex, {R"(85000,ZEKO01.2)"}, R"(\\ZEKO01.2)", "85000", false, Via::Routine},
    AdmissionCase{"RecordBandStart", In, {"2100"}, R"(\\SRV1.1)", "8700", true, Via::Record},
    AdmissionCase{"RecordBelowTheBand", In, {"2100"}, R"(\\SRV1.1)", "8699", false, Via::Record},
    AdmissionCase{"RecordPastTheBand", In, {"2100"}, R"(\\SRV1.1)", "8800", false, Via::Record},
    AdmissionCase{"RecordEventNumberAsANumber", In, {"2100.0"}, R"(\\SRV1.1)", "2100", true, Via::Record},
    AdmissionCase{"RecordSecondFamilyZeros", In, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.002.0003)", "85000", true, Via::Record},
    AdmissionCase{"RecordEmptyAddressItem", In, {"85000,"}, R"(\\ZEKO05.1)", "85000", true, Via::Record},
    AdmissionCase{"EmptyStringSecondFamily", In, {"", R"(\\ZEKO01)"}, R"(\\ZEKO01.1)", "85000", false, Via::Line, "FEvents.CheckEvent"},
    AdmissionCase{"EmptyStringExclude", Ex, {R"(\\ZEKO09)", ""}, R"(\\ZEKO01.1)", "85000", true, Via::Line, "FEvents.CheckEvent"},
    AdmissionCase{"AddressPartPast32Bits", In, {R"(\\ZEKO01)"}, R"(\\ZEKO01.99999999999)", "85000", false, Via::Line, "FEvents.StripZeros"},
    AdmissionCase{"RecordEmptyStringExclude", Ex, {"2100", ""}, R"(\\SRV1.1)", "2200", true, Via::Record, "FEvents.CheckGenericEvent"}),
    [](const auto &row) { return std::string(row.param.name); });
TEST_F(AdmissionTest, LeadingDollarIsRemovedForTheCaller)
{
    // The always-shown band and the never-shown event keep it.
    const std::tuple<Mode, const char *, const char *, bool> cases[] = {{In, "2100", R"(\\SRV1.2.5)", true},
        {In, "8710", R"($\\SRV1.2.5)", true}, {Ex, "1020", R"($\\SRV1.2.5)", false}};
    for (const auto &[mode, number, written, admitted] : cases) {
        useGroup(mode, {R"(\\SRV1.2)"});
        for (Via via : {Via::Line, Via::Routine, Via::Record})
            EXPECT_EQ(check(via, R"($\\SRV1.2.5)", number), std::make_pair(admitted, std::string(written)))
                << number << " via " << int(via);
    }
}

TEST_F(AdmissionTest, TooFewFieldsAreReportedAndLeaveTheModeDefault)
{
    for (const Mode mode : {In, Ex}) {
        useGroup(mode, {"2100"});
        QStringList fields{"a", "b", R"(\\SRV1.1)"};
        EXPECT_EQ(m_admission.CheckEvent(fields), mode == Ex);
    }
    EXPECT_EQ(reportedLabels(), Labels({"FEvents.CheckEvent", "FEvents.CheckEvent"}));
}

TEST_F(AdmissionTest, StripZerosWritesNumericPartsWithoutLeadingZeros)
{
    const std::pair<const char *, const char *> cases[] = {{R"(\\ZEKO01.002.0003)", R"(\\ZEKO01.2.3)"}, {"0.00.000", "0.0.0"},
        {R"(\\SRV1.007.B1)", R"(\\SRV1.7.B1)"}, {"1..2", "1..2"}, {"", ""}, {"2147483647.1", "2147483647.1"}};
    for (const auto &[input, expected] : cases)
        EXPECT_EQ(m_admission.StripZeros(input).toStdString(), expected) << input;
    EXPECT_EQ(m_admission.StripZeros("1.2147483648").toStdString(), "");
    EXPECT_EQ(reportedLabels(), Labels{"FEvents.StripZeros"});
}

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
    expectColours({{-5, "", 1}, {0, "", 1}, {999, "", 1}, {1000, "", 9}, {1500, "", 9}, {1501, "", 1}, {1999, "", 1},
        {2000, "", 10}, {3900, "", 10}, {3901, "", 1}, {3999, "", 1}, {4000, "", 4}, {4500, "", 4}, {4501, "", 1}, {4999, "", 1},
        {5000, "", 3}, {5600, "", 3}, {5999, "", 3}, {6000, "", 8}, {6500, "", 8}, {6501, "", 1}, {6999, "", 1}, {7000, "", 11},
        {7500, "", 11}, {7501, "", 1}, {7999, "", 1}, {8000, "", 6}, {8499, "", 6}, {8500, "", 7}, {8600, "", 7}, {8601, "", 1},
        {8650, "", 1}, {8699, "", 1}, {8700, "", 8}, {8799, "", 8}, {8800, "", 1}, {8999, "", 1}, {9000, "", 5}, {9100, "", 5},
        {9101, "", 1}, {9999, "", 1}, {20001, "", 1}, {79999, "", 1}, {5000, "ZEKO Software", 3}, {2500, "ZEKO Programming", 10}});
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
    QStringList sent; // one look-up per event
    for (const int id : {10000, 20000, 19999, 15000, 12002, 11111})
        sent << QStringLiteral("Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = %1").arg(id);
    EXPECT_EQ(database.takeTrace(), sent);
    EXPECT_TRUE(desktop->boxes().empty());
}

TEST_F(EventColouringTest, SecondFamilyByCategoryOrDefinition)
{
    database.execute(QStringLiteral("INSERT INTO ZEKO_EventDefinitions (EventID, ZEKOEventType, IsAlarm,"
                                    " DefaultDescription) VALUES (85000, 55, 0, 'T'), (85001, 22, 1, 'T'), (85002, 9, 0, 'T')"));
    database.startTrace();
    // Undefined numbers (the last two) take the first definition: the demo site's 80001, a transaction.
    expectColours({{80500, "ZEKO Programming", 8}, {80501, "ZEKO Software", 9}, {80100, "ZEKO Software", 9},
        {80100, "ZekoSeries Alarm", 3}, {85001, "ZekoSeries External", 3}, {80200, "ZekoSeries External", 4},
        {80300, "ZekoSeries Internal", 5}, {80400, "ZekoSeries Misc", 6}, {80001, "ZekoSeries Transaction", 10},
        {85000, "ZekoSeries Software", 9}, {85002, "", 8}, {80501, "zeko software", buttonFace},
        {80500, "ZEKO Programming ", buttonFace}, {99999, "", 10}, {80000, "", 10}});
    EXPECT_EQ(database.takeTrace(), QStringList{"Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions"});
    EXPECT_TRUE(desktop->boxes().empty());
}

TEST_F(EventColouringTest, EmptyDefinitionsGiveTheFirstFamilyAlarmType)
{
    database.execute(QStringLiteral("DELETE FROM ZEKO_EventDefinitions"));
    // An empty table leaves one entry of type 0, which is the alarm type.
    expectColours({{80100, "ZekoSeries Alarm", 3}, {80200, "ZekoSeries External", 3}});
}

// A failing query or a missing connection is reported and gives black; the next event is coloured again.
TEST_F(EventColouringTest, FailingQueryOrMissingConnectionIsReportedAndGivesBlack)
{
    database.execute(QStringLiteral("DROP TABLE IntegratedEvents"));
    EXPECT_EQ(colouring.AssignColor(15000, QString()), 0);
    expectColours({{4000, "", 4}});
    module.host.DBConnection.reset();
    EXPECT_EQ(colouring.AssignColor(10001, QString()), 0);
    EXPECT_EQ(reportedLabels(*desktop), Labels({"FEvents.AssignColor", "FEvents.AssignColor"}));
    EXPECT_TRUE(desktop->boxes().back().request.text.contains(QStringLiteral("Error Number: 91")));
}
} // namespace
} // namespace Ostraven::Testing
