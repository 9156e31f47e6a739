// Bad-block inheritance from the earlier tables and from the sorting results.
#include "procedures/V_Proc_Inherit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "commands/command_sets.h"
#include "platform/clock.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_TableRead.h"
#include "procedures/step_fail_info.h"
#include "settings/records.h"
#include "tables/gdp_list.h"
#include "tables/rdt_bad_blocks.h"
#include "tables/rm_geometry.h"
#include "tables/table_logs.h"
#include "tables/table_parsers.h"
#include "transport/byte_order.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kSector = 512;
constexpr int kRemapIndex = 21;
constexpr int kVirtualIndex = 29;
constexpr int kDefectIndex = 5;
constexpr int kLaterIndex = 40;
constexpr int kResultTableChannels = 8;
constexpr int kResultTableBanks = 8;

// The table log of an inheritance, opened for appending so that a second inheritance or a
// pre-format in the same minute keeps the lines already written; none when DumpPftFile is off.
struct InheritLog {
    std::unique_ptr<tables::TableLogFile> file;
    bool failed = false;
    int error = 0;
    std::FILE* get() const { return file ? file->get() : nullptr; }
};

InheritLog OpenLog(int port) {
    InheritLog log;
    if (AP_RDSetting.DumpPftFile == 0) return log;
    log.file = std::make_unique<tables::TableLogFile>(RM_PftLogPath(port), "a");
    if (log.file->get() == nullptr) {
        log.failed = true;
        log.error = log.file->error();
    }
    return log;
}

std::size_t PageBytes() {
    return static_cast<std::size_t>(AP_FlashSet.bPageSector) * kSector;
}

// Converts and sends the list; false (traced) when the drive did not take it.
bool SendList(int port, std::uint8_t* list) {
    VP_ConvertInheritCE(list, RM_GDP_LIST_BYTES);
    if (VC_LDR_CmdWriteRam(port, list, kInheritSectors, kInheritRamSelector) == 1) return true;
    TraceOut("######### - [%d]Inherit list not sent fail!\n", port);
    return false;
}

// Keeps the port's inherit-read flag set for one page read, and clears it on every way out.
class InheritRead {
  public:
    explicit InheritRead(int port) : port_(port) { AP_Instance[port_].bInheritRead = 1; }
    ~InheritRead() { AP_Instance[port_].bInheritRead = 0; }
    InheritRead(const InheritRead&) = delete;
    InheritRead& operator=(const InheritRead&) = delete;

  private:
    int port_;
};

// The list is complete only when no entry was refused for room or skipped as outside the geometry.
bool ListWhole(int port, const tables::GdpList& list, const _VectorInfo& vi) {
    if (list.Refused() == 0 && vi.skippedEntries == 0) return true;
    TraceOut("######### - [%d]Inherit list incomplete: %u refused, %u skipped fail!\n", port, list.Refused(),
             vi.skippedEntries);
    return false;
}

}  // namespace

void VP_ConvertInheritCE(void* list, std::size_t bytes) {
    const std::uint8_t banks = AP_INIState.MaxPhyBank;
    if (banks == 0) {
        TraceOut("######### - VP_ConvertInheritCE - MaxPhyBank is 0, nothing converted\n");
        return;
    }
    auto* p = static_cast<std::uint8_t*>(list);
    for (std::size_t at = 0; at + 4 <= bytes; at += 4) {
        const std::uint32_t old = transport::GetLe32(p + at);
        if (old == 0) break;
        TraceOut("%08X --> ", old);
        const unsigned channel = old >> 29;
        const unsigned ceIndex = (old >> 24) & 0x1F;
        const unsigned top = (channel << 5) | (((ceIndex / banks) & 3) << 3) | ((ceIndex % banks) & 7);
        const std::uint32_t now = (static_cast<std::uint32_t>(top) << 24) | (old & 0x00FFFFFF);
        transport::PutLe32(p + at, now);
        TraceOut("%08X\n", now);
    }
}

