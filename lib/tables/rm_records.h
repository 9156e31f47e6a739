// The records of the flash-table builder: one remap relation, one bad block of a die, the
// per-block-unit slot view, the slot status codes and the generation counters.
#pragma once

#include <array>
#include <cstdint>

// Array bounds of the working set: channels, CE indexes (LUN x banks + bank) and planes.
inline constexpr int RM_MAX_CH = 8;
inline constexpr int RM_MAX_CE = 8;
inline constexpr int RM_MAX_PLANE = 4;

// One remap relation (or a reserve entry when defect is RM_RESERVE_DEFECT).
struct RmpRecord {
    std::uint16_t good;     // replacement: block unit (remap), plane-block index (virtual), spare unit (reserve)
    std::uint16_t defect;   // replaced unit / plane-block index; 0xFFFF reserve; 0xDDxx later bad (read back)
    std::uint8_t location;  // (channel & 7) << 5 | (CE index & 0x1F)
    std::uint8_t plane;     // plane of the defect
};

inline constexpr std::uint16_t RM_RESERVE_DEFECT = 0xFFFF;
inline constexpr std::uint16_t RM_LATER_BAD_DEFECT = 0xDDDD;

// True for a defect word read back from a drive whose replacement later went bad (high byte 0xDD).
inline bool RM_IsLaterBadDefect(std::uint16_t defect) {
    return (defect & 0xFF00) == 0xDD00;
}

// One bad block of one channel and CE index.
struct MptDefRecord {
    std::uint16_t unit;
    std::uint8_t planeByte;  // bits 0-3 good-plane mask (set = good), bits 4-7 source flags
    std::uint8_t location;   // channel << 5 | CE index
    std::uint16_t reserved;
};

// Slot status codes of SuperBlockBadInfo::status.
enum : std::uint8_t {
    RM_SLOT_BAD = 0,           // bad, not (or no longer) covered
    RM_SLOT_GOOD = 1,          // good
    RM_SLOT_REMAPPED = 2,      // bad, remapped to another unit
    RM_SLOT_REMAPPED_ALT = 3,  // treated like 2 by the undo pass and the printers (no pass writes it)
    RM_SLOT_VIRTUAL = 4,       // bad, virtually remapped to another plane
    RM_SLOT_DONOR = 5,         // good, given away as a remap replacement
    RM_SLOT_VDONOR = 6,        // good, given away as a virtual-remap replacement
    RM_SLOT_REFUSED = 7,       // bad, its relation was refused (hash bucket full)
    RM_SLOT_DONOR_VIRTUAL = 8  // a donor slot that was itself virtually remapped
};

// Unusable slots (0, 5, 6, 7): what the early table, the partial-good table and every recount count.
inline bool RM_IsUnusable(std::uint8_t status) {
    return status == RM_SLOT_BAD || status == RM_SLOT_DONOR || status == RM_SLOT_VDONOR || status == RM_SLOT_REFUSED;
}

// One block unit with at least one bad plane slot.
struct SuperBlockBadInfo {
    std::uint16_t unit;
    std::uint16_t badCount;  // unusable slots
    std::uint8_t status[RM_MAX_CH][RM_MAX_CE][RM_MAX_PLANE];
    std::uint16_t lun0Count;  // super-die mode only
    std::uint16_t lun1Count;  // super-die mode only
};

// Counters kept by the remap driver, zeroed before generation. They are 32-bit so that the totals
// that the remap-amount checks compare can never wrap.
inline constexpr int RM_COUNT_VALID = 0;
inline constexpr int RM_COUNT_RESERVE = 1;
inline constexpr int RM_COUNT_CH_RESERVE = 2;  // 2..9: reserve remap entries per table channel
inline constexpr int RM_COUNT_VIRT_VALID = 10;
inline constexpr int RM_COUNT_VIRT_RESERVE = 11;
inline constexpr int RM_COUNT_CH_VIRT_RESERVE = 12;  // 12..19: reserve virtual-remap entries per physical channel
using RemapCounts = std::array<std::int32_t, 20>;
