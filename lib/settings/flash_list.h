// The flash list as loaded: the vendors' names and where each vendor's records start in
// g_FlashRecord (flash_record.h), the part the flash-detection dialog chose, the candidates of the
// last auto-detection, and the lookups over the records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/flash_record.h"

inline constexpr std::size_t kFlashVendorMax = 50;
inline constexpr std::size_t kFlashVendorNameSize = 20;  // 19 characters and the terminator

// Vendor names in file order.
extern char g_FlashVendorName[kFlashVendorMax][kFlashVendorNameSize];
// Entry 0 is 0; entry v + 1 is the number of records of vendors 0 to v.
extern std::int32_t g_FlashVendorStart[kFlashVendorMax + 1];
// The part to select in the part list when it is rebuilt without a sender (0 at start).
extern std::int32_t g_FlashTypeIndex;
// The candidates of the last auto-detection: vendor index and part index within that vendor.
extern std::int32_t g_FlashCandCount;
extern std::int32_t g_FlashCandVendor[kFlashVendorMax];
extern std::int32_t g_FlashCandIndex[kFlashVendorMax];

// The index of the first of the 500 records whose FlashUniName equals `name` exactly (loaded or not:
// unused records are empty); 0 when none does. A null name is taken as empty.
int FindFlashIndex(const char* name);

// The largest power of two (2^0 to 2^14) not above `value`; 1 below 2; `value` itself from 32,768 up.
std::uint32_t fn_GetMaxPower(std::uint32_t value);
