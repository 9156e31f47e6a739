#include "settings/flash_param.h"

#include <cstring>

#include "settings/flash_record.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

// Copies a text field into a fixed field, cut to the destination and always terminated.
template <std::size_t D, std::size_t S>
std::size_t CopyText(char (&destination)[D], const char (&source)[S]) {
    std::size_t n = ::strnlen(source, S);
    if (n > D - 1) n = D - 1;
    std::memmove(destination, source, n);
    destination[n] = '\0';
    return n;
}

// Number of halvings that bring x down to 1 (0 for 0 and 1).
std::uint8_t Lg(std::uint32_t x) {
    std::uint8_t n = 0;
    while (x > 1) {
        x >>= 1;
        ++n;
    }
    return n;
}

// Lg, plus one when x is not a power of two.
std::uint8_t Clg(std::uint32_t x) {
    return static_cast<std::uint8_t>(Lg(x) + ((x & (x - 1)) != 0 ? 1 : 0));
}

// Fits SerialNum so that prefix + serial + suffix is SNLength characters long.
void FitSerialNumber(AP_INIState_t& s) {
    const std::size_t p = ::strnlen(s.SerialNumPrefix, sizeof s.SerialNumPrefix);
    const std::size_t n = ::strnlen(s.SerialNum, sizeof s.SerialNum - 1);
    const std::size_t x = ::strnlen(s.SerialNumSuffix, sizeof s.SerialNumSuffix);
    const std::size_t length = s.SNLength;
    if (p + x > length || length - p - x > sizeof s.SerialNum - 1) {
        TraceOut("######### - SerialNum %.*s can't fit SNLength %d (prefix %d, suffix %d characters)",
                 static_cast<int>(n), s.SerialNum, static_cast<int>(length), static_cast<int>(p), static_cast<int>(x));
        return;
    }
    s.SerialNum[n] = '\0';
    if (p + n + x < length) {
        const std::size_t pad = length - p - n - x;
        std::memmove(s.SerialNum + pad, s.SerialNum, n + 1);
        std::memset(s.SerialNum, '0', pad);
    } else {
        const std::size_t drop = p + n + x - length;
        std::memmove(s.SerialNum, s.SerialNum + drop, n - drop + 1);
    }
}

void CopyRecord(const FlashRecord_t& r, AP_INIState_t& s) {
    if (CopyText(s.FlashUniName, r.FlashUniName) < ::strnlen(r.FlashUniName, sizeof r.FlashUniName)) {
        TraceOut("######### - FlashUniName %.32s is cut to %d characters", r.FlashUniName,
                 static_cast<int>(sizeof s.FlashUniName - 1));
    }
    AP_FlashSet_t& f = AP_FlashSet;
    f.ucFlashVendor = r.ucFlashVendor;
    f.ucFlashType = r.ucFlashType;
    f.wBlocks = r.wBlocks;
    f.wPages = r.wPages;
    f.wPageSize = r.wPageSize;
    f.bPageSector = static_cast<std::uint8_t>(2 * (r.wPageSize & 0xFF));
    f.ucDiePerCE = r.ucDiePerCE;
    f.ucCE = r.ucCE;
    f.ucPlanes = r.ucPlanes;
    if (r.ucPlanes == 0 || r.ucDiePerCE == 0) {
        TraceOut("######### - Flash record has %d planes and %d dies per CE!", r.ucPlanes, r.ucDiePerCE);
        f.wDieUnit = 0;
    } else {
        f.wDieUnit = static_cast<std::uint16_t>(r.wBlocks / r.ucPlanes / r.ucDiePerCE);
    }
    f.wExtendBlocks = s.EnExtendBlock == 0 ? 0 : r.wExtendBlocks;
    f.wLunBlockOffset = r.wLunBlockOffset;
    f.ucLdpcMode = r.ucLdpcMode;
    std::memcpy(f.aFlashID, r.aFlashID, sizeof f.aFlashID);
    f.ucFlashInterface = r.ucFlashInterface;
    f.bNandMem = r.bNandMem;
    f.ucChannel = s.MPChannel;
    f.ucBankNum = s.MPBank;
    f.dwFlashOption = r.dwFlashOption;
    CopyText(f.sFlashFullName, r.sFlashFullName);
}

