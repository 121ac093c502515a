#pragma once

#include "gridmodel.h"

#include <QAbstractTableModel>

#include <functional>

namespace Ostraven {

// The row changes made while the grid's drawing is off. Live events arrive at one end and the
// oldest are trimmed at the other, so a burst is kept as counts at the two ends and reaches the view
// as one announcement per end. Anything that cannot be told as such ranges (a row inserted or
// removed in the middle, a sort, a clear, rows added at both ends) marks the burst for a reset.
struct GridBatch {
    int insertedTop = 0;
    int insertedBottom = 0;
    int removedTop = 0;    // rows the view already knew, taken from its top
    int removedBottom = 0; // and from its bottom
    bool reset = false;
    bool rowsChanged = false; // cells, heights or selection of rows the view already knew

    [[nodiscard]] bool empty() const
    {
        return insertedTop == 0 && insertedBottom == 0 && removedTop == 0 && removedBottom == 0 && !reset
               && !rowsChanged;
    }
};

// The grid's rows and columns as a Qt table model, for the view, its header and accessibility.
// Every row change goes through here so that the view hears of it at the right time: at once while
// the grid draws, or recorded in a GridBatch while it is deferred and announced when the deferral
// ends. rowCount() answers what the view has been told, not what the store holds, so the view never
// meets a row it was not told of.
class GridTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The cell's platform drawing flags (CellFlag), for the delegate's wrapping and eliding.
    static constexpr int CellFlagsRole = Qt::UserRole + 1;

    explicit GridTableModel(GridModel &model, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Platform colours (-1 the grid's own) are turned into screen colours by the grid, which knows
    // its palette; foreColour is the grid's text colour.
    void setColourResolver(std::function<QColor(qint64)> resolve) { m_resolve = std::move(resolve); }
    void setForeColour(qint64 colour) { m_foreColour = colour; }

    [[nodiscard]] bool deferred() const { return m_deferred; }
    // Ending the deferral announces the recorded burst.
    void setDeferred(bool deferred);
    [[nodiscard]] const GridBatch &pendingBatch() const { return m_batch; }

    // The row changes; 1-based rows, VbError 9 for a row that does not exist, as GridModel.
    int addRow(int before);
    void removeRow(int row);
    // While deferred: a row added at the top or the bottom and the row at the other end removed, the
    // latter's storage becoming the former's; told to the view as that addition and removal. The grid
    // must have a row. Returns the new row.
    int recycleRow(bool atTop);
    void clearRows();
    void sortRows();
    // Cells, heights or selection of rows first..last changed.
    void rowsChanged(int first, int last);

    // Columns are announced at once: the header holds the column layout even while drawing is off.
    int addColumn(const QString &key, const QString &header, int alignment, int icon, int width, bool visible);
    void columnHeaderChanged(int column);

private:
    void flush();
    // The batch's record of a row added before `before` (addRow's numbering) at 0-based `position`,
    // and of the removal of `row` from `rows` rows.
    void noteAdded(int before, int position);
    void noteRemoved(int row, int rows);
    [[nodiscard]] int knownOldRows() const { return m_shownRows - m_batch.removedTop - m_batch.removedBottom; }

    GridModel &m_model;
    std::function<QColor(qint64)> m_resolve;
    qint64 m_foreColour = -1;
    int m_shownRows = 0;
    int m_shownColumns = 0;
    bool m_deferred = false;
    GridBatch m_batch;
};

} // namespace Ostraven
