#include "platform/linux/sysfs_usb.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/linux/sysfs.h"

namespace platform::linuxos {

namespace fs = std::filesystem;

namespace {

// "usb2" or "2-1.3": the name of a USB device (not of an interface "2-1.3:1.0" or a port).
bool IsUsbDeviceName(std::string_view name) {
    if (name.size() > 3 && name.substr(0, 3) == "usb") {
        return std::all_of(name.begin() + 3, name.end(), [](char c) { return std::isdigit((unsigned char)c); });
    }
    const auto dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) return false;
    bool digitBefore = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digitBefore = true;
        } else if ((c == '.' && i > dash) || i == dash) {
            if (!digitBefore) return false;
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

bool IsRootHubName(std::string_view name) {
    return name.size() > 3 && name.substr(0, 3) == "usb";
}

// The name of the device on port `port` of hub `hub`.
std::string ChildName(const std::string& hub, unsigned port) {
    if (IsRootHubName(hub)) return hub.substr(3) + "-" + std::to_string(port);
    return hub + "." + std::to_string(port);
}

// The prefix of the hub's port folders: "usb2-port3" for a root hub, "2-1-port3" for another.
std::string PortFolderName(const std::string& hub, unsigned port) {
    return hub + "-port" + std::to_string(port);
}

std::string DriverKeyOf(const fs::path& device) {
    const auto bus = ReadUnsigned(device / "busnum");
    const auto dev = ReadUnsigned(device / "devnum");
    if (!bus || !dev) return {};
    char key[32];
    std::snprintf(key, sizeof key, "bus/usb/%03lu/%03lu", *bus, *dev);
    return key;
}

class SysfsHub : public UsbHub {
  public:
    SysfsHub(fs::path folder, int fd) : folder_(std::move(folder)), name_(folder_.filename().string()), fd_(fd) {}
    ~SysfsHub() override { ::close(fd_); }

    int Handle() const override { return fd_; }

    std::optional<unsigned> PortCount() override {
        auto n = ReadUnsigned(folder_ / "maxchild");
        if (!n || *n > 255) return std::nullopt;
        return static_cast<unsigned>(*n);
    }

    std::optional<PortInfo> Port(unsigned port) override {
        const auto portFolder = FindPortFolder(port);
        if (!portFolder) return std::nullopt;
        PortInfo info;
        const fs::path child = folder_ / ChildName(name_, port);
        std::error_code ec;
        if (fs::is_directory(child, ec)) {
            info.connection = PortConnection::Connected;
            const auto cls = ReadAttribute(child / "bDeviceClass");
            info.isHub = cls && *cls == "09";
        } else if (ReadUnsigned(*portFolder / "over_current_count").value_or(0) > 0) {
            info.connection = PortConnection::OverCurrent;
        }
        return info;
    }

    std::optional<std::string> ConnectionName(unsigned port) override {
        const fs::path child = folder_ / ChildName(name_, port);
        std::error_code ec;
        if (!fs::is_directory(child, ec)) return std::nullopt;
        return child.string();
    }

    std::optional<std::string> DriverKeyName(unsigned port) override {
        std::string key = DriverKeyOf(folder_ / ChildName(name_, port));
        if (key.empty()) return std::nullopt;
        return key;
    }

  private:
    // The port folders sit in the hub's interface folder ("2-1:1.0/2-1-port3").
    std::optional<fs::path> FindPortFolder(unsigned port) const {
        const std::string wanted = PortFolderName(name_, port);
        for (const std::string& entry : ListNames(folder_)) {
            if (entry.find(':') == std::string::npos) continue;
            std::error_code ec;
            const fs::path candidate = folder_ / entry / wanted;
            if (fs::is_directory(candidate, ec)) return candidate;
        }
        return std::nullopt;
    }

    fs::path folder_;
    std::string name_;
    int fd_;
};

struct NamedDevice {
    std::string name;
    fs::path folder;
};

// The USB devices of bus/usb/devices, by name.
std::vector<NamedDevice> UsbDevices(const LinuxRoots& roots) {
    std::vector<NamedDevice> devices;
    const fs::path base = roots.sysfs / "bus" / "usb" / "devices";
    for (const std::string& name : ListNames(base)) {
        if (!IsUsbDeviceName(name)) continue;
        std::error_code ec;
        const fs::path folder = fs::canonical(base / name, ec);
        if (!ec) devices.push_back({name, folder});
    }
    return devices;
}

unsigned BusOf(const std::string& name) {
    const std::string digits = IsRootHubName(name) ? name.substr(3) : name.substr(0, name.find('-'));
    return static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, 10));
}

