// The flash list and the TMC list against one parse of their files: LoadFlashIni of a full list
// (50 vendors, 500 parts) and the TMC list's 100 "Note" look-ups, each beside reading and parsing
// the same file once with forms::IniText. Targets: the flash list at most 5 times one parse, the
// TMC list at most 3 times.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/flash_list_file.h"
#include "app/tmc_sections.h"
#include "forms/ini_text.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Folder() {
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("qv_bench_lists_" + std::to_string(::getpid()));
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

fs::path FullFlashList() {
    const fs::path path = Folder() / "FlashList.ini";
    std::string text = "[Version]\r\nFlashIniVer=bench\r\n\r\n[Vendor]\r\n";
    for (int v = 0; v < 50; ++v) text += "Name" + std::string(v < 10 ? "0" : "") + std::to_string(v) + "=Vendor" + std::to_string(v) + "\r\n";
    for (int v = 0; v < 50; ++v) {
        text += "\r\n[Vendor" + std::to_string(v) + "]\r\n";
        for (int i = 0; i < 10; ++i) {
            char line[256];
            std::snprintf(line, sizeof line,
                          "Name%03d=B27B%03dG QVB27B%03dG4P %d 2 2 2016 2304 16 1 1 0x9B 0xC4 0x58 0x32 0xA6 0x%02X 0 0 0 "
                          "1 4 0 0 0 00000\r\n",
                          i, v, i, v % 7, i);
            text += line;
        }
    }
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

fs::path FullTmcFile() {
    const fs::path path = Folder() / "TMC_TGL2.ini";
    std::string text = "; timing sets\r\n";
    for (int clock : {33, 100, 200, 266, 333, 400}) {
        for (int profile = 0; profile < 8; ++profile) {
            char header[64];
            std::snprintf(header, sizeof header, "[TIMING_SETTING_TYPE_01%03d%02d]\r\n", clock, profile);
            text += header;
            text += "Note=Toggle " + std::to_string(clock) + " MHz profile " + std::to_string(profile) + "\r\n";
            for (const char* key : {"Clock", "Timing_Mode", "High_Speed_Setting", "Output_Drive_Strength", "EnDQSn",
                                    "Pre_Emphsis", "EnPreEmp", "IC_Driving", "ODT_Control", "DQSO", "DQSI",
                                    "EnIC_ODT", "DQS_Driving"}) {
                text += std::string(key) + "=0x11111111\r\n";
            }
            text += "\r\n";
        }
    }
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void BM_FlashListOneParse(benchmark::State& state) {
    const fs::path path = FullFlashList();
    for (auto _ : state) {
        const forms::IniText text = forms::IniText::Parse(ReadAll(path));
        benchmark::DoNotOptimize(text.Lines().size());
    }
}
BENCHMARK(BM_FlashListOneParse)->Unit(benchmark::kMicrosecond);

void BM_LoadFlashIni(benchmark::State& state) {
    const fs::path path = FullFlashList();
    int vendors = 0, records = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadFlashIni(path, &vendors, &records));
    }
    if (records != 500) state.SkipWithError("the full list did not load");
}
BENCHMARK(BM_LoadFlashIni)->Unit(benchmark::kMicrosecond);

void BM_TmcFileOneParse(benchmark::State& state) {
    const fs::path path = FullTmcFile();
    for (auto _ : state) {
        const forms::IniText text = forms::IniText::Parse(ReadAll(path));
        benchmark::DoNotOptimize(text.Lines().size());
    }
}
BENCHMARK(BM_TmcFileOneParse)->Unit(benchmark::kMicrosecond);

void BM_TmcListNotes(benchmark::State& state) {
    const fs::path path = FullTmcFile();
    std::size_t listed = 0;
    for (auto _ : state) {
        listed = app::TmcSectionsOf(app::TmcText(path), 1, 400).size();
        benchmark::DoNotOptimize(listed);
    }
    if (listed != 8) state.SkipWithError("the TMC list is not the file's");
}
BENCHMARK(BM_TmcListNotes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
