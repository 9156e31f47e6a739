// What the result window lists for a die, as text: the rows of the all-bad, factory-bad and
// sorting-error lists (caption first, then the further columns), the type and action texts of an
// error record, the drive's result-code text and the five error counters. Plain functions the
// result parse feeds; the window only shows them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sorting/sort_reports.h"
#include "tables/sort_result_pages.h"

namespace sorting {

using ListRow = std::vector<std::string>;

// Cells for the planes below `planes`: the block, or one space.
ListRow AllBadRow(int rowNumber, const ReportDie& die, const tables::SortBadBlockEntry& entry, unsigned planes);
// Caption, channel tag, the bank of the bank tag, "LUN(TagDie)", the unit and the four blocks.
ListRow FactoryBadRow(int rowNumber, std::uint8_t tagCH, unsigned bank, unsigned lun, std::uint8_t tagDie,
                      const FactoryEntry& entry);
ListRow SortErrorRow(int rowNumber, const ErrorLine& line);

const char* ErrorTypeText(unsigned errorType);
const char* ErrorActionText(unsigned action);

// Appends "[R01]" … "[R08]" for the set bits of a failing die's result byte, lowest first. The text
// collects every failing die of the call (64 dies need up to 2,560 characters).
void AppendResultCodes(std::string& text, std::uint8_t resultByte);

// The error counters of types 0 to 4 (ECC over threshold, ECC uncorrectable, program, erase, empty
// page): each record adds the number of its blocks; other types are not counted.
struct ErrorCounters {
    std::array<std::uint16_t, 5> byType{};
    void Add(const ErrorLine& line);
    unsigned Total() const;
};

// The die's factory-bad entries from its 750-byte region of the factory area (the counted pages end
// to end), with the detail traces when `trace`. Decoded for 1, 2 and 4 planes; any other plane
// count is traced and gives none.
std::vector<FactoryEntry> DecodeFactoryEntries(std::span<const std::uint8_t> area, std::uint8_t tagCH,
                                               std::uint8_t tagBK, std::uint8_t tagDie, unsigned planes, bool trace);

}  // namespace sorting
