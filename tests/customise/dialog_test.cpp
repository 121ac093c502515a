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
    // The viewer as the host opens it (profile 1: 500 lines, cached events, newest at the top), then
    // the dialog as the pop-up menu opens it.
    FCustom &open(bool onFilters = false)
    {
        CorvanPersist(module()).LoadPersistence();
        static_cast<void>(module().events());
        module().openOnFilters = onFilters;
        return module().custom();
    }

    QString profileValue(const QString &property)
    {
        const QStringList values = column(QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 1 "
                                                         "AND ObjectID = 4 AND Property = '")
                                          + property + QLatin1Char('\''));
        return values.value(0);
    }

    void uncheckAllColumns(FCustom &dialog)
    {
        for (int i = 0; i < dialog.lvwCols->topLevelItemCount(); ++i)
            dialog.lvwCols->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    }
};

TEST_F(DialogTest, LoadShowsTheViewerSettingsOnTheChosenTab)
{
    FCustom &dialog = open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Event Viewer Properties"));
    EXPECT_EQ(dialog.objectName(), QStringLiteral("FCustom"));
    EXPECT_EQ(dialog.txtMaxLines->text(), QStringLiteral("500"));
    EXPECT_TRUE(dialog.chkDipslayEventsAtTop->isChecked());
    EXPECT_TRUE(dialog.chkLoadCachedEvents->isChecked());
    EXPECT_EQ(dialog.tTab->currentIndex(), 0);
    EXPECT_FALSE(dialog.pendingChanges);
    EXPECT_EQ(dialog.cmbFilterGroup->currentIndex(), 0);
    EXPECT_EQ(desktop().ownerHandles().size(), 1u);
    EXPECT_TRUE(boxTexts().isEmpty());
    module().unloadCustom();

    FCustom &filters = open(true);
    EXPECT_EQ(filters.tTab->currentIndex(), 1);
    EXPECT_EQ(filters.HelpContextID, 54);
}

TEST_F(DialogTest, TabsAndHelpButtonUseTheTabsHelpContext)
{
    FCustom &dialog = open();
    record().callbacks = {};
    dialog.tTab->setCurrentIndex(1);
    EXPECT_EQ(dialog.HelpContextID, 54);
    dialog.Command1_Click(2);
    dialog.tTab->setCurrentIndex(0);
    EXPECT_EQ(dialog.HelpContextID, 55);
    dialog.Command1_Click(2);

    const QJsonArray expectedCallbacks{QJsonArray{QStringLiteral("HELP"), 54, 0}, QJsonArray{QStringLiteral("HELP"), 55, 0}};
    EXPECT_EQ(record().callbacks, expectedCallbacks);
    EXPECT_EQ(record().help, (QJsonArray{54, 55}));
    EXPECT_TRUE(module().isCustomLoaded());
    EXPECT_EQ(desktop().cursor(), QStringLiteral("default"));
}

TEST_F(DialogTest, MaxLinesKeyHandlerKeepsOnlyDigitsAndBackspace)
{
    FCustom &dialog = open();
    const struct {
        int key;
        bool kept;
    } cases[] = {{8, true}, {'0', true}, {'9', true}, {'5', true}, {'/', false}, {':', false},
                 {'a', false}, {'-', false}, {' ', false}, {13, false}, {127, false}};
    for (const auto &c : cases) {
        int key = c.key;
        dialog.txtMaxLines_KeyPress(key);
        EXPECT_EQ(key, c.kept ? c.key : 0) << c.key;
    }
}

TEST_F(DialogTest, OkValidatesTheMaximumLines)
{
    const struct {
        QString typed;
        bool accepted;
        qint32 maxLines;
        QString message;
    } cases[] = {
        {QString(), true, 100, {}},
        {QStringLiteral("0"), false, 500, maxLinesMessage},
        {QStringLiteral("1"), true, 1, {}},
        {QStringLiteral("1500"), true, 1500, {}},
        {QStringLiteral("1501"), false, 500, maxLinesMessage},
        // Pasted text escapes the key handler and fails the conversion; the report names the handler.
        {QStringLiteral("12ab"), false, 500, QStringLiteral("FCustom.Command1_Click")},
    };
    for (const auto &c : cases) {
        FCustom &dialog = module().isCustomLoaded() ? module().custom() : open();
        module().MaxLines = module().MaxLinesSetting = 500;
        desktop().clearRecords();
        dialog.txtMaxLines->setText(c.typed);
        dialog.chkLoadCachedEvents->setChecked(false);
        dialog.Command1_Click(0);

        EXPECT_EQ(module().isCustomLoaded(), !c.accepted) << c.typed.toStdString();
        EXPECT_EQ(module().MaxLines, c.maxLines) << c.typed.toStdString();
        EXPECT_EQ(module().MaxLinesSetting, c.maxLines) << c.typed.toStdString();
        EXPECT_EQ(desktop().cursor(), QStringLiteral("default"));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(boxTexts().isEmpty()) << c.typed.toStdString();
        } else {
            ASSERT_EQ(boxTexts().size(), 1) << c.typed.toStdString();
            EXPECT_TRUE(boxTexts().first().contains(c.message)) << boxTexts().first().toStdString();
        }
    }
}

TEST_F(DialogTest, OkRefusesWhenNoColumnIsVisible)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("300"));
    uncheckAllColumns(dialog);
    static_cast<void>(takeTrace());
    dialog.Command1_Click(0);

    ASSERT_EQ(desktop().boxes().size(), 1u);
    EXPECT_EQ(desktop().boxes().front().request.text, noColumnMessage);
    EXPECT_EQ(desktop().boxes().front().request.icon, MsgBoxIcon::Information);
    EXPECT_EQ(desktop().boxes().front().request.title, module().errors().title());
    EXPECT_TRUE(module().isCustomLoaded());
    EXPECT_EQ(module().MaxLines, 500);
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Profile")).isEmpty());
}

