// The windows are measured with the font the operator gets: the programs' application object and
// their font registration, on the offscreen platform.
#include <gtest/gtest.h>

#include "forms/application.h"
#include "forms/window_font.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    forms::Application app(argc, argv);
    forms::UseWindowFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
