// The bay's hot-plug events: a queue per monitor with an eventfd that is readable while events wait.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/hotplug.h"

namespace emu {

class HotPlugSource {
  public:
    // A monitor that sees every event raised after it was opened.
    std::unique_ptr<platform::HotPlugMonitor> Open();
    void Raise(const platform::HotPlugEvent& event);

    struct Queue;

  private:
    std::mutex mutex_;
    std::vector<std::weak_ptr<Queue>> queues_;
};

}  // namespace emu
