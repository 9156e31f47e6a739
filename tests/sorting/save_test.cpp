// The result save on fixture pages: a drive of result blocks held by a page reader that records
// every read, so the die order, the block type and the FW bank of each read can be checked; the
// run folder, the reports, the page dumps, the boxes and the traces of each difference from the
// parse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "forms/scripted_ui_port.h"
#include "parse_pages.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "sorting/sort_results.h"
#include "support/settings_records.h"

namespace {

namespace fs = std::filesystem;
using sorting_test::BbEntry;
using sorting_test::BbPage;
using sorting_test::ErrorPages;
using sorting_test::ErrorRec;
using sorting_test::FakeDrive;
using Page = sorting_test::Bytes;
using Read = FakeDrive::Read;

constexpr std::size_t kPageBytes = 8192;  // the pages of the fixture's flash

// A die's whole result block: tags (channel, FW bank), die number channel + 8 x FW bank with result
// byte 2, two factory-bad pages with byte 0x21 at the die's region offset 3, `errors` on
// `errorPages` error pages.
sorting_test::DieBlock Die(int ch, int fw, std::vector<BbEntry> bad, std::vector<ErrorRec> errors = {},
                           int errorPages = 1) {
    sorting_test::DieBlock d;
    d.bad = std::move(bad);
    d.mark.tagCH = static_cast<std::uint8_t>(ch);
    d.mark.tagBK = static_cast<std::uint8_t>(fw);
    d.mark.tagDie = static_cast<std::uint8_t>(ch + 8 * fw);
    d.mark.errorPages = static_cast<std::uint16_t>(errorPages);
    d.mark.factoryPages = 2;
    d.whole.results[ch + 8 * fw] = 0x02;
    d.factory[sorting_test::FactoryByte(ch, fw, 3)] = 0x21;
    d.errors = std::move(errors);
    return d;
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    if (!fs::is_directory(folder)) return names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

class SortSave : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        platform::SetProgramFolder(folder_);
        clock_.SetLocal({2026, 12, 11, 4, 30, 15, 0});
        std::memcpy(savedRsltBlk_, wRsltBlk, sizeof savedRsltBlk_);
        std::memset(wRsltBlk, 0, sizeof wRsltBlk);
        // Two channels, four banks, two LUNs of 4 planes, 64 blocks a CE (32 a die), 8 KB pages.
        Geometry(2, 4, 2, 4, 64);
        std::strcpy(results_->m_sSerialNum, "SN/01");
    }
    void TearDown() override {
        std::memcpy(wRsltBlk, savedRsltBlk_, sizeof wRsltBlk);
        platform::SetProgramFolder(oldFolder_);
        fs::remove_all(folder_);
    }
    void Geometry(unsigned channels, unsigned banks, unsigned luns, unsigned planes, unsigned blocks) {
        AP_INIState.MaxPhyChannel = static_cast<std::uint8_t>(channels);
        AP_INIState.MaxPhyBank = static_cast<std::uint8_t>(banks);
        AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(luns);
        AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(planes);
        AP_FlashSet.wBlocks = static_cast<std::uint16_t>(blocks);
        AP_FlashSet.bPageSector = kPageBytes / 512;
        for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(100 + i);
        std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
    }
    // A present die with its result block.
    void Present(unsigned ch, unsigned fw, std::uint16_t block) {
        if (AP_FlashSet.ucDiePerCE > 1) {
            AP_INIState.bOriDieMapMultiLun[ch][fw] = 0;
        } else {
            AP_INIState.bOriDieMap[ch][fw % 4] = 0;
        }
        wRsltBlk[kPort][ch][fw] = block;
    }
    int Save() { return results_->SaveSortingResult(kPort); }
    fs::path Run(const char* name = "1211_043015_Port05") const { return folder_ / "Sorting_Log" / name; }
    // The dies of the index-0 reads, as (channel, FW bank).
    std::vector<std::pair<unsigned, unsigned>> BbReads() const {
        std::vector<std::pair<unsigned, unsigned>> dies;
        for (const Read& r : drive_.reads) {
            if (r.index == 0) dies.emplace_back(r.channel, r.fwBank);
        }
        return dies;
    }

