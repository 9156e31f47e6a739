// One emulated demo drive through the MP steps in the worker's order (GDP load and init, loader
// blocks, flash module, bus, flash interface, DRAM, pre-format, download, R/W test, check tables),
// with the flash taking 60 us per read, 600 us per program and 3,500 us per erase and every wait on
// the virtual clock; the all-die download off (argument 0) and on (1). Figures per sequence: the
// modelled drive time (virtual), the real time, their ratio (target: under 2 %), the command
// blocks sent and the diagnostic firmware's commands among them, the pages programmed and read,
// the blocks erased, and the download's modelled time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "emu/image_generator.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Download.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/V_Proc_SysSteps.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "tests/procedures/loader_fixture.h"
#include "tests/support/emulated_drives.h"
#include "tests/support/gdp_image_file.h"
#include "transport/port_instance.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDrive =
    "ReadLatencyUs=60\nProgramLatencyUs=600\nEraseLatencyUs=3500\nSerial=BENCH0001\n"
    "FlashChannels=4\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=2016\nFlashPages=2304\nFlashPageSectors=32\n";

// The demo drive's settings (the sample drive of the parameter tests) and data files.
void Settings(const fs::path& folder, int allDie) {
    loader_test::LoadLoaderDrive(0);
    AP_INIState.RemapEnable = 1;
    AP_INIState.DefPercentage = 100;
    AP_INIState.bDieNumCount = 8;
    AP_INIState.bVirCntPerDie = 1;
    AP_INIState.CheckFlashMask = 63;
    AP_INIState.dwItemEnable[7] = 1;
    AP_INIState.EnWritePageToAllDie = static_cast<std::uint8_t>(allDie);
    AP_FlashSet.wDieUnit = 504;
    const std::uint8_t id[6] = {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};
    std::memcpy(AP_FlashSet.aFlashID, id, 6);
    auto file = [&](const std::string& name, const Bytes& data) {
        const fs::path p = folder / name;
        platform::WriteWholeFile(p, std::string(data.begin(), data.end()));
        return p.string();
    };
    loader_test::DescribeImage(loader_test::SystemPlan(), (folder / "SYS.bin").string(), 7);
    std::snprintf(AP_Param.sOPALBin, kParamPathBytes, "%s",
                  file("opal.bin", emu::images::DataFile("OPAL", 40960)).c_str());
    std::snprintf(AP_Param.sUEFIBin, kParamPathBytes, "%s",
                  file("uefi.bin", emu::images::DataFile("UEFI", 65536)).c_str());
    std::snprintf(AP_Param.sLdpcPage1Bin, kParamPathBytes, "%s", file("l1.bin", emu::images::LdpcPage(2, 1)).c_str());
    std::snprintf(AP_Param.sLdpcPage2Bin, kParamPathBytes, "%s", file("l2.bin", emu::images::LdpcPage(2, 2)).c_str());
}

void BM_MpSequence(benchmark::State& state) {
    platform::TraceToNothing();
    const fs::path folder = fs::temp_directory_path() / ("bench-mp-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path savedFolder = platform::ProgramFolder();
    platform::SetProgramFolder(folder);
    for (auto _ : state) {
        param_test::ParamRecordsGuard records;
        loader_test::LoaderGuard guard;
        platform::VirtualClock clock;
        platform::ScopedClock useClock(clock);
        test_support::WriteGdpImage((folder / "GDP.bin").string(), emu::images::DemoGdpPlan());
        test_support::EmulatedDrives drives({kDrive});
        Bytes image(kRemapTableBufSize), aux(kRemapAuxBufSize), bitmap(kTablePageBufSize), counts(kEraseCountBufSize);
        Settings(folder, static_cast<int>(state.range(0)));
        AP_Instance[0].pRemapTableBuf = image.data();
        AP_Instance[0].pRemapAuxBuf = aux.data();
        AP_Instance[0].pTablePageBuf = bitmap.data();
        AP_Instance[0].pEraseCountBuf = counts.data();
        Bytes work(kWorkBufferBytes);
        std::int32_t sub = 0;
        std::uint64_t downloadMs = 0;
        const std::function<bool()> steps[] = {
            [&] {
                return VP_EnableVendorCmd(0, 1) && VP_LoadGDPFromFile(0, 1, 1) && VP_EnableVendorCmd(0, 1) &&
                       VP_InitGDP(0, work.data());
            },
            [&] { return VP_PROC_GetLoaderBlock(0, work.data(), 0); },
            [&] { return VP_PROC_CheckFlashModule(0, work.data()); },
            [&] { return VP_PROC_BusInterfaceTest(0, work.data()); },
            [&] { return VP_PROC_FlashInterfaceTest(0, work.data(), &sub); },
            [&] { return VP_PROC_DramTest(0, work.data(), &sub); },
            [&] { return VP_PROC_Preformat(0, work.data(), 0); },
            [&] {
                const std::uint64_t start = platform::TickCount();
                const bool ok = VP_PROC_DownloadProgram(0, work.data(), "BENCH0001", "");
                downloadMs = platform::TickCount() - start;
                return ok;
            },
            [&] { return VP_PROC_RWTest(0, work.data(), &sub); },
            [&] { return VP_PROC_CheckTables(0, work.data(), &sub); },
        };
        const auto realStart = std::chrono::steady_clock::now();
        const std::uint64_t modelStart = platform::TickCount();
        int failed = 0;
        for (std::size_t i = 0; i < std::size(steps) && failed == 0; ++i) {
            if (!steps[i]()) failed = static_cast<int>(i) + 1;
        }
        const double realMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - realStart).count();
        const double modelMs = static_cast<double>(platform::TickCount() - modelStart);
        const emu::NandCounts n = drives.Nand(0).Counts();
        state.SetIterationTime(realMs / 1000.0);
        state.counters["modelled_ms"] = modelMs;
        state.counters["real_ms"] = realMs;
        state.counters["real_pct_of_modelled"] = modelMs > 0 ? 100.0 * realMs / modelMs : 0;
        state.counters["download_modelled_ms"] = static_cast<double>(downloadMs);
        state.counters["command_blocks"] = drives.Boot().Calls();
        int gdpCommands = 0;
        for (int code = 0; code < 256; ++code) {
            gdpCommands += drives.Drive(0).programs.gdp->CommandCount(static_cast<std::uint8_t>(code));
        }
        state.counters["gdp_commands"] = gdpCommands;
        state.counters["pages_programmed"] = static_cast<double>(n.pagesProgrammed);
        state.counters["pages_read"] = static_cast<double>(n.pagesRead);
        state.counters["blocks_erased"] = static_cast<double>(n.blocksErased);
        state.counters["failed_step"] = failed;  // 0: every step passed; else 1-based step number
    }
    platform::SetProgramFolder(savedFolder);
    fs::remove_all(folder);
    platform::TraceToStderr();
}
BENCHMARK(BM_MpSequence)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
