// Page access end to end: a drive whose diagnostic firmware was loaded by the loader procedures,
// then pages written, read back and erased on its emulated flash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "commands/vendor_dispatch.h"
#include "emu/gdp_firmware.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/param_settings.h"
#include "support/emulated_drives.h"
#include "support/gdp_image_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test_support::EmulatedDrives;

constexpr std::uint32_t kSectors = 32;
constexpr std::size_t kPage = kSectors * 512;

Bytes Page(std::uint8_t seed) {
    Bytes b(kPage);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(seed + i * 3);
    return b;
}

// Four channels of four CEs of two LUNs; the settings see four banks per channel.
class PageAccessE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("page-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        test_support::WriteGdpImage((folder_ / "GDP.bin").string(), emu::images::DemoGdpPlan());
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{
            "FlashChannels=4\nFlashCEs=4\nFlashLuns=2\nFlashBlocks=64\nFlashPages=128\nFlashPageSectors=32"});
        ASSERT_EQ(drives_->Error(), "");
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_EQ(VP_GetCurrentMode(0), kModeGdp);
        AP_INIState.MaxPhyChannel = 4;
        AP_INIState.MaxPhyBank = 4;
        AP_FlashSet.bPageSector = kSectors;
        trace_.Clear();
    }
    void TearDown() override {
        drives_.reset();
        AP_GDPBins = saved_;
        fs::remove_all(folder_);
    }
    emu::NandModel& Nand() { return drives_->Nand(0); }

    param_test::ParamRecordsGuard records_;
    AP_Bins_t saved_ = AP_GDPBins;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    fs::path folder_;
    std::unique_ptr<EmulatedDrives> drives_;
};

TEST_F(PageAccessE2e, WriteReadEraseThenReadEmpty) {
    Bytes page = Page(0x21);
    const Bytes written = page;
    ASSERT_TRUE(VP_WritePage(0, 1, 5, 10, 3, 2, 1, 2, page.data(), kSectors));
    EXPECT_EQ(trace_.Lines().back(), "######### - [0]Write C:1 B:17 Block:10 Page:3 Success!\n");
    EXPECT_EQ(Nand().Peek({1, 1, 1, 10, 3}), written) << "bank 5 of 4 per channel: CE 1 of LUN 1";

    Bytes back(kPage);
    ASSERT_TRUE(VP_ReadPage(0, 1, 5, 10, 3, 2, 1, 2, back.data(), kSectors));
    EXPECT_EQ(back, written);

    Bytes status(2, 0xEE);
    ASSERT_TRUE(VP_EraseBlock(0, 1, 5, 10, 0, 0, status.data()));
    EXPECT_EQ(trace_.Lines().back(), "######### - [0]Erase C:1 B:17 Block:10 Success!\n");
    EXPECT_EQ(Nand().EraseCount(1, 1, 1, 10), 1u);

    EXPECT_FALSE(VP_ReadPage(0, 1, 5, 10, 3, 2, 1, 2, back.data(), kSectors));
    EXPECT_EQ(back[0], emu::kGdpDone) << "the status reply of the finished read";
    EXPECT_EQ(back[1], kPageReadEmpty);
    EXPECT_EQ(trace_.Lines().back(), "######### - [0]Read C:1 B:17 Block:10 Page:3 Status Fail! - (28)\n");
}

