#include "tables/rm_driver.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/clock.h"
#include "settings/records.h"
#include "tables/block_units.h"
#include "tables/gdp_list.h"
#include "tables/remap_passes.h"
#include "tables/rm_checks.h"
#include "tables/rm_verify.h"
#include "tables/table_gen.h"
#include "tables/table_image.h"
#include "tables/table_logs.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

// The loader blocks that rules for block units 0 and 1 keep clear of: per copy, the highest block
// any present die uses, so no die's loader block is ever remapped (0 when none is known). Each die
// (every CE index of a bank) also keeps its bank's two blocks, which the donor searches and the
// reserve fill pass over.
void SetLoaderBlocks(int port, _VectorInfo& vi) {
    const RM_Geometry g = RM_GetGeometry();
    const int banks = std::min<int>(g.banks, 4);
    std::uint16_t highest[2] = {0, 0};
    std::memset(vi.dieLoaderBlocks, 0, sizeof vi.dieLoaderBlocks);
    for (int ch = 0; ch < std::min<int>(g.channels, RM_MAX_CH); ++ch) {
        for (int ce = 0; banks > 0 && ce < RM_MAX_CE; ++ce) {
            for (int k = 0; k < 2; ++k) vi.dieLoaderBlocks[ch][ce][k] = AP_Instance[port].aLoaderBlockNo[ch][ce % banks][k];
        }
        for (int b = 0; b < banks; ++b) {
            if (!RM_IsDiePresent(g, ch, b)) continue;
            for (int k = 0; k < 2; ++k) highest[k] = std::max(highest[k], AP_Instance[port].aLoaderBlockNo[ch][b][k]);
        }
    }
    for (int k = 0; k < 2; ++k)
        vi.loaderBlock[k] = static_cast<std::uint8_t>(std::min<std::uint16_t>(highest[k], 0xFF));
}

}  // namespace

void vRM_RunRemapPasses(int port, _VectorInfo& vi) {
    std::vector<std::uint8_t> hash(RM_HASH_BYTES, 0);
    const RmHashBuffer h(hash.data(), RM_HASH_BYTES);
    platform::Sleep(100);
    const bool partial = AP_INIState.EnPartialTbl != 0;
    RM_SortUnitsByBadCount(vi, 1);
    TraceOutToFile(vi.log, "\n===[%d] Remap Begin State Map===\n", port);
    vRM_PrintStateMap(vi);
    if (partial && AP_INIState.PartialRemapPolicy == 1 && AP_INIState.RmpPartialTHR != 0) {
        RM_PartialRemap(vi, h);
    } else {
        vRM_Remap(vi, h);
    }
    RM_RecountBlockUnits(vi);
    vRM_GetBoundOfSLC(port, vi);
    if (partial) {
        RM_UndoOverThreshold(vi);
        TraceOutToFile(vi.log, "\n===[%d] Remap Process State Map===\n", port);
        vRM_PrintStateMap(vi);
    } else {
        RM_SortUnitsByBadCount(vi, 1);
        vRM_VirtualRemap(vi, h, 0);
        RM_UndoOverThreshold(vi);
        TraceOutToFile(vi.log, "\n===[%d] Final Remap State Map===\n", port);
        vRM_PrintStateMap(vi);
        RM_SortVirtRemapLists(vi);
        vRM_BuildVirtualPlaneMap(vi);
    }
    RM_SortRemapLists(vi);
    RM_FillReserveLists(vi);
    RM_SortReserveLists(vi);
    RM_SortUnitsByUnit(vi);
    TraceOutToFile(vi.log, "\n===[%d] Final Block State Map (Physical)===\n", port);
    vRM_PrintStateMap(vi);
    if (!partial) vRM_LogVirtRemapRatio(port, vi);
}

