#include "gridcontrol.h"

#include "gridtablemodel.h"

#include "platform/colour.h"
#include "platform/vberror.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <initializer_list>

namespace Ostraven {

namespace {

constexpr int CellTextMargin = 3;
constexpr int RowPadding = 4;

int platformButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int platformShift(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

int textFlags(int cellFlags)
{
    int flags = Qt::AlignLeft;
    if (cellFlags & CellFlag::Right)
        flags = Qt::AlignRight;
    else if (cellFlags & CellFlag::Centre)
        flags = Qt::AlignHCenter;
    if (cellFlags & CellFlag::Bottom)
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignVCenter;
    if (cellFlags & CellFlag::SingleLine)
        flags |= Qt::TextSingleLine;
    else if (cellFlags & CellFlag::WordBreak)
        flags |= Qt::TextWordWrap;
    return flags;
}

// Cells wrap and elide as their platform flags say, not as one setting for the whole view.
class GridCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const int flags = index.data(GridTableModel::CellFlagsRole).toInt();
        const bool wrap = !(flags & CellFlag::SingleLine) && (flags & CellFlag::WordBreak);
        option->features.setFlag(QStyleOptionViewItem::WrapText, wrap);
        option->textElideMode = flags & (CellFlag::WordEllipsis | CellFlag::EndEllipsis) ? Qt::ElideRight : Qt::ElideNone;
        // The selection shows where the keys are; hover tinting is the grid's own switch (hotTrack).
        option->state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    }
};

SortOrder sortOrderFromValue(int value)
{
    if (value != int(SortOrder::Ascending) && value != int(SortOrder::Descending))
        throw VbError(380, QStringLiteral("Invalid property value: sort order %1 (1 or 2)").arg(value));
    return SortOrder(value);
}

SortType sortTypeFromValue(int value)
{
    if (value != int(SortType::Number) && value != int(SortType::Text) && value != int(SortType::DateTime))
        throw VbError(380, QStringLiteral("Invalid property value: sort type %1 (100, 102 or 200)").arg(value));
    return SortType(value);
}

} // namespace

GridControl::GridControl(QWidget *parent)
    : QTableView(parent)
    , m_table(new GridTableModel(m_model, this))
{
    m_table->setColourResolver([this](qint64 platformColour) { return colour(platformColour); });
    m_table->setForeColour(m_foreColour);
    setModel(m_table);
    m_widthUnit = GridWidthUnit::forFont(font());
    setItemDelegate(new GridCellDelegate(this));
    setAccessibleName(QStringLiteral("Event grid"));
    setFocusPolicy(Qt::StrongFocus);
    // Selection, scrolling and keys are the grid's own; the view only shows them.
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    setCornerButtonEnabled(false);
    setShowGrid(m_gridLines);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);

    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(defaultRowHeight());

    QHeaderView *columns = horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(0);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->viewport()->installEventFilter(this);
    // Any change to the sections' sizes, order or number, the operator's or the grid's own.
    for (auto signal : {&QHeaderView::sectionResized, &QHeaderView::sectionMoved})
        connect(columns, signal, this, [this] { ++m_sectionGeometry; });
    connect(columns, &QHeaderView::sectionCountChanged, this, [this] { ++m_sectionGeometry; });
    connect(columns, &QHeaderView::geometriesChanged, this, [this] { ++m_sectionGeometry; });
    connect(columns, &QHeaderView::sectionResized, this, &GridControl::operatorResizedSection);
    connect(columns, &QHeaderView::sectionMoved, this, &GridControl::operatorMovedSection);
    connect(columns, &QHeaderView::sectionClicked, this, [this](int logical) { Q_EMIT columnClicked(logical + 1); });
    // The operator's scrolling while redraw is off moves the grid's position, not the kept frame.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] {
        if (!m_redraw)
            m_topIndex = verticalScrollBar()->sliderPosition();
    });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] {
        if (!m_redraw)
            m_leftOffset = horizontalScrollBar()->sliderPosition();
    });
    // A reset (a sort or clear while drawing, a mixed burst) forgets row heights and selection.
    connect(m_table, &QAbstractItemModel::modelReset, this, [this] {
        syncRows(1, m_table->rowCount());
        syncSelection();
    });
}

