// Small readers of sysfs attribute files, shared by the Linux listings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::linuxos {

// The first line of an attribute file without trailing white space; nullopt when unreadable.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file);
std::optional<unsigned long> ReadUnsigned(const std::filesystem::path& file, int base = 10);
// "8:16" -> (8, 16).
std::optional<std::pair<unsigned, unsigned>> ReadDevNumbers(const std::filesystem::path& file);
// The kernel's 32-bit encoding of a device number.
std::uint32_t EncodeDevNumber(unsigned major, unsigned minor);
// The value of KEY= in a uevent file.
std::optional<std::string> ReadUeventValue(const std::filesystem::path& file, std::string_view key);

// Names of the entries of `folder`, sorted naturally ("sg2" before "sg10"); empty when unreadable.
std::vector<std::string> ListNames(const std::filesystem::path& folder);
bool NaturalLess(std::string_view a, std::string_view b);

// The SCSI generic devices of disks (and reduced-block disks), by sg number: the sg name and the
// canonical folder of its SCSI device.
struct ScsiGenericDisk {
    std::string sg;
    std::filesystem::path scsiDevice;
};
std::vector<ScsiGenericDisk> ListScsiGenericDisks(const std::filesystem::path& sysfs);

}  // namespace platform::linuxos
