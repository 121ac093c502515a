#include "platform/desktop/qtdesktop.h"
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace Ostraven {
namespace {
// The real services on the offscreen platform: the clipboard and cursor are real.
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
} // namespace Ostraven