// The base class's destructor hides the header and scroll bars, which still signal; by then this
// object is no longer a GridControl, so nothing may reach its members.
GridControl::~GridControl()
{
    for (QObject *sender : std::initializer_list<QObject *>{horizontalHeader(), verticalScrollBar(), horizontalScrollBar(), m_table})
        QObject::disconnect(sender, nullptr, this, nullptr);
}

// Every change ends here: it reaches the screen only while redraw is on.
void GridControl::changed()
{
    if (m_redraw)
        repaintNow();
}

void GridControl::repaintNow()
{
    ++m_repaintRequests;
    syncScrollBars();
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void GridControl::setRedraw(bool redraw)
{
    if (!redraw) {
        if (m_redraw) {
            keepFrame();
            m_redraw = false;
            m_table->setDeferred(true);
        }
        return;
    }
    if (!m_redraw) {
        m_redraw = true;
        m_frame = {};
        m_headerFrame = {};
        const bool burst = !m_table->pendingBatch().empty();
        m_table->setDeferred(false);
        if (burst) {
            syncRows(1, m_table->rowCount());
            syncSelection();
        }
    }
    repaintNow();
}

// What the viewport and the header show when drawing goes off, for every paint until it comes back
// on: the window system's exposes and a grab of the window alike. Only a shown grid has a frame.
void GridControl::keepFrame()
{
    if (!isVisible())
        return;
    const QScopedValueRollback grabbing(m_grabbing, true);
    executeDelayedItemsLayout();
    m_frame = viewport()->grab();
    m_headerFrame = horizontalHeader()->isVisible() ? horizontalHeader()->viewport()->grab() : QPixmap();
}

bool GridControl::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *strip = horizontalHeader()->viewport();
    if (event->type() == QEvent::Paint && !m_redraw && watched == strip && !m_headerFrame.isNull()) {
        QPainter painter(strip);
        painter.fillRect(strip->rect(), strip->palette().color(strip->backgroundRole()));
        painter.drawPixmap(0, 0, m_headerFrame);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

// The scroll bars are part of the screen too, so they follow the grid's position only while redraw
// is on. The view's range is brought up to date first, so the bars take the position whole.
void GridControl::syncScrollBars()
{
    const QScopedValueRollback syncing(m_syncing, true);
    executeDelayedItemsLayout();
    updateGeometries();
    m_topIndex = std::clamp(m_topIndex, 0, maxTopIndex());
    m_leftOffset = std::clamp(m_leftOffset, 0, std::max(0, horizontalHeader()->length() - viewport()->width()));
    verticalScrollBar()->setValue(m_topIndex);
    horizontalScrollBar()->setValue(m_leftOffset);
    // A bar the operator moved while redraw was off already stands there; the view follows it too.
    verticalHeader()->setOffsetToSectionPosition(verticalScrollBar()->value());
    horizontalHeader()->setOffset(horizontalScrollBar()->value());
}

// The operator's scrolling moves the grid's position; the grid's own moves of the bars do not come
// back. While redraw is off the kept frame does not scroll either; the operator's moves are taken
// from the bars' actions instead, since a range the view shrinks is no move of the operator's.
void GridControl::scrollContentsBy(int dx, int dy)
{
    if (!m_redraw)
        return;
    QTableView::scrollContentsBy(dx, dy);
    if (m_syncing)
        return;
    m_topIndex = verticalScrollBar()->value();
    m_leftOffset = horizontalScrollBar()->value();
    changed();
}

// The header's sections mirror the column set: visibility, width, then display order. A section
// that already shows its column's width keeps its pixels, so a width the operator dragged between
// two units does not jump at the next change of another column.
void GridControl::syncHeader()
{
    const QScopedValueRollback syncing(m_syncing, true);
    QHeaderView *header = horizontalHeader();
    const GridColumnSet &columns = m_model.columns();
    for (int column = 1; column <= columns.count() && column <= header->count(); ++column) {
        const GridColumn &gridColumn = columns.at(column);
        const int logical = column - 1;
        if (header->isSectionHidden(logical) == gridColumn.visible)
            header->setSectionHidden(logical, !gridColumn.visible);
        if (gridColumn.visible && !m_widthUnit.shows(header->sectionSize(logical), gridColumn.width))
            header->resizeSection(logical, m_widthUnit.toPixels(gridColumn.width));
    }
    const std::vector<int> &order = columns.displayOrder();
    for (int visual = 0; visual < int(order.size()) && visual < header->count(); ++visual) {
        const int at = header->visualIndex(order[std::size_t(visual)] - 1);
        if (at != visual)
            header->moveSection(at, visual);
    }
}

void GridControl::operatorResizedSection(int logical, int, int newSize)
{
    if (m_syncing || logical < 0 || logical >= columnCount() || horizontalHeader()->isSectionHidden(logical))
        return;
    m_model.columns().setWidth(logical + 1, m_widthUnit.toUnits(newSize));
    Q_EMIT columnLayoutChanged(logical + 1);
}

void GridControl::operatorMovedSection(int logical, int, int newVisual)
{
    if (m_syncing || logical < 0 || logical >= columnCount())
        return;
    m_model.columns().setPosition(logical + 1, newVisual + 1);
    Q_EMIT columnLayoutChanged(logical + 1);
}

// Row heights and selection reach the view only while it is told of the rows (redraw on).
void GridControl::syncRows(int first, int last)
{
    if (m_table->deferred())
        return;
    QHeaderView *rows = verticalHeader();
    last = std::min({last, rows->count(), rowCount()});
    for (int row = std::max(first, 1); row <= last; ++row) {
        const int height = effectiveRowHeight(row);
        if (rows->sectionSize(row - 1) != height)
            rows->resizeSection(row - 1, height);
    }
}

void GridControl::syncSelection()
{
    if (m_table->deferred() || !selectionModel())
        return;
    const int columns = m_table->columnCount();
    const int rows = std::min(m_table->rowCount(), rowCount());
    QItemSelection selection;
    if (columns > 0) {
        for (int row = 1; row <= rows; ++row) {
            if (!m_model.isRowSelected(row))
                continue;
            int last = row;
            while (last < rows && m_model.isRowSelected(last + 1))
                ++last;
            selection.select(m_table->index(row - 1, 0), m_table->index(last - 1, columns - 1));
            row = last;
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void GridControl::syncRowSelection(int row)
{
    if (m_table->deferred() || m_table->columnCount() == 0) {
        m_table->rowsChanged(row, row);
        return;
    }
    const QItemSelection selection(m_table->index(row - 1, 0), m_table->index(row - 1, m_table->columnCount() - 1));
    selectionModel()->select(selection, m_model.isRowSelected(row) ? QItemSelectionModel::Select
                                                                     : QItemSelectionModel::Deselect);
}

// After an operator's click or key changed the selection: the view learns of it (every row's colours
// when drawing is off) and the row becomes the current one.
void GridControl::showSelectionAt(int row)
{
    if (m_table->deferred())
        m_table->rowsChanged(1, rowCount());
    syncSelection();
    setCurrentRow(row);
}

// The current index is the view's keyboard and accessibility focus; the selection stays the grid's.
void GridControl::setCurrentRow(int row)
{
    m_currentRow = row;
    if (m_table->deferred() || row < 1 || row > m_table->rowCount())
        return;
    const std::vector<ColumnSpan> spans = visibleColumnSpans();
    const int column = spans.empty() ? 0 : spans.front().column - 1;
    if (column < m_table->columnCount())
        selectionModel()->setCurrentIndex(m_table->index(row - 1, column), QItemSelectionModel::NoUpdate);
}

int GridControl::addRow(int before)
{
    const int row = m_table->addRow(before);
    changed();
    return row;
}

void GridControl::removeRow(int row)
{
    m_table->removeRow(row);
    forgetRemovedRow(row);
    changed();
}

void GridControl::forgetRemovedRow(int row)
{
    if (row - 1 < m_topIndex)
        --m_topIndex;
    if (m_anchorRow == row)
        m_anchorRow = 0;
    if (m_currentRow == row)
        m_currentRow = 0;
    m_hoverRow = 0;
}

int GridControl::addFilledRow(bool atTop, std::span<const GridCellText> cells, int flags, int icon,
                              qint64 backColour, qint64 foreColour, int maxRows)
{
    for (const GridCellText &cell : cells) {
        if (cell.column < 1 || cell.column > columnCount())
            m_model.columns().require(cell.column);
    }
    const int before = atTop ? 1 : 0;
    if (!cells.empty()) {
        for (const qint64 colourValue : {backColour, foreColour}) {
            if (colourValue != PlatformColour::Default && !isValidPlatformColour(colourValue)) {
                addRow(before);
                checkPlatformColour(colourValue);
            }
        }
    }

    const int rows = rowCount();
    if (!m_table->deferred() || rows < 1 || rows + 1 <= maxRows) {
        int row = addRow(before);
        m_model.fillRow(row, cells, flags, icon, backColour, foreColour);
        if (!cells.empty())
            m_table->rowsChanged(row, row);
        setRowHeight(row, autoHeight(row));
        if (rowCount() > maxRows) {
            removeRow(atTop ? rowCount() : 1);
            row -= atTop ? 0 : 1;
        }
        return row;
    }

    // Drawing is off, so the view hears of nothing until the burst ends: the row is taken over from
    // the other end, and the batch records the addition and the removal as the steps above would
    // (neither the new row's cells nor its height concern rows the view already knows).
    const int row = m_table->recycleRow(atTop);
    forgetRemovedRow(atTop ? rows + 1 : 1);
    // The columns were required above, and the row just written is at hand for its height.
    GridRow &gridRow = m_model.fillRowInColumns(row, cells, flags, icon, backColour, foreColour);
    const int height = autoHeight(gridRow);
    if (height < 0)
        m_model.setRowHeight(row, height); // refused as setRowHeight refuses it
    gridRow.height = height;
    return row;
}

void GridControl::clear()
{
    m_table->clearRows();
    m_topIndex = 0;
    m_anchorRow = 0;
    m_currentRow = 0;
    m_hoverRow = 0;
    changed();
}

int GridControl::rowHeight(int row) const
{
    return effectiveRowHeight(row);
}

void GridControl::setRowHeight(int row, int height)
{
    m_model.setRowHeight(row, height);
    m_table->rowsChanged(row, row);
    syncRows(row, row);
    changed();
}

void GridControl::autoHeightRow(int row)
{
    setRowHeight(row, autoHeight(row));
}

int GridControl::autoHeight(int row) const
{
    return autoHeight(m_model.rowAt(row));
}

int GridControl::autoHeight(const GridRow &gridRow) const
{
    int textHeight = lineHeight();
    // Every live event comes here with single-line cells only; those need no column geometry.
    const bool singleLines = std::all_of(gridRow.cells.begin(), gridRow.cells.end(), [](const GridCell &cell) {
        return (cell.flags & CellFlag::SingleLine) != 0;
    });
    if (singleLines)
        return textHeight + RowPadding;
    for (const ColumnSpan &span : visibleColumnSpans()) {
        const std::size_t at = std::size_t(span.column - 1);
        if (at >= gridRow.cells.size())
            continue;
        const GridCell &gridCell = gridRow.cells[at];
        if (gridCell.flags & CellFlag::SingleLine)
            continue;
        const QRect bounds(0, 0, std::max(1, span.width - 2 * CellTextMargin), 100000);
        textHeight = std::max(textHeight, fontMetrics().boundingRect(bounds, textFlags(gridCell.flags), gridCell.text).height());
    }
    return textHeight + RowPadding;
}

int GridControl::addColumn(const QString &key, const QString &header, int alignment, int icon, int width, bool visible)
{
    const int column = m_table->addColumn(key, header, alignment, icon, width, visible);
    syncHeader();
    changed();
    return column;
}

void GridControl::setColumnHeader(const ColumnRef &column, const QString &header)
{
    m_model.columns().setHeader(column, header);
    m_table->columnHeaderChanged(m_model.columns().indexOf(column));
    changed();
}

void GridControl::setColumnPosition(const ColumnRef &column, int position)
{
    m_model.columns().setPosition(column, position);
    syncHeader();
    changed();
}

void GridControl::setColumnWidth(const ColumnRef &column, int width)
{
    m_model.columns().setWidth(column, width);
    syncHeader();
    changed();
}

void GridControl::setColumnVisible(const ColumnRef &column, bool visible)
{
    m_model.columns().setVisible(column, visible);
    syncHeader();
    changed();
}

void GridControl::setColumnTag(const ColumnRef &column, const QString &tag)
{
    m_model.columns().setTag(column, tag);
}

void GridControl::setCellDetails(int row, const ColumnRef &column, const QString &text, int flags, int icon,
                                 qint64 backColour, qint64 foreColour)
{
    for (const qint64 colourValue : {backColour, foreColour}) {
        if (colourValue != PlatformColour::Default)
            checkPlatformColour(colourValue);
    }
    m_model.setCell(row, column, GridCell{text, flags, icon, backColour, foreColour});
    m_table->rowsChanged(row, row);
    changed();
}

void GridControl::setCellText(int row, const ColumnRef &column, const QString &text)
{
    m_model.setCellText(row, column, text);
    m_table->rowsChanged(row, row);
    changed();
}

bool GridControl::cellSelected(int row, const ColumnRef &column) const
{
    m_model.columns().require(column);
    return m_model.isRowSelected(row);
}

void GridControl::setCellSelected(int row, const ColumnRef &column, bool selected)
{
    m_model.columns().require(column);
    m_model.setRowSelected(row, selected);
    syncRowSelection(row);
    changed();
}

void GridControl::clearSelection()
{
    m_model.clearSelection();
    if (m_table->deferred())
        m_table->rowsChanged(1, rowCount());
    else if (selectionModel())
        selectionModel()->clearSelection();
    changed();
}

void GridControl::addSortKey(const ColumnRef &column, SortOrder order, SortType type)
{
    m_model.addSortKey(column, order, type);
}

void GridControl::addSortKey(const ColumnRef &column, int orderValue, int sortType)
{
    m_model.addSortKey(column, sortOrderFromValue(orderValue), sortTypeFromValue(sortType));
}

void GridControl::sort()
{
    m_table->sortRows();
    m_anchorRow = 0;
    m_currentRow = 0;
    changed();
}

void GridControl::ensureVisible(int row, const ColumnRef &column)
{
    const int columnIndex = m_model.columns().indexOf(column);
    m_model.checkRow(row);
    scrollRowIntoView(row);

    const QHeaderView *header = horizontalHeader();
    const int logical = columnIndex - 1;
    const int sections = header->count();
    if (logical < sections && !header->isSectionHidden(logical)) {
        // The horizontal move is settled by the column's section and the view's width alone, and
        // once made it leaves nothing to move: a live row asking for the same column again, with no
        // section changed, resized or moved since, keeps the position as it is.
        const HorizontalFit fit{logical, sections, m_sectionGeometry, viewport()->width(), m_leftOffset};
        if (!(fit == m_lastFit)) {
            const int left = header->sectionPosition(logical);
            const int width = header->sectionSize(logical);
            if (left < m_leftOffset)
                m_leftOffset = left;
            else if (left + width > m_leftOffset + fit.viewWidth)
                m_leftOffset = std::min(left, left + width - fit.viewWidth);
            m_lastFit = fit;
            m_lastFit.leftOffset = m_leftOffset;
        }
    }
    changed();
}

void GridControl::scrollRowIntoView(int row)
{
    const int index = row - 1;
    // The first row is in view exactly when it is the top row (the newest row of a grid that shows
    // the newest at the top, every event).
    if (index < m_topIndex || index == 0) {
        m_topIndex = index;
        return;
    }
    // Lowest first row that still shows the whole of the wanted row at the bottom. The rows are
    // known to exist here, so their heights are read without the checks of effectiveRowHeight.
    int used = 0;
    int first = index;
    const int room = viewport()->height();
    int standard = -1;
    while (first >= 0) {
        int height = m_model.rowHeightAt(std::size_t(first));
        if (height <= 0) {
            if (standard < 0)
                standard = defaultRowHeight();
            height = standard;
        }
        if (used + height > room)
            break;
        used += height;
        --first;
    }
    const int lowestTop = std::min(first + 1, index);
    m_topIndex = std::max(m_topIndex, lowestTop);
}

int GridControl::topRow() const
{
    if (rowCount() == 0)
        return 0;
    return std::clamp(m_topIndex, 0, rowCount() - 1) + 1;
}

void GridControl::setBackColour(qint64 colour)
{
    checkPlatformColour(colour);
    m_backColour = colour;
    changed();
}

void GridControl::setForeColour(qint64 colour)
{
    checkPlatformColour(colour);
    m_foreColour = colour;
    m_table->setForeColour(colour);
    changed();
}

void GridControl::setRowMode(bool on)
{
    m_rowMode = on;
    changed();
}

void GridControl::setGridLines(bool on)
{
    m_gridLines = on;
    setShowGrid(on);
    changed();
}

void GridControl::setHotTrack(bool on)
{
    m_hotTrack = on;
    m_hoverRow = 0;
    viewport()->setMouseTracking(on);
    changed();
}

void GridControl::setHeaderVisible(bool visible)
{
    m_headerVisible = visible;
    horizontalHeader()->setVisible(visible);
    changed();
}

// Columns in display order from the header's own geometry; the grid's horizontal position is used
// rather than the header's offset, which waits for redraw like the scroll bars.
std::vector<GridControl::ColumnSpan> GridControl::visibleColumnSpans() const
{
    std::vector<ColumnSpan> spans;
    const QHeaderView *header = horizontalHeader();
    const int count = header->count();
    spans.reserve(std::size_t(count));
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical))
            continue;
        spans.push_back(ColumnSpan{logical + 1, header->sectionPosition(logical) - m_leftOffset,
                                   header->sectionSize(logical)});
    }
    return spans;
}

QRect GridControl::cellRect(int row, const ColumnRef &column) const
{
    const int columnIndex = m_model.columns().indexOf(column);
    m_model.checkRow(row);
    if (row - 1 < m_topIndex)
        return {};
    int top = 0;
    for (int r = m_topIndex + 1; r < row; ++r) {
        top += effectiveRowHeight(r);
        if (top >= viewport()->height())
            return {};
    }
    for (const ColumnSpan &span : visibleColumnSpans()) {
        if (span.column == columnIndex)
            return QRect(span.left, top, span.width, effectiveRowHeight(row));
    }
    return {};
}

QHeaderView *GridControl::header() const
{
    return horizontalHeader();
}

QRect GridControl::headerSectionRect(const ColumnRef &column) const
{
    const int columnIndex = m_model.columns().indexOf(column);
    for (const ColumnSpan &span : visibleColumnSpans()) {
        if (span.column == columnIndex)
            return QRect(span.left, 0, span.width, horizontalHeader()->height());
    }
    return {};
}

int GridControl::defaultRowHeight() const
{
    return lineHeight() + RowPadding;
}

// The font's line height, asked of the font once per font: every live row is sized by it. Whatever
// can change the metrics (font, style, screen) reaches the grid as a change event, which forgets it.
int GridControl::lineHeight() const
{
    if (m_lineHeight < 0)
        m_lineHeight = fontMetrics().height();
    return m_lineHeight;
}

int GridControl::effectiveRowHeight(int row) const
{
    const int height = m_model.rowHeight(row);
    return height > 0 ? height : defaultRowHeight();
}

int GridControl::maxTopIndex() const
{
    int used = 0;
    int fitting = 0;
    for (int row = rowCount(); row >= 1; --row) {
        used += effectiveRowHeight(row);
        if (used > viewport()->height())
            break;
        ++fitting;
    }
    return std::max(0, rowCount() - fitting);
}

int GridControl::rowsPerPage() const
{
    return std::max(1, viewport()->height() / defaultRowHeight());
}

int GridControl::rowAtY(int y) const
{
    if (y < 0)
        return 0;
    int top = 0;
    for (int row = m_topIndex + 1; row <= rowCount(); ++row) {
        top += effectiveRowHeight(row);
        if (y < top)
            return row;
        if (top > viewport()->height())
            break;
    }
    return 0;
}

int GridControl::columnAtX(int x) const
{
    for (const ColumnSpan &span : visibleColumnSpans()) {
        if (x >= span.left && x < span.left + span.width)
            return span.column;
    }
    return 0;
}

QColor GridControl::colour(qint64 platformColour) const
{
    return toQColor(platformColour, palette());
}

void GridControl::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (m_redraw)
        syncScrollBars();
}

void GridControl::changeEvent(QEvent *event)
{
    m_lineHeight = -1;
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // The stored widths stay; what they come to in pixels follows the font.
        m_widthUnit = GridWidthUnit::forFont(font());
        syncHeader();
        verticalHeader()->setDefaultSectionSize(defaultRowHeight());
        syncRows(1, rowCount());
        changed();
    } else if (event->type() == QEvent::PaletteChange) {
        changed();
    }
}

