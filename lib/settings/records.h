// The process-wide settings records that every layer reads directly. Each is one global
// instance, zero at program start, never allocated and never locked; fields are listed in
// storage order and a field named after an INI key holds that key's value. The engineering
// switch bytes AP_RDSetting and the tool record AP_OtSet live one layer down, in
// transport/tool_records.h, because the trace layer reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "settings/timing_record.h"
#include "transport/tool_records.h"

// Number of entries of AP_INIState.dwItemEnable (indexed by test-item id).
constexpr int AP_ITEM_ENABLE_COUNT = 36;
// Entries of AP_FlashSet.wPageMap (loader-block page index to flash page).
constexpr int AP_PAGE_MAP_COUNT = 384;
// Die-map geometry of the settings record.
constexpr int AP_DIE_CHANNELS = 8;
constexpr int AP_DIE_BANKS = 4;
constexpr int AP_DIE_LUNS = 4;
constexpr int AP_PORT_COUNT = 128;
// Default of the PCI and NVMe vendor ids of [DeviceSetting] (the controller maker's PCI vendor id).
constexpr std::uint16_t AP_MAKER_PCI_VENDOR_ID = 0x1E7B;

// The settings and run-state record; copied whole into every MP worker's parameter block.
struct AP_INIState_t {
    // Yield counters (kept in the yield log by the main window).
    std::int32_t TotalTestCount;
    std::int32_t NumberOfPass;

    // [Setting]
    std::uint8_t MPVersion;
    std::uint32_t TimeOut;  // milliseconds
    std::uint8_t ConnectDevNum;
    std::uint8_t BarCodeInputMode;
    std::uint8_t BarCodeInputMaxCnt;
    std::uint8_t EnNoCheckPartition;
    std::uint8_t DevicePanelStyle;
    std::uint8_t WindowSizeMode;
    char TMCFolder[260];
    std::int8_t ToolMode;  // 0 MP, 1 SORT
    std::uint8_t EnWatermark;
    std::uint8_t WatermarkLocation;
    char WatermarkString[80];

    // Test items: dwItemEnable is indexed by item id, non-zero = selected.
    std::int32_t dwItemEnable[AP_ITEM_ENABLE_COUNT];
    std::uint8_t CheckRDTMode;
    std::uint8_t EnCheckSnLength;
    std::uint8_t CheckSnLengthValue;
    std::uint8_t CheckPPIDLengthValue;
    std::uint8_t EnCheckFlashID;
    std::uint8_t CheckFlashMask;
    std::uint8_t EnCheckModuleCHCE;
    char CopyImagePath[260];
    std::uint8_t EnGenImage;
    std::uint8_t CheckMaxTemperatureValue;
    std::uint64_t SetMaxLBAValue;
    std::uint8_t EnCheckSRAM;
    std::uint8_t EnCheckNandReset;
    std::uint8_t EnCheckDataPath;
    std::uint8_t EnCheckLDPC;
    std::uint8_t FlashTestDataPathThreshold;
    std::uint32_t FlashTestDataPathLoop;
    std::uint8_t EnCheckNandTime;
    std::uint8_t EnKeepPFormatSetting;
    char DRAMTestMode[30];

    // Device identity and serial numbers.
    char SerialNumPrefix[12];
    char SerialNum[22];  // the next serial number to burn
    char SerialNumSuffix[12];
    char FirmwareVer[10];
    char ModelNum[42];
    std::uint8_t SNInputMode;
    std::uint8_t EnMaxSN;
    char MaxSerialNum[22];
    std::uint8_t EnSNMountTime;
    char SNTimeString[10];  // hexadecimal time stamp of the run (main window)
    std::uint8_t SNLength;
    char OUI[8];
    char EUI64[18];
    std::uint16_t VendorID;
    std::uint16_t DeviceID;
    std::uint16_t SubSysVendorID;
    std::uint16_t SubSysID;
    std::uint16_t NVMeVendorID;
    std::uint16_t NVMeSubSysVendorID;
    std::uint8_t EnNepIDCode;
    std::uint8_t NepIDCode[32];