void SetCellVariant(AP_INIState_t& s) {
    const std::size_t n = ::strnlen(AP_FlashSet.sFlashFullName, sizeof AP_FlashSet.sFlashFullName);
    const char last = n > 0 ? AP_FlashSet.sFlashFullName[n - 1] : '\0';
    s.bIsETLC = last == 'e' ? 1 : 0;
    s.bIsITLC = last == 'i' ? 1 : 0;
    if (s.bIsETLC) TraceOut("Is - eTLC");
    if (s.bIsITLC) TraceOut("Is - iTLC");
}

void SetRowShifts() {
    AP_FlashSet_t& f = AP_FlashSet;
    f.bRowPlaneShift = Lg(f.ucPlanes);
    const std::uint32_t blocksPerDie = f.ucDiePerCE == 0 ? 0U : f.wBlocks / f.ucDiePerCE;
    const std::uint8_t blockBits = Clg(blocksPerDie);
    if (blockBits < f.bRowPlaneShift) {
        TraceOut("######### - %d blocks per die is below %d planes!", static_cast<int>(blocksPerDie), f.ucPlanes);
        f.bRowBlockShift = 0;
    } else {
        f.bRowBlockShift = static_cast<std::uint8_t>(blockBits - f.bRowPlaneShift);
    }
    if (f.ucFlashType == 2) {
        if (f.ucFlashVendor == 0 || f.ucFlashVendor == 4) f.bRowPageShift = Clg(f.wPages);
        if (f.ucFlashVendor == 2 || f.ucFlashVendor == 5) f.bRowPageShift = Clg(f.wPages / 3U);
    }
}

// [FlashSetting] DefaultTiming and BestTiming by the flash interface.
void SelectTiming(AP_INIState_t& s) {
    switch (AP_FlashSet.ucFlashInterface) {
        case 1:
        case 6:
            s.DefaultTiming = 3;
            s.BestTiming = 3;
            break;
        case 2:
            break;
        case 3:
        case 5:
            s.DefaultTiming = 0;
            s.BestTiming = 1;
            break;
        case 7:
            s.DefaultTiming = 1;
            s.BestTiming = 1;
            break;
        case 8:
            s.DefaultTiming = 0;
            s.BestTiming = 2;
            break;
        case 9:
            s.DefaultTiming = 0;
            s.BestTiming = 3;
            break;
        case 10:
            s.DefaultTiming = 2;
            s.BestTiming = 2;
            break;
        default:
            s.DefaultTiming = 0;
            s.BestTiming = 0;
            break;
    }
}

void TraceGeometry(const AP_INIState_t& s) {
    const AP_FlashSet_t& f = AP_FlashSet;
    TraceOut("######### - AP_INIState.FlashUniName is %s", s.FlashUniName);
    const struct {
        const char* name;
        unsigned value;
    } lines[] = {
        {"ucFlashVendor", f.ucFlashVendor},
        {"ucFlashType", f.ucFlashType},
        {"wBlocks", f.wBlocks},
        {"wPages", f.wPages},
        {"wPageSize", f.wPageSize},
        {"bPageSector", f.bPageSector},
        {"wSpareByte", f.wSpareByte},
        {"ucDiePerCE", f.ucDiePerCE},
        {"ucCE", f.ucCE},
        {"ucPlanes", f.ucPlanes},
        {"wDieUnit", f.wDieUnit},
        {"ucLdpcMode", f.ucLdpcMode},
        {"ucChannel", f.ucChannel},
        {"ucBankNum", f.ucBankNum},
    };
    for (const auto& line : lines)
        TraceOut("######### - AP_FlashSet.%s is %d", line.name, static_cast<int>(line.value));
    TraceOut("######### - AP_FlashSet.sFlashFullName is %s", f.sFlashFullName);
    TraceOut("######### - AP_FlashSet.bRowBlockShift is %d", f.bRowBlockShift);
    TraceOut("######### - AP_FlashSet.bRowPageShift is %d", f.bRowPageShift);
    TraceOut("######### - AP_FlashSet.bRowPlaneShift is %d", f.bRowPlaneShift);
}

