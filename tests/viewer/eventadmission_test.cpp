#include "support/reportedlabels.h"
#include "viewer/eventadmission.h"
#include "module/mpublic.h"
#include "model/cgenericevent.h"
#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
enum class Mode { Include, Exclude };
constexpr Mode In = Mode::Include, Ex = Mode::Exclude;
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
        m_module.filter.FilterInclusive = mode == Mode::Include;
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
struct AdmissionCase { const char *name; Mode mode; QStringList strings; QString address, number; bool admitted; Via via = Via::Line; };
class GroupAdmission : public AdmissionTest, public ::testing::WithParamInterface<AdmissionCase> {};
TEST_P(GroupAdmission, DecidesAndLeavesTheAddress)
{
    const AdmissionCase &c = GetParam();
    useGroup(c.mode, c.strings);
    EXPECT_EQ(check(c.via, c.address, c.number), std::make_pair(c.admitted, c.address.toStdString()));
    EXPECT_TRUE(m_desktop->boxes().empty());
}
// The always-shown band and the never-shown event come before any criterion; address criteria compare the
// address without its server part as a text prefix; event criteria the number as text, then the addresses.
// The second-family routine called directly uses containment for every string; records compare the band
// and the event number as numbers, addresses by containment.
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
    AdmissionCase{"RecordEmptyAddressItem", In, {"85000,"}, R"(\\ZEKO05.1)", "85000", true, Via::Record}),
    [](const auto &row) { return std::string(row.param.name); });
TEST_F(AdmissionTest, LeadingDollarIsRemovedForTheCaller)
{
    const std::tuple<Mode, const char *, const char *, bool> cases[] = {
        {In, "2100", R"(\\SRV1.2.5)", true},
        {In, "8710", R"($\\SRV1.2.5)", true},  // always-shown band keeps it
        {Ex, "1020", R"($\\SRV1.2.5)", false}, // never-shown event keeps it
    };
    for (const auto &[mode, number, written, admitted] : cases) {
        useGroup(mode, {R"(\\SRV1.2)"});
        for (Via via : {Via::Line, Via::Routine, Via::Record})
            EXPECT_EQ(check(via, R"($\\SRV1.2.5)", number), std::make_pair(admitted, std::string(written)))
                << number << " via " << int(via);
    }
}
struct FailureCase { const char *name; Mode mode; QStringList strings, fields; bool admitted; const char *label; };
class AdmissionFailure : public AdmissionTest, public ::testing::WithParamInterface<FailureCase> {};
TEST_P(AdmissionFailure, IsReportedAndLeavesTheModeDefault)
{
    const FailureCase &c = GetParam();
    useGroup(c.mode, c.strings);
    QStringList fields = c.fields;
    EXPECT_EQ(m_admission.CheckEvent(fields), c.admitted);
    EXPECT_EQ(reportedLabels(), Labels{c.label});
}
// The general check skips an empty string, the second-family check it hands over to does not; past 32 bits
// the address strips to nothing and every pattern is looked for in it.
INSTANTIATE_TEST_SUITE_P(Admission, AdmissionFailure, ::testing::Values(
    FailureCase{"TooFewFieldsInclude", In, {"2100"}, {"a", "b", R"(\\SRV1.1)"}, false, "FEvents.CheckEvent"},
    FailureCase{"TooFewFieldsExclude", Ex, {"2100"}, {"a", "b", R"(\\SRV1.1)"}, true, "FEvents.CheckEvent"},
    FailureCase{"EmptyStringSecondFamily", In, {"", R"(\\ZEKO01)"}, lineFields(R"(\\ZEKO01.1)", "85000"), false, "FEvents.CheckEvent"},
    FailureCase{"EmptyStringExclude", Ex, {R"(\\ZEKO09)", ""}, lineFields(R"(\\ZEKO01.1)", "85000"), true, "FEvents.CheckEvent"},
    FailureCase{"AddressPartPast32Bits", In, {R"(\\ZEKO01)"}, lineFields(R"(\\ZEKO01.99999999999)", "85000"), false,
                "FEvents.StripZeros"}),
    [](const auto &row) { return std::string(row.param.name); });
TEST_F(AdmissionTest, RecordFailureIsReported)
{
    useGroup(Ex, {"2100", ""});
    EXPECT_TRUE(check(Via::Record, R"(\\SRV1.1)", "2200").first);
    EXPECT_EQ(reportedLabels(), Labels{"FEvents.CheckGenericEvent"});
}
TEST_F(AdmissionTest, StripZerosWritesNumericPartsWithoutLeadingZeros)
{
    const std::pair<const char *, const char *> cases[] = {{R"(\\ZEKO01.002.0003)", R"(\\ZEKO01.2.3)"}, {"0.00.000", "0.0.0"},
        {R"(\\SRV1.007.B1)", R"(\\SRV1.7.B1)"}, {"1..2", "1..2"}, {"", ""}, {"2147483647.1", "2147483647.1"}};
    for (const auto &[input, expected] : cases)
        EXPECT_EQ(m_admission.StripZeros(input).toStdString(), expected) << input;
    EXPECT_TRUE(m_desktop->boxes().empty());
    EXPECT_EQ(m_admission.StripZeros("1.2147483648").toStdString(), "");
    EXPECT_EQ(reportedLabels(), Labels{"FEvents.StripZeros"});
}
} // namespace
} // namespace Ostraven
