// Workers stopped on the emulated bay, the real library behind them: START on the main window over
// one emulated drive, and Stop or the drive's watchdog arriving while the worker is inside a flash
// program time, the erase search's erase time or a time-out of a drive that no longer answers. The
// worker ends cancelled, its thread is joined, it writes nothing after the stop, its port's lock is
// free and the flash keeps no page or erase of the stopped command.
#include <gtest/gtest.h>

#include <QPushButton>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/mp_item_table.h"
#include "app/mp_worker.h"
#include "emu/drive.h"
#include "emu/drive_programs.h"
#include "emu/nvme_drive_parts.h"
#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "platform/cancel.h"
#include "procedures/V_Proc_Modes.h"
#include "support/station_window.h"

namespace mp_test {
namespace {

using window_test::BayOfHubs;
using window_test::StationWindowTest;

// The bridge's time per command block, taken before the block takes effect, the flash's program
// and erase times, and the erase search's time (2 dies x 2,016 blocks on each channel): no other
// wait of a run lasts exactly as long as any of them.
constexpr unsigned kCommandMs = 1;
constexpr unsigned kProgramMs = 37;
constexpr unsigned kEraseMs = 2;
constexpr unsigned kEraseSearchMs = 2 * 2016 * kEraseMs;
// What the drive's pass-through waits when the drive does not answer (the host's 10 s time-out).
constexpr unsigned kNoAnswerMs = 10000;

// The window's virtual clock, and at the first wait on a worker thread that `when` picks, `stop`
// runs there; that wait then goes on only once the worker's token is cancelled, so the stop
// arrives while the worker is inside it.
class StopInsideAWait : public platform::Clock {
  public:
    explicit StopInsideAWait(platform::VirtualClock& inner) : inner_(inner) {}

    std::uint64_t NowMs() override { return inner_.NowMs(); }
    platform::LocalTime Local() override { return inner_.Local(); }
    void SleepMs(unsigned ms) override {
        platform::CancelToken* token = platform::CurrentCancelToken();
        if (token != nullptr && when && when(ms) && !fired.exchange(true)) {
            stop();
            if (!token->WaitFor(20000)) ADD_FAILURE() << "the stop did not cancel the worker";
        }
        inner_.SleepMs(ms);
    }

    std::function<bool(unsigned ms)> when;
    std::function<void()> stop;
    std::atomic<bool> fired{false};

  private:
    platform::VirtualClock& inner_;
};

class WorkerStopE2e : public StationWindowTest {
  protected:
    // A bay of one drive whose flash is kept at hand, installed as the device backend.
    void InstallDrive(const std::string& extra) {
        window_test::WriteText(station_ / "bay" / "bay.ini", BayOfHubs(1, 1, extra));
        emu::DriveParts parts = emu::NvmeDriveParts();
        parts.makeController = [this](const emu::DriveConfig& d) -> std::shared_ptr<emu::Controller> {
            auto controller = emu::MakeNvmeController(*emu::ReadControllerSetup(d, nullptr));
            const emu::DrivePrograms programs =
                emu::InstallDrivePrograms(controller->Core(), *emu::ReadProgramSetup(d, nullptr));
            controller->AttachSystemFirmware(*programs.system);
            nand_ = programs.nand;
            return controller;
        };
        std::string error;
        bay_ = emu::Bay::Load(station_ / "bay", &error, parts);
        ASSERT_TRUE(bay_) << error;
        platform::InstallBackend("emu:", bay_, true);
    }
    void TearDown() override { app::SetSlotObserver(nullptr); }

