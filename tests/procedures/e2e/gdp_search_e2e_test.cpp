// The diagnostic firmware's own loader-block search, and the sorting-status poll against drives
// running the sorting firmware, on emulated drives of both bridge types.
#include <thread>

#include "diag_fixture.h"
#include "emu/gdp_code_blocks.h"
#include "emu/sorting_firmware.h"
#include "platform/cancel.h"
#include "procedures/V_Proc_Programs.h"

namespace {

using namespace diag_e2e;

class GdpSearchE2e : public DiagE2e {
  protected:
    void SetUp() override {
        Start({"", "", "BadBlocks=1:0:0:0,1:0:0:2\n", "BadBlocks=0:1:0:0,0:1:0:1,0:1:0:2,1:1:0:1,1:1:0:2,1:1:0:3\n"});
        AP_INIState.ToolMode = 0;
        for (int port = 0; port < 4; ++port) {
            for (auto& ch : AP_Instance[port].aLoaderBlockNo) {
                for (auto& bank : ch) bank[0] = bank[1] = 9;  // left from an earlier drive
            }
        }
    }
    static std::array<std::uint16_t, 2> Blocks(int port, int ch, int bank) {
        return {AP_Instance[port].aLoaderBlockNo[ch][bank][0], AP_Instance[port].aLoaderBlockNo[ch][bank][1]};
    }
};

TEST_F(GdpSearchE2e, EveryPresentDieGetsBlocks0And1) {
    AP_RDSetting.DumpDebugFile = 1;
    fs::create_directories(folder_ / "raw");
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        trace_.Clear();
        ASSERT_TRUE(VP_PROC_GetLoaderBlock(port, work_.data(), 7));
        EXPECT_EQ(drives_->Drive(port).programs.codeBlocks->Runs().back().mode, 7);
        for (int ch = 0; ch < 8; ++ch) {
            for (int bank = 0; bank < 4; ++bank) {
                const bool present = ch < 2 && bank < 2;
                const std::array<std::uint16_t, 2> want =
                    present ? std::array<std::uint16_t, 2>{0, 1} : std::array<std::uint16_t, 2>{0xFFFF, 0xFFFF};
                EXPECT_EQ(Blocks(port, ch, bank), want) << ch << "," << bank;
            }
        }
        EXPECT_TRUE(trace_.Contains("######### Try to find code block by GDP\n"));
        EXPECT_EQ(fs::file_size(folder_ / "raw" / "LDR_BLK.raw"), 512u);
        EXPECT_TRUE(trace_.Contains("######### - Ch 1, Bank 1, Block Map 0x0F\n"));
        EXPECT_TRUE(trace_.Contains("######### - Ch 1, Bank 1, Loader Block is 0x01\n"));
    }
}

TEST_F(GdpSearchE2e, FactoryBadCandidatesAndTheThreshold) {
    ASSERT_TRUE(VP_PROC_GetLoaderBlock(2, work_.data(), 0));
    EXPECT_EQ(Blocks(2, 1, 0), (std::array<std::uint16_t, 2>{1, 3}));
    EXPECT_EQ(Blocks(2, 0, 0), (std::array<std::uint16_t, 2>{0, 1}));

    // Port 3: die (0, 1) keeps only block 3, die (1, 1) only block 0.
    AP_INIState.MPTCodeBlkThreshold = 0;
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_GetLoaderBlock(3, work_.data(), 0));
    EXPECT_TRUE(trace_.Contains("######### - Ch 0, Bank 1, Block Map 0x08\n"));
    EXPECT_FALSE(trace_.Contains("Ch 1, Bank 0, Block Map")) << "the first short die ends the search";

    AP_INIState.MPTCodeBlkThreshold = 3;
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_GetLoaderBlock(3, work_.data(), 0));
    EXPECT_EQ(trace_.Lines().back(),
              "######### - Valid Code Block Die count(2) is under Code Block Die Threshold(3)!\n");
    AP_INIState.MPTCodeBlkThreshold = 2;
    EXPECT_TRUE(VP_PROC_GetLoaderBlock(3, work_.data(), 0));
    EXPECT_EQ(Blocks(3, 0, 1), (std::array<std::uint16_t, 2>{3, 0xFFFF}));
}

TEST_F(GdpSearchE2e, APreCheckThatNeverEndsIsStoppedByTheWorkersToken) {
    drives_->Drive(1).programs.gdp->SetBusyForever(true);
    auto token = std::make_shared<platform::CancelToken>();
    platform::ScopedCancelToken scoped(token);
    // The watchdog: after ten minutes of polls the worker's token is cancelled.
    const std::uint64_t start = platform::TickCount();
    std::thread watchdog([&] {
        while (platform::TickCount() - start < 600000) std::this_thread::yield();
        token->Cancel();
    });
    EXPECT_THROW(VP_PROC_GetLoaderBlock(1, work_.data(), 0), platform::Cancelled);
    watchdog.join();
    EXPECT_GE(platform::TickCount() - start, 600000u);
    EXPECT_FALSE(trace_.Contains("FAILED(VA_GDP_ExecProg)"));
}

class SortStatusE2e : public DiagE2e {};

TEST_F(SortStatusE2e, StatusPageOfTheSortingFirmware) {
    test_support::EmulatedDrives drives({"Program=rdt\nSortStatus=1\n", "Program=rdt\nSortStatus=7\nSortBusyPolls=2\n",
                                         "Program=rdt\nSortStatus=nolog\n"});
    ASSERT_EQ(drives.Error(), "");
    AP_INIState.dwItemEnable[13] = 1;
    struct Case {
        int port;
        std::uint8_t status;
        bool tagged;
    };
    for (const Case& c : {Case{0, 1, true}, Case{1, 7, true}, Case{2, 0, false}}) {
        SCOPED_TRACE(c.port);
        ASSERT_TRUE(VP_EnableVendorCmd(c.port, 1));
        int pumps = 0;
        procedures::SetMessagePump([&pumps] { ++pumps; });
        Bytes page(512, 0);
        std::uint8_t status = 0;
        EXPECT_TRUE(VP_ScanRDTStatus(c.port, page.data(), &status));
        procedures::SetMessagePump(nullptr);
        EXPECT_EQ(std::memcmp(page.data(), "SORT", 4) == 0, c.tagged);
        if (c.tagged) {
            EXPECT_EQ(page[4], c.status);
        }
        EXPECT_EQ(pumps, c.port == 1 ? 2 : 0) << "one pump before each wait";
        EXPECT_EQ(drives.Drive(c.port).programs.sorting->StatusRequests(), (std::vector<std::uint8_t>{1}));
    }
}

}  // namespace
