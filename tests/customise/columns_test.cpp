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

using Listed = ColumnsAndColours::ListedColumn;

} // namespace
} // namespace Ostraven::Testing

namespace Ostraven {
void PrintTo(const ColumnsAndColours::ListedColumn &column, std::ostream *out)
{
    *out << column.key.toStdString() << "/" << column.caption.toStdString() << "/" << column.visible;
}
} // namespace Ostraven

namespace Ostraven::Testing {
namespace {

class ColumnsTest : public ComponentTest
{
protected:
    FCustom &open()
    {
        CorvanPersist(module()).LoadPersistence();
        static_cast<void>(module().events());
        return module().custom();
    }

    static QStringList keys(const QTreeWidget &list)
    {
        QStringList result;
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            result << list.topLevelItem(i)->data(0, Qt::UserRole).toString();
        return result;
    }
};

TEST(ColumnList, ListsByPositionAndLeavesOutNotUsed)
{
    const std::vector<Listed> defaults{{QStringLiteral("dbTime"), QStringLiteral("Host Time"), true},
                                       {QStringLiteral("Description"), QStringLiteral("Description"), true},
                                       {QStringLiteral("Address"), QStringLiteral("Address"), true},
                                       {QStringLiteral("Type"), QStringLiteral("Event Type"), true},
                                       {QStringLiteral("ID"), QStringLiteral("Event ID"), true},
                                       {QStringLiteral("dtTime"), QStringLiteral("Controller Time"), false}};
    EXPECT_EQ(ColumnsAndColours::listedColumns(ColumnsAndColours::defaultColumnHeaders), defaults);

    const struct {
        QString headers;
        std::vector<Listed> listed;
    } cases[] = {
        {QStringLiteral("ID][Event ID][3][58][True,Address][Where][1][130][False,dbTime][Host Time][2][135][True"),
         {{QStringLiteral("Address"), QStringLiteral("Where"), false},
          {QStringLiteral("dbTime"), QStringLiteral("Host Time"), true},
          {QStringLiteral("ID"), QStringLiteral("Event ID"), true}}},
        // A position nobody carries is skipped; one beyond the entry count is never reached.
        {QStringLiteral("ID][Event ID][3][58][True,Address][Address][1][130][True,dbTime][Host Time][9][135][True"),
         {{QStringLiteral("Address"), QStringLiteral("Address"), true}, {QStringLiteral("ID"), QStringLiteral("Event ID"), true}}},
        {QStringLiteral("NotUsed][NotUsed][1][64][True,ID][Event ID][2][58][True"),
         {{QStringLiteral("ID"), QStringLiteral("Event ID"), true}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ColumnsAndColours::listedColumns(c.headers), c.listed) << c.headers.toStdString();
}

TEST_F(ColumnsTest, DefaultColumnsReplaceTheStoredDefaultAndSelectTheFirst)
{
    FCustom &dialog = open();
    EXPECT_EQ(module().ColumnHeaders, ColumnsAndColours::defaultColumnHeaders);
    EXPECT_EQ(keys(*dialog.lvwCols), (QStringList{QStringLiteral("dbTime"), QStringLiteral("Description"),
                                                  QStringLiteral("Address"), QStringLiteral("Type"),
                                                  QStringLiteral("ID"), QStringLiteral("dtTime")}));
    EXPECT_EQ(dialog.lvwCols->topLevelItem(5)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(dialog.lvwCols->currentItem(), dialog.lvwCols->topLevelItem(0));
}

TEST_F(ColumnsTest, MovesStopAtTheEndsAndKeepTheCheckMark)
{
    FCustom &dialog = open();
    QTreeWidget &list = *dialog.lvwCols;
    const QStringList start = keys(list);
    const struct {
        int selected;
        int button;
        int landsAt;
    } cases[] = {{0, 0, 0}, {5, 1, 5}, {1, 0, 0}, {5, 0, 4}, {0, 1, 1}};
    for (const auto &c : cases) {
        const QString key = start.at(c.selected);
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

    const GridControl &grid = *module().events().vGrid;
    EXPECT_EQ(grid.columnPosition(QStringLiteral("Description")), 1);
    EXPECT_EQ(grid.columnPosition(QStringLiteral("dbTime")), 2);
    EXPECT_TRUE(grid.columnVisible(QStringLiteral("dtTime")));
    EXPECT_EQ(grid.columnHeader(QStringLiteral("ID")), QStringLiteral("Number"));
    EXPECT_TRUE(module().ColumnHeaders.contains(QStringLiteral("Description][Description][1][")));
    EXPECT_TRUE(module().ColumnHeaders.contains(QStringLiteral("ID][Number][5][")));
    EXPECT_TRUE(module().ColumnHeaders.contains(QStringLiteral("NotUsed][")));

    // The list of a reopened dialog follows the stored positions.
    FCustom &reopened = module().custom();
    EXPECT_EQ(keys(*reopened.lvwCols).mid(0, 2), (QStringList{QStringLiteral("Description"), QStringLiteral("dbTime")}));
}

TEST_F(ColumnsTest, ColourPickerChangesTheSwatchUnlessCancelled)
{
    FCustom &dialog = open();
    ASSERT_EQ(dialog.cmbColor[0]->count(), 2);
    ASSERT_EQ(dialog.cmbColor[1]->count(), 9);
    EXPECT_EQ(dialog.cmbColor[1]->itemText(0), QStringLiteral("Alarm Events"));
    dialog.cmbColor[1]->setCurrentIndex(2);
    dialog.cmbColor_Click(1);
    const qint64 before = ColumnsAndColours::swatchColour(*dialog.pbxSample[1]);
    EXPECT_EQ(before, module().colourSlots[5]);

    desktop().queueAnswer(QStringLiteral("cancel"));
    dialog.pbxSample_Click(1);
    EXPECT_EQ(ColumnsAndColours::swatchColour(*dialog.pbxSample[1]), before);
    EXPECT_EQ(dialog.cmbColor[1]->itemData(2).toLongLong(), before);

    desktop().queueAnswer(QStringLiteral("0x123456"));
    dialog.pbxSample_Click(1);
    EXPECT_EQ(ColumnsAndColours::swatchColour(*dialog.pbxSample[1]), 0x123456);
    EXPECT_EQ(dialog.cmbColor[1]->itemData(2).toLongLong(), 0x123456);
    EXPECT_EQ(desktop().colourPickers().back().initialColour, before);

    desktop().queueAnswer(QStringLiteral("255"));
    dialog.pbxSample_Click(0);
    EXPECT_TRUE(boxTexts().isEmpty());

    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);
    const QStringList colours = module().Colors.split(QLatin1Char(','));
    ASSERT_EQ(colours.size(), 12);
    EXPECT_EQ(colours.at(0), QStringLiteral("255"));
    EXPECT_EQ(colours.at(1), QStringLiteral("16777215"));
    EXPECT_EQ(colours.at(5), QString::number(0x123456));
    EXPECT_EQ(module().colourSlots[5], 0x123456);
    EXPECT_EQ(module().events().vGrid->backColour(), 255);
    EXPECT_EQ(module().events().vGrid->foreColour(), 16777215);
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
    EXPECT_TRUE(module().isCustomLoaded());

    dialog.Localizer_ExitDesignMode();
    EXPECT_FALSE(dialog.designMode);
    EXPECT_TRUE(dialog.MhS->isHidden());
    EXPECT_EQ(dialog.MhS->x(), -700000);
    EXPECT_EQ(dialog.Command1[0]->text(), QStringLiteral("OK"));
}

} // namespace
} // namespace Ostraven::Testing
