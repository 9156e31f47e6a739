#include "platform/cancel.h"

#include <chrono>

namespace platform {

namespace {
thread_local CancelToken* t_token = nullptr;
}

void CancelToken::Cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_.store(true, std::memory_order_release);
    }
    cv_.notify_all();
}

bool CancelToken::WaitFor(unsigned ms) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return IsCancelled(); });
}

CancelToken* CurrentCancelToken() { return t_token; }

ScopedCancelToken::ScopedCancelToken(CancelTokenPtr token) : token_(std::move(token)), previous_(t_token) {
    t_token = token_.get();
}

ScopedCancelToken::~ScopedCancelToken() { t_token = previous_; }

void ThrowIfCancelled() {
    if (t_token != nullptr && t_token->IsCancelled()) throw Cancelled();
}

}  // namespace platform