// While redraw is off a paint shows the frame kept when it went off, so no change made meanwhile
// shows through; the rows are drawn afresh only while redraw is on (or before there is any frame).
void GridControl::paintEvent(QPaintEvent *event)
{
    if (!m_redraw && !m_frame.isNull()) {
        QPainter painter(viewport());
        painter.fillRect(viewport()->rect(), colour(m_backColour));
        painter.drawPixmap(0, 0, m_frame);
        return;
    }
    if (!m_grabbing)
        ++m_paintCount;
    {
        QPainter background(viewport());
        background.fillRect(event->rect(), colour(m_backColour));
    }
    QTableView::paintEvent(event);

    // Beyond the cells: the row-mode highlight to the right edge, and the hot-tracked row's tint.
    QPainter painter(viewport());
    const QHeaderView *rows = verticalHeader();
    const QColor highlight = palette().color(QPalette::Highlight);
    const int cellsRight = horizontalHeader()->length() - horizontalHeader()->offset();
    const int shown = std::min(m_table->rowCount(), rowCount());
    for (int index = std::max(0, rows->visualIndexAt(0)); index < shown; ++index) {
        const int top = rows->sectionViewportPosition(index);
        if (top >= viewport()->height())
            break;
        const int height = rows->sectionSize(index);
        const bool selected = m_model.isRowSelected(index + 1);
        if (selected && m_rowMode && cellsRight < viewport()->width())
            painter.fillRect(QRect(cellsRight, top, viewport()->width() - cellsRight, height), highlight);
        if (!selected && m_hotTrack && index + 1 == m_hoverRow) {
            QColor tint = highlight;
            tint.setAlpha(48);
            painter.fillRect(QRect(0, top, viewport()->width(), height), tint);
        }
    }
}

