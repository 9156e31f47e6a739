// The loader-block download end to end on an emulated drive running the diagnostic firmware: every
// page kind where it belongs, the all-die form's command count, download-only without tables, the
// failure detail of each writer, the code writer's padding and dummy pages, the SORT download, the
// erase counts and serial number read back, and the read/write test under the booted firmware.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "../loader_fixture.h"
#include "emu/gdp_firmware.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Download.h"
#include "procedures/V_Proc_Erase.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_SysSteps.h"
#include "settings/param_files.h"
#include "support/emulated_drives.h"
#include "support/gdp_image_file.h"
#include "tables/page_format.h"

namespace {

using loader_test::Bytes;
using test_support::EmulatedDrives;

constexpr std::size_t kPage = 16384;
constexpr char kSerial[] = "SN-E2E-0001";

std::string Text(const std::optional<Bytes>& page, std::size_t at, std::size_t n) {
    if (!page) return "<unwritten>";
    return std::string(reinterpret_cast<const char*>(page->data() + at), n);
}

class DownloadE2e : public ::testing::Test {
  protected:
    void SetUp() override { Start(""); }

    // A fresh drive of the sample geometry with the diagnostic firmware running.
    void Start(const std::string& keys) {
        drives_.reset();
        test_support::WriteGdpImage((folder_.Path() / "GDP.bin").string(), emu::images::DemoGdpPlan());
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{keys});
        ASSERT_EQ(drives_->Error(), "");
        AP_INIState = AP_INIState_t{};
        AP_FlashSet = AP_FlashSet_t{};
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_EQ(VP_GetCurrentMode(0), kModeGdp);
        Configure();
    }

    void Configure() {
        loader_test::LoadLoaderDrive(0);
        AP_INIState.RemapEnable = 1;
        AP_INIState.dwItemEnable[7] = 1;
        loader_test::DescribeImage(loader_test::SystemPlan(), (folder_.Path() / "SYS.bin").string(), 7);
        Bytes opal = emu::images::DataFile("OPAL", 40000);
        std::snprintf(AP_Param.sOPALBin, kParamPathBytes, "%s", folder_.File("opal.bin", opal).c_str());
        std::snprintf(AP_Param.sUEFIBin, kParamPathBytes, "%s",
                      folder_.File("uefi.bin", emu::images::DataFile("UEFI", 20000)).c_str());
        std::snprintf(AP_Param.sLdpcPage1Bin, kParamPathBytes, "%s",
                      folder_.File("ldpc1.bin", emu::images::LdpcPage(2, 1)).c_str());
        std::snprintf(AP_Param.sLdpcPage2Bin, kParamPathBytes, "%s",
                      folder_.File("ldpc2.bin", emu::images::LdpcPage(2, 2)).c_str());
        std::snprintf(AP_Param.sNandMemSDR, kParamPathBytes, "%s",
                      folder_.File("sdr.bin", emu::images::DataFile("SDR", 16384)).c_str());
        std::snprintf(AP_Param.sNandMemDDR, kParamPathBytes, "%s",
                      folder_.File("ddr.bin", emu::images::DataFile("DDR", 16384)).c_str());
        // The pre-format image: defect, early and remap headers for the four channels.
        remap_.assign(kRemapTableBufSize, 0);
        for (int c = 0; c < 4; ++c) {
            vRM_SetTableHeader(&remap_[static_cast<std::size_t>(c) * kPage], kPage, RM_TBL_DEFECT);
            vRM_SetTableHeader(&remap_[static_cast<std::size_t>(8 + c) * kPage], kPage, RM_TBL_EARLY);
            vRM_SetTableHeader(&remap_[static_cast<std::size_t>(16 + c) * kPage], kPage, RM_TBL_REMAP);
        }
        bitmap_.assign(kTablePageBufSize, 0x3C);
        counts_.assign(kEraseCountBufSize, 0);
        AP_Instance[0].pRemapTableBuf = remap_.data();
        AP_Instance[0].pTablePageBuf = bitmap_.data();
        AP_Instance[0].pEraseCountBuf = counts_.data();
    }

    emu::NandModel& Nand() { return drives_->Nand(0); }
    emu::GdpFirmware& Gdp() { return *drives_->Drive(0).programs.gdp; }
    std::optional<Bytes> Peek(int ch, int ce, int block, int page) { return Nand().Peek({ch, ce, 0, block, page}); }

    loader_test::LoaderGuard guard_;
    loader_test::TempFolder folder_{"download-e2e"};
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    Bytes remap_, bitmap_, counts_;
    Bytes work_ = Bytes(kLoaderPageBufBytes);
    std::unique_ptr<EmulatedDrives> drives_;
};

