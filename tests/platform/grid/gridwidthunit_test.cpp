#include "../platformtest.h"
#include "platform/grid/gridcontrol.h"
#include "platform/grid/gridwidthunit.h"
#include <QApplication>
#include <QHeaderView>

using namespace Ostraven;

namespace {

constexpr qreal reference = GridWidthUnit::ReferenceLetterWidth;

// Fonts narrower than, as wide as, and wider than the one the stored widths were laid out for; 7.4
// is about what the default sans-serif at 9 points measures.
struct FontCase { const char *name; qreal letterWidth; };
void PrintTo(const FontCase &row, std::ostream *out) { *out << row.name; }
class WidthRoundTrip : public ::testing::TestWithParam<FontCase> {};

// Whichever way the unit is smaller, one of the two round trips is exact over every width a grid
// could hold, and a width is never shown at zero pixels unless it is zero.
TEST_P(WidthRoundTrip, LosesNothingInTheFinerDirection)
{
    const GridWidthUnit unit(GetParam().letterWidth);
    const bool finerPixels = GetParam().letterWidth >= reference;
    for (int value = 0; value <= 3000; ++value) {
        if (finerPixels)
            ASSERT_EQ(unit.toUnits(unit.toPixels(value)), value) << "stored " << value;
        else
            ASSERT_EQ(unit.toPixels(unit.toUnits(value)), value) << "pixels " << value;
        ASSERT_EQ(unit.toPixels(value) == 0, value == 0) << value;
    }
}

INSTANTIATE_TEST_SUITE_P(Fonts, WidthRoundTrip, ::testing::Values(
    FontCase{"Narrow", 4.4}, FontCase{"Reference", reference}, FontCase{"DefaultSans", 7.405},
    FontCase{"Double", 2 * reference}, FontCase{"Large", 13.1}),
    [](const auto &row) { return std::string(row.param.name); });

// Rounding goes to the nearest pixel and the nearest unit, halves upwards; a letter width that
// measures nothing leaves one unit one pixel.
TEST(GridWidthUnit, RoundsToTheNearest)
{
    struct Row { qreal letterWidth; int units; int pixels; int unitsOfPixels; };
    const Row rows[] = {
        {reference, 135, 135, 135},
        {2 * reference, 135, 270, 68},   // 135 pixels are 67.5 units
        {1.5 * reference, 1, 2, 1},      // 1.5 pixels; 1 pixel is 0.67 units
        {1.5 * reference, 3, 5, 2},      // 4.5 pixels; 3 pixels are 2 units
        {0.5 * reference, 3, 2, 6},      // 1.5 pixels
        {7.405, 135, 182, 100},          // the default font: Host Time's 135 units
        {7.405, 134, 180, 100},          // Event Type's
        {0, 135, 135, 135},
        {-3, 58, 58, 58},
    };
    for (const Row &row : rows) {
        const GridWidthUnit unit(row.letterWidth);
        EXPECT_EQ(unit.toPixels(row.units), row.pixels) << row.letterWidth << " x " << row.units;
        EXPECT_EQ(unit.toUnits(row.units), row.unitsOfPixels) << row.letterWidth << " / " << row.units;
    }
}

QFont sansOfPixels(int pixels)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    return font;
}

// The grid in fonts of several sizes: a stored width reaches the header scaled by the font, reads back
// unchanged, and survives any number of reloads; a section the operator drags is read back in units,
// and stays where the operator left it when another column changes; a new font rescales the header
// and keeps the stored widths.
class GridInFont : public ::testing::TestWithParam<int> {};

TEST_P(GridInFont, ShowsStoredWidthsScaledAndReadsDragsBackInUnits)
{
    GridControl grid;
    grid.setFont(sansOfPixels(GetParam()));
    const GridWidthUnit unit = GridWidthUnit::forFont(grid.font());
    ASSERT_EQ(grid.widthUnit(), unit);
    grid.resize(600, 200);
    grid.addColumn(QStringLiteral("dbTime"), QStringLiteral("Host Time"), 0, -1, 135);
    grid.addColumn(QStringLiteral("Type"), QStringLiteral("Event Type"), 0, -1, 134);
    grid.show();
    QApplication::processEvents();
    QHeaderView &header = *grid.header();
    EXPECT_EQ(header.sectionSize(0), unit.toPixels(135));

    // A profile saved and loaded again and again: what is read back is what the next load sets.
    for (int load = 0; load < 5; ++load)
        grid.setColumnWidth(QStringLiteral("dbTime"), grid.columnWidth(QStringLiteral("dbTime")));
    EXPECT_EQ(grid.columnWidth(QStringLiteral("dbTime")), 135);

    for (const int dragged : {unit.toPixels(135) + 1, 241, 37}) {
        header.resizeSection(1, dragged);
        EXPECT_EQ(grid.columnWidth(QStringLiteral("Type")), unit.toUnits(dragged)) << dragged;
        grid.setColumnWidth(QStringLiteral("dbTime"), 140);
        EXPECT_EQ(header.sectionSize(1), dragged) << "the dragged section jumped when another column changed";
        EXPECT_EQ(header.sectionSize(0), unit.toPixels(140));
        grid.setColumnWidth(QStringLiteral("dbTime"), 135);
    }

    grid.setFont(sansOfPixels(2 * GetParam()));
    QApplication::processEvents();
    const GridWidthUnit larger = GridWidthUnit::forFont(grid.font());
    EXPECT_GT(larger.pixelsPerUnit(), unit.pixelsPerUnit());
    EXPECT_EQ(header.sectionSize(0), larger.toPixels(135));
    EXPECT_EQ(grid.columnWidth(QStringLiteral("dbTime")), 135);
}

INSTANTIATE_TEST_SUITE_P(PixelSizes, GridInFont, ::testing::Values(6, 11, 12, 16));

} // namespace
