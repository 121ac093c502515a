#include "gridtablemodel.h"

#include "platform/colour.h"

#include <QColor>

namespace Ostraven {

namespace {

Qt::Alignment cellAlignment(int cellFlags)
{
    Qt::Alignment alignment = Qt::AlignLeft;
    if (cellFlags & CellFlag::Right)
        alignment = Qt::AlignRight;
    else if (cellFlags & CellFlag::Centre)
        alignment = Qt::AlignHCenter;
    return alignment | (cellFlags & CellFlag::Bottom ? Qt::AlignBottom : Qt::AlignVCenter);
}

// Column alignment codes: 0 left, 1 right, 2 centre.
Qt::Alignment headerAlignment(int alignment)
{
    if (alignment & 0x2)
        return Qt::AlignRight | Qt::AlignVCenter;
    if (alignment & 0x1)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

GridTableModel::GridTableModel(GridModel &model, QObject *parent)
    : QAbstractTableModel(parent)
    , m_model(model)
    , m_shownRows(model.rowCount())
    , m_shownColumns(model.columns().count())
{
}

int GridTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int GridTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownColumns;
}

QVariant GridTableModel::data(const QModelIndex &index, int role) const
{
    // While a burst is deferred the store may hold fewer rows than the view knows.
    if (!index.isValid() || index.row() >= m_model.rowCount() || index.column() >= m_model.columns().count())
        return {};
    const GridCell &cell = m_model.cell(index.row() + 1, index.column() + 1);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cell.text;
    case Qt::ForegroundRole:
        if (!m_resolve)
            return {};
        return m_resolve(cell.foreColour == PlatformColour::Default ? m_foreColour : cell.foreColour);
    case Qt::BackgroundRole:
        if (!m_resolve || cell.backColour == PlatformColour::Default)
            return {};
        return m_resolve(cell.backColour);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(cellAlignment(cell.flags));
    case CellFlagsRole:
        return cell.flags;
    default:
        return {};
    }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_model.columns().count())
        return {};
    const GridColumn &column = m_model.columns().at(section + 1);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return column.header;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(headerAlignment(column.alignment));
    default:
        return {};
    }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void GridTableModel::setDeferred(bool deferred)
{
    m_deferred = deferred;
    if (!deferred)
        flush();
}

int GridTableModel::addRow(int before)
{
    const int rows = m_model.rowCount();
    if (before > 1)
        m_model.checkRow(before);
    const int position = before == 0 ? rows : before - 1; // 0-based place of the new row
    if (!m_deferred) {
        beginInsertRows({}, position, position);
        const int row = m_model.addRow(before);
        ++m_shownRows;
        endInsertRows();
        return row;
    }
    const int row = m_model.addRow(before);
    noteAdded(before, position);
    return row;
}

void GridTableModel::noteAdded(int before, int position)
{
    if (before == 0)
        ++m_batch.insertedBottom;
    else if (position == 0)
        ++m_batch.insertedTop;
    else
        m_batch.reset = true;
}

void GridTableModel::removeRow(int row)
{
    m_model.checkRow(row);
    if (!m_deferred) {
        beginRemoveRows({}, row - 1, row - 1);
        m_model.removeRow(row);
        --m_shownRows;
        endRemoveRows();
        return;
    }
    const int rows = m_model.rowCount();
    m_model.removeRow(row);
    noteRemoved(row, rows);
}

// The same record as the addition followed by the removal, in that order.
int GridTableModel::recycleRow(bool atTop)
{
    const int rows = m_model.rowCount();
    // A view that is told at once must never see the store ahead of it: plain addition and removal.
    if (!m_deferred) {
        m_model.checkRow(1);
        const int row = addRow(atTop ? 1 : 0);
        removeRow(atTop ? rows + 1 : 1);
        return atTop ? row : row - 1;
    }
    const int row = m_model.recycleRow(atTop);
    noteAdded(atTop ? 1 : 0, atTop ? 0 : rows);
    noteRemoved(atTop ? rows + 1 : 1, rows + 1);
    return row;
}

