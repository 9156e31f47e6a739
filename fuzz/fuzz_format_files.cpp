// libFuzzer target for what the format program reads: the batch and script the check wrote, the
// owner file, a partition table from a disk's first sectors, and a mount table. The first byte
// chooses the reader; the rest is the file. Disk operations only record, so nothing is written.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/format_script.h"
#include "platform/linux/disk_operations.h"
#include "platform/linux/volumes.h"

namespace {

class NoDisks : public platform::DiskOperations {
  public:
    std::optional<platform::DiskOwner> Owner(std::uint32_t disk) override {
        return platform::DiskOwner{"1-" + std::to_string(disk % 4), ""};
    }
    std::optional<std::string> Refusal(std::uint32_t disk) override {
        if (disk % 2 == 1) return std::string("odd");
        return std::nullopt;
    }
    bool Clean(std::uint32_t, std::string&) override { return true; }
    bool ConvertGpt(std::uint32_t, std::string&) override { return true; }
    bool CreatePrimaryPartition(std::uint32_t, std::string&) override { return true; }
    bool FormatNtfsQuick(std::uint32_t, std::string& e) override {
        e = "no";
        return false;
    }
    bool Assign(std::uint32_t, const std::filesystem::path&, std::string&) override { return true; }
};

int MemoryFile(std::string_view bytes) {
    const int fd = ::memfd_create("fuzz", MFD_CLOEXEC);
    if (fd >= 0 && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    if (size == 0) return 0;
    const std::string_view text = fuzz::Text(data + 1, size - 1);
    switch (data[0] % 4) {
        case 0: {
            if (const auto owner = platform::ParseOwnerFile(text)) {
                fuzz::Check(platform::ParseOwnerFile(platform::OwnerFileText(*owner)) == owner, "owner round trip");
            }
            break;
        }
        case 1: {
            const int fd = MemoryFile(text);
            if (fd < 0) break;
            for (const auto& p : platform::linuxos::ReadPartitionTable(fd, text.size())) {
                fuzz::Check(p.sectors > 0 && p.first * 512 < text.size() && p.sectors <= text.size() / 512 - p.first,
                            "partition inside the disk");
            }
            ::close(fd);
            break;
        }
        case 2: {
            const int fd = MemoryFile(text);
            if (fd < 0) break;
            platform::linuxos::ReadMountTable("/proc/self/fd/" + std::to_string(fd));
            ::close(fd);
            break;
        }
        default: {
            // The script after the batch's standard lines; the owner file of disk 0.
            const auto& folder = fuzz::Scratch("format");
            platform::WriteWholeFile(folder / "format0.bat", "@echo off\r\r\ndiskpart /s diskpart0.txt \r\r\n");
            platform::WriteWholeFile(folder / "diskpart0.txt", text);
            platform::WriteWholeFile(folder / "format0.own", "instance=1-0\r\nserial=\r\n");
            NoDisks disks;
            platform::RunFormatBatch(disks, folder, "/c format0.bat\r\n");
            fuzz::Check(!std::filesystem::exists(folder / "format0.bat"), "the batch is deleted");
            break;
        }
    }
    return 0;
}
