#pragma once

#include <QtGlobal>

class QFont;

namespace Ostraven {

// What a column width means. Widths are stored (in the profile's column-header string, in the column
// set, in everything the host reads back) in units of one pixel of a reference font: the built-in
// widths were laid out for a compact 8-point sans-serif at 96 dpi, whose Latin letters average
// ReferenceLetterWidth pixels. Taken as pixels of a wider font they cut dates and type names short,
// so the grid scales them by how much wider its own font's letters are.
//
// The letter average (the mean advance of a-z and A-Z) is used rather than the font file's own
// average character width: that figure depends on which glyphs the font's maker counted, while the
// grid shows Latin text.
//
// Rounding: a stored width shown and read back unchanged comes back as itself whenever the font is
// at least as wide as the reference (the usual case); a pixel width the operator drags comes back as
// the same pixels whenever the font is at most as wide. Either way the stored value only changes
// when the operator resizes, so loading and saving a profile again and again never drifts.
class GridWidthUnit
{
public:
    static constexpr qreal ReferenceLetterWidth = 5.5;

    // One unit is one pixel: what a grid without a font of its own yet uses.
    GridWidthUnit() = default;
    // A font whose Latin letters average letterWidth pixels; a width not above zero counts as the
    // reference, so a font that measures nothing still shows its columns.
    explicit GridWidthUnit(qreal letterWidth);

    [[nodiscard]] static GridWidthUnit forFont(const QFont &font);
    [[nodiscard]] static qreal letterWidth(const QFont &font);

    [[nodiscard]] qreal pixelsPerUnit() const { return m_pixelsPerUnit; }
    [[nodiscard]] int toPixels(int units) const;
    [[nodiscard]] int toUnits(int pixels) const;
    // Whether a section this many pixels wide already shows the stored width: it is the width's own
    // pixels, or reads back as the width.
    [[nodiscard]] bool shows(int pixels, int units) const;

    friend bool operator==(const GridWidthUnit &, const GridWidthUnit &) = default;

private:
    qreal m_pixelsPerUnit = 1.0;
};

} // namespace Ostraven
