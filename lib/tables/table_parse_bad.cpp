// Defect pages, later-bad pages and later-bad relations read back into the inherit list.
#include <algorithm>

#include "settings/records.h"
#include "tables/block_units.h"
#include "tables/le_bytes.h"
#include "tables/lun_split.h"
#include "tables/page_format.h"
#include "tables/parse_common.h"
#include "tables/table_parsers.h"
#include "transport/trace.h"

using tables::ParseGeometry;

namespace {

constexpr std::uint8_t kFromTable = static_cast<std::uint8_t>(RM_GDP_FLAG_TABLE >> 16);
constexpr std::uint8_t kLaterBad = static_cast<std::uint8_t>(RM_GDP_FLAG_LATER >> 16);

std::uint8_t WithoutPlane(std::uint8_t mask, int plane) {
    return static_cast<std::uint8_t>(mask & ~(1u << plane));
}

// Walks the 4-byte records of a defect page until the end record or the page end.
template <class Fn>
void WalkDefectRecords(std::span<const std::uint8_t> page, Fn&& fn) {
    for (std::size_t off = RM_HEADER_SIZE; off + 4 <= page.size(); off += 4) {
        const std::uint8_t* r = page.data() + off;
        const std::uint16_t w = tables::GetLe16(r);
        if (w == RM_MK_DEFECT_END) return;
        fn(w, r[2], r[3]);
    }
}

void AddDefect(_VectorInfo& vi, int listCh, int listCe, std::uint16_t unit, std::uint8_t mask, int locCh) {
    MptDefRecord d{};
    d.unit = unit;
    d.planeByte = mask;
    d.location = static_cast<std::uint8_t>(((locCh & 7) << 5) | (listCe & 0x1F));
    d.reserved = 0;
    vi.defBelow[listCh][listCe].push_back(d);
}

// Physical channel and CE of a later-bad entry's logical numbers; false outside the maps.
bool PhysicalOfLogical(const ParseGeometry& pg, int logicalCh, int logicalCe, int& ch, int& ce) {
    if (logicalCh >= pg.channels) return false;
    ch = AP_INIState.MPFwChannelSet[logicalCh];
    // A CE missing from the MP CE map kept its physical index (as the logical CE lookup gives it).
    const int mapped = std::min<int>(pg.ceCount, static_cast<int>(sizeof AP_INIState.MPFwBankSet));
    ce = logicalCe < mapped ? AP_INIState.MPFwBankSet[logicalCe] : logicalCe;
    return true;
}

// Charges a later-bad entry to the replacement of its block and adds it to the list.
bool AddLaterBad(const ParseGeometry& pg, int ch, int ce, std::uint16_t unit, int plane, std::uint16_t page,
                 tables::GdpList& list, _VectorInfo& vi) {
    std::uint16_t target = unit;
    const int r = RM_FindRemapRelation(ch, ce, plane, unit, vi);
    if (r >= 0) {
        target = vi.remap[ch][ce][plane][static_cast<std::size_t>(r)].good;
    } else {
        const auto index = static_cast<std::uint16_t>(unit * pg.planes + plane);
        const int v = RM_FindVirtRelation(ch, ce, index, vi);
        if (v >= 0) {
            const std::uint16_t good = vi.virtRemap[ch][ce][static_cast<std::size_t>(v)].good;
            target = static_cast<std::uint16_t>(good / pg.planes);
            plane = good % pg.planes;
        }
    }
    const std::uint32_t entry =
        tables::RecordEntry(ch, ce, static_cast<std::uint8_t>(WithoutPlane(pg.planeMask, plane) | kLaterBad), target);
    const bool appended = RM_AddListEntry(entry, list);
    TraceOutToFile(vi.log, "FIN LAT C:%d B:%d BU:%04X PG:%X PL:%X REC:%08X\n", ch, ce, target, page, plane, entry);
    return appended;
}

}  // namespace

bool RM_IsListedBad(int channel, int ce, int plane, std::uint16_t unit, const _VectorInfo& vi) {
    // Bits 4-7 of a plane byte are source flags, not planes.
    if (channel < 0 || channel >= RM_MAX_CH || ce < 0 || ce >= RM_MAX_CE || plane < 0 || plane >= RM_MAX_PLANE) {
        return false;
    }
    for (const MptDefRecord& d : vi.defBelow[channel][ce]) {
        if (d.unit == unit && (d.planeByte & (1u << plane)) == 0) return true;
    }
    return false;
}

