#include "tables/vector_info.h"

#include "settings/records.h"
#include "transport/trace.h"

void vRM_ClearVectorInfo(_VectorInfo& vi) {
    for (int ch = 0; ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < RM_MAX_CE; ++ce) {
            vi.defBelow[ch][ce].clear();
            vi.defAbove[ch][ce].clear();
            vi.virtRemap[ch][ce].clear();
            for (int p = 0; p < RM_MAX_PLANE; ++p) {
                vi.remap[ch][ce][p].clear();
                vi.reserve[ch][ce][p].clear();
            }
        }
    }
    vi.units.clear();
    vi.unitsExt.clear();
}

bool RM_IsLoaderUnit(const _VectorInfo& vi, int ch, int ce, std::uint16_t unit) {
    const std::uint32_t planes = AP_FlashSet.ucPlanes == 0 ? 1u : AP_FlashSet.ucPlanes;
    const std::uint32_t first = static_cast<std::uint32_t>(unit) * planes;
    if (ch < 0 || ch >= RM_MAX_CH || ce < 0 || ce >= RM_MAX_CE) return first < 4;
    const std::uint16_t(&blocks)[2] = vi.dieLoaderBlocks[ch][ce];
    if (blocks[0] == 0 && blocks[1] == 0) return first < 4;
    return blocks[0] / planes == unit || blocks[1] / planes == unit;
}

void RM_TraceLoaderUnitSkipped(int ch, int ce, std::uint16_t unit, const char* purpose) {
    TraceOut("Skip Ldr Block unit:%d CH:%d CE:%d as %s\n", static_cast<int>(unit), ch, ce, purpose);
}

std::uint16_t RM_GetRsvdRemapPerPlane(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    std::int64_t remap = 0;
    std::int64_t virt = 0;
    for (int ch = 0; ch < g.channels && ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < g.ceCount && ce < RM_MAX_CE; ++ce) {
            for (int p = 0; p < RM_MAX_PLANE; ++p) remap += static_cast<std::int64_t>(vi.remap[ch][ce][p].size());
            virt += static_cast<std::int64_t>(vi.virtRemap[ch][ce].size());
        }
    }
    TraceOutToFile(vi.log, "Remap Cnt = %d, VirtRemap Cnt = %d\n", static_cast<int>(remap), static_cast<int>(virt));
    const std::int64_t slots = g.superDie ? static_cast<std::int64_t>(g.channels) * g.banks * g.planes
                                          : static_cast<std::int64_t>(g.channels) * g.banks * g.dies * g.planes;
    std::int64_t budget = slots > 0 ? (7168 - remap - virt) / slots : 0;
    if (budget < 0) budget = 0;
    TraceOutToFile(vi.log, "Max Reserved Remap Per Plane = %d\n", static_cast<int>(budget));
    return static_cast<std::uint16_t>(budget);
}

namespace {

std::uint32_t ChannelTotal(int ch, const _VectorInfo& vi, const RemapCounts& counts, bool virt) {
    const RM_Geometry g = RM_GetGeometry();
    if (ch < 0 || ch >= RM_MAX_CH) return 0;
    std::uint32_t valid = 0;
    for (int ce = 0; ce < g.ceCount && ce < RM_MAX_CE; ++ce) {
        if (virt) {
            valid += static_cast<std::uint32_t>(vi.virtRemap[ch][ce].size());
        } else {
            for (int p = 0; p < RM_MAX_PLANE; ++p) valid += static_cast<std::uint32_t>(vi.remap[ch][ce][p].size());
        }
    }
    const std::int32_t reserve = counts[(virt ? RM_COUNT_CH_VIRT_RESERVE : RM_COUNT_CH_RESERVE) + ch];
    const std::uint32_t total = valid + static_cast<std::uint32_t>(reserve > 0 ? reserve : 0);
    if (virt) {
        TraceOutToFile(vi.log, "CH:%d Valid V-Remap = %d\n", ch, static_cast<int>(valid));
        TraceOutToFile(vi.log, "CH:%d Valid + Rsvd V-Remap = %d\n", ch, static_cast<int>(total));
    } else {
        TraceOutToFile(vi.log, "CH:%d Valid Remap = %d\n", ch, static_cast<int>(valid));
        TraceOutToFile(vi.log, "CH:%d Valid + Rsvd Remap = %d\n", ch, static_cast<int>(total));
    }
    return total;
}

}  // namespace

std::uint32_t RM_GetChRemapTotal(int ch, _VectorInfo& vi, const RemapCounts& counts) {
    return ChannelTotal(ch, vi, counts, false);
}

std::uint32_t RM_GetChVRemapTotal(int ch, _VectorInfo& vi, const RemapCounts& counts) {
    return ChannelTotal(ch, vi, counts, true);
}

std::uint32_t RM_GetMaxPlaneBadCount(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    std::uint32_t best = 0;
    int bestCh = 0, bestCe = 0, bestPlane = 0;
    for (int ch = 0; ch < g.channels && ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < g.ceCount && ce < RM_MAX_CE; ++ce) {
            std::uint32_t perPlane[RM_MAX_PLANE] = {};
            for (const MptDefRecord& d : vi.defBelow[ch][ce]) {
                for (int p = 0; p < g.planes && p < RM_MAX_PLANE; ++p) {
                    if ((d.planeByte & (1u << p)) == 0) ++perPlane[p];
                }
            }
            for (int p = 0; p < g.planes && p < RM_MAX_PLANE; ++p) {
                if (perPlane[p] > best) {
                    best = perPlane[p];
                    bestCh = ch;
                    bestCe = ce;
                    bestPlane = p;
                }
            }
        }
    }
    TraceOutToFile(vi.log, "MAX Bad C:%d B:%d PL:%d Plane Count = %d\n", bestCh, bestCe, bestPlane,
                   static_cast<int>(best));
    return best;
}

std::uint32_t RM_GetMaxCeBadCount(_VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    std::uint32_t best = 0;
    int bestCh = 0, bestCe = 0;
    for (int ch = 0; ch < g.channels && ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < g.ceCount && ce < RM_MAX_CE; ++ce) {
            std::uint32_t count = 0;
            for (const MptDefRecord& d : vi.defBelow[ch][ce]) {
                for (int p = 0; p < g.planes && p < RM_MAX_PLANE; ++p) {
                    if ((d.planeByte & (1u << p)) == 0) ++count;
                }
            }
            if (count > best) {
                best = count;
                bestCh = ch;
                bestCe = ce;
            }
        }
    }
    TraceOutToFile(vi.log, "MAX Bad C:%d B:%d Count = %d\n", bestCh, bestCe, static_cast<int>(best));
    return best;
}
