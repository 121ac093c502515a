#include "gridfixture.h"
#include "platform/colour.h"
#include <QHeaderView>
#include <QJsonArray>
#include <QScrollBar>
namespace Ostraven {
namespace {
TEST_F(GridTest, BurstWithRedrawOffIsPaintedOnce)
{
    const int requestsBefore = grid.repaintCount();
    const int paintsBefore = grid.paintCount();
    grid.setRedraw(false);
    for (int i = 0; i < 1000; ++i) {
        const int row = grid.addRow(i % 2 == 0 ? 0 : 1);
        grid.setCellDetails(row, "Description", QStringLiteral("burst %1").arg(i), 0x40020, -1, -1, 65280);
        grid.autoHeightRow(row);
        grid.ensureVisible(row, 1);
        if (grid.rowCount() > 100)
            grid.removeRow(1);
    }
    grid.sort();
    grid.setBackColour(0x8000000F);
    grid.update(); // a paint the window system asks for shows the old frame
    QApplication::processEvents();
    EXPECT_EQ(grid.repaintCount(), requestsBefore);
    EXPECT_EQ(grid.paintCount(), paintsBefore);
    grid.setRedraw(true);
    EXPECT_EQ(grid.repaintCount(), requestsBefore + 1);
    QApplication::processEvents();
    EXPECT_EQ(grid.paintCount(), paintsBefore + 1);
    EXPECT_EQ(grid.rowCount(), 100);
}
TEST_F(GridTest, EnsureVisibleScrollsBothWaysOnceRedrawIsOn)
{
    fill(200);
    grid.setRedraw(false);
    grid.ensureVisible(200, "Description");
    const int bottomTop = grid.topRow();
    EXPECT_GT(bottomTop, 150);
    EXPECT_LE(grid.cellRect(200, "Description").bottom(), grid.viewport()->height());
    EXPECT_NE(grid.verticalScrollBar()->value(), bottomTop - 1); // scroll bars wait for redraw
    grid.setRedraw(true);
    EXPECT_EQ(grid.verticalScrollBar()->value(), bottomTop - 1);
    grid.ensureVisible(1, 1);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
    grid.ensureVisible(1, "Address"); // the three columns do not fit in the viewport
    EXPECT_GT(grid.horizontalScrollBar()->value(), 0);
    EXPECT_GE(grid.cellRect(1, "Address").left(), 0);
    EXPECT_LE(grid.cellRect(1, "Address").right(), grid.viewport()->width());
}
TEST_F(GridTest, SelectionReadsTheSameThroughEveryColumn)
{
    fill(3);
    grid.setCellSelected(2, "Description", true);
    for (const char *key : {"dbTime", "Address", "dtTime"})
        EXPECT_TRUE(grid.cellSelected(2, key)) << key;
    EXPECT_EQ(grid.selectedRow(), 2);
    grid.setCellSelected(2, 1, false);
    EXPECT_FALSE(grid.cellSelected(2, "Address"));
    EXPECT_EQ(grid.selectedRow(), 0);
    EXPECT_THROW(static_cast<void>(grid.cellSelected(2, "Type")), VbError);
}
TEST_F(GridTest, ClicksSelectRowsAndRaiseEventsInOrder)
{
    fill(5);
    QStringList events;
    QObject::connect(&grid, &GridControl::mouseDown, [&](int button, int shift, int, int) {
        events << QStringLiteral("down %1 %2").arg(button).arg(shift);
    });
    QObject::connect(&grid, &GridControl::cellClicked, [&](int row, int column) {
        events << QStringLiteral("cell %1 %2").arg(row).arg(column);
    });
    QPoint lastUp;
    QObject::connect(&grid, &GridControl::mouseUp, [&](int button, int shift, int x, int y) {
        events << QStringLiteral("up %1 %2").arg(button).arg(shift);
        lastUp = QPoint(x, y);
    });
    click(Qt::LeftButton, centreOf(2));
    click(Qt::LeftButton, centreOf(4), Qt::ShiftModifier, false);
    EXPECT_EQ(grid.selectedRowCount(), 3);
    click(Qt::LeftButton, centreOf(3), Qt::ControlModifier, false);
    EXPECT_FALSE(grid.cellSelected(3, 1));
    EXPECT_EQ(grid.selectedRowCount(), 2);
    click(Qt::MiddleButton, centreOf(4), Qt::AltModifier | Qt::ControlModifier);
    EXPECT_EQ(grid.selectedRowCount(), 2); // the middle button selects nothing
    EXPECT_EQ(lastUp, centreOf(4) + grid.viewport()->geometry().topLeft()); // grid pixels, below the header
    EXPECT_GT(grid.viewport()->geometry().top(), 0);
    EXPECT_EQ(events, QStringList({"down 1 0", "cell 2 2", "up 1 0", "down 1 1", "cell 4 2", "down 1 2",
                                   "cell 3 2", "down 4 6", "cell 4 2", "up 4 6"}));
    events.clear();
    click(Qt::LeftButton, QPoint(20, grid.viewport()->height() - 2)); // below the last row
    EXPECT_EQ(events, QStringList({"down 1 0", "up 1 0"}));
    EXPECT_EQ(grid.selectedRowCount(), 2);
}
TEST_F(GridTest, RightPressKeepsSelectionOnlyWhenHandlerSaysSo)
{
    fill(6);
    for (const int row : {2, 3, 4})
        grid.setCellSelected(row, "Address", true);
    grid.setMouseDownHandler(
        [&](int button, int, int, int) { return !(button == 2 && grid.selectedRowCount() >= 2); });
    int cellClicks = 0;
    QObject::connect(&grid, &GridControl::cellClicked, [&](int, int) { ++cellClicks; });
    click(Qt::RightButton, centreOf(3));
    EXPECT_EQ(grid.selectedRowCount(), 3);
    EXPECT_TRUE(grid.cellSelected(2, "Address") && grid.cellSelected(4, "Address"));
    EXPECT_EQ(cellClicks, 1); // the click still counts as a click on a cell
    grid.clearSelection();
    grid.setCellSelected(5, 1, true);
    click(Qt::RightButton, centreOf(3), Qt::NoModifier, false);
    EXPECT_EQ(grid.selectedRow(), 3);
    EXPECT_EQ(grid.selectedRowCount(), 1);
}
TEST_F(GridTest, HeaderClickReportsTheColumnIndexNotItsPosition)
{
    grid.setColumnPosition("Address", 1);
    std::vector<int> clicked;
    QObject::connect(&grid, &GridControl::columnClicked, [&](int column) { clicked.push_back(column); });
    const QPoint onAddress = grid.headerSectionRect("Address").center();
    EXPECT_LT(onAddress.x(), grid.headerSectionRect("dbTime").left());
    send(grid.header()->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, onAddress);
    send(grid.header()->viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, onAddress);
    // Pressing on one column and letting go on another is no click.
    send(grid.header()->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, onAddress);
    send(grid.header()->viewport(), QEvent::MouseButtonRelease, Qt::LeftButton,
         grid.headerSectionRect("dbTime").center());
    EXPECT_EQ(clicked, std::vector<int>({3}));
    EXPECT_TRUE(grid.headerSectionRect("dtTime").isEmpty()); // hidden columns are not drawn
}
// Bad platform codes change nothing; a good sort key is decoded and shows in the dump with the rest.
TEST_F(GridTest, PlatformCodesAreCheckedAtTheBoundaryAndTheDumpShowsTheState)
{
    fill(2);
    grid.setCellSelected(2, 1, true);
    grid.setColumnTag("dbTime", QStringLiteral("DESC"));
    expectErrors({{380, [&] { grid.addSortKey("Description", 3, 102); }},
                  {380, [&] { grid.addSortKey("Description", 1, 101); }}, {380, [&] { grid.setBackColour(0x1000000); }},
                  {380, [&] { grid.setCellDetails(1, "Address", QStringLiteral("x"), 0, -1, -2, 0); }},
                  {380, [&] { grid.setRowHeight(1, -1); }}});
    EXPECT_TRUE(grid.sortKeys().empty());
    EXPECT_TRUE(grid.cellText(1, "Address").isEmpty());
    EXPECT_TRUE(grid.dumpState().value("sort").isNull());
    grid.addSortKey("dbTime", 2, 200);
    ASSERT_EQ(grid.sortKeys().size(), 1u);
    EXPECT_EQ(grid.sortKeys().front().order, SortOrder::Descending);
    EXPECT_EQ(grid.sortKeys().front().type, SortType::DateTime);
    const QJsonObject state = grid.dumpState();
    const QJsonObject hidden = state.value("columns").toArray()[3].toObject();
    EXPECT_FALSE(hidden.value("visible").toBool());
    EXPECT_EQ(hidden.value("position").toInt(), 4);
    EXPECT_EQ(state.value("columns").toArray()[0].toObject().value("tag").toString(), QStringLiteral("DESC"));
    const QJsonArray rows = state.value("rows").toArray();
    ASSERT_EQ(rows.size(), 2);
    const QJsonObject second = rows[1].toObject();
    EXPECT_EQ(second.value("cells").toObject().value("Description").toString(), QStringLiteral("event 2"));
    EXPECT_EQ(second.value("fore").toInt(), 255);
    EXPECT_TRUE(second.value("selected").toBool());
    EXPECT_FALSE(rows[0].toObject().value("selected").toBool());
    EXPECT_EQ(state.value("sort").toObject().value("order").toInt(), 2);
}
TEST_F(GridTest, AutoHeightFitsWrappedTextAndKeepsSingleLines)
{
    fill(2);
    const int single = grid.rowHeight(1);
    grid.setCellDetails(2, "Description", QStringLiteral("first line\nsecond line\nthird line"), 0x10);
    grid.autoHeightRow(1);
    grid.autoHeightRow(2);
    EXPECT_EQ(grid.rowHeight(1), single);
    EXPECT_GE(grid.rowHeight(2), 3 * grid.fontMetrics().height());
}
TEST(Colour, RedIsTheLowByteAndSystemColoursFollowThePalette)
{
    EXPECT_EQ(toQColor(16730712), QColor(88, 74, 255));
    EXPECT_EQ(fromQColor(QColor(88, 74, 255)), 16730712);
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    EXPECT_EQ(toQColor(0x8000000F, palette), QColor(1, 2, 3));
    std::vector<std::pair<int, std::function<void()>>> bad;
    for (const qint64 value : {qint64(-1), qint64(0x1000000), qint64(0x800000FF)})
        bad.emplace_back(380, [value, &palette] { static_cast<void>(toQColor(value, palette)); });
    expectErrors(bad);
}
} // namespace
} // namespace Ostraven
