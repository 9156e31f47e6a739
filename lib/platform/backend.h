// Device backends and their registry. A backend is one way of reaching devices: the operating
// system (Linux: SG_IO, sysfs, hidraw, udev) or the emulated bay. The registry maps a path
// prefix to a backend ("emu:" to the bay, everything else to the system) and names the backend
// whose devices the listings show. Programs choose once, at start-up; tests swap with ScopedBackend.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid.h"
#include "platform/hotplug.h"
#include "platform/scsi.h"
#include "platform/usb.h"
#include "platform/volumes.h"

namespace platform {

struct DiskNumberResult {
    bool opened = false;  // the path could be opened
    bool ok = false;      // the number could be read
    int error = 0;        // errno when not ok
    std::uint32_t number = 0;
    std::uint32_t partition = 0;  // the partition's index for a partition's path; 0 for a whole disk
};

// The operations of one backend. Only the pass-through is required; every other operation
// answers "not supported" (ENOTSUP, empty listing) unless the backend provides it.
class DeviceBackend {
  public:
    virtual ~DeviceBackend() = default;

    virtual PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                          DataDirection direction, std::span<std::uint8_t> data,
                                          unsigned timeoutSeconds) = 0;

    // Every USB disk present, in a stable order; nullopt when the listing itself failed.
    virtual std::optional<std::vector<UsbDisk>> ListUsbDisks();
    virtual DiskNumberResult DiskNumber(std::string_view path);
    // Every whole disk present, in a stable order; empty when none or not supported.
    virtual std::vector<DiskEntry> ListDisks();
    // Asks every SCSI host to look for new disks and waits until the device manager has settled.
    virtual RescanResult RescanDisks();

    // Every USB hub (root hubs first by bus, then the hubs plugged into ports).
    virtual std::vector<HubInterface> ListHubs();
    // Null and `*error` set when the hub cannot be opened.
    virtual std::unique_ptr<UsbHub> OpenHub(std::string_view path, int* error);
    // Every USB device node, depth first from the roots.
    virtual std::vector<UsbDeviceNode> ListUsbDeviceNodes();

    // Paths of the HID devices present.
    virtual std::vector<std::string> ListHidDevices();
    virtual std::unique_ptr<HidDevice> OpenHid(std::string_view path, int* error);

    // Null when the backend has no hot-plug events.
    virtual std::unique_ptr<HotPlugMonitor> OpenHotPlugMonitor();

    // Mounted file systems, the system disk, the format guards and the format program's start
    // (volumes.h). Unsupported: no volumes, every disk the system disk and refused, nothing started.
    virtual std::vector<Volume> ListVolumes();
    virtual bool IsSystemDisk(std::uint32_t disk, const std::filesystem::path& programFolder);
    virtual std::optional<std::string> FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder);
    virtual int StartElevated(std::string_view program, std::string_view parameters,
                              const std::filesystem::path& folder);
};

// The operating-system backend (Linux over /sys and /dev), created on first use.
std::shared_ptr<DeviceBackend> SystemBackend();

// The backend for a device path: the one installed for the longest prefix the path begins
// with, else the system backend.
std::shared_ptr<DeviceBackend> BackendFor(std::string_view path);
// The same for one call on the calling thread: valid until this thread's next lookup (the
// thread keeps the registry it saw alive until then). No lock and no shared count on the way,
// so command blocks to different drives never wait for each other here.
DeviceBackend& BackendForCall(std::string_view path);
// The backend whose devices the listings show: the last one installed with `lists`, else the system.
std::shared_ptr<DeviceBackend> ListingBackend();

// Installs `backend` for paths beginning with `prefix` (not empty). With `lists` set, the
// listings show its devices instead of the system's.
void InstallBackend(const std::string& prefix, std::shared_ptr<DeviceBackend> backend, bool lists);
// Replaces the system backend (a Linux backend over a fixture tree, a recording fake).
void ReplaceSystemBackend(std::shared_ptr<DeviceBackend> backend);
// Back to the system backend alone.
void ResetBackends();

// Keeps the registry as it was and puts it back when it ends (tests).
class ScopedBackends {
  public:
    ScopedBackends();
    ~ScopedBackends();
    ScopedBackends(const ScopedBackends&) = delete;
    ScopedBackends& operator=(const ScopedBackends&) = delete;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace platform