void vRM_GenerateTables(int port, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    if (bRM_IsSuperDie()) {
        vRM_GenDefectTableSD(port, vi, pages);
        vRM_GenRemapTableSD(port, vi, counts, pages);
        vRM_GenEarlyTableSD(port, vi, pages);
        vRM_GenVirtRemapTableSD(port, vi, counts, pages);
    } else {
        vRM_GenDefectTable(port, vi, pages);
        vRM_GenRemapTable(port, vi, counts, pages);
        if (AP_INIState.EnPartialTbl != 0) {
            vRM_GenEarlyTablePG(port, vi, pages);
            vRM_GenPartialGoodTable(port, vi, pages);
        } else {
            vRM_GenEarlyTable(port, vi, pages);
            vRM_GenVirtRemapTable(port, vi, counts, pages);
        }
    }
    vRM_GenSystemTable(port, vi, pages);
}

namespace {

// Copies every mapped channel's pages into the image and verifies its remap pages; stops at the
// first channel that fails.
bool CopyAndVerify(int port, _VectorInfo& vi, const RM_PageTable& pages, const RM_OutputBlock& out) {
    const RM_Geometry g = RM_GetGeometry();
    const bool remapOn = AP_INIState.RemapEnable != 0;
    const bool partial = AP_INIState.EnPartialTbl != 0;
    std::memcpy(out.bitmap.data(), vi.virtualPlaneMap, std::min(out.bitmap.size(), sizeof vi.virtualPlaneMap));
    for (int ch = 0; ch < std::min<int>(g.channels, RM_MAX_CH); ++ch) {
        std::uint8_t logical = 0;
        if (!RM_LogicalChannel(ch, logical) || logical >= RM_MAX_CH) continue;
        TraceOut("######### - Physical CH %d, Logical CH %d\n", ch, logical);
        RM_CopyChannelToImage(out.image.data(), out.image.size(), pages, logical, partial);
        if (!remapOn) continue;
        if (!bRM_VerifyRemapTable(port, logical, pages.remap[logical], vi)) {
            TraceOutToFile(vi.log, "\n===[%d] Verify Normal Remap Table Fail CH[%d]===\n", port, logical);
            return false;
        }
        if (!partial && !bRM_VerifyVirtRemapTable(port, logical, pages.virt[logical], vi)) {
            TraceOutToFile(vi.log, "\n===[%d] Verify Virt Remap Table Fail CH[%d]===\n", port, logical);
            return false;
        }
    }
    return true;
}

bool NewRemap(int port, std::vector<std::uint8_t>& listBytes, std::span<std::uint8_t> work, const RM_OutputBlock& out) {
    auto vi = std::make_unique<_VectorInfo>();
    vi->remapBoundary = 0;
    SetLoaderBlocks(port, *vi);
    std::unique_ptr<tables::TableLogFile> log;
    if (AP_RDSetting.DumpPftFile != 0) {
        log = std::make_unique<tables::TableLogFile>(RM_PftLogPath(port), "a");
        if (log->get() == nullptr) {
            TraceOut("2. Create File Fail. errno=%d\n", log->error());
            return false;
        }
        vi->log = log->get();
    }
    RemapCounts counts{};
    tables::GdpList list(listBytes.data(), listBytes.size());
    if (!list.Terminated())
        TraceOut("######### - [%d]GDP list without its end: %u entries taken\n", port, list.Count());
    if (AP_INIState.PerPlaneBad != 0) RM_PadPerPlaneBad(port, list);
    RM_DistributeGdpList(port, list, *vi);
    RM_BuildBlockUnitList(*vi);

    TraceOutToFile(vi->log, "\n==[%d]Original Defect Block State Map (Physical)==\n", port);
    vRM_PrintDefectMap(*vi);
    TraceOutToFile(vi->log, "\n===[%d] Original Defect Ratio===\n", port);
    RM_StoreDefectRatio(out.badCount, 0, RM_CalcDefectRatio(port, *vi));

    if (AP_INIState.RemapEnable != 0) {
        vRM_RunRemapPasses(port, *vi);
    } else {
        std::memset(vi->virtualPlaneMap, 0, sizeof vi->virtualPlaneMap);
        // The system table carries the SLC bounds of this drive, not those of the port's last one.
        vRM_GetBoundOfSLC(port, *vi);
    }

    TraceOutToFile(vi->log, "\n===[%d] Early Defect Ratio===\n", port);
    RM_StoreDefectRatio(out.badCount, RM_BADCOUNT_EARLY, RM_CalcDefectRatio(port, *vi));
    bool result = bRM_CheckEarlyRatio(port, out.badCount, work, *vi);
    if (AP_INIState.EnPartialTbl != 0) {
        TraceOutToFile(vi->log, "\n===[%d] Bad Info After Remap===\n", port);
        result = bRM_CheckCapacity(port, work, *vi);
    }
    if (result) {
        if ((AP_INIState.DisableMptLog & 0x2) == 0) vRM_PrintRemapDetail(*vi);
        RM_PageTable pages;
        vRM_GenerateTables(port, *vi, counts, pages);
        if (AP_INIState.RemapEnable != 0) {
            TraceOutToFile(vi->log, "\n===[%d] Check Remap Amount===\n", port);
            result = bRM_CheckRemapAmount(work, counts, *vi);
        }
        if (!pages.overflows.empty()) {
            RM_AppendPageOverflowRecords(work.data(), std::min(work.size(), RM_FAIL_AREA_BYTES), pages);
            result = false;
        }
        if (result) result = CopyAndVerify(port, *vi, pages, out);
    }
    vRM_ClearVectorInfo(*vi);
    TraceOutToFile(vi->log, "\n===[%d] REMAP PROCESS IS DONE===\n", port);
    return result;
}

}  // namespace

