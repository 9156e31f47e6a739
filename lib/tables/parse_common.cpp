#include "tables/parse_common.h"

#include <algorithm>

#include "transport/trace.h"

namespace tables {

ParseGeometry GetParseGeometry() {
    const RM_Geometry g = RM_GetGeometry();
    ParseGeometry p{};
    p.channels = std::min<int>(g.channels, RM_MAX_CH);
    p.ceCount = std::min<int>(g.ceCount, RM_MAX_CE);
    p.planes = std::min<int>(g.planes, RM_MAX_PLANE);
    p.banks = g.banks;
    p.pageSize = g.pageSize;
    p.unitsExt = g.unitsExt;
    p.lunOffset = g.lunOffset;
    p.bankNum = g.bankNum;
    p.planeMask = RM_GetPlaneMask();
    return p;
}

std::span<const std::uint8_t> PageAt(std::span<const std::uint8_t> pages, std::uint32_t pageSize, int k) {
    if (pageSize == 0 || k < 0) return {};
    const std::size_t offset = static_cast<std::size_t>(k) * pageSize;
    if (offset > pages.size() || pages.size() - offset < pageSize) return {};
    return pages.subspan(offset, pageSize);
}

void SkipEntry(_VectorInfo& vi, const char* table, int channel, int ce, int plane, std::uint32_t value) {
    ++vi.skippedEntries;
    TraceOut("######### - %s entry C:%d B:%d P:%d 0x%04X outside the geometry, skipped\n", table, channel, ce, plane,
             value);
}

}  // namespace tables
