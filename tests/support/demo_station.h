// Copies of the demo station (the folder the build generates, QV_DEMO_STATION) for tests that run
// the programs or their windows on one.
#pragma once

#include <filesystem>
#include <string>

namespace test_support {

// Copies `from` to `to`; a folder without its entry named `skip`.
inline void CopySkipping(const std::filesystem::path& from, const std::filesystem::path& to, const std::string& skip) {
    namespace fs = std::filesystem;
    if (skip.empty() || !fs::is_directory(from)) {
        fs::copy(from, to, fs::copy_options::recursive);
        return;
    }
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        if (entry.path().filename() != skip)
            fs::copy(entry.path(), to / entry.path().filename(), fs::copy_options::recursive);
    }
}

// Copies the station at `from` into the folder `to` (made as needed): its settings, lists, data files
// and bay, without the programs (a test places the one it runs) and what a `make run` left there (logs,
// counters, dumps, mount points), and with the bay's drives fresh, not those a person left prepared
// there (the bay folder's kept state).
inline void CopyDemoStation(const std::filesystem::path& to,
                            const std::filesystem::path& from = std::filesystem::path(QV_DEMO_STATION)) {
    namespace fs = std::filesystem;
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        const std::string name = entry.path().filename().string();
        if (name == "kestrane" || name == "vellumin" || name == "log" || name == "raw" || name == "Sorting_Log" ||
            name == "mnt") {
            continue;
        }
        CopySkipping(entry.path(), to / name, name == "bay" ? "state" : "");
    }
}

}  // namespace test_support