TEST_F(DownloadE2e, MpDownloadWritesEveryPageOnEveryLoaderBlock) {
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    const Bytes image = emu::images::BuildFirmwareImage(loader_test::SystemPlan());
    const std::size_t part2 = emu::images::FirmwarePartOffset(loader_test::SystemPlan(), 2);
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            for (int block : {0, 1}) {
                SCOPED_TRACE(testing::Message() << ch << "/" << ce << "/" << block);
                EXPECT_EQ(Text(Peek(ch, ce, block, 0), 0, 15), "LDBK BLOCKS V00");
                EXPECT_EQ(Text(Peek(ch, ce, block, 2), 0, 16), "LDBK LDPC TABLE1");
                EXPECT_EQ(Text(Peek(ch, ce, block, 4), 0, 16), "LDBK FWSLOT MARK");
                EXPECT_TRUE(RM_MatchTableHeader(Peek(ch, ce, block, 5)->data(), kPage, RM_TBL_DEFECT));
                EXPECT_TRUE(RM_MatchTableHeader(Peek(ch, ce, block, 40)->data(), kPage, RM_HDR_LATER_BAD));
                EXPECT_EQ(Text(Peek(ch, ce, block, 88), 448, 5), "RAVEZ");
            }
        }
    }
    EXPECT_FALSE(Peek(0, 0, 2, 0)) << "only the loader blocks";
    // The system page: the port's bitmap at 5120 after a pre-format; every erase count 1.
    EXPECT_EQ((*Peek(1, 1, 1, 37))[5120], 0x3C);
    EXPECT_EQ(transport::GetLe32(Peek(1, 1, 1, 38)->data() + 400), 1u);
    // OPAL: three pieces, the last 7,232 bytes long, then dummies that repeat the page.
    const Bytes opal = emu::images::DataFile("OPAL", 40000);
    const Bytes piece2 = *Peek(0, 0, 0, 50);
    EXPECT_TRUE(std::equal(opal.begin() + 32768, opal.end(), piece2.begin()));
    EXPECT_TRUE(loader_test::AllBytes(&piece2[7232], kPage - 7232, 0));
    EXPECT_EQ(*Peek(0, 0, 0, 51), piece2);
    EXPECT_EQ(*Peek(0, 0, 0, 63), piece2);
    // Code: the 40,000-byte part on pages 92 to 94, its last page padded with 0x11.
    const Bytes last = *Peek(2, 1, 0, 94);
    EXPECT_TRUE(std::equal(last.begin(), last.begin() + 7232, image.begin() + static_cast<long>(part2 + 32768)));
    EXPECT_TRUE(loader_test::AllBytes(&last[7232], kPage - 7232, 0x11));
    // Five copies end at 137; dummies of 0xAA up to 143.
    EXPECT_EQ(Text(Peek(0, 0, 0, 128), 448, 5), "RAVEZ") << "copy 4";
    EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, 138)->data(), kPage, 0xAA));
    EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, 143)->data(), kPage, 0xAA));
    EXPECT_FALSE(Peek(0, 0, 0, 144));
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWriteInterleave), 0);

    // Read back through the diagnostic firmware: serial number and erase counts.
    ASSERT_TRUE(VP_PROC_GetSerialNumber(0, work_.data(), 0));
    EXPECT_EQ(std::string(AP_Instance[0].sInheritSerialNum), "SN-E2E-0001         ");
    ASSERT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 0), 1);
    EXPECT_EQ(transport::GetLe32(&counts_[0]), 1u);
}

TEST_F(DownloadE2e, AllDieFormCostsOneInterleavedWritePerCopy) {
    AP_INIState.EnWritePageToAllDie = 1;
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kSetLoaderBlock), 1);
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWriteInterleave), 2 * 144) << "pages 0 to 143, two copies";
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWrite), 0);
}

TEST_F(DownloadE2e, DownloadOnlyWithoutAValidBlock) {
    AP_INIState.dwItemEnable[7] = 0;
    EXPECT_FALSE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_EQ(work_[0], 208);
    EXPECT_EQ(work_[1], 0);
    EXPECT_FALSE(Peek(0, 0, 0, 0)) << "nothing written";

    AP_RDSetting.NoCheckTablesBeforeDownloadCode = 1;
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_EQ(Text(Peek(0, 0, 0, 0), 0, 15), "LDBK BLOCKS V00");
    // The bitmap of the system page is the drive's own (none here), not the port buffer.
    EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, 37)->data() + 5120, 2048, 0));
}

