// The entry point of the flash-table builder: from the diagnostic firmware's bad-block list to the
// checked and verified table image of one port.
#pragma once

#include <cstdint>
#include <span>

#include "tables/table_gen.h"
#include "tables/vector_info.h"

// The port's three remap buffers: the table image (five 16 KB slots per table channel and kind),
// the 512-byte bad-count record and the 2,048-byte virtual-plane bitmap.
struct RM_OutputBlock {
    std::span<std::uint8_t> image;
    std::span<std::uint8_t> badCount;
    std::span<std::uint8_t> bitmap;
};

// The buffers of AP_Instance[port] (empty spans when they are not allocated).
RM_OutputBlock RM_PortOutputBlock(int port);

// Builds the port's tables from the GDP list in `work` (the 16 KB work buffer). The list is taken
// out of the buffer first; from then on byte 0 of the buffer counts the failure records (0 when
// none), on every path. True when every check and verification passed and the image was filled.
bool bRM_NewRemap(int port, std::span<std::uint8_t> work, const RM_OutputBlock& out);

// Two steps of the driver, for callers that need the working set: the remap and virtual-remap
// passes over a built block-unit list (RemapEnable on), and the generators in the driver's order.
void vRM_RunRemapPasses(int port, _VectorInfo& vi);
void vRM_GenerateTables(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages);
