#include "gridcontrol.h"

#include "gridheader.h"

#include "platform/colour.h"
#include "platform/vberror.h"

#include <QJsonArray>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

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
    : QAbstractScrollArea(parent)
    , m_header(new GridHeader(this))
{
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    layoutHeader();
}

GridControl::~GridControl() = default;

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
    m_header->update();
}

void GridControl::setRedraw(bool redraw)
{
    m_redraw = redraw;
    if (redraw)
        repaintNow();
}

// Scroll bars are part of the screen too, so they follow the grid only while redraw is on; the
// signal blocker keeps the bars' own value changes from coming back as user scrolling.
void GridControl::syncScrollBars()
{
    m_topIndex = std::clamp(m_topIndex, 0, maxTopIndex());
    const int visibleWidth = viewport()->width();
    m_leftOffset = std::clamp(m_leftOffset, 0, std::max(0, contentWidth() - visibleWidth));

    const QSignalBlocker verticalBlocker(verticalScrollBar());
    verticalScrollBar()->setRange(0, maxTopIndex());
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height() / defaultRowHeight()));
    verticalScrollBar()->setValue(m_topIndex);

    const QSignalBlocker horizontalBlocker(horizontalScrollBar());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth() - visibleWidth));
    horizontalScrollBar()->setPageStep(std::max(1, visibleWidth));
    horizontalScrollBar()->setValue(m_leftOffset);
}

void GridControl::scrollContentsBy(int, int)
{
    m_topIndex = verticalScrollBar()->value();
    m_leftOffset = horizontalScrollBar()->value();
    changed();
}

int GridControl::addRow(int before)
{
    const int row = m_model.addRow(before);
    changed();
    return row;
}

void GridControl::removeRow(int row)
{
    m_model.removeRow(row);
    if (row - 1 < m_topIndex)
        --m_topIndex;
    if (m_anchorRow == row)
        m_anchorRow = 0;
    m_hoverRow = 0;
    changed();
}

void GridControl::clear()
{
    m_model.clearRows();
    m_topIndex = 0;
    m_anchorRow = 0;
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
    changed();
}

void GridControl::autoHeightRow(int row)
{
    const GridRow &gridRow = m_model.rowAt(row);
    int textHeight = fontMetrics().height();
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
    m_model.setRowHeight(row, textHeight + RowPadding);
    changed();
}

int GridControl::addColumn(const QString &key, const QString &header, int alignment, int icon, int width, bool visible)
{
    const int column = m_model.columns().add(key, header, alignment, icon, width, visible);
    changed();
    return column;
}

void GridControl::setColumnHeader(const ColumnRef &column, const QString &header)
{
    m_model.columns().setHeader(column, header);
    changed();
}

void GridControl::setColumnPosition(const ColumnRef &column, int position)
{
    m_model.columns().setPosition(column, position);
    changed();
}

void GridControl::setColumnWidth(const ColumnRef &column, int width)
{
    m_model.columns().setWidth(column, width);
    changed();
}

void GridControl::setColumnVisible(const ColumnRef &column, bool visible)
{
    m_model.columns().setVisible(column, visible);
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
    changed();
}

void GridControl::setCellText(int row, const ColumnRef &column, const QString &text)
{
    m_model.setCellText(row, column, text);
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
    changed();
}

void GridControl::clearSelection()
{
    m_model.clearSelection();
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
    m_model.sort();
    m_anchorRow = 0;
    changed();
}

void GridControl::ensureVisible(int row, const ColumnRef &column)
{
    const int columnIndex = m_model.columns().indexOf(column);
    m_model.checkRow(row);

    const int index = row - 1;
    if (index < m_topIndex) {
        m_topIndex = index;
    } else {
        // Lowest first row that still shows the whole of the wanted row at the bottom.
        int used = 0;
        int first = index;
        while (first >= 0 && used + effectiveRowHeight(first + 1) <= viewport()->height()) {
            used += effectiveRowHeight(first + 1);
            --first;
        }
        const int lowestTop = std::min(first + 1, index);
        m_topIndex = std::max(m_topIndex, lowestTop);
    }

    for (const ColumnSpan &span : visibleColumnSpans()) {
        if (span.column != columnIndex)
            continue;
        const int left = span.left + m_leftOffset;
        if (left < m_leftOffset)
            m_leftOffset = left;
        else if (left + span.width > m_leftOffset + viewport()->width())
            m_leftOffset = std::min(left, left + span.width - viewport()->width());
    }
    changed();
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
    layoutHeader();
    changed();
}

