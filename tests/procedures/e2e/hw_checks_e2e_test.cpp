// The hardware-check steps on emulated drives of both bridge types with the diagnostic firmware
// loaded: flash module, flash interface, DRAM, the flash-module read and the PCIe loop-back.
#include "diag_fixture.h"
#include "emu/gdp_diagnostics.h"
#include "procedures/step_fail_info.h"
#include "transport/byte_order.h"

namespace {

using namespace diag_e2e;
namespace sf = step_fail;

class HwChecksE2e : public DiagE2e {
  protected:
    void SetUp() override {
        Start({"", "", "FlashIdAt=1:1:2C,64,44,4B,A9,00\n"});
        AP_INIState.EnCheckFlashID = 1;
        AP_INIState.EnCheckModuleCHCE = 1;
        AP_INIState.EnCheckSRAM = AP_INIState.EnCheckNandReset = AP_INIState.EnCheckDataPath = 1;
        AP_INIState.EnCheckLDPC = 1;
        AP_INIState.FlashTestDataPathLoop = 1;
        AP_RDTSet.tProgThreshold = 300;
    }
    emu::GdpDiagnostics& Diag(int port) { return *drives_->Drive(port).programs.diag; }
};

TEST_F(HwChecksE2e, FlashModuleOfASoundDrivePasses) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        std::fill(work_.begin(), work_.end(), 0xEE);
        EXPECT_TRUE(VP_PROC_CheckFlashModule(port, work_.data()));
        EXPECT_EQ(work_[sf::kFmFailCount], 1);
        EXPECT_EQ(work_[sf::kFmLastCheck], sf::EID_FLASH_MODULE_CMD_FAIL) << "the module check ran last";
        EXPECT_EQ(work_[sf::kFmFirstRecord], 0xEE) << "no record";
        EXPECT_TRUE(trace_.Contains("[" + std::to_string(port) +
                                    "] Check Flash ID - CH 1, BK 1, 0x9B 0xC4 0x58 0x32 0xA6 0x00\n"));
        EXPECT_TRUE(trace_.Contains("[" + std::to_string(port) + "] Check Flash Module - CH 2, BK 2\n"));
    }
}

TEST_F(HwChecksE2e, AnotherFlashIdFailsWithItsRecordAndSkipsTheModule) {
    EXPECT_FALSE(VP_PROC_CheckFlashModule(2, work_.data()));
    EXPECT_EQ(work_[sf::kFmFailCount], 2);
    EXPECT_EQ(work_[sf::kFmLastCheck], sf::EID_FLASH_ID_SCAN_RESULT);
    const Bytes record(work_.begin() + sf::kFmFirstRecord, work_.begin() + sf::kFmFirstRecord + sf::kFmRecordBytes);
    Bytes want(32, 0);
    want[0] = 0x83;
    want[1] = 1;
    want[2] = 1;
    const std::uint8_t id[6] = {0x2C, 0x64, 0x44, 0x4B, 0xA9, 0x00};
    std::copy(id, id + 6, want.begin() + 8);
    EXPECT_EQ(record, want);
    EXPECT_TRUE(trace_.Contains("[Fail] EID_FLASH_ID_SCAN_RESULT\n"));
    EXPECT_FALSE(trace_.Contains("Check Flash Module"));
    EXPECT_EQ(trace_.Lines().back(), "[2] pBuffer[0] =  2 \n");

    AP_INIState.CheckFlashMask = 0;  // no ID byte compared
    EXPECT_TRUE(VP_PROC_CheckFlashModule(2, work_.data()));
}

