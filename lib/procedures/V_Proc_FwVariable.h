// The running system firmware's parameter page (the firmware variable block, the first 4 KB of
// controller RAM) and the information page of a loader block, as the information utility reads
// them: the geometry, ratios, remaps, firmware tag and customer IDs go into AP_FlashSet, AP_FwSet
// and AP_Variable; the flash model and page map come from the information page.
//
// Block offsets: 448 firmware tag (64 bytes, product tag at tag bytes 46-51), 780 bank remap (4),
// 788 channel remap (8), 796 loader-block bit map of channel 0 bank 0, 860 reserved ratio, 880 read-
// empty threshold, 936 customer ID, 940 customer feature ID, 1216-1231 geometry, 1232 defect ratio.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/records.h"
#include "transport/port_instance.h"

inline constexpr std::size_t kFwVariableBlockBytes = 4096;
inline constexpr std::size_t kSignatureBytes = 16;

// The information-page and configuration signatures: zero until a drive with a known product tag
// ("TAMREL", "TEV100") was loaded, then "LDBK BLOCKS V00" and "LDBK CONFIG V00" with a zero byte.
extern char g_sInfoPageSignature[kSignatureBytes];
extern char g_sConfigSignature[kSignatureBytes];

// Reads the variable block of `port` into `buffer` (which must hold kSysReadPageBufBytes) and loads
// the records, then looks for the information page in the port's two loader blocks of channel 0,
// bank 0. False when the RAM read fails or the block gives no planes; true otherwise, also when no
// information page was found (the flash model and page map then keep what they held).
bool VP_GetSSDInfo(int port, void* buffer);
// Bits 0-3 of the bit map at byte 796: the first two set bits become the channel-0 bank-0 loader
// blocks and their count. No bit set: nothing changes.
void VP_SetLoaderBlockMap(AP_Instance_t& record, const std::uint8_t* block);
// Copies the block's fields into the records and, for a known product tag, sets the signatures.
// `record` is not used. Always true.
bool VP_LoadFwVariable(AP_Instance_t& record, AP_FlashSet_t& flash, AP_FwSet_t& fw, char* infoSignature,
                       char* configSignature, const std::uint8_t* block);
// The first 16 bytes of `page` equal the information-page signature.
bool VP_IsInfoPage(const std::uint8_t* page);
// The flash model (32 bytes at 480) and the 384 page-map entries (from 1056) of an information page.
void VP_ReadInfoPageTables(AP_FlashSet_t& flash, const std::uint8_t* page);
