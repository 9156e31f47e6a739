// The sample station's settings file survives a load and a save unchanged, and a save keeps every
// line that no writer sets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "platform/files.h"
#include "settings/ini_all.h"
#include "settings_fixture.h"
#include "support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using settings_test::KeysIn;
using settings_test::ReadText;
using settings_test::RecordBytes;
using settings_test::ValueIn;
using settings_test::WriteText;

const fs::path kStation = fs::path(QV_SOURCE_DIR) / "station" / "RIVIDO.ini";

std::string FileText(const fs::path& path) {
    const auto text = platform::ReadWholeFile(path);
    EXPECT_TRUE(text.has_value()) << path;
    return text.value_or("");
}

using test_support::ScratchFolder;

TEST(SettingsGolden, StationFileSavesBackByteForByteWithTheSameValues) {
    const ScratchFolder tmp("qv_settings");
    const fs::path saved = tmp.Path() / "RIVIDO.ini";

    ResetSettingsRecords();
    ReadIniAll(kStation.c_str());
    const RecordBytes loaded = RecordBytes::Take();
    ASSERT_TRUE(WriteIniAll(saved.c_str()));
    EXPECT_EQ(FileText(saved), FileText(kStation));

    ResetSettingsRecords();
    ReadIniAll(saved.c_str());
    EXPECT_TRUE(RecordBytes::Take() == loaded);
}

TEST(SettingsGolden, StationFileDescribesTheSampleDrive) {
    ResetSettingsRecords();
    ReadIniAll(kStation.c_str());
    EXPECT_STREQ(AP_INIState.TMCFolder, "Default");
    EXPECT_STREQ(AP_INIState.ExtFlashFile, "FlashList.ini");
    EXPECT_STREQ(AP_INIState.ExtParaFile, "Para_B27B.ini");
    EXPECT_EQ(AP_INIState.MPChannel, 4);
    EXPECT_EQ(AP_INIState.MPBank, 2);
    int dies = 0;
    for (int ch = 0; ch < 8; ++ch)
        for (int bank = 0; bank < 4; ++bank) dies += AP_INIState.bDieStatus[ch][bank];
    EXPECT_EQ(dies, 8);
    EXPECT_FLOAT_EQ(AP_INIState.fIDEMACapacity, 512.0f);
    EXPECT_EQ(AP_INIState.EnDRAMless, 0);
    EXPECT_EQ(AP_INIState.dwDramSize, 512u);
    EXPECT_EQ(AP_INIState.TimeOut, 200u * 60000u);
    // The serial number fits its length as it stands: prefix + number + suffix = SNLength.
    EXPECT_EQ(std::string(AP_INIState.SerialNumPrefix).size() + std::string(AP_INIState.SerialNum).size() +
                  std::string(AP_INIState.SerialNumSuffix).size(),
              AP_INIState.SNLength);
}

// Every line of `before` that is not a key line of a written key is in `after`, in the same section.
void ExpectUnwrittenLinesKept(const std::string& before, const std::string& after) {
    ReadText("");
    const std::string writtenText = WriteText();
    std::string section;
    std::size_t start = 0;
    while (start < before.size()) {
        std::size_t end = before.find('\n', start);
        if (end == std::string::npos) end = before.size();
        std::string line = before.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            if (!line.empty()) {
                EXPECT_NE(after.find(line), std::string::npos) << line;
            }
            continue;
        }
        const std::string key = line.substr(0, eq);
        const auto written = KeysIn(writtenText, section);
        if (std::find(written.begin(), written.end(), key) != written.end()) continue;
        EXPECT_EQ(ValueIn(after, section, key), line.substr(eq + 1)) << "[" << section << "] " << key;
    }
}

