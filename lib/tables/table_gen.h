// Table generation: the defect, early, remap, virtual-remap, partial-good and system pages of every
// table channel, in three families (logical, super-die, partial-good), and the SLC bounds of a port.
#pragma once

#include <cstdint>
#include <vector>

#include "tables/rm_records.h"
#include "tables/vector_info.h"

// A page that did not fit: its table type code (24 also for the partial-good page), its table
// channel (0xFF for the one partial-good page), the bytes the table needed and the page size.
struct RM_PageFault {
    std::uint8_t type;
    std::uint8_t channel;
    std::uint32_t needed;
    std::uint32_t pageSize;
};

// The generated pages: one page per table channel and kind (empty when not generated), the one
// partial-good page, and the pages that overflowed (their content stops at the page end).
struct RM_PageTable {
    std::vector<std::uint8_t> defect[RM_MAX_CH];
    std::vector<std::uint8_t> remap[RM_MAX_CH];
    std::vector<std::uint8_t> early[RM_MAX_CH];
    std::vector<std::uint8_t> system[RM_MAX_CH];
    std::vector<std::uint8_t> virt[RM_MAX_CH];
    std::vector<std::uint8_t> partialGood;
    std::vector<RM_PageFault> overflows;
};

// Logical family (pages by logical channel, CE numbers logical, only present dies).
void vRM_GenDefectTable(int port, _VectorInfo& vi, RM_PageTable& pages);
void vRM_GenRemapTable(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages);
void vRM_GenEarlyTable(int port, _VectorInfo& vi, RM_PageTable& pages);
void vRM_GenVirtRemapTable(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages);
// Super-die family (pages by physical channel, the two LUNs of a CE under one bank).
void vRM_GenDefectTableSD(int port, _VectorInfo& vi, RM_PageTable& pages);
void vRM_GenRemapTableSD(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages);
void vRM_GenEarlyTableSD(int port, _VectorInfo& vi, RM_PageTable& pages);
void vRM_GenVirtRemapTableSD(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages);
// Partial-good family.
void vRM_GenEarlyTablePG(int port, _VectorInfo& vi, RM_PageTable& pages);
void vRM_GenPartialGoodTable(int port, _VectorInfo& vi, RM_PageTable& pages);
// Fills one partial-good page of `size` bytes (zeroed by the caller); false when it did not fit.
bool RM_BuildPartialGoodPage(_VectorInfo& vi, std::uint8_t* page, std::uint32_t size, std::uint32_t* needed);
// System table (every mode), after vRM_GetBoundOfSLC.
void vRM_GenSystemTable(int port, _VectorInfo& vi, RM_PageTable& pages);

// SLC bounds of the port from the block-unit list into AP_Instance[port]: wScanBlockUnit2,
// wScanBlockUnit, wBadCount, wTotalGoodBU and wHSPD_BLK_Qnty_Count.
void vRM_GetBoundOfSLC(int port, _VectorInfo& vi);
