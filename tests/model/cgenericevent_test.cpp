#include "model/cgenericevent.h"

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

constexpr int buttonFace = -1;

// Every slot different, so a colour tells which slot it came from.
ColourSlots distinctSlots()
{
    ColourSlots slots{};
    for (std::size_t index = 0; index < slots.size(); ++index)
        slots[index] = qint32(0x010101 * (index + 1));
    return slots;
}

struct ColourCase {
    bool alarm;
    qint32 type;
    qint32 eventID;
    qint32 subType;
    int slot;
};

TEST(GenericEventColour, EachTypeTakesItsSlot)
{
    const ColourCase cases[] = {
        {true, 9, 6100, 0, 3},    {true, 55, 80000, 6000, 3}, {true, 99, 0, 0, 3},
        {false, 0, 0, 0, 3},      {false, 1, 0, 0, 4},        {false, 2, 0, 0, 5},
        {false, 3, 0, 0, 10},     {false, 4, 0, 0, 6},        {false, 5, 0, 0, 7},
        {false, 6, 5999, 0, 9},   {false, 6, 6000, 0, 8},     {false, 6, 6999, 0, 8},
        {false, 6, 7000, 0, 9},   {false, 6, 1000, 6500, 9},
        {false, 7, 0, 0, 10},     {false, 8, 0, 0, 11},       {false, 9, 0, 0, 8},
        {false, 20, 0, 0, 10},    {false, 21, 0, 0, 5},       {false, 22, 0, 0, 4},
        {false, 24, 0, 0, 6},     {false, 55, 6500, 5999, 9}, {false, 55, 80000, 6000, 8},
        {false, 55, 80000, 6999, 8}, {false, 55, 80000, 7000, 9}, {false, 25, 6500, 6500, buttonFace},
        {false, 23, 0, 0, buttonFace}, {false, -1, 0, 0, buttonFace}, {false, 56, 0, 0, buttonFace},
    };
    const ColourSlots slots = distinctSlots();
    for (const ColourCase &c : cases) {
        cGenericEvent event;
        event.setReportAsAlarm(c.alarm);
        event.setEventType(c.type);
        event.setEventID(c.eventID);
        event.setZEKOEventSubType(c.subType);
        const qint64 expected = c.slot == buttonFace ? buttonFaceColour : qint64(slots[std::size_t(c.slot)]);
        EXPECT_EQ(event.Color(slots), expected)
            << "alarm " << c.alarm << " type " << c.type << " id " << c.eventID << " sub-type " << c.subType;
    }
}

TEST(GenericEventColour, ReadsTheSlotsAtEveryCall)
{
    ColourSlots slots = distinctSlots();
    cGenericEvent event;
    event.setEventType(22);
    EXPECT_EQ(event.Color(slots), slots[4]);
    slots[4] = 255;
    EXPECT_EQ(event.Color(slots), 255);
}

TEST(GenericEventDescription, EveryCodeHasItsCategory)
{
    const std::pair<qint32, const char *> cases[] = {
        {0, "KORA*GATE Alarm"},         {1, "KORA*GATE External"},     {2, "KORA*GATE Internal"},
        {3, "KORA*GATE Transaction"},   {4, "KORA*GATE Miscellaneous"}, {5, "KORA*GATE Port"},
        {6, "Software"},                {7, "System"},                 {8, "KORA*GATE Ardo"},
        {9, "Programming"},             {20, "PELA*Bus Transaction"},  {21, "PELA*Bus Internal"},
        {22, "PELA*Bus External"},      {24, "PELA*Bus Miscellaneous"}, {25, "Software"},
        {55, "Software"},               {10, ""},                      {19, ""},
        {56, ""},                       {-1, ""},                      {80000, ""},
    };
    for (const auto &[code, text] : cases) {
        EXPECT_EQ(cGenericEvent::GetEventDescription(code), QString::fromUtf8(text)) << code;
    }
}

} // namespace
} // namespace Ostraven