void GridControl::applyClickSelection(int row, Qt::KeyboardModifiers modifiers)
{
    if (m_multiSelect && (modifiers & Qt::ControlModifier)) {
        m_model.setRowSelected(row, !m_model.isRowSelected(row));
        m_anchorRow = row;
    } else if (m_multiSelect && (modifiers & Qt::ShiftModifier) && m_anchorRow > 0 && m_anchorRow <= rowCount()) {
        m_model.clearSelection();
        for (int r = std::min(row, m_anchorRow); r <= std::max(row, m_anchorRow); ++r)
            m_model.setRowSelected(r, true);
    } else {
        m_model.clearSelection();
        m_model.setRowSelected(row, true);
        m_anchorRow = row;
    }
    showSelectionAt(row);
    changed();
}

void GridControl::mousePressEvent(QMouseEvent *event)
{
    const int button = platformButton(event->button());
    const int shift = platformShift(event->modifiers());
    const QPoint at = event->position().toPoint();
    const QPoint onGrid = at + viewport()->geometry().topLeft();
    event->accept();

    Q_EMIT mouseDown(button, shift, onGrid.x(), onGrid.y());
    const bool doDefault = !m_mouseDownHandler || m_mouseDownHandler(button, shift, onGrid.x(), onGrid.y());

    // The handler may have changed the rows, so the hit test comes after it.
    const int row = rowAtY(at.y());
    const int column = columnAtX(at.x());
    if (doDefault && row > 0 && (button == 1 || button == 2))
        applyClickSelection(row, event->modifiers());
    if (row > 0 && column > 0)
        Q_EMIT cellClicked(row, column);
}

