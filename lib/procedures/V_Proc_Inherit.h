// Bad-block inheritance: the bad blocks a new pre-format must keep, gathered from the flash tables
// already on the drive or from the sorting results, converted into the diagnostic firmware's CE
// form and sent to its RAM (selector 0xBBBBBBBB, 32 sectors) before the gather program runs.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t kInheritRamSelector = 0xBBBBBBBB;
inline constexpr std::uint32_t kInheritSectors = 32;

// The four tables of the earlier pre-format, in their chain (remap, virtual remap, defect, later
// bad). True when the later-bad table was loaded, the list sent and no entry lost or skipped.
bool VP_InheritLatterBB(int bInstance);
// The "BB" pages of every present die's sorting-result block. True when every present die had a
// result block and the list was sent.
bool VP_InheritRDT(int bInstance);
// Rewrites the top byte of every entry up to the first zero (at most the entries of `bytes`) from
// the record form (channel, CE index) to the firmware's (channel, LUN, CE) with MaxPhyBank.
void VP_ConvertInheritCE(void* list, std::size_t bytes = 16384);