std::uint16_t RM_ParseEarlyBadTable(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                    _VectorInfo& vi) {
    (void)port;
    TraceOutToFile(vi.log, "Parse Early Bad Table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    std::uint32_t count = 0;
    for (int ch = 0; ch < pg.channels; ++ch) {
        std::uint8_t logical = 0;
        if (!RM_LogicalChannel(ch, logical)) continue;
        const auto page = tables::PageAt(pages, pg.pageSize, logical);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_TBL_DEFECT)) continue;
        TraceOutToFile(vi.log, "Process CH%d Def Tab\n", ch);
        int bank = 0;
        WalkDefectRecords(page, [&](std::uint16_t w, std::uint8_t b2, std::uint8_t) {
            if (w == RM_MK_DEFECT_CE) {
                bank = b2;
                return;
            }
            if (bank >= pg.ceCount || w >= pg.unitsExt) {
                tables::SkipEntry(vi, "Defect", ch, bank, 0, w);
                return;
            }
            const std::uint8_t mask = static_cast<std::uint8_t>(RM_GidToMask(b2 & 0x0F) & pg.planeMask);
            const std::uint8_t flags = static_cast<std::uint8_t>(mask | kFromTable);
            const std::uint32_t entry = tables::RecordEntry(ch, bank, flags, w);
            if (!list.Append(entry)) return;
            TraceOutToFile(vi.log, "Early REC:%08X, bGid=0x%02X, wBlockUnit=0x%04X\n", entry, flags, w);
            AddDefect(vi, ch, bank, w, mask, ch);
            ++count;
        });
        TraceOutToFile(vi.log, "CH%d Toal Count=%d\n", ch, static_cast<int>(count));
    }
    return static_cast<std::uint16_t>(count);
}

std::uint16_t RM_ParseDefectBadTable2L(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                       _VectorInfo& vi) {
    (void)port;
    TraceOutToFile(vi.log, "Parse Defect Bad Table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    std::uint32_t count = 0;
    for (int ch = 0; ch < pg.channels; ++ch) {
        const auto page = tables::PageAt(pages, pg.pageSize, ch);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_TBL_DEFECT)) continue;
        TraceOutToFile(vi.log, "Process CH%d Def Tab\n", ch);
        int bank = 0;
        WalkDefectRecords(page, [&](std::uint16_t w, std::uint8_t b2, std::uint8_t b3) {
            if (w == RM_MK_DEFECT_CE) {
                bank = b2;
                return;
            }
            const int entryCh = b3 & 7;
            const tables::LunValue split = tables::SplitLun(w, pg.unitsExt, pg.lunOffset);
            const int ce = bank + (split.lun1 ? static_cast<int>(pg.bankNum) : 0);
            if (!split.ok || split.value >= pg.unitsExt || ce >= pg.ceCount || entryCh >= pg.channels) {
                tables::SkipEntry(vi, "Defect", entryCh, ce, 0, w);
                return;
            }
            const auto unit = static_cast<std::uint16_t>(split.value);
            const std::uint8_t mask = static_cast<std::uint8_t>(RM_GidToMask(b2 & 0x0F) & pg.planeMask);
            const std::uint8_t flags = static_cast<std::uint8_t>(mask | kFromTable);
            const std::uint32_t entry = tables::RecordEntry(entryCh, ce, flags, unit);
            if (!list.Append(entry)) return;
            TraceOutToFile(vi.log,
                           split.lun1 ? "(L1)Early REC:%08X, bGid=0x%02X, wBlockUnit=0x%04X\n"
                                      : "(L0)Early REC:%08X, bGid=0x%02X, wBlockUnit=0x%04X\n",
                           entry, flags, unit);
            AddDefect(vi, ch, ce, unit, mask, entryCh);
            ++count;
        });
        TraceOutToFile(vi.log, "CH%d Toal Count=%d\n", ch, static_cast<int>(count));
    }
    return static_cast<std::uint16_t>(count);
}

