#include "filters/mpublic.h"

#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

TEST(Utilities, CleanDateStrRepairsWhatTheDateConversionRefuses)
{
    struct Case {
        const char *text;
        const char *cleaned;
    };
    const Case cases[] = {
        // Already dates: returned byte for byte, whatever their year.
        {"6/14/2024 6:30:00 PM", "6/14/2024 6:30:00 PM"},
        {"2024-06-14 18:30:05", "2024-06-14 18:30:05"},
        {"  6/14/2024 ", "  6/14/2024 "},
        {"1/1/1800", "1/1/1800"},
        // Letters and bracketed zone names go; the blank they leave stays.
        {"18:30:00 (GMT Standard Time)", "18:30:00 "},
        {"6/14/2024 18:30:00 [W. Europe]", "6/14/2024 18:30:00 "},
        {"6/14/2024 13:00:00Z", "6/14/2024 13:00:00"},
        // An hour of 12 or less gets " AM" after whatever the text ends with.
        {"6/14/2024 09:15:00 GMT", "6/14/2024 09:15:00  AM"},
        {"12:00:00Z", "12:00:00 AM"},
        {"T06:00", "06:00 AM"},
        // Blanks beside the separators go with them.
        {"6 / 14 / 2024 10:00 x", "6 14 2024 10:00  AM"},
        {"6/14/2024 19 :30 x", ""},
        {"2024 - 06 - 14 21:05 (UTC)", ""},
        {"6/14/2024    19:00 h", "6/14/2024 19:00 "},
        // Repaired into the year that means no date, or not repairable at all.
        {"1/1/1800 10:00:00 [none]", ""},
        {"1800-01-01 14:00 (UTC)", ""},
        {"yesterday", ""},
        {"", ""},
        {"99/99/2024 x", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MPublic::CleanDateStr(QString::fromUtf8(c.text)), QString::fromUtf8(c.cleaned));
    }
}

struct Component {
    QTemporaryDir folder;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, folder.path()};
};

TEST(Utilities, InitColorsFillsTheSlotsItemByItem)
{
    const ColourSlots previous{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
    struct Case {
        const char *colors;
        ColourSlots slots;
        bool reported;
    };
    const Case cases[] = {
        {"0,16777215,6250335,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712",
         {0, 16777215, 6250335, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703, 16730712}, false},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
        {" 1, 2.5,3.5,4,5,6,7,8,9,10,11,12", {1, 2, 4, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
        {"1,2,3", {1, 2, 3, -4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
        {"1,2,3,4,red,6,7,8,9,10,11,12", {1, 2, 3, 4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
        {"x,2,3,4,5,6,7,8,9,10,11,12", {-1, 2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
        {"1,,3,4,5,6,7,8,9,10,11,12", previous, true},
        {"7", previous, true},
        {"", previous, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.colors);
        Component component;
        component.module.colourSlots = previous;
        component.module.Colors = QString::fromUtf8(c.colors);

        component.module.InitColors();

        EXPECT_EQ(component.module.colourSlots, c.slots);
        if (!c.reported) {
            EXPECT_TRUE(component.desktop->boxes().empty());
            continue;
        }
        ASSERT_EQ(component.desktop->boxes().size(), 1u);
        EXPECT_TRUE(component.desktop->boxes().front().request.text.contains(
            QStringLiteral("Function: EventViewObject.MPublic.InitColors(")));
    }
}

// The host's resource texts: GetResourceString for a plain text, GRS when there are texts to put in.
class ResourceHost : public MemberTable
{
public:
    ResourceHost()
    {
        onCall(QStringLiteral("GetResourceString"), [this](Args &args) {
            calls << QStringLiteral("GetResourceString(%1)").arg(CStr(args.at(0)));
            if (CLng(args.at(0)) == 404)
                throw VbError(326, QStringLiteral("Resource with identifier '404' not found"));
            return Variant(QStringLiteral("text %1").arg(CLng(args.at(0))));
        });
        onCall(QStringLiteral("GRS"), [this](Args &args) {
            QStringList texts;
            for (const Variant &argument : args)
                texts << CStr(argument);
            calls << QStringLiteral("GRS(%1)").arg(texts.join(QLatin1Char('|')));
            return Variant(qint32(args.size()));
        });
        onCall(QStringLiteral("LogError"), [this](Args &args) {
            logged << CStr(args.at(2));
            return Variant();
        });
    }

    QStringList calls;
    QStringList logged;
};

TEST(Utilities, GrsUsesThePlainResourceUnlessTheFirstTextIsGiven)
{
    struct Case {
        const char *name;
        qint32 number;
        QStringList texts;
        const char *result;
        const char *call;
    };
    const Case cases[] = {
        {"no texts", 1201, {}, "text 1201", "GetResourceString(1201)"},
        {"nine empty texts", 1202, QStringList(9, QString()), "text 1202", "GetResourceString(1202)"},
        {"later texts only", 1203, {QString(), QStringLiteral("b")}, "text 1203", "GetResourceString(1203)"},
        {"first text", 1204, {QStringLiteral("a")}, "10", "GRS(1204|a||||||||)"},
        {"all nine texts", 1205,
         {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
          QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")},
         "10", "GRS(1205|1|2|3|4|5|6|7|8|9)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Component component;
        auto host = std::make_shared<ResourceHost>();
        component.module.NTConnection = host;

        EXPECT_EQ(component.module.GRS(c.number, c.texts), QString::fromUtf8(c.result));
        EXPECT_EQ(host->calls, QStringList{QString::fromUtf8(c.call)});
        EXPECT_TRUE(host->logged.isEmpty());
    }
}

TEST(Utilities, GrsFailureGoesToTheHostLogAndGivesNoText)
{
    Component component;
    auto host = std::make_shared<ResourceHost>();
    component.module.NTConnection = host;

    EXPECT_EQ(component.module.GRS(404), QString());
    EXPECT_EQ(host->logged, QStringList{QStringLiteral("MPublic: GRS")});
    EXPECT_TRUE(component.desktop->boxes().empty());
}

} // namespace
} // namespace Ostraven