TEST_F(HwChecksE2e, ModuleCountsAndDieMap) {
    AP_INIState.MPChannel = 4;  // more channels than the drive has
    EXPECT_FALSE(VP_PROC_CheckFlashModule(0, work_.data()));
    EXPECT_EQ(work_[sf::kFmFailCount], 2);
    EXPECT_EQ(work_[sf::kFmLastCheck], 0x80);
    EXPECT_EQ(work_[34], 0x81);
    EXPECT_EQ(work_[35], 2) << "the module's channels";
    EXPECT_EQ(work_[36], 2) << "the module's banks";
    EXPECT_EQ(work_[42], 0);
    EXPECT_TRUE(trace_.Contains("[Fail] EID_FLASH_MODULE_SCAN_RESULT - 1\n"));

    AP_INIState.EnUnbalance = 1;  // counts not compared: the die map is
    AP_INIState.bOriDieMap[1][1] = 0xFF;
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_CheckFlashModule(1, work_.data()));
    EXPECT_EQ(work_[sf::kFmFailCount], 2);
    EXPECT_EQ(work_[34], 0x81);
    EXPECT_EQ(work_[35], 1);
    EXPECT_EQ(work_[36], 1);
    EXPECT_EQ(work_[42], 1);
    EXPECT_EQ(work_[43], 1) << "the module has the die";
    EXPECT_TRUE(trace_.Contains("######### - pModule->bChCeToDie[1][1] is 1\n"));
    EXPECT_TRUE(trace_.Contains("######### - AP_INIState.bOriDieMap[1][1] is 255\n"));
    EXPECT_TRUE(trace_.Contains("[Fail] EID_FLASH_MODULE_SCAN_RESULT - 2\n"));
}

TEST_F(HwChecksE2e, FlashInterfaceChecksFailInTurn) {
    AP_INIState.FlashTestDataPathThreshold = 5;
    struct Case {
        std::uint8_t kind;
        int code;
        const char* words;
    };
    for (const Case& c : {Case{0, 64, "check control sram"}, Case{1, 65, "check nand reset"},
                          Case{3, 67, "check data path"}, Case{2, 66, "check block ecc(LDPC)"}}) {
        for (int port : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " port " << port);
            Diag(port).SetFlashDiagFail({c.kind});
            std::int32_t sub = 0x1200;
            EXPECT_FALSE(VP_PROC_FlashInterfaceTest(port, work_.data(), &sub));
            EXPECT_EQ(sub, 0x1200 | c.code);
            EXPECT_EQ(trace_.Lines().back(),
                      "######### - [" + std::to_string(port) + "]VP_PROC_FlashInterfaceTest fail! - " + c.words + "\n");
        }
    }
    Diag(0).SetFlashDiagFail({});
    const std::size_t before = Diag(0).FlashDiagRuns().size();
    AP_INIState.FlashTestDataPathLoop = 2;
    const std::uint64_t start = platform::TickCount();
    std::int32_t sub = 0x77;
    EXPECT_TRUE(VP_PROC_FlashInterfaceTest(0, work_.data(), &sub));
    EXPECT_EQ(sub, 0);
    EXPECT_EQ(platform::TickCount() - start, 100u) << "50 ms after each data-path pass";
    const auto runs = Diag(0).FlashDiagRuns();
    const std::vector<emu::FlashDiagRun> want = {{0, 0}, {1, 0}, {3, 5}, {3, 5}, {2, 5}};
    EXPECT_EQ(std::vector<emu::FlashDiagRun>(runs.begin() + static_cast<std::ptrdiff_t>(before), runs.end()), want);
}

TEST_F(HwChecksE2e, OnlyLdpcSendsKind2WithValue0) {
    AP_INIState.EnCheckSRAM = AP_INIState.EnCheckNandReset = AP_INIState.EnCheckDataPath = 0;
    AP_INIState.FlashTestDataPathThreshold = 5;
    std::int32_t sub = 0;
    EXPECT_TRUE(VP_PROC_FlashInterfaceTest(1, work_.data(), &sub));
    EXPECT_EQ(Diag(1).FlashDiagRuns(), (std::vector<emu::FlashDiagRun>{{2, 0}}));
}

TEST_F(HwChecksE2e, NandTimesOnlyInSortMode) {
    AP_INIState.EnCheckNandTime = 1;
    Diag(0).SetNandTimes({}, {{1, 0, 0, {400, 61, 3001}}});
    std::int32_t sub = 0;
    AP_INIState.ToolMode = 0;
    EXPECT_TRUE(VP_PROC_FlashInterfaceTest(0, work_.data(), &sub));
    EXPECT_TRUE(Diag(0).NandTimeRuns().empty()) << "MP mode sends no NAND-time command";

    AP_INIState.ToolMode = 1;
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_FlashInterfaceTest(0, work_.data(), &sub));
    EXPECT_EQ(sub, 69);
    EXPECT_EQ(transport::GetLe32(work_.data()), 400u) << "the slow die's reply at byte 0";
    EXPECT_EQ(Diag(0).NandTimeRuns(), (std::vector<std::array<int, 3>>{{0, 0, 0}, {1, 0, 0}}));
    EXPECT_TRUE(trace_.Contains("######### - [0]Read time is 61\n"));
    EXPECT_TRUE(trace_.Contains("######### - [0]Program time over threshold!\n"));
    EXPECT_EQ(trace_.Lines().back(),
              "######### - [0]VP_PROC_FlashInterfaceTest fail! - check nand time, ch 1, ce 0, lun 0, block 0\n");

    // The die map names a die on channel 2, which the flash lacks.
    Diag(1).SetNandTimes({});
    AP_INIState.MaxPhyChannel = 3;
    AP_INIState.bOriDieMap[2][0] = 8;
    EXPECT_FALSE(VP_PROC_FlashInterfaceTest(1, work_.data(), &sub));
    EXPECT_EQ(sub, 68);
}