    // Flash.
    char ExtFlashFile[260];
    char FlashUniName[10];  // first four letters: the flash's BIN type
    std::uint8_t Channel;
    std::uint8_t Bank;
    std::uint8_t FwBankSet[4];
    std::uint8_t FwChannelSet[8];
    std::uint8_t DefaultTiming;
    std::uint8_t BestTiming;
    std::uint16_t Clock;                                                          // flash interface clock, MHz
    std::uint8_t bChBankUI[AP_DIE_CHANNELS][AP_DIE_BANKS];                        // die-map codes of DieReMap
    std::uint8_t bDieStatus[AP_DIE_CHANNELS][AP_DIE_BANKS];                       // 1 = die present
    std::uint8_t bDieStatusMultiLun[AP_DIE_CHANNELS][AP_DIE_BANKS][AP_DIE_LUNS];  // 1 = LUN present
    std::uint8_t bOriDieMap[8][4];
    std::uint8_t bOriDieMapMultiLun[8][8];
    std::uint8_t bRemapDieMap[8][4];
    std::uint8_t bRemapDieMapMultiLun[8][8];
    std::uint8_t SelectOnfi4;
    std::uint8_t SandiskBic4ChangeID;

    // Firmware settings.
    std::uint16_t DefPercentage;
    std::uint16_t ResPercentage;
    std::uint8_t RemapEnable;
    std::uint8_t EnWriteProtectAbort;
    std::uint8_t EnWriteProtectGPIO;
    std::uint8_t EnQuickErase;
    std::uint8_t DisableUartOutput;
    std::uint8_t EnPowerState0;
    std::uint8_t EnPowerState1;
    std::uint8_t EnPowerState2;
    std::uint8_t EnPowerState3;
    std::uint8_t EnPowerState4;
    std::uint8_t ASPM_Mode;
    std::uint8_t EnASPM_L1_1;
    std::uint8_t EnASPM_L1_2;
    std::uint8_t SecurityMode;
    std::uint8_t EnAES;
    std::uint8_t EnIEEE;
    std::uint8_t EnSM4;
    std::uint8_t EnE2E;
    std::uint8_t EnDeviceSleep;
    std::uint8_t EnPowerLossDetect;
    std::uint8_t EnPowerLossProtect;
    std::uint8_t EnDisableLBA48;
    std::uint8_t EnFactoryBad;
    std::uint8_t EnInheritFW;
    std::uint8_t EnEraseSearch;
    std::uint8_t EnInheritRDT;
    std::uint8_t EnInheritSorting;
    std::uint8_t EnAutoInherit;
    std::uint8_t EnTrimCmd;
    std::uint8_t EnKeepEraseCount;
    std::uint8_t EnKeepSmartInfo;
    std::uint8_t EnExtendBlock;
    std::uint16_t IdleFlushTime;
    std::uint8_t DiffRatioRange;
    std::uint8_t EnVestmarSmartC7;
    std::uint16_t EnLDRAttriBit;
    std::uint8_t DisableHIPM;
    std::uint8_t DisableDIPM;
    std::uint8_t EnSPI;
    std::uint8_t EnSuperDie;
    std::uint8_t DisableSmartC2;
    std::uint8_t EnAssertionHang;
    std::uint8_t MPChannel;
    std::uint8_t MPBank;
    std::uint8_t MaxPhyChannel;  // physical channels of the die map
    std::uint8_t MaxPhyBank;     // physical banks of the die map
    std::uint8_t MPFwBankSet[4];
    std::uint8_t MPFwChannelSet[8];
    std::uint16_t wHSPDCapacity;
    std::uint16_t wFW_BLKQnty;  // INI key "FWBlkQnty"
    std::uint16_t GoodSuperBlockNum;
    std::uint16_t CodeBlockThreshold;
    std::uint16_t FixSLC_BU;
    std::uint32_t Read_Disturb;
    std::uint32_t Read_Disturb_Head;
    std::uint16_t SWLThreshold;
    std::uint16_t SwitchEcThreshold;
    std::uint8_t CutType;
    std::uint8_t DisableLPS;
    std::uint8_t MergeBUNUM;
    std::uint8_t ucRollRate;
    std::uint8_t LastBadRation;
    std::uint16_t IDEMACapacity;  // tenths of the capacity unit
    std::uint32_t CapacitySectorHigh;
    std::uint32_t CapacitySectorLow;
    std::uint8_t DMT_Qnty;
    std::uint8_t QBT_Qnty;
    std::uint8_t EnVD;
    std::uint8_t VDieRaidNum;
    std::uint8_t RefreshFreq;
    std::uint8_t LimitNVMeSpeed;
    std::uint16_t CloseBlockRefreshThreshold;
    std::uint16_t HeaderBlockRefreshThreshold;
    std::uint16_t ecnt_thrshd0;
    std::uint16_t ecnt_thrshd1;
    std::uint16_t ecnt_thrshd2;
    std::uint16_t ecnt_thrshd3;
    std::uint32_t G1_Emphasis;
    std::uint32_t G1_Amplitude;
    std::uint32_t G2_Emphasis;
    std::uint32_t G2_Amplitude;
    std::uint32_t G3_Emphasis;
    std::uint32_t G3_Amplitude;
    std::uint8_t throttle_max_dies;
    std::uint8_t throttle_min_dies;
    std::uint8_t throttle_lv_high;
    std::uint8_t throttle_lv_mid;
    std::uint8_t throttle_HYST;
    std::uint8_t TempDiff;
    std::uint8_t ThrottleLevel;
    std::uint32_t dwDynamicCacheOnce;
    std::uint16_t ThermalDegreeBase;
    std::uint8_t NVMeQNumShift;
    std::uint16_t NVMeQDepth;
    std::uint8_t CodeIdx;
    std::uint8_t bDieNumCount;  // number of dies in use
    std::uint8_t bVirCntPerDie;
    std::uint8_t bVirTblPerDie;
    std::uint8_t FWUpdate;
    std::uint16_t WarningTempThreshold;
    std::uint16_t CriticalTempThreshold;
    std::uint16_t MaxTimeFirmwareActivation;
    std::uint8_t DisableHMB;
    std::uint16_t ManualDefPercentage;
    std::uint8_t TBLBlkQnty;
    std::uint8_t EnUnbalance;
    std::uint8_t NandTempSelect;
    std::uint8_t NandTempLow;
    std::uint8_t NandTempHigh;