TEST(SettingsGolden, SaveKeepsEveryLineNoWriterSets) {
    const std::string hand =
        "; hand-edited station file\n"
        "[Setting]\n"
        "MPVersion=1\n"
        "TimeOut=45\n"
        "LogPath=D:\\MPLog\n"
        "EnCustomizePortMap=1\n"
        "DevicePortMap_7=3\n"
        "RuzeVeElecThold=1750\n"
        "WatermarkString=Line 3\n"
        "[TestItems]\n"
        "EnUpload=1\n"
        "CopyImagePath=C:\\img\\golden.bin\n"
        "CheckSnLengthValue=25\n"
        "EnCheckTemperature=0\n"
        "CheckMaxTemperatureValue=85\n"
        "[FwSetting]\n"
        "IdleHandleTime=2\n"
        "Read_Disturb_Head=77\n"
        "VDieRaidNum=3\n"
        "[RDSetting]\n"
        "DumpDebugFile=2\n"
        "DisableMptLog=30\n"
        "GDPFunBitMap=0x7\n"
        "[RDT]\n"
        "WaitTime=99\n"
        "RdtLogPath=ignored\n"
        "[Sorting]\n"
        "RdtLogPath=SortLog\n"
        "[Customer]\n"
        "Name=Someone\n";
    ReadText(hand);
    const std::string after = WriteText();
    ExpectUnwrittenLinesKept(hand, after);
    // A missing [RDSetting] key is never added.
    EXPECT_EQ(ValueIn(after, "RDSetting", "TestMode"), "<none>");
}