void GridControl::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint onGrid = event->position().toPoint() + viewport()->geometry().topLeft();
    event->accept();
    Q_EMIT mouseUp(platformButton(event->button()), platformShift(event->modifiers()), onGrid.x(), onGrid.y());
}

// A second press is a press: no editing, no activation.
void GridControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void GridControl::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_hotTrack)
        return;
    const int row = rowAtY(event->position().toPoint().y());
    if (row == m_hoverRow)
        return;
    m_hoverRow = row;
    changed();
}

void GridControl::leaveEvent(QEvent *event)
{
    QTableView::leaveEvent(event);
    if (!m_hotTrack || m_hoverRow == 0)
        return;
    m_hoverRow = 0;
    changed();
}

void GridControl::keyPressEvent(QKeyEvent *event)
{
    const int rows = rowCount();
    const int current = m_currentRow >= 1 && m_currentRow <= rows ? m_currentRow : selectedRow();
    int target = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        target = current - 1;
        break;
    case Qt::Key_Down:
        target = current + 1;
        break;
    case Qt::Key_PageUp:
        target = current - rowsPerPage();
        break;
    case Qt::Key_PageDown:
        target = current + rowsPerPage();
        break;
    case Qt::Key_Home:
        target = 1;
        break;
    case Qt::Key_End:
        target = rows;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                                                          : QAbstractSlider::SliderSingleStepAdd);
        event->accept();
        return;
    default:
        event->ignore(); // other keys belong to the window around the grid
        return;
    }
    event->accept();
    if (rows == 0)
        return;
    selectTo(std::clamp(target, 1, rows), m_multiSelect && (event->modifiers() & Qt::ShiftModifier));
}

