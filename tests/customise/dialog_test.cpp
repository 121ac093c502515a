#include "customise/fcustom.h"
#include "model/ccircularbuffer.h"
#include "persist/corvanpersist.h"
#include "viewer/fevents.h"
#include "../support/componentfixture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeWidget>

namespace Ostraven::Testing {
namespace {
const QString restoreMessage =
    QStringLiteral("You must close and re-open the Event Viewer before the changes will take effect.");
const QString noColumnMessage = QStringLiteral("At least one column header must be visible.");
const QString maxLinesMessage = QStringLiteral("Maximum lines to display must be a number from 1 to 1500.");
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
    QString profileValue(const QString &property)
    {
        return column(QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 1 AND ObjectID = 4 AND "
                                     "Property = '%1'").arg(property)).value(0);
    }
    void expectProfile(const std::vector<std::pair<QString, QString>> &values)
    {
        for (const auto &[property, value] : values)
            EXPECT_EQ(profileValue(property), value) << property.toStdString();
    }
    void uncheckAllColumns(FCustom &dialog)
    {
        for (int i = 0; i < dialog.lvwCols->topLevelItemCount(); ++i)
            dialog.lvwCols->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    }
};
TEST_F(DialogTest, LoadShowsTheSettingsAndHelpFollowsTheTab)
{
    FCustom &dialog = open();
    EXPECT_EQ(dialog.txtMaxLines->text(), QStringLiteral("500"));
    EXPECT_TRUE(dialog.chkDipslayEventsAtTop->isChecked() && dialog.chkLoadCachedEvents->isChecked());
    EXPECT_EQ(dialog.tTab->currentIndex(), 0);
    EXPECT_FALSE(dialog.pendingChanges);
    EXPECT_EQ(desktop().ownerHandles().size(), 1u);
    EXPECT_TRUE(boxTexts().isEmpty());
    record().callbacks = {};
    dialog.tTab->setCurrentIndex(1);
    dialog.Command1_Click(2);
    dialog.tTab->setCurrentIndex(0);
    dialog.Command1_Click(2);
    EXPECT_EQ(record().callbacks,
              (QJsonArray{QJsonArray{QStringLiteral("HELP"), 54, 0}, QJsonArray{QStringLiteral("HELP"), 55, 0}}));
    EXPECT_EQ(record().help, (QJsonArray{54, 55}));
    EXPECT_TRUE(module().windows().isCustomLoaded());
    EXPECT_EQ(desktop().cursor(), QStringLiteral("default"));
    module().windows().unloadCustom();
    FCustom &filters = open(true);
    EXPECT_EQ(filters.tTab->currentIndex(), 1);
    EXPECT_EQ(filters.HelpContextID, 54);
}
TEST_F(DialogTest, MaxLinesKeyHandlerKeepsOnlyDigitsAndBackspace)
{
    FCustom &dialog = open();
    for (const int typed : {8, int('0'), int('9'), int('/'), int(':'), int('a'), 13, 127}) {
        int key = typed;
        dialog.txtMaxLines_KeyPress(key);
        EXPECT_EQ(key, typed == 8 || (typed >= '0' && typed <= '9') ? typed : 0) << typed;
    }
}
TEST_F(DialogTest, OkValidatesTheMaximumLines)
{
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
        EXPECT_EQ(module().profile.MaxLines, maxLines);
        EXPECT_EQ(module().profile.MaxLinesSetting, maxLines);
        EXPECT_EQ(desktop().cursor(), QStringLiteral("default"));
        ASSERT_EQ(boxTexts().size(), message.isEmpty() ? 0 : 1);
        EXPECT_TRUE(boxTexts().value(0).contains(message)) << boxTexts().value(0).toStdString();
    }
}
TEST_F(DialogTest, NoVisibleColumnOrCancelWritesNothing)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("300"));
    uncheckAllColumns(dialog);
    static_cast<void>(takeTrace());
    dialog.Command1_Click(0);
    ASSERT_EQ(desktop().boxes().size(), 1u);
    const auto &box = desktop().boxes().front().request;
    EXPECT_TRUE(box.text == noColumnMessage && box.icon == MsgBoxIcon::Information);
    EXPECT_EQ(box.title, module().errors().title());
    EXPECT_TRUE(module().windows().isCustomLoaded());
    dialog.Command1_Click(1);
    EXPECT_FALSE(module().windows().isCustomLoaded());
    EXPECT_EQ(module().profile.MaxLines, 500);
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Profile")).isEmpty());
}
TEST_F(DialogTest, OkAppliesTheSettingsToTheViewerAndTheProfile)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("250"));
    dialog.chkDipslayEventsAtTop->setChecked(false);
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.lvwCols->topLevelItem(2)->setCheckState(0, Qt::Unchecked); // Address
    dialog.cmbFilterGroup->setCurrentIndex(dialog.cmbFilterGroup->findData(1));
    ASSERT_GE(dialog.cmbFilterGroup->currentIndex(), 2);
    dialog.cmbFilterGroup_Click();
    dialog.Command1_Click(0);
    EXPECT_FALSE(module().windows().isCustomLoaded());
    EXPECT_TRUE(boxTexts().isEmpty());
    EXPECT_EQ(module().profile.MaxLines, 250);
    EXPECT_FALSE(module().profile.DisplayEventsAtTop || module().profile.LoadCachedEvents);
    EXPECT_EQ(module().profile.FilterGroupID, 1);
    EXPECT_TRUE(module().filter.FilterActive && !module().filter.FilterStrings.isEmpty());
    EXPECT_EQ(module().messageBuffer().capacity(), 250);
    EXPECT_FALSE(module().windows().events().vGrid->columnVisible(QStringLiteral("Address")));
    EXPECT_TRUE(module().profile.Colors.startsWith(QString::number(module().profile.colourSlots[0]) + ",16777215,"));
    expectProfile({{"MaxLines", "250"}, {"DisplayEventsAtTop", "False"}, {"LoadCachedEvents", "False"},
                   {"FilterGroupID", "1"}, {"Colors", module().profile.Colors},
                   {"ColumnHeaders", module().windows().events().columnHeaderString()}});
    EXPECT_TRUE(profileValue(QStringLiteral("ColumnHeaders")).contains("Address][Address][3][130][False"));
}
TEST_F(DialogTest, RestoreWritesTheDefaults)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("700"));
    dialog.chkDipslayEventsAtTop->setChecked(false);
    dialog.btnRestore_Click();
    EXPECT_EQ(boxTexts(), QStringList{restoreMessage});
    EXPECT_FALSE(module().windows().isCustomLoaded() || module().filter.FilterActive);
    EXPECT_EQ(module().profile.MaxLines, 100);
    EXPECT_TRUE(module().profile.DisplayEventsAtTop && module().profile.LoadCachedEvents);
    expectProfile({{"MaxLines", "100"}, {"Colors", "Use Object Default"}, {"ColumnHeaders", "Use Object Default"},
                   {"DisplayEventsAtTop", "True"}});
}
TEST_F(DialogTest, RestoreWithNoVisibleColumnWaitsForTheNextOk)
{
    FCustom &dialog = open();
    uncheckAllColumns(dialog);
    dialog.txtMaxLines->setText(QStringLiteral("700"));
    dialog.btnRestore_Click();
    EXPECT_EQ(boxTexts(), (QStringList{restoreMessage, noColumnMessage}));
    EXPECT_TRUE(module().windows().isCustomLoaded());
    EXPECT_TRUE(module().view.restoreDefaults);
    EXPECT_EQ(module().profile.MaxLines, 500);
    dialog.lvwCols->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);
    EXPECT_FALSE(module().windows().isCustomLoaded());
    EXPECT_EQ(module().profile.MaxLines, 100);
    EXPECT_EQ(profileValue(QStringLiteral("ColumnHeaders")), QStringLiteral("Use Object Default"));
    // Activating a dialog again forgets an earlier Restore.
    module().windows().custom().Form_Activate();
    EXPECT_FALSE(module().view.restoreDefaults);
}
} // namespace
} // namespace Ostraven::Testing
