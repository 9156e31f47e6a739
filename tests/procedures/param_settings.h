// A realistic settings set for the parameter-image tests: a 512 GB drive on a B27B TLC flash,
// four channels by two CEs, one die per CE, the sample station's firmware values, and a port
// whose loader blocks are known. The guard restores every record the writers read.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>

#include "procedures/V_Proc_GdpParam.h"
#include "procedures/gdp_ldpc_tables.h"
#include "settings/die_remap.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "tests/support/settings_records.h"
#include "transport/port_instance.h"

namespace param_test {

inline constexpr int kPort = 5;

class ParamRecordsGuard {
  public:
    ParamRecordsGuard() : param_(AP_Param), autoDetecting_(g_bAutoDetecting) {
        std::copy(std::begin(AP_Instance), std::end(AP_Instance), instances_);
        AP_Param = {};
        g_bAutoDetecting = 0;
        std::fill(std::begin(AP_Instance), std::end(AP_Instance), AP_Instance_t{});
        procedures::ClearGdpLdpcTables();
    }
    ~ParamRecordsGuard() {
        AP_Param = param_;
        g_bAutoDetecting = autoDetecting_;
        std::copy(std::begin(instances_), std::end(instances_), AP_Instance);
        procedures::ClearGdpLdpcTables();
    }
    ParamRecordsGuard(const ParamRecordsGuard&) = delete;
    ParamRecordsGuard& operator=(const ParamRecordsGuard&) = delete;

