#include "../platformtest.h"
#include "platform/desktop/qtdesktop.h"
#include "platform/desktop/scripteddesktop.h"
#include <QApplication>
#include <QJsonArray>
#include <QTimer>
#include <QWidget>

using namespace Ostraven;

namespace {
TEST(ScriptedDesktop, MessageBoxesReadTheStyleAndAnswerFromTheQueueOrTheirDefault)
{
    const std::tuple<int, MsgBoxIcon, MsgBoxButtons, const char *, int> cases[] = { // style, icon, buttons, queued, answer
        {16, MsgBoxIcon::Critical, MsgBoxButtons::Ok, nullptr, 1}, {1 + 48, MsgBoxIcon::Exclamation, MsgBoxButtons::OkCancel, nullptr, 1},
        {1 + 256, MsgBoxIcon::None, MsgBoxButtons::OkCancel, nullptr, 1}, // OK wins over the default button
        {1, MsgBoxIcon::None, MsgBoxButtons::OkCancel, "cancel", 2},
        {4 + 32, MsgBoxIcon::Question, MsgBoxButtons::YesNo, nullptr, 6}, {4 + 32 + 256, MsgBoxIcon::Question, MsgBoxButtons::YesNo, nullptr, 7},
        {3 + 512, MsgBoxIcon::None, MsgBoxButtons::YesNoCancel, nullptr, 2}, {3 + 4096, MsgBoxIcon::None, MsgBoxButtons::YesNoCancel, "Yes", 6},
    };
    ScriptedDesktop desktop;
    for (const auto &[style, icon, buttons, queued, answer] : cases) {
        if (queued) { desktop.queueAnswer(queued); }
        EXPECT_EQ(desktop.msgBox(QStringLiteral("text %1").arg(style), style, "Event Viewer"), answer) << style;
        EXPECT_EQ(std::pair(desktop.boxes().back().request.icon, desktop.boxes().back().request.buttons), std::pair(icon, buttons)) << style;
    }
    EXPECT_EQ(std::pair(desktop.boxes().size(), desktop.pendingAnswers()), std::pair(std::size(cases), 0));
}

TEST(ScriptedDesktop, AnswersThatDoNotFitRaiseAndAreUsedUp)
{
    ScriptedDesktop desktop;
    const std::vector<std::pair<const char *, std::function<void()>>> cases{
        {"yes", [&] { desktop.msgBox("OK only", 0); }}, {"maybe", [&] { desktop.msgBox("which", 4); }},
        {"red", [&] { (void)desktop.pickColour(0); }}, {"16777216", [&] { (void)desktop.pickColour(0); }},
        {"Copy", [&] { (void)desktop.popupMenu({PopupMenuItem::action(5, "Copy")}); }},
    };
    for (const auto &[answer, call] : cases) {
        desktop.queueAnswer(answer);
        const VbError error = errorOf(call);
        EXPECT_EQ(std::tuple(error.number(), error.description().contains(answer), desktop.pendingAnswers()),
                  std::tuple(int(VbError::InvalidProcedureCall), true, 0)) << answer;
    }
    for (const int style : {2, 5, 80, -1}) // button sets and icons the component never asks for
        EXPECT_THROW(desktop.msgBox("x", style), VbError) << style;
    EXPECT_THROW(desktop.setOwnerWindow(nullptr, 42), VbError);
}

TEST(ScriptedDesktop, InputsColoursCursorAndMenusAreRecorded)
{
    ScriptedDesktop desktop;
    for (const char *answer : {"Night shift", "0x0000FF", "cancel"}) desktop.queueAnswer(answer);
    EXPECT_EQ(desktop.inputBox("Group name", "Event Viewer", "New"), QStringLiteral("Night shift"));
    EXPECT_EQ((std::vector{desktop.pickColour(65280), desktop.pickColour(65280), desktop.pickColour(65280)}), // the last: nothing queued
              (std::vector<std::optional<qint64>>{255, std::nullopt, std::nullopt}));
    EXPECT_TRUE(desktop.inputBox("Again", {}, "kept?").isEmpty());
    desktop.setBusyCursor(true);
    EXPECT_EQ(desktop.cursor(), QStringLiteral("busy"));
    desktop.setBusyCursor(false);
    EXPECT_EQ(desktop.cursorHistory(), QStringList({"busy", "default"}));
    EXPECT_EQ(std::tuple(desktop.inputs().size(), desktop.inputs().at(0).prompt, desktop.inputs().at(0).defaultText),
              std::tuple(2u, QStringLiteral("Group name"), QStringLiteral("New")));
    const QJsonObject dump = desktop.dumpState();
    const QJsonArray pickers = dump.value("colourPickers").toArray();
    EXPECT_EQ(std::tuple(dump.value("cursor").toString(), pickers.size(), pickers[0].toObject().value("answer"), pickers[1].toObject().value("answer")),
              std::tuple(QStringLiteral("default"), 3, QJsonValue(255), QJsonValue(QJsonValue::Null)));
    // A popup menu answers only with items the operator could click.
    const std::vector<PopupMenuItem> menu{
        PopupMenuItem::submenu(0, "Filter Events By Type",
                               {PopupMenuItem::action(100, "All", true, true), PopupMenuItem::action(101, "Software")}),
        PopupMenuItem::separatorItem(2), PopupMenuItem::action(3, "Suspend Scrolling", true, true),
        PopupMenuItem::action(6, "Copy Address", false), PopupMenuItem::action(11, "Show Statistics", true, false, false),
    };
    // 101 is inside the submenu; 0 opens the submenu and is no choice, 2 is the separator, 6 disabled, 11 hidden.
    std::vector<std::optional<int>> chosen;
    for (const char *answer : {"3", "101", "0", "2", "6", "11", "none", "42"}) {
        desktop.queueAnswer(answer);
        chosen.push_back(desktop.popupMenu(menu));
    }
    chosen.push_back(desktop.popupMenu(menu)); // nothing queued: dismissed
    EXPECT_EQ(chosen, (std::vector<std::optional<int>>{3, 101, {}, {}, {}, {}, {}, {}, {}}));
    ASSERT_EQ(desktop.menus().size(), chosen.size());
    const QJsonObject shown = desktop.dumpState().value("menus").toArray()[0].toObject();
    const QJsonArray items = shown.value("items").toArray();
    EXPECT_EQ(std::tuple(shown.value("answer").toInt(), items[0].toObject().value("children").toArray()[0].toObject().value("checked"),
                         items[3].toObject().value("enabled")),
              std::tuple(3, QJsonValue(true), QJsonValue(false)));
}

// The real services on the offscreen platform: the clipboard and cursor are real.
TEST(QtDesktop, ClipboardAndCursorReachTheApplication)
{
    QtDesktop desktop;
    desktop.setClipboardText(QStringLiteral("\\\\SRV.1.2.IN05"));
    EXPECT_EQ(desktop.clipboardText(), QStringLiteral("\\\\SRV.1.2.IN05"));
    desktop.clearClipboard();
    EXPECT_TRUE(desktop.clipboardText().isEmpty());
    for (int i = 0; i < 2; ++i) desktop.setBusyCursor(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    desktop.setBusyCursor(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // one restore undoes the one override
}

// The timer keeps firing until the call returns: it closes the box once, and hides every window when a
// box stays or none comes, so a fault fails the test instead of leaving the modal loop running.
TEST(QtDesktop, MessageBoxReturnsThePlatformCodeOfTheButtonPressed)
{
    QtDesktop desktop;
    int closes = 0, idle = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (box && ++closes == 1)
            box->close(); // closing a Yes/No/Cancel box answers Cancel
        else if (box || ++idle % 300 == 0)
            for (QWidget *window : QApplication::topLevelWidgets()) window->hide();
    });
    closer.start(10);
    EXPECT_EQ(desktop.msgBox(QStringLiteral("Save?"), 3 + 32, QStringLiteral("Event Viewer")), 2);
    closer.stop();
    EXPECT_EQ(closes, 1) << "the box was not up, or did not go when closed";
}
} // namespace
