// The main window's tests run on Qt's offscreen platform unless a display platform is asked for.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/QtDispatcher.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    app::QtDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    const int rc = RUN_ALL_TESTS();
    core::setMainDispatcher(nullptr);
    return rc;
}
