// The partial-good page: the units with some but not all slots unusable, with a bitmap of their
// unusable slots.
#include <vector>

#include "settings/records.h"
#include "tables/gen_common.h"
#include "transport/trace.h"

using tables::GenGeometry;
using tables::PageWriter;

bool RM_BuildPartialGoodPage(_VectorInfo& vi, std::uint8_t* page, std::uint32_t size, std::uint32_t* needed) {
    const GenGeometry gg = tables::GetGenGeometry();
    if (gg.banks == 0) return false;
    TraceOutToFile(vi.log, "====================Partial Good Tbl =====================\n");
    const std::uint16_t minUnit = gg.g.planes == 4 ? 1 : gg.g.planes == 2 ? 2 : 4;
    const int whole = AP_INIState.bDieNumCount * gg.g.planes;
    std::vector<const SuperBlockBadInfo*> entries;
    for (const SuperBlockBadInfo& r : vi.units) {
        if (r.unit >= minUnit && r.badCount > 0 && r.badCount < whole) entries.push_back(&r);
    }
    const std::uint32_t m = static_cast<std::uint32_t>(entries.size());
    vRM_SetTableHeader(page, size, RM_TBL_VIRT);
    PageWriter w(page, size, RM_HEADER_SIZE);
    w.Word(static_cast<std::uint16_t>(m));
    w.Seek(32);
    for (const SuperBlockBadInfo* r : entries) w.Pair(r->unit, r->badCount);
    const std::uint32_t bitmaps = ((4 * m + 95) / 64) * 64;
    for (std::uint32_t i = 0; i < m; ++i) {
        const SuperBlockBadInfo& r = *entries[i];
        std::uint64_t words[4] = {};
        for (int ch = 0; ch < gg.channels; ++ch) {
            for (int ce = 0; ce < gg.ceCount; ++ce) {
                const int die = ce / gg.banks;
                const int bank = ce % gg.banks;
                for (int p = 0; p < gg.planes; ++p) {
                    if (!RM_IsUnusable(r.status[ch][ce][p])) continue;
                    const int bit = die * 128 + ch * 16 + bank * 4 + p;
                    if (bit >= 256) continue;  // outside the four words (refused by the geometry check)
                    words[bit / 64] |= std::uint64_t{1} << (bit % 64);
                }
            }
        }
        w.Seek(bitmaps + 32 * i);
        for (std::uint64_t word : words) w.Qword(word);
        TraceOutToFile(vi.log, "U#%04X(%3d) = 0x%016llX 0x%016llX 0x%016llX 0x%016llX\n", r.unit, r.badCount,
                       static_cast<unsigned long long>(words[0]), static_cast<unsigned long long>(words[1]),
                       static_cast<unsigned long long>(words[2]), static_cast<unsigned long long>(words[3]));
    }
    if (needed != nullptr) *needed = static_cast<std::uint32_t>(w.Needed());
    return !w.Overflow();
}

void vRM_GenPartialGoodTable(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen Partial Good Table===\n", port);
    const std::uint32_t size = RM_GetGeometry().pageSize;
    pages.partialGood.assign(size, 0);
    std::uint32_t needed = 0;
    if (!RM_BuildPartialGoodPage(vi, pages.partialGood.data(), size, &needed)) {
        pages.overflows.push_back({RM_TBL_VIRT, 0xFF, needed, size});
        TraceOut("######### - Partial good page needs %u bytes, the page holds %u fail!\n", needed, size);
    }
    TraceOutToFile(vi.log, "\n===[%d] END Gen Partial Good Table===\n", port);
}