    // [RDSetting] values kept here.
    std::uint8_t EnBinEraseBuild;
    std::uint16_t MptFunBitMap;
    std::uint16_t DisableMptLog;
    std::uint8_t SetIF;
    std::uint8_t TestMode;
    std::uint8_t GDPFunBitMap;
    std::uint8_t InheritAnt;
    std::uint8_t EnWritePageToAllDie;
    std::uint8_t AutoDetectForceLoadGDP;

    // Remap settings and counters.
    float fIDEMACapacity;  // the capacity as a decimal number (IDEMACapacity / 10)
    std::uint16_t RemapThreshold;
    std::uint16_t VirtRemapThreshold;
    std::uint16_t RemapFilter;
    std::uint16_t RmpPartialTHR;
    std::uint8_t EnCheckRemap;
    std::uint16_t wPortBadCount[AP_PORT_COUNT];
    std::uint32_t dwPortBadCount[AP_PORT_COUNT];

    // Remaining settings.
    std::uint32_t dwDramSize;   // INI key "DramSize"
    std::uint8_t bDramProfile;  // INI key "DramProfile"
    std::uint8_t EnDRAMless;
    std::uint32_t TProgramTimeThreshold;
    std::uint8_t MaxThermal;
    std::uint8_t MinThermal;
    std::uint8_t ThermalScale;
    std::uint32_t ManufactureID;
    std::uint32_t ProductionID;
    std::uint8_t ChecktProg;
    std::uint8_t RDTSearchRange;
    std::uint8_t PureSLC;
    std::uint8_t PureTLC;
    std::uint8_t CheckFlashParam;
    std::uint8_t FlashParamThreshold;
    std::uint8_t NoOpCode;
    std::uint8_t MPTCodeBlkThreshold;
    std::uint16_t PerPlaneBad;
    std::uint8_t EnPartialTbl;
    std::uint8_t EraseAllType;
    std::uint8_t PartialRemapPolicy;
    char ExtParaFile[260];
    std::uint8_t bIsETLC;
    std::uint8_t bIsITLC;
};

