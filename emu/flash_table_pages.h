// The table pages of a loader block as the emulated firmware reads and writes them, from the page
// bytes alone. Every page begins with a 16-byte header naming its kind:
//   defect     E9 86 AA 55 "ZEL09A0V000" 00     early   45 79 AA 55 "ZEL09A0V000" 00
//   remap      9E 68 55 AA "ZEL09A0V000" 00     later bad (the firmware's) E8 DC 55 AA "ZEL09A0V000" 00
// A defect page holds 4-byte records from byte 16: a CE header (u16 0xA0FB, CE, channel), bad
// units (u16 unit, group code, channel) and the end record (u16 0xD1FE); CE and channel are the
// logical ones. A later-bad page holds its entry count at 16 and 8-byte entries from 32: u16
// unit, u16 page, plane at 5, location at 7 = (logical channel << 5) | logical CE.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace emu {

enum class TableKind { Defect, Early, Remap, LaterBad };

inline constexpr std::size_t kTableHeaderBytes = 16;

bool HasTableHeader(std::span<const std::uint8_t> page, TableKind kind);
void PutTableHeader(std::span<std::uint8_t> page, TableKind kind);

struct DefectEntry {
    int logicalChannel = 0;
    int logicalCe = 0;
    int unit = 0;
};
// The bad units a defect page lists; empty when the page lacks its header. Records before the
// first CE header and anything after the end record are ignored.
std::vector<DefectEntry> DecodeDefectPage(std::span<const std::uint8_t> page);

struct LaterBadEntry {
    int unit = 0, page = 0, plane = 0;
    int logicalChannel = 0, logicalCe = 0;
    friend bool operator==(const LaterBadEntry&, const LaterBadEntry&) = default;
};
std::vector<LaterBadEntry> DecodeLaterBadPage(std::span<const std::uint8_t> page);
// Adds `entries` to a later-bad page: a page without the header is started afresh (zeroed);
// entries that do not fit the page are left out. Returns how many were added.
std::size_t AppendLaterBad(std::span<std::uint8_t> page, const std::vector<LaterBadEntry>& entries);

}  // namespace emu
