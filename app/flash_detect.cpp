#include "app/flash_detect.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "settings/flash_list.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

int GpioCode(const std::uint8_t (&bits)[5]) {
    int code = 0;
    for (std::uint8_t bit : bits) code = code * 10 + (bit != 0 ? 1 : 0);
    return code;
}

std::string FlashIdDetail(const FlashModule_t& module, int gpioCode) {
    char text[96];
    const std::uint8_t* id = module.sNandId;
    std::snprintf(text, sizeof text, "\nFlash ID: 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X\nGPIO: %05d", id[0],
                  id[1], id[2], id[3], id[4], id[5], gpioCode);
    return text;
}

std::optional<FlashCandidate> FindFlashCandidates(const FlashModule_t& module, int gpioCode, int recordCount,
                                                  int vendorCount, bool selectOnfi4, std::string& detail) {
    g_FlashCandCount = 0;
    std::optional<FlashCandidate> last;
    const int records = std::clamp(recordCount, 0, static_cast<int>(kFlashRecordMax));
    const int vendors = std::clamp(vendorCount, 0, static_cast<int>(kFlashVendorMax));
    for (int r = 0; r < records; ++r) {
        const FlashRecord_t& record = g_FlashRecord[r];
        if (std::memcmp(record.aFlashID, module.sNandId, sizeof record.aFlashID) != 0) continue;
        if (selectOnfi4 && (record.ucFlashVendor == 0 || record.ucFlashVendor == 4) && record.ucFlashInterface != 10)
            continue;
        if (record.wGpioCode != gpioCode) {
            char hint[48];
            std::snprintf(hint, sizeof hint, "\nCheck GPIO setting->[%05d]!", record.wGpioCode);
            detail = hint;
            continue;
        }
        int vendor = 0;
        for (int v = 0; v < vendors; ++v)
            if (g_FlashVendorStart[v] <= r) vendor = v;
        const FlashCandidate candidate{vendor, r - g_FlashVendorStart[vendor]};
        if (g_FlashCandCount >= static_cast<int>(kFlashVendorMax)) {
            TraceOut("######### - Auto Detect - candidate table full, record %d left out\n", r);
            continue;
        }
        g_FlashCandVendor[g_FlashCandCount] = candidate.vendor;
        g_FlashCandIndex[g_FlashCandCount] = candidate.part;
        ++g_FlashCandCount;
        last = candidate;
    }
    return last;
}

void TakeFlashModuleSettings(const FlashModule_t& module) {
    AP_INIState.Channel = module.ucChannel;
    AP_INIState.MPChannel = module.ucChannel;
    AP_FlashSet.ucChannel = module.ucChannel;
    AP_INIState.Bank = module.ucBank;
    AP_INIState.MPBank = module.ucBank;
    AP_FlashSet.ucBankNum = module.ucBank;
    std::memcpy(AP_INIState.FwBankSet, module.FwBankSet, sizeof AP_INIState.FwBankSet);
    std::memcpy(AP_INIState.FwChannelSet, module.FwChannelSet, sizeof AP_INIState.FwChannelSet);
    std::memset(AP_INIState.bDieStatusMultiLun, 0, sizeof AP_INIState.bDieStatusMultiLun);
    for (int c = 0; c < AP_DIE_CHANNELS; ++c) {
        for (int b = 0; b < AP_DIE_BANKS; ++b) {
            AP_INIState.bDieStatus[c][b] = module.bChCeToDie[c][b];
            if (module.bChCeToDie[c][b] != 1) continue;
            for (int l = 0; l < AP_DIE_LUNS; ++l) AP_INIState.bDieStatusMultiLun[c][b][l] = 1;
        }
    }
}

std::optional<TimingChoice> TimingChoiceOf(const std::string& code) {
    if (code.size() != 7) return std::nullopt;
    const std::string digits = code.substr(0, 7);
    if (digits == "0000000") return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    const int n = std::stoi(digits);
    return TimingChoice{(n / 100) % 1000, n % 100};
}

}  // namespace app
