// The diagnostic firmware loaded end to end: the procedures, the vendor commands, both bridges'
// tunnels and the emulated drive's boot loader, which starts what it received.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "emu/gdp_init_param_decoder.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/param_settings.h"
#include "support/emulated_drives.h"
#include "support/gdp_image_file.h"

namespace {

namespace fs = std::filesystem;
namespace img = emu::images;
using Bytes = std::vector<std::uint8_t>;
using emu::RamWrite;
using test_support::EmulatedDrives;

bool NoPatch(int, std::uint8_t*, std::size_t) {
    return true;
}

// Marks a tagged part with the drive's port at byte 1,000.
bool StampPort(int port, std::uint8_t* image, std::size_t size) {
    if (size > 1000 && std::memcmp(image + 448, "QVGDP", 5) == 0) image[1000] = static_cast<std::uint8_t>(0xA0 + port);
    return true;
}

class GdpLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("gdp-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        plan_.parts = {{0x00000000, 65537, img::PartKind::Tagged}, {0x20000000, 131072, img::PartKind::Plain}};
        file_ = test_support::WriteGdpImage((folder_ / "GDP.bin").string(), plan_);
    }
    void TearDown() override {
        procedures::SetGdpPatchStep(nullptr);
        procedures::ClearGdpBuffer();
        AP_GDPBins = saved_;
        fs::remove_all(folder_);
    }

    Bytes Part(std::size_t j) const {
        const auto at = static_cast<std::ptrdiff_t>(img::GdpPartOffset(plan_, j));
        return Bytes(file_.begin() + at, file_.begin() + at + plan_.parts[j].length);
    }
    static Bytes Ram(EmulatedDrives& d, int port, std::uint32_t address, std::size_t n) {
        Bytes b(n);
        EXPECT_TRUE(d.Core(port).Ram().Read(address, b));
        return b;
    }
    // The pieces of the two parts and the signature sector, as the loader must receive them.
    static std::vector<RamWrite> Pieces(int codes = 1) {
        std::vector<RamWrite> w;
        for (int c = 0; c < codes; ++c) {
            w.insert(w.end(),
                     {{0, 65536, 0}, {65536, 512, 0}, {0x20000000, 65536, 0}, {0x20010000, 65536, 0}, {16, 512, 10}});
        }
        return w;
    }

    param_test::ParamRecordsGuard records_;
    AP_Bins_t saved_ = AP_GDPBins;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    fs::path folder_;
    img::GdpImagePlan plan_;
    Bytes file_;
};

TEST_F(GdpLoad, FromTheFileIntoADriveInItsLoader) {
    EmulatedDrives drives({"Program=loader", "Program=loader"});
    for (int port : {0, 1}) {
        SCOPED_TRACE(port == 0 ? "JMicron type" : "ASMedia type");
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);
        const std::uint64_t start = clock_.NowMs();
        ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
        EXPECT_EQ(clock_.NowMs(), start) << "no jump and no wait when the loader already runs";
        const auto& loader = *drives.Drive(port).programs.loader;
        EXPECT_EQ(loader.RomJumps(0) + loader.RomJumps(1), 0);
        EXPECT_EQ(loader.Writes(), Pieces());
        EXPECT_EQ(loader.Jumps(), std::vector<int>({1}));

        ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
        EXPECT_EQ(VP_GetCurrentMode(port), kModeGdp);
        EXPECT_TRUE(VP_IsGDPMode(port));
        EXPECT_EQ(Ram(drives, port, 0, 65537), Part(0)) << "patching off: RAM holds the file's parts";
        EXPECT_EQ(Ram(drives, port, 0x20000000, 131072), Part(1));
    }
}

TEST_F(GdpLoad, FromMemoryIntoADriveRunningTheDiagnosticFirmware) {
    EmulatedDrives drives({"Program=gdp"});
    procedures::SetGdpPatchStep(&NoPatch);
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    ASSERT_TRUE(VP_ReadGDPtoBuffer());
    const std::uint64_t start = clock_.NowMs();
    ASSERT_TRUE(VP_LoadGDPFromBuffer(0));
    EXPECT_EQ(clock_.NowMs() - start, 1000u);
    EXPECT_EQ(drives.Drive(0).programs.loader->RomJumps(1), 1);
    EXPECT_EQ(drives.Drive(0).programs.loader->Writes(), Pieces());
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    EXPECT_EQ(VP_GetCurrentMode(0), kModeGdp);
    EXPECT_EQ(Ram(drives, 0, 0x20000000, 131072), Part(1));
}

TEST_F(GdpLoad, ARunningDiagnosticFirmwareIsKeptWithoutForce) {
    EmulatedDrives drives({"Program=gdp"});
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 0, 0));
    EXPECT_EQ(trace_.Lines().back(), "######### - GDP mode, no need to load GDP!\n");
    EXPECT_EQ(drives.Boot().Calls(), 2) << "the identify of the mode test, and nothing else";
    EXPECT_TRUE(drives.Drive(0).programs.loader->Writes().empty());

    // With force the mode is still tested first, then the image is loaded over the running one.
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    trace_.Clear();
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    EXPECT_EQ(trace_.Lines().front(), "######### - [0]VP_IsGDPMode is true\n");
    EXPECT_EQ(drives.Drive(0).programs.loader->Jumps(), std::vector<int>({1}));
}