TEST_F(PageAccessE2e, FailuresLeaveTheirStatusBytesInTheBuffer) {
    Bytes page = Page(0x42);
    ASSERT_TRUE(VP_WritePage(0, 2, 3, 12, 0, 2, 1, 2, page.data(), kSectors));
    Nand().InjectUncorrectable({2, 3, 0, 12, 0});
    Bytes back(kPage, 0x77);
    EXPECT_FALSE(VP_ReadPage(0, 2, 3, 12, 0, 2, 1, 2, back.data(), kSectors));
    EXPECT_EQ(back[0], emu::kGdpDone) << "the status reply of the finished read";
    EXPECT_EQ(back[1], kPageReadUnc);
    EXPECT_EQ(trace_.Lines().back(), "######### - [0]Read C:2 B:3 Block:12 Page:0 Status Fail! - (29)\n");

    // A page written with one code rate and read with another does not decode either.
    ASSERT_TRUE(VP_WritePage(0, 2, 3, 12, 1, 2, 1, 2, page.data(), kSectors));
    EXPECT_FALSE(VP_ReadPage(0, 2, 3, 12, 1, 3, 1, 2, back.data(), kSectors));
    EXPECT_EQ(back[1], kPageReadUnc);

    // Program twice without an erase; a program failure; an erase failure.
    page = Page(0x42);
    EXPECT_FALSE(VP_WritePage(0, 2, 3, 12, 1, 2, 1, 2, page.data(), kSectors));
    EXPECT_EQ(page[1], static_cast<std::uint8_t>(emu::NandResult::NotErased));
    Nand().InjectProgramFailure(0, 0, 0, 20);
    page = Page(0x43);
    EXPECT_FALSE(VP_WritePageInterleave(0, 0, 0, 20, 0, 2, 1, 0, page.data(), kSectors));
    EXPECT_EQ(page[1], static_cast<std::uint8_t>(emu::NandResult::ProgramFailed));
    Nand().InjectEraseFailure(3, 0, 0, 30);
    Bytes status(2, 0xEE);
    EXPECT_FALSE(VP_EraseBlock(0, 3, 0, 30, 0, 0, status.data()));
    EXPECT_EQ(status, Bytes({emu::kGdpDone, static_cast<std::uint8_t>(emu::NandResult::EraseFailed)}));
}

TEST_F(PageAccessE2e, AllChannelForms) {
    auto& gdp = *drives_->Drive(0).programs.gdp;
    Bytes pages;
    for (int c = 0; c < 4; ++c) {
        const Bytes p = Page(static_cast<std::uint8_t>(0x10 * c + 1));
        pages.insert(pages.end(), p.begin(), p.end());
    }
    const Bytes written = pages;
    const int fetches = gdp.CommandCount(emu::gdp_code::kGetReturn);
    ASSERT_TRUE(VP_WritePage(0, 4, 2, 40, 7, 2, 1, 2, pages.data(), kSectors));
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Nand().Peek({c, 2, 0, 40, 7}), Bytes(written.begin() + c * kPage, written.begin() + (c + 1) * kPage));
    }
    Bytes back(4 * kPage);
    ASSERT_TRUE(VP_ReadPage(0, 4, 2, 40, 7, 2, 1, 2, back.data(), kSectors));
    EXPECT_EQ(back, written);
    EXPECT_EQ(gdp.CommandCount(emu::gdp_code::kGetReturn), fetches) << "the all-channel forms fetch no status";

    ASSERT_TRUE(VP_EraseBlock(0, 0xFF, 0xFF, 40, 0, 0, nullptr));
    for (int c = 0; c < 4; ++c) {
        for (int ce = 0; ce < 4; ++ce) {
            for (int lun = 0; lun < 2; ++lun) EXPECT_EQ(Nand().EraseCount(c, ce, lun, 40), 1u);
        }
    }
    EXPECT_FALSE(VP_ReadPage(0, 1, 2, 40, 7, 2, 1, 2, back.data(), kSectors));
    EXPECT_EQ(back[1], kPageReadEmpty);

    // The interleaved write reaches every die.
    Bytes one = Page(0x99);
    const Bytes sent = one;
    ASSERT_TRUE(VP_WritePageInterleave(0, 0, 0, 41, 0, 1, 1, 0, one.data(), 8));
    EXPECT_EQ(Nand().Peek({3, 3, 1, 41, 0}), Bytes(sent.begin(), sent.begin() + 4096));
}

}  // namespace
