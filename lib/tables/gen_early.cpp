// Early-table generators: per CE a header word, then the block units that count as unusable
// there, then the end word.
#include "settings/records.h"
#include "tables/gen_common.h"
#include "transport/trace.h"

using tables::GenGeometry;
using tables::PageWriter;

namespace {

bool AnyUnusable(const SuperBlockBadInfo& r, int ch, int ce, int planes) {
    for (int p = 0; p < planes; ++p) {
        if (RM_IsUnusable(r.status[ch][ce][p])) return true;
    }
    return false;
}

}  // namespace

void vRM_GenEarlyTable(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Early Table (Logical)===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    for (const tables::LogicalChannel& lc : tables::LogicalWalk(gg)) {
        PageWriter w = tables::NewTablePage(pages.early[lc.logical], gg.g.pageSize, RM_TBL_EARLY);
        for (const tables::LogicalCe& c : lc.ces) {
            tables::TraceLogicalCe(lc, c);
            w.Word(static_cast<std::uint16_t>(RM_MK_EARLY_CE | c.logical));
            TraceOut("\nC:%X B:%X\n", lc.logical, c.logical);
            for (const SuperBlockBadInfo& r : vi.units) {
                if (r.badCount == 0 || !AnyUnusable(r, lc.ch, c.ce, gg.planes)) continue;
                TraceOut("U#%04X\n", r.unit);
                w.Word(r.unit);
            }
        }
        w.Word(static_cast<std::uint16_t>(RM_MK_EARLY_END | gg.ceCount));
        tables::NotePage(pages, RM_TBL_EARLY, lc.logical, w, gg.g.pageSize);
    }
}

void vRM_GenEarlyTablePG(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Early Table===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const int whole = AP_INIState.bDieNumCount * gg.g.planes;
    TraceOut("(AP_INIState.bDieNumCount * MAX_PLANE)=%d\n", whole);
    for (int ch = 0; ch < gg.channels; ++ch) {
        PageWriter w = tables::NewTablePage(pages.early[ch], gg.g.pageSize, RM_TBL_EARLY);
        for (int j = 0; j < gg.ceCount; ++j) {
            w.Word(static_cast<std::uint16_t>(RM_MK_EARLY_CE + j));
            TraceOut("\nC:%X B:%X\n", ch, j);
            for (const SuperBlockBadInfo& r : vi.units) {
                if (r.badCount != whole) continue;
                TraceOut("U#%04X(%2d)\n", r.unit, r.badCount);
                w.Word(r.unit);
            }
        }
        w.Word(static_cast<std::uint16_t>(RM_MK_EARLY_END + gg.ceCount));
        tables::NotePage(pages, RM_TBL_EARLY, static_cast<std::uint8_t>(ch), w, gg.g.pageSize);
    }
}

void vRM_GenEarlyTableSD(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Early Table===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    for (int ch = 0; ch < gg.channels; ++ch) {
        PageWriter w = tables::NewTablePage(pages.early[ch], gg.g.pageSize, RM_TBL_EARLY);
        for (int j = 0; j < gg.ceCount; ++j) {
            w.Word(static_cast<std::uint16_t>(RM_MK_EARLY_CE + j));
            TraceOut("\nC:%X B:%X\n", ch, j);
            const bool lun1 = j >= gg.banks;
            for (const SuperBlockBadInfo& r : vi.units) {
                if ((lun1 ? r.lun1Count : r.lun0Count) == 0 || !AnyUnusable(r, ch, j, gg.planes)) continue;
                const auto unit = static_cast<std::uint16_t>(r.unit + (lun1 ? gg.g.dieUnit : 0));
                TraceOut(lun1 ? "(L1)U#%04X\n" : "(L0)U#%04X\n", unit);
                w.Word(unit);
            }
        }
        w.Word(static_cast<std::uint16_t>(RM_MK_EARLY_END + gg.ceCount));
        tables::NotePage(pages, RM_TBL_EARLY, static_cast<std::uint8_t>(ch), w, gg.g.pageSize);
    }
}
