// A main window's close: the windows it owns close first, and the program's loop ends with it.
#include "forms/window_close.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {

// A window that counts its close requests and refuses them while told to.
class Window : public QWidget {
  public:
    explicit Window(QWidget* owner = nullptr) : QWidget(owner, owner != nullptr ? Qt::Dialog : Qt::Window) {}
    int requests = 0;
    bool refuse = false;

  protected:
    void closeEvent(QCloseEvent* event) override {
        ++requests;
        event->setAccepted(!refuse);
    }
};

TEST(WindowClose, TheOwnedVisibleWindowsCloseAndOneThatRefusesFailsTheClose) {
    Window main;
    Window shown(&main), refusing(&main), hidden(&main);
    Window ownedByShown(&shown);
    Window stranger;
    for (Window* w : {&main, &shown, &refusing, &ownedByShown, &stranger}) w->show();
    refusing.refuse = true;
    EXPECT_FALSE(forms::CloseOwnedWindows(main));
    EXPECT_TRUE(refusing.isVisible());
    EXPECT_EQ(refusing.requests, 1);

    refusing.refuse = false;
    EXPECT_TRUE(forms::CloseOwnedWindows(main));
    for (Window* w : {&shown, &refusing, &ownedByShown}) EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(hidden.requests, 0) << "a hidden window is not asked";
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(stranger.isVisible());
    EXPECT_EQ(stranger.requests, 0);
}

// Qt ends the loop on the last window's close through a posted event that showing any window takes
// back: a box shown right after the main window closed would keep the process running with no window
// to close. Run in a child process, as the loop's end is the process's.
TEST(WindowCloseDeathTest, TheLoopEndsWhenTheMainWindowHasClosedEvenIfAWindowShowsAfterIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Window main;
            forms::EndLoopWhenClosed(main);
            main.show();
            QDialog box(&main);
            QTimer::singleShot(0, [&] {
                main.close();
                box.show();
            });
            QTimer::singleShot(10'000, [] { std::_Exit(3); });  // the loop never ended
            std::_Exit(QApplication::exec() == 0 && !main.isVisible() ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
