#include "emu/vendor_smart.h"

#include <algorithm>
#include <charconv>

namespace emu {

namespace {

constexpr std::uint8_t kDefaultIds[kVendorSmartEntries] = {0x09, 0x0C, 0xA7, 0xA8, 0xA9, 0xAB, 0xAC,
                                                           0xAD, 0xAF, 0xBB, 0xC0, 0xC2, 0xCE, 0xCF,
                                                           0xD0, 0xE7, 0xF1, 0xF2, 0xF3};

std::uint64_t Pieces(std::uint64_t r0, std::uint64_t r1, std::uint64_t r2) {
    return (r0 & 0xFFFF) | ((r1 & 0xFFFF) << 16) | ((r2 & 0xFFFF) << 32);
}

std::uint64_t RawValue(std::uint8_t id, const SmartCounters& s, const FlashWear& w) {
    const std::uint64_t t = static_cast<std::uint64_t>(std::clamp(s.temperatureCelsius, 0, 0xFFFF));
    switch (id) {
        case 0x09: return s.powerOnHours;
        case 0x0C: return s.powerCycles;
        case 0xC0: return s.unsafeShutdowns;
        case 0xF1: return s.sectorsWritten;
        case 0xF2: return s.sectorsRead;
        case 0xA9: return Pieces(w.mostBadOnDie, w.badBlocks, 0);
        case 0xAD: return Pieces(w.eraseAverage, w.eraseMost, w.eraseFewest);
        case 0xCE: return w.eraseFewest;
        case 0xCF: return w.eraseMost;
        case 0xD0: return w.eraseAverage;
        case 0xC2: return Pieces(t, t, t);
        case 0xF3: return t;
        case 0xE7: return 100;
        default: return 0;
    }
}

bool ParseU64(std::string_view text, std::uint64_t& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

}  // namespace

void BuildVendorSmartLog(const VendorSmartSetup& setup, const SmartCounters& smart, const FlashWear& wear,
                         std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), 0);
    const std::span<const std::uint8_t> ids =
        setup.ids.empty() ? std::span<const std::uint8_t>(kDefaultIds) : std::span<const std::uint8_t>(setup.ids);
    for (std::size_t e = 0; e < ids.size() && e < kVendorSmartEntries; ++e) {
        const std::size_t at = 2 + 12 * e;
        if (at + 12 > out.size()) break;
        out[at] = ids[e];
        out[at + 3] = 100;
        out[at + 4] = 100;
        const std::uint64_t raw = RawValue(ids[e], smart, wear);
        for (int i = 0; i < 6; ++i) out[at + 5 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(raw >> (8 * i));
    }
}

bool ReadSmartKeys(const IniSection& section, VendorSmartSetup& setup, SmartCounters& smart, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error != nullptr) *error = "[" + section.name + "] " + what;
        return false;
    };
    const std::string ids = section.GetOr("VendorSmartIds", "");
    for (std::size_t at = 0; at < ids.size();) {
        const std::size_t comma = std::min(ids.find(',', at), ids.size());
        std::uint64_t id = 0;
        if (!ParseU64(std::string_view(ids).substr(at, comma - at), id) || id > 0xFF ||
            setup.ids.size() >= static_cast<std::size_t>(kVendorSmartEntries)) {
            return fail("VendorSmartIds=" + ids + " is not a list of at most 19 IDs 0 to 255");
        }
        setup.ids.push_back(static_cast<std::uint8_t>(id));
        at = comma + 1;
    }
    const std::string mode = section.GetOr("VendorSmart", "answer");
    if (!EqualNoCase(mode, "answer") && !EqualNoCase(mode, "fail")) return fail("VendorSmart=" + mode + " is not fail");
    setup.fail = EqualNoCase(mode, "fail");

    struct Key {
        const char* name;
        std::uint64_t* field;
    };
    const Key keys[] = {{"SmartPowerOnHours", &smart.powerOnHours},       {"SmartPowerCycles", &smart.powerCycles},
                        {"SmartUnsafeShutdowns", &smart.unsafeShutdowns}, {"SmartHostReads", &smart.readCommands},
                        {"SmartHostWrites", &smart.writeCommands},        {"SmartUnitsRead", &smart.unitsRead},
                        {"SmartUnitsWritten", &smart.unitsWritten}};
    for (const Key& k : keys) {
        const auto value = section.Get(k.name);
        if (!value) continue;
        if (!ParseU64(*value, *k.field)) return fail(std::string(k.name) + "=" + *value + " is not a 64-bit number");
    }
    return true;
}

}  // namespace emu
