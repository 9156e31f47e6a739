#include "procedures/V_Proc_Pattern.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/files.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/loader_block_common.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "settings/shared_record_lock.h"
#include "transport/byte_order.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

using transport::PutLe16;
using transport::PutLe32;

namespace {

constexpr std::size_t kSerialOffset = 19;
constexpr std::size_t kSerialBytes = 48;
constexpr std::size_t kRetryFileBytes = 2048;
constexpr std::size_t kRecordBytes = 7;

std::mutex g_boxLock;
procedures::ErrorBoxHook g_box;

std::string BinType() {
    return std::string(AP_INIState.FlashUniName, ::strnlen(AP_INIState.FlashUniName, 4));
}

std::string FlashSize() {
    const std::size_t len = ::strnlen(AP_INIState.FlashUniName, sizeof AP_INIState.FlashUniName);
    if (len <= 4) return {};
    return std::string(AP_INIState.FlashUniName + 4, std::min<std::size_t>(3, len - 4));
}

bool MlcCase() {
    return AP_FlashSet.ucFlashType == 1 && BinType() != "L06B";
}

}  // namespace

namespace procedures {

void SetErrorBox(ErrorBoxHook hook) {
    const std::lock_guard<std::mutex> hold(g_boxLock);
    g_box = std::move(hook);
}

void ShowErrorBox(const std::string& text, const std::string& title) {
    ErrorBoxHook hook;
    {
        const std::lock_guard<std::mutex> hold(g_boxLock);
        hook = g_box;
    }
    if (hook) {
        hook(text, title);
    } else {
        TraceOut("%s: %s", title.c_str(), text.c_str());
    }
}

}  // namespace procedures

int GetRetryTable(std::uint8_t* area, std::uint8_t retryType) {
    const std::string bin = BinType();
    TraceOut("FlashVendor = %d  FlashBINType = %s FlashSize = %s  Retrytype = %d  bNandMem = %03d  wClock = %d\n",
             AP_FlashSet.ucFlashVendor, bin.c_str(), FlashSize().c_str(), retryType, AP_FlashSet.bNandMem,
             AP_INIState.Clock);
    const char* form = "DAT\\%s\\%03d_%d\\%s_%03d_mem_%d.bin";
    if (bin == "BIC3") {
        const std::size_t len = ::strnlen(AP_FlashSet.sFlashFullName, sizeof AP_FlashSet.sFlashFullName);
        const char last = len > 0 ? AP_FlashSet.sFlashFullName[len - 1] : '\0';
        if (last == 'e')
            form = "DAT\\%s\\%03d_%d\\%s_%03d_mem_%d_eTLC.bin";
        else if (last == 'i')
            form = "DAT\\%s\\%03d_%d\\%s_%03d_mem_%d_iTLC.bin";
    }
    char relative[kParamPathBytes];
    std::snprintf(relative, sizeof relative, form, bin.c_str(), AP_FlashSet.bNandMem, AP_INIState.Clock, bin.c_str(),
                  AP_FlashSet.bNandMem, retryType);
    std::string path = platform::JoinPath(platform::ProgramFolder(), relative).string();
    if (path.size() >= kParamPathBytes) path.resize(kParamPathBytes - 1);
    {
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        std::memset(AP_Param.sRetrytable, 0, sizeof AP_Param.sRetrytable);
        std::memcpy(AP_Param.sRetrytable, path.data(), path.size());
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        procedures::ShowErrorBox("The \"" + path + "\" file cann't be found!\n", "Error");
        return 0;
    }
    TraceOut("######### - AP_Param.sRetrytable is %s\n", path.c_str());
    std::uint8_t buffer[kRecordBytes + kRetryFileBytes] = {};
    std::string data;
    if (loader::ReadFileBounded(path.c_str(), data, kRetryFileBytes)) {
        std::memcpy(buffer + kRecordBytes, data.data(), data.size());
    } else {
        TraceOut("Read AP_Param.sRetrytable fail \n");
    }
    char key[16];
    std::snprintf(key, sizeof key, "%s%03d", bin.c_str(), AP_FlashSet.bNandMem);
    const std::size_t keyLength = std::min<std::size_t>(std::strlen(key), kRecordBytes);
    std::size_t records = 0;
    for (std::size_t pos = 0; pos < kRetryFileBytes - 1; pos += kRecordBytes) {
        if (std::memcmp(buffer + pos, key, keyLength) == 0) break;
        ++records;
    }
    {
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        AP_RDTSet.TLCShiftReadCnt = static_cast<std::uint8_t>(records);
    }
    std::memcpy(area, buffer, kRetryAreaBytes);
    return 1;
}

