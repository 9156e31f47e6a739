// The remap driver end to end at the largest geometry the tables accept (8 channels, 4 banks,
// 2 dies per CE, 4 planes, 8,191 block units per die, 16 KB pages) with a full GDP list of 4,095
// bad blocks: one port with the table logs off and on, and 16 (and 8) ports at once, one thread each.
// Waits of the driver run on a virtual clock; the trace goes nowhere, as without a debugger.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "largest_geometry.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "tables/gdp_list.h"
#include "tables/rm_driver.h"
#include "transport/port_instance.h"
#include "transport/tool_records.h"

namespace {

struct PortBuffers {
    std::vector<std::uint8_t> work;
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kRemapTableBufSize);
    std::vector<std::uint8_t> badCount = std::vector<std::uint8_t>(kRemapAuxBufSize);
    std::vector<std::uint8_t> bitmap = std::vector<std::uint8_t>(kTablePageBufSize);
};

platform::VirtualClock g_clock;

std::filesystem::path Folder() {
    return std::filesystem::temp_directory_path() / "bench_remap";
}

void ClearLogs() {
    std::error_code ec;
    std::filesystem::remove_all(Folder() / "log", ec);
}

void Setup(const benchmark::State&) {
    bench::SetLargestGeometry(false);
    std::filesystem::remove_all(Folder());
    std::filesystem::create_directories(Folder());
    platform::SetProgramFolder(Folder());
    platform::TraceToNothing();
    for (int p = 0; p < 16; ++p) std::snprintf(AP_Instance[p].sLogSerialNum, 22, "BENCH%02d", p);
}

void Teardown(const benchmark::State&) {
    platform::TraceToStderr();
    std::filesystem::remove_all(Folder());
}

// One port; range(0) switches the table logs.
void BM_NewRemap(benchmark::State& state) {
    platform::ScopedClock scoped(g_clock);
    AP_RDSetting.DumpPftFile = static_cast<std::uint8_t>(state.range(0));
    const int port = 0;
    const std::vector<std::uint8_t> list = bench::FullList(4095, 8189);
    PortBuffers b;
    bool ok = true;
    for (auto _ : state) {
        b.work = list;
        ok = bRM_NewRemap(port, b.work, {b.image, b.badCount, b.bitmap}) && ok;
        state.PauseTiming();
        ClearLogs();  // each run appends some 14 MB of log
        state.ResumeTiming();
    }
    if (!ok) state.SkipWithError("bRM_NewRemap failed");
}
BENCHMARK(BM_NewRemap)
    ->ArgName("logs")
    ->Arg(0)
    ->Arg(1)
    ->Setup(Setup)
    ->Teardown(Teardown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Several ports built at once (range(1): 16, the station's most, and 8, one per core of a usual
// machine): each iteration starts one thread per port, each running the driver once, and ends when the
// last has finished.
void BM_NewRemapPorts(benchmark::State& state) {
    platform::ScopedClock scoped(g_clock);
    AP_RDSetting.DumpPftFile = static_cast<std::uint8_t>(state.range(0));
    const std::vector<std::uint8_t> list = bench::FullList(4095, 8189);
    const int count = static_cast<int>(state.range(1));
    std::vector<PortBuffers> ports(static_cast<std::size_t>(count));
    std::atomic<int> failed{0};
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int port = 0; port < count; ++port) {
            threads.emplace_back([&, port] {
                PortBuffers& b = ports[static_cast<std::size_t>(port)];
                b.work = list;
                if (!bRM_NewRemap(port, b.work, {b.image, b.badCount, b.bitmap})) ++failed;
            });
        }
        for (std::thread& t : threads) t.join();
        state.PauseTiming();
        ClearLogs();
        state.ResumeTiming();
    }
    if (failed != 0) state.SkipWithError("bRM_NewRemap failed");
}
BENCHMARK(BM_NewRemapPorts)
    ->ArgNames({"logs", "ports"})
    ->ArgsProduct({{0, 1}, {16, 8}})
    ->Setup(Setup)
    ->Teardown(Teardown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
