#include "gridheader.h"

#include "gridcontrol.h"

#include <QMouseEvent>
#include <QPainter>

namespace Ostraven {

namespace {

Qt::Alignment headerAlignment(int alignment)
{
    if (alignment & 0x2)
        return Qt::AlignRight | Qt::AlignVCenter;
    if (alignment & 0x1)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

GridHeader::GridHeader(GridControl *grid)
    : QWidget(grid)
    , m_grid(grid)
{
}

int GridHeader::columnAt(int x) const
{
    for (const GridControl::ColumnSpan &span : m_grid->visibleColumnSpans()) {
        if (x >= span.left && x < span.left + span.width)
            return span.column;
    }
    return 0;
}

void GridHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // With the grid's redraw off the strip keeps showing what it showed, like the rows do.
    if (m_grid->redraw() || m_frame.isNull()) {
        m_frame = QPixmap(size() * devicePixelRatio());
        m_frame.setDevicePixelRatio(devicePixelRatio());
        QPainter framePainter(&m_frame);
        render(framePainter);
    }
    painter.drawPixmap(0, 0, m_frame);
}

void GridHeader::render(QPainter &painter) const
{
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const int textMargin = 4;
    for (const GridControl::ColumnSpan &span : m_grid->visibleColumnSpans()) {
        const QRect section(span.left, 0, span.width, height());
        if (section.right() < 0 || section.left() > width())
            continue;
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(section.topRight(), section.bottomRight());
        painter.setPen(palette().color(QPalette::ButtonText));
        const QRect textRect = section.adjusted(textMargin, 0, -textMargin, 0);
        const QString text = fontMetrics().elidedText(m_grid->columnHeader(span.column), Qt::ElideRight,
                                                      textRect.width());
        painter.drawText(textRect, int(headerAlignment(m_grid->columnAlignment(span.column))), text);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

void GridHeader::mousePressEvent(QMouseEvent *event)
{
    m_pressedColumn = event->button() == Qt::LeftButton ? columnAt(event->position().toPoint().x()) : 0;
    event->accept();
}

void GridHeader::mouseReleaseEvent(QMouseEvent *event)
{
    const int column = columnAt(event->position().toPoint().x());
    const bool clicked = event->button() == Qt::LeftButton && column != 0 && column == m_pressedColumn;
    m_pressedColumn = 0;
    event->accept();
    if (clicked)
        m_grid->emitColumnClicked(column);
}

} // namespace Ostraven
