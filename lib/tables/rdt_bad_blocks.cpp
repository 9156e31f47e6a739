#include "tables/rdt_bad_blocks.h"

#include "tables/le_bytes.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr std::uint8_t kFromTable = static_cast<std::uint8_t>(RM_GDP_FLAG_TABLE >> 16);
// Planes of block unit 0 that the inheritance treats as good whatever the page says. None: an
// entry of unit 0 is kept when it names a bad plane and dropped when it names none.
constexpr std::uint8_t kUnitZeroGoodPlanes = 0;

std::uint32_t MakeEntry(int channel, int ce, std::uint8_t flags, std::uint16_t unit) {
    return (static_cast<std::uint32_t>(channel & 7) << 29) | (static_cast<std::uint32_t>(ce & 0x1F) << 24) |
           (static_cast<std::uint32_t>(flags) << 16) | unit;
}

// Writes `entry` at `pos` and keeps the list terminated; false when the list has no room there.
bool PutAt(tables::GdpList& list, std::uint32_t pos, std::uint32_t entry) {
    if (pos >= list.MaxEntries()) {
        TraceOut("######### - Inherit list full (%u entries): entry %08X refused fail!\n", list.MaxEntries(), entry);
        return false;
    }
    list.Set(pos, entry);
    list.Set(pos + 1, 0);
    return true;
}

std::uint32_t PlaneBit(unsigned plane) {
    return plane < 4 ? 1u << (16 + plane) : 0u;
}

}  // namespace

bool RM_GetRDTBadBlocks(int port, int channel, int ce, std::uint16_t block, std::span<const std::uint8_t> page,
                        tables::GdpList& list, std::uint32_t pos, std::uint16_t& count, _VectorInfo& vi) {
    if (page.size() < 4 || page[0] != 'B' || page[1] != 'B') {
        TraceOutToFile(vi.log, "C:%d B:%d RDT Count:%d\n", channel, ce, count);
        return false;
    }
    const RM_Geometry g = RM_GetGeometry();
    const unsigned planes = g.planes == 0 ? 1u : g.planes;
    const std::uint8_t planeMask = RM_GetPlaneMask();
    const std::uint16_t stated = tables::GetLe16(page.data() + 2);
    const std::size_t fit = (page.size() - 4) / 4;
    TraceOutToFile(vi.log, "Found RDT BB at C:%d B:%d BLK:%d Page:0, CNT:%02x\n", channel, ce, block, stated);
    std::size_t n = stated;
    if (n > fit) {
        TraceOut("######### - RDT BB count %u, the page holds %u entries\n", stated, static_cast<unsigned>(fit));
        n = fit;
    }

    std::uint32_t wpos = pos;
    bool room = true;
    for (std::size_t i = 0; i < n && room; ++i) {
        const std::uint8_t* e = page.data() + 4 + 4 * i;
        const std::uint16_t unit = tables::GetLe16(e);
        const std::uint16_t badPlanes = tables::GetLe16(e + 2);
        if (unit >= g.unitsExt) {
            TraceOut("######### - RDT BB C:%d B:%d BU:%04X outside the die, skipped\n", channel, ce, unit);
            ++vi.skippedEntries;
            continue;
        }
        std::uint8_t good = static_cast<std::uint8_t>(planeMask & ~badPlanes);
        if (unit == 0) {
            if (((good | kUnitZeroGoodPlanes) & planeMask) == planeMask) {
                TraceOut("######### - RDT BB C:%d B:%d BU:0000 names no bad plane, dropped\n", channel, ce);
                continue;
            }
            good = static_cast<std::uint8_t>(good | kUnitZeroGoodPlanes);
        }
        const std::uint8_t flags = static_cast<std::uint8_t>(good | kFromTable);
        room = PutAt(list, wpos, MakeEntry(channel, ce, flags, unit));
        if (!room) break;
        TraceOutToFile(vi.log, "C:%d B:%d BU:%04X GID:%02X wPos=%d\n", channel, ce, unit, flags, wpos);
        ++wpos;
    }

    // The result block itself is bad too.
    const std::uint16_t blockUnit = static_cast<std::uint16_t>(block / planes);
    const unsigned blockPlane = block % planes;
    if (blockUnit >= g.unitsExt) {
        TraceOut("######### - RDT result block %d C:%d B:%d outside the die, skipped\n", block, channel, ce);
        ++vi.skippedEntries;
    } else {
        bool named = false;
        for (std::uint32_t i = pos; i < wpos; ++i) {
            const std::uint32_t e = list.Get(i);
            if ((e & 0xFFFF) != blockUnit) continue;
            list.Set(i, e & ~PlaneBit(blockPlane));
            named = true;
            break;
        }
        if (!named && room) {
            const std::uint8_t flags = static_cast<std::uint8_t>((planeMask & ~(1u << blockPlane)) | kFromTable);
            const std::uint32_t entry = MakeEntry(channel, ce, flags, blockUnit);
            if (PutAt(list, wpos, entry)) {
                TraceOutToFile(vi.log, "RDT BB BLK C:%d B:%d BU:%04X GID:%02X REC:%08X wPos:%d\n", channel, ce,
                               blockUnit, flags, entry, wpos);
                ++wpos;
            }
        }
    }
    std::uint32_t written = wpos - pos;

    if (channel == 0 && ce == 0 && port >= 0 && port < kPortCount && AP_Instance[port].bRsltBlkFound != 0 &&
        AP_Instance[port].bRsltBlkFromWorker == 0) {
        if (AP_Instance[port].wRdtRsltBlk / planes >= g.unitsExt) ++vi.skippedEntries;
        if (bRM_AddRsltBlock(port, list, pos, vi.log)) ++written;
    }
    count = static_cast<std::uint16_t>(written);
    TraceOutToFile(vi.log, "C:%d B:%d RDT Count:%d\n", channel, ce, count);
    return true;
}

bool bRM_AddRsltBlock(int port, tables::GdpList& list, std::uint32_t from, std::FILE* log) {
    if (port < 0 || port >= kPortCount) return false;
    const RM_Geometry g = RM_GetGeometry();
    const unsigned planes = g.planes == 0 ? 1u : g.planes;
    const std::uint16_t block = AP_Instance[port].wRdtRsltBlk;
    const std::uint16_t unit = static_cast<std::uint16_t>(block / planes);
    const unsigned plane = block % planes;
    if (unit >= g.unitsExt) {
        TraceOut("######### - RSLT block %d outside the die, not added\n", block);
        return false;
    }
    const std::uint32_t n = list.Count();
    for (std::uint32_t i = from; i < n; ++i) {
        const std::uint32_t e = list.Get(i);
        if ((e & 0xFFFF) != unit) continue;
        const std::uint32_t updated = e & ~PlaneBit(plane);
        list.Set(i, updated);
        TraceOutToFile(log, "RSLT Update C:%d B:%d REC:%08X\n", 0, 0, updated);
        return false;
    }
    const std::uint8_t flags = static_cast<std::uint8_t>((RM_GetPlaneMask() & ~(1u << plane)) | kFromTable);
    if (!list.Append(MakeEntry(0, 0, flags, unit))) return false;
    TraceOutToFile(log, "RSLT C:%d B:%d BU:%04X GID:%02X\n", 0, 0, unit, flags);
    return true;
}
