// One setter of the flash geometry for tests of the flash tables and of what reads them: every
// settings field the table builder derives its geometry from, set together and consistently, so a
// test never builds a list before (say) the plane count is set, and never has to run the die-map
// page and the die remap to get present dies. Every die of the geometry is present; channel and CE
// maps are the identity.
#pragma once

#include <cstdint>
#include <cstring>

#include "settings/records.h"

namespace test_support {

struct FlashGeometry {
    int channels = 1;
    int banks = 1;
    int dies = 1;  // per CE
    int planes = 1;
    int dieUnit = 64;   // block units per die
    int pageSector = 8;  // 512-byte sectors per page
    bool superDie = false;
    int lunOffset = 0;
    int extendBlocks = 0;
};

inline void SetFlashGeometry(const FlashGeometry& g) {
    AP_INIState.MaxPhyChannel = static_cast<std::uint8_t>(g.channels);
    AP_INIState.MaxPhyBank = static_cast<std::uint8_t>(g.banks);
    AP_INIState.EnSuperDie = g.superDie ? 1 : 0;
    AP_INIState.bDieNumCount = static_cast<std::uint8_t>(g.channels * g.banks * g.dies);
    for (int i = 0; i < 8; ++i) AP_INIState.MPFwChannelSet[i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 4; ++i) {
        AP_INIState.MPFwBankSet[i] = static_cast<std::uint8_t>(i);
        AP_INIState.FwBankSet[i] = static_cast<std::uint8_t>(i);
    }
    std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
    for (int ch = 0; ch < g.channels && ch < 8; ++ch) {
        for (int b = 0; b < g.banks && b < 4; ++b) AP_INIState.bOriDieMap[ch][b] = static_cast<std::uint8_t>(ch * 4 + b);
        for (int ce = 0; ce < g.banks * g.dies && ce < 8; ++ce) {
            AP_INIState.bOriDieMapMultiLun[ch][ce] = static_cast<std::uint8_t>(ch * 8 + ce);
        }
    }
    AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(g.dies);
    AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(g.planes);
    AP_FlashSet.ucBankNum = static_cast<std::uint8_t>(g.banks);
    AP_FlashSet.wDieUnit = static_cast<std::uint16_t>(g.dieUnit);
    AP_FlashSet.wBlocks = static_cast<std::uint16_t>(g.dieUnit * g.planes * g.dies);
    AP_FlashSet.wExtendBlocks = static_cast<std::uint16_t>(g.extendBlocks);
    AP_FlashSet.wLunBlockOffset = static_cast<std::uint16_t>(g.lunOffset);
    AP_FlashSet.bPageSector = static_cast<std::uint8_t>(g.pageSector);
}

}  // namespace test_support
