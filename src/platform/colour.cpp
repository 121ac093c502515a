#include "colour.h"

#include "vberror.h"

#include <QGuiApplication>

#include <optional>

namespace Ostraven {

namespace {

constexpr qint64 SystemColourFlag = 0x80000000;

std::optional<QPalette::ColorRole> systemRole(qint64 platformColour)
{
    switch (platformColour) {
    case PlatformColour::ButtonFace:
        return QPalette::Button;
    case PlatformColour::WindowBackground:
        return QPalette::Base;
    case PlatformColour::WindowText:
        return QPalette::Text;
    case PlatformColour::Highlight:
        return QPalette::Highlight;
    case PlatformColour::HighlightText:
        return QPalette::HighlightedText;
    case SystemColourFlag | 0x12: // button text
        return QPalette::ButtonText;
    case SystemColourFlag | 0x10: // button shadow
        return QPalette::Mid;
    default:
        return std::nullopt;
    }
}

} // namespace

bool isValidPlatformColour(qint64 platformColour)
{
    if (platformColour >= 0 && platformColour <= 0xFFFFFF)
        return true;
    return systemRole(platformColour).has_value();
}

void checkPlatformColour(qint64 platformColour)
{
    if (!isValidPlatformColour(platformColour))
        throw VbError(380, QStringLiteral("Invalid property value: %1 is not a colour").arg(platformColour));
}

QColor toQColor(qint64 platformColour, const QPalette &palette)
{
    if (platformColour >= 0 && platformColour <= 0xFFFFFF) {
        return QColor(int(platformColour & 0xFF), int((platformColour >> 8) & 0xFF),
                      int((platformColour >> 16) & 0xFF));
    }
    checkPlatformColour(platformColour);
    return palette.color(QPalette::Active, *systemRole(platformColour));
}

QColor toQColor(qint64 platformColour)
{
    return toQColor(platformColour, QGuiApplication::palette());
}

qint64 fromQColor(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return qint64(rgb.red()) | (qint64(rgb.green()) << 8) | (qint64(rgb.blue()) << 16);
}

} // namespace Ostraven
