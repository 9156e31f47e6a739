#include "procedures/V_Proc_FwVariable.h"

#include <cstdio>
#include <cstring>

#include "commands/command_sets.h"
#include "procedures/V_Proc_PageAccess.h"
#include "transport/byte_order.h"
#include "transport/trace.h"

char g_sInfoPageSignature[kSignatureBytes]{};
char g_sConfigSignature[kSignatureBytes]{};

namespace {

using transport::GetLe16;
using transport::GetLe32;

constexpr std::size_t kTagOffset = 448, kTagBytes = 64, kProductTagOffset = 46, kProductTagBytes = 6;
constexpr std::size_t kBankRemap = 780, kChRemap = 788, kLoaderMap = 796, kResRatio = 860, kReadEmpty = 880,
                      kCustomerId = 936, kFeatureId = 940, kGeometry = 1216, kDefRatio = 1232;
constexpr std::size_t kInfoModelOffset = 480, kInfoPageMapOffset = 1056;
constexpr std::size_t kInfoSearchBytes = 65536;

void SetSignature(char* signature, const char* text) {
    std::memset(signature, 0, kSignatureBytes);
    std::memcpy(signature, text, std::strlen(text));
}

}  // namespace

void VP_SetLoaderBlockMap(AP_Instance_t& record, const std::uint8_t* block) {
    const std::uint8_t map = block[kLoaderMap];
    int stored = 0;
    for (int bit = 0; bit < 4 && stored < 2; ++bit) {
        if ((map & (1u << bit)) == 0) continue;
        record.aLoaderBlockNo[0][0][stored] = static_cast<std::uint16_t>(bit);
        ++stored;
        record.ucLoaderBlockNum = static_cast<std::uint8_t>(stored);
    }
}

bool VP_LoadFwVariable(AP_Instance_t&, AP_FlashSet_t& flash, AP_FwSet_t& fw, char* infoSignature,
                       char* configSignature, const std::uint8_t* block) {
    const std::uint8_t* g = block + kGeometry;
    flash.ucFlashVendor = g[0];
    flash.ucFlashType = g[1];
    flash.wBlocks = GetLe16(g + 2);
    flash.wPages = GetLe16(g + 4);
    flash.wPageSize = GetLe16(g + 6);
    flash.ucDiePerCE = g[8];
    flash.ucPlanes = g[9];
    flash.ucLdpcMode = g[11];
    flash.ucBlockAttribute = g[12];
    flash.ucChannel = g[13];
    flash.ucBankNum = g[14];
    flash.ucCE = g[15];
    fw.wResRatio = GetLe16(block + kResRatio);
    fw.wDefRatio = GetLe16(block + kDefRatio);

    const std::uint16_t threshold = GetLe16(block + kReadEmpty);
    switch (flash.ucLdpcMode) {
        case 1: fw.LDPCRate1ReadEmptyThreshold = threshold; break;
        case 2: fw.LDPCRate2ReadEmptyThreshold = threshold; break;
        case 3: fw.LDPCRate3ReadEmptyThreshold = threshold; break;
        case 4: fw.LDPCRate4ReadEmptyThreshold = threshold; break;
        default: break;
    }
    std::memcpy(flash.ucBankRemap, block + kBankRemap, sizeof flash.ucBankRemap);
    std::memcpy(flash.ucChRemap, block + kChRemap, sizeof flash.ucChRemap);
    std::memcpy(fw.sFwTag, block + kTagOffset, kTagBytes);

    const char* product = fw.sFwTag + kProductTagOffset;
    if (std::memcmp(product, "TAMREL", kProductTagBytes) == 0 || std::memcmp(product, "TEV100", kProductTagBytes) == 0) {
        SetSignature(infoSignature, "LDBK BLOCKS V00");
        SetSignature(configSignature, "LDBK CONFIG V00");
    }
    return true;
}

bool VP_IsInfoPage(const std::uint8_t* page) {
    return std::memcmp(page, g_sInfoPageSignature, kSignatureBytes) == 0;
}

void VP_ReadInfoPageTables(AP_FlashSet_t& flash, const std::uint8_t* page) {
    std::memcpy(flash.sFlashFullName, page + kInfoModelOffset, sizeof flash.sFlashFullName);
    for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) flash.wPageMap[i] = GetLe16(page + kInfoPageMapOffset + 2 * std::size_t(i));
}

