#include "settings/ce_map.h"

#include <cstdio>
#include <cstring>

#include "settings/die_remap.h"
#include "settings/records.h"

namespace settings {
namespace {

constexpr std::uint8_t kNoDie = 0xFF;

struct Walk {
    CeMap& map;
    std::string* why;
    std::size_t next = 0;

    bool Refuse(const char* format, int a, int b, int c) {
        if (why != nullptr) {
            char text[200];
            std::snprintf(text, sizeof text, format, a, b, c);
            *why = text;
        }
        return false;
    }

    // Appends logical die `value` (LUN x 64 + CE x 8 + channel); in pass 0 its reverse entry.
    bool Add(int value, int reverseIndex, int pass) {
        if (next >= kCeListBytes) {
            return Refuse(
                "The die map gives more than %d logical dies (bVirCntPerDie %d, %d LUNs); the CE list holds 64.",
                static_cast<int>(kCeListBytes), VirtualDiesPerDie(), DieMapLunCount());
        }
        if (pass == 0 && reverseIndex >= static_cast<int>(kCeReverseBytes)) {
            return Refuse("LUN %d, CE %d, channel %d lies past the 128-byte reverse CE map.", value >> 6,
                          (value >> 3) & 7, value & 7);
        }
        map.list[next] = static_cast<std::uint8_t>(value);
        if (pass == 0) map.reverse[reverseIndex] = static_cast<std::uint8_t>(next);
        ++next;
        return true;
    }
};

}  // namespace

bool BuildCeMap(CeMap& map, std::string* why) {
    std::memset(map.list, kNoDie, sizeof map.list);
    std::memset(map.reverse, kNoDie, sizeof map.reverse);
    const AP_INIState_t& s = AP_INIState;
    Walk walk{map, why};
    const int passes = VirtualDiesPerDie();
    const bool multiLun = DieMapIsMultiLun();

    int dies = 0;
    for (int c = 0; c < AP_DIE_CHANNELS; ++c) {
        for (int k = 0; k < 8; ++k) {
            if (multiLun ? s.bRemapDieMapMultiLun[c][k] != kNoDie
                         : k < AP_DIE_BANKS && s.bRemapDieMap[c][k] != kNoDie) {
                ++dies;
            }
        }
    }
    if (!multiLun) dies *= DieMapLunCount();
    if (dies * passes > static_cast<int>(kCeListBytes)) {
        return walk.Refuse("The die map gives %d logical dies (%d dies x bVirCntPerDie %d); the CE list holds 64.",
                           dies * passes, dies, passes);
    }

    if (!multiLun) {
        const int luns = DieMapLunCount();
        for (int v = 0; v < passes; ++v) {
            for (int d = 0; d < luns; ++d) {
                for (int b = 0; b < AP_DIE_BANKS; ++b) {
                    for (int c = 0; c < AP_DIE_CHANNELS; ++c) {
                        const std::uint8_t e = s.bRemapDieMap[c][b];
                        if (e == kNoDie) continue;
                        const int tail = (e & 0x0F) * 8 + (e >> 4);
                        if (!walk.Add(d * 64 + tail, d * 32 + tail, v)) return false;
                    }
                }
            }
        }
        return true;
    }

    const int banks = s.MaxPhyBank;
    for (int v = 0; v < passes; ++v) {
        for (int x = 0; x < 8; ++x) {
            for (int y = 0; y < 8; ++y) {
                const std::uint8_t e = s.bRemapDieMapMultiLun[y][x];
                if (e == kNoDie) continue;
                if (banks == 0) {
                    return walk.Refuse(
                        "MaxPhyBank is %d: the multi-LUN die map of channel %d, column %d cannot be "
                        "decoded.",
                        0, e >> 4, e & 0x0F);
                }
                const int lo = e & 0x0F;
                const int value = (lo / banks) * 64 + (lo % banks) * 8 + (e >> 4);
                if (!walk.Add(value, value, v)) return false;
            }
        }
    }
    return true;
}

}  // namespace settings
