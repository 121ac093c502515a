#include "../platformtest.h"
#include "platform/colour.h"
#include "platform/grid/gridcontrol.h"
#include "platform/grid/gridtablemodel.h"
#include <QApplication>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

using namespace Ostraven;

namespace {
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
        for (int i = 1; i <= rows; ++i) add(0, QStringLiteral("event %1").arg(i));
    }
    static void send(QWidget *target, QEvent::Type type, Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers modifiers = {})
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, modifiers);
        QCoreApplication::sendEvent(target, &event);
    }
    void click(Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool up = true)
    {
        send(grid.viewport(), QEvent::MouseButtonPress, button, at, modifiers);
        if (up) send(grid.viewport(), QEvent::MouseButtonRelease, button, at, modifiers);
    }
    QPoint centreOf(int row) const { return grid.cellRect(row, "Description").center(); }
    GridControl grid;
};

class GridTest : public GridFixture, public ::testing::Test {};

// A burst of row changes, and how the view hears of it (when redraw comes back, if it was off).
// Each step repeats: a row added before `add` (-1: none, 0: at the bottom), then row `remove` removed
// (0: none, -1: the last).
// The counts are of the rowsInserted, rowsRemoved and modelReset signals.
struct BurstStep { int repeat, add, remove; };
struct BurstCase { const char *name; bool redrawOff, sorted; std::vector<BurstStep> steps; int inserts, removals, resets; };
class GridBurstTest : public GridFixture, public ::testing::TestWithParam<BurstCase> {};
TEST_P(GridBurstTest, ViewHearsOfTheBurstOnceAndReadsTheGrid)
{
    fill(50);
    int inserts = 0, removals = 0, resets = 0;
    QObject::connect(grid.tableModel(), &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    QObject::connect(grid.tableModel(), &QAbstractItemModel::rowsRemoved, [&] { ++removals; });
    QObject::connect(grid.tableModel(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    if (GetParam().redrawOff)
        grid.setRedraw(false);
    for (const BurstStep &step : GetParam().steps) {
        for (int i = 0; i < step.repeat; ++i) {
            if (step.add >= 0) add(step.add, QStringLiteral("new %1").arg(i));
            if (step.remove != 0) grid.removeRow(step.remove < 0 ? grid.rowCount() : step.remove);
        }
    }
    if (GetParam().sorted) {
        grid.addSortKey("Description", 1, 102);
        grid.sort();
    }
    if (GetParam().redrawOff) {
        EXPECT_EQ(inserts + removals + resets, 0) << "nothing is announced while redraw is off";
        grid.setRedraw(true);
    }
    EXPECT_EQ(std::tuple(inserts, removals, resets), std::tuple(GetParam().inserts, GetParam().removals, GetParam().resets));
    QStringList viewed, held; // the view must read, row by row, what the grid holds
    for (int row = 1; row <= grid.rowCount(); ++row) {
        viewed << grid.tableModel()->index(row - 1, 1).data().toString();
        held << grid.cellText(row, "Description");
    }
    EXPECT_EQ(std::pair(grid.tableModel()->rowCount(), viewed), std::pair(grid.rowCount(), held));
}

INSTANTIATE_TEST_SUITE_P(Bursts, GridBurstTest, ::testing::Values(
                      BurstCase{"NewestAtTopTrimmingBottom", true, false, {{30, 1, -1}}, 1, 1, 0},
                      BurstCase{"NewestAtBottomTrimmingTop", true, false, {{30, 0, 1}}, 1, 1, 0},
                      BurstCase{"InsertsOnlyAtTop", true, false, {{500, 1, 0}}, 1, 0, 0},
                      BurstCase{"NewRowsTrimmedAgain", true, false, {{5, 0, 0}, {1, -1, -1}, {1, -1, 1}}, 1, 1, 0},
                      BurstCase{"SortedBurstIsAReset", true, true, {{1, 1, 0}}, 0, 0, 1},
                      BurstCase{"MiddleRowIsAReset", true, false, {{1, 20, 0}, {1, -1, 7}}, 0, 0, 1},
                      BurstCase{"BothEndsIsAReset", true, false, {{1, 1, 0}, {1, 0, 0}}, 0, 0, 1},
                      BurstCase{"EveryKnownRowReplacedIsAReset", true, false, {{60, 1, -1}}, 0, 0, 1},
                      BurstCase{"WhileDrawingEachRowIsAnnounced", false, false, {{4, 1, 0}, {1, -1, 2}}, 4, 1, 0}), rowName);

// Keys move the selected row; Shift extends from the anchor when multiSelect is on.
struct KeyCase { const char *name; int startRow; bool multiSelect, shift; std::vector<int> keys, selected; };
class GridKeyTest : public GridFixture, public ::testing::TestWithParam<KeyCase> {};
TEST_P(GridKeyTest, KeysMoveTheSelection)
{
    fill(40);
    grid.setMultiSelect(GetParam().multiSelect);
    if (GetParam().startRow > 0) // a press sets the anchor as the operator would
        click(Qt::LeftButton, centreOf(GetParam().startRow), Qt::NoModifier, false);
    for (const int key : GetParam().keys) {
        QKeyEvent event(QEvent::KeyPress, key, GetParam().shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCoreApplication::sendEvent(&grid, &event);
        EXPECT_TRUE(event.isAccepted());
    }
    std::vector<int> selected;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        if (grid.cellSelected(row, 1)) selected.push_back(row);
    }
    EXPECT_EQ(selected, GetParam().selected);
    const int last = GetParam().selected.back();
    EXPECT_FALSE(grid.cellRect(last, "Description").isEmpty()) << "the moved-to row is scrolled into view";
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(last - 1, {})) << "the view shows the grid's selection";
}

INSTANTIATE_TEST_SUITE_P(Keys, GridKeyTest, ::testing::Values(
                      KeyCase{"DownMovesOne", 3, true, false, {Qt::Key_Down}, {4}},
                      KeyCase{"UpMovesOne", 3, true, false, {Qt::Key_Up}, {2}},
                      KeyCase{"UpStopsAtTheFirstRow", 1, true, false, {Qt::Key_Up}, {1}},
                      KeyCase{"DownWithNothingSelectedTakesTheFirst", 0, true, false, {Qt::Key_Down}, {1}},
                      KeyCase{"EndTakesTheLast", 2, true, false, {Qt::Key_End}, {40}},
                      KeyCase{"HomeAfterEnd", 2, true, false, {Qt::Key_End, Qt::Key_Home}, {1}},
                      KeyCase{"ShiftDownExtends", 3, true, true, {Qt::Key_Down, Qt::Key_Down}, {3, 4, 5}},
                      KeyCase{"ShiftUpAfterShiftDownShrinks", 3, true, true, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, {3, 4}},
                      KeyCase{"ShiftWithoutMultiSelectMoves", 3, false, true, {Qt::Key_Down}, {4}},
                      KeyCase{"PageDownMovesAPage", 1, true, false, {Qt::Key_PageDown, Qt::Key_PageUp}, {1}}), rowName);

// Section moves by the operator land in the column set's positions, hidden columns counted.
struct MoveCase { const char *name; int fromPosition, toPosition; std::vector<int> positions; }; // of columns 1..4 afterwards
class GridSectionMoveTest : public GridFixture, public ::testing::TestWithParam<MoveCase> {};
TEST_P(GridSectionMoveTest, OperatorMoveUpdatesColumnPositions)
{
    std::vector<int> changed;
    QObject::connect(&grid, &GridControl::columnLayoutChanged, [&](int column) { changed.push_back(column); });
    const int moved = grid.header()->logicalIndex(GetParam().fromPosition - 1) + 1;
    grid.header()->moveSection(GetParam().fromPosition - 1, GetParam().toPosition - 1);
    std::vector<int> positions;
    for (int column = 1; column <= grid.columnCount(); ++column) positions.push_back(grid.columnPosition(column));
    EXPECT_EQ(std::pair(positions, changed), std::pair(GetParam().positions, std::vector<int>({moved})));
    // Hit tests follow the new order.
    const auto spans = grid.visibleColumnSpans();
    for (std::size_t i = 1; i < spans.size(); ++i) {
        EXPECT_LT(grid.columnPosition(spans[i - 1].column), grid.columnPosition(spans[i].column));
        EXPECT_EQ(spans[i].left, spans[i - 1].left + spans[i - 1].width);
    }
}

INSTANTIATE_TEST_SUITE_P(Moves, GridSectionMoveTest, ::testing::Values(
                      MoveCase{"LastToFirst", 3, 1, {2, 3, 1, 4}},
                      MoveCase{"FirstToLast", 1, 3, {3, 1, 2, 4}},
                      MoveCase{"PastTheHiddenColumn", 2, 4, {1, 4, 2, 3}}), rowName);

TEST_F(GridTest, ViewModelAnswersTextColoursAndCaptions)
{
    fill(2);
    grid.setCellDetails(2, "Address", QStringLiteral("\\\\SRV1.1"), 0x2, -1, 0xFF, -1);
    const GridTableModel &table = *grid.tableModel();
    const QModelIndex address = table.index(1, 2);
    EXPECT_EQ(std::tuple(address.data(Qt::AccessibleTextRole).toString(), address.data(Qt::BackgroundRole).value<QColor>(),
                         table.index(1, 1).data(Qt::ForegroundRole).value<QColor>(),
                         table.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString()),
              std::tuple(QStringLiteral("\\\\SRV1.1"), QColor(255, 0, 0), QColor(255, 0, 0), QStringLiteral("Controller Time")));
    EXPECT_TRUE(address.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_FALSE(table.index(0, 0).data(Qt::BackgroundRole).isValid()) << "no colour of its own: the grid's";
    EXPECT_FALSE(grid.accessibleName().isEmpty());
}

TEST_F(GridTest, ViewGeometryAgreesWithHitTests)
{
    fill(30);
    grid.setColumnWidth("Description", 90);
    grid.ensureVisible(25, "Address");
    for (const int row : {grid.topRow(), 25})
        for (const int column : {1, 2, 3})
            EXPECT_EQ(grid.cellRect(row, column), grid.visualRect(grid.tableModel()->index(row - 1, column - 1))) << row << column;
    EXPECT_EQ(grid.headerSectionRect("Address").left(),
              grid.header()->sectionViewportPosition(grid.columnIndex(QStringLiteral("Address")) - 1));
}

// While redraw is off nothing is painted or requested, the window system's paints and a grab show the
// last frame, and an operator scroll is kept; redraw coming back paints everything once.
TEST_F(GridTest, ChangesAndScrollsWhileRedrawIsOffAreShownOnceWhenItComesBack)
{
    fill(200);
    const QRect headerAndRows(QPoint(0, 0), grid.viewport()->geometry().bottomRight()); // the scroll bars follow the operator
    const QImage before = grid.grab(headerAndRows).toImage();
    const int paints = grid.paintCount(), requests = grid.repaintCount();
    grid.setRedraw(false);
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    grid.setCellDetails(1, "Description", QStringLiteral("changed while off"), 0x40020, -1, 0xFF00, 0xFF);
    add(0, QStringLiteral("new row"));
    grid.setColumnWidth("dbTime", 180);
    grid.setBackColour(0x8000000F);
    grid.update();
    QApplication::processEvents();
    const int top = grid.topRow();
    EXPECT_GT(top, 2);
    EXPECT_EQ(std::pair(grid.paintCount(), grid.repaintCount()), std::pair(paints, requests));
    EXPECT_EQ(grid.grab(headerAndRows).toImage(), before) << "header and rows as they were when drawing went off";
    grid.setRedraw(true);
    EXPECT_EQ(grid.repaintCount(), requests + 1);
    QApplication::processEvents();
    EXPECT_EQ(grid.paintCount(), paints + 1);
    EXPECT_EQ(std::pair(grid.topRow(), grid.verticalScrollBar()->value()), std::pair(top, top - 1));
    EXPECT_EQ(grid.visualRect(grid.tableModel()->index(top - 1, 1)).top(), 0) << "the view shows the kept position";
    EXPECT_NE(grid.grab(headerAndRows).toImage(), before);
    // A scroll the program asks for moves the rows at once; the scroll bars wait for redraw.
    grid.setRedraw(false);
    grid.ensureVisible(200, "Description");
    const int bottomTop = grid.topRow();
    EXPECT_GT(bottomTop, 150);
    EXPECT_LE(grid.cellRect(200, "Description").bottom(), grid.viewport()->height());
    EXPECT_NE(grid.verticalScrollBar()->value(), bottomTop - 1);
    grid.setRedraw(true);
    EXPECT_EQ(grid.verticalScrollBar()->value(), bottomTop - 1);
    grid.ensureVisible(1, 1);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
    grid.ensureVisible(1, "Address"); // the three columns do not fit in the viewport
    EXPECT_GT(grid.horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(grid.viewport()->rect().adjusted(0, 0, 1, 0).contains(grid.cellRect(1, "Address"))) << "wholly in view";
}

TEST_F(GridTest, ClicksSelectRowsAndRaiseEventsInOrder)
{
    fill(5);
    QStringList events;
    QPoint lastUp;
    QObject::connect(&grid, &GridControl::mouseDown, [&](int button, int shift) { events << QStringLiteral("down %1 %2").arg(button).arg(shift); });
    QObject::connect(&grid, &GridControl::cellClicked, [&](int row, int column) { events << QStringLiteral("cell %1 %2").arg(row).arg(column); });
    QObject::connect(&grid, &GridControl::mouseUp, [&](int button, int shift, int x, int y) {
        events << QStringLiteral("up %1 %2").arg(button).arg(shift);
        lastUp = QPoint(x, y);
    });
    click(Qt::LeftButton, centreOf(2));
    click(Qt::LeftButton, centreOf(4), Qt::ShiftModifier, false);
    const int extended = grid.selectedRowCount();
    click(Qt::LeftButton, centreOf(3), Qt::ControlModifier, false);
    click(Qt::MiddleButton, centreOf(4), Qt::AltModifier | Qt::ControlModifier); // the middle button selects nothing
    EXPECT_EQ(std::tuple(extended, grid.cellSelected(3, 1), grid.selectedRowCount()), std::tuple(3, false, 2));
    EXPECT_EQ(lastUp, centreOf(4) + grid.viewport()->geometry().topLeft()); // grid pixels, below the header
    EXPECT_GT(grid.viewport()->geometry().top(), 0);
    click(Qt::LeftButton, QPoint(20, grid.viewport()->height() - 2)); // below the last row: no cell, no selection change
    EXPECT_EQ(events, QStringList({"down 1 0", "cell 2 2", "up 1 0", "down 1 1", "cell 4 2", "down 1 2", "cell 3 2",
                                   "down 4 6", "cell 4 2", "up 4 6", "down 1 0", "up 1 0"}));
    EXPECT_EQ(grid.selectedRowCount(), 2);
}

TEST_F(GridTest, RightPressKeepsSelectionOnlyWhenHandlerSaysSo)
{
    fill(6);
    for (const int row : {2, 3, 4}) grid.setCellSelected(row, "Address", true);
    grid.setMouseDownHandler([&](int button, int, int, int) { return !(button == 2 && grid.selectedRowCount() >= 2); });
    int cellClicks = 0;
    QObject::connect(&grid, &GridControl::cellClicked, [&](int, int) { ++cellClicks; });
    click(Qt::RightButton, centreOf(3));
    EXPECT_EQ(cellClicks, 1); // the click still counts as a click on a cell
    grid.setCellSelected(3, "dtTime", false); // any column, the hidden one too, stands for its row
    EXPECT_EQ(std::tuple(grid.cellSelected(2, "dbTime"), grid.cellSelected(3, "Address"), grid.cellSelected(4, 1), grid.selectedRowCount()),
              std::tuple(true, false, true, 2));
    grid.clearSelection();
    grid.setCellSelected(5, 1, true);
    click(Qt::RightButton, centreOf(3), Qt::NoModifier, false);
    EXPECT_EQ(std::pair(grid.selectedRow(), grid.selectedRowCount()), std::pair(3, 1));
}

TEST_F(GridTest, HeaderClickReportsTheColumnIndexNotItsPosition)
{
    grid.setColumnPosition("Address", 1);
    std::vector<int> clicked;
    QObject::connect(&grid, &GridControl::columnClicked, [&](int column) { clicked.push_back(column); });
    const QPoint onAddress = grid.headerSectionRect("Address").center();
    EXPECT_LT(onAddress.x(), grid.headerSectionRect("dbTime").left());
    // Pressing on one column and letting go on another is no click.
    for (const QPoint release : {onAddress, grid.headerSectionRect("dbTime").center()}) {
        send(grid.header()->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, onAddress);
        send(grid.header()->viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, release);
    }
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
                  {380, [&] { grid.setRowHeight(1, -1); }}, {9, [&] { (void)grid.cellSelected(2, "Type"); }}});
    EXPECT_EQ(std::tuple(grid.sortKeys().size(), grid.cellText(1, "Address"), grid.dumpState().value("sort")),
              std::tuple(0u, QString(), QJsonValue(QJsonValue::Null)));
    grid.addSortKey("dbTime", 2, 200);
    ASSERT_EQ(grid.sortKeys().size(), 1u);
    EXPECT_EQ(std::pair(grid.sortKeys().front().order, grid.sortKeys().front().type), std::pair(SortOrder::Descending, SortType::DateTime));
    const QJsonObject state = grid.dumpState();
    const QJsonArray columns = state.value("columns").toArray();
    EXPECT_EQ(std::tuple(columns[3].toObject().value("visible").toBool(), columns[3].toObject().value("position").toInt(),
                         columns[0].toObject().value("tag").toString(), state.value("sort").toObject().value("order").toInt()),
              std::tuple(false, 4, QStringLiteral("DESC"), 2));
    EXPECT_EQ(QJsonDocument(state.value("rows").toArray()).toJson(QJsonDocument::Compact).toStdString(),
              R"([{"cells":{"Address":"","Description":"event 1","dbTime":"","dtTime":""},"fore":255,"selected":false},)"
              R"({"cells":{"Address":"","Description":"event 2","dbTime":"","dtTime":""},"fore":255,"selected":true}])");
}

TEST_F(GridTest, AutoHeightFitsWrappedTextAndKeepsSingleLines)
{
    fill(2);
    const int single = grid.rowHeight(1);
    grid.setCellDetails(2, "Description", QStringLiteral("first line\nsecond line\nthird line"), 0x10);
    for (const int row : {1, 2}) grid.autoHeightRow(row);
    EXPECT_EQ(grid.rowHeight(1), single);
    EXPECT_GE(grid.rowHeight(2), 3 * grid.fontMetrics().height());
}

TEST(Colour, RedIsTheLowByteAndSystemColoursFollowThePalette)
{
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    EXPECT_EQ(std::tuple(toQColor(16730712), fromQColor(QColor(88, 74, 255)), toQColor(0x8000000F, palette)),
              std::tuple(QColor(88, 74, 255), 16730712, QColor(1, 2, 3)));
    for (const qint64 value : {qint64(-1), qint64(0x1000000), qint64(0x800000FF)})
        EXPECT_EQ(errorNumber([&] { (void)toQColor(value, palette); }), 380) << value;
}
} // namespace
