// USB disks, hubs and device nodes as sysfs shows them. A device's instance id is its sysfs
// name ("2-1.3"); a hub's path is its sysfs folder; a device's driver key is its node under
// /dev ("bus/usb/002/005").
#pragma once

#include <memory>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/linux/linux_backend.h"

namespace platform::linuxos {

// Every SCSI generic device of a disk whose interface is bound to usb-storage or uas, by sg number.
// nullopt when the sysfs root cannot be read at all.
std::optional<std::vector<UsbDisk>> ListSysfsUsbDisks(const LinuxRoots& roots);

std::vector<HubInterface> ListSysfsHubs(const LinuxRoots& roots);
std::unique_ptr<UsbHub> OpenSysfsHub(std::string_view path, int* error);
std::vector<UsbDeviceNode> ListSysfsUsbNodes(const LinuxRoots& roots);

// The USB device folder of the disk (usb-storage or uas) of block device `blockName` ("sdb");
// nullopt when the disk is not attached through USB.
std::optional<std::filesystem::path> UsbDeviceOfBlock(const LinuxRoots& roots, std::string_view blockName);

// 0 -> "sda", 25 -> "sdz", 26 -> "sdaa": the inverse of SdDiskIndex.
std::string SdDiskName(std::uint32_t index);
// "sda" -> 0, "sdb" -> 1, "sdaa" -> 26; nullopt for any other name.
std::optional<std::uint32_t> SdDiskIndex(std::string_view name);
// The disk number of the whole disk behind a character (sg) or block device number.
// `partition` (when given) receives the partition's index for a partition's block device, else 0.
std::optional<std::uint32_t> SysfsDiskNumber(const LinuxRoots& roots, bool isChar, unsigned major, unsigned minor,
                                             std::uint32_t* partition = nullptr);

}  // namespace platform::linuxos