bool VP_InheritLatterBB(int bInstance) {
    TraceOut("######### - [%d]VP_InheritLatterBB\n", bInstance);
    // Room for every channel the table reader may read, whatever MaxPhyChannel says.
    std::vector<std::uint8_t> pages(8 * PageBytes());
    std::vector<std::uint8_t> listBytes(RM_GDP_LIST_BYTES, 0);
    InheritLog log = OpenLog(bInstance);
    if (log.failed) {
        TraceOut("4. Create File Fail. errno=%d\n", log.error);
        return false;
    }
    auto vi = std::make_unique<_VectorInfo>();
    vi->log = log.get();
    tables::GdpList list(listBytes.data(), listBytes.size());
    const bool superDie = bRM_IsSuperDie();
    bool result = false;

    TraceOutToFile(vi->log, "[INFO] Inherit Previous Early & Later BB\n");
    bool chain = bRM_ReadTablePages(bInstance, kRemapIndex, pages);
    if (chain) {
        TraceOutToFile(vi->log, "[INFO] Load Remap Table Success.\n");
        superDie ? RM_ParseRemapTable2L(bInstance, pages, *vi) : RM_ParseRemapTable(bInstance, pages, *vi);
        chain = bRM_ReadTablePages(bInstance, kVirtualIndex, pages);
    }
    if (chain) {
        TraceOutToFile(vi->log, "[INFO] Load Virtual Table Success.\n");
        superDie ? RM_ParseVirtRemapTable2L(bInstance, pages, *vi) : RM_ParseVirtRemapTable(bInstance, pages, *vi);
        chain = bRM_ReadTablePages(bInstance, kDefectIndex, pages);
    }
    if (chain) {
        TraceOutToFile(vi->log, "[INFO] Load Defect Table Success.\n");
        const std::uint16_t early = superDie ? RM_ParseDefectBadTable2L(bInstance, pages, list, *vi)
                                             : RM_ParseEarlyBadTable(bInstance, pages, list, *vi);
        TraceOutToFile(vi->log, "[INFO] Inherit %d Early Bad Block\n", early);
        const std::uint16_t remapBad = RM_FindLaterBadInRemap(bInstance, *vi, list);
        TraceOutToFile(vi->log, "[INFO] Inherit %d Remap Bad Block\n", remapBad);
    }
    std::fill(pages.begin(), pages.end(), 0);
    if (chain && bRM_ReadTablePages(bInstance, kLaterIndex, pages)) {
        TraceOutToFile(vi->log, "[INFO] Load Later Table Success.\n");
        const std::uint16_t later = superDie ? RM_ParseLaterBadTable2L(bInstance, pages, list, *vi)
                                             : RM_ParseLaterBadTable(bInstance, pages, list, *vi);
        TraceOutToFile(vi->log, "[INFO] Inherit %d Later Bad Block\n", later);
        result = true;
    }
    vi->log = nullptr;
    log.file.reset();
    if (!ListWhole(bInstance, list, *vi)) result = false;
    if (!SendList(bInstance, listBytes.data())) result = false;
    platform::Sleep(10);
    vRM_ClearVectorInfo(*vi);
    return result;
}

bool VP_InheritRDT(int bInstance) {
    TraceOut("######### - [%d]VP_InheritRDT\n", bInstance);
    bool result = true;
    // The whole area that is sent is cleared, not only its first page.
    std::vector<std::uint8_t> listBytes(RM_GDP_LIST_BYTES, 0);
    platform::Sleep(100);
    InheritLog log = OpenLog(bInstance);
    if (log.failed) {
        TraceOut("3. Create File Fail. errno=%d\n", log.error);
        return false;
    }
    auto vi = std::make_unique<_VectorInfo>();
    vi->log = log.get();
    tables::GdpList list(listBytes.data(), listBytes.size());

    TraceOutToFile(vi->log, "[INFO] Inherit RDT BB\n");
    // Cleared before the scan: a failed scan leaves no stale table, every die reads as without one.
    std::array<std::uint8_t, kSector> table{};
    std::uint8_t status = 0;
    VP_ScanResultBlock(bInstance, table.data(), &status);
    platform::Sleep(100);
    auto entry = [&table](int c, int j) { return transport::GetLe16(table.data() + 2 * (c * kResultTableBanks + j)); };
    for (int c = 0; c < kResultTableChannels; ++c) {
        for (int j = 0; j < kResultTableBanks; ++j) TraceOut("wRsltBlk[%d][%d] = 0x %x\n", c, j, entry(c, j));
    }

    const int channels = AP_INIState.MaxPhyChannel < 8 ? AP_INIState.MaxPhyChannel : 8;
    const int dies = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
    const int logical = std::min(AP_INIState.MaxPhyBank * dies, kResultTableBanks);
    for (int c = 0; c < channels; ++c) {
        for (int j = 0; j < logical; ++j) {
            if (procedures::IsPresentLogicalDie(c, j) && entry(c, j) == 0) {
                result = false;
                TraceOutToFile(vi->log, "C:%d B:%d cannot found RDT BB\n", c, j);
            }
        }
    }

    std::vector<std::uint8_t> page(std::max<std::size_t>(AP_INIState.MaxPhyChannel, 1) * PageBytes());
    std::uint32_t count = 0;
    for (int c = 0; c < channels; ++c) {
        for (int j = 0; j < logical; ++j) {
            const std::uint16_t block = entry(c, j);
            if (!procedures::IsPresentLogicalDie(c, j) || block == 0) continue;
            TraceOutToFile(vi->log, "Read RDT BB Page0, C:%d B:%d BLK:0x%x\n", c, j, block);
            std::fill(page.begin(), page.end(), 0);
            platform::Sleep(100);
            InheritRead flag(bInstance);
            if (!VP_ReadPage(bInstance, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(j), block,
                             AP_FlashSet.wPageMap[0], AP_FlashSet.ucLdpcMode, 1, 1, page.data(),
                             AP_FlashSet.bPageSector)) {
                continue;
            }
            std::array<std::uint8_t, kSector> reply{};
            std::uint8_t done = 0;
            if (VC_GDP_CmdGetReturn(bInstance, &done, reply.data()) != 1 || done == 0) continue;
            std::uint16_t added = 0;
            if (RM_GetRDTBadBlocks(bInstance, c, j, block, std::span(page.data(), PageBytes()), list, count, added,
                                   *vi)) {
                count += added;
            }
        }
    }

    vi->log = nullptr;
    if (!ListWhole(bInstance, list, *vi)) result = false;
    if (!SendList(bInstance, listBytes.data())) result = false;
    log.file.reset();
    vRM_ClearVectorInfo(*vi);
    return result;
}