void FillFeatureSet(const AP_INIState_t& s) {
    AP_FwFeatureSet_t& x = AP_FwFeatureSet;
    x.RemapEnable = s.RemapEnable;
    x.PureSLC = s.PureSLC;
    x.EnPowerLossDetect = s.EnPowerLossDetect;
    x.EnPowerLossProtect = s.EnPowerLossProtect;
    x.EnWriteProtectAbort = s.EnWriteProtectAbort;
    x.EnWriteProtectGPIO = s.EnWriteProtectGPIO;
    x.EnQuickErase = s.EnQuickErase;
    x.DisableUartOutput = s.DisableUartOutput;
    x.EnPowerState0 = s.EnPowerState0;
    x.EnPowerState1 = s.EnPowerState1;
    x.EnPowerState2 = s.EnPowerState2;
    x.EnPowerState3 = s.EnPowerState3;
    x.EnPowerState4 = s.EnPowerState4;
    x.ASPM_Mode = s.ASPM_Mode;
    x.EnASPM_L1_1 = s.EnASPM_L1_1;
    x.EnASPM_L1_2 = s.EnASPM_L1_2;
    x.SecurityMode = s.SecurityMode;
    x.EnAES = s.EnAES;
    x.EnIEEE = s.EnIEEE;
    x.EnSM4 = s.EnSM4;
}

// Shifts of the known flash types; -1 leaves the value as it was.
struct BinTypeShifts {
    const char* type;
    int qbt, lun, page, block, stpu;
};
constexpr BinTypeShifts kBinTypes[] = {
    {"BIC2", 3, 2, -1, -1, -1}, {"BIC3", 3, 2, 10, 11, 6}, {"B16A", 3, 1, 12, 9, 6},
    {"B17A", 3, 2, 12, 9, 7},   {"B27A", 2, 2, 13, 8, 7},  {"B27B", 2, 2, 12, 9, 7},
    {"B0KB", -1, 1, 11, 9, 7},  {"L06B", -1, 1, 10, 9, 7}, {"BIC4", 3, 2, 11, 11, 6},
};

void ApplyBinType(AP_INIState_t& s) {
    char binType[5] = {};
    std::memcpy(binType, s.FlashUniName, ::strnlen(s.FlashUniName, 4));
    TraceOut("FlashBINType = %s", binType);
    for (const BinTypeShifts& t : kBinTypes) {
        if (std::strcmp(binType, t.type) != 0) continue;
        auto set = [](std::uint8_t& field, int value) {
            if (value >= 0) field = static_cast<std::uint8_t>(value);
        };
        set(s.QBT_Qnty, t.qbt);
        set(AP_FlashSet.bRowLunShift, t.lun);
        set(AP_FlashSet.bPageShift, t.page);
        set(AP_FlashSet.bBlockShift, t.block);
        set(AP_FlashSet.bStpuShift, t.stpu);
        break;
    }
}

void TakeParaValues(AP_INIState_t& s) {
    const AP_ParaSet_t& p = AP_ParaSet;
    s.wHSPDCapacity = p.HSPD_CAPACITY;
    s.dwDynamicCacheOnce = p.DCO;
    s.DMT_Qnty = static_cast<std::uint8_t>(p.DMT_BU & 0xFF);
    s.TBLBlkQnty = static_cast<std::uint8_t>(p.TABLE_BU & 0xFF);
    s.FixSLC_BU = p.FIX_SLC_BU;
    s.EnVD = p.EN_VD;
    s.VDieRaidNum = p.VD_NUM;
    s.MergeBUNUM = p.MERGE_BU;
    s.ucRollRate = p.ROLL_RATE;
    s.LastBadRation = p.LAST_BAD_RATION;
    s.Read_Disturb = p.READ_DISTURB;
    s.Read_Disturb_Head = p.READ_DISTURB_HEAD;
    s.throttle_max_dies = static_cast<std::uint8_t>(p.THROTTLE_MAX & 0xFF);
    s.throttle_min_dies = static_cast<std::uint8_t>(p.THROTTLE_MIN & 0xFF);
    s.fIDEMACapacity = static_cast<float>(p.CAPACITY);
    TraceOut("######## - AP_INIState.wHSPDCapacity is %d", s.wHSPDCapacity);
    TraceOut("######## - AP_INIState.dwDynamicCacheOnce is %d", static_cast<int>(s.dwDynamicCacheOnce));
}

}  // namespace

