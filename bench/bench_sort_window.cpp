// The sorting-result window's opening on one emulated drive of 64 dies (8 channels, 4 CEs, 2 LUNs)
// whose sorting firmware has run, read with a 1 ms page-read latency on the real clock, against the
// result parse alone on the same drive in the same run. The opening adds the die grid, the lists of
// every row, the settings rows and the LUN redraw to the parse. Figures: the real time of each case
// and the opening's ratio to the parse (target: at most 1.3).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "null_sort_view.h"
#include "emu/sorting_program.h"
#include "forms/application.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "sorted_drive.h"
#include "sorting/sort_main_form.h"

namespace {

constexpr int kChannels = 8, kCes = 4, kLuns = 2, kBlocks = 64, kSectors = 8, kPlanes = 4;
constexpr bench::SortedFlash kFlash{kChannels, kCes, kLuns, kBlocks, 32, kSectors, kPlanes};

// One drive whose sorting firmware has run and left its result blocks, the host set up for it as
// the result fetch leaves it (wRsltBlk from the drive's table).
class Station {
  public:
    Station() {
        platform::SetProgramFolder(folder_);
        std::filesystem::create_directories(folder_);
        drives_ =
            std::make_unique<test_support::EmulatedDrives>(std::vector<std::string>{bench::SortedDriveSection(kFlash)});
        bench::RunSortingFirmware(*drives_, 0, kFlash, 1000);
        VP_EnableVendorCmd(0, 1);
        bench::SetSortHost(kFlash);
        AP_RDTSet.DisDBG_SORT = 1;
        AP_RDTSet.SaveResultLog = 2;  // neither case writes the report tree
        AP_RDTSet.EnECCInfo = 1;
        // The table the sorting firmware keeps, as the result fetch reads it.
        const emu::SortResultTable table = drives_->Drive(0).programs.sortRun->ResultBlocks();
        ok_ = drives_->Drive(0).programs.sortRun->LastRun().has_value();
        for (int ch = 0; ch < 8; ++ch) {
            for (int f = 0; f < 8; ++f) {
                wRsltBlk[0][ch][f] = table[ch][f];
                ok_ = ok_ && wRsltBlk[0][ch][f] != 0;
            }
        }
        form_ = std::make_unique<TSortMainForm>();
    }
    ~Station() {
        form_.reset();
        std::filesystem::remove_all(folder_);
    }

    bool Ready() const { return ok_; }
    // The parse alone, into a view that keeps nothing.
    void Parse() {
        bench::NullSortView view;
        results_->ParseSortingResult(0, view);
    }
    // The window opened and closed, as the Detail button does with a modal showing.
    bool Open() {
        form_->m_ucPort = 0;
        form_->show();
        const bool drawn = form_->Tprogram_ListView != nullptr && form_->findChild<QWidget*>("SR_Die_Panel_C7B3") &&
                           !form_->findChild<QWidget*>("SR_Die_Panel_C7B3")->isHidden();
        form_->close();
        return drawn;
    }

  private:

    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / ("qv_bench_sort_window_" + std::to_string(::getpid()));
    platform::TraceCapture trace_;  // the library's traces stay out of the figures
    std::unique_ptr<test_support::EmulatedDrives> drives_;
    std::unique_ptr<sorting::SortResults> results_ = std::make_unique<sorting::SortResults>();
    std::unique_ptr<TSortMainForm> form_;
    bool ok_ = false;
};

Station& TheStation() {
    static Station station;
    return station;
}

double g_parseSeconds = 0;

template <class Body>
double Measure(benchmark::State& state, Body body) {
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        total += took.count();
        state.SetIterationTime(took.count());
    }
    return state.iterations() == 0 ? 0 : total / static_cast<double>(state.iterations());
}

void BM_ParseAlone(benchmark::State& state) {
    Station& station = TheStation();
    if (!station.Ready()) state.SkipWithError("the drive left no result blocks");
    g_parseSeconds = Measure(state, [&] { station.Parse(); });
}
BENCHMARK(BM_ParseAlone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WindowOpening(benchmark::State& state) {
    Station& station = TheStation();
    if (!station.Ready()) state.SkipWithError("the drive left no result blocks");
    bool drawn = true;
    const double mean = Measure(state, [&] { drawn = station.Open() && drawn; });
    if (!drawn) state.SkipWithError("the window did not draw the last die");
    if (g_parseSeconds > 0) state.counters["ratio_to_parse"] = mean / g_parseSeconds;
}
BENCHMARK(BM_WindowOpening)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    forms::Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
