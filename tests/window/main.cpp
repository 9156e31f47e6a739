// The main window's tests need the programs' application object (exceptions of handlers shown,
// LC_NUMERIC back to "C") on the offscreen platform.
#include <gtest/gtest.h>

#include "forms/application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    forms::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
