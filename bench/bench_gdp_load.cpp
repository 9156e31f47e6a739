// The diagnostic firmware's load and page access through the whole stack to an emulated drive:
// bytes moved per second, and the same with the flash taking its configured times.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "commands/vendor_dispatch.h"
#include "emu/image_generator.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "settings/records.h"
#include "tests/support/emulated_drives.h"
#include "tests/support/gdp_image_file.h"

namespace {

namespace fs = std::filesystem;

bool NoPatch(int, std::uint8_t*, std::size_t) {
    return true;
}

// The controller's waits (the second after a jump back to the loader) pass on a virtual clock.
void BM_GdpLoadFromMemory(benchmark::State& state) {
    platform::TraceToNothing();
    platform::VirtualClock clock;
    platform::ScopedClock useClock(clock);
    const fs::path folder = fs::temp_directory_path() / ("bench-gdp-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const emu::images::GdpImagePlan plan = emu::images::DemoGdpPlan();
    test_support::WriteGdpImage((folder / "GDP.bin").string(), plan);
    procedures::SetGdpPatchStep(&NoPatch);
    test_support::EmulatedDrives drives({""});
    VC_EnableVendorCmd(0);
    VP_ReadGDPtoBuffer();
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (!VP_LoadGDPFromBuffer(0) || !VP_EnableVendorCmd(0, 1)) state.SkipWithError("load failed");
        for (const auto& part : plan.parts) bytes += part.length;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["jumps"] = static_cast<double>(drives.Drive(0).programs.loader->Jumps().size());
    procedures::SetGdpPatchStep(nullptr);
    procedures::ClearGdpBuffer();
    fs::remove_all(folder);
    platform::TraceToStderr();
}
BENCHMARK(BM_GdpLoadFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// Write, read back and erase 16 KB pages of block 7 (channel 1, CE 1); the argument is the flash's
// program time in ms. The erase is the single-plane form: the multi-plane form names a block unit
// (unit 7 is blocks 28 to 31 of four planes), which would leave block 7 written.
void BM_PageWriteReadErase(benchmark::State& state) {
    platform::TraceToNothing();
    const auto programMs = std::to_string(state.range(0));
    test_support::EmulatedDrives drives(
        {"Program=gdp\nProgramLatencyMs=" + programMs + "\nFlashBlocks=64\nFlashPages=256\nFlashPageSectors=32"});
    if (!drives.Error().empty() || VC_EnableVendorCmd(0) != 1) {
        state.SkipWithError("the emulated drive is not ready");
        return;
    }
    AP_INIState.MaxPhyBank = 2;
    AP_INIState.MaxPhyChannel = 4;
    constexpr std::uint16_t kBlock = 7;
    constexpr int kPages = 256;
    std::vector<std::uint8_t> page(16384, 0x5A), back(16384);
    std::size_t bytes = 0;
    int p = 0;
    for (auto _ : state) {
        if (!VP_WritePage(0, 1, 1, kBlock, static_cast<std::uint16_t>(p), 2, 1, 2, page.data(), 32) ||
            !VP_ReadPage(0, 1, 1, kBlock, static_cast<std::uint16_t>(p), 2, 1, 2, back.data(), 32) || back != page) {
            state.SkipWithError("page access failed");
            break;
        }
        bytes += 2 * page.size();
        if (++p == kPages) {
            if (!VP_EraseBlock(0, 1, 1, kBlock, 0, 1, nullptr)) {
                state.SkipWithError("block erase failed");
                break;
            }
            p = 0;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    platform::TraceToStderr();
}
BENCHMARK(BM_PageWriteReadErase)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
