// The sorting-status poll on emulated drives running their sorting firmware: every status code as
// one table, drives in both device orders, the lock and the timer, "Polling RDT" and the timer's
// handler.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/settings_pages.h"
#include "forms/colours.h"
#include "support/station_window.h"

namespace window_test {
namespace {

// One drive section per entry of `keys`, each running the sorting firmware with those keys.
std::string SortingBay(const std::vector<std::string>& keys) {
    std::string ini = "[RootHub1]\nBus=2\nSpeed=usb3\nPorts=4\n[Hub1]\nId=2-1\nPorts=8\n";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ini += "[Drive" + std::to_string(i + 1) + "]\nId=2-1." + std::to_string(i + 1) +
               "\nBridge=asmedia\nFlashChannels=2\nFlashCEs=1\nFlashBlocks=64\nFlashPages=32\nFlashPageSectors=8\n"
               "Program=rdt\n" +
               (keys[i] == "Unplugged" ? std::string() : keys[i] + "\n");
    }
    return ini;
}

class SortPoll : public StationWindowTest {
  protected:
    TMainForm& Open(const std::vector<std::string>& keys) {
        CloseWindow();
        ProcessState::Reset();
        InstallBay(SortingBay(keys));
        TMainForm& w = OpenWindow();
        Enumerate();
        fixture_.rdtResults.clear();
        return w;
    }
    int Count(const std::string& line) const {
        const auto lines = trace_.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    RecordingFixture fixture_;
    app::ScopedFixtureWindow scopedFixture_{fixture_};
};

TEST_F(SortPoll, EachStatusCodeAsTheTableSays) {
    struct Case {
        std::string keys;
        std::string text;
        std::uint32_t colour;
        int iStatus, rdtStatus, fixtureCode;
        bool timer, locked;
    };
    const std::vector<Case> cases = {
        {"SortStatus=0", "(RDT-In Preparation)", kColourRunning, 3, 1, 14, true, true},
        {"SortStatus=1", "(RDT-Running)", kColourRunning, 3, 1, 14, true, true},
        {"SortStatus=2", "(RDT-Fail)", kColourFail, 1, 2, 16, false, false},
        {"SortStatus=4", "(RDT-Done)", 0x00FF00, 1, 4, 15, false, false},
        {"SortStatus=3", "(RDT-Fail)", kColourFail, 1, 2, 16, false, false},
        {"SortStatus=5", "(RDT-Fail)", kColourFail, 1, 2, 16, false, false},
        {"SortStatus=6", "(RDT-Fail)", kColourFail, 1, 2, 16, false, false},
        {"SortStatus=7", "(RDT-Fail)", kColourFail, 1, 2, 16, false, false},
        {"SortStatus=255", "(RDT-Fail)", kColourFail, 1, 2, 16, false, false},
        // No signature, and no answer (unplugged): the panel and the state stay, the window stays locked.
        {"SortStatus=nolog", "", 0, 0, 9, -1, true, true},
        {"Unplugged", "", 0, 0, 9, -1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        TMainForm& w = Open({c.keys});
        ASSERT_EQ(g_DeviceToPortMap[0], 0);
        if (c.keys == "Unplugged") bay_->Unplug("Drive1");
        const std::string before = w.DeviceLabel[0]->text().toStdString();
        const std::uint32_t colourBefore = forms::ColourOf(w.DevicePanel[0]);
        const std::int32_t statusBefore = g_PortDevInfo[0].iStatus;
        g_ucRdtStatus = 9;
        w.SettingPageControl->setCurrentIndex(5);
        w.SortStatusTimer->start();
        w.SORTStatusClick(&w);
        EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), c.text.empty() ? before : c.text);
        EXPECT_EQ(forms::ColourOf(w.DevicePanel[0]), c.text.empty() ? colourBefore : c.colour);
        EXPECT_EQ(g_PortDevInfo[0].iStatus, c.text.empty() ? statusBefore : c.iStatus);
        EXPECT_EQ(g_ucRdtStatus, c.rdtStatus);
        if (c.fixtureCode < 0) {
            EXPECT_TRUE(fixture_.rdtResults.empty());
        } else {
            EXPECT_EQ(fixture_.rdtResults, (std::vector<std::pair<int, int>>{{0, c.fixtureCode}}));
        }
        EXPECT_EQ(w.SortStatusTimer->isActive(), c.timer);
        EXPECT_EQ(w.ExecuteButton->isEnabled(), !c.locked);
        EXPECT_EQ(w.SettingPageControl->isTabEnabled(1), !c.locked);
        EXPECT_EQ(w.SettingPageControl->currentIndex(), 5) << "the page in front never changes";
    }
}

TEST_F(SortPoll, OneDriveStillRunningKeepsTheTimerAndTheLockInEitherOrder) {
    for (const auto& keys : {std::vector<std::string>{"SortStatus=4", "SortStatus=1"},
                             std::vector<std::string>{"SortStatus=1", "SortStatus=4"}}) {
        SCOPED_TRACE(keys[0]);
        TMainForm& w = Open(keys);
        w.SORTStatusClick(&w);
        EXPECT_TRUE(w.SortStatusTimer->isActive());
        EXPECT_FALSE(w.ExecuteButton->isEnabled());
        EXPECT_EQ(g_ucRdtStatus, 1);
    }
    // All passing: timer off, unlocked, lime panels.
    TMainForm& w = Open({"SortStatus=4", "SortStatus=4"});
    w.SortStatusTimer->start();
    w.SORTStatusClick(&w);
    EXPECT_FALSE(w.SortStatusTimer->isActive());
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
    EXPECT_EQ(g_ucRdtStatus, 4);
    for (int d = 0; d < 2; ++d) EXPECT_EQ(forms::ColourOf(w.DevicePanel[d]), 0x00FF00u);
    // Pass and fail mixed: the highest answering device number's code.
    Open({"SortStatus=4", "SortStatus=2"}).SORTStatusClick(nullptr);
    EXPECT_EQ(g_ucRdtStatus, 2);
    Open({"SortStatus=2", "SortStatus=4"}).SORTStatusClick(nullptr);
    EXPECT_EQ(g_ucRdtStatus, 4);
}

TEST_F(SortPoll, LockedSettingsSwitchOnlyStartAndRefresh) {
    TMainForm& w = Open({"SortStatus=1"});
    AP_INIState.MPVersion = 1;
    w.SORTStatusClick(&w);
    EXPECT_FALSE(w.ExecuteButton->isEnabled());
    EXPECT_FALSE(w.RefreshButton->isEnabled());
    EXPECT_TRUE(w.SettingPageControl->isTabEnabled(1));
}

TEST_F(SortPoll, TheTimerPollsOnlyInSortModeAndPollsNeverNest) {
    TMainForm& w = Open({"SortStatus=4"});
    const QString before = w.DeviceLabel[0]->text();
    AP_INIState.ToolMode = 0;
    w.SortStatusTimer->start();
    w.SortStatusTimerTimer(w.SortStatusTimer);
    EXPECT_EQ(w.DeviceLabel[0]->text(), before);
    EXPECT_TRUE(w.SortStatusTimer->isActive()) << "in MP mode the timer stays as it is";
    AP_INIState.ToolMode = 1;
    // A tick that arrives while the poll waits for a drive (here: during its first panel update).
    int ticks = 0;
    fixture_.onRdtResult = [&] {
        ++ticks;
        if (ticks == 1) w.SortStatusTimerTimer(w.SortStatusTimer);
    };
    w.SortStatusTimerTimer(w.SortStatusTimer);
    fixture_.onRdtResult = nullptr;
    EXPECT_EQ(ticks, 1) << "the nested tick was dropped";
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "(RDT-Done)");
    EXPECT_EQ(Count("[____________________________________________]   SortStatusTimer Timer  work \n"), 2);
}