TEST_F(DialogTest, OkAppliesTheSettingsToTheViewerAndTheProfile)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("250"));
    dialog.chkDipslayEventsAtTop->setChecked(false);
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.lvwCols->topLevelItem(2)->setCheckState(0, Qt::Unchecked); // Address
    dialog.Command1_Click(0);

    EXPECT_FALSE(module().isCustomLoaded());
    EXPECT_TRUE(boxTexts().isEmpty());
    EXPECT_EQ(module().MaxLines, 250);
    EXPECT_FALSE(module().DisplayEventsAtTop);
    EXPECT_FALSE(module().LoadCachedEvents);
    EXPECT_FALSE(module().FilterActive);
    EXPECT_EQ(module().FilterGroupID, 0);
    EXPECT_EQ(module().messageBuffer().capacity(), 250);
    EXPECT_FALSE(module().events().vGrid->columnVisible(QStringLiteral("Address")));
    EXPECT_TRUE(module().Colors.startsWith(QString::number(module().colourSlots[0]) + QStringLiteral(",16777215,")));

    EXPECT_EQ(profileValue(QStringLiteral("MaxLines")), QStringLiteral("250"));
    EXPECT_EQ(profileValue(QStringLiteral("DisplayEventsAtTop")), QStringLiteral("False"));
    EXPECT_EQ(profileValue(QStringLiteral("LoadCachedEvents")), QStringLiteral("False"));
    EXPECT_EQ(profileValue(QStringLiteral("FilterGroupID")), QStringLiteral("0"));
    EXPECT_EQ(profileValue(QStringLiteral("Colors")), module().Colors);
    EXPECT_EQ(profileValue(QStringLiteral("ColumnHeaders")), module().events().columnHeaderString());
    EXPECT_TRUE(profileValue(QStringLiteral("ColumnHeaders")).contains(QStringLiteral("Address][Address][3][130][False")));
}

TEST_F(DialogTest, OkWithAGroupSelectedSwitchesTheFilterOn)
{
    FCustom &dialog = open();
    const int group = dialog.cmbFilterGroup->findData(1);
    ASSERT_GE(group, 2);
    dialog.cmbFilterGroup->setCurrentIndex(group);
    dialog.cmbFilterGroup_Click();
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);

    EXPECT_FALSE(module().isCustomLoaded());
    EXPECT_EQ(module().FilterGroupID, 1);
    EXPECT_TRUE(module().FilterActive);
    EXPECT_FALSE(module().FilterStrings.isEmpty());
    EXPECT_EQ(profileValue(QStringLiteral("FilterGroupID")), QStringLiteral("1"));
}

TEST_F(DialogTest, RestoreWritesTheDefaults)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("700"));
    dialog.chkDipslayEventsAtTop->setChecked(false);
    dialog.btnRestore_Click();

    EXPECT_EQ(boxTexts(), QStringList{restoreMessage});
    EXPECT_FALSE(module().isCustomLoaded());
    EXPECT_EQ(module().MaxLines, 100);
    EXPECT_TRUE(module().DisplayEventsAtTop);
    EXPECT_TRUE(module().LoadCachedEvents);
    EXPECT_FALSE(module().FilterActive);
    EXPECT_EQ(profileValue(QStringLiteral("MaxLines")), QStringLiteral("100"));
    EXPECT_EQ(profileValue(QStringLiteral("Colors")), QStringLiteral("Use Object Default"));
    EXPECT_EQ(profileValue(QStringLiteral("ColumnHeaders")), QStringLiteral("Use Object Default"));
    EXPECT_EQ(profileValue(QStringLiteral("DisplayEventsAtTop")), QStringLiteral("True"));
}

TEST_F(DialogTest, RestoreWithNoVisibleColumnWaitsForTheNextOk)
{
    FCustom &dialog = open();
    uncheckAllColumns(dialog);
    dialog.txtMaxLines->setText(QStringLiteral("700"));
    dialog.btnRestore_Click();

    EXPECT_EQ(boxTexts(), (QStringList{restoreMessage, noColumnMessage}));
    EXPECT_TRUE(module().isCustomLoaded());
    EXPECT_TRUE(module().restoreDefaults);
    EXPECT_EQ(module().MaxLines, 500);

    dialog.lvwCols->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.chkLoadCachedEvents->setChecked(false);
    dialog.Command1_Click(0);
    EXPECT_FALSE(module().isCustomLoaded());
    EXPECT_EQ(module().MaxLines, 100);
    EXPECT_EQ(profileValue(QStringLiteral("ColumnHeaders")), QStringLiteral("Use Object Default"));

    // Activating a dialog again forgets an earlier Restore.
    FCustom &again = module().custom();
    again.Form_Activate();
    EXPECT_FALSE(module().restoreDefaults);
}

TEST_F(DialogTest, CancelKeepsEverything)
{
    FCustom &dialog = open();
    dialog.txtMaxLines->setText(QStringLiteral("42"));
    static_cast<void>(takeTrace());
    dialog.Command1_Click(1);
    EXPECT_FALSE(module().isCustomLoaded());
    EXPECT_EQ(module().MaxLines, 500);
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Profile")).isEmpty());
}

} // namespace
} // namespace Ostraven::Testing
