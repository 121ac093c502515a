#include "customise/columnsandcolours.h"
#include "customise/fcustom.h"
#include "model/ccircularbuffer.h"
#include "persist/corvanpersist.h"
#include "viewer/fevents.h"
#include "../support/componentfixture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace Ostraven::Testing {
namespace {
const QString restoreMessage = QStringLiteral("You must close and re-open the Event Viewer before the changes will take effect.");
const QString noColumnMessage = QStringLiteral("At least one column header must be visible.");
const QString maxLinesMessage = QStringLiteral("Maximum lines to display must be a number from 1 to 1500.");
const QString objectDefault = QStringLiteral("Use Object Default");

// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }

class DialogTest : public ComponentTest
{
protected:
    // The viewer as the host opens it (profile 1: 500 lines, cached events, newest at the top), then the dialog.
    FCustom &open(bool onFilters = false)
    {
        CorvanPersist(module()).LoadPersistence();
        static_cast<void>(module().windows().events());
        module().view.openOnFilters = onFilters;
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

TEST_F(DialogTest, LoadShowsTheSettingsAndHelpFollowsTheTab)
{
    FCustom &dialog = open();
    EXPECT_EQ(std::tuple(dialog.txtMaxLines->text(), dialog.chkDipslayEventsAtTop->isChecked(), dialog.chkLoadCachedEvents->isChecked(),
                         dialog.tTab->currentIndex(), dialog.pendingChanges, desktop().ownerHandles().size(), boxTexts().size()),
              std::tuple(QStringLiteral("500"), true, true, 0, false, std::size_t(1), qsizetype(0)));
    record().callbacks = {};
    for (const int tab : {1, 0})
        dialog.tTab->setCurrentIndex(tab), dialog.Command1_Click(2);
    EXPECT_EQ(record().callbacks,
              (QJsonArray{QJsonArray{QStringLiteral("HELP"), 54, 0}, QJsonArray{QStringLiteral("HELP"), 55, 0}}));
    EXPECT_EQ(record().help, (QJsonArray{54, 55}));
    EXPECT_TRUE(module().windows().isCustomLoaded() && desktop().cursor() == QStringLiteral("default"));
    module().windows().unloadCustom();
    FCustom &filters = open(true);
    EXPECT_EQ(std::pair(filters.tTab->currentIndex(), filters.HelpContextID), std::pair(1, 54));
}

// The key handler keeps only digits and backspace; OK then checks the range.
TEST_F(DialogTest, MaxLinesTakeDigitsAndOkChecksTheirRange)
{
    FCustom &first = open();
    for (const int typed : {8, int('0'), int('9'), int('/'), int(':'), int('a'), 13, 127}) {
        int key = typed;
        first.txtMaxLines_KeyPress(key);
        EXPECT_EQ(key, typed == 8 || (typed >= '0' && typed <= '9') ? typed : 0) << typed;
    }
    // Typed, maximum lines after OK (500: refused, the dialog stays open), box text. Pasted text escapes the
    // key handler and fails the conversion; the report names the handler.
    const std::tuple<QString, qint32, QString> cases[] = {{QString(), 100, {}}, {"0", 500, maxLinesMessage},
        {"1", 1, {}}, {"1500", 1500, {}}, {"1501", 500, maxLinesMessage}, {"12ab", 500, "FCustom.Command1_Click"}};
    for (const auto &[typed, maxLines, message] : cases) {
        FCustom &dialog = module().windows().isCustomLoaded() ? module().windows().custom() : open();
        module().profile.MaxLines = module().profile.MaxLinesSetting = 500;
        desktop().clearRecords();
        dialog.txtMaxLines->setText(typed);
        dialog.chkLoadCachedEvents->setChecked(false);
        dialog.Command1_Click(0);
        SCOPED_TRACE(typed.toStdString());
        EXPECT_EQ(module().windows().isCustomLoaded(), maxLines == 500);
        EXPECT_EQ(std::tuple(module().profile.MaxLines, module().profile.MaxLinesSetting, desktop().cursor()),
                  std::tuple(maxLines, maxLines, QStringLiteral("default")));
        ASSERT_EQ(boxTexts().size(), message.isEmpty() ? 0 : 1);
        EXPECT_TRUE(boxTexts().value(0).contains(message)) << boxTexts().value(0).toStdString();
    }
}

// Everything the dialog shows reaches the module, the live viewer and the stored profile in one OK.
TEST_F(DialogTest, OkAppliesTheSettingsToTheViewerAndTheProfile)
{
    FCustom &dialog = open();
    QTreeWidget &list = *dialog.lvwCols;
    dialog.txtMaxLines->setText(QStringLiteral("250"));
    dialog.chkDipslayEventsAtTop->setChecked(false);
    dialog.chkLoadCachedEvents->setChecked(false);
    list.setCurrentItem(list.topLevelItem(1));
    dialog.cmdMove_Click(0); // Description first
    list.topLevelItem(2)->setCheckState(0, Qt::Unchecked); // Address
    list.topLevelItem(5)->setCheckState(0, Qt::Checked); // Controller Time
    list.topLevelItem(4)->setText(0, QStringLiteral("Number"));
    dialog.cmbFilterGroup->setCurrentIndex(dialog.cmbFilterGroup->findData(1));
    ASSERT_GE(dialog.cmbFilterGroup->currentIndex(), 2);
    dialog.cmbFilterGroup_Click();
    dialog.Command1_Click(0);
    EXPECT_TRUE(!module().windows().isCustomLoaded() && boxTexts().isEmpty());
    MPublic &m = module();
    EXPECT_EQ(std::tuple(m.profile.MaxLines, m.profile.DisplayEventsAtTop, m.profile.LoadCachedEvents,
                         m.profile.FilterGroupID, m.filter.FilterActive, m.messageBuffer().capacity()),
              std::tuple(250, false, false, 1, true, 250));
    const GridControl &grid = *module().windows().events().vGrid;
    EXPECT_EQ(std::tuple(grid.columnPosition("Description"), grid.columnPosition("dbTime"), grid.columnVisible("Address"),
                         grid.columnVisible("dtTime"), grid.columnHeader("ID")),
              std::tuple(1, 2, false, true, QStringLiteral("Number")));
    const QString headers = QStringLiteral(
        "dbTime][Host Time][2][135][True,Description][Description][1][485][True,Address][Address][3][130][False,"
        "Type][Event Type][4][134][True,ID][Number][5][58][True,dtTime][Controller Time][6][139][True,"
        "NotUsed][NotUsed][7][64][False");
    EXPECT_EQ(m.profile.ColumnHeaders.toStdString(), headers.toStdString());
    // OK saves the profile (what a save writes is checked with the profile store itself).
    EXPECT_EQ(column("Select Property || '=' || [Value] From Profile_Details Where ProfileID = 1 AND ObjectID = 4 AND Property IN "
                     "('MaxLines', 'DisplayEventsAtTop', 'LoadCachedEvents', 'FilterGroupID', 'Colors', 'ColumnHeaders') Order By Property"),
              (QStringList{"Colors=" + m.profile.Colors, "ColumnHeaders=" + headers, "DisplayEventsAtTop=False", "FilterGroupID=1",
                           "LoadCachedEvents=False", "MaxLines=250"}));
    // The list of a reopened dialog follows the stored positions.
    EXPECT_EQ(keys(*module().windows().custom().lvwCols).mid(0, 2), (QStringList{"Description", "dbTime"}));
}

// OK and Restore with no column left visible say so and keep the dialog open; Restore then waits for the
// next OK, which writes the defaults, and Cancel writes nothing.
TEST_F(DialogTest, RestoreWritesTheDefaultsAtTheFirstOkThatPasses)
{
    FCustom &dialog = open();
    for (int i = 0; i < dialog.lvwCols->topLevelItemCount(); ++i)
        dialog.lvwCols->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    dialog.txtMaxLines->setText(QStringLiteral("700"));
    dialog.chkDipslayEventsAtTop->setChecked(false);
    static_cast<void>(takeTrace());
    dialog.Command1_Click(0);
    ASSERT_EQ(desktop().boxes().size(), 1u);
    const auto &box = desktop().boxes().front().request;
    EXPECT_TRUE(box.text == noColumnMessage && box.icon == MsgBoxIcon::Information && box.title == module().errors().title());
    dialog.btnRestore_Click();
    EXPECT_EQ(boxTexts(), (QStringList{noColumnMessage, restoreMessage, noColumnMessage}));
    EXPECT_TRUE(module().windows().isCustomLoaded() && module().view.restoreDefaults);
    EXPECT_EQ(module().profile.MaxLines, 500);
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Profile")).isEmpty());
    dialog.lvwCols->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.Command1_Click(0);
    EXPECT_FALSE(module().windows().isCustomLoaded() || module().filter.FilterActive);
    const ProfileSettings &p = module().profile;
    EXPECT_EQ(std::tuple(p.MaxLines, p.DisplayEventsAtTop, p.LoadCachedEvents, p.Colors, p.ColumnHeaders),
              std::tuple(100, true, true, objectDefault, objectDefault));
    // Activating a dialog again forgets an earlier Restore; Cancel closes without a write.
    FCustom &again = module().windows().custom();
    again.Form_Activate();
    EXPECT_FALSE(module().view.restoreDefaults);
    again.txtMaxLines->setText(QStringLiteral("300"));
    static_cast<void>(takeTrace());
    again.Command1_Click(1);
    EXPECT_FALSE(module().windows().isCustomLoaded());
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Profile")).isEmpty());
}

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
    ListCase{"Default", ColumnsAndColours::defaultColumnHeaders, {"dbTime/Host Time/1", "Description/Description/1", "Address/Address/1", "Type/Event Type/1", "ID/Event ID/1", "dtTime/Controller Time/0"}},
    ListCase{"ByPosition", "ID][Event ID][3][58][True,Address][Where][1][130][False,dbTime][Host Time][2][135][True", {"Address/Where/0", "dbTime/Host Time/1", "ID/Event ID/1"}},
    ListCase{"GapAndBeyondCount", "ID][Event ID][3][58][True,Address][Address][1][130][True,dbTime][Host Time][9][135][True", {"Address/Address/1", "ID/Event ID/1"}},
    ListCase{"NotUsedLeftOut", "NotUsed][NotUsed][1][64][True,ID][Event ID][2][58][True", {"ID/Event ID/1"}}),
    [](const auto &row) { return std::string(row.param.name); });

// The dialog lists the profile's columns as the Default row above; a move stops at either end and keeps the
// check mark.
TEST_F(DialogTest, DefaultColumnsListedAndMovesStopAtTheEndsKeepingTheCheckMark)
{
    FCustom &dialog = open();
    QTreeWidget &list = *dialog.lvwCols;
    // The stored default is replaced by the full default list, with the first column selected.
    EXPECT_EQ(module().profile.ColumnHeaders, ColumnsAndColours::defaultColumnHeaders);
    EXPECT_EQ(list.currentItem(), list.topLevelItem(0));
    const QStringList start = keys(list);
    const struct { int selected, button, landsAt; } cases[] = {{0, 0, 0}, {5, 1, 5}, {1, 0, 0}, {5, 0, 4}, {0, 1, 1}};
    for (const auto &c : cases) {
        QStringList expected = start;
        expected.move(c.selected, c.landsAt);
        dialog.InitColumnHeaders();
        const Qt::CheckState check = list.topLevelItem(c.selected)->checkState(0);
        list.setCurrentItem(list.topLevelItem(c.selected));
        dialog.cmdMove_Click(c.button);
        EXPECT_EQ(keys(list), expected) << c.selected << " " << c.button;
        EXPECT_TRUE(list.currentItem() == list.topLevelItem(c.landsAt) && list.currentItem()->checkState(0) == check);
    }
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(DialogTest, ColourPickerChangesTheSwatchUnlessCancelled)
{
    FCustom &dialog = open();
    ASSERT_EQ(std::pair(dialog.cmbColor[0]->count(), dialog.cmbColor[1]->count()), std::pair(2, 9));
    dialog.cmbColor[1]->setCurrentIndex(2);
    dialog.cmbColor_Click(1);
    const qint64 before = ColumnsAndColours::swatchColour(*dialog.pbxSample[1]);
    EXPECT_EQ(before, module().profile.colourSlots[5]);
    for (const auto &[answer, colour] : {std::pair<QString, qint64>{"cancel", before}, {"0x123456", 0x123456}}) {
        desktop().queueAnswer(answer);
        dialog.pbxSample_Click(1);
        EXPECT_EQ(desktop().colourPickers().back().initialColour, before);
        EXPECT_EQ(std::pair(ColumnsAndColours::swatchColour(*dialog.pbxSample[1]), dialog.cmbColor[1]->itemData(2).toLongLong()),
                  std::pair(colour, colour));
    }
    desktop().queueAnswer(QStringLiteral("255"));
    dialog.pbxSample_Click(0);
    EXPECT_TRUE(boxTexts().isEmpty());
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);
    const QStringList colours = module().profile.Colors.split(QLatin1Char(','));
    ASSERT_EQ(colours.size(), 12);
    EXPECT_EQ((QStringList{colours[0], colours[1], colours[5], QString::number(module().profile.colourSlots[5])}),
              (QStringList{"255", "16777215", "1193046", "1193046"}));
    const GridControl &grid = *module().windows().events().vGrid;
    EXPECT_EQ(std::pair(grid.backColour(), grid.foreColour()), std::pair(qint64(255), qint64(16777215)));
}

TEST_F(DialogTest, DesignModeLetsATranslatorRenameAControl)
{
    FCustom &dialog = open();
    ASSERT_TRUE(dialog.customizing());
    dialog.Localizer_EnterDesignMode();
    dialog.Label4_Click();
    EXPECT_TRUE(dialog.selectedControl == dialog.Label4 && !dialog.MhS->isHidden());
    dialog.captionEditor->setText(QStringLiteral("Tick a column to show it."));
    dialog.Command1_Click(0); // selects the button instead of closing
    EXPECT_EQ(dialog.Label4->text(), QStringLiteral("Tick a column to show it."));
    EXPECT_TRUE(dialog.selectedControl == dialog.Command1[0] && module().windows().isCustomLoaded());
    dialog.Localizer_ExitDesignMode();
    EXPECT_FALSE(dialog.designMode || !dialog.MhS->isHidden());
    EXPECT_EQ(dialog.Command1[0]->text(), QStringLiteral("OK"));
}
} // namespace
} // namespace Ostraven::Testing
