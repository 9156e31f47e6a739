// The bad blocks that the sorting firmware left on a die's sorting-result page ("BB" page), turned
// into GDP-list entries for the inheritance, and the port's own result block added to them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "tables/gdp_list.h"
#include "tables/vector_info.h"

// Decodes the "BB" page of die (channel, CE index) whose result block is `block`: its entries, then
// the result block itself, are written from list position `pos` on; `count` receives the number
// written. False (count left as it is) for a page without "BB". The entry count is clamped to what
// the page holds; entries naming a block unit outside the die are skipped with a trace and counted
// in vi.skippedEntries, as is a result block outside the die.
bool RM_GetRDTBadBlocks(int port, int channel, int ce, std::uint16_t block, std::span<const std::uint8_t> page,
                        tables::GdpList& list, std::uint32_t pos, std::uint16_t& count, _VectorInfo& vi);

// Adds the port's result block (wRdtRsltBlk) to the list: clears its plane in the first entry from
// position `from` on that names its unit (false), or appends an entry of channel 0, CE 0 (true).
// A block outside the die is refused with a trace (false). Lines are logged to `log` when open.
bool bRM_AddRsltBlock(int port, tables::GdpList& list, std::uint32_t from = 0, std::FILE* log = nullptr);
