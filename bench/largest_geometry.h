// Shared set-up of the flash-table benchmarks: the largest geometry the tables accept (8 channels,
// 4 banks, 2 dies per CE, 4 planes, 8,191 block units per die, 16 KB pages) and a full GDP list.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "settings/records.h"
#include "tables/gdp_list.h"

namespace bench {

// Every die present; `partial` switches the partial-good tables and their remap policy.
inline void SetLargestGeometry(bool partial) {
    AP_INIState = {};
    AP_FlashSet = {};
    AP_INIState.MaxPhyChannel = 8;
    AP_INIState.MaxPhyBank = 4;
    AP_INIState.RemapEnable = 1;
    AP_INIState.DefPercentage = 1000;
    AP_INIState.bDieNumCount = 64;
    AP_INIState.EnPartialTbl = partial ? 1 : 0;
    AP_INIState.PartialRemapPolicy = partial ? 1 : 0;
    AP_INIState.RmpPartialTHR = partial ? 8 : 0;
    for (int i = 0; i < 8; ++i) AP_INIState.MPFwChannelSet[i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 4; ++i) AP_INIState.MPFwBankSet[i] = AP_INIState.FwBankSet[i] = static_cast<std::uint8_t>(i);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_FlashSet.ucDiePerCE = 2;
    AP_FlashSet.ucPlanes = 4;
    AP_FlashSet.ucBankNum = 4;
    AP_FlashSet.wBlocks = 65528;
    AP_FlashSet.wDieUnit = 8191;
    AP_FlashSet.bPageSector = 32;
}

// 4,095 bad blocks, one bad plane each, on units 2 to units + 1 of random dies.
inline std::vector<std::uint8_t> FullList(std::uint32_t seed, std::uint32_t units) {
    std::vector<std::uint8_t> bytes(RM_GDP_LIST_BYTES, 0);
    tables::GdpList list(bytes.data(), bytes.size());
    std::mt19937 rng(seed);
    for (std::uint32_t i = 0; i < RM_GDP_MAX_ENTRIES; ++i) {
        const auto unit = static_cast<std::uint16_t>(2 + rng() % units);
        const auto mask = static_cast<std::uint8_t>(0x0F & ~(1u << (rng() % 4)));
        list.Set(i, RM_MakeGdpEntry(static_cast<int>(rng() % 8), static_cast<int>(rng() % 4),
                                    static_cast<int>(rng() % 2), mask, unit));
    }
    return bytes;
}

}  // namespace bench
