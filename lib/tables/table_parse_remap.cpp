// Remap and virtual-remap pages read back into the relation lists.
#include "settings/records.h"
#include "tables/le_bytes.h"
#include "tables/lun_split.h"
#include "tables/page_format.h"
#include "tables/parse_common.h"
#include "tables/table_parsers.h"
#include "transport/trace.h"

using tables::ParseGeometry;

namespace {

RmpRecord Relation(std::uint16_t good, std::uint16_t defect, int ch, int ce, int plane) {
    RmpRecord r{};
    r.good = good;
    r.defect = defect;
    r.location = static_cast<std::uint8_t>(((ch & 7) << 5) | (ce & 0x1F));
    r.plane = static_cast<std::uint8_t>(plane);
    return r;
}

// Walks the (w0, w1) pairs of a page from byte 16 until `end` or the page end.
template <class Fn>
void WalkPairs(std::span<const std::uint8_t> page, std::uint16_t end, Fn&& fn) {
    for (std::size_t off = RM_HEADER_SIZE; off + 4 <= page.size(); off += 4) {
        const std::uint16_t w0 = tables::GetLe16(page.data() + off);
        if (w0 == end) return;
        fn(w0, tables::GetLe16(page.data() + off + 2));
    }
}

// One relation of a remap page: defect unit (or a later-bad mark) and good unit of a die.
bool RemapRelationOk(const ParseGeometry& pg, std::uint32_t defect, std::uint32_t good) {
    return (RM_IsLaterBadDefect(static_cast<std::uint16_t>(defect)) || defect < pg.unitsExt) && good < pg.unitsExt;
}

struct RemapCursor {
    int bank = 0;
    int die = 0;
    int plane = 0;
};

// Handles a marker pair of the remap walk; false for a relation or a skipped pair.
bool RemapMarker(std::uint16_t w0, std::uint16_t w1, int ch, RemapCursor& c, _VectorInfo& vi) {
    switch (w0) {
        case RM_MK_REMAP_PLANE:
            c.plane = w1 & 0xFF;
            TraceOutToFile(vi.log, "\nC:%d B:%d D:%d P:%d\n", ch, c.bank, c.die, c.plane);
            return true;
        case RM_MK_REMAP_CE:
            c.bank = w1 & 0xFF;
            return true;
        case RM_MK_REMAP_DIE:
            c.die = w1 & 0xFF;
            return true;
        case RM_MK_FREE:
        case RM_MK_SKIP:
            return true;
        default:
            return false;
    }
}

}  // namespace

void RM_ParseRemapTable(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi) {
    (void)port;
    TraceOutToFile(vi.log, "Parse Exist Remap Table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    for (int ch = 0; ch < pg.channels; ++ch) {
        std::uint8_t logical = 0;
        if (!RM_LogicalChannel(ch, logical)) continue;
        const auto page = tables::PageAt(pages, pg.pageSize, logical);
        TraceOutToFile(vi.log, "CH:%d\n", ch);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_TBL_REMAP)) continue;
        RemapCursor c;
        WalkPairs(page, RM_MK_REMAP_END, [&](std::uint16_t w0, std::uint16_t w1) {
            if (RemapMarker(w0, w1, ch, c, vi)) return;
            TraceOutToFile(vi.log, "DB#%04X GB#%04X\n", w0, w1);
            if (c.bank >= pg.ceCount || c.plane >= pg.planes || !RemapRelationOk(pg, w0, w1)) {
                tables::SkipEntry(vi, "Remap", ch, c.bank, c.plane, w0);
                return;
            }
            vi.remap[ch][c.bank][c.plane].push_back(Relation(w1, w0, ch, c.bank, c.plane));
        });
    }
}

void RM_ParseRemapTable2L(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi) {
    TraceOutToFile(vi.log, "[%d] Parse Exist Remap Table\n", port);
    const ParseGeometry pg = tables::GetParseGeometry();
    for (int ch = 0; ch < pg.channels; ++ch) {
        const auto page = tables::PageAt(pages, pg.pageSize, ch);
        TraceOutToFile(vi.log, "CH:%d\n", ch);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_TBL_REMAP)) continue;
        RemapCursor c;
        WalkPairs(page, RM_MK_REMAP_END, [&](std::uint16_t w0, std::uint16_t w1) {
            if (RemapMarker(w0, w1, ch, c, vi)) return;
            const bool laterBad = RM_IsLaterBadDefect(w0);
            // LUN 1 by the defect, or by the replacement when the defect is only a later-bad mark.
            const tables::LunValue split = tables::SplitLun(laterBad ? w1 : w0, pg.unitsExt, pg.lunOffset);
            std::uint32_t defect = w0;
            std::uint32_t good = w1;
            int ce = c.bank;
            bool ok = split.ok;
            if (ok && split.lun1) {
                if (!laterBad) defect -= pg.lunOffset;
                ok = good >= pg.lunOffset;
                good -= ok ? pg.lunOffset : 0;
                ce += static_cast<int>(pg.bankNum);
            }
            TraceOutToFile(vi.log, split.lun1 ? "(L1)DB#%04X GB#%04X\n" : "(L0)DB#%04X GB#%04X\n", defect & 0xFFFF,
                           good & 0xFFFF);
            if (!ok || ce >= pg.ceCount || c.plane >= pg.planes || !RemapRelationOk(pg, defect, good)) {
                tables::SkipEntry(vi, "Remap", ch, ce, c.plane, w0);
                return;
            }
            vi.remap[ch][ce][c.plane].push_back(
                Relation(static_cast<std::uint16_t>(good), static_cast<std::uint16_t>(defect), ch, ce, c.plane));
        });
    }
}

