// The Linux backend: SG_IO pass-through, USB disks and hubs from sysfs, hidraw, udev events,
// volumes from the mount table, the format program started as root or through pkexec.
// The sysfs and /dev roots are parameters so that tests run on a fixture tree.
#pragma once

#include <filesystem>

#include "platform/backend.h"

namespace platform::linuxos {

struct LinuxRoots {
    std::filesystem::path sysfs = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path mounts = "/proc/self/mountinfo";  // the mount table
    std::filesystem::path swaps = "/proc/swaps";             // the active swap areas
};

class LinuxBackend : public DeviceBackend {
  public:
    explicit LinuxBackend(LinuxRoots roots = {}) : roots_(std::move(roots)) {}

    PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb, DataDirection direction,
                                  std::span<std::uint8_t> data, unsigned timeoutSeconds) override;
    std::optional<std::vector<UsbDisk>> ListUsbDisks() override;
    DiskNumberResult DiskNumber(std::string_view path) override;
    std::vector<DiskEntry> ListDisks() override;
    RescanResult RescanDisks() override;
    std::vector<HubInterface> ListHubs() override;
    std::unique_ptr<UsbHub> OpenHub(std::string_view path, int* error) override;
    std::vector<UsbDeviceNode> ListUsbDeviceNodes() override;
    std::vector<std::string> ListHidDevices() override;
    std::unique_ptr<HidDevice> OpenHid(std::string_view path, int* error) override;
    std::unique_ptr<HotPlugMonitor> OpenHotPlugMonitor() override;
    std::vector<Volume> ListVolumes() override;
    bool IsSystemDisk(std::uint32_t disk, const std::filesystem::path& programFolder) override;
    std::optional<std::string> FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder) override;
    int StartElevated(std::string_view program, std::string_view parameters,
                      const std::filesystem::path& folder) override;

    const LinuxRoots& Roots() const { return roots_; }

  private:
    LinuxRoots roots_;
};

}  // namespace platform::linuxos
