// What the format program does to an emulated drive, as the bay carries it out in-process when the
// host starts "qv-format" (platform::StartElevated): the disk operations of the format interpreter
// over the drive's namespace, and the volumes "assign" registers, which the bay's ListVolumes reports.
//
//   clean                     the first and last MiB of the namespace zeroed; the drive's volumes dropped
//   convert gpt               a protective MBR and an empty GPT (primary and backup)
//   create partition primary  the GPT with one basic-data partition from LBA 2048 to the last usable LBA
//   format fs=ntfs quick      an NTFS boot sector ("NTFS    " at byte 3) at the partition's first LBA,
//                             its copy at the partition's last
//   assign                    a volume on "<program folder>/mnt/disk<n>" (source "<drive path>p1",
//                             type "ntfs"), when the partition holds an NTFS boot sector
//
// Keys of a drive's section read here (all optional):
//   FormatMs=<n>     platform milliseconds from the start to the end of the format program's work:
//                    the script, batch and owner file disappear then (default 2000)
//   SystemDisk=1     the drive is the system disk: IsSystemDisk answers true, the guards refuse it
//   FormatFail=1     "format fs=ntfs quick" fails on this drive (the script ends there)
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emu/bay_config.h"
#include "platform/format_script.h"
#include "platform/volumes.h"

namespace emu {

class Bay;
class NamespaceStore;

struct FormatSetup {
    std::uint64_t formatMs = 2000;
    bool systemDisk = false;
    bool formatFail = false;
};
// Nullopt and `error` set when a key's value is not sound.
std::optional<FormatSetup> ReadFormatSetup(const DriveConfig& drive, std::string* error);

// The volumes "assign" registered, by disk.
class BayVolumes {
  public:
    void Add(platform::Volume volume);
    void DropDisk(std::uint32_t disk);
    std::vector<platform::Volume> List() const;

  private:
    mutable std::mutex mutex_;
    std::vector<platform::Volume> volumes_;
};

// The namespace layouts the steps write (device side; nothing of the host's).
bool WriteGpt(NamespaceStore& ns, bool withPartition, std::uint32_t seed, std::string& error);
// The first and last LBA of the first GPT entry; nullopt when the namespace holds no such GPT.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FirstGptPartition(const NamespaceStore& ns);
void WriteNtfsBootSectors(NamespaceStore& ns, std::uint64_t first, std::uint64_t last, std::uint32_t seed);

class BayDiskOperations : public platform::DiskOperations {
  public:
    BayDiskOperations(Bay& bay, std::filesystem::path programFolder) : bay_(bay), folder_(std::move(programFolder)) {}

    std::optional<platform::DiskOwner> Owner(std::uint32_t disk) override;
    std::optional<std::string> Refusal(std::uint32_t disk) override;
    bool Clean(std::uint32_t disk, std::string& error) override;
    bool ConvertGpt(std::uint32_t disk, std::string& error) override;
    bool CreatePrimaryPartition(std::uint32_t disk, std::string& error) override;
    bool FormatNtfsQuick(std::uint32_t disk, std::string& error) override;
    bool Assign(std::uint32_t disk, const std::filesystem::path& mountPoint, std::string& error) override;

    // The last disk the script selected (its FormatMs decides when the work ends).
    std::optional<std::uint32_t> LastDisk() const { return last_; }

  private:
    // Runs `step` on the namespace of disk n under the drive's lock; false and `error` set when the
    // disk has no namespace.
    template <class Step>
    bool OnNamespace(std::uint32_t disk, std::string& error, Step step);

    Bay& bay_;
    std::filesystem::path folder_;
    std::optional<std::uint32_t> last_;
};

}  // namespace emu
