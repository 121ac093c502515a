#include "support/reportedlabels.h"
#include "viewer/eventadmission.h"

#include "module/mpublic.h"
#include "model/cgenericevent.h"
#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace Ostraven {
namespace {

enum class Mode { Include, Exclude };
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

TEST_F(AdmissionTest, EventsAgainstTheGroup)
{
    constexpr Mode In = Mode::Include, Ex = Mode::Exclude;
    struct Case { const char *name; Mode mode; QStringList strings;
        QString address; QString number; bool admitted; Via via = Via::Line; };
    const std::vector<Case> cases = {
        // The always-shown band and the never-shown event come before any criterion.
        {"band compared as text", In, {"2100"}, R"(\\SRV1.1)", "87500", true},
        {"8800 is past the band", In, {}, R"(\\SRV1.1)", "8800", false},
        {"1020 in exclude mode", Ex, {"2100"}, R"(\\SRV1.1)", "1020", false},
        {"exclude mode without a match", Ex, {"2100"}, R"(\\SRV1.1)", "2200", true},
        // Address criteria: the address without its server part, as a text prefix.
        {"server part ignored", In, {R"(\\SRV1.2)"}, R"(\\SRV7.2.5)", "2100", true},
        {"tail is a text prefix", In, {R"(\\SRV1.1.2)"}, R"(\\SRV1.1.25)", "2100", true},
        {"pattern after a backslash in the tail", In, {R"(\\SRV1.2)"}, R"(\\SRV1.DOOR\\2.5)", "2100", true},
        {"any address item", In, {R"(\\SRV1.3,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
        // Event criteria: the number as text, then the optional addresses.
        {"event number is text", In, {"2100.0"}, R"(\\SRV1.2.5)", "2100", false},
        {"event with matching address", In, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
        {"event number decides first", In, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2200", false},
        {"empty address item matches all", In, {"2100,"}, R"(\\SRV9.9)", "2100", true},
        {"empty filter string skipped", In, {"", "2100"}, R"(\\SRV1.2.5)", "2100", true},
        {"later strings are read", Ex, {"2200", R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", false},
        // Second-family criteria.
        {"ZEKO string admits at once, exclude", Ex, {R"(\\ZEKO01)", R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
        {"second family by containment", In, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.002.0003)", "85000", true},
        {"second family reads every string", In, {R"(\\SRV1.1)", R"(\\ZEKO09)", R"(\\ZEKO01.2)"}, R"(\\ZEKO01.2.3)",
         "85000", true},
        {"earlier string decides by prefix", In, {R"(\\SRV1.002)", R"(\\ZEKO09)"}, R"(\\ZEKO01.002.3)", "85000", true},
        {"second-family event number", In, {R"(\\ZEKO09)", R"(85000,\\ZEKO01.2)"}, R"(\\ZEKO01.21.3)", "85000", true},
        {"ZEKO inside an ordinary string", In, {R"(2100,\\ZEKO01)"}, R"(\\SRV1.2.5)", "2100", false},
        // The second-family routine called directly uses containment for every string.
        {"routine: zeros stripped", In, {R"(\\ZEKO01.02.03)"}, R"(\\ZEKO01.002.0003)", "85000", true, Via::Routine},
        {"routine: server part counts", In, {R"(\\SRV1.2)"}, R"(\\SRV2.2.5)", "2100", false, Via::Routine},
        {"routine: event number as text", In, {"85000.0"}, R"(\\ZEKO01.2)", "85000", false, Via::Routine},
        {"routine: event with address", Ex, {R"(85000,ZEKO01.2)"}, R"(\\ZEKO01.2)", "85000", false, Via::Routine},
        // Records compare the band and the event number as numbers, addresses by containment.
        {"record: band start", In, {"2100"}, R"(\\SRV1.1)", "8700", true, Via::Record},
        {"record: below the band", In, {"2100"}, R"(\\SRV1.1)", "8699", false, Via::Record},
        {"record: past the band", In, {"2100"}, R"(\\SRV1.1)", "8800", false, Via::Record},
        {"record: event number as a number", In, {"2100.0"}, R"(\\SRV1.1)", "2100", true, Via::Record},
        {"record: second family, zeros", In, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.002.0003)", "85000", true, Via::Record},
        {"record: empty address item", In, {"85000,"}, R"(\\ZEKO05.1)", "85000", true, Via::Record},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useGroup(c.mode, c.strings);
        const auto [admitted, written] = check(c.via, c.address, c.number);
        EXPECT_EQ(admitted, c.admitted);
        EXPECT_EQ(written, c.address.toStdString());
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(AdmissionTest, LeadingDollarIsRemovedForTheCaller)
{
    struct Case { Mode mode; const char *number; const char *written; bool admitted; };
    const Case cases[] = {
        {Mode::Include, "2100", R"(\\SRV1.2.5)", true},
        {Mode::Include, "8710", R"($\\SRV1.2.5)", true},  // always-shown band keeps it
        {Mode::Exclude, "1020", R"($\\SRV1.2.5)", false}, // never-shown event keeps it
    };
    for (const Case &c : cases) {
        useGroup(c.mode, {R"(\\SRV1.2)"});
        for (Via via : {Via::Line, Via::Routine, Via::Record}) {
            SCOPED_TRACE(std::string(c.number) + " via " + std::to_string(int(via)));
            EXPECT_EQ(check(via, R"($\\SRV1.2.5)", c.number), std::make_pair(c.admitted, std::string(c.written)));
        }
    }
}

TEST_F(AdmissionTest, FailuresAreReportedAndLeaveTheModeDefault)
{
    struct Case { const char *name; Mode mode; QStringList strings;
        QStringList fields; bool admitted; const char *label; };
    const Case cases[] = {
        {"too few fields, include", Mode::Include, {"2100"}, {"a", "b", R"(\\SRV1.1)"}, false, "FEvents.CheckEvent"},
        {"too few fields, exclude", Mode::Exclude, {"2100"}, {"a", "b", R"(\\SRV1.1)"}, true, "FEvents.CheckEvent"},
        // The general check skips an empty string, the second-family check it hands over to does not.
        {"empty string, second family", Mode::Include, {"", R"(\\ZEKO01)"}, lineFields(R"(\\ZEKO01.1)", "85000"),
         false, "FEvents.CheckEvent"},
        {"empty string, exclude", Mode::Exclude, {R"(\\ZEKO09)", ""}, lineFields(R"(\\ZEKO01.1)", "85000"), true,
         "FEvents.CheckEvent"},
        // Past 32 bits the address strips to nothing and every pattern is looked for in it.
        {"address part past 32 bits", Mode::Include, {R"(\\ZEKO01)"},
         lineFields(R"(\\ZEKO01.99999999999)", "85000"), false, "FEvents.StripZeros"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_desktop->clearRecords();
        useGroup(c.mode, c.strings);
        QStringList fields = c.fields;
        EXPECT_EQ(m_admission.CheckEvent(fields), c.admitted);
        EXPECT_EQ(reportedLabels(), Labels{c.label});
    }

    m_desktop->clearRecords();
    useGroup(Mode::Exclude, {"2100", ""});
    EXPECT_TRUE(check(Via::Record, R"(\\SRV1.1)", "2200").first);
    EXPECT_EQ(reportedLabels(), Labels{"FEvents.CheckGenericEvent"});
}

TEST_F(AdmissionTest, StripZerosWritesNumericPartsWithoutLeadingZeros)
{
    const std::pair<const char *, const char *> cases[] = {
        {R"(\\ZEKO01.002.0003)", R"(\\ZEKO01.2.3)"}, {"0.00.000", "0.0.0"}, {R"(\\SRV1.007.B1)", R"(\\SRV1.7.B1)"},
        {"1..2", "1..2"}, {"", ""}, {"2147483647.1", "2147483647.1"},
    };
    for (const auto &[input, expected] : cases)
        EXPECT_EQ(m_admission.StripZeros(input).toStdString(), expected) << input;
    EXPECT_TRUE(m_desktop->boxes().empty());

    EXPECT_EQ(m_admission.StripZeros("1.2147483648").toStdString(), "");
    EXPECT_EQ(reportedLabels(), Labels{"FEvents.StripZeros"});
}

} // namespace
} // namespace Ostraven
