#include "../platformtest.h"
#include "platform/grid/gridmodel.h"
#include <QStringList>
using namespace Ostraven;

namespace {
class GridModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *key : {"dbTime", "Description", "Address", "ID"}) model.columns().add(key, key);
    }
    // One row per text, at the bottom, the text in "Description".
    void addRows(const QStringList &texts)
    {
        for (const QString &text : texts) model.setCellText(model.addRow(), "Description", text);
    }
    QStringList column(const char *key) const
    {
        QStringList texts;
        for (int row = 1; row <= model.rowCount(); ++row) texts << model.cell(row, key).text;
        return texts;
    }
    GridModel model;
};

TEST_F(GridModelTest, RowsArriveAtBothEndsAndLeaveFromAnywhereTakingTheirSelectionAndCells)
{
    addRows({"b", "c"});
    EXPECT_EQ((std::pair{model.addRow(1), model.addRow()}), std::pair(1, 4)); // braces: added in this order
    model.setCellText(1, "Description", QStringLiteral("a"));
    model.setCellText(4, "Description", QStringLiteral("d"));
    EXPECT_EQ(column("Description"), QStringList({"a", "b", "c", "d"}));
    model.removeRow(1);
    model.removeRow(model.rowCount());
    model.addRow(2);
    EXPECT_EQ(column("Description"), QStringList({"b", "", "c"}));
    model.setRowSelected(3, true);
    model.setRowSelected(2, true);
    const int first = model.selectedRow();
    model.removeRow(2); // the former row 3 moves up with its selection
    EXPECT_EQ(std::tuple(first, model.selectedRow(), model.selectedRowCount()), std::tuple(2, 2, 1));
    model.columns().add(QStringLiteral("Type"), QStringLiteral("Event Type")); // a column added late holds empty cells
    EXPECT_TRUE(model.cell(2, "Type").text.isEmpty());
    model.setCellText(2, "Type", QStringLiteral("KORA*GATE Alarm"));
    EXPECT_EQ(model.cell(2, "Type").text, QStringLiteral("KORA*GATE Alarm"));
    model.clearRows();
    EXPECT_EQ(std::tuple(model.selectedRow(), model.columns().indexOf("Address"), model.columns().find("Nope")), std::tuple(0, 3, 0));
}

TEST_F(GridModelTest, BadRowsColumnsAndValuesAreRefusedAndNothingChanges)
{
    addRows({"only"});
    GridColumnSet &columns = model.columns();
    const int range = VbError::SubscriptOutOfRange;
    expectErrors({
        {range, [&] { static_cast<void>(model.cell(2, "ID")); }},
        {range, [&] { static_cast<void>(model.cell(0, "ID")); }},
        {range, [&] { static_cast<void>(model.cell(1, "id")); }}, // keys match exactly
        {range, [&] { static_cast<void>(model.cell(1, 5)); }}, {range, [&] { model.removeRow(2); }},
        {range, [&] { model.addRow(3); }}, {range, [&] { model.setRowSelected(-1, true); }},
        {range, [&] { model.addSortKey("NotUsed", SortOrder::Ascending, SortType::Text); }},
        {457, [&] { columns.add(QStringLiteral("ID"), QStringLiteral("again")); }},
        {380, [&] { columns.setPosition("ID", 0); }}, {380, [&] { columns.setPosition("ID", 5); }},
        {380, [&] { columns.setWidth("ID", -2); }},
    });
    EXPECT_EQ(std::tuple(model.rowCount(), model.cell(1, "Description").text, columns.count(), columns.position("ID"), columns.at("ID").width),
              std::tuple(1, QStringLiteral("only"), 4, 4, GridColumnSet::DefaultWidth));
}

TEST_F(GridModelTest, SortsByEachTypeAndOrderKeepingTiesInPlace)
{
    struct SortCase { SortType type; SortOrder order; QStringList texts, expected; };
    using enum SortType;
    using enum SortOrder;
    const std::vector<SortCase> cases{
        {Number, Ascending, {"100", "9", "x", "-3", "9.5", "0"}, {"-3", "x", "0", "9", "9.5", "100"}},
        {Number, Descending, {"2", "10", "abc", "0", "10"}, {"10", "10", "2", "abc", "0"}},
        {Text, Ascending, {"beta", "Alpha", "alpha", "Gamma", "ALPHA"}, {"Alpha", "alpha", "ALPHA", "beta", "Gamma"}},
        {Text, Descending, {"b", "C", "a", "c"}, {"C", "c", "b", "a"}},
        {DateTime, Ascending, {"1/2/2008 1:00:00 PM", "not a date", "12/31/2007", "2008-01-02 09:30:00", ""},
         {"not a date", "", "12/31/2007", "2008-01-02 09:30:00", "1/2/2008 1:00:00 PM"}},
        {DateTime, Descending, {"1/1/2008", "3/1/2008 12:00:01 AM", "2/1/2008"}, {"3/1/2008 12:00:01 AM", "2/1/2008", "1/1/2008"}},
    };
    for (const SortCase &c : cases) {
        model.clearRows();
        addRows(c.texts);
        model.clearSortKeys();
        model.addSortKey("Description", c.order, c.type);
        model.sort();
        EXPECT_EQ(column("Description"), c.expected) << c.texts.join(u',').toStdString();
    }
}

TEST_F(GridModelTest, SortCarriesWholeRowsWithSelectionAndSecondKeyBreaksTies)
{
    addRows({"b", "a", "b", "a"});
    for (int row = 1; row <= 4; ++row) model.setCellText(row, "ID", QString::number(QList{2, 9, 1, 3}[row - 1]));
    model.setRowSelected(1, true); // "b" / "2"
    model.addSortKey("Description", SortOrder::Ascending, SortType::Text);
    model.addSortKey("ID", SortOrder::Descending, SortType::Number);
    model.sort();
    EXPECT_EQ(std::tuple(column("Description"), column("ID"), model.selectedRow(), model.selectedRowCount()),
              std::tuple(QStringList({"a", "a", "b", "b"}), QStringList({"9", "3", "2", "1"}), 3, 1));
}
} // namespace
