// Named locks that exclude threads of one program and other programs alike: a process-wide
// recursive mutex plus flock on a lock file. The lock files live under /run/lock, else
// $XDG_RUNTIME_DIR, else /tmp.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

class NamedLock {
  public:
    // The same name gives the same lock everywhere in the process.
    explicit NamedLock(std::string_view name);
    // Waits without a time limit. A thread that holds the lock may take it again.
    void lock();
    bool try_lock();
    void unlock();

  private:
    struct State;
    State* state_;  // shared by every NamedLock of the name; lives for the process
};

// The folder of the lock files; tests point it at their own.
std::filesystem::path LockFolder();
void SetLockFolder(const std::filesystem::path& folder);

}  // namespace platform
