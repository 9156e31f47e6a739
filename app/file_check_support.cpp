#include "app/file_check_support.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "forms/ui_port.h"
#include "platform/files.h"
#include "transport/trace.h"

namespace app::files {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string FullPath(const std::string& relative) {
    return platform::JoinPath(platform::ProgramFolder(), relative).string();
}

bool StorePath(char (&field)[kPathBytes], const std::string& path) {
    if (path.size() >= kPathBytes) {
        TraceOut("######### - The path '%s' is longer than %d characters!\n", path.c_str(), int(kPathBytes - 1));
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, path.c_str(), path.size() + 1);
    return true;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

void MissingBox(const std::string& path) {
    forms::Ui().ErrorBox("The \"" + path + "\" file cann't be found!\n");
}

bool StoreAndCheck(char (&field)[kPathBytes], const std::string& relative) {
    const std::string path = FullPath(relative);
    if (!StorePath(field, path) || !Exists(path)) {
        MissingBox(path);
        return false;
    }
    return true;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return size;
}

std::optional<std::vector<std::uint8_t>> ReadAt(const std::string& path, std::uint64_t offset, std::size_t length) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || offset > static_cast<std::uint64_t>(LONG_MAX) ||
        std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(length);
    if (length != 0 && std::fread(bytes.data(), 1, length, file.get()) != length) return std::nullopt;
    return bytes;
}

}  // namespace app::files
