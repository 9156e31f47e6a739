// Remap and virtual-remap table generators: relations, reserve entries up to the per-plane budget
// and (logical form) free entries, with their counts into RemapCounts.
#include <algorithm>

#include "settings/records.h"
#include "tables/gen_common.h"
#include "transport/trace.h"

using tables::GenGeometry;
using tables::PageWriter;

namespace {

constexpr int kFreePerPlane = 20;

void StoreCounts(RemapCounts& counts, int validIndex, int reserveIndex, int channelBase, std::int32_t valid,
                 std::int32_t reserve, const std::int32_t (&perChannel)[RM_MAX_CH], int channels, bool addReserve) {
    counts[static_cast<std::size_t>(validIndex)] = valid;
    if (addReserve) {
        counts[static_cast<std::size_t>(reserveIndex)] += reserve;
    } else {
        counts[static_cast<std::size_t>(reserveIndex)] = reserve;
    }
    for (int c = 0; c < channels; ++c) counts[static_cast<std::size_t>(channelBase + c)] = perChannel[c];
}

}  // namespace

void vRM_GenRemapTable(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Remap Table (Logical)===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const std::int32_t budget = RM_GetRsvdRemapPerPlane(vi);
    const bool remapOn = AP_INIState.RemapEnable != 0;
    std::int32_t valid = 0, reserve = 0;
    std::int32_t perChannel[RM_MAX_CH] = {};
    for (const tables::LogicalChannel& lc : tables::LogicalWalk(gg)) {
        PageWriter w = tables::NewTablePage(pages.remap[lc.logical], gg.g.pageSize, RM_TBL_REMAP);
        for (const tables::LogicalCe& c : lc.ces) {
            tables::TraceLogicalCe(lc, c);
            w.Pair(RM_MK_REMAP_CE, c.logical);
            w.Pair(RM_MK_REMAP_DIE, 0);
            for (int p = 0; p < gg.planes; ++p) {
                TraceOut("\nC:%X B:%X P:%X\n", lc.logical, c.logical, p);
                w.Pair(RM_MK_REMAP_PLANE, static_cast<std::uint16_t>(p));
                if (remapOn) {
                    for (const RmpRecord& r : vi.remap[lc.ch][c.ce][p]) {
                        TraceOut("DB#%04X GB#%04X\n", r.defect, r.good);
                        w.Pair(r.defect, r.good);
                        ++valid;
                    }
                }
                std::int32_t written = 0;
                for (const RmpRecord& r : vi.reserve[lc.ch][c.ce][p]) {
                    if (written >= budget) break;
                    w.Pair(RM_MK_FREE, r.good);
                    ++written;
                    ++reserve;
                    ++perChannel[lc.logical];
                }
                const std::int32_t free = budget - written;
                TraceOut("######### - wFreeEntryNum is %d\n", free);
                for (std::int32_t k = 0; k < std::min(free, kFreePerPlane); ++k) {
                    TraceOut("DB#%04X GB#%04X\n", RM_MK_FREE, RM_MK_FREE);
                    w.Pair(RM_MK_FREE, RM_MK_FREE);
                }
            }
        }
        w.Pair(RM_MK_REMAP_END, static_cast<std::uint16_t>(gg.ceCount));
        tables::NotePage(pages, RM_TBL_REMAP, lc.logical, w, gg.g.pageSize);
    }
    TraceOutToFile(vi.log, "[INFO] Total Valid Remap : %d\n", valid);
    TraceOutToFile(vi.log, "[INFO] Total Reserve Remap : %d\n", reserve);
    StoreCounts(counts, RM_COUNT_VALID, RM_COUNT_RESERVE, RM_COUNT_CH_RESERVE, valid, reserve, perChannel, gg.channels,
                false);
}