RM_OutputBlock RM_PortOutputBlock(int port) {
    RM_OutputBlock out{};
    if (port < 0 || port >= kPortCount) return out;
    const AP_Instance_t& inst = AP_Instance[port];
    if (inst.pRemapTableBuf != nullptr) out.image = {inst.pRemapTableBuf, kRemapTableBufSize};
    if (inst.pRemapAuxBuf != nullptr) out.badCount = {inst.pRemapAuxBuf, kRemapAuxBufSize};
    if (inst.pTablePageBuf != nullptr) out.bitmap = {inst.pTablePageBuf, kTablePageBufSize};
    return out;
}

bool bRM_NewRemap(int port, std::span<std::uint8_t> work, const RM_OutputBlock& out) {
    if (work.empty()) {
        TraceOut("######### - [%d]bRM_NewRemap: no work buffer fail!\n", port);
        return false;
    }
    try {
        // The list leaves the work buffer before anything else: from here on byte 0 counts records.
        std::vector<std::uint8_t> listBytes(RM_GDP_LIST_BYTES, 0);
        std::memcpy(listBytes.data(), work.data(), std::min(work.size(), listBytes.size()));
        RM_ResetFailRecords(work);
        if (port < 0 || port >= kPortCount || out.image.size() < RM_IMAGE_SYSTEM + RM_MAX_CH * RM_IMAGE_SLOT ||
            out.badCount.size() < RM_BADCOUNT_BYTES || out.bitmap.size() < kTablePageBufSize) {
            TraceOut("######### - [%d]bRM_NewRemap: output buffers missing fail!\n", port);
            return false;
        }
        if (!RM_CheckGeometry(RM_GetGeometry())) return false;
        if (bRM_IsSuperDie() && AP_INIState.EnPartialTbl != 0) {
            // The super-die tables have no partial-good page for the image's fourth slot.
            TraceOut("######### - [%d]bRM_NewRemap: partial-good tables in super-die mode fail!\n", port);
            return false;
        }
        RM_ZeroTableImage(out.image.data(), out.image.size());
        std::memset(out.badCount.data(), 0, out.badCount.size());
        return NewRemap(port, listBytes, work, out);
    } catch (const std::bad_alloc&) {
        RM_ResetFailRecords(work);
        TraceOut("######### - [%d]bRM_NewRemap: out of memory fail!\n", port);
        return false;
    }
}