// Geometry and interface of the selected flash (filled by the flash-parameter derivation).
struct AP_FlashSet_t {
    std::uint8_t ucFlashVendor;
    std::uint8_t ucFlashType;
    std::uint16_t wBlocks;     // blocks per CE
    std::uint16_t wPages;      // pages per block
    std::uint16_t wPageSize;   // KiB
    std::uint8_t bPageSector;  // 512-byte sectors per page
    std::uint8_t ucDiePerCE;
    std::uint8_t ucCE;
    std::uint8_t ucPlanes;
    std::uint16_t wDieUnit;  // wBlocks / ucPlanes / ucDiePerCE
    std::uint16_t wExtendBlocks;
    std::uint16_t wLunBlockOffset;
    std::uint8_t ucLdpcMode;
    std::uint8_t aFlashID[6];
    std::uint8_t ucFlashInterface;  // 0..10, selects the timing section
    std::uint8_t bNandMem;          // data-file set under DAT
    std::uint8_t ucChannel;
    std::uint8_t ucBankNum;
    std::uint32_t dwFlashOption;
    char sFlashFullName[32];
    std::uint16_t wPageMap[AP_PAGE_MAP_COUNT];
    std::uint16_t wSpareByte;
    std::uint8_t ucPageMapType;  // 0..12
    std::uint8_t bRowBlockShift;
    std::uint8_t bRowPageShift;
    std::uint8_t bRowLunShift;
    std::uint8_t bRowPlaneShift;
    std::uint8_t bPageShift;
    std::uint8_t bBlockShift;
    std::uint8_t bStpuShift;
    // Filled only by the information utility, from the running firmware's parameter page.
    std::uint8_t ucBankRemap[4];
    std::uint8_t ucChRemap[8];
    std::uint8_t ucBlockAttribute;
};

// Firmware settings that go into the parameter images.
struct AP_FwSet_t {
    std::uint16_t wDefRatio;
    std::uint16_t wResRatio;
    std::uint8_t ThermalSensorType;
    std::uint8_t NBTFlushPairPage;
    std::uint8_t CustomerID;
    std::uint32_t CustomizeUserLBA;
    std::uint8_t SetFeatureSettingProfile;
    std::uint8_t EnIoPadTimingSettingProfile;
    std::uint8_t Set_Timingmode;
    std::uint8_t EnRegMap;
    std::uint8_t SPI_IPC_Config;
    std::uint8_t HSPDThreshold;
    std::uint16_t IdleHandleTime;
    TMC_TIMING_PARAM timing_setting_after_setfeature;
    TMC_TIMING_PARAM init_timing_setting;
    std::uint16_t LDPCRate1ReadEmptyThreshold;
    std::uint16_t LDPCRate2ReadEmptyThreshold;
    std::uint16_t LDPCRate3ReadEmptyThreshold;
    std::uint16_t LDPCRate4ReadEmptyThreshold;
    char FirmwareVer[10];
    char ModelNum[42];
    char OUI[8];
    char EUI64[18];
    char sFwTag[64];  // the running firmware's tag (information utility only)
};

// The information utility's firmware variables: the customer IDs of the running firmware as "%04X"
// texts. Nine characters hold any 32-bit value with its terminator.
struct AP_Variable_t {
    char SyS_FM_CUSTOMIZE_Ver[9];
    char SyS_FM_CUSTOMIZE_FEATURE_Ver[9];
};

