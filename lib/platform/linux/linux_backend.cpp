#include "platform/linux/linux_backend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/linux/hidraw.h"
#include "platform/linux/sg_io.h"
#include "platform/linux/sysfs_disks.h"
#include "platform/linux/sysfs_usb.h"
#include "platform/linux/spawn.h"
#include "platform/linux/udev_monitor.h"
#include "platform/linux/volumes.h"

namespace platform::linuxos {

PassThroughResult LinuxBackend::PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeoutSeconds) {
    const std::string p(path);
    return SgIoPassThrough(p.c_str(), cdb, direction, data, timeoutSeconds);
}

std::optional<std::vector<UsbDisk>> LinuxBackend::ListUsbDisks() {
    return ListSysfsUsbDisks(roots_);
}

DiskNumberResult LinuxBackend::DiskNumber(std::string_view path) {
    DiskNumberResult r;
    const std::string p(path);
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        r.error = errno;
        return r;
    }
    r.opened = true;
    struct stat st {};
    const bool isDevice = ::fstat(fd, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode));
    ::close(fd);
    if (!isDevice) {
        r.error = ENOTTY;
        return r;
    }
    const auto number =
        SysfsDiskNumber(roots_, S_ISCHR(st.st_mode), major(st.st_rdev), minor(st.st_rdev), &r.partition);
    if (!number) {
        r.error = ENODEV;
        return r;
    }
    r.ok = true;
    r.number = *number;
    return r;
}

std::vector<DiskEntry> LinuxBackend::ListDisks() {
    return ListSysfsDisks(roots_);
}

RescanResult LinuxBackend::RescanDisks() {
    // Only the real tree has a device manager to wait for.
    return RescanSysfsScsiHosts(roots_, roots_.sysfs == "/sys");
}

std::vector<HubInterface> LinuxBackend::ListHubs() {
    return ListSysfsHubs(roots_);
}

std::unique_ptr<UsbHub> LinuxBackend::OpenHub(std::string_view path, int* error) {
    return OpenSysfsHub(path, error);
}

std::vector<UsbDeviceNode> LinuxBackend::ListUsbDeviceNodes() {
    return ListSysfsUsbNodes(roots_);
}

std::vector<std::string> LinuxBackend::ListHidDevices() {
    return ListSysfsHidraw(roots_);
}

std::unique_ptr<HidDevice> LinuxBackend::OpenHid(std::string_view path, int* error) {
    return OpenHidraw(roots_, path, error);
}

std::unique_ptr<HotPlugMonitor> LinuxBackend::OpenHotPlugMonitor() {
    return OpenUdevMonitor();
}

std::vector<Volume> LinuxBackend::ListVolumes() {
    return ListVolumesOf(roots_).value_or(std::vector<Volume>{});
}

bool LinuxBackend::IsSystemDisk(std::uint32_t disk, const std::filesystem::path& programFolder) {
    const auto names = SystemDiskNames(roots_, programFolder);
    return !names || names->count(SdDiskName(disk)) != 0;
}

std::optional<std::string> LinuxBackend::FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder) {
    return FormatRefusalOf(roots_, SdDiskName(disk), programFolder);
}

int LinuxBackend::StartElevated(std::string_view program, std::string_view parameters,
                                const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::absolute(folder / std::string(program), ec);  // for pkexec
    if (program.empty() || program.find('/') != std::string_view::npos || ::access(file.c_str(), X_OK) != 0) {
        return kStartNotFound;
    }
    std::vector<std::string> argv{file.string(), "--folder", file.parent_path().string(), std::string(parameters)};
    if (::geteuid() != 0) {
        const auto pkexec = FindTool("pkexec");
        if (!pkexec) return kStartNoElevation;
        argv.insert(argv.begin(), pkexec->string());
    }
    return StartDetached(argv, folder) == 0 ? kStarted : kStartFailed;
}

}  // namespace platform::linuxos
