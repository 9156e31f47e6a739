// The emulated sorting firmware's run on the demo drive (4 channels x 2 CEs, 2,016 blocks of
// 2,304 pages of 16 KB, 2 loops, no flash latencies): the real time of one run with its result
// blocks, and the distinct page contents the flash model holds afterwards.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "emu/controller_core.h"
#include "emu/sorting_program.h"
#include "platform/clock.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Le16(Bytes& b, std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The init block at byte 1248 of the variable block: the demo flash, every die tested, loader blocks 0 and 1.
Bytes VariableBlock(const emu::FlashGeometry& g) {
    Bytes v(4096, 0);
    const std::size_t at = 1248;
    v[at + 1] = 1;
    Le16(v, at + 2, g.blocks);
    Le16(v, at + 4, g.pages);
    Le16(v, at + 6, g.pageSectors / 2);
    v[at + 8] = 1;
    v[at + 9] = static_cast<std::uint8_t>(g.planes);
    v[at + 10] = 2;
    v[at + 12] = static_cast<std::uint8_t>(g.channels);
    v[at + 13] = static_cast<std::uint8_t>(g.ces);
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            v[at + 32 + 4 * ch + ce] = 0x03;
            v[at + 688 + 4 * ch + ce] = 0x01;
        }
    }
    std::fill(v.begin() + at + 720, v.begin() + at + 912, 0xFF);
    return v;
}

Bytes PatternPage(const emu::FlashGeometry& g) {
    Bytes p(g.PageBytes(), 0xAA);
    std::memcpy(p.data(), "SORT", 4);
    Le16(p, 8, 20);
    Le16(p, 10, 30);
    p[13] = 1;
    Le16(p, 14, 60);
    Le16(p, 67, 5);
    p[69] = 1;
    Le16(p, 73, 2);
    Le16(p, 75, 0);
    Le16(p, 91, 5);
    Le16(p, 93, 5);
    Le16(p, 95, 0x1234);
    Le16(p, 97, 0x5678);
    Le16(p, 109, 10);
    return p;
}

void BM_SortingRunOfTheDemoDrive(benchmark::State& state) {
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    const emu::FlashGeometry g;
    std::size_t contents = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto nand = std::make_shared<emu::NandModel>(g);
        emu::ControllerCore core;
        core.Ram().Write(0, VariableBlock(g));
        nand->Program({0, 0, 0, 0, 4}, PatternPage(g), 2, 1);
        emu::SortingProgram program(nand, {});
        state.ResumeTiming();
        program.Start(core, {0, 0, 0, 0, 0});
        state.PauseTiming();
        contents = nand->StoredContents();
        state.ResumeTiming();
    }
    state.counters["distinct_pages"] = static_cast<double>(contents);
}
BENCHMARK(BM_SortingRunOfTheDemoDrive)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
