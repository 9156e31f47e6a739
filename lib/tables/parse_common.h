// Shared pieces of the table-page parsers: the geometry they check entries against and the pages
// of a read-back buffer.
#pragma once

#include <cstdint>
#include <span>

#include "tables/rm_geometry.h"
#include "tables/rm_records.h"
#include "tables/vector_info.h"

namespace tables {

struct ParseGeometry {
    int channels;  // clamped to the working set
    int ceCount;
    int planes;
    int banks;
    std::uint32_t pageSize;
    std::uint32_t unitsExt;   // block units of a die, extended blocks included
    std::uint32_t lunOffset;  // wLunBlockOffset
    std::uint32_t bankNum;    // ucBankNum
    std::uint8_t planeMask;
};
ParseGeometry GetParseGeometry();

// Page k of the buffer, or an empty span when the buffer does not hold it whole.
std::span<const std::uint8_t> PageAt(std::span<const std::uint8_t> pages, std::uint32_t pageSize, int k);

// Block unit of a list entry: (location << 24) | (flags << 16) | unit, with location = channel << 5 | CE.
inline std::uint32_t RecordEntry(int channel, int ce, std::uint8_t flags, std::uint32_t unit) {
    return (static_cast<std::uint32_t>(((channel & 7) << 5) | (ce & 0x1F)) << 24) |
           (static_cast<std::uint32_t>(flags) << 16) | (unit & 0xFFFF);
}

// An entry outside the geometry: traced and counted in vi.skippedEntries.
void SkipEntry(_VectorInfo& vi, const char* table, int channel, int ce, int plane, std::uint32_t value);

}  // namespace tables
