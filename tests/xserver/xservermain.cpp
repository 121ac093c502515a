#include "xserver/xvfbserver.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

// The smoke test's own main: the X server must run before the application object exists, so that
// this program measures fonts on the same platform (xcb, the same server) as the host it drives.
// Listing the tests (CTest's discovery) starts no server.
int main(int argc, char **argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;

    QTemporaryDir folder;
    // Qt on xcb wants a runtime folder of the user's alone; a private one keeps the run quiet.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    Ostraven::Testing::XvfbServer server;
    if (!listing && server.start(folder.filePath(QStringLiteral("xvfb.log")))) {
        qputenv("DISPLAY", server.display().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        // The tests see why and skip; the application object still needs a platform.
        qputenv("OSTRAVEN_XVFB_FAILURE", listing ? "listing only" : server.failure().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    server.stop();
    return result;
}
