#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/cancel.h"
#include "platform/clock.h"

namespace {

TEST(VirtualClock, LongSleepReturnsAtOnceAndAdvancesTime) {
    platform::VirtualClock clock(1000);
    platform::ScopedClock use(clock);
    const auto before = platform::TickCount();
    platform::Sleep(10 * 60 * 1000);
    EXPECT_EQ(platform::TickCount() - before, 10u * 60 * 1000);
}

TEST(VirtualClock, LocalTimeRollsOverDaysAndMonths) {
    platform::VirtualClock clock;
    clock.SetLocal({2026, 1, 31, 23, 59, 30, 0});
    clock.Advance(45 * 1000);
    const auto t = clock.Local();
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 15);
}

TEST(Cancellation, CancellingWakesASleepingWorker) {
    auto token = std::make_shared<platform::CancelToken>();
    std::atomic<bool> cancelled{false};
    std::thread worker([&] {
        platform::ScopedCancelToken guard(token);
        try {
            platform::Sleep(60 * 60 * 1000);  // an hour of real time, ended by the cancel below
        } catch (const platform::Cancelled&) {
            cancelled = true;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    token->Cancel();
    worker.join();
    EXPECT_TRUE(cancelled);
}

TEST(Cancellation, VirtualSleepHonoursACancelledToken) {
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    auto token = std::make_shared<platform::CancelToken>();
    platform::ScopedCancelToken guard(token);
    platform::Sleep(10);
    token->Cancel();
    EXPECT_THROW(platform::Sleep(10), platform::Cancelled);
}

TEST(Cancellation, AThreadWithoutATokenSleepsNormally) {
    EXPECT_EQ(platform::CurrentCancelToken(), nullptr);
    EXPECT_NO_THROW(platform::Sleep(1));
}

}  // namespace
