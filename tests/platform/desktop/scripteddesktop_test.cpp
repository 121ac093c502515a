#include "../platformtest.h"
#include "platform/desktop/scripteddesktop.h"
#include <QJsonArray>
#include <QWidget>
#include <gtest/gtest.h>

namespace Ostraven {
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
        EXPECT_EQ(std::pair(desktop.boxes().back().request.icon, desktop.boxes().back().request.buttons),
                  std::pair(icon, buttons)) << style;
    }
    EXPECT_EQ(desktop.boxes().size(), std::size(cases));
    EXPECT_EQ(desktop.pendingAnswers(), 0);
}

TEST(ScriptedDesktop, AnswersThatDoNotFitRaiseAndAreUsedUp)
{
    ScriptedDesktop desktop;
    const std::vector<std::pair<const char *, std::function<void()>>> cases{
        {"yes", [&] { desktop.msgBox("OK only", 0); }},
        {"maybe", [&] { desktop.msgBox("which", 4); }},
        {"red", [&] { (void)desktop.pickColour(0); }},
        {"16777216", [&] { (void)desktop.pickColour(0); }},
        {"Copy", [&] { (void)desktop.popupMenu({PopupMenuItem::action(5, "Copy")}); }},
    };
    for (const auto &[answer, call] : cases) {
        desktop.queueAnswer(answer);
        const VbError error = errorOf(call);
        EXPECT_TRUE(error.number() == VbError::InvalidProcedureCall && error.description().contains(answer)) << answer;
        EXPECT_EQ(desktop.pendingAnswers(), 0) << answer;
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
    EXPECT_EQ(desktop.pickColour(65280), std::optional<qint64>(255));
    EXPECT_EQ(desktop.pickColour(65280), std::nullopt);
    EXPECT_EQ(desktop.pickColour(65280), std::nullopt); // nothing queued: cancel
    EXPECT_TRUE(desktop.inputBox("Again", {}, "kept?").isEmpty());
    desktop.setBusyCursor(true);
    EXPECT_EQ(desktop.cursor(), QStringLiteral("busy"));
    desktop.setBusyCursor(false);
    EXPECT_EQ(desktop.cursorHistory(), QStringList({"busy", "default"}));
    ASSERT_EQ(desktop.inputs().size(), 2u);
    EXPECT_EQ(std::pair(desktop.inputs()[0].prompt, desktop.inputs()[0].defaultText),
              std::pair(QStringLiteral("Group name"), QStringLiteral("New")));
    const QJsonObject dump = desktop.dumpState();
    const QJsonArray pickers = dump.value("colourPickers").toArray();
    EXPECT_EQ(dump.value("cursor").toString(), QStringLiteral("default"));
    EXPECT_EQ(pickers.size(), 3);
    EXPECT_EQ(pickers[0].toObject().value("answer").toInt(), 255);
    EXPECT_TRUE(pickers[1].toObject().value("answer").isNull());
    // A popup menu answers only with items the operator could click.
    const std::vector<PopupMenuItem> menu{
        PopupMenuItem::submenu(0, "Filter Events By Type",
                               {PopupMenuItem::action(100, "All", true, true), PopupMenuItem::action(101, "Software")}),
        PopupMenuItem::separatorItem(2), PopupMenuItem::action(3, "Suspend Scrolling", true, true),
        PopupMenuItem::action(6, "Copy Address", false), PopupMenuItem::action(11, "Show Statistics", true, false, false),
    };
    // 101 is inside the submenu; 0 opens the submenu and is no choice, 2 is the separator, 6 disabled, 11 hidden.
    const std::pair<const char *, std::optional<int>> cases[] = {
        {"3", 3}, {"101", 101}, {"0", std::nullopt}, {"2", std::nullopt}, {"6", std::nullopt}, {"11", std::nullopt},
        {"none", std::nullopt}, {"42", std::nullopt},
    };
    for (const auto &[answer, expected] : cases) {
        desktop.queueAnswer(answer);
        EXPECT_EQ(desktop.popupMenu(menu), expected) << answer;
    }
    EXPECT_EQ(desktop.popupMenu(menu), std::nullopt); // nothing queued: dismissed
    ASSERT_EQ(desktop.menus().size(), std::size(cases) + 1);
    const QJsonObject shown = desktop.dumpState().value("menus").toArray()[0].toObject();
    EXPECT_EQ(shown.value("answer").toInt(), 3);
    const QJsonArray items = shown.value("items").toArray();
    EXPECT_TRUE(items[0].toObject().value("children").toArray()[0].toObject().value("checked").toBool());
    EXPECT_FALSE(items[3].toObject().value("enabled").toBool());
}
} // namespace
} // namespace Ostraven
