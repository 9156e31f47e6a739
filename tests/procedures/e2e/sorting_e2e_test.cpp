// A SORT run end to end on emulated drives of the sample geometry, over both bridge types: the
// diagnostic firmware loaded, the loader blocks found, the drive erased (every block unit, or only
// an earlier run's result blocks), the sorting firmware downloaded and booted, its status polled
// on the virtual clock, then the diagnostic firmware loaded again to find and check every die's
// result block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "../loader_fixture.h"
#include "emu/gdp_firmware.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Download.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_Sorting.h"
#include "procedures/V_Proc_Steps.h"
#include "settings/records.h"
#include "support/emulated_drives.h"
#include "support/gdp_image_file.h"
#include "tables/rm_records.h"

namespace {

using loader_test::Bytes;
using test_support::EmulatedDrives;

constexpr char kSerial[] = "SN-SORT-E2E";
constexpr int kResultBlock = 2015;  // the highest block of the sample flash
// Port 1's die on channel 1, CE 1 has four factory-bad blocks, over its limit of three.
constexpr char kFailingDie[] = "BadBlocks=1:1:0:600,1:1:0:601,1:1:0:602,1:1:0:603\n";
// Port 0 has a factory-bad block and an erase failure, both within the limits.
constexpr char kPassingFaults[] = "BadBlocks=0:0:0:100\nEraseFail=2:1:0:302\n";

class SortingE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        test_support::WriteGdpImage((folder_.Path() / "GDP.bin").string(), emu::images::DemoGdpPlan());
        platform::SetProgramFolder(folder_.Path());
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{kPassingFaults, kFailingDie});
        ASSERT_EQ(drives_->Error(), "");
        for (int port = 0; port < 2; ++port) {
            ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
            ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
        }
        Configure();
    }
    void TearDown() override {
        drives_.reset();
        platform::SetProgramFolder(oldFolder_);
        std::memset(wRsltBlk, 0, sizeof wRsltBlk);
    }

    void Configure() {
        for (int port = 0; port < 2; ++port) loader_test::LoadLoaderDrive(port);
        AP_INIState.ToolMode = 1;
        AP_INIState.Channel = 4;
        AP_INIState.Bank = 2;
        AP_INIState.RDTSearchRange = 4;
        loader_test::DescribeImage(loader_test::SortPlan(), (folder_.Path() / "SORT.bin").string(), 1);
        AP_RDTSet_t& r = AP_RDTSet;
        r.EnEraseAll = 1;
        r.EnScanFactoryBad = 1;
        r.NANDTotalTestLoops = 2;
        r.NAND_SLCTestLoops = 2;
        r.bPattern_Index4UI = 0x03;
        r.Test_Pattern_Value1 = 0x1234;
        r.Test_Pattern_Value2 = 0x5678;
        r.SortMaxBadBlockPerPlane = 20;
        r.SortMaxBadBlockPerDie = 3;
        r.SortMaxReadFailBlock = 5;
        r.SortPgFailPerPlane = 5;
        r.SortEraseFailPerPlane = 5;
        r.RdtMaxFactoryBadBlockPerDie = 10;
        r.LDPCTLCThreshold = r.LDPCMLCThreshold = 60;
        r.LDPCSLCThreshold = r.LDPCSLC_MThreshold = 30;
    }

    std::uint8_t Status(int port) {
        Bytes sector(512, 0);
        EXPECT_TRUE(VP_PROC_GetRDTStatus(port, sector.data()));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(sector.data()), 4), "SORT");
        return sector[4];
    }

    // The diagnostic firmware, loaded again from whatever runs.
    void LoadGdp(int port) {
        ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
        ASSERT_EQ(VP_GetCurrentMode(port), kModeGdp);
        Bytes init(kGdpInitBlockBytes);
        ASSERT_TRUE(VP_InitGDP(port, init.data()));
    }

    // From the diagnostic firmware to a booted sorting firmware; `eraseAllType` chooses the erase.
    void EraseAndDownload(int port, int eraseAllType) {
        ASSERT_TRUE(VP_PROC_GetLoaderBlock(port, work_.data(), 0));
        AP_INIState.EraseAllType = static_cast<std::uint8_t>(eraseAllType);
        if (eraseAllType == 0) {
            std::uint8_t status = 0;
            ASSERT_TRUE(VP_GDP_ExecProg(port, GDP_PROG_GATHER, 1, &status, true));
        } else {
            Bytes table(512, 0);
            ASSERT_TRUE(VP_PROC_GetSortingResultBlock(port, table.data()));
            std::memcpy(wRsltBlk[port], table.data(), sizeof wRsltBlk[port]);
        }
        EXPECT_TRUE(VP_PROC_EraseAllBlock(port));
        if (eraseAllType == 1) {
            for (int ch = 0; ch < 4; ++ch) {
                for (int ce = 0; ce < 2; ++ce) {
                    EXPECT_FALSE(drives_->Nand(port).Peek({ch, ce, 0, kResultBlock, 2}).has_value())
                        << "the earlier result block of channel " << ch << ", CE " << ce << " is erased";
                }
            }
        }
        ASSERT_TRUE(VP_PROC_DownloadProgram(port, work_.data(), kSerial, ""));
        Bytes identify(4096);
        ASSERT_TRUE(CheckRDTFW(port, identify.data()));
        ASSERT_EQ(drives_->Core(port).Running(), emu::Program::Sorting);
    }

    emu::SortingProgram& Run(int port) { return *drives_->Drive(port).programs.sortRun; }

    loader_test::LoaderGuard guard_;
    loader_test::TempFolder folder_{"sorting-e2e"};
    std::filesystem::path oldFolder_ = platform::ProgramFolder();
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    std::unique_ptr<EmulatedDrives> drives_;
    Bytes work_ = Bytes(kWorkBufferBytes, 0);
};

