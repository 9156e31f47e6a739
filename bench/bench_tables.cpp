// The flash-table builder at the largest geometry it accepts: 8 channels, 4 banks, 2 dies per CE,
// 4 planes, 8,191 units per die, 16 KB pages, and a full GDP list of 4,095 bad blocks. Measures
// the remap steps (normal and partial-good modes) and the generation of every page.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "tables/block_units.h"
#include "tables/gdp_list.h"
#include "tables/remap_passes.h"
#include "tables/table_gen.h"

namespace {

void SetLargestGeometry(bool partial) {
    AP_INIState = {};
    AP_FlashSet = {};
    AP_INIState.MaxPhyChannel = 8;
    AP_INIState.MaxPhyBank = 4;
    AP_INIState.RemapEnable = 1;
    AP_INIState.bDieNumCount = 64;
    AP_INIState.EnPartialTbl = partial ? 1 : 0;
    AP_INIState.PartialRemapPolicy = partial ? 1 : 0;
    AP_INIState.RmpPartialTHR = partial ? 8 : 0;
    for (int i = 0; i < 8; ++i) AP_INIState.MPFwChannelSet[i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 4; ++i) AP_INIState.MPFwBankSet[i] = AP_INIState.FwBankSet[i] = static_cast<std::uint8_t>(i);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_FlashSet.ucDiePerCE = 2;
    AP_FlashSet.ucPlanes = 4;
    AP_FlashSet.ucBankNum = 4;
    AP_FlashSet.wBlocks = 65528;
    AP_FlashSet.wDieUnit = 8191;
    AP_FlashSet.bPageSector = 32;
}

std::vector<std::uint8_t> RandomList() {
    std::vector<std::uint8_t> bytes(RM_GDP_LIST_BYTES, 0);
    tables::GdpList list(bytes.data(), bytes.size());
    std::mt19937 rng(99);
    for (std::uint32_t i = 0; i < RM_GDP_MAX_ENTRIES; ++i) {
        // Few units, many channels and CEs: long lists and many slots per unit.
        const auto unit = static_cast<std::uint16_t>(2 + rng() % 1200);
        const auto mask = static_cast<std::uint8_t>(0x0F & ~(1u << (rng() % 4)));
        list.Set(i, RM_MakeGdpEntry(static_cast<int>(rng() % 8), static_cast<int>(rng() % 4),
                                    static_cast<int>(rng() % 2), mask, unit));
    }
    return bytes;
}

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
    SetLargestGeometry(state.range(0) != 0);
    std::vector<std::uint8_t> bytes = RandomList();
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
