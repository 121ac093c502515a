#include "platform/desktop/scripteddesktop.h"
#include "platform/vberror.h"

#include <QJsonArray>
#include <QWidget>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

struct StyleCase {
    int style;
    MsgBoxIcon icon;
    MsgBoxButtons buttons;
    const char *answer; // queued; nullptr for none
    int expected;
};

TEST(ScriptedDesktop, MessageBoxesReadTheStyleAndAnswerFromTheQueueOrTheirDefault)
{
    const std::vector<StyleCase> cases{
        {16, MsgBoxIcon::Critical, MsgBoxButtons::Ok, nullptr, 1},
        {1 + 48, MsgBoxIcon::Exclamation, MsgBoxButtons::OkCancel, nullptr, 1},
        {1 + 256, MsgBoxIcon::None, MsgBoxButtons::OkCancel, nullptr, 1}, // OK wins over the default button
        {1, MsgBoxIcon::None, MsgBoxButtons::OkCancel, "cancel", 2},
        {4 + 32, MsgBoxIcon::Question, MsgBoxButtons::YesNo, nullptr, 6},
        {4 + 32 + 256, MsgBoxIcon::Question, MsgBoxButtons::YesNo, nullptr, 7},
        {3 + 512, MsgBoxIcon::None, MsgBoxButtons::YesNoCancel, nullptr, 2},
        {3 + 4096, MsgBoxIcon::None, MsgBoxButtons::YesNoCancel, "Yes", 6},
    };
    ScriptedDesktop desktop;
    for (const StyleCase &styleCase : cases) {
        if (styleCase.answer)
            desktop.queueAnswer(QString::fromUtf8(styleCase.answer));
        EXPECT_EQ(desktop.msgBox(QStringLiteral("text %1").arg(styleCase.style), styleCase.style, QStringLiteral("Event Viewer")),
                  styleCase.expected)
            << "style " << styleCase.style;
        EXPECT_EQ(desktop.boxes().back().request.icon, styleCase.icon) << "style " << styleCase.style;
        EXPECT_EQ(desktop.boxes().back().request.buttons, styleCase.buttons) << "style " << styleCase.style;
    }
    EXPECT_EQ(desktop.boxes().size(), cases.size());
    EXPECT_EQ(desktop.pendingAnswers(), 0);
}

TEST(ScriptedDesktop, AnswersThatDoNotFitRaiseAndAreUsedUp)
{
    ScriptedDesktop desktop;
    const std::vector<std::pair<const char *, std::function<void()>>> cases{
        {"yes", [&] { desktop.msgBox(QStringLiteral("OK only"), 0); }},
        {"maybe", [&] { desktop.msgBox(QStringLiteral("which"), 4); }},
        {"red", [&] { static_cast<void>(desktop.pickColour(0)); }},
        {"16777216", [&] { static_cast<void>(desktop.pickColour(0)); }},
        {"Copy", [&] { static_cast<void>(desktop.popupMenu({PopupMenuItem::action(5, QStringLiteral("Copy"))})); }},
    };
    for (const auto &[answer, call] : cases) {
        desktop.queueAnswer(QString::fromUtf8(answer));
        try {
            call();
            ADD_FAILURE() << answer;
        } catch (const VbError &error) {
            EXPECT_EQ(error.number(), VbError::InvalidProcedureCall) << answer;
            EXPECT_TRUE(error.description().contains(QString::fromUtf8(answer))) << answer;
        }
        EXPECT_EQ(desktop.pendingAnswers(), 0) << answer;
    }
    for (const int style : {2, 5, 80, -1}) // button sets and icons the component never asks for
        EXPECT_THROW(desktop.msgBox(QStringLiteral("x"), style), VbError) << style;
    EXPECT_THROW(desktop.setOwnerWindow(nullptr, 42), VbError);
}

