#include "settings/flash_list.h"

#include <cstring>

char g_FlashVendorName[kFlashVendorMax][kFlashVendorNameSize]{};
std::int32_t g_FlashVendorStart[kFlashVendorMax + 1]{};
std::int32_t g_FlashTypeIndex = 0;
std::int32_t g_FlashCandCount = 0;
std::int32_t g_FlashCandVendor[kFlashVendorMax]{};
std::int32_t g_FlashCandIndex[kFlashVendorMax]{};

int FindFlashIndex(const char* name) {
    if (name == nullptr) name = "";
    for (std::size_t i = 0; i < kFlashRecordMax; ++i) {
        const char* record = g_FlashRecord[i].FlashUniName;
        if (std::strncmp(record, name, sizeof g_FlashRecord[i].FlashUniName) == 0 &&
            (std::strlen(name) < sizeof g_FlashRecord[i].FlashUniName)) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::uint32_t fn_GetMaxPower(std::uint32_t value) {
    if (value >= 32768) return value;
    std::uint32_t power = 1;
    for (int shift = 0; shift <= 14; ++shift) {
        const std::uint32_t p = 1u << shift;
        if (p <= value) power = p;
    }
    return power;
}