bool GetRetry(std::uint8_t* area) {
    TraceOut(" GetRetry \n");
    std::memset(area, 0xAA, kRetryAreaBytes);
    const std::uint8_t type = AP_RDTSet.Retrytype;
    TraceOut("Retry(%d),  \n", type);
    const std::string bin = BinType();
    int table = 0;
    int tlc = 0;  // -1: as the table leaves it
    int slc = 0;
    if (bin == "BIC3") {
        if (type == 1) table = 1, tlc = -1;
        if (type == 2) table = 2, tlc = -1, slc = 8;
    } else if (bin == "BIC4") {
        if (type == 2) table = 2, tlc = -1;
    } else if (bin == "B16A" || bin == "B17A") {
        if (type == 1) table = 1, tlc = -1;
        if (type == 2) tlc = 16;
    }
    if (table != 0) GetRetryTable(area, static_cast<std::uint8_t>(table));
    std::uint8_t tlcCount = 0;
    {
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        if (tlc >= 0) AP_RDTSet.TLCShiftReadCnt = static_cast<std::uint8_t>(tlc);
        AP_RDTSet.SLCShiftReadCnt = static_cast<std::uint8_t>(slc);
        tlcCount = AP_RDTSet.TLCShiftReadCnt;
    }
    TraceOut("bTLCShiftReadCnt = %d \n", tlcCount);
    TraceOut("bSLCShiftReadCnt = %d \n", slc);
    return true;
}

