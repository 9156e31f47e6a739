#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "forms/gui_call.h"
#include "forms/gui_serving_clock.h"
#include "forms/message_pump.h"
#include "forms/timer_set.h"
#include "platform/cancel.h"
#include "platform/clock.h"

namespace {

// Upper bound for waits on real events; the tests normally finish in a few milliseconds.
constexpr long long kPatienceMs = 5000;

// A worker that changed what the GUI thread's pump is waiting for posts this so the pump looks again.
void WakeGui() {
    forms::PostToGui([] {});
}

TEST(MessagePump, PostedCallsRunLaterOnTheGuiThreadFromAnyThread) {
    ASSERT_TRUE(forms::IsGuiThread());
    std::vector<int> order;
    std::atomic<bool> onGui{false};
    forms::PostToGui([&] { order.push_back(1); });
    std::thread([&] {
        EXPECT_FALSE(forms::IsGuiThread());
        forms::ProcessMessages();  // does nothing off the GUI thread
        forms::PostToGui([&] {
            onGui = forms::IsGuiThread();
            order.push_back(2);
        });
    }).join();
    EXPECT_TRUE(order.empty());  // nothing runs before the GUI thread serves its events
    forms::ProcessMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(onGui);
}

TEST(MessagePump, ACallPostedToAnObjectThatIsDestroyedFirstIsDropped) {
    auto* window = new QObject;
    bool ran = false;
    ASSERT_TRUE(forms::PostIn(window, [&] { ran = true; }));
    delete window;
    forms::ProcessMessages();
    EXPECT_FALSE(ran);
}

TEST(MessagePump, BlockingCallRunsOnTheGuiThreadAndCarriesBackValueAndException) {
    std::optional<int> value;
    std::atomic<bool> threw{false};
    std::thread worker([&] {
        value = forms::CallOnGuiFor([] { return forms::IsGuiThread() ? 42 : -1; });
        try {
            forms::CallOnGui([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            threw = true;
        }
        WakeGui();
    });
    forms::PumpUntil([&] { return threw.load(); }, kPatienceMs);
    worker.join();
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(threw);
    // On the GUI thread itself the call runs at once.
    EXPECT_EQ(forms::CallOnGuiFor([] { return 7; }), 7);
}

TEST(MessagePump, BlockingCallWhoseContextGoesAwayReturnsWithoutRunning) {
    auto* context = new QObject;  // lives on the GUI thread, which does not serve events below
    std::atomic<bool> returned{false}, result{true}, ran{false};
    std::thread worker([&] {
        result = forms::CallIn(context, [&] { ran = true; });
        returned = true;
    });
    while (!returned) {  // drop the call once it is posted; the GUI thread never serves it
        QCoreApplication::removePostedEvents(context, QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    delete context;
    EXPECT_FALSE(result);
    EXPECT_FALSE(ran);
}

TEST(MessagePump, DelayOnTheVirtualClockServesEventsAndAdvancesTime) {
    platform::VirtualClock clock(1000);
    platform::ScopedClock scoped(clock);
    bool served = false;
    forms::PostToGui([&] { served = true; });
    forms::DelayWithMessages(1500);
    EXPECT_TRUE(served);
    EXPECT_GE(clock.NowMs(), 2500u);
    EXPECT_LE(clock.NowMs(), 2510u);
}

TEST(MessagePump, ZeroDelayReturnsAtOnceWithoutServingAndLongDelaysReportTheirLength) {
    platform::VirtualClock clock(0xFFFF'FF00ull);  // just below 2^32 ms: the wait crosses it
    platform::ScopedClock scoped(clock);
    bool served = false;
    forms::PostToGui([&] { served = true; });
    EXPECT_EQ(forms::DelayWithMessages(0), 0u);
    EXPECT_FALSE(served);
    const unsigned elapsed = forms::DelayWithMessages(1000);
    EXPECT_TRUE(served);
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LE(elapsed, 1010u);
    EXPECT_EQ(clock.NowMs() - 0xFFFF'FF00ull, elapsed);
    unsigned onWorker = 0;
    std::thread([&] { onWorker = forms::DelayWithMessages(2500); }).join();
    EXPECT_EQ(onWorker, 2500u);
}

TEST(GuiServingClock, AWorkersSleepFirstLetsTheGuiThreadServeWhatWasRaisedBeforeIt) {
    forms::GuiServingClock clock;
    platform::ScopedClock scoped(clock);
    std::atomic<int> seenInTime{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int run = 0; run < 100; ++run) {
            auto handled = std::make_shared<std::atomic<bool>>(false);
            forms::PostToGui([handled] { *handled = true; });
            platform::Sleep(1000);
            if (*handled) ++seenInTime;
        }
        done = true;
        WakeGui();
    });
    ASSERT_TRUE(forms::PumpUntil([&] { return done.load(); }, kPatienceMs));
    worker.join();
    EXPECT_EQ(seenInTime.load(), 100);
    EXPECT_EQ(clock.NowMs(), 100'000u);
}

TEST(MessagePump, RealDelayWaitsAtLeastItsTimeWhileTimersFire) {
    int fired = 0;
    forms::TimerSet timers([&](int) { ++fired; });
    timers.SetTimer(5, 2);
    const std::uint64_t start = platform::TickCount();
    forms::DelayWithMessages(40);
    EXPECT_GE(platform::TickCount() - start, 40u);
    EXPECT_GE(fired, 1);
}

TEST(MessagePump, DelayOnAWorkerIsACancellableSleep) {
    auto token = std::make_shared<platform::CancelToken>();
    token->Cancel();
    bool cancelled = false;
    std::thread([&] {
        platform::ScopedCancelToken scope(token);
        try {
            forms::DelayWithMessages(60'000);
        } catch (const platform::Cancelled&) {
            cancelled = true;
        }
    }).join();
    EXPECT_TRUE(cancelled);
}

TEST(TimerSet, DeliversIdsUntilKilledAndReArmingReplacesTheInterval) {
    std::vector<int> fired;
    forms::TimerSet timers([&](int id) { fired.push_back(id); });
    ASSERT_TRUE(timers.SetTimer(129, 60'000));
    ASSERT_TRUE(timers.SetTimer(129, 1));  // re-armed: the new interval counts
    EXPECT_EQ(timers.Interval(129), 1u);
    ASSERT_TRUE(timers.SetTimer(3, 1));
    EXPECT_TRUE(timers.KillTimer(3));
    EXPECT_FALSE(timers.KillTimer(3));
    EXPECT_FALSE(timers.KillTimer(99));
    ASSERT_TRUE(forms::PumpUntil([&] { return fired.size() >= 3; }, kPatienceMs));
    EXPECT_TRUE(timers.KillTimer(129));
    forms::DelayWithMessages(20);
    EXPECT_EQ(std::count(fired.begin(), fired.end(), 3), 0);
    EXPECT_EQ(std::count(fired.begin(), fired.end(), 129), static_cast<long>(fired.size()));
    EXPECT_FALSE(timers.IsActive(129));
}

TEST(TimerSet, AHandlerMayKillItsOwnTimer) {
    int fired = 0;
    forms::TimerSet* self = nullptr;
    forms::TimerSet timers([&](int id) {
        ++fired;
        self->KillTimer(id);
    });
    self = &timers;
    timers.SetTimer(1, 1);
    ASSERT_TRUE(forms::PumpUntil([&] { return fired > 0; }, kPatienceMs));
    forms::DelayWithMessages(20);
    EXPECT_EQ(fired, 1);
}

TEST(TimerSet, AWorkerArmsAndKillsItsWatchdogOnTheGuiThread) {
    std::vector<int> fired;
    bool handlerOnGui = true;
    forms::TimerSet timers([&](int id) {
        fired.push_back(id);
        handlerOnGui = handlerOnGui && forms::IsGuiThread();
    });
    std::atomic<bool> armed{false}, killed{false};
    std::atomic<bool> mayKill{false};
    std::thread worker([&] {
        armed = timers.SetTimer(16, 1);
        while (!mayKill) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        killed = timers.KillTimer(16);
        WakeGui();
    });
    ASSERT_TRUE(forms::PumpUntil([&] { return !fired.empty(); }, kPatienceMs));
    mayKill = true;
    ASSERT_TRUE(forms::PumpUntil([&] { return killed.load(); }, kPatienceMs));
    worker.join();
    const std::size_t count = fired.size();
    forms::DelayWithMessages(20);
    EXPECT_TRUE(armed);
    EXPECT_EQ(fired.size(), count);  // nothing after the kill returned
    EXPECT_EQ(fired.front(), 16);
    EXPECT_TRUE(handlerOnGui);
}

}  // namespace
