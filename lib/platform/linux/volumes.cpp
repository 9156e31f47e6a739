#include "platform/linux/volumes.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/linux/sysfs.h"
#include "platform/linux/sysfs_usb.h"

namespace platform::linuxos {

namespace fs = std::filesystem;

namespace {

// The mount table escapes blank, tab, line end and backslash as three octal digits.
std::string Unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            int v = 0;
            bool octal = true;
            for (std::size_t k = 1; k <= 3; ++k) {
                const char c = s[i + k];
                octal = octal && c >= '0' && c <= '7';
                v = v * 8 + (c - '0');
            }
            if (octal && v < 256) {
                out.push_back(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(std::move(w));
    return words;
}

// "/dev/sdb1" -> "sdb1"; empty for a source that is not a device node.
std::string DeviceName(std::string_view source) {
    if (!source.starts_with("/dev/")) return {};
    source.remove_prefix(5);
    if (source.starts_with("mapper/")) return {};  // a name of the mapper, not of the block device
    return std::string(source);
}

std::optional<std::string> BlockNameOf(const LinuxRoots& roots, unsigned major, unsigned minor) {
    if (major == 0) return std::nullopt;  // an anonymous device: no block device
    std::error_code ec;
    const fs::path dev =
        fs::canonical(roots.sysfs / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor)), ec);
    if (ec) return std::nullopt;
    return dev.filename().string();
}

// The block device a mount lies on: by its device number, else by the source's name.
std::optional<std::string> MountBlock(const LinuxRoots& roots, const MountEntry& m) {
    if (auto name = BlockNameOf(roots, m.major, m.minor)) return name;
    const std::string name = DeviceName(m.source);
    if (!name.empty() && PlaceOfBlock(roots, name)) return name;
    return std::nullopt;
}

// The whole disks beneath a block device: itself, or what it is built on (dm, md), recursively.
void DisksBeneath(const LinuxRoots& roots, const std::string& name, std::set<std::string>& out, int depth) {
    const auto place = PlaceOfBlock(roots, name);
    if (!place || depth > 16) return;
    const fs::path folder = roots.sysfs / "class" / "block" / place->disk;
    const fs::path own = fs::exists(folder) ? folder : roots.sysfs / "block" / place->disk;
    const auto slaves = ListNames(own / "slaves");
    if (slaves.empty()) {
        out.insert(place->disk);
        return;
    }
    for (const std::string& s : slaves) DisksBeneath(roots, s, out, depth + 1);
}

bool Inside(const fs::path& path, const fs::path& folder) {
    const fs::path rel = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !rel.empty() && *rel.begin() != ".." && !rel.is_absolute();
}

// The mount whose mount point is the longest prefix of `path`.
const MountEntry* MountHolding(const std::vector<MountEntry>& table, const fs::path& path) {
    const MountEntry* best = nullptr;
    std::size_t bestLength = 0;
    for (const MountEntry& m : table) {
        const fs::path point(m.mountPoint);
        if (point != path && !Inside(path, point)) continue;
        if (best == nullptr || m.mountPoint.size() >= bestLength) {
            best = &m;
            bestLength = m.mountPoint.size();
        }
    }
    return best;
}

fs::path Absolute(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    return ec ? p.lexically_normal() : c;
}

}  // namespace

std::optional<std::vector<MountEntry>> ReadMountTable(const fs::path& table) {
    std::ifstream in(table);
    if (!in) return std::nullopt;
    std::vector<MountEntry> entries;
    std::string line;
    while (std::getline(in, line)) {
        const auto w = Words(line);
        std::size_t dash = 6;
        while (dash < w.size() && w[dash] != "-") ++dash;
        if (w.size() < 6 || dash + 2 >= w.size()) continue;
        MountEntry m;
        const std::string& numbers = w[2];
        const auto colon = numbers.find(':');
        if (colon == std::string::npos) continue;
        const auto r1 = std::from_chars(numbers.data(), numbers.data() + colon, m.major);
        const auto r2 = std::from_chars(numbers.data() + colon + 1, numbers.data() + numbers.size(), m.minor);
        if (r1.ec != std::errc() || r2.ec != std::errc()) continue;
        m.mountPoint = Unescape(w[4]);
        m.fsType = w[dash + 1];
        m.source = Unescape(w[dash + 2]);
        entries.push_back(std::move(m));
    }
    return entries;
}

