// The system firmware's parameter page: golden layout over the sample drive, the identity texts and
// hexadecimal fields, the value-dependent fields and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gdp_tables.h"
#include "image_table.h"
#include "param_settings.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_SysParam.h"

namespace {

using namespace param_test;

constexpr std::size_t kPageBytes = 16384;
constexpr const char* kSerial = "QV2026000123";

std::vector<std::uint8_t> TextBytes(const std::string& text, std::size_t width) {
    std::vector<std::uint8_t> bytes(width, ' ');
    std::copy_n(text.begin(), std::min(width, text.size()), bytes.begin());
    return bytes;
}

Table IdentityTable() {
    Table t;
    Add(t, "DramSize x 1 MiB", 96, 4, 2048u << 20);
    Add(t, "DramProfile", 100, 4, 9);
    AddBytes(t, "serial number", 104, TextBytes(kSerial, 20));
    AddBytes(t, "model", 124, TextBytes("QV NVMe SSD 512GB", 40));
    AddBytes(t, "revision", 164, TextBytes("QVF10001", 8));
    AddBytes(t, "OUI 00A0C6, last pair first", 172, {0xC6, 0xA0, 0x00});
    Add(t, "FWUpdate", 175, 1, 1);
    Add(t, "WarningTempThreshold", 176, 2, 353);
    Add(t, "CriticalTempThreshold", 178, 2, 363);
    Add(t, "MaxTimeFirmwareActivation", 180, 2, 200);
    Add(t, "HMB", 184, 4, 4096);
    Add(t, "HMB again", 188, 4, 4096);
    Add(t, "VendorID", 208, 2, 0x1E7B);
    Add(t, "DeviceID", 210, 2, 0x5216);
    Add(t, "SubSysVendorID", 212, 2, 0x1E7B);
    Add(t, "SubSysID", 214, 2, 0x5216);
    Add(t, "NVMeVendorID", 216, 2, 0x1E7B);
    Add(t, "NVMeSubSysVendorID", 218, 2, 0x1E7B);
    AddBytes(t, "spaces", 220, TextBytes("", 8));
    AddBytes(t, "EUI64", 228, {0x00, 0xA0, 0xC6, 0x00, 0x00, 0x00, 0xB2, 0x7B});
    std::vector<std::uint8_t> nep(32);
    for (int i = 0; i < 32; ++i) nep[i] = static_cast<std::uint8_t>(0xC0 + i);
    AddBytes(t, "NepIDCode", 236, nep);
    return t;
}

// SYS_PARAM_PAGE, offsets from its start.
Table SysParamTable() {
    Table t;
    Add(t, "IdleFlushTime", 0, 1, 200);
    Add(t, "RefreshFreq", 1, 1, 3);
    Add(t, "EnE2E", 2, 1, 1);
    Add(t, "1", 3, 1, 1);
    Add(t, "bDieNumCount", 4, 1, 8);
    Add(t, "ucDiePerCE", 5, 1, 1);
    Add(t, "bVirCntPerDie", 6, 1, 1);
    Add(t, "bVirTblPerDie", 7, 1, 1);
    Add(t, "RmpPartialTHR", 10, 2, 0x0123);
    AddBytes(t, "MPFwBankSet", 12, {0, 1, 0xFF, 0xFF});
    AddBytes(t, "MPFwChannelSet", 20, {0, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF});
    for (int i = 0; i < 64; ++i) {
        const int ch = i / 4, bank = i % 4;
        std::uint32_t bits = i < 32 && ch < 4 && bank < 2 ? 0x0A : 0;
        if (ch == 2 && bank == 1) bits = 0x04;
        Add(t, "bLdrBlock", 28 + i, 1, bits);
    }
    Add(t, "wResRatio", 92, 2, 68);
    Add(t, "CloseBlockRefreshThreshold", 96, 2, 0x0200);
    Add(t, "HeaderBlockRefreshThreshold", 98, 2, 0x0300);
    Add(t, "IdleHandleTime", 102, 2, 0x0400);
    for (int i = 0; i < 4; ++i) Add(t, "ecnt_thrshd", 104 + 2 * i, 2, 500 + i);
    Add(t, "LDPCRate2ReadEmptyThreshold", 112, 2, 72);
    Add(t, "wHSPDCapacity", 114, 2, 0x0610);
    Add(t, "wHSPD_BLK_Qnty_Count", 116, 2, 0x0123);
    Add(t, "GoodSuperBlockNum", 118, 2, 0x0700);
    Add(t, "CodeBlockThreshold", 120, 2, 0x0800);
    Add(t, "good BU - FixSLC_BU - FWBlkQnty", 122, 2, 900 - 20 - 10);
    Add(t, "SWLThreshold", 124, 2, 64);
    Add(t, "SwitchEcThreshold", 126, 2, 65);
    Add(t, "NVMeQNumShift", 128, 1, 3);
    Add(t, "NVMeQDepth", 130, 2, 1024);
    Add(t, "dwFlashOption", 132, 4, 0x00A1B2C3);
    Add(t, "CapacitySectorLow", 136, 4, 1000215216);
    Add(t, "CapacitySectorHigh", 140, 4, 0);
    Add(t, "Read_Disturb", 144, 4, 0x00010000);
    Add(t, "0", 148, 4, 0);
    // Power-loss detect, quick erase, power states 0 and 4, ASPM mode 3, L1.2, write-protect GPIO.
    Add(t, "feature word 1", 152, 4, 0xDC52);
    // Security mode 2, SM4.
    Add(t, "feature word 2", 156, 4, 0x12);
    Add(t, "ManufactureID", 160, 4, 0x11223344);
    Add(t, "ProductionID", 164, 4, 0x55667788);
    Add(t, "Read_Disturb_Head", 176, 4, 0x00020000);
    Add(t, "wScanBlockUnit", 180, 2, 0x0111);
    Add(t, "wScanBlockUnit2", 182, 2, 0x0222);
    Add(t, "LimitNVMeSpeed", 184, 1, 52);
    Add(t, "CutType", 185, 1, 2);
    Add(t, "DisableLPS", 186, 1, 1);
    const std::uint32_t phy[] = {0x000FF000, 0x00536006, 0x000FF001, 0x00536007, 0x000FF002, 0x00536008};
    for (int i = 0; i < 6; ++i) Add(t, "G emphasis/amplitude", 188 + 4 * i, 4, phy[i]);
    AddBytes(t, "thermal", 220, {1, 60, 40, 100, 8, 4, 90, 65});
    Add(t, "wSysBU", 228, 2, 0x0333);
    Add(t, "ThermalDegreeBase", 230, 2, 30);
    AddBytes(t, "throttle", 232, {5, 6, 7});
    Add(t, "dwDynamicCacheOnce", 236, 4, 0x00C0FFEE);
    AddBytes(t, "NAND temperature", 240, {1, 10, 85});
    return t;
}

Table FlashInfoTable() {
    Table t;
    Add(t, "ucFlashVendor", 0, 1, 1);
    Add(t, "ucFlashType", 1, 1, 2);
    Add(t, "wBlocks", 2, 2, 2016);
    Add(t, "wPages", 4, 2, 2304);
    Add(t, "wPageSize", 6, 2, 16);
    Add(t, "ucDiePerCE", 8, 1, 1);
    Add(t, "ucPlanes", 9, 1, 4);
    Add(t, "ucLdpcMode", 11, 1, 2);
    Add(t, "0", 12, 1, 0);
    Add(t, "ucChannel", 13, 1, 4);
    Add(t, "ucBankNum", 14, 1, 2);
    Add(t, "ucCE", 15, 1, 8);
    Add(t, "wDefRatio (no manual percentage)", 16, 2, 30);
    Add(t, "DRAM type of profile 9", 18, 2, 3);
    return t;
}

class SysPageTest : public ::testing::Test {
  protected:
    void SetUp() override { LoadSampleDrive(); }

