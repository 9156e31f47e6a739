// [FwSetting]: the firmware and flash-management parameters that go into the parameter images and
// tables, and the switches of the pre-format and inheritance modes.

#include "settings/idema_capacity.h"
#include "settings/ini_sections.h"
#include "settings/records.h"
#include "settings/section_table.h"
#include "transport/trace.h"

namespace {

using namespace settings::sections;

constexpr const char* kSection = "FwSetting";

// Written keys in the writer's order, then the keys the writer never puts back. Hex keys are
// written with eight digits.
constexpr KeyRule kRules[] = {
    Int("DefPercentage", 30, Num(AP_INIState.DefPercentage), Put::Dec),
    Int("ResPercentage", 68, Num(AP_INIState.ResPercentage), Put::Dec),
    Int("DiffRatioRange", 38, Num(AP_INIState.DiffRatioRange), Put::Dec),
    Int("EnKeepEraseCount", 0, Num(AP_INIState.EnKeepEraseCount), Put::Dec),
    Int("EnKeepSmartInfo", 0, Num(AP_INIState.EnKeepSmartInfo), Put::Dec).In("Setting"),
    Int("MergeBUNUM", 5, Num(AP_INIState.MergeBUNUM), Put::Dec),
    Int("LastBadRation", 10, Num(AP_INIState.LastBadRation), Put::Dec),
    Int("IDEMACapacity", 32, Num(AP_INIState.IDEMACapacity), Put::Dec),
    Int("LDPCRate1ReadEmptyThreshold", 78, Num(AP_FwSet.LDPCRate1ReadEmptyThreshold), Put::Dec),
    Int("LDPCRate2ReadEmptyThreshold", 72, Num(AP_FwSet.LDPCRate2ReadEmptyThreshold), Put::Dec),
    Int("LDPCRate3ReadEmptyThreshold", 66, Num(AP_FwSet.LDPCRate3ReadEmptyThreshold), Put::Dec),
    Int("LDPCRate4ReadEmptyThreshold", 36, Num(AP_FwSet.LDPCRate4ReadEmptyThreshold), Put::Dec),
    Int("RemapEnable", 1, Num(AP_INIState.RemapEnable), Put::Dec),
    Int("EnTrimCmd", 1, Num(AP_INIState.EnTrimCmd), Put::Dec),
    Hex("ManufactureID", 0, Num(AP_INIState.ManufactureID), Put::Hex08),
    Hex("ProductionID", 0, Num(AP_INIState.ProductionID), Put::Hex08),
    Hex("G1_Emphasis", 0xFF000, Num(AP_INIState.G1_Emphasis), Put::Hex08),
    Hex("G1_Amplitude", 0x536006, Num(AP_INIState.G1_Amplitude), Put::Hex08),
    Hex("G2_Emphasis", 0xFF000, Num(AP_INIState.G2_Emphasis), Put::Hex08),
    Hex("G2_Amplitude", 0x536006, Num(AP_INIState.G2_Amplitude), Put::Hex08),
    Hex("G3_Emphasis", 0xFF000, Num(AP_INIState.G3_Emphasis), Put::Hex08),
    Hex("G3_Amplitude", 0x536006, Num(AP_INIState.G3_Amplitude), Put::Hex08),
    Int("LimitNVMeSpeed", 52, Num(AP_INIState.LimitNVMeSpeed), Put::Dec),
    Int("CloseBlockRefreshThreshold", 0, Num(AP_INIState.CloseBlockRefreshThreshold), Put::Dec),
    Int("HeaderBlockRefreshThreshold", 0, Num(AP_INIState.HeaderBlockRefreshThreshold), Put::Dec),
    Int("ecnt_thrshd0", 500, Num(AP_INIState.ecnt_thrshd0), Put::Dec),
    Int("ecnt_thrshd1", 500, Num(AP_INIState.ecnt_thrshd1), Put::Dec),
    Int("ecnt_thrshd2", 500, Num(AP_INIState.ecnt_thrshd2), Put::Dec),
    Int("ecnt_thrshd3", 500, Num(AP_INIState.ecnt_thrshd3), Put::Dec),
    Int("throttle_max_dies", 32, Num(AP_INIState.throttle_max_dies), Put::Dec),
    Int("throttle_lv_high", 90, Num(AP_INIState.throttle_lv_high), Put::Dec),
    Int("throttle_lv_mid", 65, Num(AP_INIState.throttle_lv_mid), Put::Dec),
    Int("throttle_HYST", 5, Num(AP_INIState.throttle_HYST), Put::Dec),
    Int("TempDiff", 0, Num(AP_INIState.TempDiff), Put::Dec),
    Int("FixSLC_BU", 0, Num(AP_INIState.FixSLC_BU), Put::Dec),
    Int("FWBlkQnty", 21, Num(AP_INIState.wFW_BLKQnty), Put::Dec),
    Int("TBLBlkQnty", 0, Num(AP_INIState.TBLBlkQnty), Put::Dec),
    Int("CodeBlockThreshold", 0, Num(AP_INIState.CodeBlockThreshold), Put::Dec),
    Int("Read_Disturb", 0, Num(AP_INIState.Read_Disturb), Put::Dec),
    Int("CapacitySectorHigh", 0, Num(AP_INIState.CapacitySectorHigh), Put::Dec),
    Int("CapacitySectorLow", 0, Num(AP_INIState.CapacitySectorLow), Put::Dec),
    Int("EnIoPadTimingSettingProfile", 0, Num(AP_FwSet.EnIoPadTimingSettingProfile), Put::Dec),
    Int("Set_Timingmode", 0, Num(AP_FwSet.Set_Timingmode), Put::Dec),
    Int("EnSPI", 0, Num(AP_INIState.EnSPI), Put::Dec),
    Int("EnSuperDie", 0, Num(AP_INIState.EnSuperDie), Put::Dec),
    Int("PureSLC", 0, Num(AP_INIState.PureSLC), Put::Dec),
    Int("PureTLC", 0, Num(AP_INIState.PureTLC), Put::Dec),
    Int("EnPowerLossDetect", 0, Num(AP_INIState.EnPowerLossDetect), Put::Dec),
    Int("EnPowerLossProtect", 0, Num(AP_INIState.EnPowerLossProtect), Put::Dec),
    Int("EnWriteProtectAbort", 0, Num(AP_INIState.EnWriteProtectAbort), Put::Dec),
    Int("EnWriteProtectGPIO", 1, Num(AP_INIState.EnWriteProtectGPIO), Put::Dec),
    Int("EnQuickErase", 0, Num(AP_INIState.EnQuickErase), Put::Dec),
    Int("DisableUartOutput", 0, Num(AP_INIState.DisableUartOutput), Put::Dec),
    Int("ASPM_Mode", 0, Num(AP_INIState.ASPM_Mode), Put::Dec),
    Int("EnASPM_L1_1", 0, Num(AP_INIState.EnASPM_L1_1), Put::Dec),
    Int("EnASPM_L1_2", 0, Num(AP_INIState.EnASPM_L1_2), Put::Dec),
    Int("MPChannel", 4, Num(AP_INIState.MPChannel), Put::Dec),
    Int("MPBank", 1, Num(AP_INIState.MPBank), Put::Dec),
    Int("MPFwBankSet0", 0, Num(AP_INIState.MPFwBankSet[0]), Put::Dec),
    Int("MPFwBankSet1", 1, Num(AP_INIState.MPFwBankSet[1]), Put::Dec),
    Int("MPFwBankSet2", 2, Num(AP_INIState.MPFwBankSet[2]), Put::Dec),
    Int("MPFwBankSet3", 3, Num(AP_INIState.MPFwBankSet[3]), Put::Dec),
    Int("MPFwChannelSet0", 0, Num(AP_INIState.MPFwChannelSet[0]), Put::Dec),
    Int("MPFwChannelSet1", 1, Num(AP_INIState.MPFwChannelSet[1]), Put::Dec),
    Int("MPFwChannelSet2", 2, Num(AP_INIState.MPFwChannelSet[2]), Put::Dec),
    Int("MPFwChannelSet3", 3, Num(AP_INIState.MPFwChannelSet[3]), Put::Dec),
    Int("MPFwChannelSet4", 4, Num(AP_INIState.MPFwChannelSet[4]), Put::Dec),
    Int("MPFwChannelSet5", 5, Num(AP_INIState.MPFwChannelSet[5]), Put::Dec),
    Int("MPFwChannelSet6", 6, Num(AP_INIState.MPFwChannelSet[6]), Put::Dec),
    Int("MPFwChannelSet7", 7, Num(AP_INIState.MPFwChannelSet[7]), Put::Dec),
    Int("DMT_Qnty", 5, Num(AP_INIState.DMT_Qnty), Put::Dec),
    Int("QBT_Qnty", 3, Num(AP_INIState.QBT_Qnty), Put::Dec),
    Int("EnVD", 0, Num(AP_INIState.EnVD), Put::Dec),
    Int("SWLThreshold", 64, Num(AP_INIState.SWLThreshold), Put::Dec),
    Int("SwitchEcThreshold", 64, Num(AP_INIState.SwitchEcThreshold), Put::Dec),
    Int("CutType", 0, Num(AP_INIState.CutType), Put::Dec),
    Int("DisableLPS", 1, Num(AP_INIState.DisableLPS), Put::Dec),
    Int("EraseAllType", 0, Num(AP_INIState.EraseAllType), Put::Dec),
    Int("EnFactoryBad", 0, Num(AP_INIState.EnFactoryBad), Put::Dec),
    Int("EnInheritFW", 0, Num(AP_INIState.EnInheritFW), Put::Dec),
    Int("EnEraseSearch", 1, Num(AP_INIState.EnEraseSearch), Put::Dec),
    Int("EnInheritRDT", 0, Num(AP_INIState.EnInheritRDT), Put::Dec),
    Int("EnInheritSorting", 0, Num(AP_INIState.EnInheritSorting), Put::Dec),
    Int("EnAutoInherit", 0, Num(AP_INIState.EnAutoInherit), Put::Dec),
    Int("DramSize", 0, Num(AP_INIState.dwDramSize), Put::Dec),
    Int("EnDRAMless", 0, Num(AP_INIState.EnDRAMless), Put::Dec),
    Int("DisableHMB", 0, Num(AP_INIState.DisableHMB), Put::Dec),
    Int("EnUnbalance", 0, Num(AP_INIState.EnUnbalance), Put::Dec),
    Int("NandTempSelect", 0, Num(AP_INIState.NandTempSelect), Put::Dec),
    Int("NandTempHigh", 0, Num(AP_INIState.NandTempHigh), Put::Dec),
    Int("NandTempLow", 0, Num(AP_INIState.NandTempLow), Put::Dec),
    Int("SetFeatureSettingProfile", 0, Num(AP_FwSet.SetFeatureSettingProfile), Put::Dec),

    // Capacity, budgets and remap values that are read only.
    Int("ManualDefPercentage", 0, Num(AP_INIState.ManualDefPercentage)),
    Int("EnExtendBlock", 0, Num(AP_INIState.EnExtendBlock)),
    Int("GoodSuperBlockNum", 0, Num(AP_INIState.GoodSuperBlockNum)),
    Int("VDieRaidNum", 0, Num(AP_INIState.VDieRaidNum)),
    Int("Read_Disturb_Head", 0, Num(AP_INIState.Read_Disturb_Head)),
    Int("RemapFilter", 0, Num(AP_INIState.RemapFilter)),
    Int("RemapThreshold", 0, Num(AP_INIState.RemapThreshold)),
    Int("VirtRemapThreshold", 0, Num(AP_INIState.VirtRemapThreshold)),
    Int("RmpPartialTHR", 0, Num(AP_INIState.RmpPartialTHR)),
    Int("EnPartialTbl", 0, Num(AP_INIState.EnPartialTbl)),
    Int("PartialRemapPolicy", 0, Num(AP_INIState.PartialRemapPolicy)),
    Int("bVirCntPerDie", 1, Num(AP_INIState.bVirCntPerDie)),
    Int("bVirTblPerDie", 1, Num(AP_INIState.bVirTblPerDie)),
    Int("CheckRDTMode", 0, Num(AP_INIState.CheckRDTMode)),

    // Firmware features that are read only.
    Int("EnPowerState0", 0, Num(AP_INIState.EnPowerState0)),
    Int("EnPowerState1", 0, Num(AP_INIState.EnPowerState1)),
    Int("EnPowerState2", 0, Num(AP_INIState.EnPowerState2)),
    Int("EnPowerState3", 0, Num(AP_INIState.EnPowerState3)),
    Int("EnPowerState4", 0, Num(AP_INIState.EnPowerState4)),
    Int("SecurityMode", 0, Num(AP_INIState.SecurityMode)),
    Int("EnAES", 0, Num(AP_INIState.EnAES)),
    Int("EnIEEE", 0, Num(AP_INIState.EnIEEE)),
    Int("EnSM4", 0, Num(AP_INIState.EnSM4)),
    Int("EnE2E", 0, Num(AP_INIState.EnE2E)),
    Int("EnDeviceSleep", 0, Num(AP_INIState.EnDeviceSleep)),
    Int("EnDisableLBA48", 0, Num(AP_INIState.EnDisableLBA48)),
    Int("EnVestmarSmartC7", 0, Num(AP_INIState.EnVestmarSmartC7)),
    Int("EnLDRAttriBit", 7, Num(AP_INIState.EnLDRAttriBit)),
    Int("DisableHIPM", 0, Num(AP_INIState.DisableHIPM)),
    Int("DisableDIPM", 0, Num(AP_INIState.DisableDIPM)),
    Int("DisableSmartC2", 0, Num(AP_INIState.DisableSmartC2)),
    Int("EnAssertionHang", 0, Num(AP_INIState.EnAssertionHang)),
    Int("NoOpCode", 0, Num(AP_INIState.NoOpCode)),
    Int("CodeIdx", 0, Num(AP_INIState.CodeIdx)),
    Int("FWUpdate", 4, Num(AP_INIState.FWUpdate)),
    Int("NVMeQNumShift", 0, Num(AP_INIState.NVMeQNumShift)),
    Int("NVMeQDepth", 0, Num(AP_INIState.NVMeQDepth)),
    Int("IdleFlushTime", -1, Num(AP_INIState.IdleFlushTime)),
    Int("RefreshFreq", 0, Num(AP_INIState.RefreshFreq)),

    // Thermal values that are read only.
    Int("throttle_min_dies", 16, Num(AP_INIState.throttle_min_dies)),
    Int("ThrottleLevel", 0, Num(AP_INIState.ThrottleLevel)),
    Int("MaxThermal", 60, Num(AP_INIState.MaxThermal)),
    Int("MinThermal", 40, Num(AP_INIState.MinThermal)),
    Int("ThermalScale", 100, Num(AP_INIState.ThermalScale)),
    Int("ThermalDegreeBase", 30, Num(AP_INIState.ThermalDegreeBase)),
    Int("WarningTempThreshold", 0, Num(AP_INIState.WarningTempThreshold)),
    Int("CriticalTempThreshold", 0, Num(AP_INIState.CriticalTempThreshold)),
    Int("MaxTimeFirmwareActivation", 0, Num(AP_INIState.MaxTimeFirmwareActivation)),
    Int("ThermalSensorType", 0, Num(AP_FwSet.ThermalSensorType)),

    // Further firmware-record values that are read only.
    Int("NBTFlushPairPage", 0, Num(AP_FwSet.NBTFlushPairPage)),
    Int("EnRegMap", 0, Num(AP_FwSet.EnRegMap)),
    Int("CustomerID", 1, Num(AP_FwSet.CustomerID)),
    Int("CustomizeUserLBA", 0, Num(AP_FwSet.CustomizeUserLBA)),
    Int("SPI_IPC_Config", 0, Num(AP_FwSet.SPI_IPC_Config)),
    Int("HSPDThreshold", 10, Num(AP_FwSet.HSPDThreshold)),
    Int("IdleHandleTime", 30, Num(AP_FwSet.IdleHandleTime)),
};

}  // namespace

