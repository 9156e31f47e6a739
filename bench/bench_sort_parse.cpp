// The result window's parse on one emulated drive of 8 channels with 4 CEs of 2 LUNs (64 dies, 8 FW
// banks a channel), 16 KB pages, 4 error and 4 factory-bad pages a die, the flash answering each
// page read after 1 ms on the real clock: the parse with the report tree and both dumps on, against
// reading the same pages (the same 13 reads a die) without decoding anything. Decoding and writing
// the tree should add at most a fifth to the drive's own time. Figures: the real time of each case
// and the parse's ratio to the bare reads (target: at most 1.2), with the detail traces on (the
// station's default) and off. The library's traces go to a file in the bench's folder, never to the
// figures. The folder is under the temporary directory (TMPDIR chooses the file system measured).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "null_sort_view.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Sorting.h"
#include "settings/records.h"
#include "sorted_drive.h"
#include "sorting/parse_pages.h"
#include "sorting/sort_result_view.h"
#include "sorting/sort_results.h"
#include "support/emulated_drives.h"
#include "support/page_planting.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kChannels = 8, kCes = 4, kLuns = 2, kBlocks = 64, kPages = 32, kSectors = 32, kPlanes = 4;
constexpr std::size_t kPageBytes = kSectors * 512;
constexpr int kResultBlock = 40;
constexpr int kListPages = 4;  // error pages and factory-bad pages a die
constexpr std::uint8_t kRate = 2;  // the host's rate too (bench::SetSortHost)

// Page indexes read for a die, in the parse's order.
constexpr int kDieIndexes[] = {0, 2, 15, 16, 7, 8, 9, 10, 3, 4, 5, 6, 17};


// The result pages of the die on `channel`, FW bank `fwBank` (die number FW bank x 8 + channel), as
// full as the format lets them be, by page index. Needs the host's page size set.
std::map<int, Bytes> DiePages(int channel, int fwBank) {
    namespace st = sorting_test;
    const int die = fwBank * kChannels + channel;
    st::DieBlock d;
    const int units = kBlocks * kLuns / kPlanes;
    for (int u = 0; u < units; ++u)
        d.bad.push_back({static_cast<std::uint16_t>(u), static_cast<std::uint8_t>(1 + u % 15)});
    d.mark = {static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(fwBank), static_cast<std::uint8_t>(die),
              kListPages, kListPages};
    d.whole.results[die] = die % 3 == 0 ? 0x05 : 0;
    d.dieInfoCount = kChannels * kCes * kLuns;
    for (int e = 0; e < d.dieInfoCount; ++e) d.dieInfo[e].total = 12;
    // Every die's factory-bad region a few bits; error records of every die filling the four pages.
    for (std::size_t at = 5; at < kListPages * kPageBytes; at += 97) d.factory[at] = 0x21;
    for (std::size_t n = 0; n + 1 < kListPages * kPageBytes / 16; ++n) {
        const int owner = static_cast<int>(n % 64);
        st::ErrorRec r;
        r.bankTag = static_cast<std::uint8_t>(owner / kChannels);
        r.channel = static_cast<std::uint8_t>(owner % kChannels);
        r.planeMask = 0x5;
        r.type = static_cast<std::uint8_t>(n % 11);
        r.page = static_cast<std::uint16_t>(n % kPages);
        r.unit = static_cast<std::uint16_t>(n % units);
        r.maxErrBit = 40;
        r.action = static_cast<std::uint8_t>(n % 11);
        r.failLoop = 3;
        d.errors.push_back(r);
    }
    for (int b = 0; b < kBlocks * kLuns; ++b) d.eccBits.push_back(static_cast<std::uint8_t>(b % 50));

    std::map<int, Bytes> pages{
        {0, st::BbPage(d.bad)},
        {2, st::MarkPage(d.mark)},
        {15, st::WholePage(d.whole)},
        {16, st::DieInfoPage(d.dieInfo, d.dieInfoCount)},
        {17, st::EccPage(static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(fwBank), d.eccBits)}};
    const std::vector<Bytes> factory = st::FactoryPages(d.factory, kListPages);
    const std::vector<Bytes> errors = st::ErrorPages(d.errors, kListPages);
    for (int i = 0; i < kListPages; ++i) {
        pages[7 + i] = factory[static_cast<std::size_t>(i)];
        pages[3 + i] = errors[static_cast<std::size_t>(i)];
    }
    return pages;
}

