// Defect-table generators: a CE header record, then one 4-byte record per bad block (unit, group
// code, channel), then the end record.
#include "tables/gen_common.h"
#include "transport/trace.h"

using tables::GenGeometry;
using tables::PageWriter;

namespace {

void PutDefect(PageWriter& w, std::uint16_t unit, std::uint8_t gid, std::uint8_t channel) {
    w.Word(unit);
    w.Byte(gid);
    w.Byte(channel);
}

}  // namespace

void vRM_GenDefectTable(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Defect Table (Logical)===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    for (const tables::LogicalChannel& lc : tables::LogicalWalk(gg)) {
        PageWriter w = tables::NewTablePage(pages.defect[lc.logical], gg.g.pageSize, RM_TBL_DEFECT);
        for (const tables::LogicalCe& c : lc.ces) {
            tables::TraceLogicalCe(lc, c);
            TraceOut("\nC:%X B:%X\n", lc.logical, c.logical);
            PutDefect(w, RM_MK_DEFECT_CE, c.logical, lc.logical);
            for (const DefList* list : {&vi.defBelow[lc.ch][c.ce], &vi.defAbove[lc.ch][c.ce]}) {
                for (const MptDefRecord& d : *list) {
                    const std::uint8_t gid = RM_MaskToGid(d.planeByte);
                    TraceOut("U#%04X GID:%02X\n", d.unit, gid);
                    PutDefect(w, d.unit, gid, lc.logical);
                }
            }
        }
        PutDefect(w, RM_MK_DEFECT_END, 0, 0);
        tables::NotePage(pages, RM_TBL_DEFECT, lc.logical, w, gg.g.pageSize);
    }
}

void vRM_GenDefectTableSD(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Defect Table Super Die===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const std::uint8_t endCe = static_cast<std::uint8_t>(gg.banks - 1 + gg.ceCount);
    for (int ch = 0; ch < gg.channels; ++ch) {
        const auto channel = static_cast<std::uint8_t>(ch);
        PageWriter w = tables::NewTablePage(pages.defect[ch], gg.g.pageSize, RM_TBL_DEFECT);
        for (int b = 0; b < gg.banks; ++b) {
            TraceOut("\nC:%X B:%X\n", ch, b);
            PutDefect(w, RM_MK_DEFECT_CE, static_cast<std::uint8_t>(b), channel);
            for (int d = 0; d < gg.dies; ++d) {
                const int ce = b + d * gg.banks;
                const bool lun1 = ce >= gg.banks;
                const std::uint16_t offset = lun1 ? gg.g.lunOffset : 0;
                for (const MptDefRecord& rec : vi.defBelow[ch][ce]) {
                    const auto unit = static_cast<std::uint16_t>(rec.unit + offset);
                    const std::uint8_t gid = RM_MaskToGid(rec.planeByte);
                    TraceOut(lun1 ? "(L1)U#%04X GID:%02X\n" : "(L0)U#%04X GID:%02X\n", unit, gid);
                    PutDefect(w, unit, gid, channel);
                }
                for (const MptDefRecord& rec : vi.defAbove[ch][ce]) {
                    const auto unit = static_cast<std::uint16_t>(rec.unit + offset);
                    const std::uint8_t gid = RM_MaskToGid(rec.planeByte);
                    TraceOut("U#%04X GID:%02X\n", unit, gid);
                    PutDefect(w, unit, gid, channel);
                }
            }
        }
        PutDefect(w, RM_MK_DEFECT_END, endCe, channel);
        tables::NotePage(pages, RM_TBL_DEFECT, channel, w, gg.g.pageSize);
    }
}