TEST_F(SortingE2e, ASortRunLeavesResultBlocksThatTheChecksRead) {
    for (int eraseAllType : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "EraseAllType " << eraseAllType);
        for (int port = 0; port < 2; ++port) {
            SCOPED_TRACE(testing::Message() << "port " << port);
            LoadGdp(port);
            if (eraseAllType == 1) {
                // The earlier run's result blocks are there before the erase and gone after it.
                ASSERT_TRUE(drives_->Nand(port).Peek({0, 0, 0, kResultBlock, 2}).has_value());
            }
            EraseAndDownload(port, eraseAllType);
            EXPECT_LE(drives_->Nand(port).StoredContents(), 300u) << "the run's pattern pages are stored once";
            ASSERT_EQ(Run(port).Problem(), "");
            EXPECT_EQ(Run(port).LastRun()->dies.size(), 8u);
            EXPECT_EQ(Status(port), 0) << "in preparation";
            EXPECT_EQ(Status(port), 1) << "running";
            clock_.Advance(60000);
            EXPECT_EQ(Status(port), port == 1 ? 2 : 4);

            LoadGdp(port);
            Bytes table(512, 0);
            ASSERT_TRUE(VP_PROC_GetSortingResultBlock(port, table.data()));
            const emu::SortResultTable written = Run(port).ResultBlocks();
            Bytes page(4 * 16384);
            for (int ch = 0; ch < 8; ++ch) {
                for (int bank = 0; bank < 8; ++bank) {
                    const std::uint16_t entry =
                        static_cast<std::uint16_t>(table[16 * ch + 2 * bank] | (table[16 * ch + 2 * bank + 1] << 8));
                    ASSERT_EQ(entry, written[ch][bank]) << "channel " << ch << ", bank " << bank;
                    if (ch >= 4 || bank >= 2) {
                        EXPECT_EQ(entry, 0);
                        continue;
                    }
                    EXPECT_EQ(entry, kResultBlock);
                    // The whole-info page carries the drive's flags: every die of the failing drive fails.
                    const int expected = port == 1 ? kOpRdtBadBlock : kSortCheckPass;
                    EXPECT_EQ(VP_PROC_CheckSortingResult(port, page.data(), static_cast<std::uint8_t>(ch),
                                                         static_cast<std::uint8_t>(bank), entry),
                              expected)
                        << "channel " << ch << ", bank " << bank;
                }
            }
        }
    }
}

