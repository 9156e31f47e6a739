// The hex-dump layout the engineering windows share (the check-flash grids, the RAM grid): column 0
// "Offset (Hex)" with "0x%08X" row offsets, 16 bytes a row as "%02X" in columns 1-16, an empty
// column 17, the same bytes as characters in columns 18-33, and a header row with the digits 0 to F
// above both byte areas. Cells are narrow text; a character cell holds the byte itself (Latin-1 on
// screen) and is empty for a zero byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dialogs {

inline constexpr int kDumpColumns = 34;
inline constexpr int kDumpBytesPerRow = 16;
inline constexpr int kDumpCharColumn = 18;  // the first character column

using DumpRow = std::array<std::string, kDumpColumns>;

DumpRow DumpHeaderRow();
// Row of the 16 bytes (or fewer: the rest stays empty) that start at byte `offset`.
DumpRow DumpDataRow(std::size_t offset, std::span<const std::uint8_t> bytes);
// The header and one row per whole 16 bytes of `bytes` (bytes / 16 rows).
std::vector<DumpRow> DumpRows(std::span<const std::uint8_t> bytes);

}  // namespace dialogs