void SetRDT(std::uint8_t* page, int bInstance, const char* serialNumber) {
    TraceOut(" SetRDT \n");
    const AP_RDTSet_t& r = AP_RDTSet;
    const bool debug = r.DebugMode != 0;
    const bool mlc = MlcCase();
    std::memcpy(page, "SORT", 4);
    page[4] = 0;
    page[5] = 0;
    PutLe16(page + 6, 0);
    PutLe16(page + 8, debug ? r.DeBugBBPerPlane : r.SortMaxBadBlockPerPlane);
    PutLe16(page + 10, debug ? r.DeBugBBPerDie : r.SortMaxBadBlockPerDie);
    page[12] = r.EnRDTTask;
    page[13] = r.EnScanFactoryBad;
    PutLe16(page + 14, mlc ? r.LDPCMLCThreshold : r.LDPCTLCThreshold);
    page[16] = r.EnRDTSetRunTime != 0 ? 1 : 0;
    PutLe16(page + 17, r.EnRDTSetRunTime != 0 ? r.NANDTestTime : 0);
    std::memset(page + kSerialOffset, 0, kSerialBytes);
    if (serialNumber != nullptr) std::memcpy(page + kSerialOffset, serialNumber, ::strnlen(serialNumber, kSerialBytes));
    PutLe16(page + 67, debug ? r.DeBugReadPerPlane : r.SortMaxReadFailBlock);
    page[69] = r.EnEraseAll;
    page[70] = r.EnNANDTestLoop;
    page[71] = r.DRAMTestTime != 0 ? 1 : 0;
    page[72] = r.LED_Feature;
    PutLe32(page + 73, AP_FlashSet.ucFlashType == 0 ? r.NAND_SLCTestLoops : r.NANDTotalTestLoops);
    PutLe16(page + 77, r.DRAMTestTime);
    const std::uint16_t lights[] = {r.RunLightOn_10MilliSec,   r.RunLightOff_10MilliSec, r.PassLightOn_10MilliSec,
                                    r.PassLightOff_10MilliSec, r.FailLightOn_10MilliSec, r.FailLightOff_10MilliSec};
    for (int i = 0; i < 6; ++i) PutLe16(page + 79 + 2 * i, lights[i]);
    PutLe16(page + 91, debug ? r.DeBugPgPerPlane : r.SortPgFailPerPlane);
    PutLe16(page + 93, debug ? r.DeBugErasePerPlane : r.SortEraseFailPerPlane);
    const std::uint16_t patterns[] = {r.Test_Pattern_Value1, r.Test_Pattern_Value2, r.Test_Pattern_Value3,
                                      r.Test_Pattern_Value4, r.Test_Pattern_Value5};
    std::size_t slot = 95;
    for (int bit = 0; bit < 5; ++bit) {
        if ((r.bPattern_Index4UI & (1U << bit)) == 0) continue;
        PutLe16(page + slot, patterns[bit]);
        slot += 2;
    }
    PutLe16(page + 105, r.wSpecialTestCase);
    page[107] = r.Pattern_Feature;
    page[108] = r.FastRDTSort;
    PutLe16(page + 109, r.RdtMaxFactoryBadBlockPerDie);
    page[111] = r.LED_OP;
    PutLe16(page + 112, AP_FlashSet.ucFlashType == 0 ? r.SLCReadLoop : r.NonSLCReadLoop);
    PutLe16(page + 114, static_cast<std::uint16_t>(r.NAND_SLCTestLoops));
    page[116] = r.SkipProgStatus;
    page[117] = r.SkipEraseStatus;
    page[118] = r.ShowNandStatus;
    PutLe16(page + 119, r.tProgThreshold);
    {
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        page[121] = r.TLCShiftReadCnt;
        page[122] = r.SLCShiftReadCnt;
    }
    PutLe16(page + 123, r.TLCtProgThreshold);
    PutLe16(page + 125, r.LED_AddLoopThFail_LightOn);
    PutLe16(page + 127, r.LED_AddLoopThFail_LightOff);
    PutLe16(page + 129, r.LED_OnlyLoopThFail_LightOn);
    PutLe16(page + 131, r.LED_OnlyLoopThFail_LightOff);
    page[133] = r.LED_lastLoopCheck;
    PutLe16(page + 134, r.TLCtProgThAssigmPage);
    PutLe16(page + 136, r.TLCtProgPageStart);
    PutLe16(page + 138, r.TLCtProgPageEnd);
    PutLe16(page + 140, r.SLCReadLoop);
    page[142] = static_cast<std::uint8_t>(mlc ? r.LDPCSLC_MThreshold : r.LDPCSLCThreshold);
    PutLe16(page + 143, loader::PortValid(bInstance) ? AP_Instance[bInstance].wSysBU : 0);
    if (r.Block_RW <= 2) page[145] = r.Block_RW;
    page[147] = r.EnDummyRead;
    page[148] = r.Retrytype;
    page[149] = r.EnPECycle;
    PutLe16(page + 150, r.PEBlockUStart);
    PutLe16(page + 152, r.PEBlockUEnd);
    PutLe16(page + 154, r.SLC_CustomPageLevel);
    PutLe16(page + 156, r.TLC_CustomPageLevel);
    PutLe16(page + 158, r.CustomFullBlockUStar);
    PutLe16(page + 160, r.CustomFullBlockUEnd);
    page[162] = r.FBB_Level;
    page[163] = r.PowerThrottle;
    page[164] = r.MarkCacheFailDie;
    {
        // The stage cannot pass the block units of a die; the lowered value is kept for later pages.
        const std::uint32_t dies = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        std::uint16_t stage = AP_RDTSet.BlockUnitStageWR;
        if (AP_FlashSet.ucPlanes != 0) {
            const auto units = static_cast<std::uint16_t>(AP_FlashSet.wBlocks / dies / AP_FlashSet.ucPlanes);
            if (stage > units) {
                stage = units;
                AP_RDTSet.BlockUnitStageWR = units;
            }
        }
        PutLe16(page + 165, stage);
    }
    page[167] = r.EnFastBlockCheck;
    PutLe16(page + 168, r.FastBlockCheckLoop);
    page[170] = r.FastBlock_CSBits;
    page[171] = r.StepTestCheck;
    page[172] = r.N18ReclaimCheck;
    PutLe16(page + 173, r.DelaySectoRun);
    page[175] = r.RecordLastLoop;
    page[176] = r.RecordMinErrBit;
    page[177] = r.EnableUartLog;
    page[178] = r.BadBlockOverstop;
    PutLe16(page + 179, r.tProgStartBU);
    PutLe16(page + 181, r.tProgEndBU);
    const bool partial = AP_INIState.EnPartialTbl != 0;
    PutLe16(page + 183, partial ? r.SortAllBadBlockPerDrive : 0);
    PutLe16(page + 185, partial ? r.SortEraseFailPerDrive : 0);
    PutLe16(page + 187, partial ? r.SortProgFailPerDrive : 0);
    PutLe16(page + 189, r.tReadThreshold);
    PutLe16(page + 191, r.TLCtReadThreshold);
    PutLe16(page + 193, r.tReadThresholdLower);
    PutLe16(page + 195, r.tProgThresholdLower);
    PutLe16(page + 197, r.TLCtReadThresholdLower);
    PutLe16(page + 199, r.TLCtProgThresholdLower);
    TraceOut("Tprog SLC Upper %d, Lower %d\n", r.tProgThreshold, r.tProgThresholdLower);
    TraceOut("Tprog NonSLC Upper %d, Lower %d\n", r.TLCtProgThreshold, r.TLCtProgThresholdLower);
    TraceOut("Tread SLC Upper %d, Lower %d\n", r.tReadThreshold, r.tReadThresholdLower);
    TraceOut("Tread NonSLC Upper %d, Lower %d\n", r.TLCtReadThreshold, r.TLCtReadThresholdLower);
}