TEST_F(DownloadE2e, AFailedFirstPageOfEachWriterGivesItsCode) {
    struct Case {
        int index;
        int code;  // 0: no page code
        int at;    // where the page as built shows in the detail
        const char* text;
    };
    const Case cases[] = {{0, 160, 2, "LDBK BLOCKS V00"},
                          {1, 0, 0, nullptr},
                          {2, 161, 2, "LDBK LDPC TABLE1"},
                          {4, 0, 0, nullptr},
                          {5, 162, 2, nullptr},
                          {48, 163, 2, "OPAL"},
                          {64, 164, 2, "SDR"},
                          {66, 165, 2, "UEFI"},
                          {88, 166, 2 + 448, "RAVEZ"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Start("ProgramFail=0:0:0:0:" + std::to_string(c.index));
        std::fill(work_.begin(), work_.end(), 0);
        EXPECT_FALSE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        EXPECT_EQ(work_[0], 217);
        if (c.code == 0) {
            EXPECT_TRUE(work_[1] < 160 || work_[1] > 166) << int(work_[1]);
            continue;
        }
        EXPECT_EQ(work_[1], c.code);
        if (c.text != nullptr) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&work_[c.at]), std::strlen(c.text)), c.text);
        } else {
            EXPECT_TRUE(RM_MatchTableHeader(&work_[2], kPage, RM_TBL_DEFECT));
        }
    }
}

TEST_F(DownloadE2e, ImagesPastTheirAreaAreRefusedBeforeAnyPiece) {
    struct Case {
        char (&field)[kParamPathBytes];
        std::size_t bytes;
        int code, first;
    };
    for (const Case& c :
         {Case{AP_Param.sOPALBin, 16 * kPage + 1, 163, 48}, Case{AP_Param.sUEFIBin, 22 * kPage + 1, 165, 66}}) {
        SCOPED_TRACE(c.code);
        Start("");
        std::snprintf(c.field, kParamPathBytes, "%s", folder_.File("big.bin", Bytes(c.bytes, 0x42)).c_str());
        EXPECT_FALSE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        EXPECT_EQ(work_[0], 217);
        EXPECT_EQ(work_[1], c.code);
        EXPECT_FALSE(Peek(0, 0, 0, c.first));
        EXPECT_TRUE(Peek(0, 0, 0, c.first - 1));
    }
}

TEST_F(DownloadE2e, CodeWriterDummyPagesAndTheFileAsItIs) {
    // One copy of one plain part from page 88: ending at 175 writes no dummy, at 170 dummies 171-175.
    for (int lastPage : {175, 170}) {
        SCOPED_TRACE(lastPage);
        Start("");
        AP_Bins_t& layout = AP_Bins_Instance[0];
        layout = AP_Bins;
        layout.ucCodeCnt = 1;
        layout.ucPartCnt[0] = 1;
        layout.wEnable[0][0] = 0;
        layout.wStartPageNo[0][0] = 88;
        layout.wPageLength[0][0] = static_cast<std::uint16_t>(lastPage - 87);
        ASSERT_TRUE(VP_WriteCodePage(0, work_.data(), kSerial, ""));
        for (int p = lastPage + 1; p <= 175; ++p)
            EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, p)->data(), kPage, 0xAA));
        EXPECT_FALSE(Peek(0, 0, 0, 176));
    }
    // With EnBinEraseBuild the parameter code page goes as in the file.
    Start("");
    AP_INIState.EnBinEraseBuild = 1;
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    const Bytes image = emu::images::BuildFirmwareImage(loader_test::SystemPlan());
    const std::size_t part0 = emu::images::FirmwarePartOffset(loader_test::SystemPlan(), 0);
    EXPECT_EQ(*Peek(0, 0, 0, 88),
              Bytes(image.begin() + static_cast<long>(part0), image.begin() + static_cast<long>(part0 + kPage)));
}

TEST_F(DownloadE2e, ClearCodeBlockErasesTheUnitsOfBlocksZeroToThree) {
    for (auto [planes, erases] : {std::pair{2, 2}, std::pair{4, 1}, std::pair{0, 0}}) {
        SCOPED_TRACE(planes);
        AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(planes);
        const int before = Gdp().CommandCount(emu::gdp_code::kBlockErase);
        EXPECT_EQ(VP_PROC_ClearCodeBlock(0, work_.data()), planes != 0);
        EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kBlockErase) - before, erases);
    }
}

}  // namespace
