#include "cgenericevent.h"

#include <optional>

namespace Ostraven {

namespace {

constexpr std::size_t alarmSlot = 3;
constexpr std::size_t externalSlot = 4;
constexpr std::size_t internalSlot = 5;
constexpr std::size_t miscellaneousSlot = 6;
constexpr std::size_t portSlot = 7;
constexpr std::size_t programmingSlot = 8;
constexpr std::size_t softwareSlot = 9;
constexpr std::size_t transactionSlot = 10;
constexpr std::size_t ardoSlot = 11;

// Software events numbered in the programming band are shown as programming.
std::size_t softwareOrProgramming(qint32 number)
{
    return number >= 6000 && number <= 6999 ? programmingSlot : softwareSlot;
}

} // namespace

qint64 cGenericEvent::Color(const ColourSlots &slots) const
{
    if (m_reportAsAlarm)
        return slots[alarmSlot];

    std::optional<std::size_t> slot;
    switch (m_eventType) {
    case 0: slot = alarmSlot; break;
    case 1: slot = externalSlot; break;
    case 2: slot = internalSlot; break;
    case 3: slot = transactionSlot; break;
    case 4: slot = miscellaneousSlot; break;
    case 5: slot = portSlot; break;
    case 6: slot = softwareOrProgramming(m_eventID); break;
    case 7: slot = transactionSlot; break;
    case 8: slot = ardoSlot; break;
    case 9: slot = programmingSlot; break;
    case 20: slot = transactionSlot; break;
    case 21: slot = internalSlot; break;
    case 22: slot = externalSlot; break;
    case 24: slot = miscellaneousSlot; break;
    case 55: slot = softwareOrProgramming(m_zekoEventSubType); break;
    default: break;
    }
    return slot ? qint64(slots[*slot]) : buttonFaceColour;
}

// The category texts are the host's own, not localised.
QString cGenericEvent::GetEventDescription(qint32 lEventType)
{
    switch (lEventType) {
    case 0: return QStringLiteral("KORA*GATE Alarm");
    case 1: return QStringLiteral("KORA*GATE External");
    case 2: return QStringLiteral("KORA*GATE Internal");
    case 3: return QStringLiteral("KORA*GATE Transaction");
    case 4: return QStringLiteral("KORA*GATE Miscellaneous");
    case 5: return QStringLiteral("KORA*GATE Port");
    case 6: return QStringLiteral("Software");
    case 7: return QStringLiteral("System");
    case 8: return QStringLiteral("KORA*GATE Ardo");
    case 9: return QStringLiteral("Programming");
    case 20: return QStringLiteral("PELA*Bus Transaction");
    case 21: return QStringLiteral("PELA*Bus Internal");
    case 22: return QStringLiteral("PELA*Bus External");
    case 24: return QStringLiteral("PELA*Bus Miscellaneous");
    case 25: return QStringLiteral("Software");
    case 55: return QStringLiteral("Software");
    default: return {};
    }
}

} // namespace Ostraven
