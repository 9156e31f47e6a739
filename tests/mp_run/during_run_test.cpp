// What a run holds fixed while it goes on: the settings ("Load INI" is refused), the serial numbers
// handed out (the next one is in the settings file before any drive burns its own) and the device
// map (a device change waits for the run's end).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/run_state.h"
#include "forms/ini_file.h"
#include "mp_run/run_fixture.h"
#include "platform/files.h"
#include "platform/named_lock.h"

namespace mp_test {
namespace {

namespace fs = std::filesystem;
using window_test::ReadText;

class HeldRun : public RunTest {
  protected:
    // The scripted library: every worker waits at its first item until the test lets it go; the
    // download step records the serial number it is given.
    app::MpProcedures Held() {
        app::MpProcedures p = Passing();
        p.VP_PROC_CheckFlashModule = [this](int, std::uint8_t*) {
            ++held_;
            while (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return true;
        };
        p.VP_PROC_DownloadProgram = [this](int, std::uint8_t*, const char* serial, const char*) {
            std::lock_guard lock(mutex_);
            burnt_.push_back(serial);
            return true;
        };
        return p;
    }
    // START; `action` runs once `workers` workers are held, then lets them go.
    void RunHolding(int workers, const std::function<void()>& action) {
        released_ = false;
        held_ = 0;
        TMainForm& w = Window();
        ASSERT_TRUE(RunTest::DuringRun([&w] { w.ExecuteButtonClick(w.ExecuteButton); },
                                       [this, workers] { return held_ == workers; },
                                       [this, &action] {
                                           action();
                                           released_ = true;
                                       }));
    }
    std::vector<std::string> Burnt() {
        std::lock_guard lock(mutex_);
        return burnt_;
    }
    fs::path SettingsFile() const { return station_ / "RIVIDO.ini"; }

    std::atomic<int> held_{0};
    std::atomic<bool> released_{false};
    std::mutex mutex_;
    std::vector<std::string> burnt_;
};

// "Load INI" is disabled with the rest of the run lock, and a click that reaches its handler all
// the same loads nothing: the records the workers read stay as the run found them.
TEST_F(HeldRun, LoadIniIsRefusedWhileARunGoesOn) {
    TMainForm& w = Open(1);
    auto* load = w.Control<QPushButton>("LoadINIButton");
    ASSERT_TRUE(load->isEnabled());
    const fs::path other = station_ / "other.ini";
    fs::copy(SettingsFile(), other);
    forms::IniFile(other).WriteInteger("FlashSetting", "Clock", 200);
    app::ScopedMpProcedures procs(Held());
    RunHolding(1, [&] {
        EXPECT_FALSE(load->isEnabled());
        ui_.AnswerFile(other.string());
        w.LoadINIButtonClick(load);
        EXPECT_EQ(ui_.PendingAnswers(), 1u) << "no file was asked for";
        EXPECT_EQ(w.m_sIniFile, SettingsFile().string());
        EXPECT_EQ(AP_INIState.Clock, 400);
        EXPECT_EQ(AP_INIState.MPVersion, 0);
    });
    EXPECT_TRUE(trace_.Contains("######### - LoadINIButtonClick - a run is active, Load INI is ignored\n"));
    EXPECT_TRUE(load->isEnabled());
    EXPECT_EQ(g_DeviceSlots.Read(0).status, "Pass");
}

// Two drives burnt, the same settings file loaded again, two more burnt: no number twice. The file
// holds the next number while the workers run (a program killed then loses nothing) and after the
// run, and nothing else of it changes.
TEST_F(HeldRun, NoSerialNumberIsHandedOutTwice) {
    TMainForm& w = Open(2);
    const std::string before = ReadText(SettingsFile());
    const std::size_t at = before.find("\nSerialNum=0000000001\r\n");
    ASSERT_NE(at, std::string::npos);
    // The file is the one before the run but for its serial number; the number it holds on failure.
    const auto holds = [this, &before, at](const std::string& number) -> ::testing::AssertionResult {
        std::string expected = before;
        expected.replace(at + 11, 10, number);
        if (ReadText(SettingsFile()) == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "SerialNum=" << forms::IniFile(SettingsFile()).ReadString("DeviceSetting", "SerialNum", "");
    };
    app::ScopedMpProcedures procs(Held());
    RunHolding(2, [&] { EXPECT_TRUE(holds("0000000003")); });
    EXPECT_TRUE(holds("0000000003"));

    ui_.AnswerFile(SettingsFile().string());
    w.LoadINIButtonClick(w.Control<QPushButton>("LoadINIButton"));
    EXPECT_STREQ(AP_INIState.SerialNum, "0000000003");
    RunHolding(2, [] {});
    EXPECT_TRUE(holds("0000000005"));
    std::vector<std::string> burnt = Burnt();
    std::sort(burnt.begin(), burnt.end());
    EXPECT_EQ(burnt, (std::vector<std::string>{"KST0000000001", "KST0000000002", "KST0000000003", "KST0000000004"}));
}

// A program killed after a run, before any close, leaves its settings file with the next number.
// The child runs in a station named after this process, where this test finds it.
TEST_F(HeldRun, AProgramKilledAfterARunLeavesTheNextSerialNumber) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto stationOf = [](pid_t parent) {
        return fs::temp_directory_path() / ("qv_killed_station_" + std::to_string(parent));
    };
    EXPECT_EXIT(
        {
            const fs::path own = station_;
            station_ = stationOf(::getppid());
            fs::remove_all(station_);
            fs::rename(own, station_);
            fs::remove_all(window_test::LockFolderOfTheRun());
            platform::SetLockFolder(station_ / "locks");
            platform::SetProgramFolder(station_);
            TMainForm& w = Open(2);
            app::ScopedMpProcedures procs(Held());
            released_ = true;
            w.ExecuteButtonClick(w.ExecuteButton);
            std::raise(SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    const fs::path killed = stationOf(::getpid());
    EXPECT_EQ(forms::IniFile(killed / "RIVIDO.ini").ReadString("DeviceSetting", "SerialNum", ""), "0000000003");
    fs::remove_all(killed);
}

// Device changes during a run are served when it ends, as the last of them would have been at once:
// a removal (whichever came last) re-enumerates after 200 ms, arrivals alone after 3 s; START
// stays disabled until then.
TEST_F(HeldRun, ADeviceChangeDuringTheRunIsServedAtItsEnd) {
    struct Case {
        std::vector<bool> arrivals;  // the changes in their order: true an arrival
        unsigned delay;
    };
    const Case cases[] = {{{true}, 3000}, {{false, true}, 200}, {{true, false, true}, 200}};
    for (const Case& c : cases) {
        TMainForm& w = Open(1);
        app::ScopedMpProcedures procs(Held());
        RunHolding(1, [&] {
            for (bool arrival : c.arrivals) w.WMDeviceChange(arrival);
            EXPECT_FALSE(w.m_Timers.IsActive(kEnumTimerId));
        });
        EXPECT_EQ(w.m_Timers.Interval(kEnumTimerId), c.delay) << c.arrivals.size();
        EXPECT_FALSE(w.ExecuteButton->isEnabled());
        w.OnTimer(kEnumTimerId);
        EXPECT_TRUE(w.ExecuteButton->isEnabled());
        EXPECT_FALSE(w.m_Timers.IsActive(kEnumTimerId));
        CloseWindow();
        window_test::ProcessState::Reset();
    }
}

}  // namespace
}  // namespace mp_test
