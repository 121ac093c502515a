#include "platform/runtimefolder.h"

#include <QApplication>

#include <gtest/gtest.h>

// Windows, timers and the clipboard need an application object; tests run offscreen unless told otherwise.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Quietly, as the host does: CI runs without a login session, and Qt would warn in every program.
    Ostraven::RuntimeFolder::provide();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
