// The block-unit view of the working set: building the block-unit list from the defect lists,
// slot status changes, recounting, the sorts, relation lookups, the reserve lists and the
// virtual-plane bitmap.
#pragma once

#include <cstdint>

#include "tables/vector_info.h"

// Rebuilds the block-unit list: one record per unit below the units per die incl. extended blocks
// that has a defect record, in unit order, with its bad planes at status 0.
void RM_BuildBlockUnitList(_VectorInfo& vi);

// Sets the slot of the record of `unit`; false (nothing changed) when the unit has no record or
// the slot is outside the working set.
bool vRM_SetSlotStatus(int ch, int ce, int plane, std::uint16_t unit, std::uint8_t status, _VectorInfo& vi);

// Recounts the bad count (and the LUN counts in super-die mode) of every record of the block-unit
// list and then of the extended list. Only records whose slots changed are counted again; the
// result equals counting all of them.
void RM_RecountBlockUnits(_VectorInfo& vi);

// Stable sorts: by bad count (ascending when order is 1, else descending), by unit.
void RM_SortUnitsByBadCount(_VectorInfo& vi, int order);
void RM_SortUnitsByUnit(_VectorInfo& vi);
// Stable sorts of every remap, virtual-remap and reserve list by defect, ascending.
void RM_SortRemapLists(_VectorInfo& vi);
void RM_SortVirtRemapLists(_VectorInfo& vi);
void RM_SortReserveLists(_VectorInfo& vi);

// Position of the first remap relation of [ch][ce][plane] with this defect unit and plane, or -1.
int RM_FindRemapRelation(int ch, int ce, int plane, std::uint16_t unit, const _VectorInfo& vi);
// Position of the first virtual-remap relation of [ch][ce] with this defect index, or -1.
int RM_FindVirtRelation(int ch, int ce, std::uint16_t index, const _VectorInfo& vi);
// The good value of those relations, or 0 when there is none.
std::uint16_t RM_LookupRemapGood(int ch, int ce, int plane, std::uint16_t unit, const _VectorInfo& vi);
std::uint16_t RM_LookupVirtGood(int ch, int ce, std::uint16_t index, const _VectorInfo& vi);

// Appends a reserve entry for every good slot of every record with a non-zero bad count (and of
// every record of the extended list), except in the units that hold the die's loader blocks.
void RM_FillReserveLists(_VectorInfo& vi);

// Fills the virtual-plane bitmap from the virtual-remap relations and logs it.
void vRM_BuildVirtualPlaneMap(_VectorInfo& vi);