std::vector<GridControl::ColumnSpan> GridControl::visibleColumnSpans() const
{
    std::vector<ColumnSpan> spans;
    int left = -m_leftOffset;
    for (const int column : m_model.columns().displayOrder()) {
        const GridColumn &gridColumn = m_model.columns().at(column);
        if (!gridColumn.visible)
            continue;
        spans.push_back(ColumnSpan{column, left, gridColumn.width});
        left += gridColumn.width;
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

QWidget *GridControl::header() const
{
    return m_header;
}

QRect GridControl::headerSectionRect(const ColumnRef &column) const
{
    const int columnIndex = m_model.columns().indexOf(column);
    for (const ColumnSpan &span : visibleColumnSpans()) {
        if (span.column == columnIndex)
            return QRect(span.left, 0, span.width, m_header->height());
    }
    return {};
}

int GridControl::defaultRowHeight() const
{
    return fontMetrics().height() + RowPadding;
}

int GridControl::effectiveRowHeight(int row) const
{
    const int height = m_model.rowHeight(row);
    return height > 0 ? height : defaultRowHeight();
}

int GridControl::headerHeight() const
{
    return m_headerVisible ? fontMetrics().height() + 6 : 0;
}

int GridControl::contentWidth() const
{
    int width = 0;
    for (const int column : m_model.columns().displayOrder()) {
        const GridColumn &gridColumn = m_model.columns().at(column);
        width += gridColumn.visible ? gridColumn.width : 0;
    }
    return width;
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

void GridControl::layoutHeader()
{
    const int height = headerHeight();
    setViewportMargins(0, height, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - height, area.width(), height);
    m_header->setVisible(m_headerVisible);
}

void GridControl::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutHeader();
    if (m_redraw)
        syncScrollBars();
}

void GridControl::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layoutHeader();
        changed();
    } else if (event->type() == QEvent::PaletteChange) {
        changed();
    }
}

// The rows are drawn into a frame kept between paints: while redraw is off, a paint the window
// system asks for (an expose, a move) shows that frame, so no change made meanwhile shows through.
void GridControl::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    if (m_redraw || m_frame.isNull()) {
        m_frame = QPixmap(viewport()->size() * devicePixelRatio());
        m_frame.setDevicePixelRatio(devicePixelRatio());
        QPainter framePainter(&m_frame);
        renderRows(framePainter);
        ++m_paintCount;
    }
    painter.fillRect(viewport()->rect(), colour(m_backColour));
    painter.drawPixmap(0, 0, m_frame);
}

void GridControl::renderRows(QPainter &painter) const
{
    painter.fillRect(viewport()->rect(), colour(m_backColour));
    const std::vector<ColumnSpan> spans = visibleColumnSpans();
    int top = 0;
    for (int row = m_topIndex + 1; row <= rowCount() && top < viewport()->height(); ++row) {
        const int height = effectiveRowHeight(row);
        renderRow(painter, row, top, height, spans);
        top += height;
    }
}

void GridControl::renderRow(QPainter &painter, int row, int top, int height, const std::vector<ColumnSpan> &spans) const
{
    const GridRow &gridRow = m_model.rowAt(row);
    const QColor highlight = palette().color(QPalette::Highlight);
    if (gridRow.selected && m_rowMode)
        painter.fillRect(QRect(0, top, viewport()->width(), height), highlight);
    if (!gridRow.selected && m_hotTrack && row == m_hoverRow) {
        QColor tint = highlight;
        tint.setAlpha(48);
        painter.fillRect(QRect(0, top, viewport()->width(), height), tint);
    }

    for (const ColumnSpan &span : spans) {
        if (span.left + span.width < 0 || span.left > viewport()->width())
            continue;
        const QRect cellArea(span.left, top, span.width, height);
        const std::size_t at = std::size_t(span.column - 1);
        const GridCell empty;
        const GridCell &gridCell = at < gridRow.cells.size() ? gridRow.cells[at] : empty;

        if (gridRow.selected)
            painter.fillRect(cellArea, highlight);
        else if (gridCell.backColour != PlatformColour::Default)
            painter.fillRect(cellArea, colour(gridCell.backColour));

        if (m_gridLines) {
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawLine(cellArea.topRight(), cellArea.bottomRight());
            painter.drawLine(cellArea.bottomLeft(), cellArea.bottomRight());
        }

        const qint64 fore = gridCell.foreColour == PlatformColour::Default ? m_foreColour : gridCell.foreColour;
        painter.setPen(gridRow.selected ? palette().color(QPalette::HighlightedText) : colour(fore));
        const QRect textArea = cellArea.adjusted(CellTextMargin, 0, -CellTextMargin, 0);
        const bool elide = gridCell.flags & (CellFlag::WordEllipsis | CellFlag::EndEllipsis);
        const QString text = elide ? fontMetrics().elidedText(gridCell.text, Qt::ElideRight, textArea.width()) : gridCell.text;
        painter.drawText(textArea, textFlags(gridCell.flags), text);
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
    changed();
}

void GridControl::mousePressEvent(QMouseEvent *event)
{
    const int button = platformButton(event->button());
    const QPoint at = event->position().toPoint();
    const QPoint onGrid = at + viewport()->geometry().topLeft();
    event->accept();

    bool doDefault = true;
    Q_EMIT mouseDown(button, platformShift(event->modifiers()), onGrid.x(), onGrid.y(), &doDefault);

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
    QAbstractScrollArea::leaveEvent(event);
    if (!m_hotTrack || m_hoverRow == 0)
        return;
    m_hoverRow = 0;
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