void GetMPTSet(std::uint8_t* area) {
    TraceOut(" GetMPTSet \n");
    std::memcpy(area, "AUTOGETNANDINFO", 15);
    const std::size_t len = ::strnlen(AP_FlashSet.sFlashFullName, sizeof AP_FlashSet.sFlashFullName);
    area[15] = static_cast<std::uint8_t>(len);
    std::memcpy(area + 16, AP_FlashSet.sFlashFullName, len);
    std::memcpy(area + 48, AP_OtSet.sMPTVer, 16);
    std::memcpy(area + 64, AP_OtSet.sGDPVer, 16);
    std::memcpy(area + 80, AP_OtSet.sMPTime, 16);
    std::memcpy(area + 96, AP_OtSet.sRDTVer, 16);
}

bool VP_WritePatternPage(int bInstance, const char* serialNumber, std::uint8_t* page) {
    TraceOut("[SORT] sizeof(RDT_PATTERN_PAGE) = %d \n ", static_cast<int>(kPatternPageBytes));
    TraceOut("[SORT] sizeof(RDT_SETTING) = %d \n ", static_cast<int>(kRdtSettingBytes));
    const std::size_t bytes = loader::PageBytes();
    if (!loader::PortValid(bInstance) || page == nullptr || bytes < loader::kInfoBytes) return false;
    std::memset(page, 0xAA, bytes);
    if (!GetRetry(page + kRetryAreaOffset)) return false;
    SetRDT(page, bInstance, serialNumber);
    GetMPTSet(page + kTagAreaOffset);
    DumpRawFile("05_Write_Pattern.raw", page, bytes);
    for (int index = 4; index <= 8; ++index) {
        if (!VP_WriteDataToLoaderBlock(bInstance, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1, page,
                                       AP_FlashSet.bPageSector)) {
            TraceOut("VP DownloadToLoaderBlock Fail - VP_WritePatternPage\n");
            return false;
        }
    }
    std::memset(page, 0x5A, bytes);
    TraceOut("[SORT] %s[write dummy page][S] Pattern page dummy  0x5A page  %d -> %d\n", std::string(49, '=').c_str(),
             9, 87);
    for (int index = 9; index <= 87; ++index) {
        if (!VP_WriteDataToLoaderBlock(bInstance, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1, page,
                                       AP_FlashSet.bPageSector)) {
            return false;
        }
    }
    TraceOut("[SORT] %swrite dummy page \n", std::string(110, '=').c_str());
    return true;
}
