// The census of ports and disks and the matching of disks to hub ports, as plain code over the
// run state: the hub walk numbers the ports, the disk listing names each disk's parent USB device,
// and a port holds a usable drive when its disk answers through a known bridge in vendor mode.
// Real and emulated drives take the same path (the listing backend decides which are seen).
#pragma once

namespace app {

// Zeroes g_USBPortInfo, walks the hubs (TotalUSBPortCount) and lists the USB disks into
// gJMGlobal.DevInfo. Returns the number of disks listed; 0 after a hub-query failure, which shows
// "Please Check PC Device I/O Control" and sets TotalUSBPortCount to 100.
int CountUSBPorts();

// Matches the listed disks to the ports, detects each port's bridge and switches its drive into
// vendor-command mode. Returns g_nEnabledPortNum.
int MatchPortsToDisks();

}  // namespace app
