#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

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

TEST(VirtualClock, DueCallsRunAfterTheSleepThatReachesThemAndDieWithTheirClock) {
    std::vector<int> ran;
    {
        platform::VirtualClock clock(0);
        platform::ScopedClock use(clock);
        platform::CallAt(2000, [&] { ran.push_back(2); });
        platform::CallAt(1000, [&] { ran.push_back(1); });
        platform::CallAt(5000, [&] { ran.push_back(5); });
        platform::Sleep(999);
        EXPECT_TRUE(ran.empty());
        platform::Sleep(1);
        EXPECT_EQ(ran, std::vector<int>({1}));
        platform::Sleep(3000);
        EXPECT_EQ(ran, std::vector<int>({1, 2}));
    }
    platform::VirtualClock next(10000);
    platform::ScopedClock use(next);
    platform::Sleep(1);
    EXPECT_EQ(ran, std::vector<int>({1, 2})) << "the call of the ended clock was dropped";
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