std::optional<BlockPlace> PlaceOfBlock(const LinuxRoots& roots, std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") return std::nullopt;
    std::error_code ec;
    fs::path folder = fs::canonical(roots.sysfs / "class" / "block" / std::string(name), ec);
    if (ec) folder = fs::canonical(roots.sysfs / "block" / std::string(name), ec);
    if (ec) {
        // A tree without class/block: whole disks under block/, partitions inside them.
        folder.clear();
        for (const std::string& disk : ListNames(roots.sysfs / "block")) {
            const fs::path candidate = roots.sysfs / "block" / disk / std::string(name);
            std::error_code e;
            if (fs::exists(candidate / "partition", e)) {
                folder = fs::canonical(candidate, e);
                break;
            }
        }
        if (folder.empty()) return std::nullopt;
    }
    BlockPlace place;
    if (const auto index = ReadUnsigned(folder / "partition")) {
        place.disk = folder.parent_path().filename().string();
        place.partition = static_cast<std::uint32_t>(*index);
    } else {
        place.disk = folder.filename().string();
    }
    return place;
}

std::optional<std::vector<Volume>> ListVolumesOf(const LinuxRoots& roots) {
    const auto table = ReadMountTable(roots.mounts);
    if (!table) return std::nullopt;
    std::vector<Volume> volumes;
    for (const MountEntry& m : *table) {
        Volume v;
        v.mountPoint = m.mountPoint;
        v.source = m.source;
        v.fsType = m.fsType;
        if (const auto block = MountBlock(roots, m)) {
            if (const auto place = PlaceOfBlock(roots, *block)) {
                v.diskName = place->disk;
                v.partition = place->partition;
                v.disk = SdDiskIndex(place->disk);
            }
        }
        volumes.push_back(std::move(v));
    }
    return volumes;
}

std::optional<std::set<std::string>> SystemDiskNames(const LinuxRoots& roots, const fs::path& programFolder) {
    const auto table = ReadMountTable(roots.mounts);
    if (!table) return std::nullopt;
    std::set<std::string> disks;
    auto addMountOf = [&](const fs::path& path) {
        if (const MountEntry* m = MountHolding(*table, path)) {
            if (const auto block = MountBlock(roots, *m)) DisksBeneath(roots, *block, disks, 0);
        }
    };
    for (const char* path : {"/", "/boot", "/boot/efi", "/usr", "/var", "/home"}) {
        for (const MountEntry& m : *table) {
            if (m.mountPoint != path) continue;
            if (const auto block = MountBlock(roots, m)) DisksBeneath(roots, *block, disks, 0);
        }
    }
    addMountOf(Absolute(programFolder));
    std::ifstream swaps(roots.swaps);
    std::string line;
    std::getline(swaps, line);  // the heading
    while (std::getline(swaps, line)) {
        const auto w = Words(line);
        if (w.size() < 2) continue;
        const std::string file = Unescape(w[0]);
        if (w[1] == "partition") {
            const std::string name = DeviceName(file);
            if (!name.empty()) DisksBeneath(roots, name, disks, 0);
        } else {
            addMountOf(fs::path(file));
        }
    }
    return disks;
}

std::optional<std::string> FormatRefusalOf(const LinuxRoots& roots, std::string_view diskName,
                                           const fs::path& programFolder) {
    const std::string name(diskName);
    const auto place = PlaceOfBlock(roots, name);
    if (!place) return name + " is not a disk of this machine";
    if (place->partition != 0 || place->disk != name) return name + " is not a whole disk";
    if (!UsbDeviceOfBlock(roots, name)) return name + " is not attached through USB";
    const auto system = SystemDiskNames(roots, programFolder);
    if (!system) return "the mount table cannot be read";
    if (system->count(name) != 0) return name + " is the system disk";
    const fs::path diskFolder = roots.sysfs / "block" / name;
    std::vector<std::string> blocks{name};
    for (const std::string& entry : ListNames(diskFolder)) {
        std::error_code ec;
        if (fs::exists(diskFolder / entry / "partition", ec)) blocks.push_back(entry);
    }
    for (const std::string& block : blocks) {
        const fs::path folder = block == name ? diskFolder : diskFolder / block;
        const auto holders = ListNames(folder / "holders");
        if (!holders.empty()) return block + " is held by " + holders.front();
    }
    const auto volumes = ListVolumesOf(roots);
    if (!volumes) return "the mount table cannot be read";
    const fs::path ours = Absolute(programFolder) / "mnt";
    for (const Volume& v : *volumes) {
        if (v.diskName != name) continue;
        if (!Inside(fs::path(v.mountPoint), ours)) return v.source + " is mounted on " + v.mountPoint;
    }
    return std::nullopt;
}

std::optional<DiskOwner> OwnerOfBlock(const LinuxRoots& roots, std::string_view diskName) {
    const auto usb = UsbDeviceOfBlock(roots, diskName);
    if (!usb) return std::nullopt;
    DiskOwner owner;
    owner.instanceId = usb->filename().string();
    for (char& c : owner.instanceId) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    owner.serial = ReadAttribute(*usb / "serial").value_or("");
    return owner;
}

}  // namespace platform::linuxos
