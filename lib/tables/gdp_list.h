// The GDP list: zero-terminated 32-bit little-endian bad-block entries in a 16 KB buffer
// (at most 4,095 entries and the terminator), and the operations the table builder applies to
// it: merging entries of the same block, filling each plane up to a minimum bad count,
// distributing the entries into the working set's defect lists, and adding one entry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tables/le_bytes.h"
#include "tables/vector_info.h"

inline constexpr std::size_t RM_GDP_LIST_BYTES = 16384;
inline constexpr std::uint32_t RM_GDP_MAX_ENTRIES = 4095;
// Two entries name the same block when they agree under this mask.
inline constexpr std::uint32_t RM_GDP_BLOCK_MASK = 0xFF00FFFF;
inline constexpr std::uint32_t RM_GDP_FLAG_TABLE = 0x00200000;  // from a defect table or a sorting result
inline constexpr std::uint32_t RM_GDP_FLAG_LATER = 0x00400000;  // later bad
inline constexpr std::uint32_t RM_GDP_FLAG_FILL = 0x00800000;   // added by the per-plane fill
// Bit 20 is unused by the format. A merge whose result would be 0 (unit 0 of channel 0, CE 0 with
// every plane bad and no flag) keeps this bit, so the entry is not taken for the terminator.
inline constexpr std::uint32_t RM_GDP_KEEP = 0x00100000;

inline std::uint16_t RM_GdpUnit(std::uint32_t e) {
    return static_cast<std::uint16_t>(e & 0xFFFF);
}
inline std::uint8_t RM_GdpPlaneByte(std::uint32_t e) {
    return static_cast<std::uint8_t>(e >> 16);
}
inline std::uint8_t RM_GdpBank(std::uint32_t e) {
    return static_cast<std::uint8_t>((e >> 24) & 7);
}
inline std::uint8_t RM_GdpLun(std::uint32_t e) {
    return static_cast<std::uint8_t>((e >> 27) & 3);
}
inline std::uint8_t RM_GdpChannel(std::uint32_t e) {
    return static_cast<std::uint8_t>(e >> 29);
}
inline int RM_GdpCeIndex(std::uint32_t e, int bankCount) {
    return RM_GdpBank(e) + RM_GdpLun(e) * bankCount;
}
inline std::uint32_t RM_MakeGdpEntry(int ch, int bank, int lun, std::uint8_t planeByte, std::uint16_t unit) {
    return (static_cast<std::uint32_t>(ch & 7) << 29) | (static_cast<std::uint32_t>(lun & 3) << 27) |
           (static_cast<std::uint32_t>(bank & 7) << 24) | (static_cast<std::uint32_t>(planeByte) << 16) | unit;
}

namespace tables {

// A view of a GDP list in a byte buffer. Entries are read and written little-endian. The list
// never grows past min(4,095, words of the buffer - 1) entries: an append beyond is refused,
// traced and counted, so no entry is lost without a trace.
class GdpList {
  public:
    GdpList(std::uint8_t* bytes, std::size_t size);

    std::uint32_t Get(std::uint32_t i) const { return GetLe32(bytes_ + 4 * static_cast<std::size_t>(i)); }
    void Set(std::uint32_t i, std::uint32_t v) { PutLe32(bytes_ + 4 * static_cast<std::size_t>(i), v); }
    // Entries before the first 0, at most MaxEntries().
    std::uint32_t Count() const;
    std::uint32_t MaxEntries() const { return maxEntries_; }
    // False when the first MaxEntries() + 1 slots hold no 0: the list is longer than its bound
    // (the entries beyond it are not seen).
    bool Terminated() const;
    // Writes `entry` over the terminator; false (traced, counted) when the list is full.
    bool Append(std::uint32_t entry);
    // Appends refused since the view was made.
    std::uint32_t Refused() const { return refused_; }

  private:
    std::uint8_t* bytes_;
    std::uint32_t slots_;
    std::uint32_t maxEntries_;
    std::uint32_t refused_ = 0;
};

}  // namespace tables

// Removes duplicates, ANDs the entries of one block into the first of them and compacts the list;
// then waits 10 ms. Returns the number of entries left.
std::uint32_t RM_MergeGdpList(tables::GdpList& list);

// Adds filling entries until every (channel, CE, plane) has [RDSetting] PerPlaneBad bad blocks.
// False when the list bound stopped the fill (the entries added so far stay).
bool RM_PadPerPlaneBad(int port, tables::GdpList& list);

// Appends one MptDefRecord per entry below wDieUnit to the defect lists, by unit then list order.
// Entries naming a channel or CE index outside the geometry are skipped, traced and counted in
// vi.skippedEntries. Returns the number of records appended.
std::uint32_t RM_DistributeGdpList(int port, tables::GdpList& list, _VectorInfo& vi);

// Merges `entry` into the entry of the same block (AND, bits 20-23 from the new entry) and returns
// false, or appends it and returns true. A full list refuses the entry (false, counted by the list).
bool RM_AddListEntry(std::uint32_t entry, tables::GdpList& list);
