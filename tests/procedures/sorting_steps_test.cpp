// The sorting steps on an emulated drive running the diagnostic firmware: the check of a die's
// result block on planted pages, and the erase of the listed result blocks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <numeric>

#include "emu/controller_core.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Sorting.h"
#include "procedures/param_settings.h"
#include "settings/records.h"
#include "support/emulated_drives.h"
#include "transport/port_instance.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kSectors = 8;
constexpr std::size_t kPage = kSectors * 512;
constexpr std::uint8_t kRate = 2;

// Four channels of two CEs; two LUNs when asked.
class SortingSteps : public ::testing::Test {
  protected:
    void Start(int luns) {
        drives_.reset();
        drives_ = std::make_unique<test_support::EmulatedDrives>(
            std::vector<std::string>{"FlashChannels=4\nFlashCEs=2\nFlashLuns=" + std::to_string(luns) +
                                     "\nFlashBlocks=32\nFlashPages=24\nFlashPageSectors=8\nFlashPlanes=2"});
        ASSERT_EQ(drives_->Error(), "");
        drives_->Core(0).Start(emu::Program::Diagnostic);
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        AP_INIState.MaxPhyChannel = 4;
        AP_INIState.MaxPhyBank = 2;
        AP_INIState.Channel = 4;
        AP_INIState.Bank = 2;
        AP_FlashSet.bPageSector = kSectors;
        AP_FlashSet.ucLdpcMode = kRate;
        AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(luns);
        AP_FlashSet.ucPlanes = 2;
        AP_FlashSet.wBlocks = static_cast<std::uint16_t>(32 * luns);
        std::iota(std::begin(AP_FlashSet.wPageMap), std::end(AP_FlashSet.wPageMap), 0);
        trace_.Clear();
    }
    void SetUp() override { Start(1); }
    void TearDown() override { std::memset(wRsltBlk, 0, sizeof wRsltBlk); }