TEST_F(SortPoll, PollingRdtTracesTheVerdictAndChangesNothing) {
    TMainForm& w = Open({"SortStatus=7", "SortStatus=4", "SortStatus=nolog"});
    QAction* item = w.findChild<QAction*>("PollingRDT");
    ASSERT_NE(item, nullptr);
    ASSERT_NE(w.MainMenu->findChild<QMenu*>("Tools"), nullptr);
    const QString before = w.DeviceLabel[0]->text();
    trace_.Clear();
    item->trigger();
    EXPECT_EQ(Count("Load pattern Fail!\n"), 1);
    EXPECT_EQ(Count("Load pattern Pass!\n"), 1);
    EXPECT_EQ(Count("VP PROC_SORT_STATUS return no log \n"), 1);
    EXPECT_EQ(w.DeviceLabel[0]->text(), before);
    EXPECT_TRUE(fixture_.rdtResults.empty());
    EXPECT_TRUE(w.ExecuteButton->isEnabled());

    // No drive: the message only, nothing locked.
    g_nPortConnectedNum = 0;
    w.PollingRDTClick(nullptr);
    ASSERT_FALSE(ui_.Shown().empty());
    EXPECT_EQ(ui_.Shown().back().text, "No connected device!!");
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
}

// The sorting-mode box of the SORT FW Setting page (made by that page's loader; a stand-in here).
TEST_F(SortPoll, TheSortingModeBoxSetsTheRunMode) {
    TMainForm& w = Open({"SortStatus=1"});
    auto* box = w.Control<QComboBox>("SortMode_CB");
    ASSERT_NE(box, nullptr);
    // The operator's pick runs the handler; the program's own setting of the box does not.
    box->setCurrentIndex(2);
    emit box->activated(2);
    EXPECT_EQ(AP_RDTSet.RunSortingMode, 2);
    box->setCurrentIndex(0);
    EXPECT_EQ(AP_RDTSet.RunSortingMode, 2);
    emit box->activated(0);
    EXPECT_EQ(AP_RDTSet.RunSortingMode, 0);
}

}  // namespace
}  // namespace window_test
