// An empty settings file gives every key its default, in the record and width the key belongs to.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "settings/records.h"
#include "settings_fixture.h"

namespace {

using settings_test::ReadText;

struct Default {
    const char* name;
    std::function<std::int64_t()> actual;
    std::int64_t expected;
};

#define D(field, value)                                                \
    Default {                                                          \
#field, [] { return static_cast<std::int64_t>(field); }, value \
    }

// clang-format off
const Default kNumberDefaults[] = {
    // [Setting]
    D(AP_INIState.MPVersion, 0), D(AP_INIState.TimeOut, 12000000), D(AP_INIState.ConnectDevNum, 0),
    D(AP_INIState.EnKeepPFormatSetting, 0), D(AP_INIState.ToolMode, 0), D(AP_RDSetting.EnNoCheckBridge, 0),
    D(AP_INIState.EnNoCheckPartition, 0), D(AP_INIState.BarCodeInputMode, 0), D(AP_INIState.BarCodeInputMaxCnt, 0),
    D(AP_INIState.DevicePanelStyle, 0), D(AP_INIState.WindowSizeMode, 0), D(AP_INIState.EnWatermark, 0),
    D(AP_INIState.WatermarkLocation, 0), D(AP_INIState.EnKeepSmartInfo, 0),
    // [TestItems]
    D(AP_INIState.dwItemEnable[1], 1), D(AP_INIState.CheckFlashMask, 63), D(AP_INIState.EnCheckFlashID, 1),
    D(AP_INIState.EnCheckModuleCHCE, 1), D(AP_INIState.dwItemEnable[3], 0), D(AP_INIState.dwItemEnable[4], 0),
    D(AP_INIState.EnCheckSRAM, 1), D(AP_INIState.EnCheckLDPC, 1), D(AP_INIState.EnCheckNandReset, 1),
    D(AP_INIState.EnCheckDataPath, 1), D(AP_INIState.FlashTestDataPathThreshold, 0),
    D(AP_INIState.FlashTestDataPathLoop, 1), D(AP_INIState.EnCheckNandTime, 0), D(AP_INIState.dwItemEnable[6], 0),
    D(AP_INIState.dwItemEnable[7], 0), D(AP_INIState.dwItemEnable[8], 0), D(AP_INIState.dwItemEnable[9], 0),
    D(AP_INIState.dwItemEnable[10], 0), D(AP_INIState.dwItemEnable[11], 0), D(AP_INIState.dwItemEnable[13], 0),
    D(AP_INIState.dwItemEnable[12], 0), D(AP_INIState.dwItemEnable[15], 0), D(AP_INIState.SetMaxLBAValue, 0),
    D(AP_INIState.dwItemEnable[34], 0), D(AP_INIState.EnGenImage, 0), D(AP_INIState.dwItemEnable[17], 0),
    D(AP_INIState.CheckMaxTemperatureValue, 0), D(AP_INIState.EnCheckSnLength, 0),
    D(AP_INIState.CheckSnLengthValue, 12), D(AP_INIState.CheckPPIDLengthValue, 23), D(AP_INIState.EnCheckRemap, 0),
    D(AP_INIState.dwItemEnable[5], 0), D(AP_RDTSet.CheckPPTmode, 0), D(AP_INIState.RDTSearchRange, 1),
    D(AP_INIState.CheckFlashParam, 0), D(AP_INIState.FlashParamThreshold, 3), D(AP_INIState.ChecktProg, 0),
    D(AP_INIState.TProgramTimeThreshold, 500000),
    // [DeviceSetting]
    D(AP_INIState.SNLength, 13), D(AP_INIState.SNInputMode, 0), D(AP_INIState.EnMaxSN, 0),
    D(AP_INIState.EnSNMountTime, 0), D(AP_INIState.VendorID, AP_MAKER_PCI_VENDOR_ID), D(AP_INIState.DeviceID, 0x1001),
    D(AP_INIState.SubSysVendorID, AP_MAKER_PCI_VENDOR_ID), D(AP_INIState.SubSysID, 0x1001),
    D(AP_INIState.NVMeVendorID, AP_MAKER_PCI_VENDOR_ID), D(AP_INIState.NVMeSubSysVendorID, AP_MAKER_PCI_VENDOR_ID),
    D(AP_INIState.bDramProfile, 0), D(AP_INIState.MPTCodeBlkThreshold, 0), D(AP_INIState.EnNepIDCode, 0),
    // [FlashSetting]
    D(AP_INIState.Channel, 8), D(AP_INIState.Bank, 2), D(AP_INIState.FwBankSet[0], 0), D(AP_INIState.FwBankSet[3], 3),
    D(AP_INIState.FwChannelSet[0], 0), D(AP_INIState.FwChannelSet[5], 5), D(AP_INIState.FwChannelSet[7], 7),
    D(AP_INIState.DefaultTiming, 0), D(AP_INIState.BestTiming, 0), D(AP_INIState.Clock, 33),
    D(AP_INIState.SelectOnfi4, 0), D(AP_INIState.SandiskBic4ChangeID, 0),
    // [FwSetting]: capacity and ratios
    D(AP_INIState.DefPercentage, 30), D(AP_INIState.ResPercentage, 68), D(AP_INIState.DiffRatioRange, 38),
    D(AP_INIState.ManualDefPercentage, 0), D(AP_INIState.MergeBUNUM, 5), D(AP_INIState.LastBadRation, 10),
    D(AP_INIState.IDEMACapacity, 32), D(AP_INIState.CapacitySectorHigh, 0), D(AP_INIState.CapacitySectorLow, 0),
    D(AP_INIState.EnExtendBlock, 0),
    // block budgets
    D(AP_INIState.wFW_BLKQnty, 21), D(AP_INIState.TBLBlkQnty, 0), D(AP_INIState.FixSLC_BU, 0),
    D(AP_INIState.GoodSuperBlockNum, 0), D(AP_INIState.CodeBlockThreshold, 0), D(AP_INIState.DMT_Qnty, 5),
    D(AP_INIState.QBT_Qnty, 3), D(AP_INIState.EnVD, 0), D(AP_INIState.VDieRaidNum, 0), D(AP_INIState.Read_Disturb, 0),
    D(AP_INIState.Read_Disturb_Head, 0), D(AP_INIState.SWLThreshold, 64), D(AP_INIState.SwitchEcThreshold, 64),
    D(AP_INIState.CutType, 0), D(AP_INIState.DisableLPS, 1),
    // remap
    D(AP_INIState.RemapEnable, 1), D(AP_INIState.EnSuperDie, 0), D(AP_INIState.EnUnbalance, 0),
    D(AP_INIState.RemapFilter, 0), D(AP_INIState.RemapThreshold, 0), D(AP_INIState.VirtRemapThreshold, 0),
    D(AP_INIState.RmpPartialTHR, 0), D(AP_INIState.EnPartialTbl, 0), D(AP_INIState.PartialRemapPolicy, 0),
    D(AP_INIState.bVirCntPerDie, 1), D(AP_INIState.bVirTblPerDie, 1),
    // pre-format and inheritance
    D(AP_INIState.EraseAllType, 0), D(AP_INIState.EnFactoryBad, 0), D(AP_INIState.EnInheritFW, 0),
    D(AP_INIState.EnEraseSearch, 1), D(AP_INIState.EnInheritRDT, 0), D(AP_INIState.EnInheritSorting, 0),
    D(AP_INIState.EnAutoInherit, 0), D(AP_INIState.EnKeepEraseCount, 0), D(AP_INIState.CheckRDTMode, 0),
    // firmware features
    D(AP_INIState.EnWriteProtectAbort, 0), D(AP_INIState.EnWriteProtectGPIO, 1), D(AP_INIState.EnQuickErase, 0),
    D(AP_INIState.DisableUartOutput, 0), D(AP_INIState.ASPM_Mode, 0), D(AP_INIState.EnASPM_L1_1, 0),
    D(AP_INIState.EnASPM_L1_2, 0), D(AP_INIState.EnPowerLossDetect, 0), D(AP_INIState.EnPowerLossProtect, 0),
    D(AP_INIState.EnTrimCmd, 1), D(AP_INIState.EnSPI, 0), D(AP_INIState.DisableHMB, 0), D(AP_INIState.PureSLC, 0),
    D(AP_INIState.PureTLC, 0), D(AP_INIState.EnDRAMless, 0), D(AP_INIState.dwDramSize, 0),
    D(AP_INIState.LimitNVMeSpeed, 52), D(AP_INIState.CloseBlockRefreshThreshold, 0),
    D(AP_INIState.HeaderBlockRefreshThreshold, 0), D(AP_INIState.ManufactureID, 0), D(AP_INIState.ProductionID, 0),
    D(AP_INIState.EnPowerState0, 0), D(AP_INIState.EnPowerState4, 0), D(AP_INIState.SecurityMode, 0),
    D(AP_INIState.EnAES, 0), D(AP_INIState.EnIEEE, 0), D(AP_INIState.EnSM4, 0), D(AP_INIState.EnE2E, 0),
    D(AP_INIState.EnDeviceSleep, 0), D(AP_INIState.EnDisableLBA48, 0), D(AP_INIState.EnVestmarSmartC7, 0),
    D(AP_INIState.EnLDRAttriBit, 7), D(AP_INIState.DisableHIPM, 0), D(AP_INIState.DisableDIPM, 0),
    D(AP_INIState.DisableSmartC2, 0), D(AP_INIState.EnAssertionHang, 0), D(AP_INIState.NoOpCode, 0),
    D(AP_INIState.CodeIdx, 0), D(AP_INIState.FWUpdate, 4), D(AP_INIState.NVMeQNumShift, 0),
    D(AP_INIState.NVMeQDepth, 0), D(AP_INIState.IdleFlushTime, 65535), D(AP_INIState.RefreshFreq, 0),
    // thermal and erase counts
    D(AP_INIState.throttle_max_dies, 32), D(AP_INIState.throttle_lv_high, 90), D(AP_INIState.throttle_lv_mid, 65),
    D(AP_INIState.throttle_HYST, 5), D(AP_INIState.TempDiff, 0), D(AP_INIState.NandTempSelect, 0),
    D(AP_INIState.NandTempLow, 0), D(AP_INIState.NandTempHigh, 0), D(AP_INIState.ecnt_thrshd0, 500),
    D(AP_INIState.ecnt_thrshd3, 500), D(AP_INIState.throttle_min_dies, 16), D(AP_INIState.ThrottleLevel, 0),
    D(AP_INIState.MaxThermal, 60), D(AP_INIState.MinThermal, 40), D(AP_INIState.ThermalScale, 100),
    D(AP_INIState.ThermalDegreeBase, 30), D(AP_INIState.WarningTempThreshold, 0),
    D(AP_INIState.CriticalTempThreshold, 0), D(AP_INIState.MaxTimeFirmwareActivation, 0),
    D(AP_FwSet.ThermalSensorType, 0),
    // PCIe signals
    D(AP_INIState.G1_Emphasis, 0xFF000), D(AP_INIState.G1_Amplitude, 0x536006), D(AP_INIState.G2_Emphasis, 0xFF000),
    D(AP_INIState.G2_Amplitude, 0x536006), D(AP_INIState.G3_Emphasis, 0xFF000), D(AP_INIState.G3_Amplitude, 0x536006),
    // LDPC read-empty thresholds
    D(AP_FwSet.LDPCRate1ReadEmptyThreshold, 78), D(AP_FwSet.LDPCRate2ReadEmptyThreshold, 72),
    D(AP_FwSet.LDPCRate3ReadEmptyThreshold, 66), D(AP_FwSet.LDPCRate4ReadEmptyThreshold, 36),
    // channel and bank maps
    D(AP_INIState.MPChannel, 4), D(AP_INIState.MPBank, 1), D(AP_INIState.MPFwBankSet[0], 0),
    D(AP_INIState.MPFwBankSet[2], 2), D(AP_INIState.MPFwChannelSet[1], 1), D(AP_INIState.MPFwChannelSet[7], 7),
    // further firmware-record fields
    D(AP_FwSet.EnIoPadTimingSettingProfile, 0), D(AP_FwSet.Set_Timingmode, 0), D(AP_FwSet.SetFeatureSettingProfile, 0),
    D(AP_FwSet.NBTFlushPairPage, 0), D(AP_FwSet.EnRegMap, 0), D(AP_FwSet.CustomerID, 1),
    D(AP_FwSet.CustomizeUserLBA, 0), D(AP_FwSet.SPI_IPC_Config, 0), D(AP_FwSet.HSPDThreshold, 10),
    D(AP_FwSet.IdleHandleTime, 30),
    // [RDSetting]
    D(AP_RDSetting.DumpDebugFile, 0), D(AP_RDSetting.DumpPftFile, 0), D(AP_INIState.EnBinEraseBuild, 0),
    D(AP_INIState.MptFunBitMap, 0), D(AP_INIState.DisableMptLog, 30), D(AP_INIState.SetIF, 0),
    D(AP_INIState.TestMode, 0), D(AP_INIState.PerPlaneBad, 0), D(AP_RDSetting.NoCheckTablesBeforeDownloadCode, 0),
    D(AP_INIState.GDPFunBitMap, 0), D(AP_INIState.InheritAnt, 0), D(AP_INIState.EnWritePageToAllDie, 0),
    D(AP_INIState.AutoDetectForceLoadGDP, 0),
    // [RDT] sorting flow
    D(AP_RDTSet.FastRDTSort, 0), D(AP_RDTSet.RunSortingMode, 0), D(AP_RDTSet.EnEraseAll, 1),
    D(AP_RDTSet.EnScanFactoryBad, 1), D(AP_RDTSet.SkipEraseStatus, 0), D(AP_RDTSet.SkipProgStatus, 0),
    D(AP_RDTSet.EnNANDTestLoop, 1), D(AP_RDTSet.Block_RW, 0), D(AP_RDTSet.GDPGetResult, 0),
    D(AP_RDTSet.EnRDTSetRunTime, 0), D(AP_RDTSet.EnDummyRead, 0), D(AP_RDTSet.EnPECycle, 0),
    D(AP_RDTSet.EnFastBlockCheck, 0), D(AP_RDTSet.FastBlock_CSBits, 0), D(AP_RDTSet.FBB_Level, 0),
    D(AP_RDTSet.PowerThrottle, 4), D(AP_RDTSet.CheckRDTCode, 1), D(AP_RDTSet.EnSuperDie, 0),
    D(AP_RDTSet.MarkCacheFailDie, 0), D(AP_RDTSet.StepTestCheck, 0), D(AP_RDTSet.N18ReclaimCheck, 0),
    D(AP_RDTSet.RecordLastLoop, 0), D(AP_RDTSet.RecordMinErrBit, 0), D(AP_RDTSet.EnableUartLog, 0),
    D(AP_RDTSet.BadBlockOverstop, 0), D(AP_RDTSet.RDTSearchRange, 10), D(AP_RDTSet.DebugMode, 0),
    D(AP_RDTSet.NANDTotalTestLoops, 2), D(AP_RDTSet.NAND_NonSLCTestLoops, 1), D(AP_RDTSet.NAND_SLCTestLoops, 1),
    D(AP_RDTSet.NonSLCReadLoop, 1), D(AP_RDTSet.SLCReadLoop, 1), D(AP_RDTSet.wSpecialTestCase, 0),
    D(AP_RDTSet.NANDTestTime, 0), D(AP_RDTSet.DelaySectoRun, 0), D(AP_RDTSet.PEBlockUStart, 100),
    D(AP_RDTSet.PEBlockUEnd, 100), D(AP_RDTSet.FastBlockCheckLoop, 0), D(AP_RDTSet.BlockUnitStageWR, 0),
    D(AP_RDTSet.EnRDTTask, 1), D(AP_RDTSet.EnAutoGetNand, 0), D(AP_RDTSet.ucEnReadIDOnly, 0),
    D(AP_RDTSet.EnCheckID, 1), D(AP_RDTSet.RDTOffLineMode, 0), D(AP_RDTSet.FailQuitTest, 0),
    D(AP_RDTSet.EnLTSTask, 0), D(AP_RDTSet.EnReRDTTask, 0), D(AP_RDTSet.EnNandIndex, 0),
    D(AP_RDTSet.DRAMTestTime, 0), D(AP_RDTSet.WaitTime, 20), D(AP_RDTSet.RdtScanBlock, 0),
    // page levels and sorting limits
    D(AP_RDTSet.SLC_CustomPageLevel, 0), D(AP_RDTSet.TLC_CustomPageLevel, 0), D(AP_RDTSet.CustomFullBlockUStar, 0),
    D(AP_RDTSet.CustomFullBlockUEnd, 0), D(AP_RDTSet.SortMaxReadFailBlock, 40), D(AP_RDTSet.SortPgFailPerPlane, 40),
    D(AP_RDTSet.SortEraseFailPerPlane, 40), D(AP_RDTSet.SortMaxBadBlockPerPlane, 40),
    D(AP_RDTSet.SortMaxBadBlockPerDie, 148), D(AP_RDTSet.RdtMaxFactoryBadBlockPerDie, 208),
    D(AP_RDTSet.SortAllBadBlockPerDrive, 148), D(AP_RDTSet.SortEraseFailPerDrive, 148),
    D(AP_RDTSet.SortProgFailPerDrive, 148), D(AP_RDTSet.Capacity_SortMaxBadBlockPerPlane, 40),
    D(AP_RDTSet.Capacity_SortPgFailPerPlane, 40), D(AP_RDTSet.Capacity_SortEraseFailPerPlane, 40),
    D(AP_RDTSet.Capacity_SortMaxReadFailBlock, 40), D(AP_RDTSet.Capacity_SortMaxBadBlockPerDie, 148),
    D(AP_RDTSet.DeBugBBPerPlane, 40), D(AP_RDTSet.DeBugPgPerPlane, 40), D(AP_RDTSet.DeBugErasePerPlane, 40),
    D(AP_RDTSet.DeBugReadPerPlane, 40), D(AP_RDTSet.DeBugBBPerDie, 148), D(AP_RDTSet.SortCapacity, 32),
    D(AP_RDTSet.SortFullCapacity, 32), D(AP_RDTSet.RdtMaxHighPageFailBlock, 1), D(AP_RDTSet.EccOverStop, 0),
    D(AP_RDTSet.ZeroBitThreshold, 0),
    // LDPC and ECC
    D(AP_RDTSet.LDPCTLCThreshold, 80), D(AP_RDTSet.LDPCSLCThreshold, 30), D(AP_RDTSet.LDPCMLCThreshold, 35),
    D(AP_RDTSet.LDPCSLC_MThreshold, 18), D(AP_RDTSet.ErrorBit_TH, 100), D(AP_RDTSet.EnECCInfo, 1),
    D(AP_RDTSet.EnRefineLDPCTh, 0), D(AP_RDTSet.SetRefineLDPCTh, 80), D(AP_RDTSet.BBTh_Bytool, 0),
    // program and read times
    D(AP_RDTSet.tProgThreshold, 300), D(AP_RDTSet.tProgThresholdLower, 200), D(AP_RDTSet.TLCtProgThreshold, 1500),
    D(AP_RDTSet.TLCtProgThresholdLower, 800), D(AP_RDTSet.tReadThreshold, 70), D(AP_RDTSet.tReadThresholdLower, 50),
    D(AP_RDTSet.TLCtReadThreshold, 130), D(AP_RDTSet.TLCtReadThresholdLower, 100), D(AP_RDTSet.tProgStartBU, 0),
    D(AP_RDTSet.tProgEndBU, 0), D(AP_RDTSet.TLCtProgThAssigmPage, 4000), D(AP_RDTSet.TLCtProgPageStart, 0),
    D(AP_RDTSet.TLCtProgPageEnd, 10), D(AP_RDTSet.EntProgTh, 0), D(AP_RDTSet.EnPagetProgTh, 0),
    D(AP_RDTSet.ChecktproCount, 0), D(AP_RDTSet.TproBlock1, 10), D(AP_RDTSet.TproBlock5, 14),
    D(AP_RDTSet.TproBlock10, 19),
    // read retry
    D(AP_RDTSet.TLCShiftReadCnt, 0), D(AP_RDTSet.SLCShiftReadCnt, 0), D(AP_RDTSet.Retrytype, 0),
    D(AP_RDTSet.FRetryinERetry, 0), D(AP_RDTSet.RetryTableIndex, 0),
    // lights
    D(AP_RDTSet.LED_OP, 1), D(AP_RDTSet.LED_Feature, 183), D(AP_RDTSet.LED_lastLoopCheck, 0),
    D(AP_RDTSet.RunLightOn_10MilliSec, 100), D(AP_RDTSet.RunLightOff_10MilliSec, 100),
    D(AP_RDTSet.PassLightOn_10MilliSec, 0), D(AP_RDTSet.PassLightOff_10MilliSec, 0),
    D(AP_RDTSet.FailLightOn_10MilliSec, 25), D(AP_RDTSet.FailLightOff_10MilliSec, 25),
    D(AP_RDTSet.LED_AddLoopThFail_LightOn, 25), D(AP_RDTSet.LED_AddLoopThFail_LightOff, 200),
    D(AP_RDTSet.LED_OnlyLoopThFail_LightOn, 400), D(AP_RDTSet.LED_OnlyLoopThFail_LightOff, 25),
    D(AP_RDTSet.PassLED, 0), D(AP_RDTSet.FailLEDMode, 1), D(AP_RDTSet.ScreenOrder, 1),
    // test patterns, result display
    D(AP_RDTSet.bPattern_Index4UI, 31), D(AP_RDTSet.Pattern_Feature, 165), D(AP_RDTSet.Test_Pattern_Value1, 0xFFFF),
    D(AP_RDTSet.Test_Pattern_Value2, 0xAA55), D(AP_RDTSet.Test_Pattern_Value3, 0x55AA),
    D(AP_RDTSet.Test_Pattern_Value4, 0x00FF), D(AP_RDTSet.Test_Pattern_Value5, 0xFF00),
    D(AP_RDTSet.SaveResultLog, 1), D(AP_RDTSet.DisDBG_SORT, 0), D(AP_RDTSet.DumpRAWFile, 0),
    D(AP_RDTSet.ShowNandStatus, 0), D(AP_RDTSet.EnchangeLight, 0), D(AP_RDTSet.YellowUnderValue, 0),
    D(AP_RDTSet.GreenUnderValue, 0), D(AP_RDTSet.EnSaveLocation, 0),
};
// clang-format on
#undef D

TEST(SectionDefaults, EmptyFileGivesEveryNumberDefault) {
    ReadText("");
    for (const Default& d : kNumberDefaults) EXPECT_EQ(d.actual(), d.expected) << d.name;
}

TEST(SectionDefaults, EmptyFileGivesEveryTextDefault) {
    ReadText("");
    const std::pair<const char*, std::string> texts[] = {
        {AP_INIState.TMCFolder, "Default"},
        {AP_INIState.WatermarkString, "Watermark String"},
        {AP_INIState.CopyImagePath, ""},
        {AP_INIState.DRAMTestMode, "Normal"},
        {AP_INIState.SerialNum, "0123456789"},
        {AP_INIState.SerialNumPrefix, "QV_"},
        {AP_INIState.SerialNumSuffix, "_SSD"},
        {AP_INIState.FirmwareVer, "12345678"},
        {AP_INIState.ModelNum, "NQ NVMe SSD"},
        {AP_INIState.OUI, "000000"},
        {AP_INIState.EUI64, "0000000000000000"},
        {AP_INIState.MaxSerialNum, "9999999999"},
        {AP_INIState.ExtParaFile, "Para_NULL.ini"},
        {AP_INIState.ExtFlashFile, "Flash.ini"},
        {AP_INIState.FlashUniName, "WBG"},
        {AP_RDTSet.RdtLogPath, ""},
    };
    for (const auto& [actual, expected] : texts) EXPECT_EQ(std::string(actual), expected);
}

TEST(SectionDefaults, DefaultDieMapIsOneDieAtChannel0Bank0) {
    ReadText("");
    EXPECT_EQ(AP_INIState.bChBankUI[0][0], 0x00);
    EXPECT_EQ(AP_INIState.bDieStatus[0][0], 1);
    for (int k = 1; k < 32; ++k) {
        EXPECT_EQ(AP_INIState.bChBankUI[k / 4][k % 4], 0xFF) << k;
        EXPECT_EQ(AP_INIState.bDieStatus[k / 4][k % 4], 0) << k;
    }
    EXPECT_FLOAT_EQ(AP_INIState.fIDEMACapacity, 3.2f);
}

}  // namespace
