// The map application's tests need a QApplication: widgets, fonts and image codecs. Without a
// platform named in the environment they run offscreen.
#include <QApplication>
#include <gtest/gtest.h>

#include "startup/Init.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    zelto::init();
    return RUN_ALL_TESTS();
}