void RM_ParseVirtRemapTable(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi) {
    (void)port;
    TraceOutToFile(vi.log, "Parse Exist Virt Remap Table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    if (pg.planes <= 0) return;
    const std::uint32_t indexes = pg.unitsExt * static_cast<std::uint32_t>(pg.planes);
    for (int ch = 0; ch < pg.channels; ++ch) {
        std::uint8_t logical = 0;
        if (!RM_LogicalChannel(ch, logical)) continue;
        TraceOutToFile(vi.log, "\nCH:%d\n", ch);
        const auto page = tables::PageAt(pages, pg.pageSize, logical);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_TBL_VIRT)) continue;
        int bank = 0;
        WalkPairs(page, RM_MK_VIRT_END, [&](std::uint16_t w0, std::uint16_t w1) {
            if (w0 == RM_MK_VIRT_CE) {
                bank = w1 & 0xFF;
                return;
            }
            if (w0 == RM_MK_FREE || w0 == RM_MK_SKIP) return;
            TraceOutToFile(vi.log, "DB#%04X GB#%04X\n", w0, w1);
            if (bank >= pg.ceCount || (!RM_IsLaterBadDefect(w0) && w0 >= indexes) || w1 >= indexes) {
                tables::SkipEntry(vi, "Virtual remap", ch, bank, 0, w0);
                return;
            }
            vi.virtRemap[ch][bank].push_back(Relation(w1, w0, ch, bank, w0 % pg.planes));
        });
    }
}

void RM_ParseVirtRemapTable2L(int port, std::span<const std::uint8_t> pages, _VectorInfo& vi) {
    (void)port;
    TraceOutToFile(vi.log, "Parse Exist Virt Remap Table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    if (pg.planes <= 0) return;
    const std::uint32_t planes = static_cast<std::uint32_t>(pg.planes);
    const std::uint32_t indexes = pg.unitsExt * planes;
    const std::uint32_t offset = pg.lunOffset * planes;
    for (int ch = 0; ch < pg.channels; ++ch) {
        TraceOutToFile(vi.log, "\nCH:%d\n", ch);
        const auto page = tables::PageAt(pages, pg.pageSize, ch);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_TBL_VIRT)) continue;
        int bank = 0;
        WalkPairs(page, RM_MK_VIRT_END, [&](std::uint16_t w0, std::uint16_t w1) {
            if (w0 == RM_MK_VIRT_CE) {
                bank = w1 & 0xFF;
                return;
            }
            if (w0 == RM_MK_FREE || w0 == RM_MK_SKIP) return;
            const bool laterBad = RM_IsLaterBadDefect(w0);
            const tables::LunValue split = tables::SplitLun(laterBad ? w1 : w0, indexes, offset);
            std::uint32_t defect = w0;
            std::uint32_t good = w1;
            int ce = bank;
            bool ok = split.ok;
            if (ok && split.lun1) {
                if (!laterBad) defect -= offset;
                ok = good >= offset;
                good -= ok ? offset : 0;
                ce += static_cast<int>(pg.bankNum);
            }
            TraceOutToFile(vi.log, split.lun1 ? "(L1-B%d) DB#%04X GB#%04X\n" : "(L0-B%d) DB#%04X GB#%04X\n", ce,
                           defect & 0xFFFF, good & 0xFFFF);
            if (!ok || ce >= pg.ceCount || (!laterBad && defect >= indexes) || good >= indexes) {
                tables::SkipEntry(vi, "Virtual remap", ch, ce, 0, w0);
                return;
            }
            vi.virtRemap[ch][ce].push_back(
                Relation(static_cast<std::uint16_t>(good), static_cast<std::uint16_t>(defect), ch, ce, w0 % pg.planes));
        });
    }
}
