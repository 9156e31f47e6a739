// One part of the flash list: two names and the geometry, interface and ID numbers of a NAND part.
// The list loader fills g_FlashRecord once at start; the flash-parameter derivation copies the chosen
// record into AP_FlashSet.
#pragma once

#include <cstddef>
#include <cstdint>

struct FlashRecord_t {
    char FlashUniName[32];    // unique name; its first four characters are the flash type code
    char sFlashFullName[32];  // full part name; a last "e" or "i" marks an eTLC or iTLC part
    std::uint8_t ucFlashVendor;
    std::uint8_t ucFlashType;
    std::uint8_t ucCE;
    std::uint16_t wBlocks;
    std::uint16_t wPages;
    std::uint16_t wPageSize;  // KiB
    std::uint8_t ucDiePerCE;
    std::uint8_t ucLdpcMode;
    std::uint8_t aFlashID[6];
    std::uint16_t wExtendBlocks;
    std::uint16_t wLunBlockOffset;
    std::uint8_t ucPageMapType;
    std::uint8_t ucFlashInterface;
    std::uint8_t ucPlanes;
    std::uint32_t dwFlashOption;
    std::uint8_t bNandMem;
    std::uint16_t wSpareByte;
    std::uint16_t wGpioCode;
    std::uint8_t aReserved[32];  // keeps the record at its historical 136 bytes; always zero
};
static_assert(sizeof(FlashRecord_t) == 136);
static_assert(offsetof(FlashRecord_t, dwFlashOption) == 92);

inline constexpr std::size_t kFlashRecordMax = 500;

extern FlashRecord_t g_FlashRecord[kFlashRecordMax];
