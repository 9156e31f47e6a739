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

#include "emu/sorting_program.h"
#include "forms/application.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "sorting/sort_main_form.h"
#include "support/emulated_drives.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kChannels = 8, kCes = 4, kLuns = 2, kBlocks = 64, kPages = 32, kSectors = 8, kPlanes = 4;

void Le16(Bytes& b, std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The init block at byte 1248 of the variable block: every die of both LUNs tested.
Bytes VariableBlock() {
    Bytes v(4096, 0);
    const std::size_t at = 1248;
    v[at + 1] = 1;
    Le16(v, at + 2, kBlocks * kLuns);  // blocks of a CE, both LUNs
    Le16(v, at + 4, kPages);
    Le16(v, at + 6, kSectors / 2);
    v[at + 8] = kLuns;
    v[at + 9] = kPlanes;
    v[at + 10] = 2;
    v[at + 12] = kChannels;
    v[at + 13] = kCes;
    for (int ch = 0; ch < kChannels; ++ch) {
        for (int ce = 0; ce < kCes; ++ce) {
            v[at + 32 + 4 * ch + ce] = 0x03;   // loader blocks 0 and 1
            v[at + 688 + 4 * ch + ce] = 0x03;  // both LUNs tested
        }
    }
    std::fill(v.begin() + at + 720, v.begin() + at + 912, 0xFF);
    return v;
}

Bytes PatternPage() {
    Bytes p(kSectors * 512, 0xAA);
    std::memcpy(p.data(), "SORT", 4);
    Le16(p, 8, 20);
    Le16(p, 10, 30);
    Le16(p, 14, 60);
    Le16(p, 73, 1);
    return p;
}

// One drive whose sorting firmware has run and left its result blocks, the host set up for it as
// the result fetch leaves it (wRsltBlk from the drive's table).
class Station {
  public:
    Station() {
        platform::SetProgramFolder(folder_);
        std::filesystem::create_directories(folder_);
        const std::string section =
            "Program=rdt\nSortRunMs=0\nFlashChannels=8\nFlashCEs=4\nFlashLuns=2\n"
            "FlashBlocks=64\nFlashPages=32\nFlashPageSectors=8\nFlashPlanes=4\n";
        drives_ = std::make_unique<test_support::EmulatedDrives>(std::vector<std::string>{section});
        emu::ControllerCore& core = drives_->Core(0);
        core.Ram().Write(0, VariableBlock());
        drives_->Nand(0).Program({0, 0, 0, 0, 4}, PatternPage(), 2, 1);
        drives_->Drive(0).programs.sortRun->Start(core, {0, 0, 0, 0, 0});
        VP_EnableVendorCmd(0, 1);
        AP_INIState.MaxPhyChannel = kChannels;
        AP_INIState.MaxPhyBank = kCes;
        std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
        AP_FlashSet.ucDiePerCE = kLuns;
        AP_FlashSet.ucPlanes = kPlanes;
        AP_FlashSet.bPageSector = kSectors;
        AP_FlashSet.ucLdpcMode = 2;
        AP_FlashSet.wBlocks = kBlocks * kLuns;
        for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i);
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
        drives_->Nand(0).SetLatency({1000, 0, 0});
        form_ = std::make_unique<TSortMainForm>();
    }
    ~Station() {
        form_.reset();
        std::filesystem::remove_all(folder_);
    }

    bool Ready() const { return ok_; }
    // The parse alone, into a view that keeps nothing.
    void Parse() {
        NullView view;
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
    class NullView : public sorting::SortResultView {
      public:
        void AddRow(sorting::ResultList, const sorting::ListRow&) override {}
        void SetText(sorting::ResultText, const std::string&) override {}
        void SetCounter(sorting::ResultCounter, const std::string&) override {}
        std::uint32_t TotalResultColour() const override { return colour_; }
        void SetTotalResultColour(std::uint32_t colour) override { colour_ = colour; }
        void SetResult2UI(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {}
        void CheckLunRadio(unsigned) override {}
        void SetECCInfo2UI(std::uint8_t, std::uint8_t, std::uint8_t) override {}
        void SetRDTSetting2UI(const sorting::EchoRowList&) override {}
        void SetLight2UI() override {}

      private:
        std::uint32_t colour_ = 0;
    };

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