    std::shared_ptr<emu::NandModel> nand_;
};

TEST_F(WorkerStopE2e, StoppedInsideAFlashTimeOrATimeOutEndsCancelledAndWritesNothing) {
    enum class Inside { ProgramOfTheDownload, EraseSearchOfThePreformat, NoAnswerTimeOut };
    enum class By { Stop, Watchdog };
    struct Row {
        const char* name;
        Inside inside;
        By by;
    };
    for (const Row& row : {Row{"StopDuringAProgram", Inside::ProgramOfTheDownload, By::Stop},
                           Row{"WatchdogDuringAProgram", Inside::ProgramOfTheDownload, By::Watchdog},
                           Row{"StopDuringTheEraseSearch", Inside::EraseSearchOfThePreformat, By::Stop},
                           Row{"WatchdogDuringTheEraseSearch", Inside::EraseSearchOfThePreformat, By::Watchdog},
                           Row{"StopDuringATimeOut", Inside::NoAnswerTimeOut, By::Stop},
                           Row{"WatchdogDuringATimeOut", Inside::NoAnswerTimeOut, By::Watchdog}}) {
        SCOPED_TRACE(row.name);
        InstallDrive("ProgramLatencyUs=" + std::to_string(kProgramMs * 1000) +
                     "\nEraseLatencyUs=" + std::to_string(kEraseMs * 1000) +
                     "\nCommandLatencyUs=" + std::to_string(kCommandMs * 1000) + "\n");
        TMainForm& w = OpenWindow();
        Enumerate();
        const int port = g_DeviceToPortMap[0];
        ASSERT_LT(port, kUsbPortRecords);
        emu::Drive* drive = bay_->FindDrive("Drive1");
        ASSERT_NE(drive, nullptr);
        if (row.inside == Inside::NoAnswerTimeOut) {
            // Well inside the run: past the start into the diagnostic firmware.
            const std::string at = "after" + std::to_string(drive->Commands() + 300) + ":noanswer";
            ASSERT_TRUE(bay_->ScheduleFault("Drive1", at));
        }

        StopInsideAWait clock(clock_);
        platform::ScopedClock useClock(clock);
        PortDevInfo& record = g_PortDevInfo[port];
        // The pages programmed and blocks erased when the worker's last command block began: the
        // flash operation it stops in belongs to that block.
        std::atomic<std::uint64_t> programmedAtBlock{0}, erasedAtBlock{0};
        clock.when = [&](unsigned ms) {
            if (ms == kCommandMs) {
                const emu::NandCounts counts = nand_->Counts();
                programmedAtBlock = counts.pagesProgrammed;
                erasedAtBlock = counts.blocksErased;
            }
            switch (row.inside) {
                case Inside::ProgramOfTheDownload:
                    return ms == kProgramMs && LoadField(record.iItemState[8]) == 2;
                case Inside::EraseSearchOfThePreformat:
                    return ms == kEraseSearchMs && LoadField(record.iItemState[7]) == 2;
                case Inside::NoAnswerTimeOut:
                    break;
            }
            return ms == kNoAnswerMs && drive->Fault() == emu::DriveFault::NoAnswer;
        };
        emu::NandCounts atStop;
        int running = 0;  // the item step the worker was in
        clock.stop = [&] {
            atStop.pagesProgrammed = programmedAtBlock;
            atStop.blocksErased = erasedAtBlock;
            for (int id : {1, 3, 4, 5, 7, 8, 10, 11}) {
                if (LoadField(record.iItemState[id]) == 2) running = id;
            }
            if (row.by == By::Stop) {
                forms::PostToGui([&w] { w.StopSpeedButtonClick(w.StopSpeedButton); });
            } else {
                forms::PostToGui([&w] {
                    // Delivered by id once its interval is seen armed.
                    EXPECT_EQ(w.m_Timers.Interval(g_DeviceTimerID[0]), app::WatchdogInterval(AP_INIState.TimeOut));
                    w.OnTimer(g_DeviceTimerID[0]);
                });
            }
        };
        std::atomic<int> publishedAfterStop{0};
        app::SetSlotObserver([&](int, const DeviceSlot&) {
            if (clock.fired) ++publishedAfterStop;
        });

        const std::int32_t counted = AP_INIState.TotalTestCount;
        w.ExecuteButtonClick(w.ExecuteButton);
        app::SetSlotObserver(nullptr);

        ASSERT_TRUE(clock.fired);
        // Ended cancelled, its thread joined and gone, its watchdog disarmed.
        EXPECT_TRUE(trace_.Contains("######### - 1 - nExitThread is 0\n"));
        EXPECT_TRUE(trace_.Contains("######### - 1 - nStopThread is 1\n"));
        EXPECT_FALSE(w.m_hThread[0]);
        EXPECT_FALSE(w.m_Timers.IsActive(g_DeviceTimerID[0]));
        // The outcome is the stopper's alone: the worker wrote nothing after the stop.
        EXPECT_EQ(publishedAfterStop.load(), 0);
        const int code = row.by == By::Stop ? kItemStop : kItemTimeout;
        EXPECT_EQ(record.iStatus, -1);
        EXPECT_EQ(record.iErrorCode, code);
        // The MP log's row names the item the drive was in, and marks it not run.
        EXPECT_EQ(record.iFailItem, running);
        const int expected = row.inside == Inside::ProgramOfTheDownload        ? 8
                             : row.inside == Inside::EraseSearchOfThePreformat ? 7
                                                                               : running;
        EXPECT_EQ(running, expected);
        EXPECT_NE(running, 0);
        EXPECT_EQ(record.iItemState[running], 0);
        EXPECT_EQ(record.iResult, 0);  // Stop's -1 was counted and cleared; the watchdog's is not counted
        EXPECT_EQ(AP_INIState.TotalTestCount - counted, row.by == By::Stop ? 1 : 0);
        char text[96];
        const MPItemRecord& item = g_MPItemTable[code];
        if (row.by == By::Stop) {
            std::snprintf(text, sizeof text, "(%s) Stop", item.sCode);
        } else {
            std::snprintf(text, sizeof text, "(%s) %s Fail", item.sCode, item.sItemName);
        }
        EXPECT_EQ(g_DeviceSlots.Read(0).status, text);
        // The stopped program left its pages unwritten, the stopped erase search every block as it
        // was (neither had begun when it was stopped).
        if (row.inside != Inside::NoAnswerTimeOut) {
            EXPECT_EQ(nand_->Counts().pagesProgrammed, atStop.pagesProgrammed);
            EXPECT_EQ(nand_->Counts().blocksErased, atStop.blocksErased);
        }
        // The port's lock is free: the next command to the drive (answering again) succeeds.
        drive->SetFault(emu::DriveFault::None);
        std::atomic<bool> done{false};
        std::atomic<int> mode{-1};
        std::thread next([&] {
            mode = VP_GetCurrentMode(port);
            done = true;
            forms::PostToGui([] {});  // wakes the wait below
        });
        const bool answered = forms::PumpUntil([&] { return done.load(); }, 20000);
        EXPECT_TRUE(answered) << "the port's lock is still held";
        if (answered) {
            next.join();
        } else {
            next.detach();
        }
        EXPECT_EQ(mode.load(), kModeGdp);

        CloseWindow();
        window_test::ProcessState::Reset();
        trace_.Clear();
    }
}

}  // namespace
}  // namespace mp_test
