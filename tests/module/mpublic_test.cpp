#include "module/mpublic.h"
#include "platform/desktop/scripteddesktop.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace Ostraven {
namespace {
const auto byName = [](const auto &row) { return std::string(row.param.name); };

// The repair gives nothing or a text the row insertion converts unchecked. Inputs are bytes, as found.
struct CleanDateCase { const char *name; QByteArray input; QString cleaned; };
class Utilities : public ::testing::TestWithParam<CleanDateCase> {};
TEST_P(Utilities, CleanDateStrRepairsWhatTheDateConversionRefuses)
{
    const QString cleaned = MPublic::CleanDateStr(QString::fromUtf8(GetParam().input));
    EXPECT_EQ(cleaned, GetParam().cleaned);
    EXPECT_TRUE(cleaned.isEmpty() || IsDate(Variant(cleaned))) << cleaned.toStdString();
}
INSTANTIATE_TEST_SUITE_P(, Utilities, ::testing::Values(
    CleanDateCase{"DateKeptByteForByte", "6/14/2024 6:30:00 PM", "6/14/2024 6:30:00 PM"},
    CleanDateCase{"BlanksKept", "  6/14/2024 ", "  6/14/2024 "},
    CleanDateCase{"NoDateYearKeptWhenAlreadyADate", "1/1/1800", "1/1/1800"},
    CleanDateCase{"ZoneNameGoesItsBlankStays", "18:30:00 (GMT Standard Time)", "18:30:00 "},
    CleanDateCase{"BracketedZoneGoes", "6/14/2024 18:30:00 [W. Europe]", "6/14/2024 18:30:00 "},
    CleanDateCase{"LetterGoes", "6/14/2024 13:00:00Z", "6/14/2024 13:00:00"},
    CleanDateCase{"MorningHourTakesAmAfterTheText", "6/14/2024 09:15:00 GMT", "6/14/2024 09:15:00  AM"},
    CleanDateCase{"TwelveTakesAm", "12:00:00Z", "12:00:00 AM"},
    CleanDateCase{"BlanksBesideSeparatorsGo", "6 / 14 / 2024 10:00 x", "6 14 2024 10:00  AM"},
    CleanDateCase{"BlankBeforeColonIsNoTime", "6/14/2024 19 :30 x", ""},
    CleanDateCase{"RunOfBlanksGoes", "6/14/2024    19:00 h", "6/14/2024 19:00 "},
    CleanDateCase{"RepairedIntoTheNoDateYear", "1/1/1800 10:00:00 [none]", ""},
    CleanDateCase{"NoDateAtAll", "yesterday", ""},
    CleanDateCase{"NoValidDate", "99/99/2024 x", ""},
    // Found by fuzzing: the repaired ISO text took " AM", which ISO does not; the default form still does.
    CleanDateCase{"IsoTimeKeepsNoMarker", "2026-12-05 10:00:05.40\xc9", "2026-12-05 10:00:05.40"},
    CleanDateCase{"IsoDateOnly", "2026-12-05 [x]", "2026-12-05 "},
    CleanDateCase{"DefaultFormStillMarked", "12/5/2026 10:00:05\xc9", "12/5/2026 10:00:05 AM"}), byName);

struct Component : ::testing::Test {
    QTemporaryDir folder;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, folder.path()};
};

struct ColorsCase { const char *name, *colors; ColourSlots slots; bool reported; };
class InitColors : public Component, public ::testing::WithParamInterface<ColorsCase> {};
constexpr ColourSlots previous{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
TEST_P(InitColors, FillsTheSlotsItemByItem)
{
    module.profile.colourSlots = previous;
    module.profile.Colors = QString::fromUtf8(GetParam().colors);
    module.InitColors();
    EXPECT_EQ(module.profile.colourSlots, GetParam().slots);
    EXPECT_EQ(desktop->boxes().size(), GetParam().reported ? 1u : 0u);
    EXPECT_EQ(desktop->clipboardText().contains("Function: EventViewObject.MPublic.InitColors("), GetParam().reported);
}
INSTANTIATE_TEST_SUITE_P(Lists, InitColors, ::testing::Values(
    ColorsCase{"ExtraItemsIgnored", "1,2,3,4,5,6,7,8,9,10,11,12,13,14", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
    ColorsCase{"FractionsRoundHalfToEven", " 1, 2.5,3.5,4,5,6,7,8,9,10,11,12", {1, 2, 4, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
    ColorsCase{"TooShort", "1,2,3", {1, 2, 3, -4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
    ColorsCase{"WordStops", "1,2,3,4,red,6,7,8,9,10,11,12", {1, 2, 3, 4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
    ColorsCase{"FirstItemNoNumber", "x,2,3,4,5,6,7,8,9,10,11,12", {-1, 2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}, true},
    ColorsCase{"EmptyItem", "1,,3,4,5,6,7,8,9,10,11,12", previous, true},
    ColorsCase{"Empty", "", previous, true}), byName);

struct GrsCase { const char *name; qint32 number; QStringList texts; const char *result, *call; };
class Grs : public Component, public ::testing::WithParamInterface<GrsCase> {};
TEST_P(Grs, UsesThePlainResourceUnlessTheFirstTextIsGiven)
{
    auto host = std::make_shared<MemberTable>();
    QStringList calls, logged;
    host->onCall("GetResourceString", [&](Args &args) {
        calls << "GetResourceString(" + CStr(args.at(0)) + ")";
        return CLng(args.at(0)) == 404 ? throw VbError(326, "Resource with identifier '404' not found")
                                       : Variant("text " + CStr(args.at(0)));
    });
    host->onCall("GRS", [&](Args &args) {
        QStringList texts;
        for (const Variant &argument : args)
            texts << CStr(argument);
        return calls << "GRS(" + texts.join('|') + ")", Variant(qint32(args.size()));
    });
    host->onCall("LogError", [&](Args &args) { return logged << CStr(args.at(2)), Variant(); });
    module.host.NTConnection = host;
    EXPECT_EQ(module.GRS(GetParam().number, GetParam().texts), QString::fromUtf8(GetParam().result));
    EXPECT_EQ(calls, QStringList{GetParam().call});
    EXPECT_EQ(logged, GetParam().number == 404 ? QStringList{"MPublic: GRS"} : QStringList{});
    EXPECT_TRUE(desktop->boxes().empty());
}
INSTANTIATE_TEST_SUITE_P(Calls, Grs, ::testing::Values(
    GrsCase{"Plain", 1201, {}, "text 1201", "GetResourceString(1201)"},
    GrsCase{"EmptyFirstText", 1203, {"", "b"}, "text 1203", "GetResourceString(1203)"},
    GrsCase{"FirstTextGiven", 1204, {"a"}, "10", "GRS(1204|a||||||||)"},
    GrsCase{"NineTexts", 1205, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, "10", "GRS(1205|1|2|3|4|5|6|7|8|9)"},
    GrsCase{"Failing", 404, {}, "", "GetResourceString(404)"}), byName);
} // namespace
} // namespace Ostraven
