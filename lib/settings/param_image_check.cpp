#include "settings/param_image_check.h"

#include <cstdio>

#include "settings/ce_map.h"
#include "settings/records.h"

namespace settings {

bool CheckDramSize(std::uint32_t dramSizeMb, std::string* why) {
    if (dramSizeMb <= kMaxDramSizeMb) return true;
    if (why != nullptr) {
        char text[160];
        std::snprintf(text, sizeof text, "DramSize %u MB is over %u MB: its byte count does not fit 32 bits.",
                      dramSizeMb, kMaxDramSizeMb);
        *why = text;
    }
    return false;
}

bool CheckParamImageSettings(std::string* why) {
    CeMap map;
    if (!BuildCeMap(map, why)) return false;
    return CheckDramSize(AP_INIState.dwDramSize, why);
}

}  // namespace settings