void GridTableModel::noteRemoved(int row, int rows)
{
    if (m_batch.reset)
        return;
    // The end row is either one added in this burst or one the view knows.
    if (row == 1) {
        if (m_batch.insertedTop > 0)
            --m_batch.insertedTop;
        else if (knownOldRows() > 0)
            ++m_batch.removedTop;
        else
            --m_batch.insertedBottom;
    } else if (row == rows) {
        if (m_batch.insertedBottom > 0)
            --m_batch.insertedBottom;
        else if (knownOldRows() > 0)
            ++m_batch.removedBottom;
        else
            --m_batch.insertedTop;
    } else {
        m_batch.reset = true;
    }
}

void GridTableModel::clearRows()
{
    if (!m_deferred) {
        beginResetModel();
        m_model.clearRows();
        m_shownRows = 0;
        endResetModel();
        return;
    }
    m_model.clearRows();
    m_batch.reset = true;
}

void GridTableModel::sortRows()
{
    if (!m_deferred) {
        beginResetModel();
        m_model.sort();
        endResetModel();
        return;
    }
    m_model.sort();
    m_batch.reset = true;
}

void GridTableModel::rowsChanged(int first, int last)
{
    if (m_shownColumns == 0 || last < first)
        return;
    if (!m_deferred) {
        Q_EMIT dataChanged(index(first - 1, 0), index(last - 1, m_shownColumns - 1));
        return;
    }
    // Rows added in this burst are announced whole when it ends; only older rows need telling.
    const int newAtTop = m_batch.insertedTop;
    const int newFromBottom = m_model.rowCount() - m_batch.insertedBottom + 1;
    if (first <= newAtTop && last <= newAtTop)
        return;
    if (first >= newFromBottom)
        return;
    m_batch.rowsChanged = true;
}

int GridTableModel::addColumn(const QString &key, const QString &header, int alignment, int icon, int width,
                              bool visible)
{
    const int column = m_model.columns().add(key, header, alignment, icon, width, visible);
    beginInsertColumns({}, column - 1, column - 1);
    m_shownColumns = m_model.columns().count();
    endInsertColumns();
    return column;
}

void GridTableModel::columnHeaderChanged(int column)
{
    Q_EMIT headerDataChanged(Qt::Horizontal, column - 1, column - 1);
}

// One announcement per end of the burst: the removals first, on the rows the view knows, then the
// new rows. A burst that cannot be told that way, or that left none of the known rows, is a reset.
void GridTableModel::flush()
{
    const GridBatch batch = m_batch;
    m_batch = {};
    if (batch.empty())
        return;
    const bool bothEnds = batch.insertedTop > 0 && batch.insertedBottom > 0;
    const bool noneKept = m_shownRows > 0 && batch.removedTop + batch.removedBottom >= m_shownRows;
    if (batch.reset || bothEnds || noneKept) {
        beginResetModel();
        m_shownRows = m_model.rowCount();
        endResetModel();
        return;
    }
    if (batch.removedTop > 0) {
        beginRemoveRows({}, 0, batch.removedTop - 1);
        m_shownRows -= batch.removedTop;
        endRemoveRows();
    }
    if (batch.removedBottom > 0) {
        beginRemoveRows({}, m_shownRows - batch.removedBottom, m_shownRows - 1);
        m_shownRows -= batch.removedBottom;
        endRemoveRows();
    }
    if (batch.insertedTop > 0) {
        beginInsertRows({}, 0, batch.insertedTop - 1);
        m_shownRows += batch.insertedTop;
        endInsertRows();
    }
    if (batch.insertedBottom > 0) {
        beginInsertRows({}, m_shownRows, m_shownRows + batch.insertedBottom - 1);
        m_shownRows += batch.insertedBottom;
        endInsertRows();
    }
    if (batch.rowsChanged && m_shownRows > 0 && m_shownColumns > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_shownRows - 1, m_shownColumns - 1));
}

} // namespace Ostraven
