#include "platform/linux/hidraw.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "platform/linux/sysfs.h"

namespace platform::linuxos {

namespace fs = std::filesystem;

namespace {
constexpr unsigned kPollSliceMs = 5;
}

HidrawDevice::HidrawDevice(int fd, std::optional<HidAttributes> fallback) : fd_(fd), fallback_(fallback) {}

HidrawDevice::~HidrawDevice() {
    ::close(fd_);
}

std::optional<HidAttributes> HidrawDevice::Attributes() {
    hidraw_devinfo info{};
    if (::ioctl(fd_, HIDIOCGRAWINFO, &info) == 0) {
        return HidAttributes{static_cast<std::uint16_t>(info.vendor), static_cast<std::uint16_t>(info.product)};
    }
    return fallback_;
}

HidIoResult HidrawDevice::Write(std::span<const std::uint8_t> report) {
    HidIoResult r;
    ssize_t n;
    do {
        n = ::write(fd_, report.data(), report.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        r.error = errno;
        return r;
    }
    r.bytes = static_cast<std::size_t>(n);
    r.ok = r.bytes == report.size();
    if (!r.ok) r.error = EIO;
    return r;
}

HidIoResult HidrawDevice::Read(std::span<std::uint8_t> buffer, unsigned timeoutMs) {
    HidIoResult r;
    const std::uint64_t start = TickCount();
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int rc = ::poll(&p, 1, 0);
        if (rc < 0 && errno != EINTR) {
            r.error = errno;
            return r;
        }
        if (rc > 0 && (p.revents & POLLIN) != 0) {
            const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
            if (n > 0) {
                r.ok = true;
                r.bytes = static_cast<std::size_t>(n);
                return r;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                r.error = errno;
                return r;
            }
            if (n == 0) {  // the other side is gone
                r.error = ENODEV;
                return r;
            }
        } else if (rc > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            r.error = ENODEV;
            return r;
        }
        if (TickCount() - start >= timeoutMs) {
            r.timedOut = true;
            r.error = ETIMEDOUT;
            return r;
        }
        Sleep(kPollSliceMs);
    }
}

std::vector<std::string> ListSysfsHidraw(const LinuxRoots& roots) {
    std::vector<std::string> paths;
    for (const std::string& name : ListNames(roots.sysfs / "class" / "hidraw")) {
        if (name.rfind("hidraw", 0) == 0) paths.push_back((roots.dev / name).string());
    }
    return paths;
}

std::optional<HidAttributes> SysfsHidAttributes(const LinuxRoots& roots, std::string_view name) {
    const auto id =
        ReadUeventValue(roots.sysfs / "class" / "hidraw" / std::string(name) / "device" / "uevent", "HID_ID");
    if (!id) return std::nullopt;
    // "0003:00000483:00005750": bus, vendor, product.
    const auto first = id->find(':');
    const auto second = id->find(':', first == std::string::npos ? 0 : first + 1);
    if (first == std::string::npos || second == std::string::npos) return std::nullopt;
    char* end = nullptr;
    const unsigned long vendor = std::strtoul(id->c_str() + first + 1, &end, 16);
    if (end != id->c_str() + second) return std::nullopt;
    const unsigned long product = std::strtoul(id->c_str() + second + 1, &end, 16);
    if (*end != '\0' || vendor > 0xFFFF || product > 0xFFFF) return std::nullopt;
    return HidAttributes{static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)};
}

std::unique_ptr<HidDevice> OpenHidraw(const LinuxRoots& roots, std::string_view path, int* error) {
    const std::string p(path);
    const int fd = ::open(p.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error != nullptr) *error = errno;
        return nullptr;
    }
    if (error != nullptr) *error = 0;
    return std::make_unique<HidrawDevice>(fd, SysfsHidAttributes(roots, fs::path(p).filename().string()));
}

}  // namespace platform::linuxos
