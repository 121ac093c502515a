#pragma once

#include <QColor>
#include <QPalette>

namespace Ostraven {

// The platform's colour values: 24-bit RGB with red in the low byte (0x0000FF is red), or a system
// colour with the high bit set (0x8000000F is the face colour of buttons).
namespace PlatformColour {
constexpr qint64 Default = -1; // "no colour of its own" in cells; never converted
constexpr qint64 White = 0xFFFFFF;
constexpr qint64 Black = 0x000000;
constexpr qint64 ButtonFace = 0x8000000F;
constexpr qint64 WindowBackground = 0x80000005;
constexpr qint64 WindowText = 0x80000008;
constexpr qint64 Highlight = 0x8000000D;
constexpr qint64 HighlightText = 0x8000000E;
} // namespace PlatformColour

// Raises VbError 380 for a value that is neither a 24-bit colour nor a known system colour. System
// colours follow the given palette, so the grid and the dialogs match the desktop theme.
[[nodiscard]] QColor toQColor(qint64 platformColour, const QPalette &palette);
// Same, with the application's palette.
[[nodiscard]] QColor toQColor(qint64 platformColour);
// The colour's 24-bit value; alpha is dropped.
[[nodiscard]] qint64 fromQColor(const QColor &colour);
[[nodiscard]] bool isValidPlatformColour(qint64 platformColour);
// Raises VbError 380 unless isValidPlatformColour.
void checkPlatformColour(qint64 platformColour);

} // namespace Ostraven
