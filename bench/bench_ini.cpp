// The INI engine on a full settings file of about 420 keys: load, read every key, set every key, save.
// Target: one whole load-query-set-save cycle under 2 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "settings/ini_engine.h"

namespace fs = std::filesystem;

namespace {

enum class Kind { Int, Hex, Text };

struct Key {
    std::string section;
    std::string name;
    Kind kind;
};

struct Station {
    fs::path dir;
    std::string path;
    std::vector<Key> keys;
    std::size_t bytes = 0;
};

// A settings file shaped like the real one: seven sections, comments, a few text and hex keys, CR LF.
Station MakeStation(const fs::path& base) {
    struct Shape {
        const char* section;
        const char* prefix;
        int count;
    };
    const Shape shapes[] = {
        {"Setting", "Tool", 60},
        {"TestItems", "EnCheck", 95},
        {"DeviceSetting", "Device", 40},
        {"FlashSetting", "Flash", 40},
        {"FwSetting", "Fw", 110},
        {"RDSetting", "Dump", 15},
        {"RDT", "Rdt", 60},
    };
    // Key names of realistic length and variety: "EnCheckNandLoop12", "FwBlockThreshold40", ...
    const char* const words[] = {"Nand", "Block", "Loop", "Mode", "Threshold", "Value", "Count", "Path"};
    Station st;
    st.dir = base / ("qv_bench_ini_" + std::to_string(::getpid()));
    fs::create_directories(st.dir);
    st.path = (st.dir / "RIVIDO.ini").string();
    std::string text = "; Settings of the MP station\r\n";
    for (const Shape& s : shapes) {
        text += std::string("[") + s.section + "]\r\n";
        for (int i = 0; i < s.count; ++i) {
            Key key{s.section, s.prefix + std::string(words[i % 8]) + words[(i / 8) % 8] + std::to_string(i),
                    Kind::Int};
            char line[128];
            if (i % 11 == 5) {
                key.kind = Kind::Text;
                std::snprintf(line, sizeof line, "%s=.\\DAT\\file_%03d.bin\r\n", key.name.c_str(), i);
            } else if (i % 7 == 3) {
                key.kind = Kind::Hex;
                std::snprintf(line, sizeof line, "%s=0x%08X\r\n", key.name.c_str(), 0x1000u * i);
            } else {
                std::snprintf(line, sizeof line, "%s=%d\r\n", key.name.c_str(), i * 4099);
            }
            if (i % 20 == 10) text += "; group " + std::to_string(i / 20) + "\r\n";
            text += line;
            st.keys.push_back(std::move(key));
        }
        text += "\r\n";
    }
    platform::WriteWholeFile(st.path, text);
    st.bytes = text.size();
    return st;
}

// The station folder on the disk that holds the temporary folder: the save's flush to disk counts.
const Station& TheStation() {
    static const Station station = MakeStation(fs::temp_directory_path());
    return station;
}

// The same file in memory (/dev/shm, when there is one): the engine's own cost, without the disk.
const Station& TheRamStation() {
    static const Station station =
        MakeStation(fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
    return station;
}

std::int64_t QueryAll(const Station& st) {
    std::int64_t sum = 0;
    char text[260];
    const char* p = st.path.c_str();
    for (const Key& k : st.keys) {
        switch (k.kind) {
            case Kind::Int:
                sum += IniGetInt(k.section.c_str(), k.name.c_str(), 0, p);
                break;
            case Kind::Hex:
                sum += IniGetHex(k.section.c_str(), k.name.c_str(), 0, p);
                break;
            case Kind::Text:
                sum += static_cast<std::int64_t>(
                    IniGetString(k.section.c_str(), k.name.c_str(), "", text, sizeof text, p));
                break;
        }
    }
    return sum;
}

void SetAll(const Station& st, int round) {
    char text[64];
    const char* p = st.path.c_str();
    for (const Key& k : st.keys) {
        switch (k.kind) {
            case Kind::Int:
                IniSetInt(k.section.c_str(), k.name.c_str(), round, p);
                break;
            case Kind::Hex:
                std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(round));
                IniSetString(k.section.c_str(), k.name.c_str(), text, p);
                break;
            case Kind::Text:
                std::snprintf(text, sizeof text, ".\\DAT\\file_%03d.bin", round % 1000);
                IniSetString(k.section.c_str(), k.name.c_str(), text, p);
                break;
        }
    }
}

// The whole cycle that a settings load and save of the main window costs.
void RunCycle(benchmark::State& state, const Station& st) {
    int round = 0;
    for (auto _ : state) {
        IniLoadFile(st.path.c_str());
        benchmark::DoNotOptimize(QueryAll(st));
        SetAll(st, round++ % 8);
        if (IniSaveFile(st.path.c_str()) != 1) state.SkipWithError("save failed");
    }
    state.counters["keys"] = static_cast<double>(st.keys.size());
    state.counters["bytes"] = static_cast<double>(st.bytes);
}

void BM_IniLoadQuerySetSave(benchmark::State& state) {
    RunCycle(state, TheStation());
}
BENCHMARK(BM_IniLoadQuerySetSave)->Unit(benchmark::kMicrosecond);

void BM_IniLoadQuerySetSaveInMemory(benchmark::State& state) {
    RunCycle(state, TheRamStation());
}
BENCHMARK(BM_IniLoadQuerySetSaveInMemory)->Unit(benchmark::kMicrosecond);

// The parts of the cycle on their own.
void BM_IniLoad(benchmark::State& state) {
    const Station& st = TheStation();
    for (auto _ : state) IniLoadFile(st.path.c_str());
}
BENCHMARK(BM_IniLoad)->Unit(benchmark::kMicrosecond);

void BM_IniQueryAll(benchmark::State& state) {
    const Station& st = TheStation();
    IniLoadFile(st.path.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(QueryAll(st));
}
BENCHMARK(BM_IniQueryAll)->Unit(benchmark::kMicrosecond);

void BM_IniSetAll(benchmark::State& state) {
    const Station& st = TheStation();
    IniLoadFile(st.path.c_str());
    int round = 0;
    for (auto _ : state) SetAll(st, round++ % 8);
}
BENCHMARK(BM_IniSetAll)->Unit(benchmark::kMicrosecond);

void BM_IniSave(benchmark::State& state) {
    const Station& st = TheStation();
    IniLoadFile(st.path.c_str());
    for (auto _ : state) {
        if (IniSaveFile(st.path.c_str()) != 1) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_IniSave)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(TheStation().dir, ec);
    fs::remove_all(TheRamStation().dir, ec);
    return 0;
}
