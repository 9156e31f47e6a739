#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/trace_sink.h"
#include "support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using test_support::ScratchFolder;

TEST(Files, JoinPathAcceptsBothSeparators) {
    EXPECT_EQ(platform::JoinPath("/opt/k", "log\\PFT_1.log"), fs::path("/opt/k/log/PFT_1.log"));
    EXPECT_EQ(platform::JoinPath("/opt/k", ".\\raw\\a.bin"), fs::path("/opt/k/raw/a.bin"));
    EXPECT_EQ(platform::JoinPath("/opt/k", "SYS/x.bin"), fs::path("/opt/k/SYS/x.bin"));
}

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    const ScratchFolder scratch("qv_files_atomic");
    const fs::path& dir = scratch.Path();
    const fs::path file = dir / "RIVIDO.ini";
    ASSERT_TRUE(platform::WriteWholeFile(file, "old"));
    ASSERT_TRUE(platform::WriteFileAtomic(file, "new contents"));
    EXPECT_EQ(platform::ReadWholeFile(file).value(), "new contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(Files, AtomicWriteIntoAMissingFolderFailsAndReadOfMissingFileIsEmpty) {
    EXPECT_FALSE(platform::WriteFileAtomic("/nonexistent-folder/x.ini", "data"));
    EXPECT_FALSE(platform::ReadWholeFile("/nonexistent-folder/x.ini").has_value());
}

TEST(Files, AtomicWriteRemovesOnlyTheTemporariesKilledSavesLeft) {
    const ScratchFolder scratch("qv_files_stale");
    const fs::path& dir = scratch.Path();
    const fs::path file = dir / "RIVIDO.ini";
    const pid_t gone = ::fork();  // a process id that is surely gone once reaped
    ASSERT_GE(gone, 0);
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone);
    const std::string live = std::to_string(::getppid());
    struct Case {
        std::string name;
        bool old;  // written two hours ago
        bool removed;
    };
    const Case cases[] = {
        {"RIVIDO.ini.tmp-" + dead + "-0", false, true},     // a killed save
        {"RIVIDO.ini.tmp-" + dead + "-17", false, true},
        {"RIVIDO.ini.tmp-" + live + "-0", false, false},    // a save in flight in a live process
        {"RIVIDO.ini.tmp-" + live + "-1", true, true},      // its process id taken again long after
        {"RIVIDO.ini.tmp-" + dead, false, false},           // not a temporary's name
        {"RIVIDO.ini.tmp-" + dead + "-x", false, false},
        {"RIVIDO.ini.tmp-notes", true, false},
        {"OTHER.ini.tmp-" + dead + "-0", false, false},     // another file's
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(platform::WriteWholeFile(dir / c.name, "left over"));
        if (c.old) fs::last_write_time(dir / c.name, fs::file_time_type::clock::now() - std::chrono::hours(2));
    }
    ASSERT_TRUE(platform::WriteFileAtomic(file, "saved"));
    for (const Case& c : cases) EXPECT_EQ(fs::exists(dir / c.name), !c.removed) << c.name;
    EXPECT_EQ(platform::ReadWholeFile(file).value(), "saved");
}

// Workers that make the same folders at the same moment all find them made: the one that loses the
// race to create a folder sees it there.
TEST(Files, FoldersMadeByManyThreadsAtOnceAreMadeForEach) {
    const ScratchFolder scratch("qv_files_folders");
    const fs::path& dir = scratch.Path();
    constexpr int kThreads = 8;
    for (int round = 0; round < 100; ++round) {
        const fs::path folder = dir / std::to_string(round) / "Sorting_Log" / "AnalysisData";
        std::atomic<int> waiting{kThreads};
        std::atomic<int> made{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                waiting.fetch_sub(1);
                while (waiting.load() > 0) std::this_thread::yield();
                if (platform::MakeFolders(folder)) made.fetch_add(1);
            });
        }
        for (std::thread& t : threads) t.join();
        ASSERT_EQ(made.load(), kThreads) << "round " << round;
    }
    // A file in the way is no folder.
    platform::WriteWholeFile(dir / "file", "x");
    EXPECT_FALSE(platform::MakeFolders(dir / "file"));
    EXPECT_FALSE(platform::MakeFolders(dir / "file" / "below"));
}

TEST(Files, ProgramFolderCanBeChosen) {
    const fs::path before = platform::ProgramFolder();
    EXPECT_FALSE(before.empty());
    platform::SetProgramFolder("/tmp/station");
    EXPECT_EQ(platform::ProgramFolder(), fs::path("/tmp/station"));
    platform::SetProgramFolder(before);
}

TEST(TraceSink, CaptureReceivesWholeLinesFromManyThreads) {
    platform::TraceCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i) platform::WriteTrace("line " + std::to_string(t) + "\n");
        });
    }
    for (auto& th : threads) th.join();
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 800u);
    for (const auto& l : lines) EXPECT_EQ(l.rfind("line ", 0), 0u);
}

}  // namespace
