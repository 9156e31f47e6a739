// The application's message pump: serving pending events from inside long handlers and waits,
// so that timers, clicks, repaints and workers' synchronised calls go on.
#pragma once

#include <functional>

namespace forms {

// True on the thread that runs the application object's events (the GUI thread).
bool IsGuiThread();

// Serves every event that is waiting for the GUI thread, then returns. Does nothing on another thread
// or before the application object exists.
void ProcessMessages();

// Returns after at least `ms` milliseconds of the platform clock, with the milliseconds that passed
// (the 64-bit tick count cannot wrap, so no wait is cut short). 0 returns 0 at once, serving nothing.
// On the GUI thread it serves events meanwhile, sleeping until the next one instead of spinning
// (under a test's virtual clock it serves them between virtual sleeps of at most 10 ms). On any other
// thread it is platform::Sleep: a worker's wait, which throws platform::Cancelled when the worker is
// cancelled.
unsigned DelayWithMessages(unsigned ms);

// GUI thread only: serves events, sleeping until the next one arrives, until `done` answers true or
// `timeoutMs` milliseconds of real time have passed (negative: no limit). Returns what `done` answered
// last. Whoever makes `done` true from another thread must post an event afterwards (PostToGui of
// an empty call will do) so that the sleeping pump looks again.
bool PumpUntil(const std::function<bool()>& done, long long timeoutMs);

}  // namespace forms
