#include "model/cgenericevent.h"
#include <gtest/gtest.h>

namespace Ostraven {
namespace {
// Test names cannot hold a minus sign.
std::string number(qint64 value) { return value < 0 ? "Minus" + std::to_string(-value) : std::to_string(value); }
constexpr int buttonFace = -1;
struct ColourCase { bool alarm; qint32 type, eventID, subType; int slot; };
class GenericEventColour : public ::testing::TestWithParam<ColourCase> {};

// Every slot different, so a colour tells which slot it came from; and the slots are read at every call,
// so a colour changed in the profile reaches events already made.
TEST_P(GenericEventColour, EachTypeTakesItsSlot)
{
    const ColourCase &c = GetParam();
    cGenericEvent event;
    event.setReportAsAlarm(c.alarm);
    event.setEventType(c.type);
    event.setEventID(c.eventID);
    event.setZEKOEventSubType(c.subType);
    for (const qint32 seed : {0x010101, 0x020202}) {
        ColourSlots slots{};
        for (std::size_t index = 0; index < slots.size(); ++index)
            slots[index] = seed * qint32(index + 1);
        EXPECT_EQ(event.Color(slots), c.slot == buttonFace ? buttonFaceColour : qint64(slots[std::size_t(c.slot)]));
    }
}
const ColourCase colourCases[] = {
    {true, 9, 6100, 0, 3},    {true, 55, 80000, 6000, 3}, {true, 99, 0, 0, 3},       {false, 0, 0, 0, 3},
    {false, 1, 0, 0, 4},      {false, 2, 0, 0, 5},        {false, 3, 0, 0, 10},      {false, 4, 0, 0, 6},
    {false, 5, 0, 0, 7},      {false, 6, 5999, 0, 9},     {false, 6, 6000, 0, 8},    {false, 6, 6999, 0, 8},
    {false, 6, 7000, 0, 9},   {false, 6, 1000, 6500, 9},  {false, 7, 0, 0, 10},      {false, 8, 0, 0, 11},
    {false, 9, 0, 0, 8},      {false, 20, 0, 0, 10},      {false, 21, 0, 0, 5},      {false, 22, 0, 0, 4},
    {false, 24, 0, 0, 6},     {false, 55, 6500, 5999, 9}, {false, 55, 80000, 6000, 8}, {false, 55, 80000, 6999, 8},
    {false, 55, 80000, 7000, 9}, {false, 25, 6500, 6500, buttonFace}, {false, 23, 0, 0, buttonFace},
    {false, -1, 0, 0, buttonFace}, {false, 56, 0, 0, buttonFace},
};
INSTANTIATE_TEST_SUITE_P(, GenericEventColour, ::testing::ValuesIn(colourCases), [](const auto &row) {
    const ColourCase &c = row.param;
    return (c.alarm ? "Alarm" : "") + ("Type" + number(c.type)) + "Id" + number(c.eventID) + "Sub" + number(c.subType);
});

using DescriptionCase = std::pair<qint32, const char *>;
class GenericEventDescription : public ::testing::TestWithParam<DescriptionCase> {};
TEST_P(GenericEventDescription, EveryCodeHasItsCategory)
{
    EXPECT_EQ(cGenericEvent::GetEventDescription(GetParam().first), QString::fromUtf8(GetParam().second));
}
const DescriptionCase descriptionCases[] = {
    {0, "KORA*GATE Alarm"},       {1, "KORA*GATE External"},     {2, "KORA*GATE Internal"},
    {3, "KORA*GATE Transaction"}, {4, "KORA*GATE Miscellaneous"}, {5, "KORA*GATE Port"},
    {6, "Software"},              {7, "System"},                 {8, "KORA*GATE Ardo"},
    {9, "Programming"},           {20, "PELA*Bus Transaction"},  {21, "PELA*Bus Internal"},
    {22, "PELA*Bus External"},    {24, "PELA*Bus Miscellaneous"}, {25, "Software"}, {55, "Software"},
    {10, ""}, {19, ""}, {56, ""}, {-1, ""}, {80000, ""},
};
INSTANTIATE_TEST_SUITE_P(, GenericEventDescription, ::testing::ValuesIn(descriptionCases),
                         [](const auto &row) { return "Code" + number(row.param.first); });
} // namespace
} // namespace Ostraven
