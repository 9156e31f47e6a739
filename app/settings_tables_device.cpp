// The tables of the Device Setting and SYS FW Setting pages (settings_tables.h).
#include "app/settings_tables.h"
#include "app/settings_table_rows.h"
#include "settings/records.h"

namespace app {

using namespace table_rows;

const std::vector<PageRow>& DeviceSettingPageRows() {
    static const std::vector<PageRow> rows = {
        Group("CommonGroupBox", "Common"),
        TextRow("FirmwareVerLabeledEdit", "FW Version", 8, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.FirmwareVer; })),
        TextRow("ModelNumLabeledEdit", "Model Number", 40, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.ModelNum; })),
        TextRow("SerialNumberPrefixLabeledEdit", "SN Prefix", 10, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.SerialNumPrefix; })),
        Label("SerialNumberLabel", "Serial Number", "CommonGroupBox"),
        Plain(TextRow("SerialNumberEdit", "", 20, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.SerialNum; }))),
        Label("SerialNumberSuffixLabel", "SN Suffix", "CommonGroupBox"),
        Plain(TextRow("SerialNumberSuffixEdit", "", 10, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.SerialNumSuffix; }))),
        TextRow("OUILabeledEdit", "OUI", 6, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.OUI; })),
        TextRow("EUI64LabeledEdit", "EUI64", 16, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.EUI64; })),
        HexRow("PciVidLabeledEdit", "PCI VID", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.VendorID; })),
        HexRow("PciDidLabeledEdit", "PCI DID", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.DeviceID; })),
        HexRow("PciSsvidLabeledEdit", "PCI SSVID", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.SubSysVendorID; })),
        HexRow("PciSsidLabeledEdit", "PCI SSID", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.SubSysID; })),
        HexRow("NVMeVidLabeledEdit", "NVMe VID", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.NVMeVendorID; })),
        HexRow("NVMeSsvidLabeledEdit", "NVMe SSVID", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.NVMeSubSysVendorID; })),
        Label("SNInputLabel", "SN Input Mode", "CommonGroupBox"),
        Combo("SNInputComboBox", {"None", "Auto Increase in Dec", "Auto Increase in Hex", "Barcode", "Inherit SN"}, "CommonGroupBox",
              FieldOf([]() -> auto& { return AP_INIState.SNInputMode; })),
        Label("SNLengthLabel", "SN Length", "CommonGroupBox"),
        Spin("SNLengthSpinEdit", 10, 20, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.SNLength; })),
        Disabled(Check("MaxSNCheckBox", "Max SN", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnMaxSN; }))),
        Disabled(Plain(TextRow("MaxSNEdit", "", 20, "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.MaxSerialNum; })))),
        Disabled(Check("MountTimeCheckBox", "Mount Time", "CommonGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnSNMountTime; }))),
        Disabled(Display("SNTimeStringLabeledEdit", "Time String", "CommonGroupBox")),
        Group("IDEMAGroupBox", "IDEMA Capacity"),
        Edit("IDEMACapacityLabeledEdit", "IDEMA Capacity", 0, "IDEMAGroupBox"),
        Button("CalcIDEMAtoRatioButton", "Set", "IDEMAGroupBox"),
        Button("RestoreDefaultRatioButton", "Restore", "IDEMAGroupBox"),
        Label("MaxCapacityLabel", "Max Capacity(GB)", "IDEMAGroupBox"),
        Display("Capacity1024LabeledEdit", "(1024)", "IDEMAGroupBox"),
        Display("Capacity1000LabeledEdit", "(1000)", "IDEMAGroupBox"),
        ReadOnly(Dec("DefectRatioLabeledEdit", "Defect Ratio", 0, "IDEMAGroupBox", FieldOf([]() -> auto& { return AP_INIState.DefPercentage; }))),
        ReadOnly(Dec("ReservedRatioLabeledEdit", "Reserved Ratio", 0, "IDEMAGroupBox", FieldOf([]() -> auto& { return AP_INIState.ResPercentage; }))),
        Group("ParaIniGroupBox", "Para File"),
        TextRow("ParaIniFileLabeledEdit", "Para File", 259, "ParaIniGroupBox", FieldOf([]() -> auto& { return AP_INIState.ExtParaFile; })),
        Button("LoadParaIniButton", "Load", "ParaIniGroupBox"),
    };
    return rows;
}

const std::vector<PageRow>& SysFwPageRows() {
    static const std::vector<PageRow> rows = {
        Group("BlockQntyGroupBox", "Block Quantity"),
        ReadOnly(Dec("FixSlcQntyLabeledEdit", "Fix SLC", 5, "BlockQntyGroupBox", FieldOf([]() -> auto& { return AP_INIState.FixSLC_BU; }))),
        ReadOnly(Dec("DMTQntyLabeledEdit", "DMT", 3, "BlockQntyGroupBox", FieldOf([]() -> auto& { return AP_INIState.DMT_Qnty; }))),
        ReadOnly(Dec("QBTQntyLabeledEdit", "QBT", 3, "BlockQntyGroupBox", FieldOf([]() -> auto& { return AP_INIState.QBT_Qnty; }))),
        // Shown only: the flash parameters derive it.
        ShowOnly(Dec("SysBlockQntyLabeledEdit", "System Block", 5, "BlockQntyGroupBox", FieldOf([]() -> auto& { return AP_INIState.wFW_BLKQnty; }))),
        ReadOnly(Dec("TBLQntyLabeledEdit", "Table Block", 3, "BlockQntyGroupBox", FieldOf([]() -> auto& { return AP_INIState.TBLBlkQnty; }))),
        // The thresholds sit above the DRAM type; the engineering switch shows them (and moves the DRAM
        // type below them).
        Group("OtherSettingGroupBox", "Other Setting"),
        Dec("CloseBlockRefreshThresholdLabeledEdit", "Close Block Refresh", 5, "OtherSettingGroupBox",
            FieldOf([]() -> auto& { return AP_INIState.CloseBlockRefreshThreshold; })),
        Dec("HeaderBlockRefreshThresholdLabeledEdit", "Header Block Refresh", 5, "OtherSettingGroupBox",
            FieldOf([]() -> auto& { return AP_INIState.HeaderBlockRefreshThreshold; })),
        Dec("CodeBlockThresholdLabeledEdit", "Code Block", 5, "OtherSettingGroupBox", FieldOf([]() -> auto& { return AP_INIState.CodeBlockThreshold; })),
        Dec("SWLThresholdLabeledEdit", "SWL", 5, "OtherSettingGroupBox", FieldOf([]() -> auto& { return AP_INIState.SWLThreshold; })),
        Dec("SwitchECThresholdLabeledEdit", "Switch EC", 5, "OtherSettingGroupBox", FieldOf([]() -> auto& { return AP_INIState.SwitchEcThreshold; })),
        Label("DramTypeLabel", "DRAM Type", "OtherSettingGroupBox"),
        // bDramProfile with the derived dwDramSize: the passes' own step.
        Combo("DramTypeComboBox", DramTypeItems(), "OtherSettingGroupBox", {}),
        Group("LDPCReadEmptyThresholdGroupBox", "LDPC Read Empty Threshold"),
        Dec("LDPCRate1ReadEmptyLabeledEdit", "Rate 1", 5, "LDPCReadEmptyThresholdGroupBox",
            FieldOf([]() -> auto& { return AP_FwSet.LDPCRate1ReadEmptyThreshold; })),
        Dec("LDPCRate2ReadEmptyLabeledEdit", "Rate 2", 5, "LDPCReadEmptyThresholdGroupBox",
            FieldOf([]() -> auto& { return AP_FwSet.LDPCRate2ReadEmptyThreshold; })),
        Dec("LDPCRate3ReadEmptyLabeledEdit", "Rate 3", 5, "LDPCReadEmptyThresholdGroupBox",
            FieldOf([]() -> auto& { return AP_FwSet.LDPCRate3ReadEmptyThreshold; })),
        Dec("LDPCRate4ReadEmptyLabeledEdit", "Rate 4", 5, "LDPCReadEmptyThresholdGroupBox",
            FieldOf([]() -> auto& { return AP_FwSet.LDPCRate4ReadEmptyThreshold; })),
        Group("FeatureGroupBox", "Feature"),
        Check("KeepEraseCountCheckBox", "Keep Erase Count", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnKeepEraseCount; })),
        Check("KeepSMARTCheckBox", "Keep SMART", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnKeepSmartInfo; })),
        Check("PureSLCCheckBox", "Pure SLC", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.PureSLC; })),
        Check("PureTLCCheckBox", "Pure TLC", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.PureTLC; })),
        Check("PLDCheckBox", "Power Loss Detect", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnPowerLossDetect; })),
        Check("PLPCheckBox", "Power Loss Protect", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnPowerLossProtect; })),
        Check("WriteProtectAbortCheckBox", "Write Protect Abort", "FeatureGroupBox",
              FieldOf([]() -> auto& { return AP_INIState.EnWriteProtectAbort; })),
        Check("WriteProtectGPIOCheckBox", "Write Protect GPIO", "FeatureGroupBox",
              FieldOf([]() -> auto& { return AP_INIState.EnWriteProtectGPIO; })),
        Check("QuickEraseCheckBox", "Quick Erase", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnQuickErase; })),
        Check("DisableUartOutputCheckBox", "Disable UART Output", "FeatureGroupBox",
              FieldOf([]() -> auto& { return AP_INIState.DisableUartOutput; })),
        Check("UnbalanceCheckBox", "Unbalance FW", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnUnbalance; })),
        Check("DRAMlessCheckBox", "DRAM-less", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnDRAMless; })),
        Disabled(Check("EnableRaidCheckBox", "Enable RAID", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnVD; }))),
        Check("DisableHMBCheckBox", "Disable HMB", "FeatureGroupBox", FieldOf([]() -> auto& { return AP_INIState.DisableHMB; })),
        Group("PCIeGroupBox", "PCIe"),
        // The two nibbles of LimitNVMeSpeed: the passes' own step.
        Label("PCIeGenTypeLabel", "Max Speed", "PCIeGroupBox"),
        Combo("PCIeGenTypeComboBox", {"Gen1", "Gen2", "Gen3", "Gen4"}, "PCIeGroupBox", {}),
        Label("PCIeLaneTypeLabel", "Max Lane", "PCIeGroupBox"),
        Combo("PCIeLaneTypeComboBox", {"X1", "X2", "X4"}, "PCIeGroupBox", {}),
        Label("ASPMSupportLabel", "ASPM", "PCIeGroupBox"),
        Combo("ASPMSupportComboBox", {"Disable", "L0s", "L1", "L0s & L1"}, "PCIeGroupBox", FieldOf([]() -> auto& { return AP_INIState.ASPM_Mode; })),
        Check("ASPML1_1CheckBox", "ASPM L1.1", "PCIeGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnASPM_L1_1; })),
        Check("ASPML1_2CheckBox", "ASPM L1.2", "PCIeGroupBox", FieldOf([]() -> auto& { return AP_INIState.EnASPM_L1_2; })),
        Group("ThermalGroupBox", "Thermal"),
        Hidden(Signed("TempDiffLabeledEdit", "Temp Diff", "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.TempDiff; }),
                      Conversion::SignMagnitude)),
        Dec("ThermalDegreeBaseLabeledEdit", "Degree Base", 5, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.ThermalDegreeBase; })),
        Label("ThermalSensorTypeLabel", "Sensor Type", "ThermalGroupBox"),
        Combo("ThermalSensorTypeComboBox", {"None", "Internal", "G781", "LM75B", "TMP102", "S5851", "GT34TS02", "GT34TS04A", "LM73"},
              "ThermalGroupBox", FieldOf([]() -> auto& { return AP_FwSet.ThermalSensorType; })),
        Dec("MaxThermalLabeledEdit", "Max Thermal", 3, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.MaxThermal; })),
        Signed("MinThermalLabeledEdit", "Min Thermal", "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.MinThermal; }),
               Conversion::TwosComplement),
        Label("ThermalScaleLabel", "Thermal Scale", "ThermalGroupBox"),
        Spin("ThermalScaleSpinEdit", 0, 100, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.ThermalScale; })),
        Dec("ThrottleLevelHighLabeledEdit", "Critical", 3, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.throttle_lv_high; })),
        Dec("ThrottleLevelMidLabeledEdit", "Warning", 3, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.throttle_lv_mid; })),
        Dec("NandTempSelectLabeledEdit", "Select Channel", 3, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.NandTempSelect; })),
        Dec("NandTempHighLabeledEdit", "Critical", 3, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.NandTempHigh; })),
        Dec("NandTempLowLabeledEdit", "Warning", 3, "ThermalGroupBox", FieldOf([]() -> auto& { return AP_INIState.NandTempLow; })),
        Display("CurThermalLabeledEdit", "Current Thermal", "ThermalGroupBox"),
        Check("Reserved1CheckBox", "Reserved 1", "ThermalGroupBox", {}),
        Check("Reserved2CheckBox", "Reserved 2", "ThermalGroupBox", {}),
    };
    return rows;
}

}  // namespace app
