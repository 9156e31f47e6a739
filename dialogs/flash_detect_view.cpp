#include "dialogs/flash_detect_view.h"

#include <algorithm>
#include <cstring>

#include "app/settings_passes.h"
#include "settings/flash_list.h"

namespace dialogs {

namespace {

// Interface types 0 to 10 have names.
constexpr int kInterfaceCount = 11;

std::string Field(const char* text, std::size_t size) {
    return std::string(text, ::strnlen(text, size));
}

}  // namespace

std::string FlashInterfaceName(int type) {
    return type >= 0 && type < kInterfaceCount ? app::FlashInterfaceText(static_cast<std::uint8_t>(type)) : "";
}

std::string FlashVendorText(int vendor) {
    if (vendor < 0 || vendor >= static_cast<int>(kFlashVendorMax)) return {};
    return Field(g_FlashVendorName[vendor], kFlashVendorNameSize);
}

std::string ChannelBankText(int channel, int bank) {
    return std::to_string(channel) + " / " + std::to_string(bank);
}

std::vector<FlashDetectLine> FlashDetectLines() {
    std::vector<FlashDetectLine> lines;
    const int count = std::clamp<int>(g_FlashCandCount, 0, static_cast<int>(kFlashVendorMax));
    for (int i = 0; i < count; ++i) {
        const int vendor = g_FlashCandVendor[i];
        const int part = g_FlashCandIndex[i];
        if (vendor < 0 || vendor >= static_cast<int>(kFlashVendorMax) || part < 0) continue;
        const long long record = static_cast<long long>(g_FlashVendorStart[vendor]) + part;
        if (record >= g_FlashVendorStart[vendor + 1] || record >= static_cast<long long>(kFlashRecordMax)) continue;
        const FlashRecord_t& r = g_FlashRecord[record];
        std::string text = Field(r.FlashUniName, sizeof r.FlashUniName);
        text += "  /  ";
        text += Field(r.sFlashFullName, sizeof r.sFlashFullName);
        text += " (" + FlashInterfaceName(r.ucFlashInterface) + ")";
        text += " (" + std::to_string(r.ucPlanes) + " Plane)";
        lines.push_back({i, std::move(text)});
    }
    return lines;
}

}  // namespace dialogs
