#include "module/mpublic.h"

#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

TEST(Utilities, CleanDateStrRepairsWhatTheDateConversionRefuses)
{
    const std::pair<const char *, const char *> cases[] = {
        // Already dates: returned byte for byte, whatever their year.
        {"6/14/2024 6:30:00 PM", "6/14/2024 6:30:00 PM"},
        {"  6/14/2024 ", "  6/14/2024 "},
        {"1/1/1800", "1/1/1800"},
        // Letters and bracketed zone names go; the blank they leave stays.
        {"18:30:00 (GMT Standard Time)", "18:30:00 "},
        {"6/14/2024 18:30:00 [W. Europe]", "6/14/2024 18:30:00 "},
        {"6/14/2024 13:00:00Z", "6/14/2024 13:00:00"},
        // An hour of 12 or less gets " AM" after whatever the text ends with.
        {"6/14/2024 09:15:00 GMT", "6/14/2024 09:15:00  AM"},
        {"12:00:00Z", "12:00:00 AM"},
        // Blanks beside the separators go with them.
        {"6 / 14 / 2024 10:00 x", "6 14 2024 10:00  AM"},
        {"6/14/2024 19 :30 x", ""},
        {"6/14/2024    19:00 h", "6/14/2024 19:00 "},
        // Repaired into the year that means no date, or not repairable at all.
        {"1/1/1800 10:00:00 [none]", ""},
        {"yesterday", ""},
        {"99/99/2024 x", ""},
    };
    for (const auto &[text, cleaned] : cases)
        EXPECT_EQ(MPublic::CleanDateStr(text), QString::fromUtf8(cleaned)) << text;
}

struct Component {
    QTemporaryDir folder;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, folder.path()};
};

TEST(Utilities, InitColorsFillsTheSlotsItemByItem)
{
    const ColourSlots previous{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
    struct Case { const char *colors; ColourSlots slots; bool reported; };
    const Case cases[] = {
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
        {" 1, 2.5,3.5,4,5,6,7,8,9,10,11,12", {1, 2, 4, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
        {"1,2,3", {1, 2, 3, -4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
        {"1,2,3,4,red,6,7,8,9,10,11,12", {1, 2, 3, 4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
        {"x,2,3,4,5,6,7,8,9,10,11,12", {-1, 2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
        {"1,,3,4,5,6,7,8,9,10,11,12", previous, true},
        {"", previous, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.colors);
        Component component;
        component.module.profile.colourSlots = previous;
        component.module.profile.Colors = QString::fromUtf8(c.colors);
        component.module.InitColors();
        EXPECT_EQ(component.module.profile.colourSlots, c.slots);
        const auto &boxes = component.desktop->boxes();
        ASSERT_EQ(boxes.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_TRUE(boxes.front().request.text.contains("Function: EventViewObject.MPublic.InitColors("));
        }
    }
}

// GetResourceString for a plain text, GRS when the first text to put in is given; failures go to
// the host's log and give no text.
TEST(Utilities, GrsUsesThePlainResourceUnlessTheFirstTextIsGiven)
{
    struct Case { qint32 number; QStringList texts; const char *result; const char *call; };
    const Case cases[] = {
        {1201, {}, "text 1201", "GetResourceString(1201)"},
        {1203, {"", "b"}, "text 1203", "GetResourceString(1203)"},
        {1204, {"a"}, "10", "GRS(1204|a||||||||)"},
        {1205, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, "10", "GRS(1205|1|2|3|4|5|6|7|8|9)"},
        {404, {}, "", "GetResourceString(404)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        Component component;
        auto host = std::make_shared<MemberTable>();
        QStringList calls, logged;
        host->onCall("GetResourceString", [&](Args &args) {
            calls << "GetResourceString(" + CStr(args.at(0)) + ")";
            if (CLng(args.at(0)) == 404)
                throw VbError(326, "Resource with identifier '404' not found");
            return Variant("text " + CStr(args.at(0)));
        });
        host->onCall("GRS", [&](Args &args) {
            QStringList texts;
            for (const Variant &argument : args)
                texts << CStr(argument);
            calls << "GRS(" + texts.join('|') + ")";
            return Variant(qint32(args.size()));
        });
        host->onCall("LogError", [&](Args &args) {
            logged << CStr(args.at(2));
            return Variant();
        });
        component.module.host.NTConnection = host;

        EXPECT_EQ(component.module.GRS(c.number, c.texts), QString::fromUtf8(c.result));
        EXPECT_EQ(calls, QStringList{c.call});
        EXPECT_EQ(logged, c.number == 404 ? QStringList{"MPublic: GRS"} : QStringList{});
        EXPECT_TRUE(component.desktop->boxes().empty());
    }
}

} // namespace
} // namespace Ostraven
