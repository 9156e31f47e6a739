// The conversions and special rules of the settings sections, one table of cases for reading and one
// for saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

#include "platform/trace_sink.h"
#include "settings/idema_capacity.h"
#include "settings_fixture.h"

namespace {

using settings_test::ReadText;
using settings_test::ValueIn;
using settings_test::WriteText;

std::string DieList(const std::string& first, int entries) {
    std::string text = first;
    for (int k = 1; k < entries; ++k) text += ",FF";
    return text;
}

struct ReadCase {
    const char* name;
    std::string text;
    std::function<void()> check;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class SectionRead : public testing::TestWithParam<ReadCase> {};

TEST_P(SectionRead, Reads) {
    ReadText(GetParam().text);
    GetParam().check();
}

const ReadCase kReadCases[] = {
    {"TimeOutMissingIs200Minutes", "[TestItems]\nEnBusTest=1\n", [] { EXPECT_EQ(AP_INIState.TimeOut, 12000000u); }},
    {"TimeOutZeroIsFiveMinutes", "[Setting]\nTimeOut=0\n", [] { EXPECT_EQ(AP_INIState.TimeOut, 300000u); }},
    {"TimeOutMinutesToMilliseconds", "[Setting]\nTimeOut=3\n", [] { EXPECT_EQ(AP_INIState.TimeOut, 180000u); }},
    {"TimeOutKeptIn32Bits", "[Setting]\nTimeOut=100000\n",
     [] { EXPECT_EQ(AP_INIState.TimeOut, static_cast<std::uint32_t>(100000ull * 60000ull)); }},
    {"CheckSnLengthAbove20Is20", "[TestItems]\nCheckSnLengthValue=25\n",
     [] { EXPECT_EQ(AP_INIState.CheckSnLengthValue, 20); }},
    {"CheckSnLengthAbove20BeforeNarrowingIs20", "[TestItems]\nCheckSnLengthValue=260\n",
     [] { EXPECT_EQ(AP_INIState.CheckSnLengthValue, 20); }},
    {"CheckSnLengthNegativeIs20", "[TestItems]\nCheckSnLengthValue=-1\n",
     [] { EXPECT_EQ(AP_INIState.CheckSnLengthValue, 20); }},
    {"CheckSnLengthUpTo20Kept", "[TestItems]\nCheckSnLengthValue=20\n",
     [] { EXPECT_EQ(AP_INIState.CheckSnLengthValue, 20); }},
    {"HexKeyWrittenInDecimalReadsZero", "[TestItems]\nFlashParamThreshold=5\n[DeviceSetting]\nVendorID=4660\n",
     [] {
         EXPECT_EQ(AP_INIState.FlashParamThreshold, 0);
         EXPECT_EQ(AP_INIState.VendorID, 0);
     }},
    {"HexKeyWithPrefix", "[DeviceSetting]\nDeviceID=0xbeef\n[FwSetting]\nManufactureID=0x1F\n",
     [] {
         EXPECT_EQ(AP_INIState.DeviceID, 0xBEEF);
         EXPECT_EQ(AP_INIState.ManufactureID, 31u);
     }},
    {"DisableMptLogWithoutPrefixReadsZero", "[RDSetting]\nDisableMptLog=30\n",
     [] { EXPECT_EQ(AP_INIState.DisableMptLog, 0); }},
    {"NarrowFieldsKeepLowBits",
     "[TestItems]\nCheckFlashMask=300\n[Setting]\nToolMode=-1\n[FlashSetting]\nClock=70000\n",
     [] {
         EXPECT_EQ(AP_INIState.CheckFlashMask, 300 & 0xFF);
         EXPECT_EQ(AP_INIState.ToolMode, -1);
         EXPECT_EQ(AP_INIState.Clock, 70000 & 0xFFFF);
     }},
    {"SixtyFourBitLba", "[TestItems]\nSetMaxLBAValue=1000215216000\n",
     [] { EXPECT_EQ(AP_INIState.SetMaxLBAValue, 1000215216000ull); }},
    {"PreFormatModeSelectsOneSwitch",
     "[Setting]\nEnKeepPFormatSetting=3\n[FwSetting]\nEnFactoryBad=1\nEnEraseSearch=0\nEnInheritSorting=1\n",
     [] {
         EXPECT_EQ(AP_INIState.EnFactoryBad, 0);
         EXPECT_EQ(AP_INIState.EnInheritFW, 0);
         EXPECT_EQ(AP_INIState.EnEraseSearch, 1);
         EXPECT_EQ(AP_INIState.EnInheritRDT, 0);
         EXPECT_EQ(AP_INIState.EnAutoInherit, 0);
         EXPECT_EQ(AP_INIState.EnInheritSorting, 1);
     }},
    {"PreFormatModeFiveIsAutoInherit", "[Setting]\nEnKeepPFormatSetting=5\n",
     [] {
         EXPECT_EQ(AP_INIState.EnEraseSearch, 0);
         EXPECT_EQ(AP_INIState.EnAutoInherit, 1);
     }},
    {"NoPreFormatModeKeepsTheKeys", "[FwSetting]\nEnFactoryBad=1\nEnInheritFW=1\nEnEraseSearch=0\n",
     [] {
         EXPECT_EQ(AP_INIState.EnFactoryBad, 1);
         EXPECT_EQ(AP_INIState.EnInheritFW, 1);
         EXPECT_EQ(AP_INIState.EnEraseSearch, 0);
     }},
    {"IdleHandleTimeAtLeast5", "[FwSetting]\nIdleHandleTime=2\n", [] { EXPECT_EQ(AP_FwSet.IdleHandleTime, 5); }},
    {"IdleHandleTimeAbove5Kept", "[FwSetting]\nIdleHandleTime=6\n", [] { EXPECT_EQ(AP_FwSet.IdleHandleTime, 6); }},
    {"IdemaCapacityInTenths", "[FwSetting]\nIDEMACapacity=512\n",
     [] {
         EXPECT_EQ(AP_INIState.IDEMACapacity, 512);
         EXPECT_EQ(AP_INIState.fIDEMACapacity, 51.2f);
     }},
    {"KeysKeptInAnotherSectionsRecord",
     "[Setting]\nEnNoCheckBridge=1\nEnKeepSmartInfo=1\n[TestItems]\nCheckPPTmode=2\n[FwSetting]\nEnKeepSmartInfo=0\n",
     [] {
         EXPECT_EQ(AP_RDSetting.EnNoCheckBridge, 1);
         EXPECT_EQ(AP_INIState.EnKeepSmartInfo, 1);
         EXPECT_EQ(AP_RDTSet.CheckPPTmode, 2);
     }},
    {"KeysInTwoSectionsFillTwoFields",
     "[TestItems]\nRDTSearchRange=3\n[FwSetting]\nEnSuperDie=1\n[RDT]\nRDTSearchRange=7\nEnSuperDie=0\n",
     [] {
         EXPECT_EQ(AP_INIState.RDTSearchRange, 3);
         EXPECT_EQ(AP_RDTSet.RDTSearchRange, 7);
         EXPECT_EQ(AP_INIState.EnSuperDie, 1);
         EXPECT_EQ(AP_RDTSet.EnSuperDie, 0);
     }},
    {"RdtLogPathOnlyFromSorting", "[RDT]\nRdtLogPath=wrong\n[Sorting]\nRdtLogPath=D:\\Sort\n",
     [] { EXPECT_STREQ(AP_RDTSet.RdtLogPath, "D:\\Sort"); }},
    {"RdtLogPathLineInRdtHasNoEffect", "[RDT]\nRdtLogPath=wrong\n", [] { EXPECT_STREQ(AP_RDTSet.RdtLogPath, ""); }},
    {"EnSaveLocationIsNeverRead", "[RDT]\nEnSaveLocation=5\n", [] { EXPECT_EQ(AP_RDTSet.EnSaveLocation, 0); }},
    {"LongTextCutToItsBuffer", "[DeviceSetting]\nModelNum=" + std::string(60, 'M') + "\nOUI=0123456789\n",
     [] {
         EXPECT_EQ(std::string(AP_INIState.ModelNum), std::string(41, 'M'));
         EXPECT_STREQ(AP_INIState.OUI, "0123456");
     }},
    {"EmptyTextValueIsEmptyNotDefault", "[DeviceSetting]\nSerialNumSuffix=\n",
     [] { EXPECT_STREQ(AP_INIState.SerialNumSuffix, ""); }},
    {"DieCodeFFIsNoDie00IsDieWithoutLuns0FIsFourLuns", "[FlashSetting]\nDieReMap=FF,00,0F,05\n",
     [] {
         EXPECT_EQ(AP_INIState.bDieStatus[0][0], 0);
         EXPECT_EQ(AP_INIState.bDieStatus[0][1], 1);
         EXPECT_EQ(AP_INIState.bDieStatus[0][2], 1);
         for (int lun = 0; lun < 4; ++lun) {
             EXPECT_EQ(AP_INIState.bDieStatusMultiLun[0][0][lun], 0);
             EXPECT_EQ(AP_INIState.bDieStatusMultiLun[0][1][lun], 0);
             EXPECT_EQ(AP_INIState.bDieStatusMultiLun[0][2][lun], 1);
             EXPECT_EQ(AP_INIState.bDieStatusMultiLun[0][3][lun], (0x05 >> lun) & 1);
         }
         EXPECT_EQ(AP_INIState.bChBankUI[0][2], 0x0F);
     }},
    {"DieCodesFillChannelMajor", "[FlashSetting]\nDieReMap=" + DieList("01", 5).replace(12, 2, "0a") + "\n",
     [] {
         EXPECT_EQ(AP_INIState.bChBankUI[0][0], 0x01);
         EXPECT_EQ(AP_INIState.bChBankUI[1][0], 0x0A);
         EXPECT_EQ(AP_INIState.bDieStatus[1][0], 1);
     }},
    {"ShortDieListLeavesTheRestWithoutDies", "[FlashSetting]\nDieReMap=01,01\n",
     [] {
         EXPECT_EQ(AP_INIState.bDieStatus[0][1], 1);
         for (int k = 2; k < 32; ++k) {
             EXPECT_EQ(AP_INIState.bChBankUI[k / 4][k % 4], 0xFF) << k;
             EXPECT_EQ(AP_INIState.bDieStatus[k / 4][k % 4], 0) << k;
         }
     }},
    {"EmptyDieListHasNoDies", "[FlashSetting]\nDieReMap=\n",
     [] {
         for (int k = 0; k < 32; ++k) EXPECT_EQ(AP_INIState.bDieStatus[k / 4][k % 4], 0) << k;
     }},
    {"DiePiecesWithBlanksAndNonHexDigits", "[FlashSetting]\nDieReMap= 01 ,zz,1,,03xyz\n",
     [] {
         EXPECT_EQ(AP_INIState.bChBankUI[0][0], 0x01);
         EXPECT_EQ(AP_INIState.bChBankUI[0][1], 0xFF);  // "zz"
         EXPECT_EQ(AP_INIState.bChBankUI[0][2], 0xFF);  // "1": one digit
         EXPECT_EQ(AP_INIState.bChBankUI[0][3], 0x03);  // the empty piece is skipped; "03xyz" gives 03
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, SectionRead, testing::ValuesIn(kReadCases),
                         [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(SectionDieMap, EntriesBeyond32AreIgnoredWithATrace) {
    platform::TraceCapture capture;
    ReadText("[FlashSetting]\nDieReMap=" + DieList("01", 32) + ",01,01\n");
    EXPECT_EQ(AP_INIState.bChBankUI[7][3], 0xFF);
    EXPECT_EQ(AP_INIState.bChBankUI[0][0], 0x01);
    EXPECT_TRUE(capture.Contains("DieReMap holds more than 32 entries"));
}

TEST(SectionDieMap, ReadTracesTheCodesPerChannel) {
    platform::TraceCapture capture;
    ReadText("[FlashSetting]\nDieReMap=01,02,03,04,05\n");
    const auto lines = capture.Lines();
    const auto header = std::find(lines.begin(), lines.end(), "######### - AP_INIState.bChBankUI Status");
    ASSERT_NE(header, lines.end());
    ASSERT_GE(lines.end() - header, 9);
    EXPECT_EQ(header[1], "######### - 01 02 03 04");
    EXPECT_EQ(header[2], "######### - 05 FF FF FF");
    EXPECT_EQ(header[8], "######### - FF FF FF FF");
}

struct WriteCase {
    const char* name;
    std::string text;              // the loaded file
    std::function<void()> change;  // changes to the records before the save
    std::function<void(const std::string&)> check;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class SectionWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(SectionWrite, Writes) {
    ReadText(GetParam().text);
    if (GetParam().change) GetParam().change();
    GetParam().check(WriteText());
}

const WriteCase kWriteCases[] = {
    {"HexFormats", "", nullptr,
     [](const std::string& t) {
         EXPECT_EQ(ValueIn(t, "TestItems", "FlashParamThreshold"), "0x03");
         EXPECT_EQ(ValueIn(t, "DeviceSetting", "DeviceID"), "0x1001");
         EXPECT_EQ(ValueIn(t, "FwSetting", "G1_Amplitude"), "0x00536006");
         EXPECT_EQ(ValueIn(t, "FwSetting", "ManufactureID"), "0x00000000");
     }},
    {"TemperatureCheckOffLeavesItsLines", "[TestItems]\nEnCheckTemperature=1\nCheckMaxTemperatureValue=85\n",
     [] {
         AP_INIState.dwItemEnable[17] = 0;
         AP_INIState.CheckMaxTemperatureValue = 60;
     },
     [](const std::string& t) {
         EXPECT_EQ(ValueIn(t, "TestItems", "EnCheckTemperature"), "1");
         EXPECT_EQ(ValueIn(t, "TestItems", "CheckMaxTemperatureValue"), "85");
     }},
    {"TemperatureCheckOnWritesBoth", "",
     [] {
         AP_INIState.dwItemEnable[17] = 1;
         AP_INIState.CheckMaxTemperatureValue = 72;
     },
     [](const std::string& t) {
         EXPECT_EQ(ValueIn(t, "TestItems", "EnCheckTemperature"), "1");
         EXPECT_EQ(ValueIn(t, "TestItems", "CheckMaxTemperatureValue"), "72");
     }},
    {"EmptyFlashListNameKeepsTheLine", "[FlashSetting]\nExtFlashFile=Old.ini\n",
     [] { AP_INIState.ExtFlashFile[0] = '\0'; },
     [](const std::string& t) { EXPECT_EQ(ValueIn(t, "FlashSetting", "ExtFlashFile"), "Old.ini"); }},
    {"EnSaveLocationAlwaysZero", "[RDT]\nEnSaveLocation=5\n", nullptr,
     [](const std::string& t) { EXPECT_EQ(ValueIn(t, "RDT", "EnSaveLocation"), "0"); }},
    {"IdemaCapacityFromTheFloat", "[FwSetting]\nIDEMACapacity=512\n", nullptr,
     [](const std::string& t) { EXPECT_EQ(ValueIn(t, "FwSetting", "IDEMACapacity"), "512"); }},
    {"IdemaCapacityAfterAParaValue", "[FwSetting]\nIDEMACapacity=512\n", [] { AP_INIState.fIDEMACapacity = 480.0f; },
     [](const std::string& t) {
         EXPECT_EQ(ValueIn(t, "FwSetting", "IDEMACapacity"), "4800");
         EXPECT_EQ(AP_INIState.IDEMACapacity, 4800);
     }},
    {"SignedAndWideFieldsWrittenAsTheyRead", "[Setting]\nToolMode=-1\n[TestItems]\nTProgramTimeThreshold=-5\n", nullptr,
     [](const std::string& t) {
         EXPECT_EQ(ValueIn(t, "Setting", "ToolMode"), "-1");
         EXPECT_EQ(ValueIn(t, "TestItems", "TProgramTimeThreshold"), "-5");
     }},
    {"SmartInfoSwitchGoesToSetting", "[FwSetting]\nEnKeepSmartInfo=7\n", [] { AP_INIState.EnKeepSmartInfo = 1; },
     [](const std::string& t) {
         EXPECT_EQ(ValueIn(t, "Setting", "EnKeepSmartInfo"), "1");
         EXPECT_EQ(ValueIn(t, "FwSetting", "EnKeepSmartInfo"), "7");
     }},
    {"UnterminatedTextFieldWrittenBounded", "", [] { std::memset(AP_INIState.OUI, 'A', sizeof AP_INIState.OUI); },
     [](const std::string& t) { EXPECT_EQ(ValueIn(t, "DeviceSetting", "OUI"), "AAAAAAAA"); }},
    {"SingleLunDieMap", "",
     [] {
         AP_FlashSet.ucDiePerCE = 1;
         std::memset(AP_INIState.bDieStatus, 0, sizeof AP_INIState.bDieStatus);
         AP_INIState.bDieStatus[0][0] = 1;
     },
     [](const std::string& t) {
         std::string expected = "01,";
         for (int k = 1; k < 32; ++k) expected += "FF,";
         EXPECT_EQ(ValueIn(t, "FlashSetting", "DieReMap"), expected);
     }},
    {"MultiLunDieMapSumsTheLunsInUse", "",
     [] {
         AP_FlashSet.ucDiePerCE = 2;
         std::memset(AP_INIState.bDieStatusMultiLun, 0, sizeof AP_INIState.bDieStatusMultiLun);
         AP_INIState.bDieStatusMultiLun[0][0][0] = 1;
         AP_INIState.bDieStatusMultiLun[0][0][1] = 1;
         AP_INIState.bDieStatusMultiLun[0][1][1] = 1;
         AP_INIState.bDieStatusMultiLun[0][2][2] = 1;  // beyond the dies per CE: not counted
     },
     [](const std::string& t) {
         const std::string value = ValueIn(t, "FlashSetting", "DieReMap");
         ASSERT_EQ(value.size(), 96u);
         EXPECT_EQ(value.substr(0, 12), "03,02,FF,FF,");
     }},
    {"DieMapWithMoreLunsThanTheRecordHolds", "",
     [] {
         AP_FlashSet.ucDiePerCE = 8;
         std::memset(AP_INIState.bDieStatusMultiLun, 1, sizeof AP_INIState.bDieStatusMultiLun);
     },
     [](const std::string& t) { EXPECT_EQ(ValueIn(t, "FlashSetting", "DieReMap").substr(0, 6), "0F,0F,"); }},
};

INSTANTIATE_TEST_SUITE_P(Cases, SectionWrite, testing::ValuesIn(kWriteCases),
                         [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(SectionDieMap, WriteReadBackGivesTheSameDies) {
    ReadText("[FlashSetting]\nDieReMap=0F,03,FF,01,00\n");
    AP_FlashSet.ucDiePerCE = 4;
    const std::string text = WriteText();
    // A die without any LUN bit is written as no die.
    EXPECT_EQ(ValueIn(text, "FlashSetting", "DieReMap").substr(0, 15), "0F,03,FF,01,FF,");
    ReadText(text);
    EXPECT_EQ(AP_INIState.bDieStatusMultiLun[0][1][1], 1);
    EXPECT_EQ(AP_INIState.bDieStatus[1][0], 0);
}

TEST(SectionIdema, EverySixteenBitValueSurvivesAReadAndASave) {
    for (std::uint32_t n = 0; n <= 0xFFFF; ++n) {
        const auto tenths = static_cast<std::uint16_t>(n);
        ASSERT_EQ(settings::IdemaCapacityToTenths(settings::IdemaTenthsToCapacity(tenths)), tenths) << n;
    }
    for (const char* value : {"1", "7", "9", "13", "5119", "65535"}) {
        ReadText(std::string("[FwSetting]\nIDEMACapacity=") + value + "\n");
        EXPECT_EQ(ValueIn(WriteText(), "FwSetting", "IDEMACapacity"), value);
    }
}

TEST(SectionIdema, CapacityOutsideAnyIntegerGivesZero) {
    EXPECT_EQ(settings::IdemaCapacityToTenths(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(settings::IdemaCapacityToTenths(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(settings::IdemaCapacityToTenths(1e12f), 0);
    EXPECT_EQ(settings::IdemaCapacityToTenths(51.25f), 512);  // truncated, not rounded
}

TEST(SectionFw, ThirtyTwoBitValuesReadInFullAndSurviveASave) {
    // A hand-typed sector count of a 2 TB drive, and the extremes of a 32-bit field.
    for (const std::uint32_t sectors : {0u, 1u, 2147483647u, 2147483648u, 4000797360u, 4294967295u}) {
        ReadText("[FwSetting]\nCapacitySectorLow=" + std::to_string(sectors) + "\n");
        ASSERT_EQ(AP_INIState.CapacitySectorLow, sectors);
        // The writer puts the field back as "%d"; reading that gives the same bits.
        ReadText(WriteText());
        EXPECT_EQ(AP_INIState.CapacitySectorLow, sectors);
    }
}

TEST(SectionFw, ReadTracesMaxAndMinThermal) {
    platform::TraceCapture capture;
    ReadText("[FwSetting]\nMaxThermal=70\nMinThermal=45\n");
    EXPECT_TRUE(capture.Contains("###Max Min 70 45 "));
}

TEST(SectionRDSetting, HandEditedValuesSurviveRepeatedSaves) {
    const std::string text = "[RDSetting]\nDumpDebugFile=2\nMptFunBitMap=0x10\nTestMode=abc\n";
    ReadText(text);
    std::string saved = WriteText();
    ReadText(saved);
    saved = WriteText();
    EXPECT_EQ(ValueIn(saved, "RDSetting", "DumpDebugFile"), "2");
    EXPECT_EQ(ValueIn(saved, "RDSetting", "MptFunBitMap"), "0x10");
    EXPECT_EQ(ValueIn(saved, "RDSetting", "TestMode"), "abc");
    EXPECT_EQ(ValueIn(saved, "RDSetting", "SetIF"), "<none>");
    EXPECT_EQ(AP_INIState.MptFunBitMap, 0x10);
}

}  // namespace
