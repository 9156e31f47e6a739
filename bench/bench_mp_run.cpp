// The MP run on a station of 16 emulated drives behind two 8-port hubs (bridges alternating) with
// realistic flash and bridge times, the main window offscreen on the real clock: START for one
// JMicron-type drive alone, for one ASMedia-type drive alone, then for all 16. Every drive must pass,
// else the program fails. Prints each wall time, the ratio of the 16-drive run to the slower single
// drive, the GUI thread's CPU time as a share of the 16-drive wall time, the run's total CPU time,
// peak resident memory and one drive's time per item. Targets: the ratio at most 1.2, the GUI thread
// under 10%.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/run_state.h"
#include "app/settings_pages.h"
#include "emu/bay.h"
#include "forms/message_pump.h"
#include "forms/scripted_ui_port.h"
#include "forms/ui_port.h"
#include "platform/files.h"
#include "platform/named_lock.h"
#include "platform/trace_sink.h"
#include "transport/port_instance.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDrives = 16;

std::string BayIni() {
    std::string ini = "[RootHub1]\nBus=2\nSpeed=usb3\nPorts=4\n";
    for (int h = 1; h <= 2; ++h) ini += "[Hub" + std::to_string(h) + "]\nId=2-" + std::to_string(h) + "\nPorts=8\n";
    for (int i = 0; i < kDrives; ++i) {
        ini += "[Drive" + std::to_string(i + 1) + "]\nId=2-" + std::to_string(i / 8 + 1) + "." +
               std::to_string(i % 8 + 1) + "\n";
        ini += i % 2 == 0 ? "Bridge=jmicron\nChip=0583\n" : "Bridge=asmedia\n";
        ini += "FlashChannels=4\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=2016\nFlashPages=2304\nFlashPageSectors=32\n";
        ini += "ReadLatencyUs=60\nProgramLatencyUs=600\nEraseLatencyUs=3500\nCommandLatencyUs=150\n";
    }
    return ini;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto secs = [](const timeval& v) { return static_cast<double>(v.tv_sec) + static_cast<double>(v.tv_usec) / 1e6; };
    return secs(u.ru_utime) + secs(u.ru_stime);
}

// The status texts device 0 showed during a run, each with the time it appeared.
struct ItemTimes {
    std::vector<std::pair<std::string, double>> texts;
};

struct RunFigures {
    double wallSeconds = 0;
    double guiCpuSeconds = 0;
    double cpuSeconds = 0;
    int passed = 0;
    int expected = 0;
    ItemTimes items;
};

RunFigures Run(TMainForm& w, std::uint16_t selected, int watchDevice) {
    RunFigures f;
    for (int d = 0; d < kDrives; ++d) {
        if (selected == 0 || ((selected >> d) & 1)) ++f.expected;
    }
    g_SelectedDevice = selected;
    const auto start = std::chrono::steady_clock::now();
    auto seconds = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::string text = g_DeviceSlots.Read(watchDevice).status;
        if (f.items.texts.empty() || f.items.texts.back().first != text) f.items.texts.emplace_back(text, seconds());
    });
    watch.start();
    const double gui0 = ThreadCpuSeconds();
    const double cpu0 = ProcessCpuSeconds();
    w.ExecuteButtonClick(w.ExecuteButton);
    f.wallSeconds = seconds();
    f.guiCpuSeconds = ThreadCpuSeconds() - gui0;
    f.cpuSeconds = ProcessCpuSeconds() - cpu0;
    watch.stop();
    g_SelectedDevice = 0;
    for (int d = 0; d < kDrives; ++d) {
        if (selected != 0 && !((selected >> d) & 1)) continue;
        if (g_DeviceSlots.Read(d).status == "Pass") {
            ++f.passed;
        } else {
            std::printf("device %d: \"%s\"\n", d + 1, g_DeviceSlots.Read(d).status.c_str());
        }
    }
    return f;
}

// Serves the window's events for `ms` milliseconds (the drives' re-plug after a run settles).
void Settle(long long ms) {
    forms::PumpUntil([] { return false; }, ms);
}

}  // namespace

int main(int argc, char** argv) {
    // The figures alone: the run's trace lines (some 86,000) go nowhere.
    platform::TraceToNothing();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path station = fs::temp_directory_path() / ("qv_bench_mp_run_" + std::to_string(::getpid()));
    fs::remove_all(station);
    fs::create_directories(station);
    for (const auto& entry : fs::directory_iterator(QV_DEMO_STATION)) {
        const std::string name = entry.path().filename().string();
        if (name == "kestrane" || name == "log" || name == "raw" || name == "Sorting_Log") continue;
        fs::copy(entry.path(), station / entry.path().filename(), fs::copy_options::recursive);
    }
    std::ofstream(station / "bay" / "bay.ini", std::ios::binary | std::ios::trunc) << BayIni();
    platform::SetProgramFolder(station);
    platform::SetLockFolder(station / "locks");
    fs::create_directories(station / "locks");
    std::string error;
    auto bay = emu::InstallBay(station / "bay", &error);
    if (!bay) {
        std::fprintf(stderr, "bay: %s\n", error.c_str());
        return 1;
    }
    forms::ScriptedUiPort ui;
    forms::ScopedUiPort scopedUi(ui);
    int rc = 0;
    app::RegisterBuiltSettingsPages();
    {
        TMainForm w;
        w.FormCreate(&w);
        w.OnTimer(kEnumTimerId);
        int connected = 0;
        for (int d = 0; d < kDrives; ++d) connected += g_DeviceToPortMap[d] != kNoPort ? 1 : 0;
        std::printf("drives enumerated: %d\n", connected);
        const RunFigures jm = Run(w, 1u << 0, 0);
        Settle(3500);
        w.OnTimer(kEnumTimerId);
        const RunFigures as = Run(w, 1u << 1, 1);
        Settle(3500);
        w.OnTimer(kEnumTimerId);
        const RunFigures all = Run(w, 0, 0);
        const double slower = std::max(jm.wallSeconds, as.wallSeconds);
        std::printf("single JMicron-type drive: %.3f s (%d/%d pass)\n", jm.wallSeconds, jm.passed, jm.expected);
        std::printf("single ASMedia-type drive: %.3f s (%d/%d pass)\n", as.wallSeconds, as.passed, as.expected);
        std::printf("all %d drives:             %.3f s (%d/%d pass)\n", kDrives, all.wallSeconds, all.passed,
                    all.expected);
        std::printf("ratio 16 / slower single:  %.3f (target <= 1.2)\n", all.wallSeconds / slower);
        std::printf("GUI thread CPU share:      %.2f %% of the 16-drive wall time (target < 10 %%)\n",
                    100.0 * all.guiCpuSeconds / all.wallSeconds);
        std::printf("16-drive run's CPU time:   %.3f s\n", all.cpuSeconds);
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        std::printf("peak resident memory:      %.1f MiB\n", static_cast<double>(u.ru_maxrss) / 1024.0);
        std::printf("device 1 in the 16-drive run, time per status text:\n");
        for (std::size_t i = 0; i < all.items.texts.size(); ++i) {
            const double end = i + 1 < all.items.texts.size() ? all.items.texts[i + 1].second : all.wallSeconds;
            std::printf("  %-28s %8.3f s\n", all.items.texts[i].first.c_str(), end - all.items.texts[i].second);
        }
        if (jm.passed != jm.expected || as.passed != as.expected || all.passed != all.expected || connected != kDrives) {
            std::printf("FAIL: not every drive passed\n");
            rc = 1;
        }
        w.FormDestroy(&w);
    }
    fs::remove_all(station);
    return rc;
}
