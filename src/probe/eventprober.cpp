#include "eventprober.h"

#include "componentsnapshot.h"
#include "dialogcontrol.h"

#include "customise/fcustom.h"
#include "menus/fmenu.h"
#include "module/mpublic.h"
#include "viewer/fevents.h"

#include "platform/keycodes.h"

#include <QApplication>
#include <QJsonDocument>
#include <QMouseEvent>

namespace Ostraven {

namespace {

constexpr int suspendScrollingItem = 3;

VbError outOfRange(const QString &what)
{
    return VbError(VbError::SubscriptOutOfRange, QStringLiteral("Subscript out of range: ") + what);
}

GridControl &loadedGrid(MPublic &module)
{
    if (!module.windows().isEventsLoaded())
        throw VbError(VbError::ObjectNotSet, QStringLiteral("Object variable not set: the viewer window is not loaded"));
    return *module.windows().events().vGrid;
}

void checkCell(const GridControl &grid, int row, int column)
{
    if (row < 1 || row > grid.rowCount())
        throw outOfRange(QStringLiteral("no row %1 in a grid of %2").arg(row).arg(grid.rowCount()));
    if (column < 1 || column > grid.columnCount())
        throw outOfRange(QStringLiteral("no column %1 in a grid of %2").arg(column).arg(grid.columnCount()));
}

Qt::MouseButton qtButtonOf(int button)
{
    switch (button) {
    case 1:
        return Qt::LeftButton;
    case 2:
        return Qt::RightButton;
    case 4:
        return Qt::MiddleButton;
    default:
        throw outOfRange(QStringLiteral("no mouse button %1 (1 left, 2 right, 4 middle)").arg(button));
    }
}

void sendGridMouse(GridControl &grid, QEvent::Type type, int button, int shift, int x, int y)
{
    const Qt::MouseButton qtButton = qtButtonOf(button);
    const QPointF at = QPointF(x, y) - QPointF(grid.viewport()->geometry().topLeft());
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(qtButton) : Qt::NoButton;
    QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), qtButton, held, qtModifiersOf(shift));
    QApplication::sendEvent(grid.viewport(), &event);
}

} // namespace

EventProber::EventProber(std::shared_ptr<MPublic> module) : m_module(std::move(module)) {}

QByteArray EventProber::snapshotJson()
{
    return QJsonDocument(snapshotOf(*m_module)).toJson(QJsonDocument::Compact);
}

QString EventProber::runDialogAction(const QByteArray &commandJson)
{
    if (!m_module->windows().isCustomLoaded())
        return QStringLiteral("the properties dialog is not loaded");
    try {
        DialogControl(m_module->windows().custom()).run(QJsonDocument::fromJson(commandJson).object());
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

QString EventProber::errorLogPath()
{
    return m_module->errors().logFilePath();
}

bool EventProber::addEventLine(const QString &line)
{
    return m_module->windows().events().AddEvent(line, true);
}


void EventProber::setScrollSuspended(bool suspended)
{
    if (m_module->view.scrollSuspended != suspended)
        runEventMenuItem(suspendScrollingItem);
}

void EventProber::selectGridRows(const std::vector<int> &rows)
{
    GridControl &grid = loadedGrid(*m_module);
    for (const int row : rows)
        checkCell(grid, row, 1);
    grid.clearSelection();
    for (const int row : rows)
        grid.setCellSelected(row, 1, true);
}

void EventProber::clickGridCell(int row, int column)
{
    GridControl &grid = loadedGrid(*m_module);
    checkCell(grid, row, column);
    Q_EMIT grid.cellClicked(row, column);
}

void EventProber::pressGridMouse(int button, int shift, int x, int y)
{
    sendGridMouse(loadedGrid(*m_module), QEvent::MouseButtonPress, button, shift, x, y);
}

void EventProber::releaseGridMouse(int button, int shift, int x, int y)
{
    sendGridMouse(loadedGrid(*m_module), QEvent::MouseButtonRelease, button, shift, x, y);
}

void EventProber::clickGridColumn(const QString &key)
{
    GridControl &grid = loadedGrid(*m_module);
    const int column = grid.findColumn(key);
    if (column == 0)
        throw outOfRange(QStringLiteral("no column keyed \"%1\"").arg(key));
    Q_EMIT grid.columnClicked(column);
}

std::pair<int, int> EventProber::gridCellPoint(int row, int column)
{
    GridControl &grid = loadedGrid(*m_module);
    checkCell(grid, row, column);
    grid.ensureVisible(row, column);
    const QRect cell = grid.cellRect(row, column);
    if (cell.isEmpty())
        throw outOfRange(QStringLiteral("cell (%1, %2) is not in view").arg(row).arg(column));
    const QPoint centre = cell.center() + grid.viewport()->geometry().topLeft();
    return {centre.x(), centre.y()};
}

void EventProber::runEventMenuItem(int index)
{
    if (index < 0 || index >= FMenu::eventItemCount)
        throw outOfRange(QStringLiteral("no event menu item %1 (0 to 12)").arg(index));
    m_module->windows().menu().mnuEventArray_Click(index);
}

void EventProber::runFilterMenuItem(int index)
{
    if (index < 0 || index >= FMenu::filterItemCount)
        throw outOfRange(QStringLiteral("no type filter item %1 (0 to 9)").arg(index));
    m_module->windows().menu().mnuFilterArray_Click(index);
}

} // namespace Ostraven
