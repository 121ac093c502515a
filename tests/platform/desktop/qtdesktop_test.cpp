#include "platform/desktop/qtdesktop.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

// The real services on the offscreen platform: the clipboard and cursor are real, and a modal box is
// answered by pressing its keys once it is up.
TEST(QtDesktop, ClipboardAndCursorReachTheApplication)
{
    QtDesktop desktop;
    desktop.setClipboardText(QStringLiteral("\\\\SRV.1.2.IN05"));
    EXPECT_EQ(desktop.clipboardText(), QStringLiteral("\\\\SRV.1.2.IN05"));
    desktop.clearClipboard();
    EXPECT_TRUE(desktop.clipboardText().isEmpty());

    desktop.setBusyCursor(true);
    desktop.setBusyCursor(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    desktop.setBusyCursor(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // one restore undoes the one override
}

TEST(QtDesktop, MessageBoxReturnsThePlatformCodeOfTheButtonPressed)
{
    QtDesktop desktop;
    QTimer::singleShot(0, [] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        box->close(); // closing a Yes/No/Cancel box answers Cancel
    });
    EXPECT_EQ(desktop.msgBox(QStringLiteral("Save?"), 3 + 32, QStringLiteral("Event Viewer")), 2);
}

} // namespace
} // namespace Ostraven
