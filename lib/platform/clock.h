// Time for the whole library: a millisecond tick, local wall-clock time and Sleep.
// Tests install a VirtualClock so that waits of minutes return at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>

namespace platform {

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t NowMs() = 0;            // monotonic milliseconds
    virtual LocalTime Local() = 0;               // local calendar time
    virtual void SleepMs(unsigned ms) = 0;       // honours the calling thread's cancel token
};

// Real time: steady clock, localtime_r, interruptible sleep.
class SystemClock : public Clock {
public:
    std::uint64_t NowMs() override;
    LocalTime Local() override;
    void SleepMs(unsigned ms) override;
};

// Virtual time: SleepMs advances the clock and returns at once.
class VirtualClock : public Clock {
public:
    explicit VirtualClock(std::uint64_t startMs = 0) : now_(startMs) {}
    std::uint64_t NowMs() override { return now_.load(); }
    LocalTime Local() override;
    void SleepMs(unsigned ms) override;
    void Advance(std::uint64_t ms) { now_ += ms; }
    void SetLocal(const LocalTime& t) { base_ = t; }

private:
    std::atomic<std::uint64_t> now_;
    LocalTime base_{2026, 1, 1, 8, 0, 0, 0};
};

// The installed clock (the system clock unless a test installed another).
Clock& CurrentClock();

// Installs a clock for the lifetime of the guard (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

// Waits `ms` milliseconds on the installed clock; throws Cancelled when the thread's token is cancelled.
// Afterwards it runs the calls (CallAt) that have come due on that clock.
void Sleep(unsigned ms);
// Calls `call` once the installed clock has reached `tickMs`: on the first thread whose Sleep returns
// at or after that tick, outside every lock of the clock. For what an emulated device finishes later
// (an external program's work); a call still waiting when its clock's ScopedClock ends is dropped.
void CallAt(std::uint64_t tickMs, std::function<void()> call);
// Milliseconds since an arbitrary start (the tick count).
std::uint64_t TickCount();
LocalTime Now();

}  // namespace platform
