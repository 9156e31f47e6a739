#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/trace_sink.h"

namespace fs = std::filesystem;

namespace {

fs::path TempDir(const char* name) {
    fs::path dir = fs::temp_directory_path() / (std::string("qv_files_") + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(Files, JoinPathAcceptsBothSeparators) {
    EXPECT_EQ(platform::JoinPath("/opt/k", "log\\PFT_1.log"), fs::path("/opt/k/log/PFT_1.log"));
    EXPECT_EQ(platform::JoinPath("/opt/k", ".\\raw\\a.bin"), fs::path("/opt/k/raw/a.bin"));
    EXPECT_EQ(platform::JoinPath("/opt/k", "SYS/x.bin"), fs::path("/opt/k/SYS/x.bin"));
}

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    const fs::path dir = TempDir("atomic");
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