TEST_F(GdpLoad, EveryCodeCarriesItsSignatureAndTheJumpCountsThem) {
    EmulatedDrives drives({""});
    AP_GDPBins.ucCodeCnt = 2;
    AP_GDPBins.ucPartCnt[1] = 2;
    for (int j = 0; j < 2; ++j) {
        AP_GDPBins.dwOffset[1][j] = AP_GDPBins.dwOffset[0][j];
        AP_GDPBins.dwLength[1][j] = AP_GDPBins.dwLength[0][j];
        AP_GDPBins.dwBinOffset[1][j] = AP_GDPBins.dwBinOffset[0][j];
    }
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    EXPECT_EQ(drives.Drive(0).programs.loader->Writes(), Pieces(2));
    EXPECT_EQ(drives.Drive(0).programs.loader->Jumps(), std::vector<int>({2}));
}

TEST_F(GdpLoad, DrivesLoadedTogetherNeverSeeEachOthersPatch) {
    EmulatedDrives drives({"", "", "", ""});
    procedures::SetGdpPatchStep(&StampPort);
    ASSERT_TRUE(VP_ReadGDPtoBuffer());
    std::vector<std::thread> workers;
    std::atomic<int> loaded{0};
    for (int port = 0; port < 4; ++port) {
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);
        workers.emplace_back([port, &loaded] { loaded += VP_LoadGDPFromBuffer(port) ? 1 : 0; });
    }
    for (auto& w : workers) w.join();
    ASSERT_EQ(loaded.load(), 4);
    for (int port = 0; port < 4; ++port) {
        SCOPED_TRACE(port);
        Bytes expected = Part(0);
        expected[1000] = static_cast<std::uint8_t>(0xA0 + port);
        EXPECT_EQ(Ram(drives, port, 0, 65537), expected);
    }
    // The run's copy itself was never patched.
    EmulatedDrives again({""});
    procedures::SetGdpPatchStep(&NoPatch);
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    ASSERT_TRUE(VP_LoadGDPFromBuffer(0));
    EXPECT_EQ(Ram(again, 0, 0, 65537), Part(0));
}

TEST_F(GdpLoad, PatchedForTheRunsFlashThenInitialised) {
    param_test::LoadSampleDrive();
    plan_ = img::DemoGdpPlan();
    file_ = test_support::WriteGdpImage((folder_ / "GDP.bin").string(), plan_);
    EmulatedDrives drives({""});  // the sample drive's flash: 4 channels of 2 CEs, 2,016 blocks of 2,304 pages
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 1));

    const Bytes ram = Ram(drives, 0, 0, plan_.parts[0].length);
    const auto param = emu::DecodeGdpInitParam(std::span(ram).subspan(1248));
    ASSERT_TRUE(param.has_value());
    EXPECT_EQ(param->blocksPerCe, 2016);
    EXPECT_EQ(param->maxChannels, 4);
    EXPECT_EQ(param->maxBanks, 2);
    EXPECT_NE(ram, Part(0)) << "the image was patched";

    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    Bytes init(kGdpInitBlockBytes, 0xEE);
    ASSERT_TRUE(VP_InitGDP(0, init.data()));
    EXPECT_EQ(drives.Drive(0).programs.gdp->InitCount(), 1);
    EXPECT_EQ(drives.Drive(0).programs.gdp->InitProblem(), "");
    EXPECT_EQ(drives.Drive(0).programs.gdp->InitBlock(), Bytes(init.begin(), init.begin() + 1024));
}

TEST_F(GdpLoad, ADriveWhoseFlashDisagreesWithThePatchFailsInit) {
    param_test::LoadSampleDrive();
    plan_ = img::DemoGdpPlan();
    file_ = test_support::WriteGdpImage((folder_ / "GDP.bin").string(), plan_);
    // The settings describe 4 channels of 2 CEs with 2,016 blocks; this drive carries 1,024 blocks per CE.
    EmulatedDrives drives({"FlashBlocks=1024"});
    ASSERT_EQ(drives.Error(), "");
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 1));

    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    Bytes init(kGdpInitBlockBytes, 0xEE);
    // The init command itself is delivered (the host reads no status after it); the firmware refuses the
    // block and says so in its next status reply.
    ASSERT_TRUE(VP_InitGDP(0, init.data()));
    EXPECT_EQ(drives.Drive(0).programs.gdp->InitProblem(), "blocks per CE 2016, NAND 1024");
    std::uint8_t reply[512] = {};
    std::uint8_t busy = 0;
    ASSERT_EQ(VC_GDP_CmdGetReturn(0, &busy, reply), 1);
    EXPECT_NE(reply[0], 0xAA);
    EXPECT_NE(reply[1], 1) << "the init is refused";
}

TEST_F(GdpLoad, APartTooSmallForItsParameterRegionsLoadsNothing) {
    param_test::LoadSampleDrive();
    plan_.parts = {{0x00000000, 16384, img::PartKind::Tagged}};  // ends before the LDPC table
    file_ = test_support::WriteGdpImage((folder_ / "GDP.bin").string(), plan_);
    EmulatedDrives drives({""});
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    EXPECT_FALSE(VP_LoadGDPFromFile(0, 1, 1));
    EXPECT_TRUE(trace_.Contains("######### - [0]GDP image patch refused, nothing loaded!\n"));
    EXPECT_TRUE(drives.Drive(0).programs.loader->Jumps().empty());
}

}  // namespace
