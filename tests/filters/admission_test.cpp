#include "viewer/eventadmission.h"

#include "filters/mpublic.h"
#include "model/cgenericevent.h"
#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace Ostraven {
namespace {

enum class Mode { Include, Exclude };

class AdmissionTest : public ::testing::Test
{
protected:
    void useGroup(Mode mode, const QStringList &strings)
    {
        m_module.FilterActive = true;
        m_module.FilterInclusive = mode == Mode::Include;
        m_module.FilterStrings = strings;
    }

    [[nodiscard]] std::vector<std::string> reportedLabels() const
    {
        std::vector<std::string> labels;
        for (const ScriptedDesktop::ShownBox &box : m_desktop->boxes()) {
            // "Function: <source>.<label>(<line>)"; the source names whoever raised the error.
            const QString &text = box.request.text;
            const qsizetype function = text.indexOf(QStringLiteral("Function: ")) + 10;
            const qsizetype start = text.indexOf(QLatin1Char('.'), function) + 1;
            labels.push_back(text.mid(start, text.indexOf(QLatin1Char('('), start) - start).toStdString());
        }
        return labels;
    }

    QTemporaryDir m_folder;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    MPublic m_module{m_desktop, m_folder.path()};
    EventAdmission m_admission{m_module};
};

// An archived event's text line as the row insertion splits it.
QStringList lineFields(const QString &address, const QString &number)
{
    return {QStringLiteral("6/14/2024 10:00:00 AM"), QStringLiteral("6/14/2024 10:00:01 AM"), address, number,
            QStringLiteral("KORA*GATE External"), QStringLiteral("Door opened")};
}

struct TextCase {
    const char *name;
    Mode mode;
    QStringList strings;
    QString address;
    QString number;
    bool admitted;
};

TEST_F(AdmissionTest, TextEventsAgainstTheGroup)
{
    const std::vector<TextCase> cases = {
        // The always-shown band and the never-shown event come before any criterion.
        {"8705 in include mode", Mode::Include, {"2100"}, R"(\\SRV1.1)", "8705", true},
        {"band compared as text", Mode::Include, {"2100"}, R"(\\SRV1.1)", "87500", true},
        {"87999 is past the band", Mode::Include, {"2100"}, R"(\\SRV1.1)", "87999", false},
        {"8800 is past the band", Mode::Include, {}, R"(\\SRV1.1)", "8800", false},
        {"1020 in exclude mode", Mode::Exclude, {"2100"}, R"(\\SRV1.1)", "1020", false},
        {"exclude mode without a match", Mode::Exclude, {"2100"}, R"(\\SRV1.1)", "2200", true},
        {"include mode without a match", Mode::Include, {"2100"}, R"(\\SRV1.1)", "2200", false},
        // Address criteria compare the address without its server part, as a text prefix.
        {"address pattern, include", Mode::Include, {R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
        {"address pattern, exclude", Mode::Exclude, {R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", false},
        {"server part ignored", Mode::Include, {R"(\\SRV1.2)"}, R"(\\SRV7.2.5)", "2100", true},
        {"tail is a text prefix", Mode::Include, {R"(\\SRV1.1.2)"}, R"(\\SRV1.1.25)", "2100", true},
        {"pattern after a backslash inside the tail", Mode::Include, {R"(\\SRV1.2)"}, R"(\\SRV1.DOOR\\2.5)", "2100",
         true},
        {"other branch", Mode::Include, {R"(\\SRV1.2)"}, R"(\\SRV1.3.2)", "2100", false},
        {"any address item", Mode::Include, {R"(\\SRV1.3,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
        // Event criteria: the number as text, then the optional addresses.
        {"event alone", Mode::Include, {"2100"}, R"(\\SRV1.2.5)", "2100", true},
        {"event number is compared as text", Mode::Include, {"2100.0"}, R"(\\SRV1.2.5)", "2100", false},
        {"event with matching address", Mode::Include, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", true},
        {"event with other address", Mode::Include, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.3.5)", "2100", false},
        {"event number decides first", Mode::Include, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.5)", "2200", false},
        {"empty address item matches all", Mode::Include, {"2100,"}, R"(\\SRV9.9)", "2100", true},
        {"empty filter string skipped", Mode::Include, {"", "2100"}, R"(\\SRV1.2.5)", "2100", true},
        {"later strings are read", Mode::Exclude, {"2200", R"(\\SRV1.2)"}, R"(\\SRV1.2.5)", "2100", false},
        // Second-family criteria.
        {"ZEKO string admits at once in exclude mode", Mode::Exclude, {R"(\\ZEKO01)", R"(\\SRV1.2)"},
         R"(\\SRV1.2.5)", "2100", true},
        {"ZEKO string passed over in include mode", Mode::Include, {R"(\\ZEKO01)", R"(\\SRV1.2)"},
         R"(\\SRV1.2.5)", "2100", true},
        {"second-family event matched by containment", Mode::Include, {R"(\\ZEKO01.2)"},
         R"(\\ZEKO01.002.0003)", "85000", true},
        {"second-family event not matched", Mode::Include, {R"(\\ZEKO01.3)"}, R"(\\ZEKO01.002.0003)", "85000",
         false},
        {"second-family event hidden", Mode::Exclude, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.002.0003)", "85000", false},
        {"second-family routine reads every string", Mode::Include, {R"(\\SRV1.1)", R"(\\ZEKO09)", R"(\\ZEKO01.2)"},
         R"(\\ZEKO01.2.3)", "85000", true},
        {"earlier string decides with prefix matching", Mode::Include, {R"(\\SRV1.002)", R"(\\ZEKO09)"},
         R"(\\ZEKO01.002.3)", "85000", true},
        {"second-family event number", Mode::Include, {R"(\\ZEKO09)", R"(85000,\\ZEKO01.2)"},
         R"(\\ZEKO01.21.3)", "85000", true},
        {"a ZEKO text inside an ordinary string", Mode::Include, {R"(2100,\\ZEKO01)"}, R"(\\SRV1.2.5)", "2100",
         false},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        useGroup(c.mode, c.strings);
        QStringList fields = lineFields(c.address, c.number);
        EXPECT_EQ(m_admission.CheckEvent(fields), c.admitted);
        EXPECT_EQ(fields.at(2).toStdString(), c.address.toStdString());
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(AdmissionTest, LeadingDollarIsRemovedForTheCaller)
{
    struct Case {
        const char *name;
        Mode mode;
        QString number;
        QString written;
        bool admitted;
    };
    const std::vector<Case> cases = {
        {"checked without the dollar", Mode::Include, "2100", R"(\\SRV1.2.5)", true},
        {"always-shown band keeps it", Mode::Include, "8710", R"($\\SRV1.2.5)", true},
        {"never-shown event keeps it", Mode::Exclude, "1020", R"($\\SRV1.2.5)", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useGroup(c.mode, {R"(\\SRV1.2)"});
        QStringList fields = lineFields(R"($\\SRV1.2.5)", c.number);
        EXPECT_EQ(m_admission.CheckEvent(fields), c.admitted);
        EXPECT_EQ(fields.at(2).toStdString(), c.written.toStdString());

        fields = lineFields(R"($\\SRV1.2.5)", c.number);
        EXPECT_EQ(m_admission.CheckEvent(fields, EventAdmission::SecondFamily{}), c.admitted);
        EXPECT_EQ(fields.at(2).toStdString(), c.written.toStdString());
    }
}

TEST_F(AdmissionTest, SecondFamilyRoutineUsesContainmentForEveryString)
{
    struct Case {
        const char *name;
        Mode mode;
        QStringList strings;
        QString address;
        QString number;
        bool admitted;
    };
    const std::vector<Case> cases = {
        {"pattern inside the address", Mode::Include, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.21.3)", "85000", true},
        {"zeros stripped on both sides", Mode::Include, {R"(\\ZEKO01.02.03)"}, R"(\\ZEKO01.002.0003)", "85000", true},
        {"server part counts", Mode::Include, {R"(\\SRV1.2)"}, R"(\\SRV2.2.5)", "2100", false},
        {"event number as text", Mode::Include, {"85000.0"}, R"(\\ZEKO01.2)", "85000", false},
        {"event with address", Mode::Exclude, {R"(85000,ZEKO01.2)"}, R"(\\ZEKO01.2)", "85000", false},
        {"no match in exclude mode", Mode::Exclude, {R"(\\ZEKO02)"}, R"(\\ZEKO01.2)", "85000", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useGroup(c.mode, c.strings);
        QStringList fields = lineFields(c.address, c.number);
        EXPECT_EQ(m_admission.CheckEvent(fields, EventAdmission::SecondFamily{}), c.admitted);
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(AdmissionTest, RecordsAgainstTheGroup)
{
    struct Case {
        const char *name;
        Mode mode;
        QStringList strings;
        QString address;
        qint32 eventId;
        bool admitted;
        QString written;
    };
    const std::vector<Case> cases = {
        {"band start", Mode::Include, {"2100"}, R"(\\SRV1.1)", 8700, true, R"(\\SRV1.1)"},
        {"band end", Mode::Include, {"2100"}, R"(\\SRV1.1)", 8799, true, R"(\\SRV1.1)"},
        {"below the band", Mode::Include, {"2100"}, R"(\\SRV1.1)", 8699, false, R"(\\SRV1.1)"},
        {"past the band", Mode::Include, {"2100"}, R"(\\SRV1.1)", 8800, false, R"(\\SRV1.1)"},
        {"never shown", Mode::Exclude, {"2100"}, R"($\\SRV1.1)", 1020, false, R"($\\SRV1.1)"},
        {"event number read as a number", Mode::Include, {"2100.0"}, R"(\\SRV1.1)", 2100, true, R"(\\SRV1.1)"},
        {"event number differs", Mode::Include, {"2101"}, R"(\\SRV1.1)", 2100, false, R"(\\SRV1.1)"},
        {"containment, first family", Mode::Include, {R"(\\SRV1.2)"}, R"($\\SRV1.2.3)", 2100, true,
         R"(\\SRV1.2.3)"},
        {"server part counts", Mode::Include, {R"(\\SRV1.2)"}, R"(\\SRV2.2.3)", 2100, false, R"(\\SRV2.2.3)"},
        {"exclude mode hides", Mode::Exclude, {R"(2100,\\SRV1.2)"}, R"(\\SRV1.2.3)", 2100, false,
         R"(\\SRV1.2.3)"},
        {"second family, zeros", Mode::Include, {R"(\\ZEKO01.2)"}, R"(\\ZEKO01.002.0003)", 85000, true,
         R"(\\ZEKO01.002.0003)"},
        {"empty address item", Mode::Include, {"85000,"}, R"(\\ZEKO05.1)", 85000, true, R"(\\ZEKO05.1)"},
        {"no match, exclude", Mode::Exclude, {R"(\\ZEKO02)", "2100"}, R"(\\ZEKO01.2)", 85000, true,
         R"(\\ZEKO01.2)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useGroup(c.mode, c.strings);
        cGenericEvent record;
        record.setEventID(c.eventId);
        record.setAddress(c.address);
        EXPECT_EQ(m_admission.CheckGenericEvent(record), c.admitted);
        EXPECT_EQ(record.Address().toStdString(), c.written.toStdString());
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

struct FailureCase {
    const char *name;
    Mode mode;
    QStringList strings;
    QStringList fields;
    bool admitted;
    std::vector<std::string> labels;
};

TEST_F(AdmissionTest, FailuresAreReportedAndLeaveTheModeDefault)
{
    const std::vector<FailureCase> cases = {
        {"too few fields, include", Mode::Include, {"2100"}, {"a", "b", R"(\\SRV1.1)"}, false,
         {"FEvents.CheckEvent"}},
        {"too few fields, exclude", Mode::Exclude, {"2100"}, {"a", "b", R"(\\SRV1.1)"}, true,
         {"FEvents.CheckEvent"}},
        // The general check skips an empty string, the second-family check it hands over to does not.
        {"empty string in the second-family check", Mode::Include, {"", R"(\\ZEKO01)"},
         lineFields(R"(\\ZEKO01.1)", "85000"), false, {"FEvents.CheckEvent"}},
        {"empty string, exclude", Mode::Exclude, {R"(\\ZEKO09)", ""}, lineFields(R"(\\ZEKO01.1)", "85000"), true,
         {"FEvents.CheckEvent"}},
        // A number past 32 bits cannot be stripped: the address becomes empty and every pattern
        // is looked for in nothing.
        {"address part past 32 bits", Mode::Include, {R"(\\ZEKO01)"}, lineFields(R"(\\ZEKO01.99999999999)", "85000"),
         false, {"FEvents.StripZeros"}},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.name);
        m_desktop->clearRecords();
        useGroup(c.mode, c.strings);
        QStringList fields = c.fields;
        EXPECT_EQ(m_admission.CheckEvent(fields), c.admitted);
        EXPECT_EQ(reportedLabels(), c.labels);
    }

    m_desktop->clearRecords();
    useGroup(Mode::Exclude, {"2100", ""});
    cGenericEvent record;
    record.setEventID(2200);
    record.setAddress(R"(\\SRV1.1)");
    EXPECT_TRUE(m_admission.CheckGenericEvent(record));
    EXPECT_EQ(reportedLabels(), std::vector<std::string>{"FEvents.CheckGenericEvent"});
}

TEST_F(AdmissionTest, StripZerosWritesNumericPartsWithoutLeadingZeros)
{
    struct Case {
        QString input;
        QString expected;
    };
    const std::vector<Case> cases = {
        {R"(\\ZEKO01.002.0003)", R"(\\ZEKO01.2.3)"},
        {"0.00.000", "0.0.0"},
        {R"(\\SRV1.007.B1)", R"(\\SRV1.7.B1)"},
        {"1..2", "1..2"},
        {"", ""},
        {"2147483647.1", "2147483647.1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(m_admission.StripZeros(c.input).toStdString(), c.expected.toStdString());
    }
    EXPECT_TRUE(m_desktop->boxes().empty());

    EXPECT_EQ(m_admission.StripZeros("1.2147483648").toStdString(), "");
    EXPECT_EQ(reportedLabels(), std::vector<std::string>{"FEvents.StripZeros"});
}

} // namespace
} // namespace Ostraven