    emu::NandModel& Nand() { return drives_->Nand(0); }
    // Programs a result page the way the sorting firmware leaves it.
    void Plant(int ch, int ce, int lun, int block, int page, const Bytes& data) {
        ASSERT_EQ(Nand().Program({ch, ce, lun, block, page}, data, kRate, 1), emu::NandResult::Ok);
    }
    void PlantResult(int ch, int ce, int block, std::uint8_t result) {
        Bytes mark(kPage, 0);
        std::memcpy(mark.data(), "SORT", 4);
        Plant(ch, ce, 0, block, 2, mark);
        Bytes whole(kPage, 0);
        whole[6] = result;
        whole[7] = 0x5C;
        Plant(ch, ce, 0, block, 15, whole);
    }
    bool Traced(const std::string& line) const {
        const auto lines = trace_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    param_test::ParamRecordsGuard records_;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    std::unique_ptr<test_support::EmulatedDrives> drives_;
    Bytes buffer_ = Bytes(4 * kPage, 0xEE);
};

TEST_F(SortingSteps, TheWholeInfoResultDecidesTheFirstMatchingItem) {
    struct Case {
        std::uint8_t result;
        int item;
        const char* line;
    };
    const Case cases[] = {
        {0x00, 1, "[INFO] Found RDTM RSLT BLK : 0x1C\n"},
        {0x01, 70, "VP_PROC_CheckSortingResult - OP_RDT_ECCFAIL\n"},
        {0x02, 69, "VP_PROC_CheckSortingResult - OP_RDT_BADBLOCK\n"},
        {0x03, 70, "VP_PROC_CheckSortingResult - OP_RDT_ECCFAIL\n"},
        {0x04, 83, "VP_PROC_CheckSortingResult - OP_RDT_ProgramFail\n"},
        {0x08, 84, "VP_PROC_CheckSortingResult - OP_RDT_EraseFail\n"},
        {0x80, 90, "VP_PROC_CheckSortingResult - OP_RDT_FactoryBadFail\n"},
        {0x70, 1, "[INFO] Found RDTM RSLT BLK : 0x1C\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bResult 0x" << std::hex << int(c.result));
        Nand().Erase(1, 1, 0, 28);
        PlantResult(1, 1, 28, c.result);
        AP_Instance[0].wRdtRsltBlk = 0;
        AP_Instance[0].bRsltBlkFound = 0;
        trace_.Clear();
        EXPECT_EQ(VP_PROC_CheckSortingResult(0, buffer_.data(), 1, 1, 28), c.item);
        const auto lines = trace_.Lines();
        EXPECT_EQ(lines.front(), "######### - [0]VP_PROC_CheckSortingResult\n");
        EXPECT_TRUE(
            Traced("SORTING_WHOLE_INFO_PAGE_NO   wRsltBlk[1][1]=1c  bResult = " + std::to_string(c.result) + "\n"));
        EXPECT_EQ(lines.back(), c.line);
        EXPECT_EQ(AP_Instance[0].wRdtRsltBlk, c.item == 1 ? 28 : 0);
        EXPECT_EQ(AP_Instance[0].bRsltBlkFound, c.item == 1 ? 1 : 0);
    }
}

TEST_F(SortingSteps, AnUnreadableOrUnmarkedBlockGives67) {
    // The mark page cannot be read.
    PlantResult(2, 0, 20, 0);
    Nand().InjectUncorrectable({2, 0, 0, 20, 2});
    EXPECT_EQ(VP_PROC_CheckSortingResult(0, buffer_.data(), 2, 0, 20), 67);
    EXPECT_EQ(trace_.Lines().back(), "Read RDT Mark Page fail! Block:0x14\n");

    // A mark page without its signature.
    Bytes mark(kPage, 0);
    std::memcpy(mark.data(), "SOR_", 4);
    Plant(2, 0, 0, 21, 2, mark);
    trace_.Clear();
    EXPECT_EQ(VP_PROC_CheckSortingResult(0, buffer_.data(), 2, 0, 21), 67);
    EXPECT_EQ(trace_.Lines().back(), "Can't find SORT mark!\n");

    // The whole-info page is missing (an erased page reads empty).
    std::memcpy(mark.data(), "SORT", 4);
    Plant(2, 0, 0, 22, 2, mark);
    trace_.Clear();
    EXPECT_EQ(VP_PROC_CheckSortingResult(0, buffer_.data(), 2, 0, 22), 67);
    EXPECT_EQ(trace_.Lines().back(), "Read RDT WHOLE info Page fail! Block:0x16\n");
    EXPECT_EQ(AP_Instance[0].bRsltBlkFound, 0);
}

TEST_F(SortingSteps, TheWholeInfoPageIsDumpedUnderTheDebugSwitch) {
    const fs::path folder = fs::temp_directory_path() / ("sorting-dump-" + std::to_string(::getpid()));
    fs::create_directories(folder / "raw");
    const fs::path old = platform::ProgramFolder();
    platform::SetProgramFolder(folder);
    const std::uint8_t savedSwitch = AP_RDSetting.DumpDebugFile;
    AP_RDSetting.DumpDebugFile = 1;
    PlantResult(3, 1, 30, 0x02);
    EXPECT_EQ(VP_PROC_CheckSortingResult(0, buffer_.data(), 3, 1, 30), 69);
    AP_RDSetting.DumpDebugFile = savedSwitch;
    platform::SetProgramFolder(old);

    std::ifstream in(folder / "raw" / "Sorting_CH03_BK01_WHOLE_Page15.raw", std::ios::binary);
    const Bytes dumped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove_all(folder);
    ASSERT_EQ(dumped.size(), 512u);
    EXPECT_EQ(dumped[6], 0x02);
    EXPECT_EQ(dumped[7], 0x5C);
}

TEST_F(SortingSteps, TheResultBlockFormErasesExactlyTheListedBlocks) {
    Start(2);
    AP_INIState.EraseAllType = 1;
    // FW bank = LUN x 2 + CE; entry 0 means none.
    wRsltBlk[0][0][0] = 30;
    wRsltBlk[0][1][1] = 29;
    wRsltBlk[0][3][2] = 31;  // LUN 1, CE 0
    wRsltBlk[0][2][3] = 0;
    wRsltBlk[0][2][1] = 27;
    Nand().InjectEraseFailure(1, 1, 0, 29);
    EXPECT_TRUE(VP_PROC_EraseAllBlock(0));

    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            for (int lun = 0; lun < 2; ++lun) {
                for (int block = 0; block < 32; ++block) {
                    const bool listed = (ch == 0 && ce == 0 && lun == 0 && block == 30) ||
                                        (ch == 3 && ce == 0 && lun == 1 && block == 31) ||
                                        (ch == 2 && ce == 1 && lun == 0 && block == 27);
                    ASSERT_EQ(Nand().EraseCount(ch, ce, lun, block), listed ? 1u : 0u)
                        << ch << ":" << ce << ":" << lun << ":" << block;
                }
            }
        }
    }
    const auto lines = trace_.Lines();
    EXPECT_EQ(lines[0], "######## - [0]VP_PROC_EraseAllBlock\n");
    EXPECT_EQ(lines[1], "Erase Block Channel=4, Bank=2, bMaxDie=2, wBlocks=0x40\n");
    EXPECT_TRUE(Traced("ChNo1,BankNo1,lun0 ,wRsltBlk[1][1]= 29"));
    EXPECT_TRUE(Traced("######### - [0]Erase C:1 B:1 Block:29 Status Fail! - (31)\n"));
    EXPECT_TRUE(Traced("ChNo3,BankNo0,lun1 ,wRsltBlk[3][2]= 31")) << "the erase went on after the failure";
    EXPECT_TRUE(Traced("ChNo2,BankNo1,lun1 ,wRsltBlk[2][3]= 0"));
    EXPECT_EQ(lines[lines.size() - 2], "Erase result Block Pass!\n");
    EXPECT_EQ(lines.back(), "VP_PROC_EraseAllBlock Done \n");
}

TEST_F(SortingSteps, FwBanksBeyondTheTableAreNotRead) {
    AP_INIState.EraseAllType = 1;
    AP_INIState.MaxPhyBank = 4;  // LUN 1 of CE 0 would be FW bank 4, LUN 2 bank 8
    AP_INIState.Bank = 4;
    AP_FlashSet.ucDiePerCE = 3;
    EXPECT_TRUE(VP_PROC_EraseAllBlock(0));
    EXPECT_TRUE(Traced("ChNo0,BankNo3,lun1 ,wRsltBlk[0][7]= 0"));
    EXPECT_FALSE(Traced("ChNo0,BankNo0,lun2 ,wRsltBlk[0][8]= 0"));
    EXPECT_EQ(trace_.Lines().back(), "VP_PROC_EraseAllBlock Done \n");

    // A plane count of 0 ends the all-units form with a trace.
    AP_INIState.EraseAllType = 0;
    AP_FlashSet.ucPlanes = 0;
    trace_.Clear();
    EXPECT_TRUE(VP_PROC_EraseAllBlock(0));
    EXPECT_EQ(trace_.Lines()[2], "######### - [0]VP_PROC_EraseAllBlock - no planes: no block unit erased\n");
}

}  // namespace
