// The system table (the good block units of a die between the loader area and the die end) and
// the SLC bounds of the port that it carries.
#include "settings/records.h"
#include "tables/gen_common.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

using tables::GenGeometry;
using tables::PageWriter;

namespace {

bool PortOk(int port) {
    return port >= 0 && port < kPortCount;
}

}  // namespace

void vRM_GenSystemTable(int port, _VectorInfo& vi, RM_PageTable& pages) {
    TraceOutToFile(vi.log, "\n===[%d] Gen System Table (Logical)===\n", port);
    const GenGeometry gg = tables::GetGenGeometry();
    const std::uint32_t first = gg.g.planes == 0 ? 0 : 4u / gg.g.planes;
    const std::vector<std::uint8_t> good = tables::GoodUnitFlags(vi, gg.g.dieUnit);
    std::vector<std::uint8_t> written;
    for (const tables::LogicalChannel& lc : tables::LogicalWalk(gg, false)) {
        PageWriter w = tables::NewTablePage(pages.system[lc.logical], gg.g.pageSize, RM_TBL_SYSTEM);
        w.Seek(32);
        w.Word(RM_MK_SYSTEM_START);
        for (std::uint32_t u = first; u < gg.g.dieUnit; ++u) {
            if (good[u] != 0) w.Word(static_cast<std::uint16_t>(u));
        }
        w.Word(RM_MK_SYSTEM_END);
        tables::NotePage(pages, RM_TBL_SYSTEM, lc.logical, w, gg.g.pageSize);
        written.push_back(lc.logical);
    }
    const std::uint16_t hspd = PortOk(port) ? AP_Instance[port].wHSPD_BLK_Qnty_Count : 0;
    for (std::uint8_t l : written) {
        std::vector<std::uint8_t>& page = pages.system[l];
        if (page.size() >= 30) tables::PutLe16(page.data() + 28, hspd);
    }
}

void vRM_GetBoundOfSLC(int port, _VectorInfo& vi) {
    TraceOutToFile(vi.log, "\n===[%d] vRM_GetBoundOfSLC===\n", port);
    if (!PortOk(port)) return;
    AP_Instance_t& inst = AP_Instance[port];
    const GenGeometry gg = tables::GetGenGeometry();
    const std::uint32_t first = gg.g.planes == 0 ? 0 : 4u / gg.g.planes;
    const std::uint32_t dieUnit = gg.g.dieUnit;
    const std::vector<std::uint8_t> good = tables::GoodUnitFlags(vi, dieUnit);
    const std::uint32_t dmt = AP_INIState.DMT_Qnty;
    const std::uint32_t qbt = AP_INIState.QBT_Qnty;
    const std::uint32_t slcEnd = static_cast<std::uint32_t>(AP_INIState.FixSLC_BU) + AP_INIState.wFW_BLKQnty;

    // Every mapped channel walks the same block-unit list, so each one gives (and logs) the same bounds.
    for (const tables::LogicalChannel& lc : tables::LogicalWalk(gg, false)) {
        TraceOut("######### - Physical CH %d, Logical CH %d\n", lc.ch, lc.logical);
        // Step 1-2: the first unit after DMT_Qnty good units, then the first after QBT_Qnty more.
        std::uint32_t count = 0;
        std::uint32_t second = 0;
        bool inSecond = false;
        for (std::uint32_t u = first; u < dieUnit; ++u) {
            if (good[u] == 0) continue;
            if (!inSecond) {
                if (++count > dmt) {
                    inst.wScanBlockUnit2 = static_cast<std::uint16_t>(u);
                    inSecond = true;
                    second = 1;
                }
                continue;
            }
            if (++second > qbt) {
                inst.wScanBlockUnit = static_cast<std::uint16_t>(u);
                TraceOut("######### - AP_Instance[bInstance].wScanBlockUnit is %d\n", inst.wScanBlockUnit);
                TraceOut("######### - AP_Instance[bInstance].wScanBlockUnit2 is %d\n", inst.wScanBlockUnit2);
                break;
            }
        }
        // Step 3.
        std::uint32_t bad = 0;
        for (const SuperBlockBadInfo& r : vi.units) {
            if (r.badCount != 0) ++bad;
        }
        inst.wBadCount = static_cast<std::uint16_t>(bad);
        inst.wTotalGoodBU = static_cast<std::uint16_t>(dieUnit > bad ? dieUnit - bad : 0);
        // Step 4: the unit at which FixSLC_BU + FWBlkQnty good units (counting from 4 / planes) end.
        inst.wHSPD_BLK_Qnty_Count = 0;
        std::uint32_t counter = first;
        for (std::uint32_t u = first; u < dieUnit; ++u) {
            if (good[u] == 0) continue;
            if (++counter == slcEnd) {
                inst.wHSPD_BLK_Qnty_Count = static_cast<std::uint16_t>(u + 1);
                break;
            }
        }
        TraceOutToFile(vi.log, "ScanBlockUnit %d\n", inst.wScanBlockUnit);
        TraceOutToFile(vi.log, "ScanBlockUnit2 %d\n", inst.wScanBlockUnit2);
        TraceOutToFile(vi.log, "BadCount is %d\n", inst.wBadCount);
        TraceOutToFile(vi.log, "TotalGoodBU is %d\n", inst.wTotalGoodBU);
        TraceOutToFile(vi.log, "wHSPD_BLK_Qnty_Count is %d\n", inst.wHSPD_BLK_Qnty_Count);
    }
}