    std::vector<std::uint8_t> Written(const char* serial = kSerial) {
        std::vector<std::uint8_t> page(kPageBytes, kMarker);
        EXPECT_TRUE(WriteSysParamPage(kPort, page.data(), page.size(), serial));
        return page;
    }

    platform::TraceCapture quiet_;
    ParamRecordsGuard guard_;
};

TEST_F(SysPageTest, PageHoldsEveryFieldAndKeepsEveryByteNotNamed) {
    platform::TraceCapture trace;
    const std::vector<std::uint8_t> page = Written();
    Table all = IdentityTable();
    for (const Field& f : TimingTable(sys_page::kTmcOffset, 0x20)) all.push_back(f);
    for (const Field& f : Shifted(SysParamTable(), sys_page::kSysParamOffset)) all.push_back(f);
    AddBytes(all, "CE list", sys_page::kCeListOffset, SampleCeList());
    AddBytes(all, "reverse CE map", sys_page::kCeReverseOffset, SampleCeReverse());
    for (const Field& f : Shifted(FlashInfoTable(), sys_page::kFlashInfoOffset)) all.push_back(f);
    ExpectImage(page, all);

    EXPECT_TRUE(trace.Contains("######### - AP_Instance[bInstance].aLoaderBlockNo[2][1][0] is 9\n"));
    EXPECT_TRUE(trace.Contains("######### - AP_Instance[bInstance].aLoaderBlockNo[2][1][1] is 2\n"));
    EXPECT_TRUE(trace.Contains("######### - pSYSParam->bLdrBlock[9] is 0x04\n"));
    EXPECT_TRUE(trace.Contains("######### - pSYSParam->bLdrBlock[0] is 0x0A\n"));
    EXPECT_FALSE(trace.Contains("pSYSParam->bLdrBlock[2] "));  // no die on channel 0, CE 2
    EXPECT_FALSE(trace.Contains("Write_GDP_FW_TMC_Param"));
}

TEST_F(SysPageTest, IdentityTextsAndHexFields) {
    std::strcpy(AP_FwSet.OUI, "A1B2C3");
    // The longest model number the record holds (41 characters) keeps its first 40.
    std::strcpy(AP_FwSet.ModelNum, "A model number that runs to forty-one chX");
    ASSERT_EQ(std::strlen(AP_FwSet.ModelNum), 41u);
    std::strcpy(AP_FwSet.FirmwareVer, "1.2");
    std::strcpy(AP_FwSet.EUI64, "0123456789abcdef");
    const std::vector<std::uint8_t> page = Written("SERIAL-NUMBER-OF-24CHARS");
    EXPECT_EQ(std::vector<std::uint8_t>(page.begin() + 172, page.begin() + 175),
              (std::vector<std::uint8_t>{0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(std::string(page.begin() + 124, page.begin() + 164), "A model number that runs to forty-one ch");
    EXPECT_EQ(std::string(page.begin() + 164, page.begin() + 172), "1.2     ");
    EXPECT_EQ(std::string(page.begin() + 104, page.begin() + 124), "SERIAL-NUMBER-OF-24C");
    EXPECT_EQ(std::vector<std::uint8_t>(page.begin() + 228, page.begin() + 236),
              (std::vector<std::uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));

    // A short OUI counts its missing digits as 0.
    std::strcpy(AP_FwSet.OUI, "A1B");
    const std::vector<std::uint8_t> shortOui = Written();
    EXPECT_EQ(std::vector<std::uint8_t>(shortOui.begin() + 172, shortOui.begin() + 175),
              (std::vector<std::uint8_t>{0x00, 0xB0, 0xA1}));
}

TEST_F(SysPageTest, ValueDependentFields) {
    AP_INIState.IdleFlushTime = 300;
    AP_INIState.DisableHMB = 1;
    AP_FlashSet.ucLdpcMode = 0;
    AP_INIState.ManualDefPercentage = 12;
    AP_INIState.EnNepIDCode = 0;
    const std::vector<std::uint8_t> page = Written();
    EXPECT_EQ(page[768], kMarker);
    EXPECT_EQ(ReadLe(page, 184, 4), 0u);
    EXPECT_EQ(ReadLe(page, 188, 4), 0u);
    EXPECT_EQ(ReadLe(page, 768 + 112, 2), 0xA5A5u);
    EXPECT_EQ(ReadLe(page, 1216 + 16, 2), 12u);
    EXPECT_TRUE(std::all_of(page.begin() + 236, page.begin() + 268, [](std::uint8_t b) { return b == kMarker; }));

    const std::uint16_t readEmpty[] = {78, 72, 66, 36};
    for (std::uint8_t mode = 1; mode <= 4; ++mode) {
        AP_FlashSet.ucLdpcMode = mode;
        EXPECT_EQ(ReadLe(Written(), 768 + 112, 2), readEmpty[mode - 1]) << int{mode};
    }
    // Fewer good block units than the fixed ones wrap in 16 bits, as the firmware expects.
    AP_Instance[kPort].wTotalGoodBU = 25;
    EXPECT_EQ(ReadLe(Written(), 768 + 122, 2), 0xFFFBu);
}

TEST_F(SysPageTest, DramTypeCodes) {
    const int codes[] = {0, 1, 2, 3, 3, 4, 0, 1, 2, 3, 3, 4, 0, 0};
    for (int profile = 0; profile < 14; ++profile) EXPECT_EQ(sys_page::DramTypeCode(profile), codes[profile]);
    EXPECT_EQ(sys_page::DramTypeCode(255), 0);
}

TEST_F(SysPageTest, DramSizeMustFitTheByteCount) {
    AP_INIState.dwDramSize = 4095;
    EXPECT_EQ(ReadLe(Written(), 96, 4), 0xFFF00000u);

    AP_INIState.dwDramSize = 4096;
    std::vector<std::uint8_t> page(kPageBytes, kMarker);
    platform::TraceCapture trace;
    EXPECT_FALSE(WriteSysParamPage(kPort, page.data(), page.size(), kSerial));
    EXPECT_FALSE(Write_SYS_FW_ID_Param(kPort, page.data(), page.size(), kSerial));
    EXPECT_EQ(page, std::vector<std::uint8_t>(kPageBytes, kMarker));
    EXPECT_TRUE(
        trace.Contains("######### - [5]WriteSysParamPage - DramSize 4096 MB is over 4095 MB: its byte count "
                       "does not fit 32 bits. fail!\n"));
}

TEST_F(SysPageTest, OverflowingCeMapIsRefusedBeforeAnyWrite) {
    AP_INIState.bVirCntPerDie = 9;
    std::vector<std::uint8_t> page(kPageBytes, kMarker);
    EXPECT_FALSE(WriteSysParamPage(kPort, page.data(), page.size(), kSerial));
    EXPECT_FALSE(Write_SYS_FW_CE_Map(kPort, page.data(), page.size()));
    EXPECT_EQ(page, std::vector<std::uint8_t>(kPageBytes, kMarker));
}

TEST_F(SysPageTest, MultiLunLoaderBlocksOnlyForBanksBelowMaxPhyBank) {
    AP_FlashSet.ucDiePerCE = 2;
    std::memset(AP_INIState.bDieStatusMultiLun, 0, sizeof AP_INIState.bDieStatusMultiLun);
    AP_INIState.MaxPhyBank = 2;
    AP_INIState.bDieStatusMultiLun[0][0][0] = 1;  // column 0
    AP_INIState.bDieStatusMultiLun[1][1][1] = 1;  // column 3: bank 3 is not below MaxPhyBank
    fn_ProcessMultiLunDieRemap();
    const std::vector<std::uint8_t> page = Written();
    EXPECT_EQ(page[768 + 28 + 0], 0x0A);
    for (int i = 1; i < 64; ++i) EXPECT_EQ(page[768 + 28 + i], 0) << i;
}

TEST_F(SysPageTest, SmallPagesAndForeignPortsAreRefusedUntouched) {
    std::vector<std::uint8_t> page(sys_page::kPageMinBytes - 1, kMarker);
    EXPECT_FALSE(WriteSysParamPage(kPort, page.data(), page.size(), kSerial));
    EXPECT_FALSE(Write_SYS_FW_Flash_Info(kPort, page.data(), page.size()));
    EXPECT_TRUE(Write_SYS_FW_ID_Param(kPort, page.data(), page.size(), kSerial));  // its block fits
    std::vector<std::uint8_t> full(kPageBytes, kMarker);
    EXPECT_FALSE(WriteSysParamPage(kPortCount, full.data(), full.size(), kSerial));
    EXPECT_EQ(full, std::vector<std::uint8_t>(kPageBytes, kMarker));
}

}  // namespace
