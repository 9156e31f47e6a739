// The loader-block step: the previous MP code block's parameter page, or the diagnostic firmware's
// own search.
#include <span>

#include "commands/command_sets.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/loader_block_readers.h"
#include "procedures/step_fail_info.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint16_t kNoBlock = 0xFFFF;
constexpr int kPreformatItem = 7;
constexpr int kDownloadItem = 8;
constexpr std::uint32_t kInfoSectors = 8;

int Channels() {
    return AP_INIState.MaxPhyChannel < 8 ? AP_INIState.MaxPhyChannel : 8;
}
int Banks() {
    return AP_INIState.MaxPhyBank < 4 ? AP_INIState.MaxPhyBank : 4;
}

void ClearLoaderBlocks(int port) {
    for (auto& channel : AP_Instance[port].aLoaderBlockNo) {
        for (auto& bank : channel) {
            for (auto& block : bank) block = kNoBlock;
        }
    }
    AP_Instance[port].ucLoaderBlockNum = 0;
}

// Takes the loader blocks and counts of one parameter code page.
void TakeParamFacts(int port, const procedures::ParamCodePageFacts& f) {
    AP_Instance_t& inst = AP_Instance[port];
    for (int e = 0; e < procedures::kLdrBlockEntries; ++e) {
        if (f.map[e] == 0) continue;
        inst.ucLoaderBlockNum = 0;
        const procedures::DieLoaderBlocks& die = f.dies[e];
        for (int k = 0; k < die.count; ++k) {
            inst.aLoaderBlockNo[e >> 2][e & 3][k] = die.block[k];
            ++inst.ucLoaderBlockNum;
            TraceOut("######### - AP_Instance[bInstance].aLoaderBlockNo[%d][%d][%d] is %d\n", e >> 2, e & 3, k,
                     die.block[k]);
        }
    }
    inst.wHSPD_BLK_Qnty_Count = f.wHSPD_BLK_Qnty_Count;
    inst.wTotalGoodBU = f.wTotalGoodBU;
    inst.wScanBlockUnit = f.wScanBlockUnit;
    inst.wScanBlockUnit2 = f.wScanBlockUnit2;
    inst.wSysBU = f.wSysBU;
}

bool FromPreviousMp(int port, std::uint8_t* work) {
    TraceOut("######### - Try to find last MP code block\n");
    const std::size_t pageBytes = static_cast<std::size_t>(AP_FlashSet.bPageSector) * kSector;
    const auto extra = static_cast<std::uint16_t>(AP_INIState.FixSLC_BU + AP_INIState.wFW_BLKQnty);
    for (int ch = 0; ch < Channels(); ++ch) {
        for (int bank = 0; bank < Banks(); ++bank) {
            if (!procedures::IsPresentDie(ch, bank)) continue;
            const auto c = static_cast<std::uint8_t>(ch);
            const auto b = static_cast<std::uint8_t>(bank);
            for (std::uint16_t block = 0; block < procedures::kLoaderBlockCandidates; ++block) {
                if (VP_IsValidLoaderBlock(port, work, c, b, block, 1) != 1) continue;
                if (!VP_ReadPage(port, c, b, block, AP_FlashSet.wPageMap[0], 1, 1, 0, work, kInfoSectors)) continue;
                const procedures::InfoPageCodeMap map =
                    procedures::ReadInfoPageCodeMap(std::span(work, kInfoSectors * kSector));
                TraceOut("######### - pParamS->Param.bCodeNum is %d\n", map.codeNum);
                TraceOut("######### - pCodeMap->aCodeEntry[PartIndex].wLastPageNo is %d\n", map.lastPageNo);
                if (!map.usable) {
                    TraceOut("######### - [%d]Ch %d, Bank %d, Block %d - code map unusable (count %d, last page %d)\n",
                             port, ch, bank, block, map.codeNum, map.lastPageNo);
                    continue;
                }
                if (!VP_ReadPage(port, c, b, block, AP_FlashSet.wPageMap[map.lastPageNo], AP_FlashSet.ucLdpcMode, 1, 0,
                                 work, AP_FlashSet.bPageSector)) {
                    continue;
                }
                const auto facts = procedures::ReadParamCodePage(std::span(work, pageBytes), extra);
                if (!facts) {
                    TraceOut("######### - [%d]Ch %d, Bank %d, Block %d - page of %d bytes holds no parameter block\n",
                             port, ch, bank, block, static_cast<int>(pageBytes));
                    continue;
                }
                TakeParamFacts(port, *facts);
                return true;
            }
        }
    }
    return false;
}

