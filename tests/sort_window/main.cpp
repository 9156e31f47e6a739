// The result window's tests need the programs' application object on the offscreen platform.
#include <gtest/gtest.h>

#include "forms/application.h"
#include "window/window_fixture.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    forms::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(window_test::LockFolderOfTheRun());
    return result;
}
