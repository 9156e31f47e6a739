// A virtual clock for tests of workers that wait on the GUI thread's events: before a worker's sleep
// advances the clock, the GUI thread serves what is waiting for it (hot-plug notifications, queued
// calls), so a worker's wait never runs out before an event raised before it has been handled.
// A sleep on the GUI thread itself only advances the clock, as platform::VirtualClock does.
//
// The worker's sleep is a blocking call to the GUI thread: use it only while the GUI thread serves
// events (its waits are pumps), as every synchronised call needs.
#pragma once

#include "platform/clock.h"

namespace forms {

class GuiServingClock : public platform::VirtualClock {
  public:
    using platform::VirtualClock::VirtualClock;
    void SleepMs(unsigned ms) override;
};

}  // namespace forms
