#pragma once
#include "platform/grid/gridcontrol.h"
#include "platform/grid/gridtablemodel.h"
#include "platform/vberror.h"
#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <functional>
namespace Ostraven {
// Each call must raise a VbError with the number paired with it.
inline void expectErrors(const std::vector<std::pair<int, std::function<void()>>> &calls)
{
    for (std::size_t i = 0; i < calls.size(); ++i) {
        try {
            calls[i].second();
            ADD_FAILURE() << "call " << i << " did not raise";
        } catch (const VbError &error) {
            EXPECT_EQ(error.number(), calls[i].first) << "call " << i;
        }
    }
}
// A shown grid with the viewer's first columns, the last one hidden; too narrow for all of them.
class GridFixture
{
public:
    GridFixture()
    {
        grid.resize(420, 240);
        grid.addColumn(QStringLiteral("dbTime"), QStringLiteral("Host Time"), 0, -1, 135);
        grid.addColumn(QStringLiteral("Description"), QStringLiteral("Description"), 0, -1, 200);
        grid.addColumn(QStringLiteral("Address"), QStringLiteral("Address"), 0, -1, 130);
        grid.addColumn(QStringLiteral("dtTime"), QStringLiteral("Controller Time"), 0, -1, 139, false);
        grid.show();
        QApplication::processEvents();
    }
    int add(int before, const QString &text)
    {
        const int row = grid.addRow(before);
        grid.setCellDetails(row, "Description", text, 0x40020, -1, -1, 255);
        return row;
    }
    void fill(int rows)
    {
        for (int i = 1; i <= rows; ++i)
            add(0, QStringLiteral("event %1").arg(i));
    }
    static void send(QWidget *target, QEvent::Type type, Qt::MouseButton button, QPoint at,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, modifiers);
        QCoreApplication::sendEvent(target, &event);
    }
    void click(Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool up = true)
    {
        send(grid.viewport(), QEvent::MouseButtonPress, button, at, modifiers);
        if (up)
            send(grid.viewport(), QEvent::MouseButtonRelease, button, at, modifiers);
    }
    QPoint centreOf(int row) const { return grid.cellRect(row, "Description").center(); }
    // The view must read, row by row, what the grid holds.
    void expectViewMatchesGrid() const
    {
        const GridTableModel &table = *grid.tableModel();
        ASSERT_EQ(table.rowCount(), grid.rowCount());
        const int description = grid.columnIndex(QStringLiteral("Description")) - 1;
        for (int row = 1; row <= grid.rowCount(); ++row)
            EXPECT_EQ(table.index(row - 1, description).data().toString(), grid.cellText(row, "Description")) << row;
    }
    GridControl grid;
};
class GridTest : public GridFixture, public ::testing::Test {};
} // namespace Ostraven
