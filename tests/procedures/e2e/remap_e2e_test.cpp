// The flash tables end to end: an emulated drive with injected bad blocks in the diagnostic
// firmware scans its flash, hands over its defect list, the remap driver builds the tables, the
// pages go onto the drive's loader blocks and are read back and parsed, giving the injected bad
// blocks again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "emu/gdp_badblock_scan.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_TableRead.h"
#include "procedures/param_settings.h"
#include "settings/records.h"
#include "support/emulated_drives.h"
#include "support/flash_geometry.h"
#include "support/gdp_image_file.h"
#include "tables/gdp_list.h"
#include "tables/le_bytes.h"
#include "tables/rm_checks.h"
#include "tables/rm_driver.h"
#include "tables/table_image.h"
#include "tables/table_parsers.h"
#include "transport/tool_records.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test_support::EmulatedDrives;

constexpr int kSectors = 8;
constexpr std::size_t kPage = kSectors * 512;
constexpr std::uint8_t kLdpc = 2;

// Two channels of two CEs, one LUN, 264 blocks of 2 planes: the tables cover 256 blocks (128 units),
// the last 8 blocks lie beyond them. Loader blocks are blocks 0 and 1 of every die.
constexpr const char* kFlash =
    "FlashChannels=2\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=264\nFlashPages=64\nFlashPageSectors=8\nFlashPlanes=2\n";
constexpr const char* kBad = "BadBlocks=0:0:0:7,0:0:0:8,0:1:0:33,1:0:0:100,1:1:0:254,1:1:0:255,0:1:0:259\n";
// (channel, CE, unit, good-plane mask) of those below the tables' die end.
const std::set<std::tuple<int, int, int, int>> kInjected = {
    {0, 0, 3, 0b01}, {0, 0, 4, 0b10}, {0, 1, 16, 0b01}, {1, 0, 50, 0b10}, {1, 1, 127, 0b00}};

class RemapE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("remap-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        platform::SetProgramFolder(folder_);
        test_support::WriteGdpImage((folder_ / "GDP.bin").string(), emu::images::DemoGdpPlan());
        std::string overRatio = std::string(kFlash) + "BadBlocks=";
        for (int b = 2; b < 60; b += 2) overRatio += (b > 2 ? "," : "") + std::string("0:0:0:") + std::to_string(b);
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{std::string(kFlash) + kBad, overRatio});
        ASSERT_EQ(drives_->Error(), "");
        for (int port = 0; port < 2; ++port) {
            ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
            ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
            ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
            ASSERT_EQ(VP_GetCurrentMode(port), kModeGdp);
            drives_->Drive(port).programs.scan->SetScanBusyPolls(3);
        }
        Settings();
        trace_.Clear();
    }
    void TearDown() override {
        drives_.reset();
        platform::SetProgramFolder(savedFolder_);
        fs::remove_all(folder_);
    }

    static void Settings() {
        test_support::SetFlashGeometry(
            {.channels = 2, .banks = 2, .planes = 2, .dieUnit = 128, .pageSector = kSectors});
        AP_INIState.RemapEnable = 1;
        AP_INIState.DefPercentage = 100;  // 12 bad units per die
        AP_FlashSet.ucLdpcMode = kLdpc;
        for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i % 64);
        for (int port = 0; port < 2; ++port) {
            for (int ch = 0; ch < 2; ++ch) {
                for (int b = 0; b < 2; ++b) {
                    AP_Instance[port].aLoaderBlockNo[ch][b][0] = 0;
                    AP_Instance[port].aLoaderBlockNo[ch][b][1] = 1;
                }
            }
            std::snprintf(AP_Instance[port].sLogSerialNum, 22, "E2E%d", port);
        }
    }

    // The gather program: the scan with its mode, polled until the firmware is done.
    static bool Scan(int port, std::uint8_t mode) {
        if (VC_GDP_CmdScanDefectBad(port, mode) != 1) return false;
        platform::Sleep(30);
        Bytes sector(512);
        for (int poll = 0; poll < 20; ++poll) {
            std::uint8_t status = 0;
            if (VC_GDP_CmdGetReturn(port, &status, sector.data()) != 1) return false;
            if (status != 0xAA) return sector[1] == 1;
            platform::Sleep(3000);
        }
        return false;
    }

    // Pages 5 onwards of the image go onto both loader blocks of every die.
    static bool WriteTables(int port, const Bytes& image) {
        for (int ch = 0; ch < 2; ++ch) {
            for (int ce = 0; ce < 2; ++ce) {
                for (int copy = 0; copy < 2; ++copy) {
                    for (int index = 5; index < 5 + 0xA0000 / 0x4000; ++index) {
                        Bytes page(image.begin() + (index - 5) * 0x4000, image.begin() + (index - 5) * 0x4000 + kPage);
                        if (std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; })) continue;
                        if (!VP_WritePage(port, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(ce),
                                          static_cast<std::uint16_t>(copy), AP_FlashSet.wPageMap[index], kLdpc, 1, 0,
                                          page.data(), kSectors)) {
                            return false;
                        }
                    }
                }
            }
        }
        return true;
    }

    param_test::ParamRecordsGuard records_;
    fs::path savedFolder_ = platform::ProgramFolder();
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    fs::path folder_;
    std::unique_ptr<EmulatedDrives> drives_;
};