void VisitDepthFirst(const fs::path& folder, const std::string& name, std::vector<UsbDeviceNode>& out, int depth) {
    out.push_back({DriverKeyOf(folder), name});
    if (depth > 8) return;  // USB allows five tiers of hubs; a deeper tree is not real
    for (const std::string& child : ListNames(folder)) {
        if (!IsUsbDeviceName(child) || IsRootHubName(child)) continue;
        VisitDepthFirst(folder / child, child, out, depth + 1);
    }
}

// The USB interface above a SCSI device that usb-storage or uas drives, or an empty path.
fs::path StorageInterfaceAbove(const fs::path& scsiDevice, const fs::path& devicesRoot) {
    for (fs::path p = scsiDevice.parent_path(); !p.empty() && p != devicesRoot && p != p.root_path();
         p = p.parent_path()) {
        std::error_code ec;
        const fs::path driver = fs::read_symlink(p / "driver", ec);
        if (ec) continue;
        const std::string name = driver.filename().string();
        if (name == "usb-storage" || name == "uas") return p;
        return {};  // bound to another driver: not a USB disk
    }
    return {};
}

}  // namespace

std::optional<std::filesystem::path> UsbDeviceOfBlock(const LinuxRoots& roots, std::string_view blockName) {
    std::error_code ec;
    const fs::path devicesRoot = fs::canonical(roots.sysfs / "devices", ec);
    if (ec) return std::nullopt;
    // ".../6:0:0:0/block/sdb": the SCSI device is two folders up.
    const fs::path block = fs::canonical(roots.sysfs / "block" / std::string(blockName), ec);
    if (ec || block.parent_path().filename() != "block") return std::nullopt;
    const fs::path scsiDevice = block.parent_path().parent_path();
    const fs::path iface = StorageInterfaceAbove(scsiDevice, devicesRoot);
    if (iface.empty()) return std::nullopt;
    return iface.parent_path();
}

std::optional<std::vector<UsbDisk>> ListSysfsUsbDisks(const LinuxRoots& roots) {
    std::error_code ec;
    if (!fs::is_directory(roots.sysfs / "devices", ec)) return std::nullopt;
    std::error_code ec2;
    const fs::path devicesRoot = fs::canonical(roots.sysfs / "devices", ec2);
    std::vector<UsbDisk> disks;
    const fs::path sgClass = roots.sysfs / "class" / "scsi_generic";
    for (const ScsiGenericDisk& found : ListScsiGenericDisks(roots.sysfs)) {
        const std::string& sg = found.sg;
        const fs::path& scsiDevice = found.scsiDevice;
        const fs::path iface = StorageInterfaceAbove(scsiDevice, devicesRoot);
        if (iface.empty()) continue;
        const fs::path usb = iface.parent_path();
        UsbDisk disk;
        disk.path = (roots.dev / sg).string();
        disk.instanceId = usb.filename().string();
        for (char& c : disk.instanceId) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        disk.vendorId = static_cast<std::uint16_t>(ReadUnsigned(usb / "idVendor", 16).value_or(0));
        disk.productId = static_cast<std::uint16_t>(ReadUnsigned(usb / "idProduct", 16).value_or(0));
        disk.serial = ReadAttribute(usb / "serial").value_or("");
        const auto blocks = ListNames(scsiDevice / "block");
        if (!blocks.empty()) disk.blockName = blocks.front();
        if (const auto dev = ReadDevNumbers(sgClass / sg / "dev"))
            disk.devNode = EncodeDevNumber(dev->first, dev->second);
        const auto bus = ReadUnsigned(usb / "busnum");
        const auto addr = ReadUnsigned(usb / "devnum");
        if (bus && addr) disk.parentDevNode = static_cast<std::uint32_t>((*bus << 16) | (*addr & 0xFFFF));
        disks.push_back(std::move(disk));
    }
    return disks;
}

