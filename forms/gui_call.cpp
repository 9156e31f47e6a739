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

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

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

// ThreadSanitizer cannot see the order Qt's event queue gives (Qt is not built for it). Each queued
// call marks that order on its own address, so nothing it reads to find a mark is itself unordered:
// Queued when Qt's copy has been made in the memory Qt has just allocated (what the queuing thread
// wrote before is then visible to the thread that runs it) and when its run is done; Running when it
// starts and when a copy is destroyed (whichever thread frees Qt's copy has seen its use). Elsewhere
// they do nothing. What Qt does inside QtCore with its own event (allocated by the queuing thread,
// freed by the receiving one) is left to tests/tsan.supp and the sanitizer's options.
#if defined(__SANITIZE_THREAD__)
void Queued(const void* call) {
    __tsan_release(const_cast<void*>(call));
}
void Running(const void* call) {
    __tsan_acquire(const_cast<void*>(call));
}
#else
void Queued(const void*) {}
void Running(const void*) {}
#endif

// The queued bodies of PostIn and CallIn.
struct PostedCall {
    std::function<void()> fn;
    explicit PostedCall(std::function<void()> f) : fn(std::move(f)) {}
    PostedCall(PostedCall&& other) noexcept : fn(std::move(other.fn)) { Queued(this); }
    PostedCall(const PostedCall& other) : fn(other.fn) { Queued(this); }
    ~PostedCall() { Running(this); }
    void operator()() const {
        Running(this);
        Run();
        Queued(this);
    }
    void Run() const {
        try {
            fn();
        } catch (const std::exception& e) {
            platform::WriteTrace(std::string("######### - posted call failed: ") + e.what() + "\n");
        } catch (...) {
            platform::WriteTrace("######### - posted call failed\n");
        }
    }
};

struct BlockingCall {
    std::shared_ptr<DropGuard> guard;
    const std::function<void()>* call;  // valid: the caller waits until it ran or was dropped
    BlockingCall(std::shared_ptr<DropGuard> g, const std::function<void()>* c) : guard(std::move(g)), call(c) {}
    BlockingCall(BlockingCall&& other) noexcept : guard(std::move(other.guard)), call(other.call) { Queued(this); }
    BlockingCall(const BlockingCall& other) : guard(other.guard), call(other.call) { Queued(this); }
    ~BlockingCall() { Running(this); }
    void operator()() const {
        Running(this);
        CallState& s = *guard->state;
        try {
            (*call)();
        } catch (...) {
            s.error = std::current_exception();
        }
        Queued(this);
        s.Finish(true);
    }
};

}  // namespace

bool PostToGui(std::function<void()> fn) {
    return PostIn(QCoreApplication::instance(), std::move(fn));
}

bool PostIn(QObject* context, std::function<void()> fn) {
    if (context == nullptr || !fn) return false;
    return QMetaObject::invokeMethod(context, PostedCall{std::move(fn)}, Qt::QueuedConnection);
}

bool CallIn(QObject* context, const std::function<void()>& fn) {
    if (context == nullptr || !fn) return false;
    if (QThread::currentThread() == context->thread()) {
        fn();
        return true;
    }
    auto state = std::make_shared<CallState>();
    auto guard = std::make_shared<DropGuard>(state);
    const bool queued = QMetaObject::invokeMethod(context, BlockingCall{guard, &fn}, Qt::QueuedConnection);
    guard.reset();
    if (!queued) return false;
    std::unique_lock lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done; });
    if (state->error) {
        // Taken out of the shared state, so the exception is freed on this thread, which uses it last,
        // and not by whichever thread drops the queued call's last copy.
        std::exception_ptr error = std::move(state->error);
        lock.unlock();
        std::rethrow_exception(error);
    }
    return state->ran;
}

bool CallOnGui(const std::function<void()>& fn) {
    return CallIn(QCoreApplication::instance(), fn);
}

}  // namespace forms
