// The format program's disk operations on Linux: the guards and owner from sysfs and the mount table,
// the writes through the disk's device node (opened exclusively), sfdisk, mkntfs and a mount of the
// partition (ntfs3, else ntfs-3g). For tests a disk number can stand for a regular image file (never a
// device: the guards still read the roots, and "assign" mounts nothing) or for another block device
// (a loop device; the test answers the guards itself).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/format_script.h"
#include "platform/linux/linux_backend.h"

namespace platform::linuxos {

// A partition as a partition table gives it, in 512-byte sectors.
struct PartitionSpan {
    std::uint64_t first = 0;
    std::uint64_t sectors = 0;
};
// The partitions of the GPT (or else the MBR) at the start of `fd`, a disk of `bytes` bytes; entries
// outside the disk are left out.
std::vector<PartitionSpan> ReadPartitionTable(int fd, std::uint64_t bytes);

class LinuxDiskOperations : public DiskOperations {
  public:
    LinuxDiskOperations(LinuxRoots roots, std::filesystem::path programFolder)
        : roots_(std::move(roots)), folder_(std::move(programFolder)) {}

    // Disk n is the regular file `image` (tests): false and `error` set when it is not a regular file.
    // Once an image is mapped, no device is ever written: every disk without an image is refused.
    bool MapImage(std::uint32_t disk, const std::filesystem::path& image, std::string* error);
    // Disk n is the block device `name` under the /dev root ("loop3") instead of its sd name (tests).
    void MapBlock(std::uint32_t disk, std::string name) { blocks_[disk] = std::move(name); }

    std::optional<DiskOwner> Owner(std::uint32_t disk) override;
    std::optional<std::string> Refusal(std::uint32_t disk) override;
    bool Clean(std::uint32_t disk, std::string& error) override;
    bool ConvertGpt(std::uint32_t disk, std::string& error) override;
    bool CreatePrimaryPartition(std::uint32_t disk, std::string& error) override;
    bool FormatNtfsQuick(std::uint32_t disk, std::string& error) override;
    bool Assign(std::uint32_t disk, const std::filesystem::path& mountPoint, std::string& error) override;

    // The block device name of disk n ("sdb", or the mapped one).
    std::string BlockName(std::uint32_t disk) const;

  private:
    std::optional<std::filesystem::path> Image(std::uint32_t disk) const;
    std::filesystem::path Target(std::uint32_t disk) const;
    // The first partition's device node ("sdb1", "loop3p1"), waiting up to 5 s for it to appear.
    std::optional<std::filesystem::path> PartitionNode(std::uint32_t disk, std::string& error);
    bool UnmountOurs(std::uint32_t disk, std::string& error);

    LinuxRoots roots_;
    std::filesystem::path folder_;
    std::map<std::uint32_t, std::filesystem::path> images_;
    std::map<std::uint32_t, std::string> blocks_;
    bool imagesOnly_ = false;
};

}  // namespace platform::linuxos