std::vector<HubInterface> ListSysfsHubs(const LinuxRoots& roots) {
    std::vector<HubInterface> rootHubs, external;
    std::vector<std::pair<unsigned, HubInterface>> byBus;
    for (const NamedDevice& d : UsbDevices(roots)) {
        const auto cls = ReadAttribute(d.folder / "bDeviceClass");
        if (!cls || *cls != "09") continue;
        HubInterface hub{d.folder.string(), HubKind::External};
        if (IsRootHubName(d.name)) {
            const unsigned long speed = ReadUnsigned(d.folder / "speed").value_or(0);
            hub.kind = speed >= 5000 ? HubKind::RootUsb3 : speed == 480 ? HubKind::RootUsb2 : HubKind::RootOther;
            byBus.emplace_back(BusOf(d.name), hub);
        } else {
            external.push_back(hub);
        }
    }
    std::stable_sort(byBus.begin(), byBus.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [bus, hub] : byBus) rootHubs.push_back(std::move(hub));
    rootHubs.insert(rootHubs.end(), external.begin(), external.end());
    return rootHubs;
}

std::unique_ptr<UsbHub> OpenSysfsHub(std::string_view path, int* error) {
    const std::string p(path);
    const int fd = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error != nullptr) *error = errno;
        return nullptr;
    }
    if (error != nullptr) *error = 0;
    return std::make_unique<SysfsHub>(fs::path(p), fd);
}

std::vector<UsbDeviceNode> ListSysfsUsbNodes(const LinuxRoots& roots) {
    std::vector<NamedDevice> rootHubs;
    for (const NamedDevice& d : UsbDevices(roots)) {
        if (IsRootHubName(d.name)) rootHubs.push_back(d);
    }
    std::stable_sort(rootHubs.begin(), rootHubs.end(),
                     [](const NamedDevice& a, const NamedDevice& b) { return BusOf(a.name) < BusOf(b.name); });
    std::vector<UsbDeviceNode> nodes;
    for (const NamedDevice& d : rootHubs) VisitDepthFirst(d.folder, d.name, nodes, 0);
    return nodes;
}

std::string SdDiskName(std::uint32_t index) {
    std::string letters;
    std::uint64_t n = std::uint64_t(index) + 1;
    while (n > 0) {
        --n;
        letters.insert(letters.begin(), static_cast<char>('a' + n % 26));
        n /= 26;
    }
    return "sd" + letters;
}

std::optional<std::uint32_t> SdDiskIndex(std::string_view name) {
    if (name.size() < 3 || name.substr(0, 2) != "sd") return std::nullopt;
    std::uint32_t index = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
        const char c = name[i];
        if (c < 'a' || c > 'z') return std::nullopt;
        if (index > 0x00FFFFFF) return std::nullopt;
        index = index * 26 + static_cast<std::uint32_t>(c - 'a' + 1);
    }
    return index - 1;
}

std::optional<std::uint32_t> SysfsDiskNumber(const LinuxRoots& roots, bool isChar, unsigned major, unsigned minor,
                                             std::uint32_t* partition) {
    if (partition != nullptr) *partition = 0;
    const std::string numbers = std::to_string(major) + ":" + std::to_string(minor);
    std::error_code ec;
    const fs::path device = fs::canonical(roots.sysfs / "dev" / (isChar ? "char" : "block") / numbers, ec);
    if (ec) return std::nullopt;
    std::string name;
    if (isChar) {
        const auto blocks = ListNames(device / "device" / "block");
        if (blocks.empty()) return std::nullopt;
        name = blocks.front();
    } else {
        name = device.filename().string();
        if (const auto index = ReadUnsigned(device / "partition")) {
            name = device.parent_path().filename().string();
            if (partition != nullptr) *partition = static_cast<std::uint32_t>(*index);
        }
    }
    return SdDiskIndex(name);
}

}  // namespace platform::linuxos