std::uint16_t RM_FindLaterBadInRemap(int port, _VectorInfo& vi, tables::GdpList& list) {
    (void)port;
    TraceOutToFile(vi.log, "Later Bad in remap table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    if (pg.planes <= 0) return 0;
    std::uint32_t appended = 0;
    for (int ch = 0; ch < pg.channels; ++ch) {
        for (int ce = 0; ce < pg.ceCount; ++ce) {
            for (int p = 0; p < pg.planes; ++p) {
                for (const RmpRecord& r : vi.remap[ch][ce][p]) {
                    const bool laterBad = RM_IsLaterBadDefect(r.defect);
                    if (!laterBad && RM_IsListedBad(ch, ce, p, r.defect, vi)) continue;
                    const std::uint16_t unit = laterBad ? r.good : r.defect;
                    const std::uint32_t entry = tables::RecordEntry(
                        ch, ce, static_cast<std::uint8_t>(WithoutPlane(pg.planeMask, p) | kLaterBad), unit);
                    if (RM_AddListEntry(entry, list)) ++appended;
                    TraceOutToFile(vi.log,
                                   laterBad ? "1.  RMP LB C:%d B:%d P:%d BU:0x%04X | Entry:0x%08X\n"
                                            : "2.  RMP LB C:%d B:%d P:%d BU:0x%04X | Entry:0x%08X\n",
                                   ch, ce, p, unit, entry);
                }
            }
            for (const RmpRecord& r : vi.virtRemap[ch][ce]) {
                const bool laterBad = RM_IsLaterBadDefect(r.defect);
                const std::uint16_t index = laterBad ? r.good : r.defect;
                const auto unit = static_cast<std::uint16_t>(index / pg.planes);
                const int plane = index % pg.planes;
                if (!laterBad && RM_IsListedBad(ch, ce, plane, unit, vi)) continue;
                const std::uint32_t entry = tables::RecordEntry(
                    ch, ce, static_cast<std::uint8_t>(WithoutPlane(pg.planeMask, plane) | kLaterBad), unit);
                if (RM_AddListEntry(entry, list)) ++appended;
                TraceOutToFile(vi.log,
                               laterBad ? "1. VRMP LB C:%d B:%d P:%d BU:0x%04X | Entry:0x%08X\n"
                                        : "2. VRMP LB C:%d B:%d P:%d BU:0x%04X | Entry:0x%08X\n",
                               ch, ce, plane, unit, entry);
            }
        }
    }
    return static_cast<std::uint16_t>(appended);
}

namespace {

// Where a later-bad entry lands: its physical channel, CE and unit; false when it lies outside the geometry.
using LaterBadDecoder = bool (*)(const ParseGeometry& pg, const RM_LaterBadEntry& e, int& ch, int& ce,
                                 std::uint16_t& unit);

// The walk both later-bad forms share: at most `maxPages` pages (one per channel that was read), each
// entry decoded, traced, and added to the list or skipped.
std::uint16_t ParseLaterBadPages(std::span<const std::uint8_t> pages, int maxPages, LaterBadDecoder decode,
                                 tables::GdpList& list, _VectorInfo& vi) {
    TraceOutToFile(vi.log, "Parse Later Bad Table\n");
    const ParseGeometry pg = tables::GetParseGeometry();
    if (pg.planes <= 0) return 0;
    std::uint32_t appended = 0;
    for (int k = 0; k < std::min(pg.channels, maxPages); ++k) {
        const auto page = tables::PageAt(pages, pg.pageSize, k);
        if (!RM_MatchTableHeader(page.data(), page.size(), RM_HDR_LATER_BAD)) continue;
        const std::uint16_t count = RM_LaterBadCount(page.data(), page.size());
        TraceOutToFile(vi.log, "Page:%d CNT=%d\n", k, count);
        for (std::uint16_t i = 0; i < count; ++i) {
            RM_LaterBadEntry e{};
            if (!RM_GetLaterBadEntry(page.data(), page.size(), i, e)) break;
            int ch = 0;
            int ce = 0;
            std::uint16_t unit = e.unit;
            const bool inside = decode(pg, e, ch, ce, unit);
            TraceOutToFile(vi.log, "ORI LAT C:%d B:%d BU:%04X PG:%X PL:%X\n", ch, ce, e.unit, e.page, e.plane);
            if (!inside || ch >= pg.channels || ce >= pg.ceCount || e.plane >= pg.planes || unit >= pg.unitsExt) {
                tables::SkipEntry(vi, "Later bad", ch, ce, e.plane, e.unit);
                continue;
            }
            if (AddLaterBad(pg, ch, ce, unit, e.plane, e.page, list, vi)) ++appended;
        }
    }
    return static_cast<std::uint16_t>(appended);
}

// Logical form: location = logical channel << 5 | logical CE.
bool DecodeLogical(const ParseGeometry& pg, const RM_LaterBadEntry& e, int& ch, int& ce, std::uint16_t&) {
    return PhysicalOfLogical(pg, e.location >> 5, e.location & 0x1F, ch, ce);
}

// Two-LUN form: location = channel << 6 | CE; a unit of the second LUN names CE + banks.
bool DecodeTwoLun(const ParseGeometry& pg, const RM_LaterBadEntry& e, int& ch, int& ce, std::uint16_t& unit) {
    ch = e.location >> 6;
    ce = e.location & 0x3F;
    const tables::LunValue split = tables::SplitLun(e.unit, pg.unitsExt, pg.lunOffset);
    if (split.lun1) ce += static_cast<int>(pg.bankNum);
    if (!split.ok || split.value >= pg.unitsExt) return false;
    unit = static_cast<std::uint16_t>(split.value);
    return true;
}

}  // namespace

std::uint16_t RM_ParseLaterBadTable(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                    _VectorInfo& vi) {
    (void)port;
    return ParseLaterBadPages(pages, 8, DecodeLogical, list, vi);
}

std::uint16_t RM_ParseLaterBadTable2L(int port, std::span<const std::uint8_t> pages, tables::GdpList& list,
                                      _VectorInfo& vi) {
    (void)port;
    return ParseLaterBadPages(pages, 4, DecodeTwoLun, list, vi);
}
