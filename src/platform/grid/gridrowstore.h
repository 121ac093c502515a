#pragma once

#include <QString>

#include <cstddef>
#include <vector>

namespace Ostraven {

// Text layout flags of a cell, the platform's drawing flags.
namespace CellFlag {
constexpr int Left = 0x0;
constexpr int Centre = 0x1;
constexpr int Right = 0x2;
constexpr int VerticalCentre = 0x4;
constexpr int Bottom = 0x8;
constexpr int WordBreak = 0x10;
constexpr int SingleLine = 0x20;
constexpr int EndEllipsis = 0x8000;
constexpr int WordEllipsis = 0x40000;
// What the viewer writes into every cell: one line, cut with an ellipsis.
constexpr int SingleLineEllipsis = SingleLine | WordEllipsis;
} // namespace CellFlag

struct GridCell {
    QString text;
    int flags = CellFlag::Left;
    int icon = -1;
    qint64 backColour = -1; // -1: the grid's back colour
    qint64 foreColour = -1; // -1: the grid's fore colour
};

// One row. Selection is per row: the grid always selects whole rows, so every cell of a row reads
// the same state whichever column is asked.
struct GridRow {
    std::vector<GridCell> cells; // by column index - 1; shorter than the column count until written
    bool selected = false;
    int height = 0; // 0: the grid's default row height
};

// The rows in display order. Rows arrive and leave at both ends all the time (newest at the top or
// the bottom, oldest trimmed at the other end), so both ends cost constant time: the rows live in a
// ring of slots that grows by doubling. A grid at its line limit moves its oldest row to the other
// end as the newest (recycling), so the row's cells and their text buffers serve again instead of
// being freed and allocated anew. Positions are 0-based here; the grid's 1-based numbering and its
// range checks live in GridModel.
class GridRowStore
{
public:
    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool empty() const { return m_size == 0; }

    GridRow &pushFront();
    GridRow &pushBack();
    GridRow &insert(std::size_t position);
    void erase(std::size_t position);
    void clear();

    [[nodiscard]] GridRow &at(std::size_t position) { return m_slots[slot(position)]; }
    [[nodiscard]] const GridRow &at(std::size_t position) const { return m_slots[slot(position)]; }

    // The first row becomes the last (or the last the first), unselected and of default height; its
    // cells are left as they were for the caller to overwrite. The store must not be empty.
    GridRow &recycleFrontToBack();
    GridRow &recycleBackToFront();

    // Rearranges the rows so that new position i holds the row that was at order[i]; order must be
    // a permutation of 0..size()-1.
    void permute(const std::vector<std::size_t> &order);

private:
    [[nodiscard]] std::size_t slot(std::size_t position) const
    {
        const std::size_t at = m_head + position;
        return at >= m_slots.size() ? at - m_slots.size() : at;
    }
    void makeRoom();
    static GridRow &emptied(GridRow &row);

    std::vector<GridRow> m_slots; // every slot outside the rows holds an empty row
    std::size_t m_head = 0;
    std::size_t m_size = 0;
};

} // namespace Ostraven
