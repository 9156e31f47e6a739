// The form services need an application object: build one on the offscreen platform, then run the tests.
#include <gtest/gtest.h>

#include <QApplication>

#include "forms/application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    forms::RestoreNumericLocale();  // Qt set the user's locale; the library writes "."
    QApplication::setApplicationDisplayName("Kestrane test");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
