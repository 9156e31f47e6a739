// Shared pieces of the generators: page allocation with its header, overflow bookkeeping and the
// walks over table channels and CE indexes.
#pragma once

#include <cstdint>
#include <vector>

#include "tables/page_format.h"
#include "tables/rm_geometry.h"
#include "tables/table_gen.h"

namespace tables {

// The geometry clamped to the working set's arrays.
struct GenGeometry {
    RM_Geometry g;
    int channels, ceCount, planes, banks, dies;
};
GenGeometry GetGenGeometry();

// Allocates a zero-filled page of the page size in `slot`, writes the header of `type` and returns
// a writer positioned after the header.
PageWriter NewTablePage(std::vector<std::uint8_t>& slot, std::uint32_t pageSize, std::uint8_t type);

// Records (and traces) an overflowed page.
void NotePage(RM_PageTable& pages, std::uint8_t type, std::uint8_t channel, const PageWriter& w,
              std::uint32_t pageSize);

// A physical channel of the logical family: its logical index, and its present CE indexes with
// their logical CE numbers.
struct LogicalCe {
    int ce;
    std::uint8_t logical;
};
struct LogicalChannel {
    int ch;
    std::uint8_t logical;
    std::vector<LogicalCe> ces;
};
// Mapped channels in physical order with (when `withCes`) their present CEs.
std::vector<LogicalChannel> LogicalWalk(const GenGeometry& gg, bool withCes = true);
// Traces the physical and logical channel and CE of one CE, as a logical generator reaches it.
void TraceLogicalCe(const LogicalChannel& lc, const LogicalCe& c);

// Block units without a record of non-zero bad count, as a flag per unit below `limit`.
std::vector<std::uint8_t> GoodUnitFlags(const _VectorInfo& vi, std::uint32_t limit);

}  // namespace tables
