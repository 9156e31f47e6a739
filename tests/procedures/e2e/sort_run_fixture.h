// Emulated drives of the sample geometry taken through a SORT run: the diagnostic firmware loaded,
// the loader blocks found, the drive erased, the sorting firmware downloaded and booted; its status
// is polled on the virtual clock and the diagnostic firmware can be loaded again to read the result
// blocks. Port 1's die on channel 1, CE 1 fails (four factory-bad blocks over a limit of three).
#pragma once

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

namespace sort_run_test {

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
        drives_ = std::make_unique<EmulatedDrives>(Sections());
        ASSERT_EQ(drives_->Error(), "");
        for (int port = 0; port < 2; ++port) {
            ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
            ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
        }
        Configure();
    }
    // The drives' bay sections (port 0 passes, port 1 fails).
    virtual std::vector<std::string> Sections() const { return {kPassingFaults, kFailingDie}; }
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

}  // namespace sort_run_test
