#pragma once

#include <QtGlobal>

#include <array>

namespace Ostraven {

// The twelve colours of the colours setting, 24-bit with red in the low byte. Slot 0 is the grid's
// background, slot 3 the alarm colour; the event classes take the others.
using ColourSlots = std::array<qint32, 12>;

// The platform's system colour of button faces: the system-colour flag plus colour index 15.
inline constexpr qint64 buttonFaceColour = 0x8000000F;

} // namespace Ostraven