// Twenty firmware switch bytes handed as one block to the parameter-image writers.
struct AP_FwFeatureSet_t {
    std::uint8_t RemapEnable;
    std::uint8_t PureSLC;
    std::uint8_t EnPowerLossDetect;
    std::uint8_t EnPowerLossProtect;
    std::uint8_t EnWriteProtectAbort;
    std::uint8_t EnWriteProtectGPIO;
    std::uint8_t EnQuickErase;
    std::uint8_t DisableUartOutput;
    std::uint8_t EnPowerState0;
    std::uint8_t EnPowerState1;
    std::uint8_t EnPowerState2;
    std::uint8_t EnPowerState3;
    std::uint8_t EnPowerState4;
    std::uint8_t ASPM_Mode;
    std::uint8_t EnASPM_L1_1;
    std::uint8_t EnASPM_L1_2;
    std::uint8_t SecurityMode;
    std::uint8_t EnAES;
    std::uint8_t EnIEEE;
    std::uint8_t EnSM4;
};

// The sorting settings: one field per [RDT] key, the [Sorting] log path and [TestItems] CheckPPTmode.
struct AP_RDTSet_t {
    // Sorting flow.
    std::uint8_t FastRDTSort;
    std::uint8_t RunSortingMode;
    std::uint8_t EnEraseAll;
    std::uint8_t EnScanFactoryBad;
    std::uint8_t SkipEraseStatus;
    std::uint8_t SkipProgStatus;
    std::uint8_t EnNANDTestLoop;
    std::uint8_t Block_RW;
    std::uint8_t GDPGetResult;
    std::uint8_t EnRDTSetRunTime;
    std::uint8_t EnDummyRead;
    std::uint8_t EnPECycle;
    std::uint8_t EnFastBlockCheck;
    std::uint8_t FastBlock_CSBits;
    std::uint8_t FBB_Level;
    std::uint8_t PowerThrottle;
    std::uint8_t CheckRDTCode;
    std::uint8_t EnSuperDie;
    std::uint8_t MarkCacheFailDie;
    std::uint8_t StepTestCheck;
    std::uint8_t N18ReclaimCheck;
    std::uint8_t RecordLastLoop;
    std::uint8_t RecordMinErrBit;
    std::uint8_t EnableUartLog;
    std::uint8_t BadBlockOverstop;
    std::uint8_t RDTSearchRange;
    std::uint8_t DebugMode;
    std::uint32_t NANDTotalTestLoops;
    std::uint32_t NAND_NonSLCTestLoops;
    std::uint32_t NAND_SLCTestLoops;
    std::uint16_t NonSLCReadLoop;
    std::uint16_t SLCReadLoop;
    std::uint16_t wSpecialTestCase;
    std::uint16_t NANDTestTime;
    std::uint16_t DelaySectoRun;
    std::uint16_t PEBlockUStart;
    std::uint16_t PEBlockUEnd;
    std::uint16_t FastBlockCheckLoop;
    std::uint16_t BlockUnitStageWR;
    std::uint8_t EnRDTTask;
    std::uint8_t EnAutoGetNand;
    std::uint8_t ucEnReadIDOnly;
    std::uint8_t EnCheckID;
    std::uint8_t RDTOffLineMode;
    std::uint8_t FailQuitTest;
    std::uint8_t EnLTSTask;
    std::uint8_t EnReRDTTask;
    std::uint8_t EnNandIndex;
    std::uint16_t DRAMTestTime;
    std::uint16_t WaitTime;
    std::uint16_t RdtScanBlock;

    // Page levels.
    std::uint16_t SLC_CustomPageLevel;
    std::uint16_t TLC_CustomPageLevel;
    std::uint16_t CustomFullBlockUStar;
    std::uint16_t CustomFullBlockUEnd;