  private:
    test_support::SettingsRecordsGuard settings_;
    AP_Param_t param_;
    std::uint8_t autoDetecting_;
    AP_Instance_t instances_[kPortCount];
};

// A timing record whose every field differs from its neighbours: field k holds base + k.
inline TMC_TIMING_PARAM MakeTiming(std::uint32_t base) {
    TMC_TIMING_PARAM t{};
    t.ucTimingType = static_cast<std::uint8_t>(base + 1);
    t.ucBestTimingType = static_cast<std::uint8_t>(base + 2);
    t.wFreqVal = 400;
    t.ucTimingMode = static_cast<std::uint8_t>(base + 3);
    t.ucHighSpeedSetting = static_cast<std::uint8_t>(base + 4);
    t.ucOutputDriveStrength = static_cast<std::uint8_t>(base + 5);
    t.ucReserved = 0xEE;  // never written into an image
    std::memset(t.aTimingFill, 0xFF, sizeof t.aTimingFill);
    std::uint32_t* groups[] = {t.dwDrvCfg, t.dwOdtCfg, t.dwDqsCfg, t.dwFixCfg, t.dwClkCfg, t.dwIcOdtCfg};
    for (int g = 0; g < 6; ++g) {
        for (int i = 0; i < 8; ++i) groups[g][i] = (base << 16) | static_cast<std::uint32_t>(g * 8 + i + 0x100);
    }
    t.dwTimingCode = 300000 + 400 * 100 + base;
    for (int i = 0; i < 8; ++i) t.dwDqsDrvCfg[i] = 0x80000000U | (base << 8) | static_cast<std::uint32_t>(i);
    return t;
}

// The drive: dies on channels 0 to 3, CEs 0 and 1; its die maps computed as the window would.
inline void LoadSampleDrive() {
    AP_FlashSet_t& f = AP_FlashSet;
    f.ucFlashVendor = 1;
    f.ucFlashType = 2;
    f.wBlocks = 2016;
    f.wPages = 2304;
    f.wPageSize = 16;
    f.bPageSector = 32;
    f.ucDiePerCE = 1;
    f.ucCE = 8;
    f.ucPlanes = 4;
    f.ucLdpcMode = 2;
    f.ucFlashInterface = 9;
    f.ucChannel = 4;
    f.ucBankNum = 2;
    f.dwFlashOption = 0x00A1B2C3;
    f.wSpareByte = 2208;
    f.bRowBlockShift = 9;
    f.bRowPageShift = 12;
    f.bRowLunShift = 2;
    f.bRowPlaneShift = 2;
    f.bPageShift = 12;
    f.bBlockShift = 9;
    f.bStpuShift = 7;

    AP_INIState_t& s = AP_INIState;
    std::strcpy(s.FlashUniName, "B27B512G");
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) s.bDieStatus[ch][ce] = 1;
    }
    const std::uint8_t channels[8] = {0, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::uint8_t banks[4] = {0, 1, 0xFF, 0xFF};
    std::memcpy(s.MPFwChannelSet, channels, sizeof channels);
    std::memcpy(s.MPFwBankSet, banks, sizeof banks);
    s.MPChannel = 4;
    s.MPBank = 2;
    s.MaxPhyChannel = 4;
    s.MaxPhyBank = 2;
    s.bVirCntPerDie = 1;
    s.bVirTblPerDie = 1;
    fn_ProcessDieRemap();

    s.GDPFunBitMap = 0x5A;
    s.bDramProfile = 9;
    s.dwDramSize = 2048;
    s.SandiskBic4ChangeID = 1;
    AP_RDTSet.RunSortingMode = 1;

    // Identity and firmware values.
    std::strcpy(AP_FwSet.ModelNum, "QV NVMe SSD 512GB");
    std::strcpy(AP_FwSet.FirmwareVer, "QVF10001");
    std::strcpy(AP_FwSet.OUI, "00A0C6");
    std::strcpy(AP_FwSet.EUI64, "00A0C6000000B27B");
    s.VendorID = 0x1E7B;
    s.DeviceID = 0x5216;
    s.SubSysVendorID = 0x1E7B;
    s.SubSysID = 0x5216;
    s.NVMeVendorID = 0x1E7B;
    s.NVMeSubSysVendorID = 0x1E7B;
    s.FWUpdate = 1;
    s.WarningTempThreshold = 353;
    s.CriticalTempThreshold = 363;
    s.MaxTimeFirmwareActivation = 200;
    s.DisableHMB = 0;
    s.EnNepIDCode = 1;
    for (int i = 0; i < 32; ++i) s.NepIDCode[i] = static_cast<std::uint8_t>(0xC0 + i);

    s.IdleFlushTime = 200;
    s.RefreshFreq = 3;
    s.EnE2E = 1;
    s.RmpPartialTHR = 0x0123;
    s.CloseBlockRefreshThreshold = 0x0200;
    s.HeaderBlockRefreshThreshold = 0x0300;
    AP_FwSet.IdleHandleTime = 0x0400;
    s.ecnt_thrshd0 = 500;
    s.ecnt_thrshd1 = 501;
    s.ecnt_thrshd2 = 502;
    s.ecnt_thrshd3 = 503;
    AP_FwSet.LDPCRate1ReadEmptyThreshold = 78;
    AP_FwSet.LDPCRate2ReadEmptyThreshold = 72;
    AP_FwSet.LDPCRate3ReadEmptyThreshold = 66;
    AP_FwSet.LDPCRate4ReadEmptyThreshold = 36;
    s.wHSPDCapacity = 0x0610;
    s.GoodSuperBlockNum = 0x0700;
    s.CodeBlockThreshold = 0x0800;
    s.FixSLC_BU = 20;
    s.wFW_BLKQnty = 10;
    s.SWLThreshold = 64;
    s.SwitchEcThreshold = 65;
    s.NVMeQNumShift = 3;
    s.NVMeQDepth = 1024;
    s.CapacitySectorLow = 1000215216;
    s.CapacitySectorHigh = 0;
    s.Read_Disturb = 0x00010000;
    s.ManufactureID = 0x11223344;
    s.ProductionID = 0x55667788;
    s.Read_Disturb_Head = 0x00020000;
    s.LimitNVMeSpeed = 52;
    s.CutType = 2;
    s.DisableLPS = 1;
    s.G1_Emphasis = 0x000FF000;
    s.G1_Amplitude = 0x00536006;
    s.G2_Emphasis = 0x000FF001;
    s.G2_Amplitude = 0x00536007;
    s.G3_Emphasis = 0x000FF002;
    s.G3_Amplitude = 0x00536008;
    AP_FwSet.ThermalSensorType = 1;
    s.MaxThermal = 60;
    s.MinThermal = 40;
    s.ThermalScale = 100;
    s.throttle_max_dies = 8;
    s.throttle_min_dies = 4;
    s.throttle_lv_high = 90;
    s.throttle_lv_mid = 65;
    s.ThermalDegreeBase = 30;
    s.throttle_HYST = 5;
    s.TempDiff = 6;
    s.ThrottleLevel = 7;
    s.dwDynamicCacheOnce = 0x00C0FFEE;
    s.NandTempSelect = 1;
    s.NandTempLow = 10;
    s.NandTempHigh = 85;
    s.ManualDefPercentage = 0;
    AP_FwSet.wDefRatio = 30;
    AP_FwSet.wResRatio = 68;

    AP_FwFeatureSet.PureSLC = 0;
    AP_FwFeatureSet.EnPowerLossDetect = 1;
    AP_FwFeatureSet.EnQuickErase = 1;
    AP_FwFeatureSet.EnPowerState0 = 1;
    AP_FwFeatureSet.EnPowerState4 = 1;
    AP_FwFeatureSet.ASPM_Mode = 7;  // only the low two bits count
    AP_FwFeatureSet.EnASPM_L1_2 = 1;
    AP_FwFeatureSet.EnWriteProtectGPIO = 1;
    AP_FwFeatureSet.SecurityMode = 6;  // only the low two bits count
    AP_FwFeatureSet.EnSM4 = 1;

    AP_FwSet.init_timing_setting = MakeTiming(0x10);
    AP_FwSet.timing_setting_after_setfeature = MakeTiming(0x20);

    // Loader blocks 1 and 3 on every die; channel 2, CE 1 has block 9 (no bit) and block 2.
    AP_Instance_t& port = AP_Instance[kPort];
    for (int ch = 0; ch < 8; ++ch) {
        for (int bank = 0; bank < 4; ++bank) {
            port.aLoaderBlockNo[ch][bank][0] = 1;
            port.aLoaderBlockNo[ch][bank][1] = 3;
        }
    }
    port.aLoaderBlockNo[2][1][0] = 9;
    port.aLoaderBlockNo[2][1][1] = 2;
    port.wHSPD_BLK_Qnty_Count = 0x0123;
    port.wTotalGoodBU = 900;
    port.wScanBlockUnit = 0x0111;
    port.wScanBlockUnit2 = 0x0222;
    port.wSysBU = 0x0333;
}

}  // namespace param_test
