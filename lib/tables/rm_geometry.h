// The geometry of the flash tables, read from the settings records, and the small helpers that
// depend on it: die presence, super-die mode, the plane mask and the group-code recoding.
#pragma once

#include <cstdint>

struct RM_Geometry {
    std::uint8_t channels;    // AP_INIState.MaxPhyChannel
    std::uint8_t banks;       // AP_INIState.MaxPhyBank
    std::uint8_t dies;        // AP_FlashSet.ucDiePerCE
    std::uint8_t planes;      // AP_FlashSet.ucPlanes
    std::uint8_t bankNum;     // AP_FlashSet.ucBankNum (the LUN test of some routines)
    std::uint8_t ceCount;     // banks x dies
    std::uint16_t dieUnit;    // AP_FlashSet.wDieUnit
    std::uint16_t unitsExt;   // (wBlocks / dies + wExtendBlocks) / planes
    std::uint16_t lunOffset;  // AP_FlashSet.wLunBlockOffset
    std::uint32_t pageSize;   // bPageSector x 512
    bool superDie;            // bRM_IsSuperDie()
};

// Largest page a table image slot holds.
inline constexpr std::uint32_t RM_TABLE_SLOT_SIZE = 0x4000;
// Units the virtual-plane bitmap covers (2,048 bytes).
inline constexpr std::uint32_t RM_BITMAP_UNITS = 2048 * 8;

RM_Geometry RM_GetGeometry();

// True when the tables can be built for `g`: channels 1-8, banks 1-4, 1 or 2 dies per CE, 1, 2 or
// 4 planes, 1 <= die units <= units incl. extended <= 16,384, every plane-block index a table can
// carry (LUN-1 offset included) below the lowest marker word, and a page of 512 bytes to 16 KB.
// A refused geometry is traced with its reason.
bool RM_CheckGeometry(const RM_Geometry& g);

// [FwSetting] EnSuperDie is 1 and there is more than one die per CE.
bool bRM_IsSuperDie();

// A die takes part at (channel, CE index): its original die-map entry is not 0xFF. Indexes outside
// the die map are absent.
bool RM_IsDiePresent(const RM_Geometry& g, int ch, int ce);

// (1 << planes) - 1.
std::uint8_t RM_GetPlaneMask();
// Plane byte to defect-table group code (fewer than 4 planes; 4 planes pass unchanged).
std::uint8_t RM_MaskToGid(std::uint8_t planeByte);
// Group code to good-plane mask (fewer than 4 planes; 4 planes pass unchanged).
std::uint8_t RM_GidToMask(std::uint8_t gid);

// Logical channel of a physical one (false when it is not in the MP channel map) and logical CE
// (a CE missing from the MP CE map keeps its physical index).
bool RM_LogicalChannel(int ch, std::uint8_t& logical);
std::uint8_t RM_LogicalCe(int ce);
