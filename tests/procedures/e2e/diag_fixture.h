// Emulated drives with the diagnostic firmware loaded and initialised, for the MP-step tests: two
// channels of two CEs (one LUN, 256 blocks of 2 planes, pages of 8 sectors), the settings records
// to match, the per-port buffers, a program folder of its own and the virtual clock.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_sets.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/param_settings.h"
#include "settings/records.h"
#include "support/emulated_drives.h"
#include "support/flash_geometry.h"
#include "support/gdp_image_file.h"
#include "transport/port_instance.h"
#include "transport/tool_records.h"

namespace diag_e2e {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline constexpr int kSectors = 8;
inline constexpr std::size_t kPage = kSectors * 512;
inline constexpr std::uint8_t kLdpc = 2;
inline constexpr const char* kFlash =
    "FlashChannels=2\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=256\nFlashPages=64\nFlashPageSectors=8\nFlashPlanes=2\n"
    "FlashId=9B,C4,58,32,A6,00\n";
inline constexpr const char* kBad = "BadBlocks=0:0:0:7,0:0:0:8,0:1:0:33,1:0:0:100,1:1:0:254,1:1:0:255\n";

class DiagE2e : public ::testing::Test {
  protected:
    // Extra bay keys per drive (each drive gets the flash above first); ports alternate bridge types.
    void Start(const std::vector<std::string>& extra) {
        folder_ = fs::temp_directory_path() / ("diag-e2e-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        platform::SetProgramFolder(folder_);
        test_support::WriteGdpImage((folder_ / "GDP.bin").string(), emu::images::DemoGdpPlan());
        std::vector<std::string> sections;
        for (const std::string& e : extra) sections.push_back(std::string(kFlash) + e);
        drives_ = std::make_unique<test_support::EmulatedDrives>(sections);
        ASSERT_EQ(drives_->Error(), "");
        Settings(static_cast<int>(extra.size()));
        // The remap driver's output buffers, owned by the test (the records guard puts the pointers back).
        buffers_.resize(extra.size());
        for (std::size_t port = 0; port < extra.size(); ++port) {
            auto& b = buffers_[port];
            b.image.assign(kRemapTableBufSize, 0);
            b.aux.assign(kRemapAuxBufSize, 0);
            b.page.assign(kTablePageBufSize, 0);
            AP_Instance[port].pRemapTableBuf = b.image.data();
            AP_Instance[port].pRemapAuxBuf = b.aux.data();
            AP_Instance[port].pTablePageBuf = b.page.data();
        }
        for (int port = 0; port < static_cast<int>(extra.size()); ++port) {
            ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
            ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
            ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
            ASSERT_EQ(VP_GetCurrentMode(port), kModeGdp);
            Bytes init(kGdpInitBlockBytes);
            ASSERT_TRUE(VP_InitGDP(port, init.data()));
            ASSERT_EQ(drives_->Drive(port).programs.gdp->InitProblem(), "");
        }
        work_.assign(kWorkBufferBytes, 0);
        trace_.Clear();
    }
    void TearDown() override {
        drives_.reset();
        platform::SetProgramFolder(savedFolder_);
        if (!folder_.empty()) fs::remove_all(folder_);
    }

    static void Settings(int ports) {
        test_support::SetFlashGeometry(
            {.channels = 2, .banks = 2, .planes = 2, .dieUnit = 128, .pageSector = kSectors});
        AP_INIState.RemapEnable = 1;
        AP_INIState.DefPercentage = 100;
        AP_INIState.bVirCntPerDie = 1;
        AP_INIState.MPChannel = 2;
        AP_INIState.MPBank = 2;
        AP_INIState.CheckFlashMask = 63;
        for (int ch = 0; ch < 2; ++ch) {
            for (int b = 0; b < 2; ++b) AP_INIState.bDieStatus[ch][b] = 1;
        }
        const std::uint8_t id[6] = {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};
        std::memcpy(AP_FlashSet.aFlashID, id, 6);
        AP_FlashSet.ucChannel = 2;
        AP_FlashSet.wPages = 64;
        AP_FlashSet.wPageSize = 4;
        AP_FlashSet.ucLdpcMode = kLdpc;
        for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i % 64);
        for (int port = 0; port < ports; ++port) {
            for (int ch = 0; ch < 2; ++ch) {
                for (int b = 0; b < 2; ++b) {
                    AP_Instance[port].aLoaderBlockNo[ch][b][0] = 0;
                    AP_Instance[port].aLoaderBlockNo[ch][b][1] = 1;
                }
            }
            std::snprintf(AP_Instance[port].sLogSerialNum, 22, "E2E%d", port);
        }
    }

    // Writes loader-block page index `index` of a block with the given rate and sectors.
    static bool Plant(int port, int ch, int bank, int block, int index, Bytes page, std::uint8_t rate,
                      std::uint32_t sectors) {
        page.resize(sectors * 512);
        return VP_WritePage(port, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(bank),
                            static_cast<std::uint16_t>(block), AP_FlashSet.wPageMap[index], rate, 1, 0, page.data(),
                            sectors);
    }

    param_test::ParamRecordsGuard records_;
    fs::path savedFolder_ = platform::ProgramFolder();
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    fs::path folder_;
    std::unique_ptr<test_support::EmulatedDrives> drives_;
    Bytes work_;
    struct PortBuffers {
        Bytes image, aux, page;
    };
    std::vector<PortBuffers> buffers_;
};

}  // namespace diag_e2e
