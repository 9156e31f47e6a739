// Table pages read back from a drive, turned into the working set (remap and virtual-remap
// relations, defect records) and into a GDP list of the bad blocks to inherit. Each parser has a
// logical form (pages by logical channel) and a two-LUN form for super-die tables (pages by
// physical channel, LUN 1 numbered from wLunBlockOffset).
//
// Nothing in a page is trusted: every walk stops at the page end, counts are clamped to what a page
// holds, only the pages in the buffer are read, and an entry naming a channel, CE, plane or block
// outside the geometry is skipped with a trace and counted in vi.skippedEntries (the inheritance
// then reports failure).
#pragma once

#include <cstdint>
#include <span>

#include "tables/gdp_list.h"
#include "tables/vector_info.h"

// `pages`: the buffer of bRM_ReadTablePages, page k at k x page size; a page the buffer does not
// hold whole is not read.
void RM_ParseRemapTable(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi);
void RM_ParseRemapTable2L(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi);
void RM_ParseVirtRemapTable(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi);
void RM_ParseVirtRemapTable2L(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi);

// Defect pages into the defect lists below the die boundary and into `list` (appended; the caller
// clears it first). Returns the entries written.
std::uint16_t RM_ParseEarlyBadTable(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                    _VectorInfo& vi);
std::uint16_t RM_ParseDefectBadTable2L(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                       _VectorInfo& vi);

// Adds the blocks that went bad after the tables were written, as the parsed relations show them:
// replacements marked later bad, and remapped blocks that are not early bad. Returns the entries
// appended (merged ones are not counted).
std::uint16_t RM_FindLaterBadInRemap(int port, _VectorInfo& vi, tables::GdpList& list);

// The firmware's later-bad pages (one per channel read, at most 8; two-LUN form at most 4), each
// entry charged to the replacement of its block when there is one. Returns the entries appended.
std::uint16_t RM_ParseLaterBadTable(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                    _VectorInfo& vi);
std::uint16_t RM_ParseLaterBadTable2L(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                      _VectorInfo& vi);

// True when the defect list below the die boundary [channel][ce] has a record of `unit` with
// `plane` bad.
bool RM_IsListedBad(int channel, int ce, int plane, std::uint16_t unit, const _VectorInfo& vi);
