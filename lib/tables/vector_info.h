// The working set of one port (_VectorInfo) and the routines shared by the whole table builder:
// emptying it, the per-plane reserve budget, the per-channel totals and the largest bad counts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tables/block_unit_list.h"
#include "tables/rm_geometry.h"
#include "tables/rm_records.h"

using RmpList = std::vector<RmpRecord>;
using DefList = std::vector<MptDefRecord>;

// Members in the order of the working set's description. It is large: create it on the heap,
// one per operation.
struct _VectorInfo {
    DefList defBelow[RM_MAX_CH][RM_MAX_CE];  // bad blocks of units below wDieUnit
    DefList defAbove[RM_MAX_CH][RM_MAX_CE];  // units at or above wDieUnit (nothing fills these)
    BlockUnitList units;                     // the block-unit list
    BlockUnitList unitsExt;                  // the extended block-unit list (nothing fills it)
    RmpList remap[RM_MAX_CH][RM_MAX_CE][RM_MAX_PLANE];
    RmpList virtRemap[RM_MAX_CH][RM_MAX_CE];
    RmpList reserve[RM_MAX_CH][RM_MAX_CE][RM_MAX_PLANE];
    std::uint8_t virtualPlaneMap[2048] = {};
    std::FILE* log = nullptr;          // the open table log, or null
    std::uint8_t loaderBlock[2] = {};  // loader-block plane-block indexes (units 0 and 1)
    // Each die's two loader blocks (plane-block indexes, by physical channel and CE index); a die
    // whose two entries are 0 has none known, and blocks 0 to 3 are taken to hold them.
    std::uint16_t dieLoaderBlocks[RM_MAX_CH][RM_MAX_CE][2] = {};
    std::uint16_t remapBoundary = 0;
    // Entries of a GDP list that named a channel or CE outside the geometry and were skipped.
    std::uint32_t skippedEntries = 0;
};

// Empties both defect-list arrays, both block-unit lists and the remap, virtual-remap and reserve
// lists; the bitmap, the log handle and the scalars stay as they are.
void vRM_ClearVectorInfo(_VectorInfo& vi);

// True when `unit` holds one of the loader blocks of die (ch, ce): such a unit is never a remap
// replacement, a virtual-remap replacement nor a reserve spare, since the firmware would write user
// data over the boot code. `purpose` names the use in the trace line of a unit passed over.
bool RM_IsLoaderUnit(const _VectorInfo& vi, int ch, int ce, std::uint16_t unit);
void RM_TraceLoaderUnitSkipped(int ch, int ce, std::uint16_t unit, const char* purpose);

// Per-plane reserve budget of the remap tables: (7168 - remap - virtual remap) shared by every
// (channel, CE, plane); a negative budget is 0.
std::uint16_t RM_GetRsvdRemapPerPlane(_VectorInfo& vi);

// Remap (virtual-remap) relations of channel index `ch` plus its reserve counter.
std::uint32_t RM_GetChRemapTotal(int ch, _VectorInfo& vi, const RemapCounts& counts);
std::uint32_t RM_GetChVRemapTotal(int ch, _VectorInfo& vi, const RemapCounts& counts);

// Largest number of bad blocks of one (channel, CE, plane) / of one (channel, CE), over the defect
// lists below the die boundary; the first maximum wins.
std::uint32_t RM_GetMaxPlaneBadCount(_VectorInfo& vi);
std::uint32_t RM_GetMaxCeBadCount(_VectorInfo& vi);