void vRM_GenRemapTableSD(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Remap Table Super Die===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const std::int32_t budget = RM_GetRsvdRemapPerPlane(vi);
    const bool remapOn = AP_INIState.RemapEnable != 0;
    std::int32_t valid = 0, reserve = 0;
    std::int32_t perChannel[RM_MAX_CH] = {};
    for (int ch = 0; ch < gg.channels; ++ch) {
        PageWriter w = tables::NewTablePage(pages.remap[ch], gg.g.pageSize, RM_TBL_REMAP);
        for (int b = 0; b < gg.banks; ++b) {
            w.Pair(RM_MK_REMAP_CE, static_cast<std::uint16_t>(b));
            w.Pair(RM_MK_REMAP_DIE, 0);
            for (int p = 0; p < gg.planes; ++p) {
                TraceOut("\nC:%X B:%X P:%X\n", ch, b, p);
                w.Pair(RM_MK_REMAP_PLANE, static_cast<std::uint16_t>(p));
                for (int d = 0; d < gg.dies && remapOn; ++d) {
                    const int ce = b + d * gg.banks;
                    const bool lun1 = ce >= gg.banks;
                    const std::uint16_t off = lun1 ? gg.g.lunOffset : 0;
                    for (const RmpRecord& r : vi.remap[ch][ce][p]) {
                        const auto defect = static_cast<std::uint16_t>(r.defect + off);
                        const auto good = static_cast<std::uint16_t>(r.good + off);
                        TraceOut(lun1 ? "(L1)DB#%04X GB#%04X\n" : "(L0)DB#%04X GB#%04X\n", defect, good);
                        w.Pair(defect, good);
                        ++valid;
                    }
                }
                std::int32_t written = 0;
                for (int d = 0; d < gg.dies; ++d) {
                    const int ce = b + d * gg.banks;
                    const std::uint16_t off = ce >= gg.banks ? gg.g.lunOffset : 0;
                    for (const RmpRecord& r : vi.reserve[ch][ce][p]) {
                        if (written >= budget) break;
                        w.Pair(RM_MK_FREE, static_cast<std::uint16_t>(r.good + off));
                        ++written;
                        ++reserve;
                        ++perChannel[ch];
                    }
                }
            }
        }
        w.Pair(RM_MK_REMAP_END, static_cast<std::uint16_t>(gg.banks - 1 + gg.ceCount));
        tables::NotePage(pages, RM_TBL_REMAP, static_cast<std::uint8_t>(ch), w, gg.g.pageSize);
    }
    TraceOutToFile(vi.log, "[INFO] Total Valid Remap : %d\n", valid);
    TraceOutToFile(vi.log, "[INFO] Total Reserve Remap : %d\n", reserve);
    StoreCounts(counts, RM_COUNT_VALID, RM_COUNT_RESERVE, RM_COUNT_CH_RESERVE, valid, reserve, perChannel, gg.channels,
                false);
}

// The reserve counts are kept per physical channel, as the per-channel totals that the remap-amount
// check adds them to count the virtual-remap relations of the physical channel.
void vRM_GenVirtRemapTable(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Virtual Remap Table (Logical)===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const std::int32_t budget = RM_GetRsvdRemapPerPlane(vi);
    const int planes = gg.planes == 0 ? 1 : gg.planes;
    std::int32_t valid = 0, reserve = 0;
    std::int32_t perChannel[RM_MAX_CH] = {};
    for (const tables::LogicalChannel& lc : tables::LogicalWalk(gg)) {
        PageWriter w = tables::NewTablePage(pages.virt[lc.logical], gg.g.pageSize, RM_TBL_VIRT);
        for (const tables::LogicalCe& c : lc.ces) {
            tables::TraceLogicalCe(lc, c);
            w.Pair(RM_MK_VIRT_CE, c.logical);
            for (const RmpRecord& r : vi.virtRemap[lc.ch][c.ce]) {
                TraceOut("DB#%04X(%d) GB#%04X(%d)\n", r.defect / planes, r.defect % planes, r.good / planes,
                         r.good % planes);
                w.Pair(r.defect, r.good);
                ++valid;
            }
            std::int32_t free = 0;
            for (int p = 0; p < gg.planes; ++p) {
                std::int32_t written = 0;
                for (const RmpRecord& r : vi.reserve[lc.ch][c.ce][p]) {
                    if (written >= budget) break;
                    TraceOut("DB#%04X GB#%04X(%d)\n", r.defect, r.good, r.plane);
                    w.Pair(RM_MK_FREE, static_cast<std::uint16_t>(r.good * planes + r.plane));
                    ++written;
                    ++reserve;
                    ++perChannel[lc.ch];
                }
                free += budget - written;
            }
            TraceOut("######### - wFreeEntryNum is %d\n", free);
            for (std::int32_t k = 0; k < std::min(free, kFreePerPlane * gg.planes); ++k) w.Pair(RM_MK_FREE, RM_MK_FREE);
        }
        w.Pair(RM_MK_VIRT_END, static_cast<std::uint16_t>(gg.ceCount));
        tables::NotePage(pages, RM_TBL_VIRT, lc.logical, w, gg.g.pageSize);
    }
    TraceOutToFile(vi.log, "[INFO] Total Valid Virtual Remap : %d\n", valid);
    TraceOutToFile(vi.log, "[INFO] Total Reserve Virtual Remap : %d\n", reserve);
    StoreCounts(counts, RM_COUNT_VIRT_VALID, RM_COUNT_VIRT_RESERVE, RM_COUNT_CH_VIRT_RESERVE, valid, reserve,
                perChannel, gg.channels, true);
}

