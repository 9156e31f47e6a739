// Hot-plug events: disks arriving and leaving. A monitor exposes a file descriptor that becomes
// readable when events wait, so a GUI thread can watch it beside its other events.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct HotPlugEvent {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    std::string path;        // the disk's pass-through path when known
    std::string instanceId;  // the USB device's id when known
};

class HotPlugMonitor {
  public:
    virtual ~HotPlugMonitor() = default;
    // Readable while events wait; -1 when the monitor has none.
    virtual int Fd() const = 0;
    // The next waiting event, without blocking.
    virtual std::optional<HotPlugEvent> Next() = 0;
};

}  // namespace platform
