#include "gridfixture.h"
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
namespace Ostraven {
namespace {
// A burst of row changes, and how the view hears of it (when redraw comes back, if it was off).
// Each step repeats: a row added before `add` (-1: none, 0: at the bottom), then row `remove` removed
// (0: none, -1: the last).
struct BurstStep {
    int repeat, add, remove;
};
struct BurstCase {
    const char *name;
    bool redrawOff, sorted;
    std::vector<BurstStep> steps;
    int inserts, removals, resets; // rowsInserted, rowsRemoved and modelReset signals
};
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
            if (step.add >= 0)
                add(step.add, QStringLiteral("new %1").arg(i));
            if (step.remove != 0)
                grid.removeRow(step.remove < 0 ? grid.rowCount() : step.remove);
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
    EXPECT_EQ(std::tuple(inserts, removals, resets),
              std::tuple(GetParam().inserts, GetParam().removals, GetParam().resets));
    expectViewMatchesGrid();
}
INSTANTIATE_TEST_SUITE_P(
    Bursts, GridBurstTest,
    ::testing::Values(BurstCase{"NewestAtTopTrimmingBottom", true, false, {{30, 1, -1}}, 1, 1, 0},
                      BurstCase{"NewestAtBottomTrimmingTop", true, false, {{30, 0, 1}}, 1, 1, 0},
                      BurstCase{"InsertsOnlyAtTop", true, false, {{500, 1, 0}}, 1, 0, 0},
                      BurstCase{"NewRowsTrimmedAgain", true, false, {{5, 0, 0}, {1, -1, -1}, {1, -1, 1}}, 1, 1, 0},
                      BurstCase{"SortedBurstIsAReset", true, true, {{1, 1, 0}}, 0, 0, 1},
                      BurstCase{"MiddleRowIsAReset", true, false, {{1, 20, 0}, {1, -1, 7}}, 0, 0, 1},
                      BurstCase{"BothEndsIsAReset", true, false, {{1, 1, 0}, {1, 0, 0}}, 0, 0, 1},
                      BurstCase{"EveryKnownRowReplacedIsAReset", true, false, {{60, 1, -1}}, 0, 0, 1},
                      BurstCase{"WhileDrawingEachRowIsAnnounced", false, false, {{4, 1, 0}, {1, -1, 2}}, 4, 1, 0}),
    [](const auto &row) { return std::string(row.param.name); });
// Keys move the selected row; Shift extends from the anchor when multiSelect is on.
struct KeyCase {
    const char *name;
    int startRow;
    bool multiSelect;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
    std::vector<int> selected;
};
class GridKeyTest : public GridFixture, public ::testing::TestWithParam<KeyCase> {};
TEST_P(GridKeyTest, KeysMoveTheSelection)
{
    fill(40);
    grid.setMultiSelect(GetParam().multiSelect);
    if (GetParam().startRow > 0) // a press sets the anchor as the operator would
        click(Qt::LeftButton, centreOf(GetParam().startRow), Qt::NoModifier, false);
    for (const auto &[key, modifiers] : GetParam().keys) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&grid, &event);
        EXPECT_TRUE(event.isAccepted());
    }
    std::vector<int> selected;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        if (grid.cellSelected(row, 1))
            selected.push_back(row);
    }
    EXPECT_EQ(selected, GetParam().selected);
    const int last = GetParam().selected.empty() ? 0 : GetParam().selected.back();
    if (last > 0) {
        EXPECT_FALSE(grid.cellRect(last, "Description").isEmpty()) << "the moved-to row is scrolled into view";
        EXPECT_TRUE(grid.selectionModel()->isRowSelected(last - 1, {})) << "the view shows the grid's selection";
    }
}
INSTANTIATE_TEST_SUITE_P(
    Keys, GridKeyTest,
    ::testing::Values(
        KeyCase{"DownMovesOne", 3, true, {{Qt::Key_Down, Qt::NoModifier}}, {4}},
        KeyCase{"UpMovesOne", 3, true, {{Qt::Key_Up, Qt::NoModifier}}, {2}},
        KeyCase{"UpStopsAtTheFirstRow", 1, true, {{Qt::Key_Up, Qt::NoModifier}}, {1}},
        KeyCase{"DownWithNothingSelectedTakesTheFirst", 0, true, {{Qt::Key_Down, Qt::NoModifier}}, {1}},
        KeyCase{"EndTakesTheLast", 2, true, {{Qt::Key_End, Qt::NoModifier}}, {40}},
        KeyCase{"HomeAfterEnd", 2, true, {{Qt::Key_End, Qt::NoModifier}, {Qt::Key_Home, Qt::NoModifier}}, {1}},
        KeyCase{"ShiftDownExtends", 3, true,
                {{Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Down, Qt::ShiftModifier}}, {3, 4, 5}},
        KeyCase{"ShiftUpAfterShiftDownShrinks", 3, true,
                {{Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Up, Qt::ShiftModifier}},
                {3, 4}},
        KeyCase{"ShiftWithoutMultiSelectMoves", 3, false, {{Qt::Key_Down, Qt::ShiftModifier}}, {4}},
        KeyCase{"PageDownMovesAPage", 1, true, {{Qt::Key_PageDown, Qt::NoModifier}, {Qt::Key_PageUp, Qt::NoModifier}},
                {1}}),
    [](const auto &row) { return std::string(row.param.name); });
