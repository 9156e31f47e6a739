// The format program's interpreter: it carries out the batch the format-and-mount check writes
// ("format<n>.bat") and the partitioning script that batch names ("diskpart<n>.txt"), over a
// disk-operations interface (the Linux one in linux/disk_operations.h, the emulated bay's in emu).
//
// The program is started with "/c <batch>\r\n" (volumes.h). The batch, read from the program folder:
//   @echo off                 ignored
//   diskpart /s <script>      runs the script
//   del <file>                the script or the batch itself: deleted at the end (no other file)
// The script, line by line (trailing CRs and blanks ignored, letter case ignored):
//   select disk <n>           selects disk n (numbered as GetDiskNumber numbers disks) and compares
//                             the owner file "<batch stem>.own" with the disk's own USB instance id and
//                             serial: a missing or unreadable owner file or another drive ends the script
//   clean                     partition table and file-system signatures removed (our own mounts of the
//                             disk undone first)
//   convert gpt               an empty GPT
//   create partition primary  one partition over the disk, of the Microsoft basic-data type
//   format fs=ntfs quick      an NTFS file system on that partition, quick
//   assign                    the partition mounted on "<program folder>/mnt/disk<n>"
//   exit                      the end of the script
// Any other line ends the script, as does a failed step. The guards (DiskOperations::Refusal) are
// asked once, before the first step that writes; a refusal ends the script before anything is written.
// Whatever happens, the script, the owner file and the batch are deleted at the end,
// the batch last, so that the batch's disappearance means "finished".
// Traces (each a line through WriteTrace): "format: <what happened>\n".
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volumes.h"

namespace platform {

class DiskOperations {
  public:
    virtual ~DiskOperations() = default;
    // The USB instance id and serial of disk n; nullopt when there is no such USB disk.
    virtual std::optional<DiskOwner> Owner(std::uint32_t disk) = 0;
    // Why disk n must not be written; nullopt when it may be.
    virtual std::optional<std::string> Refusal(std::uint32_t disk) = 0;
    // Each step: false and `error` set when it failed.
    virtual bool Clean(std::uint32_t disk, std::string& error) = 0;
    virtual bool ConvertGpt(std::uint32_t disk, std::string& error) = 0;
    virtual bool CreatePrimaryPartition(std::uint32_t disk, std::string& error) = 0;
    virtual bool FormatNtfsQuick(std::uint32_t disk, std::string& error) = 0;
    virtual bool Assign(std::uint32_t disk, const std::filesystem::path& mountPoint, std::string& error) = 0;
};

// The partition type GUID diskpart gives a primary partition on a GPT disk (basic data).
inline constexpr std::string_view kBasicDataTypeGuid = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";

struct FormatJob {
    std::filesystem::path folder;
    std::string batch;   // "format3.bat"; empty when the parameters name none
    std::string owner;   // "format3.own"
    std::string script;  // "diskpart3.txt"; empty when the batch names none
    std::string error;   // why the script cannot run; empty when it can
};

// Reads the parameters and the batch. Bounded: a batch or script over 64 KiB is not read.
FormatJob ReadFormatJob(const std::filesystem::path& folder, std::string_view parameters);
// Carries out the job's script; true when it reached "exit" or its end with every step done.
bool RunFormatScript(DiskOperations& ops, const FormatJob& job);
// Deletes the script and the owner file, then the batch.
void FinishFormatJob(const FormatJob& job);
// All three: what the format program does. 0 when the script ran to its end, else 1.
int RunFormatBatch(DiskOperations& ops, const std::filesystem::path& folder, std::string_view parameters);

}  // namespace platform
