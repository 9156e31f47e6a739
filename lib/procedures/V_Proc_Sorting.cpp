// The sorting steps: the erase before a SORT download and the check of a die's result block.
#include "procedures/V_Proc_Sorting.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "commands/command_sets.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Programs.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kSector = 512;
constexpr int kTableSide = 8;  // wRsltBlk has 8 channels by 8 FW banks per port
constexpr std::size_t kWholeInfoDumpBytes = 512;

int DiesPerCe() {
    return AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
}

void EraseResultBlocks(int port) {
    const int dies = DiesPerCe();
    for (int l = 0; l < dies; ++l) {
        for (int c = 0; c < AP_INIState.Channel; ++c) {
            for (int b = 0; b < AP_INIState.Bank; ++b) {
                const int fwBank = l * AP_INIState.MaxPhyBank + b;
                if (c >= kTableSide || fwBank >= kTableSide) continue;
                const std::uint16_t block = wRsltBlk[port][c][fwBank];
                TraceOut("ChNo%d,BankNo%d,lun%d ,wRsltBlk[%d][%d]= %d", c, b, l, c, fwBank, block);
                if (block == 0) continue;
                std::uint8_t status[2] = {};
                VP_EraseBlock(port, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(fwBank), block, 0, 1,
                              status);
            }
        }
    }
    TraceOut("Erase result Block Pass!\n");
}

void EraseEveryUnit(int port) {
    if (AP_FlashSet.ucPlanes == 0) {
        TraceOut("######### - [%d]VP_PROC_EraseAllBlock - no planes: no block unit erased\n", port);
        return;
    }
    const int dies = DiesPerCe();
    const int units = AP_FlashSet.wBlocks / dies / AP_FlashSet.ucPlanes;
    const auto bank = static_cast<std::uint8_t>(std::min(255, AP_INIState.Bank * dies));
    for (int u = 0; u < units; ++u) {
        if (VC_GDP_CmdBlockErase(port, AP_INIState.Channel, bank, static_cast<std::uint16_t>(u), 0, 0) != 1) {
            TraceOut("Erase Block 0x%X Fail!\n", u);
        }
    }
}

bool ReadResultPage(int port, std::uint8_t* buffer, std::uint8_t channel, std::uint8_t bank, std::uint16_t block,
                    int index) {
    const int pages = std::max<int>(1, AP_INIState.MaxPhyChannel);
    std::memset(buffer, 0, static_cast<std::size_t>(pages) * AP_FlashSet.bPageSector * kSector);
    return VP_PROC_ReadSortResultPage(port, buffer, channel, bank, block, index, kSortBlockTypeSlc);
}

struct Verdict {
    int bit;
    int result;
    const char* trace;
};

constexpr Verdict kVerdicts[] = {
    {0, kOpRdtEccFail, "VP_PROC_CheckSortingResult - OP_RDT_ECCFAIL\n"},
    {1, kOpRdtBadBlock, "VP_PROC_CheckSortingResult - OP_RDT_BADBLOCK\n"},
    {2, kOpRdtProgramFail, "VP_PROC_CheckSortingResult - OP_RDT_ProgramFail\n"},
    {3, kOpRdtEraseFail, "VP_PROC_CheckSortingResult - OP_RDT_EraseFail\n"},
    {7, kOpRdtFactoryBadFail, "VP_PROC_CheckSortingResult - OP_RDT_FactoryBadFail\n"},
};

}  // namespace

bool VP_PROC_ReadSortResultPage(int port, void* buffer, std::uint8_t channel, std::uint8_t fwBank,
                                std::uint16_t block, int index, std::uint8_t blockType) {
    if (buffer == nullptr || index < 0 || index >= AP_PAGE_MAP_COUNT) return false;
    std::memset(buffer, 0, static_cast<std::size_t>(AP_FlashSet.bPageSector) * kSector);
    return VP_ReadPage(port, channel, fwBank, block, AP_FlashSet.wPageMap[index], AP_FlashSet.ucLdpcMode, 1, blockType,
                       buffer, AP_FlashSet.bPageSector);
}

bool VP_PROC_GetSortingResultBlock(int port, void* buffer) {
    TraceOut("######### - [%d]VP_PROC_GetSortingResultBlock\n", port);
    std::uint8_t status = 0;
    return VP_ScanResultBlock(port, buffer, &status);
}

bool VP_PROC_GetRDTStatus(int port, void* buffer) {
    TraceOut("######### - [%d]VP PROC_GetRDTStatus\n", port);
    std::uint8_t status = 0;
    return VP_ScanRDTStatus(port, buffer, &status);
}

bool VP_PROC_EraseAllBlock(int port) {
    TraceOut("######## - [%d]VP_PROC_EraseAllBlock\n", port);
    TraceOut("Erase Block Channel=%d, Bank=%d, bMaxDie=%d, wBlocks=0x%x\n", AP_INIState.Channel, AP_INIState.Bank,
             AP_FlashSet.ucDiePerCE, AP_FlashSet.wBlocks);
    if (port >= 0 && port < AP_PORT_COUNT) {
        if (AP_INIState.EraseAllType != 0) {
            EraseResultBlocks(port);
        } else {
            EraseEveryUnit(port);
        }
    }
    TraceOut("VP_PROC_EraseAllBlock Done \n");
    return true;
}

int VP_PROC_CheckSortingResult(int port, void* pageBuffer, std::uint8_t channel, std::uint8_t bank,
                               std::uint16_t block) {
    TraceOut("######### - [%d]VP_PROC_CheckSortingResult\n", port);
    auto* page = static_cast<std::uint8_t*>(pageBuffer);
    if (page == nullptr || port < 0 || port >= AP_PORT_COUNT) return kOpRdtResult;
    if (!ReadResultPage(port, page, channel, bank, block, kSortMarkPageIndex)) {
        TraceOut("Read RDT Mark Page fail! Block:0x%x\n", block);
        return kOpRdtResult;
    }
    if (std::memcmp(page, "SORT", 4) != 0) {
        TraceOut("Can't find SORT mark!\n");
        return kOpRdtResult;
    }
    if (!ReadResultPage(port, page, channel, bank, block, kSortWholeInfoPageIndex)) {
        TraceOut("Read RDT WHOLE info Page fail! Block:0x%x\n", block);
        return kOpRdtResult;
    }
    if (AP_RDSetting.DumpDebugFile != 0) {
        char name[64];
        std::snprintf(name, sizeof name, "Sorting_CH%02x_BK%02x_WHOLE_Page%d.raw", channel, bank,
                      kSortWholeInfoPageIndex);
        DumpRawFile(name, page, std::min<std::size_t>(kWholeInfoDumpBytes, AP_FlashSet.bPageSector * kSector));
    }
    const std::uint8_t result = page[kSortResultByte];
    TraceOut("SORTING_WHOLE_INFO_PAGE_NO   wRsltBlk[%d][%d]=%x  bResult = %d\n", channel, bank, block, result);
    for (const Verdict& v : kVerdicts) {
        if ((result & (1u << v.bit)) != 0) {
            TraceOut("%s", v.trace);
            return v.result;
        }
    }
    TraceOut("[INFO] Found RDTM RSLT BLK : 0x%X\n", block);
    AP_Instance[port].wRdtRsltBlk = block;
    AP_Instance[port].bRsltBlkFound = 1;
    return kSortCheckPass;
}
