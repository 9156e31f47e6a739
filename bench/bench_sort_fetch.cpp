// The sorting-result fetch: the workers' read of each drive's result blocks (the table, then the
// mark, whole-info, die-info and error pages of every die) on 16 emulated drives of 16 dies each,
// read under the sorting firmware with a 1 ms page-read latency on the real clock, against one drive
// alone. The workers share no lock, so 16 drives should take little longer than one. Figures: the
// real time of each case and, for 16 drives, its ratio to one drive (target: at most 1.3).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "app/sort_result_read.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "sorted_drive.h"

namespace {

constexpr int kDrives = 16;
constexpr int kChannels = 4, kCes = 4, kBlocks = 64, kSectors = 8, kPlanes = 4;
constexpr bench::SortedFlash kFlash{kChannels, kCes, 1, kBlocks, 32, kSectors, kPlanes};

// 16 drives whose sorting firmware has run and left its result blocks, the host set up for them.
class Station {
  public:
    Station() {
        platform::SetProgramFolder(folder_);
        std::filesystem::create_directories(folder_);
        drives_ = std::make_unique<test_support::EmulatedDrives>(
            std::vector<std::string>(kDrives, bench::SortedDriveSection(kFlash)));
        for (int port = 0; port < kDrives; ++port) {
            bench::RunSortingFirmware(*drives_, port, kFlash, 1000);
            VP_EnableVendorCmd(port, 1);
        }
        AP_INIState.MaxPhyChannel = kChannels;
        AP_INIState.MaxPhyBank = kCes;
        std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
        AP_FlashSet.ucDiePerCE = 1;
        AP_FlashSet.ucPlanes = kPlanes;
        AP_FlashSet.bPageSector = kSectors;
        AP_FlashSet.ucLdpcMode = 2;
        AP_FlashSet.wBlocks = kBlocks;
        for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i);
        AP_RDTSet.DisDBG_SORT = 1;
    }
    ~Station() { std::filesystem::remove_all(folder_); }

    // Reads `drives` drives at once, one thread each, as the fetch run's workers do; false when a
    // drive did not pass.
    bool Fetch(int drives) {
        std::vector<std::thread> workers;
        std::vector<std::uint8_t> results(static_cast<std::size_t>(drives), 0);
        for (int port = 0; port < drives; ++port) {
            workers.emplace_back([this, port, &results] {
                Tables& t = tables_[port];
                results[static_cast<std::size_t>(port)] =
                    app::ReadDeviceSortResult(port, port, {&t.die, &t.summary, t.errors}, {});
            });
        }
        for (std::thread& w : workers) w.join();
        for (std::uint8_t r : results) {
            if (r != app::kSortPass) return false;
        }
        return true;
    }

  private:
    struct Tables {
        app::DieTestInfoTable die{};
        app::SortSummary summary;
        app::SortErrorEntry errors[app::kSortErrorEntries];
    };
    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / ("qv_bench_sort_fetch_" + std::to_string(::getpid()));
    platform::TraceCapture trace_;  // the library's traces stay out of the figures
    std::unique_ptr<test_support::EmulatedDrives> drives_;
    std::vector<Tables> tables_ = std::vector<Tables>(kDrives);
};

Station& TheStation() {
    static Station station;
    return station;
}

double g_oneDriveSeconds = 0;

void BM_SortFetch(benchmark::State& state) {
    Station& station = TheStation();
    const int drives = static_cast<int>(state.range(0));
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!station.Fetch(drives)) state.SkipWithError("a drive did not pass");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        total += took.count();
        state.SetIterationTime(took.count());
    }
    const double mean = state.iterations() == 0 ? 0 : total / static_cast<double>(state.iterations());
    state.counters["drives"] = drives;
    if (drives == 1) g_oneDriveSeconds = mean;
    if (drives > 1 && g_oneDriveSeconds > 0) state.counters["ratio_to_one_drive"] = mean / g_oneDriveSeconds;
}
BENCHMARK(BM_SortFetch)->Arg(1)->Arg(kDrives)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