// One drive under its sorting firmware with a result block on every die.
class Station {
  public:
    Station() {
        std::filesystem::create_directories(folder_);
        platform::SetProgramFolder(folder_);
        platform::TraceToFile((folder_ / "trace.log").string());
        // The host's view of the drive first: the fixture's page writers take its page size.
        bench::SetSortHost({kChannels, kCes, kLuns, kBlocks, kPages, kSectors, kPlanes});
        AP_RDTSet.SaveResultLog = 1;
        AP_RDTSet.DumpRAWFile = 1;
        AP_RDTSet.EnECCInfo = 1;
        AP_RDTSet.DisDBG_SORT = 0;
        AP_RDSetting.DumpDebugFile = 1;
        const std::string section =
            "Program=rdt\nSortRunMs=0\nFlashChannels=8\nFlashCEs=4\nFlashLuns=2\n"
            "FlashBlocks=64\nFlashPages=32\nFlashPageSectors=32\nFlashPlanes=4\n";
        drives_ = std::make_unique<test_support::EmulatedDrives>(std::vector<std::string>{section});
        emu::NandModel& nand = drives_->Nand(0);
        for (int ch = 0; ch < kChannels; ++ch) {
            for (int fw = 0; fw < kCes * kLuns; ++fw) {
                const std::map<int, Bytes> pages = DiePages(ch, fw);
                for (int index : kDieIndexes) {
                    test_support::PlantPage(nand, {ch, fw % kCes, fw / kCes, kResultBlock}, index, pages.at(index),
                                            kRate, 1);
                }
                wRsltBlk[0][ch][fw] = kResultBlock;
            }
        }
        nand.SetLatency({1000, 0, 0});
        VP_EnableVendorCmd(0, 1);
        std::strcpy(results_->m_sSerialNum, "SN-BENCH");
        results_->m_ucPort = 0;
    }
    ~Station() {
        platform::TraceToStderr();
        std::filesystem::remove_all(folder_);
    }

    // False when the parse listed nothing (the drive was not read). `detail`: [RDT] DisDBG_SORT 0.
    bool Parse(bool detail) {
        AP_RDTSet.DisDBG_SORT = detail ? 0 : 1;
        bench::NullSortView view;
        results_->ParseSortingResult(0, view);
        return view.rows > 0;
    }
    // The same pages, read one by one into one buffer; false when one was not read.
    bool ReadOnly() {
        for (int ch = 0; ch < kChannels; ++ch) {
            for (int fw = 0; fw < kCes * kLuns; ++fw) {
                for (int index : kDieIndexes) {
                    if (!VP_PROC_ReadSortResultPage(0, page_.data(), static_cast<std::uint8_t>(ch),
                                                    static_cast<std::uint8_t>(fw), kResultBlock, index)) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

  private:
    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / ("qv_bench_sort_parse_" + std::to_string(::getpid()));
    std::unique_ptr<test_support::EmulatedDrives> drives_;
    std::unique_ptr<sorting::SortResults> results_ = std::make_unique<sorting::SortResults>();
    Bytes page_ = Bytes(256 * 1024, 0);
};

Station& TheStation() {
    static Station station;
    return station;
}

double g_readSeconds = 0;

void Timed(benchmark::State& state, const std::function<bool()>& body, double* mean) {
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!body()) state.SkipWithError("the drive was not read");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        total += took.count();
        state.SetIterationTime(took.count());
    }
    *mean = state.iterations() == 0 ? 0 : total / static_cast<double>(state.iterations());
}

void BM_ReadPagesOnly(benchmark::State& state) {
    Station& station = TheStation();
    Timed(
        state, [&] { return station.ReadOnly(); }, &g_readSeconds);
    state.counters["dies"] = kChannels * kCes * kLuns;
}

void BM_ParseWithReportsAndDumps(benchmark::State& state) {
    Station& station = TheStation();
    double mean = 0;
    const bool detail = state.range(0) != 0;
    Timed(
        state, [&] { return station.Parse(detail); }, &mean);
    state.counters["dies"] = kChannels * kCes * kLuns;
    state.counters["detail_traces"] = detail ? 1 : 0;
    if (g_readSeconds > 0) state.counters["ratio_to_reads"] = mean / g_readSeconds;
}

BENCHMARK(BM_ReadPagesOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
// With the detail traces (the station's default, [RDT] DisDBG_SORT 0) and without them.
BENCHMARK(BM_ParseWithReportsAndDumps)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
