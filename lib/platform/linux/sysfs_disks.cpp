#include "platform/linux/sysfs_disks.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/linux/sysfs.h"

extern char** environ;

namespace platform::linuxos {

namespace fs = std::filesystem;

namespace {

// "usb" when the nearest driver above the SCSI device is usb-storage, "scsi" otherwise (uas, a SATA
// or SAS host, a virtual SCSI host).
std::string BusWordOf(const fs::path& scsiDevice, const fs::path& devicesRoot) {
    for (fs::path p = scsiDevice.parent_path(); !p.empty() && p != devicesRoot && p != p.root_path();
         p = p.parent_path()) {
        std::error_code ec;
        const fs::path driver = fs::read_symlink(p / "driver", ec);
        if (ec) continue;
        return driver.filename() == "usb-storage" ? "usb" : "scsi";
    }
    return "scsi";
}

// "nvme0n1" (a namespace), not "nvme0n1p1" (a partition) nor "nvme0c0n1" (a hidden path).
bool IsNvmeNamespace(const std::string& name) {
    if (name.rfind("nvme", 0) != 0) return false;
    const std::size_t n = name.find('n', 4);
    if (n == std::string::npos || n == 4 || n + 1 == name.size()) return false;
    for (std::size_t i = 4; i < name.size(); ++i) {
        if (i == n) continue;
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

void SettleUdev() {
    char arg0[] = "udevadm", arg1[] = "settle", arg2[] = "--timeout=10";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "udevadm", nullptr, nullptr, argv, environ) != 0) return;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::vector<DiskEntry> ListSysfsDisks(const LinuxRoots& roots) {
    std::vector<DiskEntry> disks;
    std::error_code ec;
    const fs::path devicesRoot = fs::canonical(roots.sysfs / "devices", ec);
    for (const ScsiGenericDisk& d : ListScsiGenericDisks(roots.sysfs)) {
        disks.push_back({(roots.dev / d.sg).string(), BusWordOf(d.scsiDevice, devicesRoot)});
    }
    for (const std::string& name : ListNames(roots.sysfs / "block")) {
        if (IsNvmeNamespace(name)) disks.push_back({(roots.dev / name).string(), ""});
    }
    return disks;
}

RescanResult RescanSysfsScsiHosts(const LinuxRoots& roots, bool settle) {
    RescanResult r;
    const auto hosts = ListNames(roots.sysfs / "class" / "scsi_host");
    if (hosts.empty()) {
        r.noHost = true;
        r.error = ENODEV;
        return r;
    }
    r.ok = true;
    for (const std::string& host : hosts) {
        const fs::path scan = roots.sysfs / "class" / "scsi_host" / host / "scan";
        const int fd = ::open(scan.c_str(), O_WRONLY | O_CLOEXEC);
        int error = 0;
        if (fd < 0) {
            error = errno;
        } else {
            static constexpr char kAll[] = "- - -";
            if (::write(fd, kAll, sizeof kAll - 1) < 0) error = errno;
            ::close(fd);
        }
        if (error != 0 && r.ok) {
            r.ok = false;
            r.error = error;
        }
    }
    if (settle) SettleUdev();
    return r;
}

}  // namespace platform::linuxos
