// The port's table image (one 16 KB slot per page kind and table channel) and the failure record
// that reports a table page that did not fit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tables/table_gen.h"

inline constexpr std::size_t RM_IMAGE_DEFECT = 0x00000;
inline constexpr std::size_t RM_IMAGE_EARLY = 0x20000;
inline constexpr std::size_t RM_IMAGE_REMAP = 0x40000;
inline constexpr std::size_t RM_IMAGE_VIRT = 0x60000;
inline constexpr std::size_t RM_IMAGE_SYSTEM = 0x80000;
inline constexpr std::size_t RM_IMAGE_SLOT = 0x4000;

// Zeroes the whole image, so that no slot carries an earlier drive's tables.
void RM_ZeroTableImage(std::uint8_t* image, std::size_t size);

// Copies the five pages of table channel `logical` into their slots: defect, early, remap, system,
// and the virtual-remap page or, with `partialGood`, the one partial-good page. A page that was not
// generated leaves its slot as it is; at most one slot (16 KB) is copied per page. False when the
// channel or a slot lies outside the image.
bool RM_CopyChannelToImage(std::uint8_t* image, std::size_t size, const RM_PageTable& pages, int logical,
                           bool partialGood);

// Failure code of a table page that did not fit: byte 1 table type code, byte 2 table channel
// (0xFF for the partial-good page), bytes 4-5 page size, bytes 8-11 bytes needed (little-endian).
inline constexpr std::uint8_t RM_FAIL_PAGE_OVERFLOW = 10;
inline constexpr std::size_t RM_FAIL_RECORD_SIZE = 32;

// Appends a 32-byte failure record to the work buffer (byte 0 = record count, records from byte 1);
// false when the buffer has no room for it.
bool RM_AppendFailRecord(std::uint8_t* work, std::size_t size, const std::uint8_t (&record)[RM_FAIL_RECORD_SIZE]);
// Appends one RM_FAIL_PAGE_OVERFLOW record per overflowed page; returns the number appended.
std::size_t RM_AppendPageOverflowRecords(std::uint8_t* work, std::size_t size, const RM_PageTable& pages);
