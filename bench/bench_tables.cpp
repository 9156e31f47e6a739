// The flash-table builder at the largest geometry it accepts: 8 channels, 4 banks, 2 dies per CE,
// 4 planes, 8,191 units per die, 16 KB pages, and a full GDP list of 4,095 bad blocks. Measures
// the remap steps (normal and partial-good modes) and the generation of every page.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "largest_geometry.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "tables/block_units.h"
#include "tables/gdp_list.h"
#include "tables/remap_passes.h"
#include "tables/table_gen.h"

namespace {

void RunSteps(_VectorInfo& vi, std::vector<std::uint8_t>& hash) {
    RmHashBuffer h(hash.data(), RM_HASH_BYTES);
    RM_SortUnitsByBadCount(vi, 1);
    if (AP_INIState.EnPartialTbl != 0) {
        RM_PartialRemap(vi, h);
        RM_RecountBlockUnits(vi);
        RM_UndoOverThreshold(vi);
    } else {
        vRM_Remap(vi, h);
        RM_RecountBlockUnits(vi);
        RM_SortUnitsByBadCount(vi, 1);
        vRM_VirtualRemap(vi, h, 0);
        RM_UndoOverThreshold(vi);
        RM_SortVirtRemapLists(vi);
        vRM_BuildVirtualPlaneMap(vi);
    }
    RM_SortRemapLists(vi);
    RM_FillReserveLists(vi);
    RM_SortReserveLists(vi);
    RM_SortUnitsByUnit(vi);
}

void BM_RemapSteps(benchmark::State& state) {
    platform::VirtualClock clock;
    platform::ScopedClock scoped(clock);
    platform::TraceToNothing();
    bench::SetLargestGeometry(state.range(0) != 0);
    // Few units, many channels and CEs: long lists and many slots per unit.
    std::vector<std::uint8_t> bytes = bench::FullList(99, 1200);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint8_t> copy = bytes;
        tables::GdpList list(copy.data(), copy.size());
        auto vi = std::make_unique<_VectorInfo>();
        std::vector<std::uint8_t> hash(RM_HASH_BYTES, 0);
        state.ResumeTiming();
        RM_MergeGdpList(list);
        RM_DistributeGdpList(0, list, *vi);
        RM_BuildBlockUnitList(*vi);
        RunSteps(*vi, hash);
        RemapCounts counts{};
        RM_PageTable pages;
        vRM_GenDefectTable(0, *vi, pages);
        vRM_GenRemapTable(0, *vi, counts, pages);
        if (AP_INIState.EnPartialTbl != 0) {
            vRM_GenEarlyTablePG(0, *vi, pages);
            vRM_GenPartialGoodTable(0, *vi, pages);
        } else {
            vRM_GenEarlyTable(0, *vi, pages);
            vRM_GenVirtRemapTable(0, *vi, counts, pages);
        }
        vRM_GenSystemTable(0, *vi, pages);
        benchmark::DoNotOptimize(pages.remap[0].data());
    }
    platform::TraceToStderr();
}
BENCHMARK(BM_RemapSteps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
