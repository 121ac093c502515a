#include "gridwidthunit.h"

#include <QFontMetricsF>
#include <QString>

#include <cmath>

namespace Ostraven {

GridWidthUnit::GridWidthUnit(qreal letterWidth)
    : m_pixelsPerUnit(letterWidth > 0 ? letterWidth / ReferenceLetterWidth : 1.0)
{
}

GridWidthUnit GridWidthUnit::forFont(const QFont &font)
{
    return GridWidthUnit(letterWidth(font));
}

qreal GridWidthUnit::letterWidth(const QFont &font)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    return QFontMetricsF(font).horizontalAdvance(letters) / qreal(letters.size());
}

// Widths are never negative (the column set refuses them), so rounding half up is rounding to nearest.
int GridWidthUnit::toPixels(int units) const
{
    return int(std::lround(units * m_pixelsPerUnit));
}

int GridWidthUnit::toUnits(int pixels) const
{
    return int(std::lround(pixels / m_pixelsPerUnit));
}

bool GridWidthUnit::shows(int pixels, int units) const
{
    return pixels == toPixels(units) || toUnits(pixels) == units;
}

} // namespace Ostraven
