// A worker thread of the windows: created suspended, started once, its body run on its own thread
// under its own cancellation token, its exit code readable at any time.
//
// Ownership: the creator owns the object (hold it in a std::unique_ptr or as a member). Destroying it
// asks the body to terminate, cancels its token and waits for the thread to end: on the GUI thread
// that wait serves events, so a body blocked in Synchronize can finish. No thread is ever killed.
// Never destroy the object from inside its own body.
//
// Ending: the body's return value is the exit code (729, 888, ...). Cancel() makes the next
// platform::Sleep (or pass-through) in the body throw platform::Cancelled, which only this class's
// thread entry catches: the exit code is then 777. A body may also poll Terminated() to end its loop
// in its own way. Until the thread has ended ExitCode() is 259, also before Start().
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "forms/gui_call.h"
#include "platform/cancel.h"

namespace forms {

class WorkerThread {
  public:
    static constexpr std::uint32_t kStillActive = 259;
    static constexpr std::uint32_t kExitTerminated = 777;
    // The exit code of a body that ended by an exception other than platform::Cancelled (traced).
    static constexpr std::uint32_t kExitFailed = 1;

    using Body = std::function<std::uint32_t(WorkerThread& self)>;

    explicit WorkerThread(Body body);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread; false when it was started before or the thread could not be created.
    bool Start();
    bool Started() const;

    // Asks the body to stop: Terminated() becomes true (a body may finish its loop politely).
    void RequestTerminate();
    bool Terminated() const;
    // Cancels the body's token: its next wait throws platform::Cancelled and the exit code becomes 777.
    // A body cancelled before it began is not run at all.
    void Cancel();
    const platform::CancelTokenPtr& Token() const { return token_; }

    bool Finished() const;
    std::uint32_t ExitCode() const;

    // Waits until the thread has ended, at most `timeoutMs` (negative: no limit); true when it has.
    // On the GUI thread the wait serves events; elsewhere it blocks. A thread never started does not
    // end: the wait runs to its time-out (false at once without one).
    bool Wait(long long timeoutMs = -1);

    // From the body: runs `fn` on the GUI thread, waits for it and returns its value. Throws
    // platform::Cancelled when the call could not run (the application has gone away), which ends
    // the body with 777. Valid only while the GUI thread serves events (see gui_call.h).
    template <class F>
    auto Synchronize(F&& fn) -> std::invoke_result_t<F&>;

  private:
    void Entry();

    Body body_;
    platform::CancelTokenPtr token_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool started_ = false;
    bool terminated_ = false;
    bool finished_ = false;
    std::uint32_t exitCode_ = kStillActive;
};

template <class F>
auto WorkerThread::Synchronize(F&& fn) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<R>) {
        if (!CallOnGui([&] { fn(); })) throw platform::Cancelled();
    } else {
        std::optional<R> result = CallOnGuiFor(fn);
        if (!result) throw platform::Cancelled();
        return std::move(*result);
    }
}

}  // namespace forms
