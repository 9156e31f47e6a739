// HID devices through hidraw: listed from sysfs, opened as /dev/hidrawN, one report per write
// or read. The read waits on the platform clock, so a virtual clock ends a time-out at once.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid.h"
#include "platform/linux/linux_backend.h"

namespace platform::linuxos {

// An open hidraw device (or anything that carries one report per read and write). Owns `fd`.
class HidrawDevice : public HidDevice {
  public:
    HidrawDevice(int fd, std::optional<HidAttributes> fallback);
    ~HidrawDevice() override;
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    // From the device itself, else from what sysfs said when it was opened.
    std::optional<HidAttributes> Attributes() override;
    HidIoResult Write(std::span<const std::uint8_t> report) override;
    HidIoResult Read(std::span<std::uint8_t> buffer, unsigned timeoutMs) override;

  private:
    int fd_;
    std::optional<HidAttributes> fallback_;
};

std::vector<std::string> ListSysfsHidraw(const LinuxRoots& roots);
// HID_ID of class/hidraw/<name>/device/uevent.
std::optional<HidAttributes> SysfsHidAttributes(const LinuxRoots& roots, std::string_view name);
std::unique_ptr<HidDevice> OpenHidraw(const LinuxRoots& roots, std::string_view path, int* error);

}  // namespace platform::linuxos