bool ByDiagnosticFirmware(int port, std::uint8_t* work, std::uint8_t mode) {
    TraceOut("######### Try to find code block by GDP\n");
    std::uint8_t status = 0;
    if (!VP_GDP_ExecProg(port, GDP_PROG_PRECHECK, mode, &status, true)) {
        TraceOut("######### - VC_GDP_CmdPreCheckCodeBlock fail!\n");
        return false;
    }
    if (VC_GDP_CmdGetCodeBlock(port, work, 1) != 1) {
        TraceOut("######### - VC_GDP_CmdGetCodeBlock fail!\n");
        return false;
    }
    DumpRawFile("LDR_BLK.raw", work, kSector);
    TraceOut("######### - AP_INIState.MaxPhyChannel is %d\n", AP_INIState.MaxPhyChannel);
    TraceOut("######### - AP_INIState.MaxPhyBank is %d\n", AP_INIState.MaxPhyBank);
    const auto dies = procedures::ReadCodeBlockMap(std::span(work, kSector));
    AP_Instance_t& inst = AP_Instance[port];
    const int threshold = AP_INIState.MPTCodeBlkThreshold;
    int valid = 0;
    for (int ch = 0; ch < Channels(); ++ch) {
        for (int bank = 0; bank < Banks(); ++bank) {
            if (!procedures::IsPresentDie(ch, bank)) continue;
            const int e = 4 * ch + bank;
            TraceOut("######### - Ch %d, Bank %d, Block Map 0x%02X\n", ch, bank, work[e]);
            inst.ucLoaderBlockNum = 0;
            for (int k = 0; k < dies[e].count; ++k) {
                inst.aLoaderBlockNo[ch][bank][k] = dies[e].block[k];
                ++inst.ucLoaderBlockNum;
                TraceOut("######### - Ch %d, Bank %d, Loader Block is 0x%02X\n", ch, bank, dies[e].block[k]);
            }
            if (dies[e].count == procedures::kLoaderBlocksPerDie) {
                ++valid;
            } else if (threshold == 0) {
                return false;
            }
        }
    }
    if (threshold != 0 && valid < threshold) {
        TraceOut("######### - Valid Code Block Die count(%d) is under Code Block Die Threshold(%d)!\n", valid,
                 threshold);
        return false;
    }
    return true;
}

}  // namespace

bool VP_PROC_GetLoaderBlock(int bInstance, void* buffer, std::uint8_t mode) {
    TraceOut("######### - [%d]VP_PROC_GetLoaderBlock, mode %d\n", bInstance, mode);
    if (bInstance < 0 || bInstance >= kPortCount || buffer == nullptr) return false;
    ClearLoaderBlocks(bInstance);
    auto* work = static_cast<std::uint8_t*>(buffer);
    const bool downloadOnly =
        AP_INIState.dwItemEnable[kDownloadItem] != 0 && AP_INIState.dwItemEnable[kPreformatItem] == 0;
    if (AP_INIState.ToolMode == 0 && (AP_INIState.EnInheritFW != 0 || downloadOnly)) {
        return FromPreviousMp(bInstance, work);
    }
    return ByDiagnosticFirmware(bInstance, work, mode);
}
