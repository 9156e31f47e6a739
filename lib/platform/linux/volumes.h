// Volumes, the system disk and the format guards on Linux, from the mount table (mountinfo form),
// the active swap areas and sysfs. The roots are parameters so tests run on fixture trees and tables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/linux_backend.h"
#include "platform/volumes.h"

namespace platform::linuxos {

// One line of the mount table: "36 35 8:17 / /mnt/x rw,relatime shared:1 - ext4 /dev/sdb1 rw".
struct MountEntry {
    unsigned major = 0, minor = 0;
    std::string mountPoint;  // octal escapes ("\040") decoded
    std::string fsType;
    std::string source;
};
// nullopt when the table cannot be read; lines not of that form are left out.
std::optional<std::vector<MountEntry>> ReadMountTable(const std::filesystem::path& table);

// The block device named `name` ("sdb1", "dm-0") as a disk and partition: the whole disk's name and
// the partition's index (0 for a whole disk); nullopt when sysfs has no such block device.
struct BlockPlace {
    std::string disk;
    std::uint32_t partition = 0;
};
std::optional<BlockPlace> PlaceOfBlock(const LinuxRoots& roots, std::string_view name);

// nullopt when the mount table cannot be read.
std::optional<std::vector<Volume>> ListVolumesOf(const LinuxRoots& roots);

// The whole disks beneath the system's file systems and swap areas (volumes.h), through dm and md;
// nullopt when the mount table cannot be read.
std::optional<std::set<std::string>> SystemDiskNames(const LinuxRoots& roots,
                                                     const std::filesystem::path& programFolder);

// The guards for the disk named `diskName` ("sdb").
std::optional<std::string> FormatRefusalOf(const LinuxRoots& roots, std::string_view diskName,
                                           const std::filesystem::path& programFolder);
// The USB instance id and serial of the disk named `diskName`; nullopt when it is not a USB disk.
std::optional<DiskOwner> OwnerOfBlock(const LinuxRoots& roots, std::string_view diskName);

}  // namespace platform::linuxos
