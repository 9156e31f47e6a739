// The checks that decide whether a drive's tables may be written: the defect ratio and the bad
// units per die, the early defect-ratio check, the capacity and SLC check of partial-good mode,
// the remap-amount check, and the failure records they leave in the work buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tables/table_image.h"
#include "tables/vector_info.h"

// Failure records: byte 0 of the work buffer counts them, record i lies at 1 + 32 i. At most 63
// fit, so the detail (2,017 bytes) always fits the 2,048-byte failure buffer of an MP item.
inline constexpr std::size_t RM_FAIL_MAX_RECORDS = 63;
inline constexpr std::size_t RM_FAIL_AREA_BYTES = 1 + RM_FAIL_MAX_RECORDS * RM_FAIL_RECORD_SIZE;

// Failure codes (byte 0 of a record).
inline constexpr std::uint8_t RM_FAIL_DEFECT_RATIO = 3;  // early ratio (drive or die) or capacity
inline constexpr std::uint8_t RM_FAIL_SLC = 4;           // SLC area short in partial-good mode
inline constexpr std::uint8_t RM_FAIL_REMAP_AMOUNT = 9;  // remap tables over their limits

// Bad-count record (512 bytes): per [channel 8][CE index 8] u16 bad units from byte 0; the defect
// ratio before the remap at bytes 0-5 (overwritten by the per-die counts); the early defect ratio
// at bytes 256-261 (u16 bad units, u32 bad slots).
inline constexpr std::size_t RM_BADCOUNT_BYTES = 512;
inline constexpr std::size_t RM_BADCOUNT_EARLY = 256;

// Zeroes the count and the record area: the buffer then holds no records.
void RM_ResetFailRecords(std::span<std::uint8_t> work);
// Appends a record when fewer than 63 are present; a dropped record is traced. False when dropped.
bool RM_AddFailRecord(std::span<std::uint8_t> work, const std::uint8_t (&record)[RM_FAIL_RECORD_SIZE]);
// Replaces every record by this one (count 1).
void RM_SetOnlyFailRecord(std::span<std::uint8_t> work, const std::uint8_t (&record)[RM_FAIL_RECORD_SIZE]);

// Bad units and bad slots of the block-unit list above the threshold (RmpPartialTHR with
// EnPartialTbl on, else 0), plus the extended list's bad slots; logged and stored in the port's
// counters.
struct RM_DefectRatio {
    std::uint16_t badUnits;
    std::uint32_t badSlots;
};
RM_DefectRatio RM_CalcDefectRatio(int port, _VectorInfo& vi);
// Writes a ratio as u16 bad units and u32 bad slots at `offset` of the bad-count record.
void RM_StoreDefectRatio(std::span<std::uint8_t> badCount, std::size_t offset, const RM_DefectRatio& ratio);

// Block units per present die with at least one slot whose status is not 1, 2, 3, 4 or 8.
using RM_DieCounts = std::uint16_t[RM_MAX_CH][RM_MAX_CE];
void RM_CountDefectPerDie(int port, RM_DieCounts& out, _VectorInfo& vi);

// Per-mille limit of bad units per die: wDieUnit x (ManualDefPercentage, else DefPercentage) / 1000.
std::uint32_t RM_EarlyRatioLimit();
// Counts the bad units per die into bytes 0-127 of the bad-count record and compares the early
// ratio (bytes 256-257) with the limit: over it fails with a whole-drive record; each die over it
// adds a record of its own without failing.
bool bRM_CheckEarlyRatio(int port, std::span<std::uint8_t> badCount, std::span<std::uint8_t> work, _VectorInfo& vi);

// Capacity and SLC area of partial-good mode, in signed 64-bit arithmetic: a negative usable count
// never meets a requirement. A failure replaces every earlier record by its own.
bool bRM_CheckCapacity(int port, std::span<std::uint8_t> work, _VectorInfo& vi);

// Per-channel remap and virtual-remap totals against the page size, and the table-wide entry totals
// against 8,192; any failure appends one record.
bool bRM_CheckRemapAmount(std::span<std::uint8_t> work, const RemapCounts& counts, _VectorInfo& vi);

// Logs the share of block units with a virtually remapped slot.
void vRM_LogVirtRemapRatio(int port, _VectorInfo& vi);
