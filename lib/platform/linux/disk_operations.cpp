#include "platform/linux/disk_operations.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "platform/linux/spawn.h"
#include "platform/linux/sysfs_usb.h"
#include "platform/linux/volumes.h"

namespace platform::linuxos {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kMiB = 1024 * 1024;

std::uint64_t Le(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

bool ReadAt(int fd, std::uint64_t offset, std::uint8_t* out, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAt(int fd, std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd, data + done, length - done, static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ZeroRange(int fd, std::uint64_t from, std::uint64_t to) {
    static const std::vector<std::uint8_t> zeros(kMiB, 0);
    for (std::uint64_t at = from; at < to;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(to - at, zeros.size()));
        if (!WriteAt(fd, at, zeros.data(), n)) return false;
        at += n;
    }
    return true;
}

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string ToolFailure(const ToolRun& run, const std::string& tool) {
    std::string text = run.output;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    if (!run.started) return text.empty() ? tool + " cannot be run" : text;
    return tool + " ended with " + std::to_string(run.status) + (text.empty() ? "" : ": " + text);
}

bool Run(const std::vector<std::string>& argv, std::string_view input, std::string& error) {
    const ToolRun run = RunTool(argv, input);
    if (run.started && run.status == 0) return true;
    error = ToolFailure(run, argv[0]);
    return false;
}

}  // namespace

std::vector<PartitionSpan> ReadPartitionTable(int fd, std::uint64_t bytes) {
    std::vector<PartitionSpan> spans;
    const std::uint64_t sectors = bytes / kSector;
    std::uint8_t mbr[kSector], header[kSector];
    if (sectors < 2 || !ReadAt(fd, 0, mbr, kSector) || mbr[510] != 0x55 || mbr[511] != 0xAA) return spans;
    auto keep = [&](std::uint64_t first, std::uint64_t count) {
        if (count != 0 && first < sectors && count <= sectors - first) spans.push_back({first, count});
    };
    const bool gpt = ReadAt(fd, kSector, header, kSector) && std::memcmp(header, "EFI PART", 8) == 0;
    if (!gpt) {
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t* e = mbr + 446 + 16 * i;
            if (e[4] != 0) keep(Le(e + 8, 4), Le(e + 12, 4));
        }
        return spans;
    }
    const std::uint64_t entriesAt = Le(header + 72, 8);
    const std::uint64_t count = std::min<std::uint64_t>(Le(header + 80, 4), 128);
    const std::uint64_t size = Le(header + 84, 4);
    if (size < 128 || size > kSector || entriesAt >= sectors) return spans;
    std::vector<std::uint8_t> entry(size);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t offset = entriesAt * kSector + i * size;
        if (offset + size > bytes || !ReadAt(fd, offset, entry.data(), size)) break;
        const bool used = std::any_of(entry.begin(), entry.begin() + 16, [](std::uint8_t b) { return b != 0; });
        const std::uint64_t first = Le(&entry[32], 8), last = Le(&entry[40], 8);
        if (used && last >= first) keep(first, last - first + 1);
    }
    return spans;
}

bool LinuxDiskOperations::MapImage(std::uint32_t disk, const fs::path& image, std::string* error) {
    struct stat st {};
    if (::lstat(image.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error != nullptr) *error = image.string() + " is not a regular file";
        return false;
    }
    images_[disk] = image;
    imagesOnly_ = true;
    return true;
}

std::string LinuxDiskOperations::BlockName(std::uint32_t disk) const {
    const auto it = blocks_.find(disk);
    return it != blocks_.end() ? it->second : SdDiskName(disk);
}

std::optional<fs::path> LinuxDiskOperations::Image(std::uint32_t disk) const {
    const auto it = images_.find(disk);
    if (it == images_.end()) return std::nullopt;
    return it->second;
}

fs::path LinuxDiskOperations::Target(std::uint32_t disk) const {
    if (auto image = Image(disk)) return *image;
    if (imagesOnly_) return "/nonexistent/not-an-image";  // never a device once images are mapped
    return roots_.dev / BlockName(disk);
}

std::optional<DiskOwner> LinuxDiskOperations::Owner(std::uint32_t disk) {
    return OwnerOfBlock(roots_, BlockName(disk));
}

std::optional<std::string> LinuxDiskOperations::Refusal(std::uint32_t disk) {
    if (imagesOnly_ && !Image(disk)) return "disk " + std::to_string(disk) + " is not a mapped image";
    return FormatRefusalOf(roots_, BlockName(disk), folder_);
}

bool LinuxDiskOperations::UnmountOurs(std::uint32_t disk, std::string& error) {
    const auto volumes = ListVolumesOf(roots_);
    if (!volumes) {
        error = "the mount table cannot be read";
        return false;
    }
    const fs::path ours = (folder_ / "mnt").lexically_normal();
    for (const Volume& v : *volumes) {
        if (v.diskName != BlockName(disk)) continue;
        const fs::path rel = fs::path(v.mountPoint).lexically_normal().lexically_relative(ours);
        if (rel.empty() || *rel.begin() == "..") continue;
        if (::umount2(v.mountPoint.c_str(), 0) != 0) {
            error = Errno("cannot unmount " + v.mountPoint);
            return false;
        }
    }
    return true;
}

