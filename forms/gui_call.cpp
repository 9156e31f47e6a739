#include "forms/gui_call.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "platform/trace_sink.h"

namespace forms {

namespace {

// Shared between the waiting caller and the queued call. `done` becomes true when the call ran, or
// when Qt destroyed the call without running it (its context or the application went away).
struct CallState {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    bool ran = false;
    std::exception_ptr error;

    void Finish(bool hasRun) {
        {
            std::lock_guard lock(mutex);
            if (done) return;
            done = true;
            ran = hasRun;
        }
        cv.notify_all();
    }
};

// Held by every copy of the queued call; the last copy to go wakes a caller whose call never ran.
struct DropGuard {
    explicit DropGuard(std::shared_ptr<CallState> s) : state(std::move(s)) {}
    DropGuard(const DropGuard&) = delete;
    DropGuard& operator=(const DropGuard&) = delete;
    ~DropGuard() { state->Finish(false); }
    std::shared_ptr<CallState> state;
};

}  // namespace

bool PostToGui(std::function<void()> fn) {
    return PostIn(QCoreApplication::instance(), std::move(fn));
}

bool PostIn(QObject* context, std::function<void()> fn) {
    if (context == nullptr || !fn) return false;
    return QMetaObject::invokeMethod(
        context,
        [fn = std::move(fn)] {
            try {
                fn();
            } catch (const std::exception& e) {
                platform::WriteTrace(std::string("######### - posted call failed: ") + e.what() + "\n");
            } catch (...) {
                platform::WriteTrace("######### - posted call failed\n");
            }
        },
        Qt::QueuedConnection);
}

bool CallIn(QObject* context, const std::function<void()>& fn) {
    if (context == nullptr || !fn) return false;
    if (QThread::currentThread() == context->thread()) {
        fn();
        return true;
    }
    auto state = std::make_shared<CallState>();
    auto guard = std::make_shared<DropGuard>(state);
    const std::function<void()>* call = &fn;  // valid: the caller waits until it ran or was dropped
    const bool queued = QMetaObject::invokeMethod(
        context,
        [guard, call] {
            CallState& s = *guard->state;
            try {
                (*call)();
            } catch (...) {
                s.error = std::current_exception();
            }
            s.Finish(true);
        },
        Qt::QueuedConnection);
    guard.reset();
    if (!queued) return false;
    std::unique_lock lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done; });
    if (state->error) std::rethrow_exception(state->error);
    return state->ran;
}

bool CallOnGui(const std::function<void()>& fn) {
    return CallIn(QCoreApplication::instance(), fn);
}

}  // namespace forms