TEST(ScriptedDesktop, InputsColoursAndCursorAreRecorded)
{
    ScriptedDesktop desktop;
    desktop.queueAnswer(QStringLiteral("Night shift"));
    desktop.queueAnswer(QStringLiteral("0x0000FF"));
    desktop.queueAnswer(QStringLiteral("cancel"));
    EXPECT_EQ(desktop.inputBox(QStringLiteral("Group name"), QStringLiteral("Event Viewer"), QStringLiteral("New")),
              QStringLiteral("Night shift"));
    EXPECT_EQ(desktop.pickColour(65280), std::optional<qint64>(255));
    EXPECT_EQ(desktop.pickColour(65280), std::nullopt);
    EXPECT_EQ(desktop.pickColour(65280), std::nullopt); // nothing queued: cancel
    EXPECT_TRUE(desktop.inputBox(QStringLiteral("Again"), {}, QStringLiteral("kept?")).isEmpty());

    desktop.setBusyCursor(true);
    EXPECT_EQ(desktop.cursor(), QStringLiteral("busy"));
    desktop.setBusyCursor(false);
    EXPECT_EQ(desktop.cursorHistory(), QStringList({"busy", "default"}));

    ASSERT_EQ(desktop.inputs().size(), 2u);
    EXPECT_EQ(desktop.inputs()[0].prompt, QStringLiteral("Group name"));
    EXPECT_EQ(desktop.inputs()[0].defaultText, QStringLiteral("New"));
    const QJsonObject dump = desktop.dumpState();
    EXPECT_EQ(dump.value("cursor").toString(), QStringLiteral("default"));
    EXPECT_EQ(dump.value("colourPickers").toArray().size(), 3);
    EXPECT_EQ(dump.value("colourPickers").toArray()[0].toObject().value("answer").toInt(), 255);
    EXPECT_TRUE(dump.value("colourPickers").toArray()[1].toObject().value("answer").isNull());
}

TEST(ScriptedDesktop, PopupMenuAnswersOnlyWithItemsTheOperatorCouldClick)
{
    const std::vector<PopupMenuItem> menu{
        PopupMenuItem::submenu(0, QStringLiteral("Filter Events By Type"),
                               {PopupMenuItem::action(100, QStringLiteral("All"), true, true),
                                PopupMenuItem::action(101, QStringLiteral("Software"))}),
        PopupMenuItem::separatorItem(2), PopupMenuItem::action(3, QStringLiteral("Suspend Scrolling"), true, true),
        PopupMenuItem::action(6, QStringLiteral("Copy Address"), false),
        PopupMenuItem::action(11, QStringLiteral("Show Statistics"), true, false, false),
    };
    const std::vector<std::pair<QString, std::optional<int>>> cases{
        {QStringLiteral("3"), 3},
        {QStringLiteral("101"), 101},  // inside the submenu
        {QStringLiteral("0"), std::nullopt},  // opens the submenu, is no choice
        {QStringLiteral("2"), std::nullopt},  // separator
        {QStringLiteral("6"), std::nullopt},  // disabled
        {QStringLiteral("11"), std::nullopt}, // hidden
        {QStringLiteral("none"), std::nullopt}, {QStringLiteral("42"), std::nullopt},
    };
    ScriptedDesktop desktop;
    for (const auto &[answer, expected] : cases) {
        desktop.queueAnswer(answer);
        EXPECT_EQ(desktop.popupMenu(menu), expected) << answer.toStdString();
    }
    EXPECT_EQ(desktop.popupMenu(menu), std::nullopt); // nothing queued: dismissed
    ASSERT_EQ(desktop.menus().size(), cases.size() + 1);
    const QJsonObject shown = desktop.dumpState().value("menus").toArray()[0].toObject();
    EXPECT_EQ(shown.value("answer").toInt(), 3);
    const QJsonObject filter = shown.value("items").toArray()[0].toObject();
    EXPECT_TRUE(filter.value("children").toArray()[0].toObject().value("checked").toBool());
    EXPECT_FALSE(shown.value("items").toArray()[3].toObject().value("enabled").toBool());
}

} // namespace
} // namespace Ostraven