void QV_UpdateGlobalParameter(std::uint16_t dwFlashIdx, AP_INIState_t& settings) {
    TraceOut("######### - QV_UpdateGlobalParameter dwFlashIdx is %d", dwFlashIdx);
    if (dwFlashIdx >= kFlashRecordMax) {
        TraceOut("######### - Flash index %d is outside the flash list!", dwFlashIdx);
        return;
    }
    const FlashRecord_t& record = g_FlashRecord[dwFlashIdx];
    AP_FlashSet_t& f = AP_FlashSet;

    CopyText(AP_FwSet.FirmwareVer, settings.FirmwareVer);
    CopyText(AP_FwSet.ModelNum, settings.ModelNum);
    CopyText(AP_FwSet.OUI, settings.OUI);
    CopyText(AP_FwSet.EUI64, settings.EUI64);

    if (settings.SNInputMode <= 2) FitSerialNumber(settings);

    CopyRecord(record, settings);
    SetCellVariant(settings);
    f.wSpareByte = record.wSpareByte;
    f.ucPageMapType = record.ucPageMapType;
    SetRowShifts();
    SelectTiming(settings);
    if (settings.TestMode != 0) f.ucBankNum = 1;
    TraceGeometry(settings);

    for (std::uint16_t k = 0; k < sizeof f.wPageMap / sizeof f.wPageMap[0]; ++k) f.wPageMap[k] = k;

    AP_FwSet.wDefRatio = settings.DefPercentage;
    AP_FwSet.wResRatio = settings.ResPercentage;
    FillFeatureSet(settings);

    ApplyBinType(settings);
    if (settings.EnDRAMless != 0) settings.VirtRemapThreshold = 8192;
    TraceOut("######### - AP_FlashSet.bRowLunShift is %d", f.bRowLunShift);
    TraceOut("######### - AP_FlashSet.bPageShift is %d", f.bPageShift);
    TraceOut("######### - AP_FlashSet.bBlockShift is %d", f.bBlockShift);
    TraceOut("######### - AP_FlashSet.bStpuShift is %d", f.bStpuShift);

    TakeParaValues(settings);

    const unsigned systemUnits = f.ucPlanes == 0 ? 0U : 4U / f.ucPlanes;
    settings.wFW_BLKQnty =
        static_cast<std::uint16_t>(systemUnits + settings.DMT_Qnty + settings.QBT_Qnty + settings.TBLBlkQnty + 2U);
    TraceOut("######### - AP_INIState.wFW_BLKQnty is %d", settings.wFW_BLKQnty);
}

bool GetLogicalChannel(std::uint8_t& channel) {
    const AP_INIState_t& s = AP_INIState;
    const std::size_t limit = sizeof s.MPFwChannelSet;
    const std::size_t count = s.MaxPhyChannel < limit ? s.MaxPhyChannel : limit;
    for (std::size_t i = 0; i < count; ++i) {
        if (s.MPFwChannelSet[i] == channel) {
            channel = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    return false;
}

bool GetLogicalCE(std::uint8_t& ce) {
    const AP_INIState_t& s = AP_INIState;
    const std::size_t limit = sizeof s.MPFwBankSet;
    const std::size_t wanted = static_cast<std::size_t>(s.MaxPhyBank) * AP_FlashSet.ucDiePerCE;
    const std::size_t count = wanted < limit ? wanted : limit;
    for (std::size_t i = 0; i < count; ++i) {
        if (s.MPFwBankSet[i] == ce) {
            ce = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    return false;
}
