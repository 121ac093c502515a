#include "platform/grid/gridmodel.h"
#include "platform/vberror.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

namespace Ostraven {
namespace {

class GridModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.columns().add(QStringLiteral("dbTime"), QStringLiteral("Host Time"));
        model.columns().add(QStringLiteral("Description"), QStringLiteral("Description"));
        model.columns().add(QStringLiteral("Address"), QStringLiteral("Address"));
        model.columns().add(QStringLiteral("ID"), QStringLiteral("Event ID"));
    }

    // Adds one row per text, in order, at the bottom; the text goes into "Description".
    void addRows(const QStringList &texts)
    {
        for (const QString &text : texts)
            model.setCellText(model.addRow(), "Description", text);
    }

    QStringList column(const char *key) const
    {
        QStringList texts;
        for (int row = 1; row <= model.rowCount(); ++row)
            texts << model.cell(row, key).text;
        return texts;
    }

    GridModel model;
};

TEST_F(GridModelTest, RowsArriveAtBothEndsAndLeaveFromAnywhere)
{
    addRows({QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(model.addRow(1), 1);
    model.setCellText(1, "Description", QStringLiteral("a"));
    EXPECT_EQ(model.addRow(), 4);
    model.setCellText(4, "Description", QStringLiteral("d"));
    EXPECT_EQ(column("Description"), QStringList({"a", "b", "c", "d"}));

    model.removeRow(1);
    model.removeRow(model.rowCount());
    EXPECT_EQ(column("Description"), QStringList({"b", "c"}));
    model.addRow(2);
    EXPECT_EQ(column("Description"), QStringList({"b", "", "c"}));
}

TEST_F(GridModelTest, ClearingRowsKeepsColumnsAndKeys)
{
    addRows({QStringLiteral("x"), QStringLiteral("y")});
    model.setRowSelected(2, true);
    model.clearRows();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.selectedRow(), 0);
    EXPECT_EQ(model.columns().count(), 4);
    EXPECT_EQ(model.columns().indexOf("Address"), 3);
    addRows({QStringLiteral("again")});
    EXPECT_EQ(model.cell(1, "Description").text, QStringLiteral("again"));
}

TEST_F(GridModelTest, MissingRowsAndColumnsRaiseSubscriptOutOfRange)
{
    addRows({QStringLiteral("only")});
    const std::vector<std::function<void()>> calls{
        [&] { static_cast<void>(model.cell(2, "ID")); },
        [&] { static_cast<void>(model.cell(0, "ID")); },
        [&] { static_cast<void>(model.cell(1, "id")); }, // keys match exactly
        [&] { static_cast<void>(model.cell(1, 5)); },
        [&] { model.removeRow(2); },
        [&] { model.addRow(3); },
        [&] { model.setRowSelected(-1, true); },
        [&] { model.addSortKey("NotUsed", SortOrder::Ascending, SortType::Text); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        try {
            calls[i]();
            ADD_FAILURE() << "call " << i << " did not raise";
        } catch (const VbError &error) {
            EXPECT_EQ(error.number(), VbError::SubscriptOutOfRange) << "call " << i;
        }
    }
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.cell(1, "Description").text, QStringLiteral("only"));
}

TEST_F(GridModelTest, ColumnsKeepIndexOrderWhilePositionsMove)
{
    GridColumnSet &columns = model.columns();
    EXPECT_EQ(columns.at(1).key, QStringLiteral("dbTime"));
    EXPECT_EQ(columns.find(QStringLiteral("Type")), 0);

    // The dialog's apply: each listed column in turn takes the next position.
    const QStringList listed{"ID", "Address", "dbTime", "Description"};
    for (int i = 0; i < listed.size(); ++i)
        columns.setPosition(listed[i], i + 1);
    for (int i = 0; i < listed.size(); ++i)
        EXPECT_EQ(columns.position(listed[i]), i + 1) << listed[i].toStdString();
    EXPECT_EQ(columns.displayOrder(), std::vector<int>({4, 3, 1, 2}));
    EXPECT_EQ(columns.at(1).key, QStringLiteral("dbTime")); // index order untouched

    columns.setWidth("ID", 58);
    columns.setVisible(4, false);
    columns.setTag("ID", QStringLiteral("DESC"));
    columns.setHeader("ID", QStringLiteral("Event"));
    const GridColumn &id = columns.at("ID");
    EXPECT_EQ(id.width, 58);
    EXPECT_FALSE(id.visible);
    EXPECT_EQ(id.tag, QStringLiteral("DESC"));
    EXPECT_EQ(id.header, QStringLiteral("Event"));
}

TEST_F(GridModelTest, BadColumnValuesAreRefusedAndNothingChanges)
{
    GridColumnSet &columns = model.columns();
    const std::vector<std::pair<int, std::function<void()>>> calls{
        {457, [&] { columns.add(QStringLiteral("ID"), QStringLiteral("again")); }},
        {380, [&] { columns.setPosition("ID", 0); }},
        {380, [&] { columns.setPosition("ID", 5); }},
        {380, [&] { columns.setWidth("ID", -2); }},
    };
    for (const auto &[number, call] : calls) {
        try {
            call();
            ADD_FAILURE() << "no error " << number;
        } catch (const VbError &error) {
            EXPECT_EQ(error.number(), number);
        }
    }
    EXPECT_EQ(columns.count(), 4);
    EXPECT_EQ(columns.position("ID"), 4);
    EXPECT_EQ(columns.at("ID").width, GridColumnSet::DefaultWidth);
}

TEST_F(GridModelTest, CellKeepsItsDetailsAndUnwrittenCellsAreEmpty)
{
    model.addRow();
    model.setCell(1, "Address", GridCell{QStringLiteral("\\\\SRV.1.2.IN05"), 0x40020, -1, -1, 255});
    const GridCell &cell = model.cell(1, "Address");
    EXPECT_EQ(cell.text, QStringLiteral("\\\\SRV.1.2.IN05"));
    EXPECT_EQ(cell.flags, 0x40020);
    EXPECT_EQ(cell.foreColour, 255);
    EXPECT_EQ(cell.backColour, -1);
    EXPECT_TRUE(model.cell(1, "ID").text.isEmpty());

    // A column added after the row exists is readable and writable in it.
    model.columns().add(QStringLiteral("Type"), QStringLiteral("Event Type"));
    EXPECT_TRUE(model.cell(1, "Type").text.isEmpty());
    model.setCellText(1, "Type", QStringLiteral("KORA*GATE Alarm"));
    EXPECT_EQ(model.cell(1, "Type").text, QStringLiteral("KORA*GATE Alarm"));
    EXPECT_EQ(model.cell(1, "Address").foreColour, 255);
}

TEST_F(GridModelTest, SelectionIsOnePerRowWhicheverColumnIsAsked)
{
    addRows({"a", "b", "c", "d"});
    EXPECT_EQ(model.selectedRow(), 0);
    model.setRowSelected(3, true);
    model.setRowSelected(2, true);
    EXPECT_EQ(model.selectedRow(), 2);
    EXPECT_EQ(model.selectedRowCount(), 2);
    model.removeRow(2);
    EXPECT_EQ(model.selectedRow(), 2); // the former row 3 moved up with its selection
    model.clearSelection();
    EXPECT_EQ(model.selectedRowCount(), 0);
}

struct SortCase {
    const char *name;
    SortType type;
    SortOrder order;
    QStringList texts;    // "Description" cells, in insertion order
    QStringList expected; // "Description" cells after sorting
};

TEST_F(GridModelTest, SortsByEachTypeAndOrderKeepingTiesInPlace)
{
    const std::vector<SortCase> cases{
        {"numbers ascending", SortType::Number, SortOrder::Ascending,
         {"100", "9", "x", "-3", "9.5", "0"}, {"-3", "x", "0", "9", "9.5", "100"}},
        {"numbers descending", SortType::Number, SortOrder::Descending,
         {"2", "10", "abc", "0", "10"}, {"10", "10", "2", "abc", "0"}},
        {"text ignores case", SortType::Text, SortOrder::Ascending,
         {"beta", "Alpha", "alpha", "Gamma", "ALPHA"}, {"Alpha", "alpha", "ALPHA", "beta", "Gamma"}},
        {"text descending", SortType::Text, SortOrder::Descending,
         {"b", "C", "a", "c"}, {"C", "c", "b", "a"}},
        {"dates ascending, no-dates first", SortType::DateTime, SortOrder::Ascending,
         {"1/2/2008 1:00:00 PM", "not a date", "12/31/2007", "2008-01-02 09:30:00", ""},
         {"not a date", "", "12/31/2007", "2008-01-02 09:30:00", "1/2/2008 1:00:00 PM"}},
        {"dates descending", SortType::DateTime, SortOrder::Descending,
         {"1/1/2008", "3/1/2008 12:00:01 AM", "2/1/2008", "3/1/2008 12:00:01 AM"},
         {"3/1/2008 12:00:01 AM", "3/1/2008 12:00:01 AM", "2/1/2008", "1/1/2008"}},
    };
    for (const SortCase &sortCase : cases) {
        model.clearRows();
        addRows(sortCase.texts);
        // The position of each row in "ID" proves that equal rows keep their order.
        for (int row = 1; row <= model.rowCount(); ++row)
            model.setCellText(row, "ID", QString::number(row));
        model.clearSortKeys();
        model.addSortKey("Description", sortCase.order, sortCase.type);
        model.sort();
        EXPECT_EQ(column("Description"), sortCase.expected) << sortCase.name;
    }
}

TEST_F(GridModelTest, EqualRowsKeepTheirOrderUnderEitherDirection)
{
    addRows({"same", "same", "other", "same"});
    for (int row = 1; row <= model.rowCount(); ++row)
        model.setCellText(row, "ID", QString::number(row));
    for (const SortOrder order : {SortOrder::Ascending, SortOrder::Descending}) {
        model.clearSortKeys();
        model.addSortKey("Description", order, SortType::Text);
        model.sort();
        QStringList sameRows;
        for (int row = 1; row <= model.rowCount(); ++row) {
            if (model.cell(row, "Description").text == QStringLiteral("same"))
                sameRows << model.cell(row, "ID").text;
        }
        EXPECT_EQ(sameRows, QStringList({"1", "2", "4"}));
    }
}

TEST_F(GridModelTest, SortCarriesWholeRowsWithSelectionAndSecondKeyBreaksTies)
{
    addRows({"b", "a", "b", "a"});
    const QStringList ids{"2", "9", "1", "3"};
    for (int row = 1; row <= 4; ++row)
        model.setCellText(row, "ID", ids[row - 1]);
    model.setRowSelected(1, true); // "b" / "2"
    model.addSortKey("Description", SortOrder::Ascending, SortType::Text);
    model.addSortKey("ID", SortOrder::Descending, SortType::Number);
    model.sort();
    EXPECT_EQ(column("Description"), QStringList({"a", "a", "b", "b"}));
    EXPECT_EQ(column("ID"), QStringList({"9", "3", "2", "1"}));
    EXPECT_EQ(model.selectedRow(), 3);
    EXPECT_EQ(model.selectedRowCount(), 1);
}

} // namespace
} // namespace Ostraven
