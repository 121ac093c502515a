#include "gridfixture.h"
#include "platform/grid/gridmodel.h"
namespace Ostraven {
namespace {
class GridModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *key : {"dbTime", "Description", "Address", "ID"})
            model.columns().add(QString::fromUtf8(key), QString::fromUtf8(key));
    }
    // One row per text, at the bottom, the text in "Description".
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
    addRows({"b", "c"});
    EXPECT_EQ(model.addRow(1), 1);
    model.setCellText(1, "Description", QStringLiteral("a"));
    EXPECT_EQ(model.addRow(), 4);
    model.setCellText(4, "Description", QStringLiteral("d"));
    EXPECT_EQ(column("Description"), QStringList({"a", "b", "c", "d"}));
    model.removeRow(1);
    model.removeRow(model.rowCount());
    model.addRow(2);
    EXPECT_EQ(column("Description"), QStringList({"b", "", "c"}));
    model.setRowSelected(2, true);
    model.clearRows();
    EXPECT_EQ(model.selectedRow(), 0);
    EXPECT_EQ(model.columns().indexOf("Address"), 3);
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
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.cell(1, "Description").text, QStringLiteral("only"));
    EXPECT_EQ(columns.count(), 4);
    EXPECT_EQ(columns.position("ID"), 4);
    EXPECT_EQ(columns.at("ID").width, GridColumnSet::DefaultWidth);
}
TEST_F(GridModelTest, ColumnsKeepIndexOrderWhilePositionsMove)
{
    GridColumnSet &columns = model.columns();
    EXPECT_EQ(columns.find(QStringLiteral("Type")), 0);
    // The dialog's apply: each listed column in turn takes the next position.
    const QStringList listed{"ID", "Address", "dbTime", "Description"};
    for (int i = 0; i < listed.size(); ++i)
        columns.setPosition(listed[i], i + 1);
    for (int i = 0; i < listed.size(); ++i)
        EXPECT_EQ(columns.position(listed[i]), i + 1) << listed[i].toStdString();
    EXPECT_EQ(columns.displayOrder(), std::vector<int>({4, 3, 1, 2}));
    EXPECT_EQ(columns.at(1).key, QStringLiteral("dbTime")); // index order untouched
}
TEST_F(GridModelTest, CellKeepsItsDetailsAndLateColumnsAreUsable)
{
    model.addRow();
    model.setCell(1, "Address", GridCell{QStringLiteral("\\\\SRV.1.2.IN05"), 0x40020, -1, -1, 255});
    EXPECT_EQ(model.cell(1, "Address").flags, 0x40020);
    EXPECT_TRUE(model.cell(1, "ID").text.isEmpty());
    model.columns().add(QStringLiteral("Type"), QStringLiteral("Event Type"));
    EXPECT_TRUE(model.cell(1, "Type").text.isEmpty());
    model.setCellText(1, "Type", QStringLiteral("KORA*GATE Alarm"));
    EXPECT_EQ(model.cell(1, "Type").text, QStringLiteral("KORA*GATE Alarm"));
    EXPECT_EQ(model.cell(1, "Address").foreColour, 255);
}
TEST_F(GridModelTest, SelectionFollowsItsRow)
{
    addRows({"a", "b", "c", "d"});
    model.setRowSelected(3, true);
    model.setRowSelected(2, true);
    EXPECT_EQ(model.selectedRow(), 2);
    model.removeRow(2);
    EXPECT_EQ(model.selectedRow(), 2); // the former row 3 moved up with its selection
    EXPECT_EQ(model.selectedRowCount(), 1);
}
TEST_F(GridModelTest, SortsByEachTypeAndOrderKeepingTiesInPlace)
{
    struct SortCase {
        SortType type;
        SortOrder order;
        QStringList texts, expected;
    };
    const std::vector<SortCase> cases{
        {SortType::Number, SortOrder::Ascending, {"100", "9", "x", "-3", "9.5", "0"},
         {"-3", "x", "0", "9", "9.5", "100"}},
        {SortType::Number, SortOrder::Descending, {"2", "10", "abc", "0", "10"}, {"10", "10", "2", "abc", "0"}},
        {SortType::Text, SortOrder::Ascending, {"beta", "Alpha", "alpha", "Gamma", "ALPHA"},
         {"Alpha", "alpha", "ALPHA", "beta", "Gamma"}},
        {SortType::Text, SortOrder::Descending, {"b", "C", "a", "c"}, {"C", "c", "b", "a"}},
        {SortType::DateTime, SortOrder::Ascending,
         {"1/2/2008 1:00:00 PM", "not a date", "12/31/2007", "2008-01-02 09:30:00", ""},
         {"not a date", "", "12/31/2007", "2008-01-02 09:30:00", "1/2/2008 1:00:00 PM"}},
        {SortType::DateTime, SortOrder::Descending, {"1/1/2008", "3/1/2008 12:00:01 AM", "2/1/2008"},
         {"3/1/2008 12:00:01 AM", "2/1/2008", "1/1/2008"}},
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
