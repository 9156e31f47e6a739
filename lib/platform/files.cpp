#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
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

std::filesystem::path InProgramFolder(const std::filesystem::path& path) {
    if (path.is_absolute()) return path;
    return ProgramFolder() / path;
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

std::filesystem::path SaveTarget(const std::filesystem::path& path) {
    // A link to a link is followed too; a loop of links (or a chain longer than the kernel follows)
    // stops at the last name reached, and the save then fails on it or replaces it.
    std::filesystem::path at = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, ec)) || ec) return at;
        const std::filesystem::path next = std::filesystem::read_symlink(at, ec);
        if (ec) return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at;
}

namespace {

constexpr std::string_view kTempMark = ".tmp-";
// A temporary older than this is left over even when its process id is taken by a live process again.
constexpr auto kStaleTempAge = std::chrono::hours(1);

// The process id in a temporary's name "<file>.tmp-<pid>-<n>", or 0 when the name is not one.
pid_t TempOwner(std::string_view name, std::string_view file) {
    if (name.size() <= file.size() + kTempMark.size() || name.substr(0, file.size()) != file ||
        name.substr(file.size(), kTempMark.size()) != kTempMark) {
        return 0;
    }
    std::string_view rest = name.substr(file.size() + kTempMark.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == rest.size()) return 0;
    pid_t pid = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i == dash) continue;
        if (rest[i] < '0' || rest[i] > '9') return 0;
        if (i < dash) pid = pid * 10 + (rest[i] - '0');
    }
    return pid;
}

bool ProcessGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporaries that earlier saves of `target` left when they were killed: those of a
// process that is gone, and any older than an hour. A save in flight in a live process keeps its own.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    const std::string file = target.filename().string();
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) return;
        const std::string name = it->path().filename().string();
        const pid_t owner = TempOwner(name, file);
        if (owner <= 0 || owner == ::getpid()) continue;
        std::error_code timeError;
        const auto written = it->last_write_time(timeError);
        if (ProcessGone(owner) || (!timeError && now - written > kStaleTempAge)) {
            ::unlink(it->path().c_str());
        }
    }
}

}  // namespace

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data) {
    // The file a link names is replaced, so the link stays a link.
    const std::filesystem::path target = SaveTarget(path);
    RemoveStaleTemporaries(target);
    // A name of its own per call: two threads (or processes) writing the same file never share a temporary.
    static std::atomic<unsigned> counter{0};
    std::filesystem::path tmp = target;
    tmp += std::string(kTempMark) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        // The replaced file's permission bits, and its owner where the process may set it (a failed
        // change of owner leaves the saving user's).
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && WriteAllFd(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(tmp.c_str(), target.c_str()) == 0) {
        // The rename itself reaches the disk with the folder's entry.
        std::filesystem::path folder = target.parent_path();
        if (folder.empty()) folder = ".";
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            (void)::fsync(dir);
            ::close(dir);
        }
        return true;
    }
    ::unlink(tmp.c_str());
    return false;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAllFd(fd, data);
    return (::close(fd) == 0) && ok;
}

bool MakeFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    // Whoever made it, the folder is there or it is not: create_directories answers false, or an
    // error, when another writer made the last part (or a parent) between its check and its mkdir.
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

std::string SafeNamePart(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr) c = '_';
    }
    return out;
}

}  // namespace platform
