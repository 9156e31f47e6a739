#include "procedures/V_Proc_Erase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "commands/command_sets.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/loader_block_common.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr int kCandidateBlocks = 4;  // loader blocks are among blocks 0 to 3
constexpr std::size_t kSerialBytes = 20;
constexpr std::size_t kIdentitySerialOffset = 4;
constexpr std::size_t kPageSerialOffset = 104;

// Calls `fn(ch, bank, block)` for every present die and candidate block holding system firmware
// (or, with sysOnly false, sorting firmware) until it returns true.
template <typename Fn>
bool ForEachValidBlock(int port, std::uint8_t* work, bool sysOnly, Fn&& fn) {
    for (int ch = 0; ch < loader::kChannels; ++ch) {
        for (int bank = 0; bank < loader::kBanks; ++bank) {
            if (!loader::DiePresent(ch, bank)) continue;
            for (int block = 0; block < kCandidateBlocks; ++block) {
                const auto c = static_cast<std::uint8_t>(ch);
                const auto b = static_cast<std::uint8_t>(bank);
                const auto k = static_cast<std::uint16_t>(block);
                if (VP_IsValidLoaderBlock(port, work, c, b, k, sysOnly ? 1 : 0) != 1) continue;
                if (fn(c, b, k)) return true;
            }
        }
    }
    return false;
}

}  // namespace

bool VP_PROC_ClearCodeBlock(int bInstance, std::uint8_t* status) {
    TraceOut("######### - [%d]VP_PROC_ClearCodeBlock\n", bInstance);
    if (!loader::PortValid(bInstance)) return false;
    const int planes = AP_FlashSet.ucPlanes;
    if (planes == 0) {
        TraceOut("######### - [%d]VP_PROC_ClearCodeBlock fail! - plane count 0\n", bInstance);
        return false;
    }
    // More planes than candidate blocks: unit 0 still holds them all.
    const int units = std::max(1, kCandidateBlocks / planes);
    for (int u = 0; u < units; ++u) {
        if (!VP_EraseBlock(bInstance, 255, 255, static_cast<std::uint16_t>(u), 0, 0, status)) return false;
    }
    return true;
}

bool VP_PROC_EraseValidLoaderBlock(int bInstance, std::uint8_t* work) {
    TraceOut("######## - [%d]VP_PROC_EraseValidLoaderBlock\n", bInstance);
    if (!loader::PortValid(bInstance) || work == nullptr) return false;
    bool failed = false;
    ForEachValidBlock(bInstance, work, false, [&](std::uint8_t ch, std::uint8_t bank, std::uint16_t block) {
        failed = !VP_EraseBlock(bInstance, ch, bank, block, 0, 1, nullptr);
        return failed;
    });
    return !failed;
}

int VP_PROC_GetEraseCount(int bInstance, std::uint8_t* work, int bSysMode) {
    TraceOut("######### - [%d]VP_PROC_GetEraseCount, SYS Mode is %d\n", bInstance, bSysMode);
    if (!loader::PortValid(bInstance) || work == nullptr) return 0;
    std::uint8_t* counts = AP_Instance[bInstance].pEraseCountBuf;
    const std::size_t page = loader::PageBytes();
    if (counts == nullptr || page == 0 || 2 * page > kEraseCountBufSize) return 0;
    if (bSysMode != 0) {
        const std::uint32_t sectors = 2U * AP_FlashSet.bPageSector;
        if (VC_SYS_GetEraseCount(bInstance, work, sectors, 0, 0) != 1) return 0;
        std::memcpy(counts, work, 2 * page);
        char name[24];
        std::snprintf(name, sizeof name, "EC_R_%2.2d_%2.2d.raw", 0, 0);
        DumpRawFile(name, counts, 2 * page);
        DumpRawFile("EC_SYS.raw", counts, 2 * page);
        return 1;
    }
    const bool found =
        ForEachValidBlock(bInstance, work, true, [&](std::uint8_t ch, std::uint8_t bank, std::uint16_t block) {
            for (int i = 0; i < 2; ++i) {
                if (!VP_ReadPage(bInstance, ch, bank, block, loader::PhysicalPage(loader::kEraseCountIndex + i),
                                 AP_FlashSet.ucLdpcMode, 1, 0, counts + i * page, AP_FlashSet.bPageSector)) {
                    return false;
                }
            }
            DumpRawFile("EC_GDP.raw", counts, 2 * page);
            return true;
        });
    return found ? 1 : 0;
}

bool VP_PROC_GetSerialNumber(int bInstance, std::uint8_t* work, int bSysMode) {
    TraceOut("######### - [%d]VP_PROC_GetSerialNumber, SYS Mode is %d\n", bInstance, bSysMode);
    if (!loader::PortValid(bInstance) || work == nullptr) return false;
    char* serial = AP_Instance[bInstance].sInheritSerialNum;
    std::memset(serial, 0, sizeof AP_Instance[bInstance].sInheritSerialNum);
    if (bSysMode != 0) {
        if (!VP_Identify(bInstance, work, 1)) return false;
        std::memcpy(serial, work + kIdentitySerialOffset, kSerialBytes);
        TraceOut("######### - SN_INPUT_MODE_INHERIT_SN - SYS - %s\n", serial);
        DumpRawFile("SN_SYS.raw", work, kIdentifyBytes);
        return true;
    }
    return ForEachValidBlock(bInstance, work, true, [&](std::uint8_t ch, std::uint8_t bank, std::uint16_t block) {
        if (!VP_ReadPage(bInstance, ch, bank, block, loader::PhysicalPage(loader::kCodeFirst), AP_FlashSet.ucLdpcMode,
                         1, 0, work, AP_FlashSet.bPageSector)) {
            return false;
        }
        std::memcpy(serial, work + kPageSerialOffset, kSerialBytes);
        TraceOut("######### - SN_INPUT_MODE_INHERIT_SN - GDP - %s\n", serial);
        DumpRawFile("SN_GDP.raw", work, loader::PageBytes());
        return true;
    });
}
