// The error-log window's lines, decoded from item ids, sub-codes and detail buffers.
#include "dialogs/error_log_lines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "platform/files.h"
#include "settings/records.h"
#include "support/settings_records.h"
#include "transport/port_instance.h"
#include "transport/tool_records.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using dialogs::DecodeStepFailInfo;
using dialogs::ErrorLogSettings;

ErrorLogSettings Settings(bool partial = false, int pageSector = 0) {
    ErrorLogSettings s;
    s.channels = 4;
    s.banks = 2;
    const std::uint8_t id[6] = {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};
    std::memcpy(s.flashId, id, 6);
    s.pageSector = pageSector;
    s.partialTables = partial;
    return s;
}

// A 2,048-byte detail buffer with the given bytes set.
Bytes Detail(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    Bytes b(2048, 0);
    for (const auto& [at, value] : bytes) b[at] = value;
    return b;
}

const Lines kFlashModuleHeader = {"Flash Module Test fail\r\n", "Target Module: 4 Ch, 2 Bank",
                                  "Target Flash ID: 9B C4 58 32 A6 00\r\n"};

Lines Plus(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Case {
    const char* what;
    int item;
    int subCode;
    Bytes detail;
    ErrorLogSettings settings;
    Lines lines;
};

TEST(ErrorLogLines, EachItemDecodesItsDetail) {
    const Case cases[] = {
        {"no step ran", 0, 0, Detail({{0, 5}}), Settings(), {}},
        {"timeout", 38, 0, Detail({{0, 1}}), Settings(), {}},
        {"stop", 95, 0, {}, Settings(), {}},
        {"get loader block", 37, 0, Detail({{0, 1}}), Settings(), {}},
        {"sorting check code", 67, 0, Detail({{0, 225}}), Settings(), {}},
        {"dram test", 5, 3, Detail({{0, 1}}), Settings(), {}},
        {"module without failures", 1, 0, Detail({{0, 1}, {1, 131}}), Settings(), kFlashModuleHeader},
        {"module: a marker slot and the empty slot add nothing", 1, 0, Detail({{0, 2}, {34, 0x82}}), Settings(),
         kFlashModuleHeader},
        {"module: an ID and both die forms", 1, 0,
         Detail({{0, 4},     {34, 0x83}, {35, 1}, {36, 2},    {42, 0x2C}, {43, 0x64}, {44, 0x44},
                 {45, 0x4B}, {46, 0xA9}, {47, 0}, {66, 0x81}, {67, 3},    {68, 1},    {74, 1},
                 {75, 1},    {98, 0x81}, {99, 2}, {100, 0},   {106, 1},   {107, 0}}),
         Settings(),
         Plus(kFlashModuleHeader,
              {"Flash ID Result fail", "Scan Result -  ID: 2C 64 44 4B A9 00 (Ch#01, Bank#02)\r\n",
               "Flash Module Setting fail", "Scan Result -  Ch:03, Bank:01, Setting(X), Target(O)\r\n",
               "Flash Module Setting fail", "Scan Result -  Ch:02, Bank:00, Setting(O), Target(X)\r\n"})},
        {"module: the counts form", 1, 0, Detail({{0, 2}, {34, 0x81}, {35, 8}, {36, 4}}), Settings(),
         Plus(kFlashModuleHeader, {"Flash Module Setting fail", "Scan Result -  Ch:08, Bank:04\r\n"})},
        {"bus interface", 3, 0, {}, Settings(), {"Bus Interface Test fail\r\n"}},
        {"flash interface 64", 4, 64, {}, Settings(), {"Flash Interface Test - Check control SRAM fail"}},
        {"flash interface 66", 4, 66, {}, Settings(), {"Flash Interface Test - Check block ECC(LDPC) fail"}},
        {"flash interface 69", 4, 69, {}, Settings(), {"Flash Interface Test - Check NAND time fail\nOver threshold"}},
        {"flash interface other", 4, 70, {}, Settings(), {}},
        {"preformat code other than 3", 7, 0, Detail({{0, 1}, {1, 9}}), Settings(), {}},
        {"preformat defect ratio",
         7,
         0,
         Detail({{0, 1}, {1, 3}, {2, 1}, {3, 2}}),
         Settings(false),
         {"Preformat fail\r\n", "CH 1, Bank 2 Over Defect Ratio!"}},
        // Usable 0x0001_0002 = 65,538 (high half at 5-6, low at 7-8); required 0x0001_0010 = 65,552.
        {"preformat partial-good",
         7,
         0,
         Detail({{1, 3}, {2, 1}, {3, 2}, {5, 1}, {7, 2}, {9, 0}, {10, 1}, {11, 0}, {12, 0x10}}),
         Settings(true),
         {"Preformat fail\r\n", "Minimun require good block: 65552", "Usable good block: 65538(-14)"}},
        {"download, loader block, unknown page kind",
         8,
         0,
         Detail({{0, 217}, {1, 170}}),
         Settings(false, 0),
         {"Download fail\r\n", "Download To Loader Block fail\r\n"}},
        {"download, loader block, code page",
         8,
         0,
         Detail({{0, 217}, {1, 166}}),
         Settings(false, 0),
         {"Download fail\r\n", "Download To Loader Block fail\r\n", "Write Code Page fail"}},
        {"download, remap header, with the dump",
         8,
         0,
         Detail({{0, 210}, {1, 3}, {2, 0x9E}, {3, 0x68}, {17, 0xFF}}),
         ErrorLogSettings{.pageSector = 0},
         {"Download fail\r\n", "ch 3 remap table compare fail\r\n"}},
        {"download, code outside the four",
         8,
         0,
         Detail({{0, 5}, {2, 0xAB}}),
         Settings(false, 0),
         {"Download fail\r\n"}},
        {"rw write",
         10,
         1,
         Detail({{4, 0x00}, {5, 0x10}, {8, 0}}),
         Settings(),
         {"RW Test - Write data fail\n", "LBA low: 0x00001000", "LBA high: 0x00000000"}},
        {"rw compare",
         10,
         3,
         Detail({{4, 0x80}, {12, 0x34}, {13, 0x12}, {16, 0x35}, {17, 0x12}, {20, 7}}),
         Settings(),
         {"RW Test - Data compare fail\n", "LBA low: 0x00000080", "LBA high: 0x00000000", "LBA offset: 0x00000007",
          "Expected Value: 0x00001234", "Received Value: 0x00001235"}},
        {"rw jump", 10, 4, {}, Settings(), {"RW Test - Jump to system fail"}},
        {"rw flush", 10, 5, {}, Settings(), {"RW Test - Flush fail\n"}},
        {"rw other", 10, 9, {}, Settings(), {}},
        {"check tables page",
         11,
         1,
         Detail({{0, 0x15}}),
         Settings(),
         {"Check Tables - Check tables fail\n", "Page 0x15 is incorrect!\n"}},
        {"check tables jump", 11, 4, {}, Settings(), {"Check Tables - Jump to system fail"}},
        {"sorting result, a die",
         89,
         0,
         Detail({{0, 224}, {1, 3}, {2, 1}}),
         Settings(),
         {"Check Sorting result fail\r\n", "Ch 3, Bank 1 Check sorting result fail!\n"}},
        {"sorting result, none found",
         89,
         0,
         Detail({}),
         Settings(),
         {"Check Sorting result fail\r\n", "Can't find sorting result!\n"}},
        {"sorting result, a rejected block",
         89,
         0,
         Detail({{0, 225}}),
         Settings(),
         {"Check Sorting result fail\r\n", "Can't find sorting result!\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeStepFailInfo(c.item, c.subCode, c.detail, c.settings), c.lines);
    }
}

// The reading of a Preformat record follows the setting as it is when the window is shown.
TEST(ErrorLogLines, PartialTablesSwitchChangesThePreformatReading) {
    const Bytes d = Detail({{1, 3}, {2, 2}, {3, 1}, {8, 5}, {12, 9}});
    EXPECT_EQ(DecodeStepFailInfo(7, 0, d, Settings(false))[1], "CH 2, Bank 1 Over Defect Ratio!");
    EXPECT_EQ(DecodeStepFailInfo(7, 0, d, Settings(true))[1], "Minimun require good block: 9");
}

// Byte 0 can claim 255 slots; only the 62 that lie inside the 2,048 bytes are read.
TEST(ErrorLogLines, FlashModuleWalkStopsAtTheBufferEnd) {
    Bytes d(2048, 0);
    d[0] = 255;
    for (std::size_t slot = 34; slot + 32 <= d.size(); slot += 32) {
        d[slot] = 0x81;
        d[slot + 1] = 7;
    }
    const Lines lines = DecodeStepFailInfo(1, 0, d, Settings());
    ASSERT_EQ(lines.size(), 3u + 2u * 62u);
    EXPECT_EQ(lines.back(), "Scan Result -  Ch:07, Bank:00\r\n");
}

// The page copy of a Download failure is dumped line by line; a page longer than the 2,046 bytes the
// buffer holds ends with the last whole line inside it.
TEST(ErrorLogLines, DownloadDumpStaysInsideTheBuffer) {
    Bytes d(2048, 0);
    d[0] = 208;
    d[1] = 2;
    for (std::size_t i = 2; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i - 2);
    Lines lines = DecodeStepFailInfo(8, 0, d, Settings(false, 1));  // a 512-byte page: 32 lines
    ASSERT_EQ(lines.size(), 2u + 32u);
    EXPECT_EQ(lines[1], "ch 2 defect table compare fail\r\n");
    EXPECT_EQ(lines[2], "0000 : 00, 01, 02, 03, 04, 05, 06, 07, 08, 09, 0A, 0B, 0C, 0D, 0E, 0F\n");
    EXPECT_EQ(lines.back(), "01F0 : F0, F1, F2, F3, F4, F5, F6, F7, F8, F9, FA, FB, FC, FD, FE, FF\n");
    lines = DecodeStepFailInfo(8, 0, d, Settings(false, 16));  // 8,192 bytes
    ASSERT_EQ(lines.size(), 2u + 127u);
    EXPECT_EQ(lines.back(), "07E0 : E0, E1, E2, E3, E4, E5, E6, E7, E8, E9, EA, EB, EC, ED, EE, EF\n");
}

// A whole showing for a port: the port's record, its detail buffer, and the raw dump.
class ErrorLogPort : public ::testing::Test {
  protected:
    ErrorLogPort() {
        folder_ = std::filesystem::temp_directory_path() / ("qv_errlog_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_ / "raw");
        platform::SetProgramFolder(folder_);
        std::memcpy(saved_, g_pMPItemLog[kPort], sizeof saved_);
        g_pMPItemLog[kPort][7] = detail_.data();
        g_pMPItemLog[kPort][8] = detail_.data();
    }
    ~ErrorLogPort() override {
        std::memcpy(g_pMPItemLog[kPort], saved_, sizeof saved_);
        g_PortDevInfo[kPort] = PortDevInfo{};
        platform::SetProgramFolder(savedFolder_);
        std::filesystem::remove_all(folder_);
    }
    static constexpr int kPort = 5;
    test_support::SettingsRecordsGuard records_;
    std::filesystem::path savedFolder_ = platform::ProgramFolder();
    std::filesystem::path folder_;
    Bytes detail_ = Bytes(2048, 0);
    std::uint8_t* saved_[kItemLogCount];
};

TEST_F(ErrorLogPort, PreformatDumpsItsRecordsOnlyWithRawDumpsOn) {
    g_PortDevInfo[kPort].iErrorCode = 7;
    detail_[1] = 4;  // not a capacity record: no lines
    detail_[2] = 0x77;
    const auto raw = folder_ / "raw" / "PF_ERR.raw";
    EXPECT_EQ(dialogs::ErrorLogLinesForPort(kPort), Lines{});
    EXPECT_FALSE(std::filesystem::exists(raw));
    AP_RDSetting.DumpDebugFile = 1;
    EXPECT_EQ(dialogs::ErrorLogLinesForPort(kPort), Lines{});
    ASSERT_TRUE(std::filesystem::exists(raw));
    EXPECT_EQ(std::filesystem::file_size(raw), 512u);
    std::ifstream in(raw, std::ios::binary);
    char first[2] = {};
    in.read(first, 2);
    EXPECT_EQ(first[0], 4);  // byte 1 of the buffer first
    EXPECT_EQ(static_cast<std::uint8_t>(first[1]), 0x77);
}

TEST_F(ErrorLogPort, OnlyPortsAndItemsWithABufferAreRead) {
    AP_FlashSet.bPageSector = 1;
    g_PortDevInfo[kPort].iErrorCode = 8;
    detail_[0] = 209;
    detail_[1] = 1;
    const Lines lines = dialogs::ErrorLogLinesForPort(kPort);
    ASSERT_EQ(lines.size(), 2u + 32u);
    EXPECT_EQ(lines[1], "ch 1 early table compare fail\r\n");
    // Stop (95) lies past the 95 buffers; a port outside the records reads nothing at all.
    g_PortDevInfo[kPort].iErrorCode = 95;
    EXPECT_EQ(dialogs::ErrorLogLinesForPort(kPort), Lines{});
    EXPECT_EQ(dialogs::ErrorLogLinesForPort(128), Lines{});
    EXPECT_EQ(dialogs::ErrorLogLinesForPort(-1), Lines{});
    // A missing buffer: the header lines only, no dump.
    g_PortDevInfo[kPort].iErrorCode = 8;
    g_pMPItemLog[kPort][8] = nullptr;
    EXPECT_EQ(dialogs::ErrorLogLinesForPort(kPort), Lines{"Download fail\r\n"});
}

}  // namespace
