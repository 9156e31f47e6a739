// The ways a run starts and what it leaves alone: the customised map, a double click, the automatic
// start, the hand-over to the sorting-status poll, START and closing the window during a run.
#include <gtest/gtest.h>

#include <QEvent>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/mp_item_table.h"
#include "app/run_state.h"
#include "forms/message_pump.h"
#include "mp_run/run_fixture.h"

namespace mp_test {
namespace {

// The ports whose worker reached its first item.
class PortsSeen {
  public:
    void Add(int port) {
        std::lock_guard lock(mutex_);
        ports_.insert(port);
    }
    std::set<int> Ports() const {
        std::lock_guard lock(mutex_);
        return ports_;
    }

  private:
    mutable std::mutex mutex_;
    std::set<int> ports_;
};

class RunStarts : public RunTest {
  protected:
    // The scripted library, every worker recording its port at its first item.
    app::MpProcedures Recording() {
        app::MpProcedures p = Passing();
        p.VP_PROC_CheckFlashModule = [this](int port, std::uint8_t*) {
            seen_.Add(port);
            return true;
        };
        return p;
    }
    static int Count(const std::string& text, const std::string& fragment) {
        int n = 0;
        for (std::size_t at = 0; (at = text.find(fragment, at)) != std::string::npos; at += fragment.size()) ++n;
        return n;
    }
    PortsSeen seen_;
};

TEST_F(RunStarts, CustomisedMapNamingThreeOfFiveDrivesRunsThree) {
    InstallBay(BayOfHubs(1, 5));
    TMainForm& w = OpenWindow();
    g_EnCustomizePortMap = 1;
    g_CustomizePortMap[0] = 4;
    g_CustomizePortMap[1] = 2;
    g_CustomizePortMap[2] = 0;
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 5);
    app::ScopedMpProcedures procs(Recording());
    w.ExecuteButtonClick(w.ExecuteButton);
    EXPECT_EQ(seen_.Ports(), (std::set<int>{0, 2, 4}));
    EXPECT_EQ(Count(trace_.Text(), "######### - Close thread "), 3);
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "3 / 3");
    for (int port : {1, 3}) EXPECT_EQ(LoadField(g_PortDevInfo[port].iStatus), 0) << port;
    EXPECT_EQ(w.m_bRunning, 0);
}

TEST_F(RunStarts, DoubleClickRunsThatDeviceOnly) {
    TMainForm& w = Open(3);
    app::ScopedMpProcedures procs(Recording());
    ui_.AnswerYesNo(true);
    w.DevicePanelDblClick(2);
    ASSERT_FALSE(ui_.Shown().empty());
    EXPECT_EQ(ui_.Shown()[0].title, "Device 3 - Execute Selected MP Flow\n");
    EXPECT_EQ(seen_.Ports(), (std::set<int>{g_DeviceToPortMap[2]}));
    EXPECT_EQ(g_DeviceSlots.Read(2).status, "Pass");
    for (int d : {0, 1}) EXPECT_EQ(LoadField(g_PortDevInfo[g_DeviceToPortMap[d]].iStatus), 0) << d;
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "1 / 1");
    EXPECT_EQ(g_SelectedDevice, 0);
}

// [Setting] ConnectDevNum drives arm the automatic start one second after the enumeration; any
// other count arms nothing.
TEST_F(RunStarts, ConnectDevNumDrivesStartARunOneSecondAfterTheEnumeration) {
    struct Row {
        int drives;
        bool starts;
    };
    for (const Row& row : {Row{3, false}, Row{4, true}}) {
        TMainForm& w = Open(row.drives);
        forms::ProcessMessages();
        ASSERT_EQ(AP_INIState.ConnectDevNum, 4);
        app::ScopedMpProcedures procs(Recording());
        EXPECT_EQ(w.AutoTestTimer->isActive(), row.starts) << row.drives;
        if (row.starts) {
            EXPECT_EQ(w.AutoTestTimer->interval(), 1000);
            w.AutoTestTimerTimer(w.AutoTestTimer);  // delivered as the timer would
            EXPECT_FALSE(w.AutoTestTimer->isActive());
            EXPECT_TRUE(trace_.Contains("######### - Start to auto test\n"));
            EXPECT_EQ(seen_.Ports().size(), 4u);
            EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "4 / 4");
        }
        CloseWindow();
        window_test::ProcessState::Reset();
    }
}

