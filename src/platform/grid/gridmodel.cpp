#include "gridmodel.h"

#include "platform/date.h"
#include "platform/vberror.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <variant>

namespace Ostraven {

namespace {

const GridCell &emptyCell()
{
    static const GridCell empty;
    return empty;
}

using SortValue = std::variant<double, QString>;

SortValue sortValue(const QString &text, SortType type)
{
    switch (type) {
    case SortType::Number: {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        return ok ? number : 0.0;
    }
    case SortType::DateTime: {
        const auto date = Date::parse(text.trimmed());
        return date ? date->serial() : -std::numeric_limits<double>::infinity();
    }
    case SortType::Text:
        break;
    }
    return text;
}

int compareValues(const SortValue &left, const SortValue &right)
{
    if (const auto *leftText = std::get_if<QString>(&left))
        return QString::compare(*leftText, std::get<QString>(right), Qt::CaseInsensitive);
    const double a = std::get<double>(left);
    const double b = std::get<double>(right);
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

void GridModel::rowOutOfRange(int row) const
{
    throw VbError(VbError::SubscriptOutOfRange,
                  QStringLiteral("Subscript out of range: grid row %1 (the grid has %2 rows)").arg(row).arg(rowCount()));
}

const GridRow &GridModel::rowAt(int row) const
{
    checkRow(row);
    return m_rows.at(std::size_t(row - 1));
}

GridRow &GridModel::rowAt(int row)
{
    checkRow(row);
    return m_rows.at(std::size_t(row - 1));
}

int GridModel::addRow(int before)
{
    if (before == 0) {
        m_rows.pushBack();
        return rowCount();
    }
    // Before row 1 is always a place, even in an empty grid: the newest-at-top viewer starts there.
    if (before == 1) {
        m_rows.pushFront();
        return 1;
    }
    checkRow(before);
    m_rows.insert(std::size_t(before - 1));
    return before;
}

void GridModel::removeRow(int row)
{
    checkRow(row);
    m_rows.erase(std::size_t(row - 1));
}

int GridModel::recycleRow(bool atTop)
{
    checkRow(1);
    if (atTop) {
        m_rows.recycleBackToFront();
        return 1;
    }
    m_rows.recycleFrontToBack();
    return rowCount();
}

namespace {

// Null stays null, so a cell reads exactly as one given the text as a QString would.
void copyText(QString &target, QStringView text)
{
    if (text.isNull()) {
        target = QString();
        return;
    }
    // Most cells keep their length from one row to the next (times, numbers, a device's address).
    if (target.size() != text.size() || !target.isDetached())
        target.resize(text.size());
    if (!text.isEmpty())
        std::memcpy(target.data(), text.data(), std::size_t(text.size()) * sizeof(QChar));
}

} // namespace

void GridModel::fillRow(int row, std::span<const GridCellText> cells, int flags, int icon, qint64 backColour,
                        qint64 foreColour)
{
    checkRow(row);
    for (const GridCellText &cell : cells) {
        if (cell.column < 1 || cell.column > m_columns.count())
            m_columns.require(cell.column);
    }
    (void)fillRowInColumns(row, cells, flags, icon, backColour, foreColour);
}

GridRow &GridModel::fillRowInColumns(int row, std::span<const GridCellText> cells, int flags, int icon,
                                     qint64 backColour, qint64 foreColour)
{
    GridRow &gridRow = rowAt(row);
    std::size_t size = 0;
    for (const GridCellText &cell : cells)
        size = std::max(size, std::size_t(cell.column));
    // As wide as the rightmost written cell, like a row written cell by cell; the cells in between
    // that are not written are empty ones. A row whose cells are all written has none in between.
    gridRow.cells.resize(size);
    if (size > cells.size()) {
        for (std::size_t at = 0; at < size; ++at) {
            const bool written = std::any_of(cells.begin(), cells.end(), [&](const GridCellText &cell) {
                return std::size_t(cell.column - 1) == at;
            });
            if (!written)
                gridRow.cells[at] = GridCell{};
        }
    }
    for (const GridCellText &cell : cells) {
        GridCell &target = gridRow.cells[std::size_t(cell.column - 1)];
        copyText(target.text, cell.text);
        target.flags = flags;
        target.icon = icon;
        target.backColour = backColour;
        target.foreColour = foreColour;
    }
    return gridRow;
}

const GridCell &GridModel::cell(int row, const ColumnRef &column) const
{
    const std::size_t at = std::size_t(m_columns.indexOf(column) - 1);
    const GridRow &gridRow = rowAt(row);
    return at < gridRow.cells.size() ? gridRow.cells[at] : emptyCell();
}

void GridModel::setCell(int row, const ColumnRef &column, GridCell cell)
{
    const std::size_t at = std::size_t(m_columns.indexOf(column) - 1);
    GridRow &gridRow = rowAt(row);
    if (gridRow.cells.size() <= at)
        gridRow.cells.resize(at + 1);
    gridRow.cells[at] = std::move(cell);
}

void GridModel::setCellText(int row, const ColumnRef &column, const QString &text)
{
    GridCell updated = cell(row, column);
    updated.text = text;
    setCell(row, column, std::move(updated));
}

int GridModel::selectedRow() const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).selected)
            return int(i) + 1;
    }
    return 0;
}

int GridModel::selectedRowCount() const
{
    int selected = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        selected += m_rows.at(i).selected ? 1 : 0;
    return selected;
}

void GridModel::clearSelection()
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows.at(i).selected = false;
}

void GridModel::setRowHeight(int row, int height)
{
    if (height < 0)
        throw VbError(380, QStringLiteral("Invalid property value: row height %1").arg(height));
    rowAt(row).height = height;
}

void GridModel::addSortKey(const ColumnRef &column, SortOrder order, SortType type)
{
    m_sortKeys.push_back(SortKey{m_columns.indexOf(column), order, type});
}

void GridModel::sort()
{
    if (m_sortKeys.empty() || m_rows.size() < 2)
        return;

    // Each text is converted once, not once per comparison: date parsing dominates otherwise.
    const std::size_t rowTotal = m_rows.size();
    std::vector<std::vector<SortValue>> values(m_sortKeys.size());
    for (std::size_t k = 0; k < m_sortKeys.size(); ++k) {
        values[k].reserve(rowTotal);
        const std::size_t at = std::size_t(m_sortKeys[k].column - 1);
        for (std::size_t i = 0; i < rowTotal; ++i) {
            const GridRow &row = m_rows.at(i);
            const QString &text = at < row.cells.size() ? row.cells[at].text : emptyCell().text;
            values[k].push_back(sortValue(text, m_sortKeys[k].type));
        }
    }

    std::vector<std::size_t> order(rowTotal);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t k = 0; k < m_sortKeys.size(); ++k) {
            const int compared = compareValues(values[k][a], values[k][b]);
            if (compared != 0)
                return m_sortKeys[k].order == SortOrder::Ascending ? compared < 0 : compared > 0;
        }
        return false;
    });
    m_rows.permute(order);
}

} // namespace Ostraven
