#include "platform/named_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace platform {

struct NamedLock::State {
    std::string fileName;
    std::recursive_mutex mutex;  // excludes the threads of this process
    int depth = 0;               // guarded by `mutex`
    int fd = -1;                 // the lock file, opened by process `pid`
    pid_t pid = 0;

    // The file must be opened by this very process: after a fork the child's inherited
    // descriptor shares the parent's lock and would not exclude it.
    int File() {
        if (fd >= 0 && pid == ::getpid()) return fd;
        if (fd >= 0) ::close(fd);
        const std::string path = (LockFolder() / fileName).string();
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd >= 0) ::fchmod(fd, 0666);  // programs of other users take the same lock
        pid = ::getpid();
        return fd;
    }

    // flock excludes other processes; a file that cannot be opened leaves the in-process lock alone.
    bool Flock(int operation) {
        const int f = File();
        if (f < 0) return true;
        int rc;
        do {
            rc = ::flock(f, operation);
        } while (rc != 0 && errno == EINTR);
        return rc == 0 || errno != EWOULDBLOCK;
    }
};

namespace {

std::mutex g_namesMutex;
std::filesystem::path g_folder;

bool Writable(const std::filesystem::path& folder) {
    return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string FileNameFor(std::string_view name) {
    std::string file;
    for (char c : name) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
                           c == '_' || c == '.';
        file += plain ? c : '_';
    }
    return "kestrane-" + file + ".lock";
}

}  // namespace

std::filesystem::path LockFolder() {
    std::lock_guard lock(g_namesMutex);
    if (!g_folder.empty()) return g_folder;
    if (Writable("/run/lock")) return "/run/lock";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && Writable(runtime)) return runtime;
    return "/tmp";
}

void SetLockFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_namesMutex);
    g_folder = folder;
}

NamedLock::NamedLock(std::string_view name) {
    static std::map<std::string, State*, std::less<>>* states = new std::map<std::string, State*, std::less<>>;
    std::lock_guard lock(g_namesMutex);
    auto it = states->find(name);
    if (it == states->end()) {
        auto* state = new State;  // lives for the process, like the named object it stands for
        state->fileName = FileNameFor(name);
        it = states->emplace(std::string(name), state).first;
    }
    state_ = it->second;
}

void NamedLock::lock() {
    state_->mutex.lock();
    if (state_->depth++ == 0) state_->Flock(LOCK_EX);
}

bool NamedLock::try_lock() {
    if (!state_->mutex.try_lock()) return false;
    if (state_->depth == 0 && !state_->Flock(LOCK_EX | LOCK_NB)) {
        state_->mutex.unlock();
        return false;
    }
    ++state_->depth;
    return true;
}

void NamedLock::unlock() {
    if (--state_->depth == 0) state_->Flock(LOCK_UN);
    state_->mutex.unlock();
}

}  // namespace platform
