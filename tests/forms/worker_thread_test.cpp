#include "forms/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "forms/message_pump.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"

namespace {

constexpr long long kPatienceMs = 5000;
constexpr std::uint32_t kDone = 729;

TEST(WorkerThread, SynchroniseReturnsTheGuiThreadsValueWhileTheGuiThreadWaitsPumping) {
    std::atomic<bool> mayFinish{false};
    forms::WorkerThread worker([&](forms::WorkerThread& self) -> std::uint32_t {
        const int value = self.Synchronize([] { return forms::IsGuiThread() ? 42 : -1; });
        while (!mayFinish) platform::Sleep(1);
        return value == 42 ? kDone : 0;
    });
    EXPECT_EQ(worker.ExitCode(), forms::WorkerThread::kStillActive);  // created suspended
    EXPECT_FALSE(worker.Wait());                                      // never started: nothing to wait for
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start());
    EXPECT_EQ(worker.ExitCode(), forms::WorkerThread::kStillActive);
    mayFinish = true;
    ASSERT_TRUE(worker.Wait(kPatienceMs));
    EXPECT_EQ(worker.ExitCode(), kDone);
}

TEST(WorkerThread, CancellationUnwindsTheBodyAndEndsItWith777) {
    std::atomic<bool> running{false}, unwound{false};
    struct Unwind {
        std::atomic<bool>& flag;
        ~Unwind() { flag = true; }
    };
    forms::WorkerThread worker([&](forms::WorkerThread&) -> std::uint32_t {
        Unwind guard{unwound};
        running = true;
        for (;;) platform::Sleep(1000);  // a worker's wait: returns only by cancellation
    });
    ASSERT_TRUE(worker.Start());
    while (!running) std::this_thread::yield();
    EXPECT_FALSE(worker.Wait(10));
    EXPECT_EQ(worker.ExitCode(), forms::WorkerThread::kStillActive);
    worker.Cancel();
    ASSERT_TRUE(worker.Wait(kPatienceMs));
    EXPECT_EQ(worker.ExitCode(), forms::WorkerThread::kExitTerminated);
    EXPECT_TRUE(unwound);  // the body's own clean-up ran: the thread ended, it was not killed
}

TEST(WorkerThread, CancelledBeforeItBeganTheBodyNeverRuns) {
    bool ran = false;
    forms::WorkerThread worker([&](forms::WorkerThread&) -> std::uint32_t {
        ran = true;
        return kDone;
    });
    worker.Cancel();
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Wait(kPatienceMs));
    EXPECT_EQ(worker.ExitCode(), forms::WorkerThread::kExitTerminated);
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, APanelLoopEndsOnRequestWithOneLastSynchronisedCall) {
    int refreshes = 0;  // touched only on the GUI thread
    forms::WorkerThread panels([&](forms::WorkerThread& self) -> std::uint32_t {
        while (!self.Terminated()) {
            self.Synchronize([&] { ++refreshes; });
            platform::Sleep(1);
        }
        self.Synchronize([&] { refreshes += 1000; });
        return 0;
    });
    ASSERT_TRUE(panels.Start());
    ASSERT_TRUE(forms::PumpUntil([&] { return refreshes >= 3; }, kPatienceMs));
    panels.RequestTerminate();
    ASSERT_TRUE(panels.Wait(kPatienceMs));
    EXPECT_GE(refreshes, 1003);
    EXPECT_EQ(panels.ExitCode(), 0u);
}

TEST(WorkerThread, DestroyingOnTheGuiThreadServesAPendingSynchroniseInsteadOfDeadlocking) {
    std::atomic<bool> inBody{false};
    std::atomic<int> syncs{0};
    auto worker = std::make_unique<forms::WorkerThread>([&](forms::WorkerThread& self) -> std::uint32_t {
        inBody = true;
        for (;;) {
            self.Synchronize([&] { ++syncs; });  // blocks until the GUI thread serves it
            platform::Sleep(1);
        }
    });
    ASSERT_TRUE(worker->Start());
    while (!inBody) std::this_thread::yield();
    worker.reset();  // cancels and waits while serving events
    SUCCEED();
}

TEST(WorkerThread, AnUnexpectedExceptionEndsTheWorkerWithTheFailureCode) {
    platform::TraceCapture capture;
    forms::WorkerThread worker([](forms::WorkerThread&) -> std::uint32_t { throw std::runtime_error("bug"); });
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Wait(kPatienceMs));
    EXPECT_EQ(worker.ExitCode(), forms::WorkerThread::kExitFailed);
    EXPECT_EQ(capture.Text(), "######### - worker thread ended by an exception: bug\n");
}

TEST(WorkerThread, AWorkerWaitsForAnotherWithoutPumping) {
    forms::WorkerThread inner([](forms::WorkerThread&) -> std::uint32_t { return kDone; });
    forms::WorkerThread outer([&](forms::WorkerThread&) -> std::uint32_t {
        inner.Start();
        return inner.Wait() ? inner.ExitCode() : 0;
    });
    ASSERT_TRUE(outer.Start());
    ASSERT_TRUE(outer.Wait(kPatienceMs));
    EXPECT_EQ(outer.ExitCode(), kDone);
}

}  // namespace
