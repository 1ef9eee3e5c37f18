#include <QApplication>
#include <gtest/gtest.h>

#include "startup/Init.h"

int main(int argc, char** argv) {
    // Widgets need a platform; without a display the offscreen one serves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    zelto::init();
    return RUN_ALL_TESTS();
}
