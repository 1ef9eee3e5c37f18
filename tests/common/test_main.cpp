#include <QCoreApplication>
#include <gtest/gtest.h>

#include "startup/Init.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    zelto::init();
    return RUN_ALL_TESTS();
}