TEST_F(RemapE2e, InjectedBadBlocksComeBackFromTheTablesOnTheDrive) {
    AP_RDSetting.DumpPftFile = 1;
    ASSERT_TRUE(Scan(0, 0x08));
    Bytes work(16384, 0xEE);
    ASSERT_EQ(VC_GDP_CmdGetDefectBadTab(0, work.data(), 32), 1);
    EXPECT_EQ(tables::GetLe32(work.data()), 0x00010003u) << "channel 0 CE 0 unit 3, plane 1 bad";

    Bytes image(kRemapTableBufSize), badCount(kRemapAuxBufSize), bitmap(kTablePageBufSize);
    ASSERT_TRUE(bRM_NewRemap(0, work, {image, badCount, bitmap}));
    EXPECT_EQ(work[0], 0);
    EXPECT_EQ(tables::GetLe16(badCount.data() + RM_BADCOUNT_EARLY), 1) << "all but the unit bad on both planes";
    EXPECT_FALSE(fs::is_empty(folder_ / "log"));

    ASSERT_TRUE(WriteTables(0, image));
    // Copy 0 of die (0, 0) cannot be read: the reader takes the next block that reads whole.
    drives_->Nand(0).InjectUncorrectable({0, 0, 0, 0, AP_FlashSet.wPageMap[5]});

    Bytes pages(2 * kPage);
    ASSERT_TRUE(bRM_ReadTablePages(0, 5, pages));
    EXPECT_TRUE(trace_.Contains("Read C:0 B:0 Block:0 Page:5 Status Fail - (29)\n"));
    auto vi = std::make_unique<_VectorInfo>();
    Bytes listBytes(16384, 0);
    tables::GdpList list(listBytes.data(), listBytes.size());
    EXPECT_EQ(RM_ParseEarlyBadTable(0, pages, list, *vi), kInjected.size());
    std::set<std::tuple<int, int, int, int>> parsed;
    for (std::uint32_t i = 0; i < list.Count(); ++i) {
        const std::uint32_t e = list.Get(i);
        parsed.insert({static_cast<int>(e >> 29), static_cast<int>((e >> 24) & 0x1F), static_cast<int>(e & 0xFFFF),
                       static_cast<int>((e >> 16) & 0xF)});
    }
    EXPECT_EQ(parsed, kInjected);

    // The remap pages read back give the relations the image holds, and nothing went bad later.
    ASSERT_TRUE(bRM_ReadTablePages(0, 21, pages));
    RM_ParseRemapTable(0, pages, *vi);
    ASSERT_TRUE(bRM_ReadTablePages(0, 29, pages));
    RM_ParseVirtRemapTable(0, pages, *vi);
    std::size_t relations = 0;
    for (auto& perCh : vi->remap) {
        for (auto& perCe : perCh) {
            for (auto& l : perCe) relations += l.size();
        }
    }
    EXPECT_GE(relations, 4u);
    EXPECT_EQ(vi->skippedEntries, 0u);
}

TEST_F(RemapE2e, InheritedEntriesComeBackThroughTheScan) {
    // The inheritance leaves a list in controller RAM; the inheriting scan folds it in.
    Bytes inherit(16384, 0);
    tables::PutLe32(inherit.data(), 0x21410033u);  // channel 1 CE 1 unit 0x33, plane 1 later bad
    ASSERT_EQ(VC_LDR_CmdWriteRam(0, inherit.data(), 32, 0xBBBBBBBB), 1);
    ASSERT_TRUE(Scan(0, 0x04));
    Bytes work(16384, 0);
    ASSERT_EQ(VC_GDP_CmdGetDefectBadTab(0, work.data(), 32), 1);
    tables::GdpList list(work.data(), work.size());
    bool found = false;
    for (std::uint32_t i = 0; i < list.Count(); ++i) found = found || list.Get(i) == 0x21410033u;
    EXPECT_TRUE(found);
    EXPECT_EQ(list.Count(), kInjected.size() + 2) << "the unit beyond the tables is listed too";
}

TEST_F(RemapE2e, DriveOverTheDefectRatioGivesItsFailureRecords) {
    AP_INIState.RemapEnable = 0;
    ASSERT_TRUE(Scan(1, 0x08));
    Bytes work(16384, 0);
    ASSERT_EQ(VC_GDP_CmdGetDefectBadTab(1, work.data(), 32), 1);
    Bytes image(kRemapTableBufSize), badCount(kRemapAuxBufSize), bitmap(kTablePageBufSize);
    EXPECT_FALSE(bRM_NewRemap(1, work, {image, badCount, bitmap}));
    ASSERT_EQ(work[0], 2);
    // The drive: 29 bad units against a limit of 12; then die (0, 0) with the same.
    const Bytes drive(work.begin() + 1, work.begin() + 9);
    EXPECT_EQ(drive, Bytes({3, 2, 2, 0, 29, 0, 12, 0}));
    EXPECT_EQ(work[1 + 32], 3);
    EXPECT_EQ(work[1 + 32 + 1], 0);
    EXPECT_EQ(work[1 + 32 + 2], 0);
    EXPECT_TRUE(trace_.Contains("[INFO] EARLY RATIO IS OVER!!\n"));
}

}  // namespace