// Moves the selected row to row; extend selects from the anchor to it instead.
void GridControl::selectTo(int row, bool extend)
{
    const bool anchored = m_anchorRow > 0 && m_anchorRow <= rowCount();
    m_model.clearSelection();
    if (extend && anchored) {
        for (int r = std::min(row, m_anchorRow); r <= std::max(row, m_anchorRow); ++r)
            m_model.setRowSelected(r, true);
    } else {
        m_model.setRowSelected(row, true);
        m_anchorRow = row;
    }
    showSelectionAt(row);
    scrollRowIntoView(row);
    changed();
}

QJsonObject GridControl::dumpState() const
{
    const GridColumnSet &columns = m_model.columns();
    QJsonArray columnArray;
    for (int column = 1; column <= columns.count(); ++column) {
        const GridColumn &gridColumn = columns.at(column);
        columnArray.append(QJsonObject{{QStringLiteral("key"), gridColumn.key},
                                       {QStringLiteral("header"), gridColumn.header},
                                       {QStringLiteral("position"), columns.position(column)},
                                       {QStringLiteral("width"), gridColumn.width},
                                       {QStringLiteral("visible"), gridColumn.visible},
                                       {QStringLiteral("tag"), gridColumn.tag}});
    }

    QJsonArray rowArray;
    for (int row = 1; row <= rowCount(); ++row) {
        const GridRow &gridRow = m_model.rowAt(row);
        QJsonObject cells;
        qint64 fore = PlatformColour::Default;
        for (int column = 1; column <= columns.count(); ++column) {
            const GridCell &gridCell = m_model.cell(row, column);
            if (!columns.at(column).key.isEmpty())
                cells.insert(columns.at(column).key, gridCell.text);
            if (fore == PlatformColour::Default)
                fore = gridCell.foreColour;
        }
        rowArray.append(QJsonObject{{QStringLiteral("cells"), cells},
                                    {QStringLiteral("fore"), double(fore == PlatformColour::Default ? m_foreColour : fore)},
                                    {QStringLiteral("selected"), gridRow.selected}});
    }

    QJsonValue sortValue = QJsonValue::Null;
    if (!m_model.sortKeys().empty()) {
        const SortKey &key = m_model.sortKeys().front();
        sortValue = QJsonObject{{QStringLiteral("key"), columns.at(key.column).key},
                                {QStringLiteral("order"), int(key.order)},
                                {QStringLiteral("type"), int(key.type)}};
    }

    return QJsonObject{{QStringLiteral("columns"), columnArray},
                       {QStringLiteral("rows"), rowArray},
                       {QStringLiteral("redraw"), m_redraw},
                       {QStringLiteral("back"), double(m_backColour)},
                       {QStringLiteral("fore"), double(m_foreColour)},
                       {QStringLiteral("tag"), m_tag},
                       {QStringLiteral("sort"), sortValue}};
}

} // namespace Ostraven
