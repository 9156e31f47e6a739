// The main window in both window sizes and both panel layouts: every control it shows lies inside
// its parent, and so inside the window (a page that scrolls aside), and on no sibling.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

#include "dialogs/about_form.h"
#include "layout/layout_walk.h"
#include "support/station_window.h"

namespace {

using layout_test::Lines;
using layout_test::MisplacedControls;

struct Arrangement {
    const char* name;
    bool partial;
    bool block;
};
constexpr Arrangement kArrangements[] = {
    {"Full, List", false, false},
    {"Full, Block", false, true},
    {"Partial, List", true, false},
    {"Partial, Block", true, true},
};

class MainWindowLayout : public window_test::StationWindowTest {
  protected:
    TMainForm& Open() {
        TMainForm& w = OpenWindow();
        w.show();
        QApplication::processEvents();
        return w;
    }
    static void Arrange(TMainForm& w, const Arrangement& a) {
        (a.partial ? w.Partial : w.Full)->trigger();
        (a.block ? w.BlockLayout : w.ListLayout)->trigger();
        QApplication::processEvents();
    }
    // The row an operator starts and stops a run with lies whole inside the window.
    static void ExpectRunButtonsInside(TMainForm& w) {
        for (QWidget* c :
             std::initializer_list<QWidget*>{w.ExecuteButton, w.StopSpeedButton, w.RefreshButton, w.LockSpeedButton}) {
            EXPECT_TRUE(c->isVisible()) << c->objectName().toStdString();
            const QRect inWindow(c->mapTo(&w, QPoint(0, 0)), c->size());
            EXPECT_TRUE(w.rect().contains(inWindow)) << c->objectName().toStdString();
        }
    }
};

TEST_F(MainWindowLayout, EveryPageShowsWholeInBothSizesAndBothPanelLayouts) {
    TMainForm& w = Open();
    for (const Arrangement& a : kArrangements) {
        SCOPED_TRACE(a.name);
        Arrange(w, a);
        EXPECT_EQ(w.height(), a.partial ? 603 : 707);
        EXPECT_EQ(Lines(MisplacedControls(w)), "");
        ExpectRunButtonsInside(w);
    }
}

TEST_F(MainWindowLayout, ThePartialSizeKeptInTheSettingsFileOpensWholeAndFullBringsTheBandBack) {
    std::string ini = window_test::ReadText(station_ / "RIVIDO.ini");
    for (const auto& [key, value] : {std::pair{"WindowSizeMode=", '1'}, std::pair{"DevicePanelStyle=", '1'}}) {
        const std::size_t at = ini.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        ini[at + std::string(key).size()] = value;
    }
    window_test::WriteText(station_ / "RIVIDO.ini", ini);
    TMainForm& w = Open();
    EXPECT_TRUE(w.Partial->isChecked());
    EXPECT_EQ(w.StyleScrollBox->y(), 3);
    QWidget* band = w.Control("FlashSettingGroupBox");
    ASSERT_NE(band, nullptr);
    EXPECT_FALSE(band->isVisible()) << "the device panels take the flash-module band's place";
    EXPECT_EQ(Lines(MisplacedControls(w)), "");
    ExpectRunButtonsInside(w);

    w.Full->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(band->isVisible());
    EXPECT_TRUE(w.Control("LoadINIButton")->isVisible());
    EXPECT_EQ(w.StyleScrollBox->y(), 113);
    EXPECT_EQ(Lines(MisplacedControls(w)), "");
}

TEST_F(MainWindowLayout, TheEngineeringControlsFitInBothSizes) {
    TMainForm& w = Open();
    dialogs::ApplyEngineeringLayout(w, true);
    for (const Arrangement& a : {kArrangements[0], kArrangements[2]}) {
        SCOPED_TRACE(a.name);
        Arrange(w, a);
        EXPECT_FALSE(w.Control("SwitchECThresholdLabeledEdit")->isHidden());
        EXPECT_EQ(Lines(MisplacedControls(w)), "");
    }
}

}  // namespace
