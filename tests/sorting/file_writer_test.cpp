#include "sorting/file_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FileWriter : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path File(int n) const { return folder_ / ("f" + std::to_string(n) + ".raw"); }
    static std::vector<std::uint8_t> Data(int n) { return std::vector<std::uint8_t>(100 + n, static_cast<std::uint8_t>(n)); }

    fs::path folder_ = fs::temp_directory_path() / ("qv_file_writer_" + std::to_string(::getpid()));
};

// More files than the queue holds, so that Write waits on the writer; each file whole after Finish
// and after the writer is gone without Finish; a file replaced keeps only the last data.
TEST_F(FileWriter, EveryFileIsWholeOnceFinishedOrDestroyed) {
    constexpr int kFiles = 200;
    {
        sorting::BackgroundFileWriter writer;
        for (int n = 0; n < kFiles; ++n) writer.Write(File(n).string(), Data(n));
        writer.Finish();
        for (int n = 0; n < kFiles; ++n) ASSERT_EQ(Read(File(n)), Data(n)) << n;
        writer.Write(File(0).string(), Data(1));
        for (int n = kFiles; n < 2 * kFiles; ++n) writer.Write(File(n).string(), Data(n % 50));
    }
    EXPECT_EQ(Read(File(0)), Data(1));
    for (int n = kFiles; n < 2 * kFiles; ++n) ASSERT_EQ(Read(File(n)), Data(n % 50)) << n;
}

TEST_F(FileWriter, AFileThatCannotBeCreatedDoesNotStopTheOthers) {
    sorting::BackgroundFileWriter writer;
    writer.Write((folder_ / "no_such_folder" / "x.raw").string(), Data(1));
    writer.Write(File(2).string(), Data(2));
    writer.Finish();
    EXPECT_FALSE(fs::exists(folder_ / "no_such_folder"));
    EXPECT_EQ(Read(File(2)), Data(2));
}

}  // namespace
