#pragma once

#include "gridcolumnset.h"
#include "gridrowstore.h"

#include <span>
#include <vector>

namespace Ostraven {

// Order values are the grid's codes: 1 ascending, 2 descending.
enum class SortOrder { Ascending = 1, Descending = 2 };

// Sort types are the grid's codes. Number: the numeric value of the text, anything not a number
// counts as 0. Text: letter case ignored. DateTime: the text read as a date and time; a text that is
// no date ranks below every date.
enum class SortType { Number = 100, Text = 102, DateTime = 200 };

// A cell of a new row: its column's 1-based index and its text.
struct GridCellText {
    int column = 0;
    QStringView text;
};

struct SortKey {
    int column = 1;
    SortOrder order = SortOrder::Ascending;
    SortType type = SortType::Text;
};

// Rows, columns, cells and sort settings of the grid, without any drawing, so that the data can be
// tested and reasoned about on its own. Rows and columns are numbered from 1; a row or column that
// does not exist raises VbError 9.
class GridModel
{
public:
    [[nodiscard]] GridColumnSet &columns() { return m_columns; }
    [[nodiscard]] const GridColumnSet &columns() const { return m_columns; }

    [[nodiscard]] int rowCount() const { return int(m_rows.size()); }
    // before = 0 adds after the last row; otherwise the new row takes position before and the rows
    // from there move down. Returns the new row's number.
    int addRow(int before = 0);
    void removeRow(int row);
    void clearRows() { m_rows.clear(); }
    // Adds a row at the top (atTop) or the bottom in the storage of the row at the other end, which
    // leaves the grid; the grid must have a row. Returns the new row's number.
    int recycleRow(bool atTop);
    // Writes the cells of a row as setCell would, one after the other, with the same flags, icon and
    // colours; cells of other columns are left empty, as in a row nobody wrote before. Each text is
    // copied into the cell's own buffer, so a recycled row's buffers serve again.
    void fillRow(int row, std::span<const GridCellText> cells, int flags, int icon, qint64 backColour,
                 qint64 foreColour);
    // The same for cells whose columns the caller has already required; answers the written row, so
    // that a live row is looked up once.
    GridRow &fillRowInColumns(int row, std::span<const GridCellText> cells, int flags, int icon, qint64 backColour,
                              qint64 foreColour);

    [[nodiscard]] const GridCell &cell(int row, const ColumnRef &column) const;
    void setCell(int row, const ColumnRef &column, GridCell cell);
    void setCellText(int row, const ColumnRef &column, const QString &text);

    [[nodiscard]] bool isRowSelected(int row) const { return rowAt(row).selected; }
    void setRowSelected(int row, bool selected) { rowAt(row).selected = selected; }
    // The first selected row; 0 when none is.
    [[nodiscard]] int selectedRow() const;
    [[nodiscard]] int selectedRowCount() const;
    void clearSelection();

    [[nodiscard]] int rowHeight(int row) const { return rowAt(row).height; }
    // The same for a 0-based position known to hold a row, unchecked.
    [[nodiscard]] int rowHeightAt(std::size_t position) const { return m_rows.at(position).height; }
    void setRowHeight(int row, int height);

    void clearSortKeys() { m_sortKeys.clear(); }
    void addSortKey(const ColumnRef &column, SortOrder order, SortType type);
    [[nodiscard]] const std::vector<SortKey> &sortKeys() const { return m_sortKeys; }
    // Stable: rows equal under every key keep their order.
    void sort();

    [[nodiscard]] const GridRow &rowAt(int row) const;
    [[nodiscard]] GridRow &rowAt(int row);
    // Raises VbError 9 when there is no such row.
    void checkRow(int row) const
    {
        if (row < 1 || row > rowCount())
            rowOutOfRange(row);
    }

private:
    [[noreturn]] void rowOutOfRange(int row) const;

    GridRowStore m_rows;
    GridColumnSet m_columns;
    std::vector<SortKey> m_sortKeys;
};

} // namespace Ostraven
