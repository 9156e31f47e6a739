// Cancellation of worker threads: a token shared between a worker and whoever may stop it.
// Sleep and the pass-through check the calling thread's token and throw platform::Cancelled;
// only a worker's entry function catches it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace platform {

struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error("cancelled") {}
};

class CancelToken {
public:
    void Cancel();
    bool IsCancelled() const { return cancelled_.load(std::memory_order_acquire); }

    // Waits up to `ms` milliseconds of real time or until cancelled; true when cancelled.
    bool WaitFor(unsigned ms);

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
};

using CancelTokenPtr = std::shared_ptr<CancelToken>;

// The token of the calling thread (null when the thread has none).
CancelToken* CurrentCancelToken();

// Installs a token for the calling thread for the lifetime of the guard.
class ScopedCancelToken {
public:
    explicit ScopedCancelToken(CancelTokenPtr token);
    ~ScopedCancelToken();
    ScopedCancelToken(const ScopedCancelToken&) = delete;
    ScopedCancelToken& operator=(const ScopedCancelToken&) = delete;

private:
    CancelTokenPtr token_;
    CancelToken* previous_;
};

// Throws Cancelled when the calling thread's token has been cancelled.
void ThrowIfCancelled();

}  // namespace platform
