// Details of the steps that a recording backend shows best: a failed flash-ID command marks the
// current record slot without moving it, and the inherit-read flag never outlives a page read,
// not even a stopped worker's.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/cancel.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Inherit.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/step_fail_info.h"
#include "settings/records.h"
#include "support/recording_backend.h"
#include "support/settings_records.h"
#include "transport/port_instance.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::RecordedPort;

constexpr int kPort = 6;

class StepDetails : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
        AP_INIState.bOriDieMap[0][0] = 0;
        AP_INIState.bOriDieMap[1][0] = 1;
        AP_INIState.MaxPhyChannel = 2;
        AP_INIState.MaxPhyBank = 1;
        AP_INIState.EnCheckFlashID = 1;
        AP_INIState.EnCheckModuleCHCE = 0;
        AP_INIState.CheckFlashMask = 63;
        AP_FlashSet.ucDiePerCE = 1;
        AP_FlashSet.bPageSector = 8;
        std::memset(AP_FlashSet.aFlashID, 0x9B, 6);
    }
    test_support::SettingsRecordsGuard records_;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
};

TEST_F(StepDetails, AFailedIdCommandMarksTheSlotWithoutMovingIt) {
    RecordedPort port(kPort, 1);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0x9B); });
    port.backend->FailCall(3);  // the first die's ID data phase
    Bytes work(kWorkBufferBytes, 0);
    EXPECT_FALSE(VP_PROC_CheckFlashModule(kPort, work.data()));
    EXPECT_EQ(work[0], 2);
    EXPECT_EQ(work[34], step_fail::EID_FLASH_ID_CMD_FAIL);
    EXPECT_EQ(work[66], 0) << "no record after it";
    EXPECT_TRUE(trace_.Contains("[Fail] VC_GDP_CmdReadFlashID\n"));

    // The next failing die's record lands in the same slot.
    port.backend->Clear();
    port.backend->FailCall(3);
    std::fill(work.begin(), work.end(), 0);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0x11); });
    EXPECT_FALSE(VP_PROC_CheckFlashModule(kPort, work.data()));
    EXPECT_EQ(work[0], 3);
    EXPECT_EQ(work[34], step_fail::EID_FLASH_ID_SCAN_RESULT);
    EXPECT_EQ(work[35], 1) << "channel 1's record in the slot channel 0's failure marked";
    EXPECT_EQ(work[42], 0x11);
}

TEST_F(StepDetails, TheInheritReadFlagIsClearedWhenTheWorkerIsStopped) {
    AP_INIState.MaxPhyChannel = 1;
    RecordedPort port(kPort, 2);
    auto token = std::make_shared<platform::CancelToken>();
    auto reads = std::make_shared<int>(0);
    port.backend->SetFiller([token, reads](std::size_t, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), 0);
        if (d.size() == 512) {
            if ((*reads)++ == 0) {
                d[0] = 0x55;  // the scan is done
                d[1] = 1;
            } else {
                d[0] = 0x34;  // the table: die (0, 0) has block 0x1234
                d[1] = 0x12;
            }
        } else {
            token->Cancel();  // stopped during the result page's read
        }
    });
    platform::ScopedCancelToken scoped(token);
    EXPECT_THROW(VP_InheritRDT(kPort), platform::Cancelled);
    EXPECT_EQ(AP_Instance[kPort].bInheritRead, 0);
    EXPECT_TRUE(trace_.Contains("Read RDT BB Page0, C:0 B:0 BLK:0x1234\n"));
}

}  // namespace
