// Mounted file systems, the system disk, the format guards and the elevated start of the format
// program: what the format-and-mount check of the fixture window calls in place of the shell, the
// command processor and the logical-drive queries. Every call goes to the listing backend
// (backend.h): the operating system, or the emulated bay when one is installed.
//
// Contract for the check:
// - Disks are numbered as GetDiskNumber numbers them (Linux: the sd index, "sda" 0, "sdb" 1, "sdaa" 26;
//   the bay: the drive's index). A file system lies on a disk when its block device is that disk or
//   one of its partitions.
// - StartElevated(program, parameters, folder) starts `program` (a file name looked up in `folder`,
//   the program folder) with `parameters` as one argument, `folder` as working directory and its
//   output discarded; as root directly, else through pkexec. It does not wait for the program. A
//   result above 32 means started; 32 or less means not started (kStartNotFound: no such program;
//   kStartNoElevation: neither root nor pkexec; kStartFailed: anything else).
// - The format program, started with "/c format<n>.bat\r\n", carries out the batch and its script
//   (format_script.h) and deletes the script, the batch and "format<n>.own" when it ends, even after
//   a failure: the batch's disappearance means "finished".
// - FormatRefusal(n) is the guard the check applies before it scripts a disk, and the format program
//   before it writes one: nullopt when disk n may be formatted, else why not. A disk may be formatted
//   when it is a whole disk attached through USB, not the system disk, none of its partitions is
//   mounted outside "<program folder>/mnt", and nothing holds it (md, dm, LVM).
// - The owner file "format<n>.own" holds OwnerFileText(DiskOwnerOf(the linked drive's device path)):
//   the USB instance id and serial of the drive the run linked. The format program compares it with
//   disk n's own at "select disk" and refuses a disk that is another drive.
// - IsSystemDisk(n): the disk of the file system of /, /boot, /boot/efi, /usr, /var or /home, of an
//   active swap area, or of the program folder (through dm and md to the disks beneath). When the mount
//   table cannot be read every disk counts as the system disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A mounted file system.
struct Volume {
    std::string mountPoint;             // "/opt/station/mnt/disk3"
    std::string source;                 // what was mounted: "/dev/sdb1"
    std::string fsType;                 // "ntfs3", "fuseblk", "ext4"
    std::string diskName;               // the whole disk beneath: "sdb", "loop3"; empty when none
    std::optional<std::uint32_t> disk;  // its number, for disks GetDiskNumber numbers
    std::uint32_t partition = 0;        // the partition's index; 0 for the whole disk
};

// The USB instance id ("2-1.3", lower case) and serial (may be empty) of a disk's USB device.
struct DiskOwner {
    std::string instanceId;
    std::string serial;
    friend bool operator==(const DiskOwner&, const DiskOwner&) = default;
};

// "instance=<id>\r\nserial=<serial>\r\n"; ParseOwnerFile reads it back (nullopt when not of that form).
std::string OwnerFileText(const DiskOwner& owner);
std::optional<DiskOwner> ParseOwnerFile(std::string_view text);

// The folder under which the format program mounts disk n: "<program folder>/mnt/disk<n>".
std::filesystem::path MountFolder(const std::filesystem::path& programFolder, std::uint32_t disk);

inline constexpr int kStartNotFound = 2;
inline constexpr int kStartNoElevation = 5;
inline constexpr int kStartFailed = 31;
inline constexpr int kStarted = 42;

std::vector<Volume> ListVolumes();
bool IsSystemDisk(std::uint32_t disk, const std::filesystem::path& programFolder);
std::optional<std::string> FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder);
// The owner of the USB disk whose pass-through path is `devicePath`; nullopt when no such disk is listed.
std::optional<DiskOwner> DiskOwnerOf(std::string_view devicePath);
int StartElevated(std::string_view program, std::string_view parameters, const std::filesystem::path& folder);

}  // namespace platform