    // Sorting limits.
    std::uint16_t SortMaxReadFailBlock;
    std::uint16_t SortPgFailPerPlane;
    std::uint16_t SortEraseFailPerPlane;
    std::uint16_t SortMaxBadBlockPerPlane;
    std::uint16_t SortMaxBadBlockPerDie;
    std::uint16_t RdtMaxFactoryBadBlockPerDie;
    std::uint16_t SortAllBadBlockPerDrive;
    std::uint16_t SortEraseFailPerDrive;
    std::uint16_t SortProgFailPerDrive;
    std::uint16_t Capacity_SortMaxBadBlockPerPlane;
    std::uint16_t Capacity_SortPgFailPerPlane;
    std::uint16_t Capacity_SortEraseFailPerPlane;
    std::uint16_t Capacity_SortMaxReadFailBlock;
    std::uint16_t Capacity_SortMaxBadBlockPerDie;
    std::uint16_t DeBugBBPerPlane;
    std::uint16_t DeBugPgPerPlane;
    std::uint16_t DeBugErasePerPlane;
    std::uint16_t DeBugReadPerPlane;
    std::uint16_t DeBugBBPerDie;
    std::uint16_t SortCapacity;
    std::uint16_t SortFullCapacity;
    std::uint16_t RdtMaxHighPageFailBlock;
    std::uint16_t EccOverStop;
    std::uint16_t ZeroBitThreshold;

    // LDPC and ECC.
    std::uint16_t LDPCTLCThreshold;
    std::uint16_t LDPCSLCThreshold;
    std::uint16_t LDPCMLCThreshold;
    std::uint16_t LDPCSLC_MThreshold;
    std::uint8_t ErrorBit_TH;
    std::uint8_t EnECCInfo;
    std::uint8_t EnRefineLDPCTh;
    std::uint8_t SetRefineLDPCTh;
    std::uint8_t BBTh_Bytool;

    // Program and read times.
    std::uint16_t tProgThreshold;
    std::uint16_t tProgThresholdLower;
    std::uint16_t TLCtProgThreshold;
    std::uint16_t TLCtProgThresholdLower;
    std::uint16_t tReadThreshold;
    std::uint16_t tReadThresholdLower;
    std::uint16_t TLCtReadThreshold;
    std::uint16_t TLCtReadThresholdLower;
    std::uint16_t tProgStartBU;
    std::uint16_t tProgEndBU;
    std::uint16_t TLCtProgThAssigmPage;
    std::uint16_t TLCtProgPageStart;
    std::uint16_t TLCtProgPageEnd;
    std::uint8_t EntProgTh;
    std::uint8_t EnPagetProgTh;
    std::uint8_t ChecktproCount;
    std::uint16_t TproBlock1;
    std::uint16_t TproBlock2;
    std::uint16_t TproBlock3;
    std::uint16_t TproBlock4;
    std::uint16_t TproBlock5;
    std::uint16_t TproBlock6;
    std::uint16_t TproBlock7;
    std::uint16_t TproBlock8;
    std::uint16_t TproBlock9;
    std::uint16_t TproBlock10;

    // Read retry.
    std::uint8_t TLCShiftReadCnt;
    std::uint8_t SLCShiftReadCnt;
    std::uint8_t Retrytype;
    std::uint8_t FRetryinERetry;
    std::uint8_t RetryTableIndex;

    // Lights (times in units of 10 ms).
    std::uint8_t LED_OP;
    std::uint8_t LED_Feature;
    std::uint8_t LED_lastLoopCheck;
    std::uint16_t RunLightOn_10MilliSec;
    std::uint16_t RunLightOff_10MilliSec;
    std::uint16_t PassLightOn_10MilliSec;
    std::uint16_t PassLightOff_10MilliSec;
    std::uint16_t FailLightOn_10MilliSec;
    std::uint16_t FailLightOff_10MilliSec;
    std::uint16_t LED_AddLoopThFail_LightOn;
    std::uint16_t LED_AddLoopThFail_LightOff;
    std::uint16_t LED_OnlyLoopThFail_LightOn;
    std::uint16_t LED_OnlyLoopThFail_LightOff;
    std::uint16_t PassLED;
    std::uint8_t FailLEDMode;
    std::uint8_t ScreenOrder;