bool LinuxDiskOperations::Clean(std::uint32_t disk, std::string& error) {
    const bool image = Image(disk).has_value() || imagesOnly_;
    if (!image && !UnmountOurs(disk, error)) return false;
    const fs::path target = Target(disk);
    // A FUSE file system just unmounted may hold the device a moment longer: a busy disk is asked again.
    int opened = -1;
    for (int attempt = 0; attempt < 20; ++attempt) {
        opened = ::open(target.c_str(), O_RDWR | O_CLOEXEC | (image ? O_NOFOLLOW : O_EXCL));
        if (opened >= 0 || errno != EBUSY) break;
        platform::Sleep(100);
    }
    Fd fd(opened);
    if (fd.get() < 0) {
        error = Errno("cannot open " + target.string());
        return false;
    }
    struct stat st {};
    std::uint64_t bytes = 0;
    if (::fstat(fd.get(), &st) != 0 || (image ? !S_ISREG(st.st_mode) : !S_ISBLK(st.st_mode))) {
        error = target.string() + (image ? " is not a regular file" : " is not a block device");
        return false;
    }
    if (image) {
        bytes = static_cast<std::uint64_t>(st.st_size);
    } else if (::ioctl(fd.get(), BLKGETSIZE64, &bytes) != 0) {
        error = Errno("cannot read the size of " + target.string());
        return false;
    }
    bytes -= bytes % kSector;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    auto both = [&](std::uint64_t from, std::uint64_t length) {
        ranges.emplace_back(from, from + std::min(length, kMiB));
        ranges.emplace_back(from + length - std::min(length, kMiB), from + length);
    };
    for (const PartitionSpan& p : ReadPartitionTable(fd.get(), bytes)) both(p.first * kSector, p.sectors * kSector);
    both(0, bytes);
    for (const auto& [from, to] : ranges) {
        if (!ZeroRange(fd.get(), from, to)) {
            error = Errno("cannot write " + target.string());
            return false;
        }
    }
    if (::fsync(fd.get()) != 0) {
        error = Errno("cannot flush " + target.string());
        return false;
    }
    if (!image && ::ioctl(fd.get(), BLKRRPART) != 0) {
        error = Errno("the kernel keeps the old partitions of " + target.string());
        return false;
    }
    return true;
}

bool LinuxDiskOperations::ConvertGpt(std::uint32_t disk, std::string& error) {
    return Run({"sfdisk", "--quiet", "--wipe", "always", Target(disk).string()}, "label: gpt\n", error);
}

bool LinuxDiskOperations::CreatePrimaryPartition(std::uint32_t disk, std::string& error) {
    return Run({"sfdisk", "--quiet", "--append", Target(disk).string()},
               "type=" + std::string(kBasicDataTypeGuid) + "\n", error);
}

std::optional<fs::path> LinuxDiskOperations::PartitionNode(std::uint32_t disk, std::string& error) {
    const std::string name = BlockName(disk);
    const std::string part = name + (std::isdigit(static_cast<unsigned char>(name.back())) ? "p1" : "1");
    const fs::path node = roots_.dev / part;
    auto waitFor = [&](int polls) {
        for (int i = 0; i < polls; ++i) {
            struct stat st {};
            if (::stat(node.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) return true;
            platform::Sleep(100);
        }
        return false;
    };
    if (waitFor(10)) return node;
    // A kernel that does not read this partition table itself is told the partition by partx.
    std::string ignored;
    Run({"partx", "--add", Target(disk).string()}, {}, ignored);
    if (waitFor(40)) return node;
    error = node.string() + " did not appear";
    return std::nullopt;
}

bool LinuxDiskOperations::FormatNtfsQuick(std::uint32_t disk, std::string& error) {
    const auto image = Image(disk);
    if (!image && imagesOnly_) {
        error = "not a mapped image";
        return false;
    }
    if (!image) {
        const auto node = PartitionNode(disk, error);
        return node && Run({"mkntfs", "-q", "-Q", node->string()}, {}, error);
    }
    // An image has no partition node: the file system is made in a file of the partition's size and
    // copied into place.
    Fd fd(::open(image->c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        error = Errno("cannot open " + image->string());
        return false;
    }
    const auto spans = ReadPartitionTable(fd.get(), static_cast<std::uint64_t>(st.st_size));
    if (spans.empty()) {
        error = image->string() + " has no partition";
        return false;
    }
    const PartitionSpan p = spans.front();
    const fs::path part = image->string() + ".partition";
    std::error_code ec;
    fs::remove(part, ec);
    {
        Fd out(::open(part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() < 0 || ::ftruncate(out.get(), static_cast<off_t>(p.sectors * kSector)) != 0) {
            error = Errno("cannot make " + part.string());
            return false;
        }
    }
    bool ok = Run({"mkntfs", "-q", "-Q", "-F", "-p", std::to_string(p.first), "-H", "255", "-S", "63", part.string()},
                  {}, error);
    if (ok) {
        Fd in(::open(part.c_str(), O_RDONLY | O_CLOEXEC));
        std::vector<std::uint8_t> buffer(kMiB);
        for (std::uint64_t at = 0; ok && at < p.sectors * kSector; at += buffer.size()) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), p.sectors * kSector - at));
            ok = in.get() >= 0 && ReadAt(in.get(), at, buffer.data(), n) &&
                 WriteAt(fd.get(), p.first * kSector + at, buffer.data(), n);
        }
        if (!ok) error = Errno("cannot copy the file system into " + image->string());
    }
    fs::remove(part, ec);
    return ok && ::fsync(fd.get()) == 0;
}

bool LinuxDiskOperations::Assign(std::uint32_t disk, const fs::path& mountPoint, std::string& error) {
    if (Image(disk) || imagesOnly_) return true;  // an image file is not mounted
    const auto node = PartitionNode(disk, error);
    if (!node) return false;
    std::error_code ec;
    fs::create_directories(mountPoint, ec);
    if (ec) {
        error = "cannot make " + mountPoint.string() + ": " + ec.message();
        return false;
    }
    if (::mount(node->c_str(), mountPoint.c_str(), "ntfs3", 0, nullptr) == 0) return true;
    return Run({"ntfs-3g", node->string(), mountPoint.string()}, {}, error);
}

}  // namespace platform::linuxos
