// Verification of freshly generated remap and virtual-remap pages: every replacement must lie
// inside the die and no replacement may be used twice in one CE.
#pragma once

#include <cstdint>
#include <span>

#include "tables/vector_info.h"

// Checks the remap page of table channel `channel`. The counters cover every plane-block index of a
// die (wBlocks / dies + wExtendBlocks), however many that is.
bool bRM_VerifyRemapTable(int port, int channel, std::span<const std::uint8_t> page, _VectorInfo& vi);
// The same for the virtual-remap page.
bool bRM_VerifyVirtRemapTable(int port, int channel, std::span<const std::uint8_t> page, _VectorInfo& vi);