    // Test patterns.
    std::uint8_t bPattern_Index4UI;
    std::uint8_t Pattern_Feature;
    std::uint16_t Test_Pattern_Value1;
    std::uint16_t Test_Pattern_Value2;
    std::uint16_t Test_Pattern_Value3;
    std::uint16_t Test_Pattern_Value4;
    std::uint16_t Test_Pattern_Value5;

    // Result display and logs.
    std::uint8_t SaveResultLog;
    std::uint8_t DisDBG_SORT;
    std::uint8_t DumpRAWFile;
    std::uint8_t ShowNandStatus;
    std::uint8_t EnchangeLight;
    std::uint16_t YellowUnderValue;
    std::uint16_t GreenUnderValue;

    std::uint8_t EnSaveLocation;  // written (as its value, always 0); no reader sets it
    char RdtLogPath[40];          // [Sorting]
    std::uint8_t CheckPPTmode;    // [TestItems]
};

// The die-count dependent values of the Para file's section; 31 bytes without padding.
#pragma pack(push, 1)
struct AP_ParaSet_t {
    std::uint8_t EN_VD;
    std::uint8_t VD_NUM;
    std::uint8_t MERGE_BU;
    std::uint8_t ROLL_RATE;
    std::uint8_t LAST_BAD_RATION;
    std::uint16_t TABLE_BU;
    std::uint16_t DMT_BU;
    std::uint16_t HSPD_CAPACITY;
    std::uint16_t FIX_SLC_BU;
    std::uint16_t CAPACITY;
    std::uint16_t DCO;
    std::uint16_t THROTTLE_MAX;
    std::uint16_t THROTTLE_MIN;
    std::uint16_t PARTIAL;
    std::uint32_t READ_DISTURB;
    std::uint32_t READ_DISTURB_HEAD;
};
#pragma pack(pop)

static_assert(sizeof(AP_FwFeatureSet_t) == 20);
static_assert(sizeof(AP_ParaSet_t) == 31);
static_assert(offsetof(AP_ParaSet_t, TABLE_BU) == 5);
static_assert(offsetof(AP_ParaSet_t, READ_DISTURB) == 23);
static_assert(offsetof(AP_ParaSet_t, READ_DISTURB_HEAD) == 27);
static_assert(std::is_trivially_copyable_v<AP_INIState_t>);
static_assert(std::is_trivially_copyable_v<AP_FlashSet_t>);
static_assert(std::is_trivially_copyable_v<AP_FwSet_t>);
static_assert(std::is_trivially_copyable_v<AP_Variable_t>);
static_assert(std::is_trivially_copyable_v<AP_FwFeatureSet_t>);
static_assert(std::is_trivially_copyable_v<AP_RDTSet_t>);
static_assert(std::is_trivially_copyable_v<AP_ParaSet_t>);

extern AP_INIState_t AP_INIState;
extern AP_FlashSet_t AP_FlashSet;
extern AP_FwSet_t AP_FwSet;
extern AP_Variable_t AP_Variable;
extern AP_FwFeatureSet_t AP_FwFeatureSet;
extern AP_RDTSet_t AP_RDTSet;
// The sorting-result block of every die, kept with the sorting settings: [port][channel][FW bank],
// FW bank = LUN x AP_INIState.MaxPhyBank + CE; 0 means the die has no result block.
extern std::uint16_t wRsltBlk[AP_PORT_COUNT][8][8];
extern AP_ParaSet_t AP_ParaSet;

// Puts every global settings record back to its start state (all zero): the six records above,
// AP_RDSetting and AP_OtSet (transport/tool_records.h), and AP_Bins, AP_GDPBins and the two
// version texts (settings/firmware_bins.h). The INI engine's texts and the flash list are not
// records: IniResetState and the list loader look after those.
void ResetSettingsRecords();
