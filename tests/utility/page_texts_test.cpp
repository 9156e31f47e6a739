#include <gtest/gtest.h>

#include <cstring>

#include "fixture_files.h"
#include "procedures/V_Proc_FwVariable.h"
#include "utility/device_info_text.h"
#include "utility/erase_count_text.h"
#include "utility/fw_param_text.h"
#include "utility/smart_text.h"
#include "utility/ssd_info_text.h"

namespace {

using namespace vellumin;
using utility_test::Fixture;

TEST(DeviceInfoPage, EveryLineOfARecordedIdentifyPage) {
    const auto id = Fixture("identify_controller.bin");
    const Lines expected = {
        "PCI Vendor ID : 0x1d79",
        "PCI Subsyster Vendor ID : 0x1d79",
        "Model Name : TEV1001 NVMe SSD 512GB                  ",
        "Serial Number :   SN0001            ",
        "FW Revision : V1.0 ",
        "Recommended Arbitration Burst : 0x3",
        "IEEE OUI Identifier : AB2211",
        "Controller Multi-Path I/O and Namespace Sharing Capabilities : 0x0",
        "Maximum Data Transfer Size: 0x5",
        "Controller ID: 0x1",
        "Version : 0x10300",
        "RTD3 Resume Latency: 0x186a0",
        "RTD3 Entry Latency: 0x30d40",
        "Optional Asynchronous Event Supported : 0x100",
        "Controller Attributes : 0x1 0x0",
        "Abort Command Limit: 0x3",
        "Asynchronous Event Request Limit: 4",
        "Error Log Page Entries: 0x3f",
        "Maximum Time for FW Activation: 0x64",
        "Tatal NVM Capacity: 18446744585819742208",  // 2^64 + 512110190592
        "Support Namespace Attribute Notice and change log page\n",
        "FW slot(slot1) is read only\n",
        "Not support Security Send and Security Receive commands\n",
    };
    EXPECT_EQ(DeviceInfoLines(id.data()), expected);

    const DeviceRowTexts row = RowTexts(id.data());
    EXPECT_EQ(row.model, "TEV1001 NVMe SSD 512GB");
    EXPECT_EQ(row.serial, "SN0001");
    EXPECT_EQ(row.revision, "V1.0 ");
    EXPECT_EQ(CapacityText(1953525168), "931.51");
    std::uint8_t max[16];
    std::memset(max, 0xFF, sizeof max);
    EXPECT_EQ(Decimal128(max), "340282366920938463463374607431768211455");
}

// The firmware variable block loads the records a page text needs; each case changes a copy.
class SsdInfo : public ::testing::Test {
  protected:
    void SetUp() override {
        block_ = Fixture("fw_variable_block.bin");
        flash_ = {};
        fw_ = {};
        std::memset(info_, 0, sizeof info_);
        std::memset(config_, 0, sizeof config_);
    }
    void Load() {
        AP_Instance_t record{};
        VP_LoadFwVariable(record, flash_, fw_, info_, config_, block_.data());
        flash_.bPageSector = static_cast<std::uint8_t>(2 * flash_.wPageSize);
    }
    std::vector<std::uint8_t> block_;
    AP_FlashSet_t flash_;
    AP_FwSet_t fw_;
    char info_[16], config_[16];
};

TEST_F(SsdInfo, TheRecordedBlockGivesItsSettingAndFlashLines) {
    Load();
    std::memcpy(flash_.sFlashFullName, "MT29F1T08EMHAF", 14);
    AP_Variable_t variable{};
    std::strcpy(variable.SyS_FM_CUSTOMIZE_Ver, "0012");
    std::strcpy(variable.SyS_FM_CUSTOMIZE_FEATURE_Ver, "12345678");
    const Lines ssd = SsdSettingLines(flash_, fw_, variable, 1953525168);
    const Lines expectedSsd = {"Channel number : 4",
                               "Total bank : 2",
                               "Capacity : 931.51 GBytes",
                               "LDPC mode : LDPC Rate 3",
                               "Defect block percentage :  2.5%",
                               "Reserved block percentage :  7.0%",
                               "Channel map : 00 01 02 03 ",
                               "Bank map : 00 01 ",
                               "F/W version : RAVEZ SYS FW V2.1",
                               "Customer ID : 0012",
                               "Customer Feature ID : 12345678"};
    EXPECT_EQ(ssd, expectedSsd);
    EXPECT_EQ(SsdSettingLines(flash_, fw_, variable, std::nullopt)[2], "Capacity : " " GBytes");
    EXPECT_EQ(fw_.LDPCRate3ReadEmptyThreshold, 0x1A2);
    EXPECT_STREQ(info_, "LDBK BLOCKS V00");
    EXPECT_STREQ(config_, "LDBK CONFIG V00");

    // 1000 blocks x 2 dies x 1152 pages x 16 KiB = 36000 MiB a CE, which passes 32 bits on two CEs
    // only as megabytes x 1024; the texts are computed in 64 bits.
    const Lines expectedFlash = {"Flash model : MT29F1T08EMHAF (Micron)",
                                 "Flash type : TLC",
                                 "Blocks/CE : 2000(35.16G)",
                                 "Blocks/Flash : 4000(70.31G)",
                                 "Pages/Block : 1152",
                                 "Page size : 16",
                                 "Extend blocks : 0",
                                 "Plane : 2",
                                 "CE : 2",
                                 "Die/CE : 2"};
    EXPECT_EQ(FlashInfoLines(flash_), expectedFlash);

    flash_.wBlocks = 65535;
    flash_.wPages = 4096;
    flash_.wPageSize = 64;
    flash_.ucDiePerCE = 8;
    flash_.ucCE = 255;
    // 65535 x 8 x 4096 x 64 / 1024 = 134215680 MiB a CE; x 255 would wrap 32 bits.
    EXPECT_EQ(FlashInfoLines(flash_)[3], "Blocks/Flash : 133691400(33422850.00G)");
}

TEST_F(SsdInfo, TextsOfTheEdges) {
    Load();
    flash_.ucLdpcMode = 0;
    flash_.ucBankNum = 0;
    flash_.ucFlashVendor = 9;
    flash_.ucFlashType = 7;
    std::memset(fw_.sFwTag, 'A', sizeof fw_.sFwTag);  // no zero byte
    const Lines ssd = SsdSettingLines(flash_, fw_, AP_Variable_t{}, 0);
    EXPECT_EQ(ssd[3], "LDPC mode : N/A");
    EXPECT_EQ(ssd[7], "Bank map : ");
    EXPECT_EQ(ssd[8], "F/W version : " + std::string(64, 'A'));
    EXPECT_EQ(FlashIdBanks(flash_), 0);  // no bank: no flash-ID line at all
    const Lines flash = FlashInfoLines(flash_);
    EXPECT_EQ(flash[0].substr(flash[0].size() - 9), "(Unknown)");
    EXPECT_EQ(flash[1], "Flash type : Unknown");
    flash_.ucLdpcMode = 7;
    EXPECT_EQ(SsdSettingLines(flash_, fw_, AP_Variable_t{}, 0)[3], "LDPC mode : Unknown");
    flash_.ucChannel = 200;  // the map prints its 8 entries at most
    EXPECT_EQ(SsdSettingLines(flash_, fw_, AP_Variable_t{}, 0)[6], "Channel map : 00 01 02 03 04 05 06 07 ");
    EXPECT_EQ(FlashIdChannels(flash_), 8);
}

TEST_F(SsdInfo, LdpcModeZeroWritesNoThresholdAndAnUnknownTagLeavesTheSignatures) {
    block_[1216 + 11] = 0;
    std::memcpy(&block_[448 + 46], "OTHER!", 6);
    Load();
    EXPECT_EQ(fw_.LDPCRate1ReadEmptyThreshold | fw_.LDPCRate2ReadEmptyThreshold | fw_.LDPCRate3ReadEmptyThreshold |
                  fw_.LDPCRate4ReadEmptyThreshold,
              0);
    EXPECT_EQ(std::string(info_, 16), std::string(16, '\0'));
}

TEST(LoaderBlockMap, BitsZeroToThreeFillTheFirstTwoEntries) {
    struct Case {
        std::uint8_t map;
        std::uint16_t first, second;
        std::uint8_t count;
    };
    // Each case starts from entries 9, 9 and count 7.
    for (const Case c : {Case{0x06, 1, 2, 2}, Case{0x08, 3, 9, 1}, Case{0x30, 9, 9, 7}, Case{0x0F, 0, 1, 2}}) {
        SCOPED_TRACE(c.map);
        AP_Instance_t record{};
        record.aLoaderBlockNo[0][0][0] = record.aLoaderBlockNo[0][0][1] = 9;
        record.ucLoaderBlockNum = 7;
        std::vector<std::uint8_t> block(1024, 0);
        block[796] = c.map;
        VP_SetLoaderBlockMap(record, block.data());
        EXPECT_EQ(record.aLoaderBlockNo[0][0][0], c.first);
        EXPECT_EQ(record.aLoaderBlockNo[0][0][1], c.second);
        EXPECT_EQ(record.ucLoaderBlockNum, c.count);
    }
}

TEST(InfoPage, ReadsModelAndPageMapAndZeroSignatureAcceptsAZeroPage) {
    const auto page = Fixture("info_page.bin");
    AP_FlashSet_t flash{};
    VP_ReadInfoPageTables(flash, page.data());
    EXPECT_STREQ(flash.sFlashFullName, "MT29F1T08EMHAF");
    EXPECT_EQ(flash.wPageMap[0], 0);
    EXPECT_EQ(flash.wPageMap[383], 383 * 3);
    std::memset(g_sInfoPageSignature, 0, sizeof g_sInfoPageSignature);
    const std::vector<std::uint8_t> zero(2048, 0);
    EXPECT_TRUE(VP_IsInfoPage(zero.data()));
    EXPECT_FALSE(VP_IsInfoPage(page.data()));
    std::memcpy(g_sInfoPageSignature, "LDBK BLOCKS V00", 16);
    EXPECT_TRUE(VP_IsInfoPage(page.data()));
    EXPECT_FALSE(VP_IsInfoPage(zero.data()));
    std::memset(g_sInfoPageSignature, 0, sizeof g_sInfoPageSignature);
}

TEST(FlashIdLine, StopsAtTheFirstZeroByteAndAfterEightBytes) {
    int pumped = 0;
    const std::uint8_t zeroFirst[8] = {0, 0x2C, 0x44};
    EXPECT_EQ(FlashIdLine(zeroFirst, sizeof zeroFirst, [&] { ++pumped; }), "Flash_ID : ");
    const std::uint8_t id[16] = {0x2C, 0x44, 0x44, 0x4B, 0xA9, 0x0A, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(FlashIdLine(id, sizeof id, [&] { ++pumped; }),
              "Flash_ID : 0x2c 0x44 0x44 0x4b 0xa9 0xa 0x1 0x2 ");
    EXPECT_EQ(pumped, 8);
    const std::uint8_t shortId[3] = {0x98, 0x3C, 0x98};  // no zero byte within the reply
    EXPECT_EQ(FlashIdLine(shortId, sizeof shortId), "Flash_ID : 0x98 0x3c 0x98 ");
}

TEST(SmartPage, StandardRowsMemoAndReport) {
    const auto page = Fixture("smart_health.bin");
    const SmartPage smart = StandardSmart(page.data());
    ASSERT_EQ(smart.rows.size(), 23u);
    EXPECT_EQ(smart.rows[0], (GridRow{"ID", "S.M.A.R.T.", "Raw Value"}));
    EXPECT_EQ(smart.rows[2], (GridRow{"02", "Composite Temperature", "0000000000000141"}));
    EXPECT_EQ(smart.rows[8], (GridRow{"08", "Host Read Commands ", "0000000100000005"}));
    EXPECT_EQ(smart.rows[22][0], "16");
    EXPECT_EQ(smart.memo[1], "Composite Temperature : 47.85");
    EXPECT_EQ(smart.memo[2], "Available Spare : 100%");
    EXPECT_EQ(smart.memo[7], "Host Read Commands : 4294967301");
    EXPECT_EQ(smart.memo[9], "Controller Busy Time : 2.00 Minute");
    EXPECT_EQ(smart.memo.back(), "\r\n");

    const std::string report = SmartReportText(smart.rows, kStandardReportRows);
    EXPECT_NE(report.find("01\tCritical Waring" + std::string(13, ' ') + "\t0000000000000000\t\r\n"), std::string::npos);
    EXPECT_NE(report.find("0F\tError Information Log Entries\t"), std::string::npos);  // 29 characters: unpadded
    EXPECT_EQ(report.rfind("ID\tS.M.A.R.T.", 0), 0u);
}

TEST(SmartPage, VendorRowsKeepKnownIdsWithoutGaps) {
    const auto page = Fixture("vendor_smart.bin");
    const VendorSmartPage vendor = VendorSmart(page.data());
    ASSERT_EQ(vendor.rows.size(), 3u);
    EXPECT_EQ(vendor.rows[1], (GridRow{"09", "Power on hours count", "64", "64", "000000001234"}));
    EXPECT_EQ(vendor.rows[2], (GridRow{"C2", "Controller temperature", "32", "28", "00460014002D"}));
    EXPECT_EQ(vendor.memo, (Lines{"Power-On Hours Count=4660", "Controller Temperature: Current=45  Min=20  Max=70"}));

    // 17 known IDs: all 17 rows, and a report section of the header and 15.
    std::vector<std::uint8_t> many(512, 0);
    const std::uint8_t ids[] = {0x09, 0x0C, 0xA7, 0xA8, 0xA9, 0xAB, 0xAC, 0xAD, 0xAF,
                                0xBB, 0xC0, 0xC2, 0xCE, 0xCF, 0xD0, 0xE7, 0xF1};
    for (std::size_t e = 0; e < sizeof ids; ++e) many[2 + 12 * e] = ids[e];
    const VendorSmartPage full = VendorSmart(many.data());
    EXPECT_EQ(full.rows.size(), 18u);
    const std::string report = SmartReportText(full.rows, kVendorReportRows);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 16);
    EXPECT_NE(report.find("D0\t"), std::string::npos);
    EXPECT_EQ(report.find("E7\t"), std::string::npos);
}

TEST(EraseCountPage, HeaderMarksAndRows) {
    const auto counts = Fixture("erase_counts.bin");
    AP_FlashSet_t flash{};
    flash.wBlocks = 16;
    flash.ucDiePerCE = 1;
    flash.ucPlanes = 1;
    flash.ucBankNum = 2;
    flash.ucChannel = 2;
    const EraseCountShape shape = EraseCountGeometry(flash, 256);
    EXPECT_EQ(shape.units, 16);
    const std::string text = EraseCountText(shape, counts.data(), [](int c, int b, int u) {
        return (c == 1 && b == 0 && (u == 7 || u == 5));
    });
    EXPECT_EQ(text.rfind("CH/CE\t[0]/[0]\t[1]/[0]\t[0]/[1]\t[1]/[1]\t\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n0005\tX\tX\tX\tX\t\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n0007\t12\t[12]\t12\t12\t\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n0009\t2147483648\t"), std::string::npos);

    flash.wBlocks = 1000;
    flash.ucDiePerCE = 2;
    flash.ucPlanes = 2;
    EXPECT_EQ(EraseCountGeometry(flash, 65536).units, 250);
    EXPECT_EQ(EraseCountGeometry(flash, 100).units, 100);  // rows stop at the entries read
    flash.ucDiePerCE = 0;  // counts as 1
    EXPECT_EQ(EraseCountGeometry(flash, 65536).units, 500);
    flash.ucPlanes = 0;
    EXPECT_EQ(EraseCountGeometry(flash, 65536).units, 0);
}

TEST(FwParamPage, HexDumpsAndSwitchTables) {
    std::uint8_t data[32];
    for (int i = 0; i < 32; ++i) data[i] = static_cast<std::uint8_t>(i);
    const std::string line = "00 01 02 03 04 05 06 07 ";
    EXPECT_EQ(FormatHexDump(data, 32, 8), "\r\n\t" + line + "\r\n\t08 09 0a 0b 0c 0d 0e 0f " +
                                              "\r\n\t10 11 12 13 14 15 16 17 \r\n\t18 19 1a 1b 1c 1d 1e 1f \r\n\t");
    EXPECT_EQ(FormatHexDump(data, 10, 8), "\r\n\t" + line + "\r\n\t08 09 ");

    const auto block = Fixture("fw_variable_block.bin");
    Lines lines = SystemParamLines(block.data() + 512);
    auto has = [&lines](const std::string& text) { return std::find(lines.begin(), lines.end(), text) != lines.end(); };
    EXPECT_TRUE(has("  DieQnty : 0x16  LunQnty : 0x2"));
    EXPECT_TRUE(has("  ASPM Support : L0s & L1"));
    EXPECT_TRUE(has("  Pure SLC : Enable"));
    EXPECT_TRUE(has("  PLD : Disable"));
    EXPECT_TRUE(has("  This Type Is Not Exsit"));
    EXPECT_TRUE(has("  Scan Block Unit : 0x40"));
    EXPECT_TRUE(has("  Capacity Sector High : 1"));
    EXPECT_TRUE(has("  Customer ID : 0x12"));
    // "g_dpd_param_sys:" then the fields in their line order, not their offsets' order.
    const auto at = std::find(lines.begin(), lines.end(), "g_dpd_param_sys:");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at + 3), "  Scan Block Unit : 0x40");

    struct Word {
        std::uint32_t feature, security;
        const char *aspm, *mode;
    };
    for (const Word w : {Word{0x1000, 0x0, "  ASPM Support : L0s", "  Disable Security Function"},
                         Word{0x0800, 0x1, "  ASPM Support : L1", "  ATA Security Enable"},
                         Word{0x0000, 0x2, "  ASPM Support : Disable", "  TCG OPAL Enable"}}) {
        std::vector<std::uint8_t> sector(block.begin() + 512, block.begin() + 1024);
        for (int i = 0; i < 4; ++i) {
            sector[920 - 512 + i] = static_cast<std::uint8_t>(w.feature >> (8 * i));
            sector[924 - 512 + i] = static_cast<std::uint8_t>(w.security >> (8 * i));
        }
        lines = SystemParamLines(sector.data());
        EXPECT_TRUE(has(w.aspm)) << w.aspm;
        EXPECT_TRUE(has(w.mode)) << w.mode;
    }

    const Lines a = FactoryIdentifyLines(block.data());
    EXPECT_EQ(a, (Lines{"g_factory_identify:", "  DramSize : 0x40000000", "  DramType : 0x2",
                        "  Bin_File_Version : RAVEZ SYS FW V2.1"}));
    const Lines c = ParamTableLines(block.data() + 1024);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[1].rfind("  Die_2_CeCh Table:\r\n\t00 01 02", 0), 0u);
}

}  // namespace
