#include "forms/worker_thread.h"

#include <chrono>
#include <exception>
#include <string>
#include <system_error>

#include "forms/message_pump.h"
#include "platform/trace_sink.h"

namespace forms {

WorkerThread::WorkerThread(Body body) : body_(std::move(body)), token_(std::make_shared<platform::CancelToken>()) {}

WorkerThread::~WorkerThread() {
    RequestTerminate();
    Cancel();
    if (thread_.joinable()) {
        Wait();
        thread_.join();
    }
}

bool WorkerThread::Start() {
    std::lock_guard lock(mutex_);
    if (started_) return false;
    try {
        thread_ = std::thread([this] { Entry(); });
    } catch (const std::system_error&) {
        return false;
    }
    started_ = true;
    return true;
}

bool WorkerThread::Started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

void WorkerThread::RequestTerminate() {
    std::lock_guard lock(mutex_);
    terminated_ = true;
}

bool WorkerThread::Terminated() const {
    std::lock_guard lock(mutex_);
    return terminated_;
}

void WorkerThread::Cancel() {
    token_->Cancel();
}

bool WorkerThread::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

std::uint32_t WorkerThread::ExitCode() const {
    std::lock_guard lock(mutex_);
    return exitCode_;
}

void WorkerThread::Entry() {
    std::uint32_t code = kExitTerminated;
    {
        platform::ScopedCancelToken scope(token_);
        try {
            platform::ThrowIfCancelled();
            code = body_ ? body_(*this) : 0;
        } catch (const platform::Cancelled&) {
            code = kExitTerminated;
        } catch (const std::exception& e) {
            platform::WriteTrace(std::string("######### - worker thread ended by an exception: ") + e.what() + "\n");
            code = kExitFailed;
        } catch (...) {
            platform::WriteTrace("######### - worker thread ended by an exception\n");
            code = kExitFailed;
        }
    }
    {
        std::lock_guard lock(mutex_);
        exitCode_ = code;
        finished_ = true;
    }
    ended_.notify_all();
    PostToGui([] {});  // wakes a GUI thread that waits for this worker while serving events
}

bool WorkerThread::Wait(long long timeoutMs) {
    if (timeoutMs < 0 && !Started()) return false;
    if (IsGuiThread()) return PumpUntil([this] { return Finished(); }, timeoutMs);
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        ended_.wait(lock, [this] { return finished_; });
        return true;
    }
    return ended_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished_; });
}

}  // namespace forms