    static constexpr std::uint8_t kPort = 5;
    test_support::SettingsRecordsGuard records_;
    // Each test a folder of its own: ctest runs the tests of this binary side by side.
    fs::path folder_ = fs::path(::testing::TempDir()) /
                       ("sorting_save_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                        "_" + std::to_string(::getpid()));
    fs::path oldFolder_ = platform::ProgramFolder();
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
    FakeDrive drive_;
    std::unique_ptr<sorting::SortResults> results_ = std::make_unique<sorting::SortResults>(drive_.Reader());
    std::uint16_t savedRsltBlk_[AP_PORT_COUNT][8][8];
};

TEST_F(SortSave, ReadsLunByLunWithBlockType3IntoARunFolderWithoutTheSerial) {
    for (unsigned ch = 0; ch < 2; ++ch) {
        for (unsigned fw : {0u, 2u, 5u}) {
            Present(ch, fw, static_cast<std::uint16_t>(60 + ch * 8 + fw));
            drive_.Plant(static_cast<int>(ch), static_cast<int>(fw),
                         Die(static_cast<int>(ch), static_cast<int>(fw), {{3, 0x5}}));
        }
    }
    EXPECT_EQ(Save(), 1);

    // LUN 0 (FW banks 0 and 2) on both channels before LUN 1 (FW bank 5); channel, then bank.
    EXPECT_EQ(BbReads(), (std::vector<std::pair<unsigned, unsigned>>{{0, 0}, {0, 2}, {1, 0}, {1, 2}, {0, 5}, {1, 5}}));
    for (const Read& r : drive_.reads) {
        EXPECT_EQ(r.blockType, 3u);
        EXPECT_EQ(r.block, 60 + r.channel * 8 + r.fwBank);
    }
    // Per die: bad-block, mark, whole-info, die-info, two factory pages, one error page; no ECC page.
    const std::vector<int> order = {0, 2, 15, 16, 7, 8, 3};
    for (std::size_t i = 0; i < drive_.reads.size(); ++i) EXPECT_EQ(drive_.reads[i].index, order[i % 7]);
    EXPECT_EQ(drive_.reads.size(), 6u * 7u);

    EXPECT_EQ(Names(folder_ / "Sorting_Log"), std::set<std::string>{"1211_043015_Port05"});
    EXPECT_EQ(Names(Run()), (std::set<std::string>{"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock"}));
    EXPECT_EQ(Names(Run() / "All_BadBlock"),
              (std::set<std::string>{"AllBB_CH0_BK0(L0).ms0", "AllBB_CH0_BK2(L0).ms0", "AllBB_CH0_BK1(L1).ms0",
                                     "AllBB_CH1_BK0(L0).ms0", "AllBB_CH1_BK2(L0).ms0", "AllBB_CH1_BK1(L1).ms0"}));
    EXPECT_EQ(Names(Run() / "Factory_BadBlock").size(), 6u);
    EXPECT_TRUE(Names(Run() / "RDT_BadBlock").empty());  // no die has an error record

    EXPECT_EQ(FileText(Run() / "All_BadBlock" / "AllBB_CH1_BK1(L1).ms0"),
              "CH: 1, BK: 1, Lun: 1\r\n====================All Bad====================\r\n"
              "Ch:1 Bank:1 LUN:1\tunit:0x0003  block:0x000c,      ,0x000e,      \r\n");
    // Factory byte 0x21 at region offset 3 with 4 planes: unit 6 block 24, unit 7 block 29.
    EXPECT_EQ(FileText(Run() / "Factory_BadBlock" / "FactoryBB_CH1_BK1(L1).ms0"),
              "CH: 1, BK: 1, Lun: 1\r\n====================Factory Bad====================\r\n"
              "Ch:1 Bank:1 LUN:1\tunit:0x0006  block:0x0018,      ,      ,      \r\n"
              "Ch:1 Bank:1 LUN:1\tunit:0x0007  block:      ,0x001d,      ,      \r\n");

    EXPECT_TRUE(trace_.Contains("[SORT]######## - Parse SortingResult Phy CH[2]BK[4]Die[2]\n"));
    EXPECT_TRUE(trace_.Contains("[SORT]######## - Result Read  at Ch 1, Bank 1(17), lun 1, Block 73\n"));
    EXPECT_TRUE(trace_.Contains("[SORT]######## - RdtWholeInfo   - ucTagDie = 41 ,bResult = 2 \n"));
    EXPECT_TRUE(trace_.Contains("[SORT]######## - 00000000 - 42,42,01,00,03,00,05,00,00,00,00,00,00,00,00,00 \n"));
    EXPECT_FALSE(trace_.Contains("ECC info"));
    EXPECT_TRUE(ui_.Shown().empty());

    // A minute later: a second folder, again without the serial.
    clock_.Advance(60000);
    EXPECT_EQ(Save(), 1);
    EXPECT_EQ(Names(folder_ / "Sorting_Log"), (std::set<std::string>{"1211_043015_Port05", "1211_043115_Port05"}));
}

TEST_F(SortSave, FillsNothingOfTheWindow) {
    Present(0, 0, 60);
    drive_.Plant(0, 0, Die(0, 0, {{1, 1}}, {{0, 0, 1, 0, 1, 1, 7, 0, false, 0, 0, 0, 0}}));
    Save();
    const auto zero = std::make_unique<sorting::SortResults>();
    EXPECT_EQ(std::memcmp(results_->m_DieTestInfo, zero->m_DieTestInfo, sizeof zero->m_DieTestInfo), 0);
    EXPECT_EQ(results_->eccMaxBits, zero->eccMaxBits);
    EXPECT_EQ(results_->eccHistogram, zero->eccHistogram);
    EXPECT_EQ(results_->rdtSetting, zero->rdtSetting);
    EXPECT_EQ(results_->versionText, zero->versionText);
    EXPECT_EQ(results_->ansiSortingMemoLogPath, "");
}

TEST_F(SortSave, DumpsEveryPageUnderTheDieCode) {
    // LUN 1, bank 2 of four banks: FW bank 6, die code 18.
    Present(1, 6, 77);
    drive_.Plant(1, 6, Die(1, 6, {}, {}, 2));
    fs::create_directories(folder_ / "raw");
    AP_RDSetting.DumpDebugFile = 1;
    Save();
    EXPECT_EQ(BbReads(), (std::vector<std::pair<unsigned, unsigned>>{{1, 6}}));
    EXPECT_EQ(Names(folder_ / "raw"), (std::set<std::string>{"R_BB_1_18_77_000.raw", "R_Mark_1_18_77_002.raw",
                                                             "R_Whole_1_18_77_015.raw", "R_DieInfo_1_18_77_016.raw",
                                                             "R_factory_1_18_77_007.raw", "R_factory_1_18_77_008.raw",
                                                             "R_Error_1_18_77_003.raw", "R_Error_1_18_77_004.raw"}));
    EXPECT_EQ(fs::file_size(folder_ / "raw" / "R_Mark_1_18_77_002.raw"), kPageBytes);
    EXPECT_EQ(FileText(folder_ / "raw" / "R_Mark_1_18_77_002.raw").substr(0, 4), "SORT");
    EXPECT_TRUE(trace_.Contains("Result Read  at Ch 1, Bank 2(18), lun 1, Block 77\n"));

    // Without the dump switch nothing is dumped.
    fs::remove_all(folder_ / "raw");
    fs::create_directories(folder_ / "raw");
    AP_RDSetting.DumpDebugFile = 0;
    Save();
    EXPECT_TRUE(Names(folder_ / "raw").empty());
}

TEST_F(SortSave, ADieWithoutABlockIsReadLikeTheOthers) {
    Present(0, 1, 0);
    drive_.Plant(0, 1, Die(0, 1, {{2, 1}}));
    Save();
    ASSERT_FALSE(drive_.reads.empty());
    EXPECT_EQ(drive_.reads[0], (Read{0, 1, 0, 0, 3}));
    EXPECT_TRUE(fs::exists(Run() / "All_BadBlock" / "AllBB_CH0_BK1(L0).ms0"));
}

TEST_F(SortSave, SkipsAbsentDies) {
    // One LUN: channel 1, bank 2 absent, skipped with its trace.
    Geometry(2, 4, 1, 4, 32);
    Present(1, 1, 40);
    AP_INIState.bOriDieMap[1][2] = 0xFF;
    AP_INIState.bOriDieMap[1][3] = 0;
    wRsltBlk[kPort][1][2] = 41;
    wRsltBlk[kPort][1][3] = 42;
    drive_.Plant(1, 1, Die(1, 1, {}));
    drive_.Plant(1, 3, Die(1, 3, {}));
    Save();
    EXPECT_TRUE(trace_.Contains("[SORT]######## - Skip Ch 1, Bank 2, lun 0, Block 41\n"));
    EXPECT_EQ(BbReads(), (std::vector<std::pair<unsigned, unsigned>>{{1, 1}, {1, 3}}));
    EXPECT_EQ(Names(Run() / "All_BadBlock"), (std::set<std::string>{"AllBB_CH1_BK1(L0).ms0", "AllBB_CH1_BK3(L0).ms0"}));

    // Two LUNs: an absent die is skipped without a trace.
    Geometry(2, 4, 2, 4, 64);
    Present(0, 5, 50);
    drive_.Plant(0, 5, Die(0, 5, {}));
    wRsltBlk[kPort][0][4] = 51;
    trace_.Clear();
    drive_.reads.clear();
    Save();
    EXPECT_FALSE(trace_.Contains("Skip"));
    EXPECT_EQ(BbReads(), (std::vector<std::pair<unsigned, unsigned>>{{0, 5}}));
}

TEST_F(SortSave, BadBlockCountUpToTheBlocksOfADie) {
    struct Case {
        const char* name;
        Page bb;
        const char* trace;
        bool report;
    };
    const Case cases[] = {
        {"count equal to the blocks of a die", BbPage({{1, 1}}, 32), "", true},
        {"one more", BbPage({{1, 1}}, 33), "[SORT]######## - ====== > BB num overflow break\n", false},
        {"no signature", Page(kPageBytes, 0x11), "[SORT]######## - This Die not find BB table \n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder_ / "Sorting_Log");
        trace_.Clear();
        drive_.reads.clear();
        Present(0, 0, 60);
        drive_.Plant(0, 0, Die(0, 0, {}));
        drive_.SetPage(0, 0, 0, c.bb);
        Save();
        EXPECT_EQ(fs::exists(Run() / "All_BadBlock" / "AllBB_CH0_BK0(L0).ms0"), c.report);
        EXPECT_EQ(fs::exists(Run() / "Factory_BadBlock" / "FactoryBB_CH0_BK0(L0).ms0"), c.report);
        if (!c.report) {
            EXPECT_TRUE(trace_.Contains(c.trace));
            EXPECT_EQ(drive_.reads.size(), 1u);  // the die's other pages are not read
            EXPECT_FALSE(trace_.Contains("Free pSORT_error_record"));
        }
    }
}

TEST_F(SortSave, FailedReadsAreShownAndTracedWithCode00) {
    struct Case {
        const char* name;
        int index;
        bool allBad, factoryBad, rdtBad;  // the reports that remain
    };
    const Case cases[] = {
        {"bad-block page", 0, false, false, false},  {"mark page", 2, true, false, false},
        {"whole-info page", 15, true, false, false}, {"die-info page", 16, true, false, false},
        {"a factory page", 8, true, true, true},     {"the first error page", 3, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder_ / "Sorting_Log");
        trace_.Clear();
        ui_.Clear();
        Present(0, 1, 61);
        // Records of the die on the second error page only (the first is full of other dies' records).
        std::vector<ErrorRec> records(kPageBytes / 16, ErrorRec{3, 1, 1, 2, 1, 1, 0, 0, false, 0, 0, 0, 0});
        records.push_back({1, 0, 1, 2, 5, 9, 0, 1, false, 2, 0, 3, 400});
        FakeDrive drive;  // a drive of its own: a failing page stays failing
        drive.Plant(0, 1, Die(0, 1, {}, records, 2));
        drive.Fail(0, 1, c.index);
        std::make_unique<sorting::SortResults>(drive.Reader())->SaveSortingResult(kPort);
        ASSERT_EQ(ui_.Shown().size(), 1u);
        EXPECT_EQ(ui_.Shown()[0].title, "Error");
        EXPECT_EQ(ui_.Shown()[0].text, "SORT Page read: fail. Block:61  Page: " + std::to_string(100 + c.index));
        EXPECT_TRUE(trace_.Contains("[SORT]######## - Read command fail (00)\n"));
        EXPECT_EQ(fs::exists(Run() / "All_BadBlock" / "AllBB_CH0_BK1(L0).ms0"), c.allBad);
        EXPECT_EQ(fs::exists(Run() / "Factory_BadBlock" / "FactoryBB_CH0_BK1(L0).ms0"), c.factoryBad);
        EXPECT_EQ(fs::exists(Run() / "RDT_BadBlock" / "RDTBad_CH0_BK1(L0).ms0"), c.rdtBad);
        EXPECT_EQ(trace_.Contains("Free pSORT_error_record\n"), c.rdtBad);
        if (c.index == 8) {  // the die's factory bits lie on the first page, which was read
            EXPECT_NE(FileText(Run() / "Factory_BadBlock" / "FactoryBB_CH0_BK1(L0).ms0").find("unit:0x0006"),
                      std::string::npos);
        }
        if (c.index == 3) {  // the other dies' records went with the lost page; the die's own remain
            EXPECT_EQ(FileText(Run() / "RDT_BadBlock" / "RDTBad_CH0_BK1(L0).ms0"),
                      "CH: 0, BK: 1, Lun: 0\r\n====================RDT Bad====================\r\n"
                      "Ch:0 Bank:1 LUN:0\tunit:0x0009  block:0x0024,      ,      ,        Page:0x0005  "
                      "MaxErrBit:238  ErrorType:2  Action:1  FailLoop:3(0:1-SLC,0-TLC)   ReadLoop:2   TSAD:256  "
                      "Time: 00:00:01\r\n");
        }
    }
}

TEST_F(SortSave, TheRdtBadReportOnlyForADieWithRecords) {
    // Die (0, 0): no record. Die (0, 1): records of other dies only. Die (1, 0): 600 records of its
    // own over two pages (more than an 8-bit count holds) and one of another die; the list ends at
    // byte 7's 0xAA.
    Present(0, 0, 60);
    Present(0, 1, 61);
    Present(1, 0, 62);
    drive_.Plant(0, 0, Die(0, 0, {}));
    drive_.Plant(0, 1, Die(0, 1, {}, {{0, 0, 1, 2, 1, 1, 0, 0, false, 0, 0, 0, 0}}));
    const ErrorRec own{0, 1, 0x5, 2, 0x123, 7, 9, 1, true, 3, 0x44, 12, 400 * 3725};
    std::vector<ErrorRec> records(600, own);
    records.insert(records.begin() + 1, {2, 1, 1, 0, 1, 1, 50, 0, false, 0, 0, 0, 0});
    records.push_back({5, 1, 1, 0, 1, 1, 50, 0xA, false, 0, 0, 0, 0});  // byte 7 is 0xAA: the end
    auto pages = ErrorPages(records, 3, false);
    pages[601 * 16 / kPageBytes][(601 * 16) % kPageBytes + 7] = 0xAA;
    drive_.Plant(1, 0, Die(1, 0, {}, {}, 3));
    for (int i = 0; i < 3; ++i) drive_.SetPage(1, 0, 3 + i, pages[static_cast<std::size_t>(i)]);
    Save();

    EXPECT_EQ(Names(Run() / "RDT_BadBlock"),
              (std::set<std::string>{"RDTBad_CH0_BK1(L0).ms0", "RDTBad_CH1_BK0(L0).ms0"}));
    EXPECT_EQ(FileText(Run() / "RDT_BadBlock" / "RDTBad_CH0_BK1(L0).ms0"),
              "CH: 0, BK: 1, Lun: 0\r\n====================RDT Bad====================\r\n");
    const std::string line =
        "Ch:1 Bank:0 LUN:0\tunit:0x0007  block:0x001c,      ,0x001e,        Page:0x0123  MaxErrBit:238  "
        "ErrorType:2  Action:1  FailLoop:12(1:1-SLC,0-TLC)   ReadLoop:3   TSAD:324  Time: 01:02:05\r\n";
    std::string expected = "CH: 1, BK: 0, Lun: 0\r\n====================RDT Bad====================\r\n";
    for (int i = 0; i < 600; ++i) expected += line;
    EXPECT_EQ(FileText(Run() / "RDT_BadBlock" / "RDTBad_CH1_BK0(L0).ms0"), expected);

    // One tag trace per record of the list, the die's or not; the Free traces per die that got
    // that far.
    const auto lines = trace_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[SORT]######## - ucTagBK 0 ,ucTagCH 1 \n"), 601);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Free pSORT_error_record = NULL\n"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Free pSORT_error_record\n"), 2);
}

TEST_F(SortSave, WithoutDetailTracesOnlyTheFreeTracesRemain) {
    AP_RDTSet.DisDBG_SORT = 1;
    Present(0, 0, 60);
    drive_.Plant(0, 0, Die(0, 0, {{1, 1}}, {{0, 0, 1, 2, 1, 1, 0, 0, false, 0, 0, 0, 0}}));
    Present(0, 1, 61);
    drive_.Plant(0, 1, Die(0, 1, {}));
    drive_.Fail(0, 1, 7);
    Save();
    EXPECT_EQ(trace_.Text(), "Free pSORT_error_record\nFree pSORT_error_record = NULL\n");
    EXPECT_EQ(ui_.Shown().size(), 1u);  // the failed read's box all the same
}

TEST_F(SortSave, AFolderThatCannotBeMadeIsShownAndTheSaveGoesOn) {
    fs::create_directories(folder_ / "Sorting_Log");
    std::ofstream(folder_ / "Sorting_Log" / "1211_043015_Port05") << "a file";
    Present(0, 0, 60);
    drive_.Plant(0, 0, Die(0, 0, {}));
    EXPECT_EQ(Save(), 1);
    std::vector<std::string> texts;
    for (const forms::ShownBox& b : ui_.Shown()) texts.push_back(b.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Cannot create openfile directory 1 .", "Cannot create All_BadBlock directory.",
                                        "Cannot create Factory Bad directory.", "Cannot create RDT Bad directory."}));
    EXPECT_TRUE(trace_.Contains("[SORT]######## - create dir Fail(05) !!\n"));
    EXPECT_EQ(drive_.reads.size(), 7u);  // the die was still read
    EXPECT_TRUE(trace_.Contains("Free pSORT_error_record = NULL\n"));
}

}  // namespace