// The writers put exactly these keys, in this order, into a file that had none of them.
TEST(SettingsGolden, WritersPutTheirKeysInTheirOrderAndNoOthers) {
    ReadText("");
    const std::string text = WriteText();

    const std::vector<std::string> setting = {"EnKeepPFormatSetting", "TMCFolder",      "ToolMode",
                                              "DevicePanelStyle",     "WindowSizeMode", "EnKeepSmartInfo"};
    const std::vector<std::string> testItems = {"CheckFlashMask",
                                                "EnCheckFlashID",
                                                "EnCheckModuleCHCE",
                                                "EnBusTest",
                                                "EnFlashTest",
                                                "EnCheckSRAM",
                                                "EnCheckLDPC",
                                                "EnCheckNandReset",
                                                "EnCheckDataPath",
                                                "FlashTestDataPathThreshold",
                                                "FlashTestDataPathLoop",
                                                "EnCheckNandTime",
                                                "EnEraseAllBlocks",
                                                "EnPreFormat",
                                                "EnDownload",
                                                "EnRWTest",
                                                "EnCheckTables",
                                                "EnCheckRDTFW",
                                                "EnSortingLine",
                                                "EnSetMaxLBA",
                                                "SetMaxLBAValue",
                                                "EnDramTest",
                                                "DRAMTestMode",
                                                "CheckPPTmode",
                                                "CheckFlashParam",
                                                "FlashParamThreshold",
                                                "ChecktProg",
                                                "TProgramTimeThreshold"};
    const std::vector<std::string> device = {
        "SerialNum",   "SerialNumPrefix", "SerialNumSuffix",    "ModelNum",    "FirmwareVer",
        "OUI",         "EUI64",           "VendorID",           "DeviceID",    "SubSysVendorID",
        "SubSysID",    "NVMeVendorID",    "NVMeSubSysVendorID", "SNLength",    "SNInputMode",
        "EnMaxSN",     "MaxSerialNum",    "EnSNMountTime",      "DramProfile", "MPTCodeBlkThreshold",
        "ExtParaFile", "EnNepIDCode"};
    const std::vector<std::string> flash = {"ExtFlashFile",  "FlashUniName",  "Channel",       "Bank",
                                            "FwBankSet0",    "FwBankSet1",    "FwBankSet2",    "FwBankSet3",
                                            "FwChannelSet0", "FwChannelSet1", "FwChannelSet2", "FwChannelSet3",
                                            "FwChannelSet4", "FwChannelSet5", "FwChannelSet6", "FwChannelSet7",
                                            "DefaultTiming", "BestTiming",    "Clock",         "DieReMap"};
    const std::vector<std::string> fw = {"DefPercentage",
                                         "ResPercentage",
                                         "DiffRatioRange",
                                         "EnKeepEraseCount",
                                         "MergeBUNUM",
                                         "LastBadRation",
                                         "IDEMACapacity",
                                         "LDPCRate1ReadEmptyThreshold",
                                         "LDPCRate2ReadEmptyThreshold",
                                         "LDPCRate3ReadEmptyThreshold",
                                         "LDPCRate4ReadEmptyThreshold",
                                         "RemapEnable",
                                         "EnTrimCmd",
                                         "ManufactureID",
                                         "ProductionID",
                                         "G1_Emphasis",
                                         "G1_Amplitude",
                                         "G2_Emphasis",
                                         "G2_Amplitude",
                                         "G3_Emphasis",
                                         "G3_Amplitude",
                                         "LimitNVMeSpeed",
                                         "CloseBlockRefreshThreshold",
                                         "HeaderBlockRefreshThreshold",
                                         "ecnt_thrshd0",
                                         "ecnt_thrshd1",
                                         "ecnt_thrshd2",
                                         "ecnt_thrshd3",
                                         "throttle_max_dies",
                                         "throttle_lv_high",
                                         "throttle_lv_mid",
                                         "throttle_HYST",
                                         "TempDiff",
                                         "FixSLC_BU",
                                         "FWBlkQnty",
                                         "TBLBlkQnty",
                                         "CodeBlockThreshold",
                                         "Read_Disturb",
                                         "CapacitySectorHigh",
                                         "CapacitySectorLow",
                                         "EnIoPadTimingSettingProfile",
                                         "Set_Timingmode",
                                         "EnSPI",
                                         "EnSuperDie",
                                         "PureSLC",
                                         "PureTLC",
                                         "EnPowerLossDetect",
                                         "EnPowerLossProtect",
                                         "EnWriteProtectAbort",
                                         "EnWriteProtectGPIO",
                                         "EnQuickErase",
                                         "DisableUartOutput",
                                         "ASPM_Mode",
                                         "EnASPM_L1_1",
                                         "EnASPM_L1_2",
                                         "MPChannel",
                                         "MPBank",
                                         "MPFwBankSet0",
                                         "MPFwBankSet1",
                                         "MPFwBankSet2",
                                         "MPFwBankSet3",
                                         "MPFwChannelSet0",
                                         "MPFwChannelSet1",
                                         "MPFwChannelSet2",
                                         "MPFwChannelSet3",
                                         "MPFwChannelSet4",
                                         "MPFwChannelSet5",
                                         "MPFwChannelSet6",
                                         "MPFwChannelSet7",
                                         "DMT_Qnty",
                                         "QBT_Qnty",
                                         "EnVD",
                                         "SWLThreshold",
                                         "SwitchEcThreshold",
                                         "CutType",
                                         "DisableLPS",
                                         "EraseAllType",
                                         "EnFactoryBad",
                                         "EnInheritFW",
                                         "EnEraseSearch",
                                         "EnInheritRDT",
                                         "EnInheritSorting",
                                         "EnAutoInherit",
                                         "DramSize",
                                         "EnDRAMless",
                                         "DisableHMB",
                                         "EnUnbalance",
                                         "NandTempSelect",
                                         "NandTempHigh",
                                         "NandTempLow",
                                         "SetFeatureSettingProfile"};
    const std::vector<std::string> rdt = {"FastRDTSort",
                                          "SLC_CustomPageLevel",
                                          "TLC_CustomPageLevel",
                                          "CustomFullBlockUStar",
                                          "CustomFullBlockUEnd",
                                          "EnEraseAll",
                                          "EnScanFactoryBad",
                                          "SkipEraseStatus",
                                          "SkipProgStatus",
                                          "EnNANDTestLoop",
                                          "NANDTotalTestLoops",
                                          "NAND_NonSLCTestLoops",
                                          "NAND_SLCTestLoops",
                                          "NonSLCReadLoop",
                                          "SLCReadLoop",
                                          "SortMaxReadFailBlock",
                                          "SortPgFailPerPlane",
                                          "SortEraseFailPerPlane",
                                          "SortMaxBadBlockPerPlane",
                                          "SortMaxBadBlockPerDie",
                                          "RdtMaxFactoryBadBlockPerDie",
                                          "SortAllBadBlockPerDrive",
                                          "SortEraseFailPerDrive",
                                          "SortProgFailPerDrive",
                                          "LDPCTLCThreshold",
                                          "LDPCSLCThreshold",
                                          "LDPCMLCThreshold",
                                          "LDPCSLC_MThreshold",
                                          "Block_RW",
                                          "SaveResultLog",
                                          "DisDBG_SORT",
                                          "LED_OP",
                                          "LED_Feature",
                                          "RunLightOn_10MilliSec",
                                          "RunLightOff_10MilliSec",
                                          "PassLightOn_10MilliSec",
                                          "PassLightOff_10MilliSec",
                                          "FailLightOn_10MilliSec",
                                          "FailLightOff_10MilliSec",
                                          "DelaySectoRun",
                                          "EntProgTh",
                                          "wSpecialTestCase",
                                          "tProgThreshold",
                                          "TLCtProgThreshold",
                                          "TLCtReadThreshold",
                                          "tReadThreshold",
                                          "tProgThresholdLower",
                                          "TLCtProgThresholdLower",
                                          "TLCtReadThresholdLower",
                                          "tReadThresholdLower",
                                          "tProgStartBU",
                                          "tProgEndBU",
                                          "TLCShiftReadCnt",
                                          "SLCShiftReadCnt",
                                          "Retrytype",
                                          "FRetryinERetry",
                                          "RunSortingMode",
                                          "YellowUnderValue",
                                          "GreenUnderValue",
                                          "EnchangeLight",
                                          "DebugMode",
                                          "DeBugBBPerPlane",
                                          "DeBugPgPerPlane",
                                          "DeBugErasePerPlane",
                                          "DeBugReadPerPlane",
                                          "DeBugBBPerDie",
                                          "DumpRAWFile",
                                          "GDPGetResult",
                                          "RDTSearchRange",
                                          "PowerThrottle",
                                          "EnRDTSetRunTime",
                                          "NANDTestTime",
                                          "LED_lastLoopCheck",
                                          "EnECCInfo",
                                          "EnSaveLocation",
                                          "BBTh_Bytool",
                                          "ShowNandStatus",
                                          "ChecktproCount",
                                          "EnPagetProgTh",
                                          "TLCtProgThAssigmPage",
                                          "TLCtProgPageStart",
                                          "TLCtProgPageEnd",
                                          "RetryTableIndex",
                                          "EnDummyRead",
                                          "EnRefineLDPCTh",
                                          "SetRefineLDPCTh",
                                          "ErrorBit_TH",
                                          "EnPECycle",
                                          "PEBlockUStart",
                                          "PEBlockUEnd",
                                          "EnFastBlockCheck",
                                          "FastBlockCheckLoop",
                                          "FastBlock_CSBits",
                                          "FBB_Level",
                                          "CheckRDTCode",
                                          "EnSuperDie",
                                          "MarkCacheFailDie",
                                          "BlockUnitStageWR",
                                          "StepTestCheck",
                                          "N18ReclaimCheck",
                                          "RecordLastLoop",
                                          "RecordMinErrBit",
                                          "EnableUartLog",
                                          "BadBlockOverstop",
                                          "Capacity_SortMaxBadBlockPerDie",
                                          "Capacity_SortMaxBadBlockPerPlane",
                                          "Capacity_SortPgFailPerPlane",
                                          "Capacity_SortEraseFailPerPlane",
                                          "Capacity_SortMaxReadFailBlock"};

    EXPECT_EQ(KeysIn(text, "Setting"), setting);
    EXPECT_EQ(KeysIn(text, "TestItems"), testItems);
    EXPECT_EQ(KeysIn(text, "DeviceSetting"), device);
    EXPECT_EQ(KeysIn(text, "FlashSetting"), flash);
    EXPECT_EQ(KeysIn(text, "FwSetting"), fw);
    EXPECT_EQ(KeysIn(text, "RDT"), rdt);
    EXPECT_TRUE(KeysIn(text, "RDSetting").empty());
    EXPECT_TRUE(KeysIn(text, "Sorting").empty());
}

}  // namespace
