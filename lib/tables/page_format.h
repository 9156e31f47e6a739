// Table page format: the bounded page writer, the 16-byte headers, the marker words and the
// later-bad page that the drive's firmware writes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tables/le_bytes.h"

// Table type codes of vRM_SetTableHeader.
inline constexpr std::uint8_t RM_TBL_DEFECT = 0;
inline constexpr std::uint8_t RM_TBL_EARLY = 8;
inline constexpr std::uint8_t RM_TBL_REMAP = 16;
inline constexpr std::uint8_t RM_TBL_VIRT = 24;
inline constexpr std::uint8_t RM_TBL_SYSTEM = 32;
// Header kinds that only RM_MatchTableHeader knows: the partial-good page and the later-bad page.
inline constexpr int RM_HDR_PARTIAL = 0x118;
inline constexpr int RM_HDR_LATER_BAD = 0x1E8;

// Marker words.
inline constexpr std::uint16_t RM_MK_REMAP_CE = 0xEBA0;
inline constexpr std::uint16_t RM_MK_REMAP_DIE = 0xEDE0;
inline constexpr std::uint16_t RM_MK_REMAP_PLANE = 0xEAE0;
inline constexpr std::uint16_t RM_MK_REMAP_END = 0xEED1;
inline constexpr std::uint16_t RM_MK_VIRT_CE = 0xABCD;
inline constexpr std::uint16_t RM_MK_VIRT_END = 0xDCBA;
inline constexpr std::uint16_t RM_MK_FREE = 0xFFFF;
inline constexpr std::uint16_t RM_MK_SKIP = 0xEEEE;
inline constexpr std::uint16_t RM_MK_EARLY_CE = 0xFB00;
inline constexpr std::uint16_t RM_MK_EARLY_END = 0xFE00;
inline constexpr std::uint16_t RM_MK_DEFECT_CE = 0xA0FB;
inline constexpr std::uint16_t RM_MK_DEFECT_END = 0xD1FE;
inline constexpr std::uint16_t RM_MK_SYSTEM_START = 0x5451;
inline constexpr std::uint16_t RM_MK_SYSTEM_END = 0x5154;

inline constexpr std::size_t RM_HEADER_SIZE = 16;

// Bytes 0-15 of every table page: the four signature bytes of the table kind and "ZEL09A0V000"
// with its 00 byte (the partial-good page's 16 characters run across both fields).
struct TablePageHeader {
    std::uint8_t signature[4];
    char version[12];
};
static_assert(sizeof(TablePageHeader) == RM_HEADER_SIZE);

namespace tables {

// Writes little-endian values into one page from a position onwards. A value that would pass
// the end of the page is not written: the writer raises its overflow flag and only keeps
// measuring how many bytes the table needed.
class PageWriter {
  public:
    PageWriter(std::uint8_t* page, std::size_t size, std::size_t offset = 0)
        : page_(page), size_(size), offset_(offset), needed_(offset) {}

    void Byte(std::uint8_t v) {
        if (Reserve(1)) page_[offset_] = v;
        offset_ += 1;
    }
    void Word(std::uint16_t v) {
        if (Reserve(2)) PutLe16(page_ + offset_, v);
        offset_ += 2;
    }
    void Pair(std::uint16_t first, std::uint16_t second) {
        Word(first);
        Word(second);
    }
    void Qword(std::uint64_t v) {
        if (Reserve(8)) PutLe64(page_ + offset_, v);
        offset_ += 8;
    }
    void Seek(std::size_t offset) { offset_ = offset; }

    std::size_t Offset() const { return offset_; }
    // Bytes from the start of the page up to the furthest value written or refused.
    std::size_t Needed() const { return needed_; }
    bool Overflow() const { return overflow_; }

  private:
    bool Reserve(std::size_t n) {
        if (offset_ + n > needed_) needed_ = offset_ + n;
        if (page_ == nullptr || offset_ > size_ || n > size_ - offset_) {
            overflow_ = true;
            return false;
        }
        return true;
    }

    std::uint8_t* page_;
    std::size_t size_;
    std::size_t offset_;
    std::size_t needed_;
    bool overflow_ = false;
};

}  // namespace tables

// Stores the two words in that order, little-endian, at the writer's position.
inline void RM_PutPair(tables::PageWriter& w, std::uint16_t first, std::uint16_t second) {
    w.Pair(first, second);
}

// Writes the header of table type 0, 8, 16, 24 (the partial-good header when [FwSetting]
// EnPartialTbl is on) or 32 into bytes 0-15; any other code, or a page under 16 bytes, writes nothing.
void vRM_SetTableHeader(std::uint8_t* page, std::size_t size, std::uint8_t type);

// True when the page starts with the header of `kind`: a table type code (24 = the virtual-remap
// header), RM_HDR_PARTIAL or RM_HDR_LATER_BAD.
bool RM_MatchTableHeader(const std::uint8_t* page, std::size_t size, int kind);

// One entry of the later-bad page (written by the drive's firmware).
struct RM_LaterBadEntry {
    std::uint16_t unit;
    std::uint16_t page;
    std::uint8_t plane;
    std::uint8_t location;
};

// Entry count of a later-bad page, limited to the entries the page can hold; 0 without the header.
std::uint16_t RM_LaterBadCount(const std::uint8_t* page, std::size_t size);
// Entry i of a later-bad page; false when i is not below RM_LaterBadCount.
bool RM_GetLaterBadEntry(const std::uint8_t* page, std::size_t size, std::uint16_t i, RM_LaterBadEntry& entry);
// Channel and CE of a later-bad location byte: (channel << 5) | CE in the logical form,
// (channel << 6) | CE index in the two-LUN form.
void RM_DecodeLaterBadLocation(std::uint8_t location, bool twoLun, std::uint8_t& ch, std::uint8_t& ce);
