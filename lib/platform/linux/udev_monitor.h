// Hot-plug events from udev over netlink: SCSI generic devices arriving and leaving.
#pragma once

#include <memory>

#include "platform/hotplug.h"

namespace platform::linuxos {

// Null when the monitor cannot be set up (no netlink, no permission).
std::unique_ptr<HotPlugMonitor> OpenUdevMonitor();

}  // namespace platform::linuxos
