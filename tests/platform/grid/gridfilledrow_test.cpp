#include "../platformtest.h"
#include "platform/grid/gridcontrol.h"
#include "platform/grid/gridtablemodel.h"
#include <QApplication>
#include <QJsonDocument>
#include <QScrollBar>
#include <deque>

using namespace Ostraven;

namespace {

// Failures name a row rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }

// The row store's ring against a plain double-ended queue: every operation on both, then the same
// rows in the same order. Rows are told apart by their height.
enum class Op { PushFront, PushBack, Insert, Erase, RecycleToBack, RecycleToFront, Reverse, Clear };
struct StoreStep { Op op; int at = 0; };
struct StoreCase { const char *name; int prefill; std::vector<StoreStep> steps; };
class RowStoreTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(RowStoreTest, KeepsTheOrderADequeWould)
{
    GridRowStore store;
    std::deque<int> reference;
    int next = 1;
    auto pushBack = [&] { store.pushBack().height = next; reference.push_back(next++); };
    for (int i = 0; i < GetParam().prefill; ++i) pushBack();
    for (const StoreStep &step : GetParam().steps) {
        switch (step.op) {
        case Op::PushFront: store.pushFront().height = next; reference.push_front(next++); break;
        case Op::PushBack: pushBack(); break;
        case Op::Insert:
            store.insert(std::size_t(step.at)).height = next;
            reference.insert(reference.begin() + std::min<std::ptrdiff_t>(step.at, std::ptrdiff_t(reference.size())), next++);
            break;
        case Op::Erase:
            store.erase(std::size_t(step.at));
            if (std::size_t(step.at) < reference.size()) reference.erase(reference.begin() + step.at);
            break;
        case Op::RecycleToBack: {
            GridRow &row = store.recycleFrontToBack();
            EXPECT_EQ(row.height, 0) << "a recycled row starts at the default height";
            row.height = next;
            reference.pop_front();
            reference.push_back(next++);
            break;
        }
        case Op::RecycleToFront: {
            GridRow &row = store.recycleBackToFront();
            EXPECT_EQ(row.height, 0);
            row.height = next;
            reference.pop_back();
            reference.push_front(next++);
            break;
        }
        case Op::Reverse: {
            std::vector<std::size_t> order(store.size());
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = order.size() - 1 - i;
            store.permute(order);
            std::reverse(reference.begin(), reference.end());
            break;
        }
        case Op::Clear: store.clear(); reference.clear(); break;
        }
    }
    std::vector<int> held;
    for (std::size_t i = 0; i < store.size(); ++i) held.push_back(store.at(i).height);
    EXPECT_EQ(held, std::vector<int>(reference.begin(), reference.end()));
}

std::vector<StoreStep> repeated(Op op, int times, int at = 0) { return std::vector<StoreStep>(std::size_t(times), StoreStep{op, at}); }
std::vector<StoreStep> joined(std::initializer_list<std::vector<StoreStep>> parts)
{
    std::vector<StoreStep> all;
    for (const auto &part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

INSTANTIATE_TEST_SUITE_P(Ring, RowStoreTest, ::testing::Values(
    StoreCase{"GrowsAtTheFrontPastItsFirstSize", 0, repeated(Op::PushFront, 40)},
    StoreCase{"GrowsAtBothEndsAfterWrapping", 10, joined({repeated(Op::PushFront, 5), repeated(Op::PushBack, 30), repeated(Op::PushFront, 20)})},
    StoreCase{"RecyclesThroughAFullRing", 16, repeated(Op::RecycleToBack, 50)},
    StoreCase{"RecyclesThroughARingWithRoomLeft", 20, joined({repeated(Op::RecycleToBack, 45), repeated(Op::RecycleToFront, 70)})},
    StoreCase{"RecyclesAfterTheFrontWrapped", 3, joined({repeated(Op::PushFront, 6), repeated(Op::RecycleToFront, 17), repeated(Op::RecycleToBack, 9)})},
    StoreCase{"ErasesNearEitherEndAndInTheMiddle", 30, joined({repeated(Op::Erase, 3, 1), repeated(Op::Erase, 3, 25), repeated(Op::Erase, 2, 12), {{Op::Erase, 99}}})},
    StoreCase{"InsertsInTheMiddleOfAWrappedRing", 12, joined({repeated(Op::PushFront, 3), repeated(Op::Insert, 6, 7), {{Op::Insert, 0}, {Op::Insert, 500}}})},
    StoreCase{"SortsThenRecyclesAndGrows", 14, joined({{{Op::Reverse}}, repeated(Op::RecycleToBack, 5), repeated(Op::PushBack, 20), repeated(Op::RecycleToFront, 4)})},
    StoreCase{"StartsOverAfterClear", 40, joined({{{Op::Clear}}, repeated(Op::PushFront, 3), repeated(Op::RecycleToBack, 4)})}),
    rowName);

// A new row in one call against the same row made step by step (addRow, setCellDetails for each
// cell, autoHeightRow, removeRow at the other end): two grids must end up alike in every cell, row
// height, selection, scroll position and in what their views are told.
struct FilledCase {
    const char *name;
    bool atTop, redrawOff, sorted;
    int prefill, maxRows, events;
    bool dirtyOldRows; // the rows about to be trimmed carry selection, icons, colours, heights, an extra cell
    std::vector<int> columns; // the columns each new row writes
};

class FilledRowTest : public ::testing::TestWithParam<FilledCase>
{
protected:
    struct Side {
        GridControl grid;
        int inserts = 0, removals = 0, resets = 0;
    };

    static void setUp(Side &side)
    {
        GridControl &grid = side.grid;
        grid.resize(420, 160);
        for (const char *key : {"dbTime", "Description", "Address", "ID", "Wide"})
            grid.addColumn(QString::fromLatin1(key), QString::fromLatin1(key), 0, -1, 100);
        grid.show();
        QApplication::processEvents();
        for (int i = 1; i <= GetParam().prefill; ++i) {
            const int row = grid.addRow();
            grid.setCellDetails(row, 1, QStringLiteral("old %1").arg(i), 0x40020, -1, -1, 255);
            if (GetParam().dirtyOldRows) {
                grid.setCellDetails(row, 5, QStringLiteral("a long wrapped text that needs room"), 0x10, 3, 0xFF00, 0xFF);
                grid.setRowHeight(row, 30 + i);
                grid.setCellSelected(row, 1, i % 2 == 1);
            }
        }
        if (GetParam().sorted) {
            grid.addSortKey(1, 2, 102);
            grid.sort();
        }
        QObject::connect(grid.tableModel(), &QAbstractItemModel::rowsInserted, [&side] { ++side.inserts; });
        QObject::connect(grid.tableModel(), &QAbstractItemModel::rowsRemoved, [&side] { ++side.removals; });
        QObject::connect(grid.tableModel(), &QAbstractItemModel::modelReset, [&side] { ++side.resets; });
        if (GetParam().redrawOff)
            grid.setRedraw(false);
    }

    static QString text(int event, int column)
    {
        // A null text, an empty one and texts of changing length, so that reused buffers must shrink and grow.
        if (column == 4) return event % 3 == 0 ? QString() : QString(event % 3 == 1 ? QStringLiteral("") : QStringLiteral("n%1").arg(event));
        return QStringLiteral("event %1 column %2 %3").arg(event).arg(column).arg(QString(event % 4, u'x'));
    }

    static void stepByStep(GridControl &grid, int event)
    {
        const int row = grid.addRow(GetParam().atTop ? 1 : 0);
        for (const int column : GetParam().columns)
            grid.setCellDetails(row, column, text(event, column), 0x40020, -1, -1, 0x0000FF);
        grid.autoHeightRow(row);
        if (grid.rowCount() > GetParam().maxRows)
            grid.removeRow(GetParam().atTop ? grid.rowCount() : 1);
    }

    static int inOneCall(GridControl &grid, int event)
    {
        std::vector<QString> texts;
        std::vector<GridCellText> cells;
        for (const int column : GetParam().columns) texts.push_back(text(event, column));
        for (std::size_t i = 0; i < texts.size(); ++i) cells.push_back({GetParam().columns[i], texts[i]});
        return grid.addFilledRow(GetParam().atTop, cells, 0x40020, -1, -1, 0x0000FF, GetParam().maxRows);
    }

    static void expectAlike(const GridControl &made, const GridControl &expected)
    {
        ASSERT_EQ(made.rowCount(), expected.rowCount());
        for (int row = 1; row <= expected.rowCount(); ++row) {
            for (int column = 1; column <= expected.columnCount(); ++column) {
                const GridCell a = made.cell(row, column), b = expected.cell(row, column);
                EXPECT_EQ(std::tuple(a.text, a.text.isNull(), a.flags, a.icon, a.backColour, a.foreColour),
                          std::tuple(b.text, b.text.isNull(), b.flags, b.icon, b.backColour, b.foreColour))
                    << "row " << row << " column " << column;
            }
            EXPECT_EQ(made.gridModel().rowAt(row).cells.size(), expected.gridModel().rowAt(row).cells.size()) << "row " << row;
            EXPECT_EQ(made.rowHeight(row), expected.rowHeight(row)) << "row " << row;
            EXPECT_EQ(made.cellSelected(row, 1), expected.cellSelected(row, 1)) << "row " << row;
        }
        EXPECT_EQ(made.topRow(), expected.topRow());
        EXPECT_EQ(QJsonDocument(made.dumpState()).toJson(), QJsonDocument(expected.dumpState()).toJson());
    }
};

TEST_P(FilledRowTest, OneCallMakesTheRowTheStepsWould)
{
    Side made, expected;
    setUp(made);
    setUp(expected);
    for (int event = 1; event <= GetParam().events; ++event) {
        const int row = inOneCall(made.grid, event);
        stepByStep(expected.grid, event);
        const int newest = GetParam().atTop ? 1 : expected.grid.rowCount();
        if (expected.grid.rowCount() > 0) {
            EXPECT_EQ(row, newest) << "event " << event;
            made.grid.ensureVisible(newest, 1);
            expected.grid.ensureVisible(newest, 1);
        }
    }
    expectAlike(made.grid, expected.grid);
    made.grid.setRedraw(true);
    expected.grid.setRedraw(true);
    EXPECT_EQ(std::tuple(made.inserts, made.removals, made.resets), std::tuple(expected.inserts, expected.removals, expected.resets));
    ASSERT_EQ(made.grid.tableModel()->rowCount(), expected.grid.tableModel()->rowCount());
    for (int row = 0; row < expected.grid.tableModel()->rowCount(); ++row) {
        for (int column = 0; column < expected.grid.columnCount(); ++column) {
            EXPECT_EQ(made.grid.tableModel()->index(row, column).data(), expected.grid.tableModel()->index(row, column).data());
            EXPECT_EQ(made.grid.tableModel()->index(row, column).data(Qt::ForegroundRole),
                      expected.grid.tableModel()->index(row, column).data(Qt::ForegroundRole));
        }
    }
    expectAlike(made.grid, expected.grid);
}

INSTANTIATE_TEST_SUITE_P(Rows, FilledRowTest, ::testing::Values(
    FilledCase{"AtTheLimitNewestAtBottom", false, true, false, 8, 8, 20, false, {4, 1, 3, 2}},
    FilledCase{"AtTheLimitNewestAtTop", true, true, false, 8, 8, 20, false, {4, 1, 3, 2}},
    FilledCase{"ReusedRowsForgetSelectionIconColoursHeightAndCells", false, true, false, 6, 6, 9, true, {1, 2}},
    FilledCase{"ReusedRowsForgetThemAtTheTopToo", true, true, false, 6, 6, 9, true, {2, 3, 4}},
    FilledCase{"GapBetweenWrittenColumnsIsAnEmptyCell", false, true, false, 5, 5, 7, true, {1, 4}},
    FilledCase{"SortedGridTrimsItsEnds", false, true, true, 10, 10, 12, true, {1, 2, 3, 4}},
    FilledCase{"SortedGridNewestAtTop", true, true, true, 10, 10, 12, false, {1, 2, 3, 4}},
    FilledCase{"OverTheLimitAlreadyTrimsOneARow", false, true, false, 12, 7, 5, false, {1, 2}},
    FilledCase{"BelowTheLimitOnlyAdds", false, true, false, 3, 50, 10, false, {1, 2}},
    FilledCase{"GrowsIntoTheLimitThenRecycles", true, true, false, 0, 6, 15, false, {1, 2, 3}},
    FilledCase{"NoLinesAllowedLeavesNone", false, true, false, 0, 0, 3, false, {1}},
    FilledCase{"WhileDrawingEveryRowIsAnnounced", false, false, false, 6, 6, 8, true, {1, 2}},
    FilledCase{"NoCellsAtAll", false, true, false, 4, 4, 6, true, {}}),
    rowName);

// Bad input is refused the way the steps refuse it.
TEST(FilledRow, BadColumnChangesNothingAndBadColourLeavesAnEmptyRow)
{
    GridControl grid;
    grid.addColumn(QStringLiteral("A"), QStringLiteral("A"));
    grid.addRow();
    grid.setRedraw(false);
    const QString text = QStringLiteral("x");
    const std::vector<GridCellText> badColumn{{1, text}, {2, text}};
    EXPECT_EQ(errorNumber([&] { grid.addFilledRow(false, badColumn, 0x40020, -1, -1, 255, 1); }), 9);
    EXPECT_EQ(std::pair(grid.rowCount(), grid.cellText(1, 1)), std::pair(1, QString()));

    const std::vector<GridCellText> cells{{1, text}};
    EXPECT_EQ(errorNumber([&] { grid.addFilledRow(false, cells, 0x40020, -1, -1, 0x7FFFFFFF, 1); }), 380);
    EXPECT_EQ(std::pair(grid.rowCount(), grid.cellText(2, 1)), std::pair(2, QString()));
}

} // namespace

namespace {

// Asked again for the same column, the grid still brings it into view after whatever moved the
// sections, the view's width or the scroll position in between.
struct RefitCase { const char *name; std::function<void(GridControl &)> change; };
class EnsureVisibleAgain : public ::testing::TestWithParam<RefitCase> {};

TEST_P(EnsureVisibleAgain, ShowsTheColumnWholeAfterTheChange)
{
    GridControl grid;
    grid.resize(320, 200);
    for (const char *key : {"A", "B", "C", "D", "E"})
        grid.addColumn(QString::fromLatin1(key), QString::fromLatin1(key), 0, -1, 150);
    grid.addRow();
    grid.show();
    QApplication::processEvents();
    grid.ensureVisible(1, "D");
    GetParam().change(grid);
    QApplication::processEvents();
    grid.ensureVisible(1, "D");
    const QRect section = grid.headerSectionRect("D");
    const int room = grid.viewport()->width();
    ASSERT_FALSE(section.isEmpty());
    EXPECT_TRUE(section.width() > room ? section.left() == 0 || section.right() == room - 1
                                       : section.left() >= 0 && section.left() + section.width() <= room)
        << section.left() << " " << section.width() << " in " << room;
}

INSTANTIATE_TEST_SUITE_P(Changes, EnsureVisibleAgain, ::testing::Values(
    RefitCase{"ColumnWidened", [](GridControl &grid) { grid.setColumnWidth("D", 260); }},
    RefitCase{"ColumnBeforeItWidened", [](GridControl &grid) { grid.setColumnWidth("B", 400); }},
    RefitCase{"ColumnMovedFirst", [](GridControl &grid) { grid.setColumnPosition("D", 1); }},
    RefitCase{"ColumnBeforeItHidden", [](GridControl &grid) { grid.setColumnVisible("C", false); }},
    RefitCase{"ViewNarrowed", [](GridControl &grid) { grid.resize(200, 200); }},
    RefitCase{"ScrolledToTheStart", [](GridControl &grid) { grid.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum); }},
    RefitCase{"ScrolledToTheStartWhileRedrawIsOff", [](GridControl &grid) {
        grid.setRedraw(false);
        grid.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    }}),
    rowName);

} // namespace
