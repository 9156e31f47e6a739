#include "tables/gen_common.h"

#include <algorithm>

#include "transport/trace.h"

namespace tables {

GenGeometry GetGenGeometry() {
    GenGeometry gg{};
    gg.g = RM_GetGeometry();
    gg.channels = std::min<int>(gg.g.channels, RM_MAX_CH);
    gg.ceCount = std::min<int>(gg.g.ceCount, RM_MAX_CE);
    gg.planes = std::min<int>(gg.g.planes, RM_MAX_PLANE);
    gg.banks = std::min<int>(gg.g.banks, RM_MAX_CE);
    gg.dies = gg.banks == 0 ? 0 : std::min<int>(gg.g.dies, RM_MAX_CE / gg.banks);
    return gg;
}

PageWriter NewTablePage(std::vector<std::uint8_t>& slot, std::uint32_t pageSize, std::uint8_t type) {
    slot.assign(pageSize, 0);
    vRM_SetTableHeader(slot.data(), slot.size(), type);
    return PageWriter(slot.data(), slot.size(), RM_HEADER_SIZE);
}

void NotePage(RM_PageTable& pages, std::uint8_t type, std::uint8_t channel, const PageWriter& w,
              std::uint32_t pageSize) {
    if (!w.Overflow()) return;
    pages.overflows.push_back({type, channel, static_cast<std::uint32_t>(w.Needed()), pageSize});
    TraceOut("######### - Table page type %d CH %d needs %u bytes, the page holds %u fail!\n", type, channel,
             static_cast<unsigned>(w.Needed()), pageSize);
}

std::vector<LogicalChannel> LogicalWalk(const GenGeometry& gg, bool withCes) {
    std::vector<LogicalChannel> walk;
    for (int ch = 0; ch < gg.channels; ++ch) {
        LogicalChannel lc{};
        if (!RM_LogicalChannel(ch, lc.logical) || lc.logical >= RM_MAX_CH) continue;
        lc.ch = ch;
        for (int ce = 0; withCes && ce < gg.ceCount; ++ce) {
            if (RM_IsDiePresent(gg.g, ch, ce)) lc.ces.push_back({ce, RM_LogicalCe(ce)});
        }
        walk.push_back(std::move(lc));
    }
    return walk;
}

void TraceLogicalCe(const LogicalChannel& lc, const LogicalCe& c) {
    TraceOut("######### - Physical CH %d, Logical CH %d\n", lc.ch, lc.logical);
    TraceOut("######### - Physical CE %d, Logical CE %d\n", c.ce, c.logical);
}

std::vector<std::uint8_t> GoodUnitFlags(const _VectorInfo& vi, std::uint32_t limit) {
    std::vector<std::uint8_t> good(limit, 1);
    for (const SuperBlockBadInfo& r : vi.units) {
        if (r.badCount != 0 && r.unit < limit) good[r.unit] = 0;
    }
    return good;
}

}  // namespace tables
