#include "emu/bay_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <map>
#include <sstream>

#include "emu/drive_programs.h"
#include "emu/nvme_drive_parts.h"

namespace emu {

namespace {

constexpr unsigned kMaxPorts = 31;
constexpr std::size_t kMaxTiers = 6;  // ports in an id: the root port and five hubs below it

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::optional<std::uint64_t> ParseNumber(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

class Reader {
  public:
    explicit Reader(std::string* error) : error_(error) {}

    bool Fail(const std::string& message) {
        if (error_ != nullptr && error_->empty()) *error_ = message;
        return false;
    }

    template <typename T>
    bool Number(const IniSection& s, std::string_view key, T& out, std::uint64_t min, std::uint64_t max) {
        const auto text = s.Get(key);
        if (!text) return true;
        const auto v = ParseNumber(*text);
        if (!v || *v < min || *v > max) {
            return Fail("[" + s.name + "] " + std::string(key) + "=" + *text + " is not a number from " +
                        std::to_string(min) + " to " + std::to_string(max));
        }
        out = static_cast<T>(*v);
        return true;
    }

    bool Flag(const IniSection& s, std::string_view key, bool& out) {
        unsigned v = out ? 1 : 0;
        if (!Number(s, key, v, 0, 1)) return false;
        out = v != 0;
        return true;
    }

  private:
    std::string* error_;
};

bool ReadDrive(const IniSection& s, Reader& r, DriveConfig& d) {
    d.name = s.name;
    d.section = s;
    d.id = s.GetOr("Id", "");
    const std::string bridge = s.GetOr("Bridge", "jmicron");
    if (EqualNoCase(bridge, "jmicron")) {
        d.bridge = BridgeKind::JMicron;
    } else if (EqualNoCase(bridge, "asmedia")) {
        d.bridge = BridgeKind::ASMedia;
    } else if (EqualNoCase(bridge, "unknown")) {
        d.bridge = BridgeKind::Unknown;
    } else {
        return r.Fail("[" + s.name + "] Bridge=" + bridge + " is not jmicron, asmedia or unknown");
    }
    switch (d.bridge) {
        case BridgeKind::JMicron:
            d.chip = s.GetOr("Chip", "0583");
            d.vendor = s.GetOr("Vendor", "JMicron");
            d.product = s.GetOr("Product", "Tech");
            d.usbVendor = 0x152D;
            d.usbProduct = ParseNumber("0x" + d.chip).value_or(0x0583) & 0xFFFF;
            break;
        case BridgeKind::ASMedia:
            d.chip = s.GetOr("Chip", "2362");
            d.vendor = s.GetOr("Vendor", "ASMedia");
            d.product = s.GetOr("Product", "ASM" + d.chip + " NVMe");
            d.usbVendor = 0x174C;
            d.usbProduct = ParseNumber("0x" + d.chip).value_or(0x2362) & 0xFFFF;
            break;
        case BridgeKind::Unknown:
            d.chip = s.GetOr("Chip", "");
            d.vendor = s.GetOr("Vendor", "Generic");
            d.product = s.GetOr("Product", "Mass Storage");
            break;
    }
    if (d.chip.size() > 4) return r.Fail("[" + s.name + "] Chip=" + d.chip + " is longer than 4 characters");
    d.revision = s.GetOr("Revision", "0100");
    d.sectors = 1000215216;  // 512 GB
    std::uint64_t megabytes = 0;
    if (!r.Number(s, "CapacityMB", megabytes, 1, std::uint64_t{1} << 32)) return false;
    if (megabytes != 0) d.sectors = megabytes * 2048;
    if (!r.Number(s, "Sectors", d.sectors, 0, std::uint64_t{1} << 48)) return false;
    if (!r.Number(s, "BlockLength", d.blockLength, 1, 1U << 20)) return false;
    if (!r.Number(s, "UsbVendor", d.usbVendor, 0, 0xFFFF) || !r.Number(s, "UsbProduct", d.usbProduct, 0, 0xFFFF)) {
        return false;
    }
    if (!r.Flag(s, "Plugged", d.plugged)) return false;
    const std::string fault = s.GetOr("Fault", "none");
    if (EqualNoCase(fault, "none")) {
        d.fault = DriveFault::None;
    } else if (EqualNoCase(fault, "noanswer")) {
        d.fault = DriveFault::NoAnswer;
    } else if (EqualNoCase(fault, "fail")) {
        d.fault = DriveFault::Fail;
    } else if (EqualNoCase(fault, "unplugged")) {
        d.plugged = false;
    } else {
        return r.Fail("[" + s.name + "] Fault=" + fault + " is not none, noanswer, fail or unplugged");
    }
    std::string why;
    if (!ReadControllerSetup(d, &why) || !ReadProgramSetup(d, &why)) return r.Fail(why);
    return true;
}

// "120", "120.5", "120.00" mA -> hundredths of a mA, saturating; nullopt when not a number.
std::optional<std::uint32_t> ParseCentiMa(std::string_view text) {
    std::uint64_t whole = 0, hundredths = 0;
    std::size_t i = 0;
    bool digits = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
        whole = std::min<std::uint64_t>(whole * 10 + static_cast<unsigned>(text[i] - '0'), 1u << 30);
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (int place = 0; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++place) {
            digits = true;
            if (place < 2) hundredths += static_cast<unsigned>(text[i] - '0') * (place == 0 ? 10u : 1u);
        }
    }
    if (!digits || i != text.size()) return std::nullopt;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(whole * 100 + hundredths, UINT32_MAX));
}

// "1,4 5" -> bits 0 and 3 and 4; empty -> 0; nullopt for anything but slot numbers 1 to 8.
std::optional<std::uint8_t> ParseSlotList(std::string_view text) {
    std::uint8_t mask = 0;
    for (char c : text) {
        if (c >= '1' && c <= '8') {
            mask = static_cast<std::uint8_t>(mask | (1u << (c - '1')));
        } else if (c != ',' && c != ' ') {
            return std::nullopt;
        }
    }
    return mask;
}

bool ReadBoard(const IniSection& s, Reader& r, BoardConfig& b) {
    b.name = s.name;
    b.id = s.GetOr("Id", "");
    if (!r.Number(s, "VendorId", b.vendorId, 0, 0xFFFF) || !r.Number(s, "ProductId", b.productId, 0, 0xFFFF) ||
        !r.Flag(s, "Plugged", b.plugged)) {
        return false;
    }
    const std::string fault = s.GetOr("Fault", "none");
    if (EqualNoCase(fault, "noanswer")) {
        b.answers = false;
    } else if (EqualNoCase(fault, "badecho")) {
        b.badEcho = true;
    } else if (!EqualNoCase(fault, "none")) {
        return r.Fail("[" + s.name + "] Fault=" + fault + " is not none, noanswer or badecho");
    }
    for (int n = 0; n < kBoardSlots; ++n) {
        const std::string index = std::to_string(n + 1);
        b.slotDrive[n] = s.GetOr("Slot" + index, "");
        if (auto text = s.Get("Current" + index)) {
            auto value = ParseCentiMa(*text);
            if (!value) return r.Fail("[" + s.name + "] Current" + index + "=" + *text + " is not a current in mA");
            b.currentCentiMa[n] = *value;
        }
    }
    for (auto [key, mask] : {std::pair{"NoLink", &b.noLink}, std::pair{"LateLink", &b.lateLink},
                             std::pair{"PoweredAtStart", &b.poweredAtStart}}) {
        const std::string text = s.GetOr(key, "");
        auto slots = ParseSlotList(text);
        if (!slots) return r.Fail("[" + s.name + "] " + key + "=" + text + " is not a list of slots 1 to 8");
        *mask = *slots;
    }
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Every device sits on an existing port of an existing hub, one device per port.
bool CheckTopology(const BayConfig& bay, Reader& r) {
    std::map<unsigned, unsigned> rootPorts;
    for (const RootHubConfig& root : bay.roots) {
        if (!rootPorts.emplace(root.bus, root.ports).second) {
            return r.Fail("bus " + std::to_string(root.bus) + " has two root hubs");
        }
    }
    std::map<std::string, unsigned> hubPorts;  // hub id -> ports
    for (const HubConfig& hub : bay.hubs) hubPorts[Lower(hub.id)] = hub.ports;
    std::map<std::string, std::string> taken;  // id -> section
    std::map<std::string, bool> names;
    auto place = [&](const std::string& section, const std::string& id) {
        if (!names.emplace(Lower(section), true).second) return r.Fail("two sections named [" + section + "]");
        const auto p = ParseUsbPlace(id);
        if (!p) return r.Fail("[" + section + "] Id=" + id + " is not of the form <bus>-<port>[.<port>...]");
        if (p->ports.size() > kMaxTiers) return r.Fail("[" + section + "] Id=" + id + " is deeper than USB allows");
        unsigned parentPorts = 0;
        if (p->ports.size() == 1) {
            const auto it = rootPorts.find(p->bus);
            if (it == rootPorts.end()) return r.Fail("[" + section + "] Id=" + id + ": no root hub on that bus");
            parentPorts = it->second;
        } else {
            const std::string parent = Lower(id.substr(0, id.rfind('.')));
            const auto it = hubPorts.find(parent);
            if (it == hubPorts.end()) return r.Fail("[" + section + "] Id=" + id + ": no hub at " + parent);
            parentPorts = it->second;
        }
        if (p->ports.back() < 1 || p->ports.back() > parentPorts) {
            return r.Fail("[" + section + "] Id=" + id + ": the hub has no such port");
        }
        if (!taken.emplace(Lower(id), section).second) {
            return r.Fail("[" + section + "] Id=" + id + " is taken by [" + taken[Lower(id)] + "]");
        }
        return true;
    };
    for (const RootHubConfig& root : bay.roots) {
        if (!names.emplace(Lower(root.name), true).second) return r.Fail("two sections named [" + root.name + "]");
    }
    for (const HubConfig& hub : bay.hubs) {
        if (!place(hub.name, hub.id)) return false;
    }
    for (const DriveConfig& d : bay.drives) {
        if (!place(d.name, d.id)) return false;
    }
    for (const BoardConfig& b : bay.boards) {
        if (!place(b.name, b.id)) return false;
    }
    return true;
}

}  // namespace

std::optional<UsbPlace> ParseUsbPlace(std::string_view id) {
    UsbPlace place;
    const auto dash = id.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const std::string_view busText = id.substr(0, dash);
    if (busText.empty() ||
        !std::all_of(busText.begin(), busText.end(), [](char c) { return std::isdigit((unsigned char)c); })) {
        return std::nullopt;
    }
    const auto bus = ParseNumber(busText);
    if (!bus || *bus == 0 || *bus > 127) return std::nullopt;
    place.bus = static_cast<unsigned>(*bus);
    std::string_view rest = id.substr(dash + 1);
    while (true) {
        const auto dot = rest.find('.');
        const std::string_view piece = rest.substr(0, dot);
        if (piece.empty() ||
            !std::all_of(piece.begin(), piece.end(), [](char c) { return std::isdigit((unsigned char)c); })) {
            return std::nullopt;
        }
        const auto port = ParseNumber(piece);
        if (!port || *port == 0 || *port > kMaxPorts) return std::nullopt;
        place.ports.push_back(static_cast<unsigned>(*port));
        if (dot == std::string_view::npos) break;
        rest = rest.substr(dot + 1);
    }
    return place;
}

std::optional<BayConfig> ParseBayConfig(std::string_view text, std::string* error) {
    if (error != nullptr) error->clear();
    Reader r(error);
    const IniFile ini = ParseIni(text);
    if (!ini.badLines.empty()) {
        r.Fail("line " + std::to_string(ini.badLines.front()) + " is neither a section nor a key");
        return std::nullopt;
    }
    BayConfig bay;
    for (const IniSection& s : ini.sections) {
        if (StartsWithNoCase(s.name, "RootHub")) {
            RootHubConfig root;
            root.name = s.name;
            if (!r.Number(s, "Bus", root.bus, 1, 127) || !r.Number(s, "Ports", root.ports, 1, kMaxPorts)) {
                return std::nullopt;
            }
            const std::string speed = s.GetOr("Speed", "usb3");
            if (EqualNoCase(speed, "usb3")) {
                root.kind = platform::HubKind::RootUsb3;
            } else if (EqualNoCase(speed, "usb2")) {
                root.kind = platform::HubKind::RootUsb2;
            } else if (EqualNoCase(speed, "usb1")) {
                root.kind = platform::HubKind::RootOther;
            } else {
                r.Fail("[" + s.name + "] Speed=" + speed + " is not usb1, usb2 or usb3");
                return std::nullopt;
            }
            bay.roots.push_back(root);
        } else if (StartsWithNoCase(s.name, "Hub")) {
            HubConfig hub;
            hub.name = s.name;
            hub.id = s.GetOr("Id", "");
            if (!r.Number(s, "Ports", hub.ports, 1, kMaxPorts)) return std::nullopt;
            hub.failNodeInfo = EqualNoCase(s.GetOr("Fault", "none"), "nodeinfo");
            bay.hubs.push_back(hub);
        } else if (StartsWithNoCase(s.name, "Drive")) {
            DriveConfig d;
            if (!ReadDrive(s, r, d)) return std::nullopt;
            bay.drives.push_back(std::move(d));
        } else if (StartsWithNoCase(s.name, "Fixture")) {
            BoardConfig b;
            if (!ReadBoard(s, r, b)) return std::nullopt;
            bay.boards.push_back(b);
        } else {
            bay.others.push_back(s);
        }
    }
    if (!CheckTopology(bay, r)) return std::nullopt;
    for (const BoardConfig& b : bay.boards) {
        for (int n = 0; n < kBoardSlots; ++n) {
            if (b.slotDrive[n].empty()) continue;
            const bool known = std::any_of(bay.drives.begin(), bay.drives.end(),
                                           [&](const DriveConfig& d) { return EqualNoCase(d.name, b.slotDrive[n]); });
            if (!known) {
                r.Fail("[" + b.name + "] Slot" + std::to_string(n + 1) + "=" + b.slotDrive[n] +
                       " is no drive of the bay");
                return std::nullopt;
            }
        }
    }
    return bay;
}

std::optional<BayConfig> LoadBayConfig(const std::filesystem::path& folder, std::string* error) {
    std::ifstream in(folder / "bay.ini", std::ios::binary);
    if (!in) {
        if (error != nullptr) *error = (folder / "bay.ini").string() + " cannot be read";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto config = ParseBayConfig(text.str(), error);
    if (config) {
        for (DriveConfig& d : config->drives) d.bayFolder = folder;
    }
    return config;
}

}  // namespace emu
