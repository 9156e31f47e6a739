// Modelled time in microseconds, charged on the platform clock in whole milliseconds: what is
// left below a millisecond is carried to the next charge, so the time of many short operations
// adds up exactly (1,000 operations of 60 us wait 60 ms in all). One account per device; safe
// to charge from several threads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>

#include "platform/clock.h"

namespace emu {

class LatencyAccount {
  public:
    // Adds `us` microseconds and waits the whole milliseconds now due, outside the lock.
    void Charge(std::uint64_t us) {
        if (us == 0) return;
        std::uint64_t ms = 0;
        {
            std::lock_guard lock(mutex_);
            totalUs_ += us;
            carryUs_ += us;
            ms = carryUs_ / 1000;
            carryUs_ %= 1000;
        }
        while (ms > 0) {
            const auto step = static_cast<unsigned>(std::min<std::uint64_t>(ms, std::numeric_limits<unsigned>::max()));
            platform::Sleep(step);
            ms -= step;
        }
    }

    // Every microsecond charged so far, and the part not yet waited.
    std::uint64_t TotalUs() const {
        std::lock_guard lock(mutex_);
        return totalUs_;
    }
    std::uint64_t CarriedUs() const {
        std::lock_guard lock(mutex_);
        return carryUs_;
    }

  private:
    mutable std::mutex mutex_;
    std::uint64_t totalUs_ = 0;
    std::uint64_t carryUs_ = 0;
};

}  // namespace emu