bool VP_GetSSDInfo(int port, void* buffer) {
    if (buffer == nullptr || port < 0 || port >= kPortCount) return false;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    if (VC_LDR_CmdReadRam(port, bytes, kFwVariableBlockBytes / 512, 0) != 1) return false;
    DumpRawFile("ReadRam.raw", bytes, kFwVariableBlockBytes);

    std::snprintf(AP_Variable.SyS_FM_CUSTOMIZE_Ver, sizeof AP_Variable.SyS_FM_CUSTOMIZE_Ver, "%04X",
                  GetLe32(bytes + kCustomerId));
    TraceOut("######### - AP_Variable.SyS_FM_CUSTOMIZE_Ver is %s\n", AP_Variable.SyS_FM_CUSTOMIZE_Ver);
    std::snprintf(AP_Variable.SyS_FM_CUSTOMIZE_FEATURE_Ver, sizeof AP_Variable.SyS_FM_CUSTOMIZE_FEATURE_Ver, "%04X",
                  GetLe32(bytes + kFeatureId));
    TraceOut("######### - AP_Variable.SyS_FM_CUSTOMIZE_FEATURE_Ver is %s\n", AP_Variable.SyS_FM_CUSTOMIZE_FEATURE_Ver);

    AP_Instance_t& record = AP_Instance[port];
    VP_SetLoaderBlockMap(record, bytes);
    VP_LoadFwVariable(record, AP_FlashSet, AP_FwSet, g_sInfoPageSignature, g_sConfigSignature, bytes);
    AP_FlashSet.bPageSector = static_cast<std::uint8_t>(2 * AP_FlashSet.wPageSize);

    TraceOut("######### - AP_FlashSet.ucFlashVendor is %d\n", AP_FlashSet.ucFlashVendor);
    TraceOut("######### - AP_FlashSet.ucFlashType is %d\n", AP_FlashSet.ucFlashType);
    TraceOut("######### - AP_FlashSet.wBlocks is %d\n", AP_FlashSet.wBlocks);
    TraceOut("######### - AP_FlashSet.wPages is %d\n", AP_FlashSet.wPages);
    TraceOut("######### - AP_FlashSet.wPageSize is %d\n", AP_FlashSet.wPageSize);
    TraceOut("######### - AP_FlashSet.ucDiePerCE is %d\n", AP_FlashSet.ucDiePerCE);
    TraceOut("######### - AP_FlashSet.ucPlanes is %d\n", AP_FlashSet.ucPlanes);
    TraceOut("######### - AP_FlashSet.ucLdpcMode is %d\n", AP_FlashSet.ucLdpcMode);
    TraceOut("######### - AP_FlashSet.ucBlockAttribute is %d\n", AP_FlashSet.ucBlockAttribute);
    TraceOut("######### - AP_FlashSet.ucChannel is %d\n", AP_FlashSet.ucChannel);
    TraceOut("######### - AP_FlashSet.ucBankNum is %d\n", AP_FlashSet.ucBankNum);
    TraceOut("######### - AP_FlashSet.ucCE is %d\n", AP_FlashSet.ucCE);
    TraceOut("######### - AP_FwSet.wResRatio is %d\n", AP_FwSet.wResRatio);
    TraceOut("######### - AP_FwSet.wDefRatio is %d\n", AP_FwSet.wDefRatio);

    for (int i = 0; i < 2; ++i) {
        std::memset(bytes, 0, kInfoSearchBytes);
        if (AP_FlashSet.ucPlanes == 0) {
            TraceOut("######### - ucPlanes Fail!!!  AP_FlashSet.ucPlanes is %d\n", AP_FlashSet.ucPlanes);
            return false;
        }
        const std::uint16_t block = record.aLoaderBlockNo[0][0][i];
        if (VA_SysReadPage(port, AP_FlashSet.ucChannel, 0, static_cast<std::uint16_t>(block / AP_FlashSet.ucPlanes),
                           block, 0, 1, 1, bytes, 8) != 1) {
            continue;
        }
        DumpRawFile("InfoPage.raw", bytes, std::size_t{AP_FlashSet.bPageSector} * 512);
        if (VP_IsInfoPage(bytes)) {
            VP_ReadInfoPageTables(AP_FlashSet, bytes);
            break;
        }
    }
    return true;
}
