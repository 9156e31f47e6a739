#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <system_error>

namespace platform {

namespace {

std::mutex g_folderMutex;
std::optional<std::filesystem::path> g_folder;

bool WriteAllFd(int fd, std::string_view data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::filesystem::path ProgramFolder() {
    std::lock_guard lock(g_folderMutex);
    if (g_folder) return *g_folder;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

void SetProgramFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_folderMutex);
    g_folder = folder;
}

std::filesystem::path JoinPath(const std::filesystem::path& base, std::string_view relative) {
    std::filesystem::path out = base;
    std::string piece;
    auto flush = [&] {
        if (!piece.empty() && piece != ".") out /= piece;
        piece.clear();
    };
    for (char c : relative) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            piece.push_back(c);
        }
    }
    flush();
    return out;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::string data;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) return std::nullopt;
    return data;
}

bool WriteWholeFile(const std::filesystem::path& path, std::string_view data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAllFd(fd, data);
    return (::close(fd) == 0) && ok;
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data) {
    // A name of its own per call: two threads (or processes) writing the same file never share a temporary.
    static std::atomic<unsigned> counter{0};
    std::filesystem::path tmp = path;
    tmp += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAllFd(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(tmp.c_str(), path.c_str()) == 0) return true;
    ::unlink(tmp.c_str());
    return false;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAllFd(fd, data);
    return (::close(fd) == 0) && ok;
}

}  // namespace platform
