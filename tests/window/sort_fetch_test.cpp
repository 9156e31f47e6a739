// The sorting-result fetch run ("Scan Device") on emulated drives: the result boxes, the devices
// that take part, a drive refusing vendor commands, a worker ended by its watchdog, two runs in a
// row and a count of enabled ports that does not match the workers started.
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/sort_fetch.h"
#include "forms/colours.h"
#include "forms/gui_call.h"
#include "platform/cancel.h"
#include "support/station_window.h"

namespace window_test {
namespace {

const std::vector<std::string> kZeroSummary = {
    "TBB: 0", "FBB: 0", "PF: 0", "EF: 0", "ECC: 0", "MaxTemp: 0 'C", "==SLC / N-SLC==", "Test Loop: 0 / 0",
    "ErrBit Th.: 0 / 0"};

std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
    std::vector<std::string> lines;
    if (memo->toPlainText().isEmpty()) return lines;
    for (const QString& l : memo->toPlainText().split('\n')) lines.push_back(l.toStdString());
    return lines;
}

class SortFetch : public StationWindowTest {
  protected:
    TMainForm& Open(int drives, const std::string& extra = "") {
        InstallBay(BayOfHubs(1, drives, extra));
        TMainForm& w = OpenWindow();
        Enumerate();
        AP_RDTSet.GDPGetResult = 1;
        return w;
    }
};

TEST_F(SortFetch, DrivesWithoutResultBlocksShowGreyPanelsAndZeroSummaries) {
    TMainForm& w = Open(2);
    ASSERT_EQ(g_nPortConnectedNum, 2);
    // A mapped but unconnected device is neither started nor shown.
    g_DeviceToPortMap[5] = 40;
    w.EasyResult_GB[5]->setTitle("old");
    for (int run = 0; run < 2; ++run) {
        w.ScanSortResult_btn->click();
        for (int d = 0; d < 2; ++d) {
            SCOPED_TRACE(d);
            EXPECT_EQ(g_ucSortResult[d], app::kSortNoBlocks);
            EXPECT_FALSE(w.ResultPanel[d]->isEnabled());
            EXPECT_EQ(forms::ColourOf(w.ResultPanel[d]), kColourSilver);
            EXPECT_EQ(w.EasyResult_GB[d]->title().toStdString(), "");
            EXPECT_EQ(forms::ColourOf(w.EasyResult_Memo[d]), kColourSilver);
            EXPECT_EQ(MemoLines(w.EasyResult_Memo[d]), kZeroSummary);
        }
        EXPECT_EQ(g_ucSortResult[5], app::kSortNotFetched);
        EXPECT_EQ(w.EasyResult_GB[5]->title().toStdString(), "") << "cleared by the button";
        EXPECT_TRUE(MemoLines(w.EasyResult_Memo[5]).empty());
        EXPECT_FALSE(w.m_hThread[0]) << "the run closes its threads";
    }
}

TEST_F(SortFetch, EachWayIntoAReadableMode) {
    struct Way {
        const char* keys;
        int gdpGetResult;
        const char* trace;
    };
    for (const Way& way : {Way{"", 1, "GDP mode Get Sort result , Port(0)\n"},
                           Way{"Program=rdt\n", 0, "RDT mode Get Sort result , Port(0)\n"},
                           Way{"", 0, "GDP mode Get Sort result , Port(0)\n"}}) {
        SCOPED_TRACE(way.keys);
        CloseWindow();
        ProcessState::Reset();
        TMainForm& w = Open(1, way.keys);
        AP_RDTSet.GDPGetResult = static_cast<std::uint8_t>(way.gdpGetResult);
        trace_.Clear();
        w.ScanSortResult_btnClick(nullptr);
        const auto lines = trace_.Lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), way.trace), lines.end());
        EXPECT_EQ(g_ucSortResult[0], app::kSortNoBlocks) << "a drive that has not sorted has no result block";
    }
}

TEST_F(SortFetch, ADriveRefusingVendorCommandsIsACommandFailure) {
    TMainForm& w = Open(1, "VendorMode=refuse\n");
    // The drive does not enumerate as usable; map it by hand as a connected drive.
    g_DeviceToPortMap[0] = 0;
    g_PortDevInfo[0].iConnected = 1;
    AP_Instance[0].pDevicePath = "emu:drive1";
    g_nEnabledPortNum = 1;
    AP_RDTSet.GDPGetResult = 0;
    w.ScanSortResult_btnClick(nullptr);
    EXPECT_EQ(g_ucSortResult[0], app::kSortCmdFail);
    EXPECT_FALSE(w.ResultPanel[0]->isEnabled());
    EXPECT_EQ(forms::ColourOf(w.ResultPanel[0]), kColourFail);
    EXPECT_EQ(w.EasyResult_GB[0]->title().toStdString(), "Port:0 - CMD Fail!");
    EXPECT_FALSE(w.EasyResult_GB[0]->isEnabled());
    EXPECT_TRUE(MemoLines(w.EasyResult_Memo[0]).empty());
}

TEST_F(SortFetch, AWorkerEndedByItsWatchdogStillLetsTheRunEnd) {
    TMainForm& w = Open(2);
    // More enabled ports than workers: the run waits only for the workers it started.
    g_nEnabledPortNum = 17;
    // Device 1's worker is stopped by its watchdog while it waits for its drive.
    const int id = g_DeviceTimerID[1];
    std::atomic<bool> fired{false};
    class Hook : public platform::Clock {
      public:
        Hook(platform::VirtualClock& inner, std::function<void()> onWait) : inner_(inner), onWait_(std::move(onWait)) {}
        std::uint64_t NowMs() override { return inner_.NowMs(); }
        platform::LocalTime Local() override { return inner_.Local(); }
        void SleepMs(unsigned ms) override {
            if (platform::CurrentCancelToken() != nullptr) onWait_();
            inner_.SleepMs(ms);
        }

      private:
        platform::VirtualClock& inner_;
        std::function<void()> onWait_;
    } hook(clock_, [&] {
        if (g_ucSortResult[1] == app::kSortNotFetched && w.m_hThread[1] &&
            platform::CurrentCancelToken() == w.m_hThread[1]->Token().get() && !fired.exchange(true)) {
            forms::CallOnGui([&] { w.OnTimer(id); });
        }
    });
    platform::ScopedClock useHook(hook);
    w.ScanSortResult_btnClick(nullptr);
    ASSERT_TRUE(fired);
    EXPECT_EQ(g_ucSortResult[0], app::kSortNoBlocks);
    EXPECT_EQ(g_ucSortResult[1], app::kSortNotFetched) << "ended with 777, no result";
    EXPECT_EQ(w.EasyResult_GB[1]->title().toStdString(), "");
    EXPECT_EQ(forms::ColourOf(w.EasyResult_Memo[1]), kColourSilver);
    EXPECT_EQ(MemoLines(w.EasyResult_Memo[1]), kZeroSummary);
    EXPECT_EQ(g_PortDevInfo[g_DeviceToPortMap[1]].iStatus, -1);
    EXPECT_EQ(g_PortDevInfo[g_DeviceToPortMap[1]].iErrorCode, 38);
    const auto lines = trace_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "######### - 2 - nStopThread is 1\n"), lines.end());
}

}  // namespace
}  // namespace window_test