void ReadIniFwSetting(const char* path) {
    ReadRules(kSection, kRules, path);

    AP_INIState.fIDEMACapacity = settings::IdemaTenthsToCapacity(AP_INIState.IDEMACapacity);
    TraceOut("###Max Min %d %d ", AP_INIState.MaxThermal, AP_INIState.MinThermal);
    if (AP_FwSet.IdleHandleTime < 5) AP_FwSet.IdleHandleTime = 5;

    // A pre-format mode chosen in [Setting] selects exactly one of five switches.
    const std::uint8_t mode = AP_INIState.EnKeepPFormatSetting;
    if (mode != 0) {
        AP_INIState.EnFactoryBad = mode == 1 ? 1 : 0;
        AP_INIState.EnInheritFW = mode == 2 ? 1 : 0;
        AP_INIState.EnEraseSearch = mode == 3 ? 1 : 0;
        AP_INIState.EnInheritRDT = mode == 4 ? 1 : 0;
        AP_INIState.EnAutoInherit = mode == 5 ? 1 : 0;
    }
}

void WriteIniFwSetting(const char* path) {
    AP_INIState.IDEMACapacity = settings::IdemaCapacityToTenths(AP_INIState.fIDEMACapacity);
    WriteRules(kSection, kRules, path);
}
