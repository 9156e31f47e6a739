#include "platform/linux/sysfs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <system_error>

namespace platform::linuxos {

namespace fs = std::filesystem;

std::optional<std::string> ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    if (!std::getline(in, line) && !in.eof()) return std::nullopt;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

std::optional<unsigned long> ReadUnsigned(const fs::path& file, int base) {
    auto text = ReadAttribute(file);
    if (!text) return std::nullopt;
    std::string_view s = *text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (ec != std::errc() || end == s.data()) return std::nullopt;
    return value;
}

std::optional<std::pair<unsigned, unsigned>> ReadDevNumbers(const fs::path& file) {
    auto text = ReadAttribute(file);
    if (!text) return std::nullopt;
    const auto colon = text->find(':');
    if (colon == std::string::npos) return std::nullopt;
    unsigned major = 0, minor = 0;
    const char* s = text->data();
    const auto r1 = std::from_chars(s, s + colon, major);
    const auto r2 = std::from_chars(s + colon + 1, s + text->size(), minor);
    if (r1.ec != std::errc() || r2.ec != std::errc() || r1.ptr == s || r2.ptr == s + colon + 1) return std::nullopt;
    return std::make_pair(major, minor);
}

std::uint32_t EncodeDevNumber(unsigned major, unsigned minor) {
    return (minor & 0xFFU) | ((major & 0xFFFU) << 8) | ((minor & ~0xFFU) << 12);
}

std::optional<std::string> ReadUeventValue(const fs::path& file, std::string_view key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=') {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            std::string_view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> ListNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

std::vector<ScsiGenericDisk> ListScsiGenericDisks(const std::filesystem::path& sysfs) {
    std::vector<ScsiGenericDisk> disks;
    const std::filesystem::path sgClass = sysfs / "class" / "scsi_generic";
    for (const std::string& sg : ListNames(sgClass)) {
        std::error_code e;
        const std::filesystem::path scsiDevice = std::filesystem::canonical(sgClass / sg / "device", e);
        if (e) continue;
        const auto type = ReadUnsigned(scsiDevice / "type");
        if (type && *type != 0 && *type != 14) continue;
        disks.push_back({sg, scsiDevice});
    }
    return disks;
}

}  // namespace platform::linuxos
