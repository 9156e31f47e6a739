// Every whole disk as sysfs shows it, with the word naming the bus it hangs on, and the rescan of
// the SCSI hosts that makes newly attached disks appear.
#pragma once

#include <vector>

#include "platform/linux/linux_backend.h"
#include "platform/usb.h"

namespace platform::linuxos {

// The SCSI disks (by sg number: "/dev/sgN", bus "usb" behind usb-storage, "scsi" behind uas or any
// other SCSI transport), then the NVMe namespaces ("/dev/nvmeXnY", bus empty).
std::vector<DiskEntry> ListSysfsDisks(const LinuxRoots& roots);

// Writes "- - -" into every class/scsi_host/*/scan; then, with `settle`, waits (at most 10 s) for
// udev to finish the events. No host: noHost. The first failed write gives its errno; the other
// hosts are still asked.
RescanResult RescanSysfsScsiHosts(const LinuxRoots& roots, bool settle);

}  // namespace platform::linuxos
