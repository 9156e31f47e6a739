// A folder of a test's own under the temporary folder ($TMPDIR), empty when made and removed with all
// it holds when the object goes. The process id in its name keeps test programs that run side by side
// apart.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace test_support {

class ScratchFolder {
  public:
    // The folder "<name>_<process id>" under the temporary folder.
    explicit ScratchFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path of `name` in the folder.
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }
    // Writes `contents` as the whole file `name` (its folders made as needed) and returns its path.
    std::filesystem::path Write(const std::filesystem::path& name, std::string_view contents) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.close();
        EXPECT_TRUE(out) << "cannot write " << file;
        return file;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace test_support
