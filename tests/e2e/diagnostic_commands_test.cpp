// The emulated diagnostic and sorting firmware's commands through the whole stack (command
// wrappers, vendor dispatch, both bridge tunnels, pass-through) on drives already running them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "platform/trace_sink.h"
#include "support/emulated_drives.h"
#include "support/page_planting.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Drives 1 (JMicron-type) and 2 (ASMedia-type) run the diagnostic firmware on 2 channels of 2 CEs,
// drives 3 and 4 the sorting firmware.
const std::vector<std::string> kDrives = {
    "Program=gdp\nFlashChannels=2\nFlashCEs=2\nFlashBlocks=64\nFlashPages=32\nFlashPageSectors=8\nEraseFail=1:1:0:9\n"
    "FlashDiagFail=3\nNandTimesAt=1:0:0:400,70,3100\n",
    "Program=gdp\nFlashChannels=2\nFlashCEs=2\nFlashBlocks=64\nFlashPages=32\nFlashPageSectors=8\nEraseFail=1:1:0:9\n"
    "FlashDiagFail=3\nNandTimesAt=1:0:0:400,70,3100\nAutoDetect=fail\nPcieLoopBack=fail\n",
    "Program=rdt\nSortStatus=4\n",
    "Program=rdt\nSortStatus=nolog\n",
};

class DiagnosticCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(drives_.Error(), "");
        for (int port = 0; port < 4; ++port) ASSERT_EQ(VC_EnableVendorCmd(port), 1);
    }
    // Polls until the firmware is done: the status reply bytes 0 and 1.
    std::pair<int, int> Done(int port) {
        std::uint8_t reply[512] = {};
        std::uint8_t status = 0xAA;
        for (int i = 0; i < 10 && status == 0xAA; ++i) EXPECT_EQ(VC_GDP_CmdGetReturn(port, &status, reply), 1);
        return {reply[0], reply[1]};
    }

    platform::TraceCapture quiet_;
    test_support::EmulatedDrives drives_{kDrives};
};

TEST_F(DiagnosticCommands, HardwareChecksOnBothBridgeTypes) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        Bytes reply(512);
        ASSERT_EQ(VC_GDP_CmdGetFlashModule(port, reply.data(), 1), 1);
        EXPECT_EQ(reply[7], 2);
        EXPECT_EQ(reply[8], 2);
        EXPECT_EQ(reply[131 + 4 * 1 + 1], 1);
        EXPECT_EQ(reply[131 + 4 * 2], 0);
        EXPECT_EQ(VC_GDP_CmdAutoDetect(port, reply.data(), 1), port == 0 ? 1 : 2);
        EXPECT_EQ(VC_GDP_CmdFlashDiagnostic(port, 2, 9), 1);
        EXPECT_EQ(VC_GDP_CmdFlashDiagnostic(port, 3, 9), 2);
        EXPECT_EQ(drives_.Drive(port).programs.diag->FlashDiagRuns().back(), (emu::FlashDiagRun{3, 9}));
        ASSERT_EQ(VC_GDP_CmdCheckNandTime(port, 1, 0, 0, 0, reply.data()), 1);
        EXPECT_EQ(reply[0] | (reply[1] << 8), 400);
        EXPECT_EQ(VC_GDP_CmdCheckNandTime(port, 2, 0, 0, 0, reply.data()), 2) << "no channel 2";
        ASSERT_EQ(VC_GDP_CmdDramTest(port, 3, 0x1000), 1);
        EXPECT_EQ(Done(port), std::make_pair(0x55, 1));
        EXPECT_EQ(VC_GDP_CmdPcie_LoopBack(port), port == 0 ? 1 : 2);
        EXPECT_EQ(VC_GDP_CmdSwitchToLegacy(port), 1);
    }
}

TEST_F(DiagnosticCommands, CodeBlocksResultBlocksAndEraseSearch) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        ASSERT_EQ(VC_GDP_CmdPreCheckCodeBlock(port, 0, 1), 1);
        EXPECT_EQ(Done(port), std::make_pair(0x55, 1));
        EXPECT_EQ(drives_.Drive(port).programs.codeBlocks->Runs().back(), (emu::PreCheckRun{7, 0}));
        Bytes map(512);
        ASSERT_EQ(VC_GDP_CmdGetCodeBlock(port, map.data(), 1), 1);
        EXPECT_EQ(Bytes(map.begin(), map.begin() + 8), Bytes({15, 15, 0, 0, 15, 15, 0, 0}));

        ASSERT_TRUE(test_support::PlantResultBlock(drives_.Nand(port), {1, 1, 0, 62}, {}, 1, 1));
        ASSERT_EQ(VC_GDP_CmdScanResultBlk(port, 10, 1), 1);
        EXPECT_EQ(Done(port), std::make_pair(0x55, 1));
        Bytes table(512);
        ASSERT_EQ(VC_GDP_CmdGetResultBlk(port, table.data(), 1), 1);
        EXPECT_EQ(table[2 * (8 * 1 + 1)], 62);
        EXPECT_EQ(table[0], 0);

        ASSERT_EQ(VC_GDP_CmdScanDefectBad(port, 0x01), 1);
        EXPECT_EQ(Done(port), std::make_pair(0x55, 1));
        Bytes list(512);
        ASSERT_EQ(VC_GDP_CmdGetDefectBadTab(port, list.data(), 1), 1);
        // Channel 1 CE 1 unit 2 plane 1 (block 9 of 4 planes): its erase fails.
        EXPECT_EQ(Bytes(list.begin(), list.begin() + 8), Bytes({0x02, 0x00, 0x0D, 0x21, 0, 0, 0, 0}));
        EXPECT_FALSE(drives_.Nand(port).Peek({1, 1, 0, 62, 2}).has_value()) << "the erase search erased it";
    }
}

TEST_F(DiagnosticCommands, SortingFirmwareStatus) {
    for (int port : {2, 3}) {
        std::uint8_t reply[512] = {};
        std::uint8_t status = 0;
        ASSERT_EQ(VC_GDP_CmdGetReturn(port, &status, reply), 1);
        EXPECT_EQ(status, 0x55);
        ASSERT_EQ(VC_RDT_CmdGetSORTStatus(port, reply, 1, 1), 1);
        if (port == 2) {
            EXPECT_EQ(std::memcmp(reply, "SORT", 4), 0);
            EXPECT_EQ(reply[4], 4);
        } else {
            EXPECT_NE(std::memcmp(reply, "SORT", 4), 0);
        }
        EXPECT_EQ(drives_.Drive(port).programs.sorting->StatusRequests(), (std::vector<std::uint8_t>{1}));
    }
}

}  // namespace
