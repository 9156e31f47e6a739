// The remap passes over the block-unit list: normal remap, partial remap, virtual remap and the
// undo of remaps whose unit stays unusable. Each pass gives the result of applying the rules and
// donor searches of remap_rules.h slot by slot with a full recount after every relation where
// one is due, without walking the list for every slot.
#pragma once

#include <cstdint>

#include "tables/remap_rules.h"
#include "tables/vector_info.h"

// Normal remap. Bad counts are not recounted during the pass.
void vRM_Remap(_VectorInfo& vi, RmHashBuffer hash);
// Partial remap (EnPartialTbl on, PartialRemapPolicy 1, RmpPartialTHR not 0). Returns the
// relations made.
std::uint32_t RM_PartialRemap(_VectorInfo& vi, RmHashBuffer hash);
// Virtual remap of the records whose unit is above `lowerBound`.
void vRM_VirtualRemap(_VectorInfo& vi, RmHashBuffer hash, std::uint16_t lowerBound);
// Undoes the remaps and virtual remaps of units whose bad count exceeds the threshold (RmpPartialTHR
// with EnPartialTbl on, else 0). Returns the relations undone.
std::uint32_t RM_UndoOverThreshold(_VectorInfo& vi);

// Remove the first remap relation of [ch][ce][plane] with this defect unit and plane / the first
// virtual-remap relation of [ch][ce] whose defect is unit x planes + plane. False when there is none.
bool RM_EraseRemap(int ch, int ce, int plane, std::uint16_t unit, _VectorInfo& vi);
bool RM_EraseVirtRemap(int ch, int ce, int plane, std::uint16_t unit, _VectorInfo& vi);