void vRM_GenVirtRemapTableSD(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Virtual Remap Table===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const std::int32_t budget = RM_GetRsvdRemapPerPlane(vi);
    const int planes = gg.planes == 0 ? 1 : gg.planes;
    std::int32_t valid = 0, reserve = 0;
    std::int32_t perChannel[RM_MAX_CH] = {};
    for (int ch = 0; ch < gg.channels; ++ch) {
        PageWriter w = tables::NewTablePage(pages.virt[ch], gg.g.pageSize, RM_TBL_VIRT);
        for (int b = 0; b < gg.banks; ++b) {
            w.Pair(RM_MK_VIRT_CE, static_cast<std::uint16_t>(b));
            for (int d = 0; d < gg.dies; ++d) {
                const int ce = b + d * gg.banks;
                const bool lun1 = ce >= gg.banks;
                const std::uint32_t off = lun1 ? static_cast<std::uint32_t>(gg.g.lunOffset) * planes : 0;
                for (const RmpRecord& r : vi.virtRemap[ch][ce]) {
                    const auto defect = static_cast<std::uint16_t>(r.defect + off);
                    const auto good = static_cast<std::uint16_t>(r.good + off);
                    TraceOut(lun1 ? "(L1)DB#%04X(%d) GB#%04X(%d)\n" : "(L0)DB#%04X(%d) GB#%04X(%d)\n", defect / planes,
                             defect % planes, good / planes, good % planes);
                    w.Pair(defect, good);
                    ++valid;
                }
            }
            for (int p = 0; p < gg.planes; ++p) {
                std::int32_t written = 0;
                for (int d = 0; d < gg.dies; ++d) {
                    const int ce = b + d * gg.banks;
                    const bool lun1 = ce >= gg.banks;
                    const std::uint32_t off = lun1 ? gg.g.lunOffset : 0;
                    for (const RmpRecord& r : vi.reserve[ch][ce][p]) {
                        if (written >= budget) break;
                        const auto unit = static_cast<std::uint16_t>(r.good + off);
                        TraceOut(lun1 ? "(L1)DB#%04X GB#%04X(%d)\n" : "(L0)DB#%04X GB#%04X(%d)\n", r.defect, unit, p);
                        w.Pair(RM_MK_FREE, static_cast<std::uint16_t>(unit * planes + p));
                        ++written;
                        ++reserve;
                        ++perChannel[ch];
                    }
                }
            }
        }
        w.Pair(RM_MK_VIRT_END, static_cast<std::uint16_t>(gg.banks - 1 + gg.ceCount));
        tables::NotePage(pages, RM_TBL_VIRT, static_cast<std::uint8_t>(ch), w, gg.g.pageSize);
    }
    TraceOutToFile(vi.log, "[INFO] Total Valid Virtual Remap : %d\n", valid);
    TraceOutToFile(vi.log, "[INFO] Total Reserve Virtual Remap : %d\n", reserve);
    StoreCounts(counts, RM_COUNT_VIRT_VALID, RM_COUNT_VIRT_RESERVE, RM_COUNT_CH_VIRT_RESERVE, valid, reserve,
                perChannel, gg.channels, true);
}