TEST_F(HwChecksE2e, DramTestPollsAndFails) {
    AP_INIState.bDramProfile = 3;
    AP_INIState.dwDramSize = 0x10200;
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        Diag(port).SetDramTest(3, std::nullopt);
        const std::uint64_t start = platform::TickCount();
        std::int32_t sub = 0;
        EXPECT_TRUE(VP_PROC_DramTest(port, work_.data(), &sub));
        EXPECT_EQ(platform::TickCount() - start, 30u + 3u * 3000u);
        EXPECT_EQ(Diag(port).DramTestRuns(), (std::vector<emu::DramTestRun>{{3, 0x0200}}));
        EXPECT_NE(sub & 0xFF, 0xAA);
    }
    AP_INIState.dwDramSize = 0;
    Diag(0).SetDramTest(5, std::nullopt);
    const std::uint64_t start = platform::TickCount();
    std::int32_t sub = 0;
    EXPECT_FALSE(VP_PROC_DramTest(0, work_.data(), &sub));
    EXPECT_EQ(platform::TickCount() - start, 30u + 3000u) << "one wait, then the second busy reply fails";
    EXPECT_EQ(sub & 0xFF, 0xAA);
    EXPECT_TRUE(trace_.Lines().back().ends_with(", Counter > wTimeOutThreshold \r\n"));

    AP_INIState.dwDramSize = 512;
    Diag(1).SetDramTest(1, std::uint8_t{7});
    std::fill(work_.begin(), work_.begin() + 4, 0xEE);
    EXPECT_FALSE(VP_PROC_DramTest(1, work_.data(), &sub));
    EXPECT_EQ(work_[1], 7);
    EXPECT_EQ(work_[0], sub & 0xFF) << "status byte 0, also in the sub-code";
    EXPECT_EQ(work_[2], 0xEE);
    EXPECT_EQ(trace_.Lines().back(), "######### - [1]DRAM Test Fail! - (7)\n");
}

TEST_F(HwChecksE2e, FlashModuleReadAndLoopBack) {
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        Bytes sector(512, 0);
        EXPECT_TRUE(VP_PROC_ReadFlashModule(port, sector.data()));
        EXPECT_EQ(sector[7], 2);
        EXPECT_EQ(sector[131 + 4 * 1 + 1], 1);
        EXPECT_TRUE(VP_Pcie_LoopBack(port));
        Diag(port).SetAutoDetectFails(true);
        Diag(port).SetPcieLoopBackFails(true);
        EXPECT_FALSE(VP_PROC_ReadFlashModule(port, sector.data()));
        EXPECT_FALSE(VP_Pcie_LoopBack(port));
        EXPECT_EQ(Diag(port).PcieLoopBacks(), 2);
    }
    EXPECT_TRUE(trace_.Contains("######### - VP_Pcie_LoopBack\n"));
    EXPECT_TRUE(trace_.Contains("######### - [1]VP_PROC_ReadFlashModule\n"));
}

TEST_F(HwChecksE2e, BusInterfaceRunsTheRamBufferTest) {
    EXPECT_TRUE(VP_PROC_BusInterfaceTest(1, work_.data()));
    drives_->Core(0).Ram().SetStuckBit(0xCCCCCCD6, 1, true);
    EXPECT_FALSE(VP_PROC_BusInterfaceTest(0, work_.data()));
    EXPECT_EQ(trace_.Lines().back(), "######### - [0]VP_PROC_BusInterfaceTest fail!\n");
}

}  // namespace