// In SORT mode with Sort Connection selected, a worker that reached the sorting firmware hands the
// drives to the sorting-status poll once after the run; a refused connection hands over nothing.
TEST_F(RunStarts, SortRunThatConnectedStartsTheSortingStatusPoll) {
    for (const bool connects : {true, false}) {
        std::string ini = window_test::ReadText(station_ / "RIVIDO.ini");
        ini[ini.find("ToolMode=") + 9] = '1';
        window_test::WriteText(station_ / "RIVIDO.ini", ini);
        TMainForm& w = Open(2);
        ASSERT_EQ(AP_INIState.ToolMode, 1);
        std::fill(std::begin(AP_INIState.dwItemEnable), std::end(AP_INIState.dwItemEnable), 0);
        AP_INIState.dwItemEnable[1] = AP_INIState.dwItemEnable[12] = 1;
        app::MpProcedures procs = Recording();
        procs.VP_JumpToSorting = [connects](int, std::uint8_t*) { return connects; };
        app::ScopedMpProcedures scoped(procs);
        trace_.Clear();
        w.ExecuteButtonClick(w.ExecuteButton);
        EXPECT_EQ(seen_.Ports().size(), 2u);
        // The poll reads the status of both drives.
        const int statusReads = Count(trace_.Text(), "VP PROC_GetRDTStatus\n");
        EXPECT_EQ(statusReads >= 2, connects) << statusReads;
        EXPECT_EQ(w.SortStatusTimer->isActive(), connects) << connects;
        EXPECT_EQ(w.SortStatusTimer->interval(), 30000);
        for (int d = 0; d < 2; ++d) EXPECT_EQ(g_DeviceSlots.Read(d).status, "Pass") << connects;  // a refusal too
        w.SortStatusTimer->stop();
        CloseWindow();
        window_test::ProcessState::Reset();
    }
}

// Counts the close requests a window receives.
class CloseCounter : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) ++requests;
        return false;
    }
    int requests = 0;
};

// START and a request to close the window while every worker is busy: START does nothing, the
// request is held until the run has ended and then served. (The window is not shown: showing it
// starts Qt's own pooled threads, which ThreadSanitizer cannot follow.)
TEST_F(RunStarts, StartAndCloseDuringARunWaitForItsEnd) {
    TMainForm& w = Open(2);
    w.setAttribute(Qt::WA_QuitOnClose, false);
    CloseCounter closes;
    w.installEventFilter(&closes);
    std::atomic<int> busy{0};
    app::MpProcedures procs = Passing();
    procs.VP_PROC_CheckFlashModule = [&busy](int, std::uint8_t*) {
        ++busy;
        for (;;) platform::Sleep(100);  // a drive busy until stopped
        return false;
    };
    app::ScopedMpProcedures scoped(procs);
    const forms::WorkerThread* workers[2] = {};
    ASSERT_TRUE(DuringRun([&w] { w.ExecuteButtonClick(w.ExecuteButton); }, [&busy] { return busy == 2; },
                          [&] {
                              for (int d = 0; d < 2; ++d) workers[d] = w.m_hThread[d].get();
                              w.ExecuteButtonClick(w.ExecuteButton);
                              for (int d = 0; d < 2; ++d) EXPECT_EQ(w.m_hThread[d].get(), workers[d]) << d;
                              w.close();
                              EXPECT_EQ(closes.requests, 1);
                              for (int d = 0; d < 2; ++d) EXPECT_FALSE(w.m_hThread[d]->Finished()) << d;
                              w.StopSpeedButtonClick(w.StopSpeedButton);
                          }));
    EXPECT_TRUE(trace_.Contains("######### - ExecuteButtonClick - a run is active, START is ignored\n"));
    EXPECT_EQ(Count(trace_.Text(), "######### - AP_OtSet.sMPTVer is "), 1);  // one run only
    EXPECT_EQ(Count(trace_.Text(), "######### - The window closes when the run has ended\n"), 1);
    for (int d = 0; d < 2; ++d) {
        EXPECT_FALSE(w.m_hThread[d]) << d;
        EXPECT_EQ(g_DeviceSlots.Read(d).status, "(S00) Stop") << d;
    }
    EXPECT_EQ(closes.requests, 1);  // the held request is served on the next turn of the event loop
    forms::ProcessMessages();
    EXPECT_EQ(closes.requests, 2);
    // Served, not held again: the run is over.
    EXPECT_EQ(Count(trace_.Text(), "######### - The window closes when the run has ended\n"), 1);
}

}  // namespace
}  // namespace mp_test