// Whether a defect-list entry names plane `plane` of `unit` on channel `ch`, CE `ce` as bad.
bool Names(const std::vector<std::uint32_t>& list, int ch, int ce, int unit, int plane) {
    for (std::uint32_t e : list) {
        if ((e >> 29) == static_cast<unsigned>(ch) && ((e >> 24) & 7) == static_cast<unsigned>(ce) &&
            (e & 0xFFFF) == static_cast<unsigned>(unit) && ((e >> (16 + plane)) & 1) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(SortingE2e, AnMpRunInheritsTheSortingResults) {
    LoadGdp(0);
    EraseAndDownload(0, 0);
    EXPECT_EQ(Status(0), 0);
    clock_.Advance(60000);
    EXPECT_EQ(Status(0), 4);

    // The MP run on the same drive: the pre-format inherits every die's bad blocks and result block.
    AP_INIState.ToolMode = 0;
    AP_FlashSet.wDieUnit = 2016 / 4;
    AP_INIState.RemapEnable = 1;
    AP_INIState.DefPercentage = 100;
    AP_INIState.CheckFlashMask = 63;
    AP_INIState.EnInheritRDT = 1;
    AP_INIState.InheritAnt = 1;
    AP_RDTSet.RDTSearchRange = 4;
    LoadGdp(0);
    Bytes image(kRemapTableBufSize, 0), aux(kRemapAuxBufSize, 0), bitmap(kTablePageBufSize, 0);
    AP_Instance[0].pRemapTableBuf = image.data();
    AP_Instance[0].pRemapAuxBuf = aux.data();
    AP_Instance[0].pTablePageBuf = bitmap.data();
    ASSERT_TRUE(VP_PROC_GetLoaderBlock(0, work_.data(), 0));
    trace_.Clear();
    ASSERT_TRUE(VP_PROC_Preformat(0, work_.data(), 32)) << [&] {
        std::string t;
        for (const auto& l : trace_.Lines()) t += l;
        return t.substr(t.size() > 3000 ? t.size() - 3000 : 0);
    }();
    const auto list = drives_->Drive(0).programs.scan->List();
    EXPECT_TRUE(Names(list, 0, 0, 100 / 4, 0)) << "the factory-bad block";
    EXPECT_TRUE(Names(list, 2, 1, 302 / 4, 2)) << "the block whose erase failed";
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            EXPECT_TRUE(Names(list, ch, ce, kResultBlock / 4, kResultBlock % 4)) << "the result block itself";
        }
    }

    // The MP download, and the system firmware booted from it lists them among its bad units.
    AP_INIState.dwItemEnable[7] = 1;
    loader_test::DescribeImage(loader_test::SystemPlan(), (folder_.Path() / "SYS.bin").string(), 7);
    Bytes counts(kEraseCountBufSize, 0);
    AP_Instance[0].pEraseCountBuf = counts.data();
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    Bytes identify(4096);
    ASSERT_TRUE(VP_JumpToSystem(0, identify.data()));
    const auto report = drives_->LastBoot(0);
    ASSERT_EQ(report.program, emu::Program::System);
    const auto& bad = report.system.badUnits;
    auto listed = [&](int ch, int ce, int unit) {
        return std::find(bad.begin(), bad.end(), emu::BadUnit{ch, ce, 0, unit}) != bad.end();
    };
    EXPECT_TRUE(listed(0, 0, 100 / 4));
    EXPECT_TRUE(listed(2, 1, 302 / 4));
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) EXPECT_TRUE(listed(ch, ce, kResultBlock / 4)) << ch << ":" << ce;
    }
}

TEST_F(SortingE2e, AnUnreadablePatternPageGivesStatus7AndNoResultBlock) {
    LoadGdp(0);
    ASSERT_TRUE(VP_PROC_GetLoaderBlock(0, work_.data(), 0));
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    for (int block : {0, 1}) drives_->Nand(0).InjectUncorrectable({0, 0, 0, block, 4});
    Bytes identify(4096);
    ASSERT_TRUE(CheckRDTFW(0, identify.data()));
    EXPECT_EQ(Status(0), 7);
    EXPECT_EQ(Run(0).ResultBlocks()[0][0], 0);
    EXPECT_FALSE(drives_->Nand(0).Peek({0, 0, 0, kResultBlock, 2}).has_value());
}

}  // namespace
