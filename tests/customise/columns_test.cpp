#include "customise/columnsandcolours.h"
#include "customise/fcustom.h"
#include "persist/corvanpersist.h"
#include "viewer/fevents.h"
#include "../support/componentfixture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace Ostraven::Testing {
namespace {
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
class ColumnsTest : public ComponentTest
{
protected:
    FCustom &open()
    {
        CorvanPersist(module()).LoadPersistence();
        static_cast<void>(module().windows().events());
        return module().windows().custom();
    }
    static QStringList keys(const QTreeWidget &list)
    {
        QStringList result;
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            result << list.topLevelItem(i)->data(0, Qt::UserRole).toString();
        return result;
    }
};
struct ListCase { const char *name; QString headers; QStringList listed; }; // listed: key/caption/visible
class ColumnList : public ::testing::TestWithParam<ListCase> {};
TEST_P(ColumnList, ListsByPositionAndLeavesOutNotUsed)
{
    QStringList listed;
    for (const ColumnsAndColours::ListedColumn &column : ColumnsAndColours::listedColumns(GetParam().headers))
        listed << QStringLiteral("%1/%2/%3").arg(column.key, column.caption).arg(int(column.visible));
    EXPECT_EQ(listed, GetParam().listed);
}
// A position nobody carries is skipped; one beyond the entry count is never reached.
INSTANTIATE_TEST_SUITE_P(Columns, ColumnList, ::testing::Values(
    ListCase{"Default", ColumnsAndColours::defaultColumnHeaders, {"dbTime/Host Time/1", "Description/Description/1",
             "Address/Address/1", "Type/Event Type/1", "ID/Event ID/1", "dtTime/Controller Time/0"}},
    ListCase{"ByPosition", "ID][Event ID][3][58][True,Address][Where][1][130][False,dbTime][Host Time][2][135][True",
             {"Address/Where/0", "dbTime/Host Time/1", "ID/Event ID/1"}},
    ListCase{"GapAndBeyondCount",
             "ID][Event ID][3][58][True,Address][Address][1][130][True,dbTime][Host Time][9][135][True",
             {"Address/Address/1", "ID/Event ID/1"}},
    ListCase{"NotUsedLeftOut", "NotUsed][NotUsed][1][64][True,ID][Event ID][2][58][True", {"ID/Event ID/1"}}),
    [](const auto &row) { return std::string(row.param.name); });
TEST_F(ColumnsTest, DefaultColumnsListedAndMovesStopAtTheEndsKeepingTheCheckMark)
{
    FCustom &dialog = open();
    QTreeWidget &list = *dialog.lvwCols;
    // The stored default is replaced by the full default list, with the first column selected.
    EXPECT_EQ(module().profile.ColumnHeaders, ColumnsAndColours::defaultColumnHeaders);
    const QStringList start = keys(list);
    EXPECT_EQ(start.join(u','), QStringLiteral("dbTime,Description,Address,Type,ID,dtTime"));
    EXPECT_EQ(list.topLevelItem(5)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(list.currentItem(), list.topLevelItem(0));
    const struct { int selected, button, landsAt; } cases[] = {{0, 0, 0}, {5, 1, 5}, {1, 0, 0}, {5, 0, 4}, {0, 1, 1}};
    for (const auto &c : cases) {
        QStringList expected = start;
        expected.move(c.selected, c.landsAt);
        dialog.InitColumnHeaders();
        const Qt::CheckState check = list.topLevelItem(c.selected)->checkState(0);
        list.setCurrentItem(list.topLevelItem(c.selected));
        dialog.cmdMove_Click(c.button);
        EXPECT_EQ(keys(list), expected) << c.selected << " " << c.button;
        EXPECT_EQ(list.currentItem(), list.topLevelItem(c.landsAt));
        EXPECT_EQ(list.topLevelItem(c.landsAt)->checkState(0), check);
    }
    EXPECT_TRUE(boxTexts().isEmpty());
}
TEST_F(ColumnsTest, OkPushesTheListIntoTheLiveGrid)
{
    FCustom &dialog = open();
    QTreeWidget &list = *dialog.lvwCols;
    list.setCurrentItem(list.topLevelItem(1));
    dialog.cmdMove_Click(0); // Description first
    list.topLevelItem(5)->setCheckState(0, Qt::Checked);  // Controller Time shown
    list.topLevelItem(4)->setText(0, QStringLiteral("Number"));
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);
    const GridControl &grid = *module().windows().events().vGrid;
    EXPECT_EQ(grid.columnPosition(QStringLiteral("Description")), 1);
    EXPECT_EQ(grid.columnPosition(QStringLiteral("dbTime")), 2);
    EXPECT_TRUE(grid.columnVisible(QStringLiteral("dtTime")));
    EXPECT_EQ(grid.columnHeader(QStringLiteral("ID")), QStringLiteral("Number"));
    EXPECT_TRUE(module().profile.ColumnHeaders.contains(QStringLiteral("Description][Description][1][")));
    EXPECT_TRUE(module().profile.ColumnHeaders.contains(QStringLiteral("ID][Number][5][")));
    EXPECT_TRUE(module().profile.ColumnHeaders.contains(QStringLiteral("NotUsed][")));
    // The list of a reopened dialog follows the stored positions.
    FCustom &reopened = module().windows().custom();
    EXPECT_EQ(keys(*reopened.lvwCols).mid(0, 2), (QStringList{"Description", "dbTime"}));
}
TEST_F(ColumnsTest, ColourPickerChangesTheSwatchUnlessCancelled)
{
    FCustom &dialog = open();
    ASSERT_EQ(dialog.cmbColor[0]->count(), 2);
    ASSERT_EQ(dialog.cmbColor[1]->count(), 9);
    dialog.cmbColor[1]->setCurrentIndex(2);
    dialog.cmbColor_Click(1);
    const qint64 before = ColumnsAndColours::swatchColour(*dialog.pbxSample[1]);
    EXPECT_EQ(before, module().profile.colourSlots[5]);
    for (const auto &[answer, colour] : {std::pair<QString, qint64>{"cancel", before}, {"0x123456", 0x123456}}) {
        desktop().queueAnswer(answer);
        dialog.pbxSample_Click(1);
        EXPECT_EQ(desktop().colourPickers().back().initialColour, before);
        EXPECT_EQ(ColumnsAndColours::swatchColour(*dialog.pbxSample[1]), colour);
        EXPECT_EQ(dialog.cmbColor[1]->itemData(2).toLongLong(), colour);
    }
    desktop().queueAnswer(QStringLiteral("255"));
    dialog.pbxSample_Click(0);
    EXPECT_TRUE(boxTexts().isEmpty());
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);
    const QStringList colours = module().profile.Colors.split(QLatin1Char(','));
    ASSERT_EQ(colours.size(), 12);
    EXPECT_EQ(colours.mid(0, 2), (QStringList{"255", "16777215"}));
    EXPECT_EQ(colours.at(5), QString::number(0x123456));
    EXPECT_EQ(module().profile.colourSlots[5], 0x123456);
    EXPECT_EQ(module().windows().events().vGrid->backColour(), 255);
    EXPECT_EQ(module().windows().events().vGrid->foreColour(), 16777215);
}
TEST_F(ColumnsTest, DesignModeLetsATranslatorRenameAControl)
{
    FCustom &dialog = open();
    ASSERT_TRUE(dialog.customizing());
    dialog.Localizer_EnterDesignMode();
    dialog.Label4_Click();
    EXPECT_EQ(dialog.selectedControl, dialog.Label4);
    EXPECT_FALSE(dialog.MhS->isHidden());
    dialog.captionEditor->setText(QStringLiteral("Tick a column to show it."));
    dialog.Command1_Click(0); // selects the button instead of closing
    EXPECT_EQ(dialog.Label4->text(), QStringLiteral("Tick a column to show it."));
    EXPECT_EQ(dialog.selectedControl, dialog.Command1[0]);
    EXPECT_TRUE(module().windows().isCustomLoaded());
    dialog.Localizer_ExitDesignMode();
    EXPECT_FALSE(dialog.designMode);
    EXPECT_TRUE(dialog.MhS->isHidden());
    EXPECT_EQ(dialog.Command1[0]->text(), QStringLiteral("OK"));
}
} // namespace
} // namespace Ostraven::Testing