// Section moves by the operator land in the column set's positions, hidden columns counted.
struct MoveCase {
    const char *name;
    int fromPosition;
    int toPosition;
    std::vector<int> positions; // of columns 1..4 afterwards
};
class GridSectionMoveTest : public GridFixture, public ::testing::TestWithParam<MoveCase> {};
TEST_P(GridSectionMoveTest, OperatorMoveUpdatesColumnPositions)
{
    std::vector<int> changed;
    QObject::connect(&grid, &GridControl::columnLayoutChanged, [&](int column) { changed.push_back(column); });
    const int moved = grid.header()->logicalIndex(GetParam().fromPosition - 1) + 1;
    grid.header()->moveSection(GetParam().fromPosition - 1, GetParam().toPosition - 1);
    std::vector<int> positions;
    for (int column = 1; column <= grid.columnCount(); ++column)
        positions.push_back(grid.columnPosition(column));
    EXPECT_EQ(positions, GetParam().positions);
    EXPECT_EQ(changed, std::vector<int>({moved}));
    // Hit tests follow the new order.
    const auto spans = grid.visibleColumnSpans();
    for (std::size_t i = 1; i < spans.size(); ++i) {
        EXPECT_LT(grid.columnPosition(spans[i - 1].column), grid.columnPosition(spans[i].column));
        EXPECT_EQ(spans[i].left, spans[i - 1].left + spans[i - 1].width);
    }
}
INSTANTIATE_TEST_SUITE_P(Moves, GridSectionMoveTest,
                         ::testing::Values(MoveCase{"LastToFirst", 3, 1, {2, 3, 1, 4}},
                                           MoveCase{"FirstToLast", 1, 3, {3, 1, 2, 4}},
                                           MoveCase{"PastTheHiddenColumn", 2, 4, {1, 4, 2, 3}}),
                         [](const auto &row) { return std::string(row.param.name); });
TEST_F(GridTest, ViewModelAnswersTextColoursAndCaptions)
{
    fill(2);
    grid.setCellDetails(2, "Address", QStringLiteral("\\\\SRV1.1"), 0x2, -1, 0xFF, -1);
    const GridTableModel &table = *grid.tableModel();
    const QModelIndex address = table.index(1, 2);
    EXPECT_EQ(address.data(Qt::AccessibleTextRole).toString(), QStringLiteral("\\\\SRV1.1"));
    EXPECT_EQ(address.data(Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(table.index(1, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_TRUE(address.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_FALSE(table.index(0, 0).data(Qt::BackgroundRole).isValid()) << "no colour of its own: the grid's";
    EXPECT_EQ(table.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Controller Time"));
    EXPECT_FALSE(grid.accessibleName().isEmpty());
}
TEST_F(GridTest, ViewGeometryAgreesWithHitTests)
{
    fill(30);
    grid.setColumnWidth("Description", 90);
    grid.ensureVisible(25, "Address");
    for (const int row : {grid.topRow(), 25}) {
        for (const char *key : {"dbTime", "Description", "Address"}) {
            const QModelIndex index = grid.tableModel()->index(row - 1, grid.columnIndex(QLatin1String(key)) - 1);
            EXPECT_EQ(grid.cellRect(row, key), grid.visualRect(index)) << row << key;
        }
    }
    EXPECT_EQ(grid.headerSectionRect("Address").left(),
              grid.header()->sectionViewportPosition(grid.columnIndex(QStringLiteral("Address")) - 1));
}
TEST_F(GridTest, OperatorScrollWhileRedrawIsOffIsKeptAndShownOnce)
{
    fill(200);
    grid.setRedraw(false);
    const int paints = grid.paintCount();
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QApplication::processEvents();
    const int top = grid.topRow();
    EXPECT_GT(top, 2);
    EXPECT_EQ(grid.paintCount(), paints);
    grid.setRedraw(true);
    QApplication::processEvents();
    EXPECT_EQ(grid.paintCount(), paints + 1);
    EXPECT_EQ(grid.topRow(), top);
    EXPECT_EQ(grid.verticalScrollBar()->value(), top - 1);
    EXPECT_EQ(grid.visualRect(grid.tableModel()->index(top - 1, 1)).top(), 0) << "the view shows the kept position";
}
TEST_F(GridTest, GrabWhileRedrawIsOffShowsTheLastFrame)
{
    fill(20);
    const QImage before = grid.grab().toImage();
    grid.setRedraw(false);
    grid.setCellDetails(1, "Description", QStringLiteral("changed while off"), 0x40020, -1, 0xFF00, 0xFF);
    add(1, QStringLiteral("new row"));
    grid.setColumnWidth("dbTime", 40);
    EXPECT_EQ(grid.grab().toImage(), before) << "header and rows as they were when drawing went off";
    grid.setRedraw(true);
    QApplication::processEvents();
    EXPECT_NE(grid.grab().toImage(), before);
}
} // namespace
} // namespace Ostraven
