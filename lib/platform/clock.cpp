#include "platform/clock.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/cancel.h"

namespace platform {

namespace {
SystemClock g_system;
std::atomic<Clock*> g_clock{&g_system};

struct DueCall {
    Clock* clock;
    std::uint64_t tickMs;
    std::function<void()> call;
};
std::mutex g_callsMutex;
std::vector<DueCall> g_calls;
std::atomic<bool> g_anyCalls{false};

void RunDueCalls() {
    if (!g_anyCalls.load()) return;
    Clock* clock = g_clock.load();
    const std::uint64_t now = clock->NowMs();
    std::vector<std::function<void()>> due;
    {
        std::lock_guard lock(g_callsMutex);
        for (auto it = g_calls.begin(); it != g_calls.end();) {
            if (it->clock == clock && it->tickMs <= now) {
                due.push_back(std::move(it->call));
                it = g_calls.erase(it);
            } else {
                ++it;
            }
        }
        g_anyCalls.store(!g_calls.empty());
    }
    for (auto& call : due) call();
}

void DropCallsOf(Clock* clock) {
    std::lock_guard lock(g_callsMutex);
    std::erase_if(g_calls, [clock](const DueCall& c) { return c.clock == clock; });
    g_anyCalls.store(!g_calls.empty());
}
}  // namespace

std::uint64_t SystemClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

LocalTime SystemClock::Local() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms};
}

void SystemClock::SleepMs(unsigned ms) {
    ThrowIfCancelled();
    if (CancelToken* token = CurrentCancelToken()) {
        if (token->WaitFor(ms)) throw Cancelled();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

LocalTime VirtualClock::Local() {
    // Calendar arithmetic through time_t so that day and month roll over correctly.
    std::tm tm{};
    tm.tm_year = base_.year - 1900;
    tm.tm_mon = base_.month - 1;
    tm.tm_mday = base_.day;
    tm.tm_hour = base_.hour;
    tm.tm_min = base_.minute;
    tm.tm_sec = base_.second;
    const std::uint64_t ms = now_.load();
    tm.tm_sec += static_cast<int>((ms / 1000) % 86400);
    tm.tm_mday += static_cast<int>(ms / 86400000);
    timegm(&tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000)};
}

void VirtualClock::SleepMs(unsigned ms) {
    ThrowIfCancelled();
    now_ += ms;
    std::this_thread::yield();
    ThrowIfCancelled();
}

Clock& CurrentClock() { return *g_clock.load(); }

ScopedClock::ScopedClock(Clock& clock) : previous_(g_clock.exchange(&clock)) {}
ScopedClock::~ScopedClock() { DropCallsOf(g_clock.exchange(previous_)); }

void Sleep(unsigned ms) {
    CurrentClock().SleepMs(ms);
    RunDueCalls();
}

void CallAt(std::uint64_t tickMs, std::function<void()> call) {
    std::lock_guard lock(g_callsMutex);
    g_calls.push_back({g_clock.load(), tickMs, std::move(call)});
    g_anyCalls.store(true);
}
std::uint64_t TickCount() { return CurrentClock().NowMs(); }
LocalTime Now() { return CurrentClock().Local(); }

}  // namespace platform
