// The result parse on fixture pages with a recording window: the calls in their order, the rows and
// their texts, the tables it fills, the edge cases and the failures of each page kind.
#include <gtest/gtest.h>

#include <functional>

#include "parse_fixture.h"

namespace {

using namespace sorting_test;
using sorting::ResultCounter;
using sorting::ResultList;
using sorting::ResultText;
using Row = sorting::ListRow;

// A passing die 0 on channel 0, FW bank 0: two bad-block units, a factory-bad block, two error
// records of its own and one of another die, an ECC page.
DieBlock PassingDie() {
    DieBlock d;
    d.bad = {{0x10, 0x5}, {0x22, 0x8}};
    d.mark = {.tagCH = 0, .tagBK = 0, .tagDie = 0, .errorPages = 1, .factoryPages = 1, .driveBad = 12,
              .driveFactory = 3};
    d.dieInfo[0] = {.flags = 0x80, .total = 7, .ecc = 1, .program = 2, .erase = 3, .factory = 0x1234,
                    .planes = {1, 2, 3, 4}, .result = 0, .times = {5, 6, 700, 800, 900, 1000}};
    d.factory[FactoryByte(0, 0, 1)] = 0x01;  // block 8: unit 2, plane 0
    d.errors = {{.bankTag = 0, .channel = 0, .planeMask = 0x3, .type = 0, .page = 77, .unit = 5, .maxErrBit = 91,
                 .action = 6, .slc = true, .readLoop = 2, .tsad = 0x223, .failLoop = 9, .ticks = 4000},
                {.bankTag = 1, .channel = 0, .planeMask = 0x1, .type = 2, .unit = 9},
                {.bankTag = 0, .channel = 0, .planeMask = 0x4, .type = 3, .page = 1, .unit = 6, .action = 2,
                 .failLoop = 1, .ticks = 400 * 3661}};
    d.eccBits = {3, 3, 9, 0};
    return d;
}

// A failing die 3 on channel 1, FW bank 1 (result byte 0x04: program fail).
DieBlock FailingDie() {
    DieBlock d;
    d.bad = {{0x30, 0x1}};
    d.mark = {.tagCH = 1, .tagBK = 1, .tagDie = 3, .errorPages = 1, .factoryPages = 1, .driveBad = 13,
              .driveFactory = 4};
    d.whole.results = {{3, 0x04}};
    d.whole.temperature = 51;
    d.dieInfo[3] = {.total = 9, .result = 0x04};
    d.errors = {{.bankTag = 1, .channel = 1, .planeMask = 0x5, .type = 2, .page = 3, .unit = 8, .action = 1}};
    return d;
}

class ParseOnPages : public ParseFixture {};

TEST_F(ParseOnPages, CallsRowsAndTablesInTheirOrder) {
    DieBlock pass = PassingDie();
    pass.whole.results = {{3, 0x04}};  // the drive's page holds every die's byte
    Plant(0, 0, 0x7DF, pass);
    Plant(1, 1, 0x7DE, FailingDie());
    Parse();

    // Page reads: per die bad-block, mark, whole-info, die-info, factory, error, ECC; SLC.
    EXPECT_EQ(drive_.IndexesRead(0, 0), (std::vector<int>{0, 2, 15, 16, 7, 3, 17}));
    EXPECT_EQ(drive_.IndexesRead(1, 1), (std::vector<int>{0, 2, 15, 16, 7, 3, 17}));
    for (const auto& r : drive_.reads) EXPECT_EQ(r.blockType, 1);
    EXPECT_EQ(drive_.reads.front().block, 0x7DF);

    const std::vector<std::string> die0 = {
        "AddRow AllBad_ListView", "AddRow AllBad_ListView", "SetText SSD_Bad_LabE", "SetText SSD_Factory_LabE",
        "AddRow FactoryBad_ListView", "AddRow RDTBad_ListView", "AddRow RDTBad_ListView", "SetText RDTBad_SN_LE",
        "SetText RDTBad_Runtime_LE", "SetText RDTBad_Temp_LE", "SetText RDTBad_Result_LE",
        "SetTotalResultColour 32768", "SetResult2UI 0 0 0 0", "CheckLunRadio 0"};
    const std::vector<std::string> die3 = {
        "AddRow AllBad_ListView", "SetText SSD_Bad_LabE", "SetText SSD_Factory_LabE", "AddRow RDTBad_ListView",
        "SetText RDTBad_SN_LE", "SetText RDTBad_Runtime_LE", "SetText RDTBad_Temp_LE", "SetText RDTBad_Result_LE",
        "SetTotalResultColour 255", "SetResult2UI 1 3 0 1", "CheckLunRadio 0"};
    const std::vector<std::string> end = {
        "CheckLunRadio 0", "SetECCInfo2UI 0 0 0", "SetRDTSetting2UI 41", "SetCounter ECC_Fail_Thd_View",
        "SetCounter ECC_Fail_View", "SetCounter Pg_Fail_View", "SetCounter Erase_Fail_View",
        "SetCounter Empty_Page_Fail_View", "SetCounter Total_Fail_View"};
    std::vector<std::string> expected = die0;
    expected.insert(expected.end(), die3.begin(), die3.end());
    expected.insert(expected.end(), end.begin(), end.end());
    EXPECT_EQ(view_.calls, expected);

    // Rows, numbered over the whole call.
    EXPECT_EQ(view_.Rows(ResultList::AllBad),
              (std::vector<Row>{{"1", "0", "0", "0", "0x0010", "0x0040", " ", "0x0042", " "},
                                {"2", "0", "0", "0", "0x0022", " ", " ", " ", "0x008b"},
                                {"3", "1", "1", "0", "0x0030", "0x00c0", " ", " ", " "}}));
    EXPECT_EQ(view_.Rows(ResultList::FactoryBad),
              (std::vector<Row>{{"1", "0", "0", "0(0)", "0x0002", "0x0008", "", "", ""}}));
    EXPECT_EQ(view_.Rows(ResultList::RdtBad),
              (std::vector<Row>{{"01", "0", "0", "0", "0x0005", "0x0014", "0x0015", "", "", "77", "91",
                                 "ERR_BIT_OVER_F", "Page Read", " 00:00:10", "9(SLC)", "2", "547"},
                                {"02", "0", "0", "0", "0x0006", "", "", "0x001a", "", "1", "238", "ERASE", "Erase",
                                 " 01:01:01", "1(TLC)", "0", "512"},
                                // Bank tag 1 is FW bank 1: bank 1 of LUN 0, like the die's own row.
                                {"03", "1", "1", "0", "0x0008", "0x0020", "", "0x0022", "", "3", "238", "PROGRAM",
                                 "Program", " 00:00:00", "0(TLC)", "0", "256"}}));

    // The last die's figures; the failing die's code; the counters of the whole call.
    EXPECT_EQ(view_.Text(ResultText::SSD_Bad_LabE), "13");
    EXPECT_EQ(view_.Text(ResultText::SSD_Factory_LabE), "4");
    EXPECT_EQ(view_.Text(ResultText::RDTBad_SN_LE), " SN-PARSE-01");
    EXPECT_EQ(view_.Text(ResultText::RDTBad_Runtime_LE), " 01:02:05\r\n");
    EXPECT_EQ(view_.Text(ResultText::RDTBad_Temp_LE), " 51");
    EXPECT_EQ(view_.Text(ResultText::RDTBad_Result_LE), "[R03]");
    EXPECT_EQ(view_.colour, sorting::kResultRed);
    EXPECT_EQ(view_.Counter(ResultCounter::ECC_Fail_Thd_View), "2");
    EXPECT_EQ(view_.Counter(ResultCounter::Pg_Fail_View), "2");
    EXPECT_EQ(view_.Counter(ResultCounter::Erase_Fail_View), "1");
    EXPECT_EQ(view_.Counter(ResultCounter::ECC_Fail_View), "0");
    EXPECT_EQ(view_.Counter(ResultCounter::Total_Fail_View), "5");

    // The per-die record and the ECC tables of die slot 0 (FW bank 0, channel 0) and 3.
    const tables::DieTestInfo& r = Record(0, 0, 0);
    EXPECT_EQ(std::make_tuple(+r.TotalBadNum, +r.FactoryBadNum, +r.EraseFailNum, +r.Plane3Num, +r.tErase_SLC,
                              +r.tRead),
              std::make_tuple(7, 0x1234, 3, 4, 5, 1000));
    EXPECT_STREQ(r.SerialNum, "SN-PARSE-01");
    EXPECT_EQ(Record(1, 1, 0).TestResult, 0x04);
    EXPECT_EQ(results_->eccMaxBits[0][2], 9);
    EXPECT_EQ(results_->eccHistogram[0][3], 2);
    EXPECT_EQ(results_->eccHistogram[0][0], 2016 - 3);
    EXPECT_EQ(results_->eccHistogram[3][0], 2016);
    EXPECT_EQ(view_.echoRows[0], (std::pair<std::string, std::string>{"MPT version", "M1.02"}));
    EXPECT_TRUE(Traced("[SORT]######## - Result Read Satrt:  at Ch 1, Bank 1(FW1), lun 0, Block 0x7de\n"));
    EXPECT_TRUE(Traced("[SORT]######## - Main Code Parse SortingResult Phy CH[2]BK[2]Die[1]\n"));
    EXPECT_TRUE(Traced("Port(3)-Parse SortingResult RsltBlk[1][1] = 0x7DE\n"));
    EXPECT_TRUE(Traced("ECCinfo index 3\n"));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ParseOnPages, DetailTracesFollowDisDbgSort) {
    Plant(0, 0, 0x7DF, PassingDie());
    AP_INIState.bOriDieMap[1][0] = 0xFF;
    for (const std::uint8_t off : {0, 1}) {
        AP_RDTSet.DisDBG_SORT = off;
        Parse();
        // Always written.
        EXPECT_TRUE(Traced("[SORT]######## - Result Read Satrt:  at Ch 0, Bank 0(FW0), lun 0, Block 0x7df\n"));
        EXPECT_TRUE(Traced("[SORT]######## - SORTPageIndex[SORT_ERROR_PAGE_INDEX].wPageCount = 1\n"));
        EXPECT_TRUE(Traced("4.CH0,FWBankNo0, ECC info find!\n"));
        EXPECT_TRUE(Traced("Org_ECC info CH0 , BK0\n"));
        // Detail only.
        const bool detail = off == 0;
        EXPECT_EQ(Traced("[SORT]######## - Skip Ch 1, Bank 0, lun 0, Block 0\n"), detail);
        EXPECT_EQ(Traced("[SORT]######## - RdtWholeInfo   - TagDie = 0 ,Result = 0\n"), detail);
        EXPECT_EQ(Traced("TestResult = 0\n"), detail);
        EXPECT_EQ(Traced("[SORT]######## - TotalBadNum = 7, EraseFailNum = 3, ProgramFailNum = 2, ECCFailNum = 1, "
                         "FactoryBadNum = 4660\n"),
                  detail);
        EXPECT_EQ(Traced("[SORT]######## - ErrorRecNum = 3\n"), detail);
        EXPECT_EQ(TraceCount("[SORT]######## - ucTagBK 0 ,ucTagCH 0 \n"), detail ? 3u : 0u);
        EXPECT_EQ(Traced("[SORT]######## - FactoryBad location = 0x1,wUnit = 0x8\n"), detail);
    }
}

// Edge cases: the settings and pages of a case, and what the call must then do.
struct EdgeCase {
    const char* what;
    std::function<void(ParseFixture&)> setup;
    std::function<void(ParseFixture&)> check;
};

void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.what; }

class ParseEdge : public ParseFixture, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(ParseEdge, Case) {
    GetParam().setup(*this);
    Parse();
    GetParam().check(*this);
}

std::string PageOf(const std::vector<std::uint8_t>& image, std::size_t n) {
    const std::size_t page = PageBytes();
    return std::string(image.begin() + static_cast<std::ptrdiff_t>(n * page),
                       image.begin() + static_cast<std::ptrdiff_t>((n + 1) * page));
}

const EdgeCase kEdgeCases[] = {
    {"SaveResultLog 2: no folder, every list filled",
     [](ParseFixture& f) {
         AP_RDTSet.SaveResultLog = 2;
         f.Plant(0, 0, 0x7DF, PassingDie());
     },
     [](ParseFixture& f) {
         EXPECT_FALSE(std::filesystem::exists(f.folder_ / "Sorting_Log"));
         EXPECT_EQ(f.view_.Rows(ResultList::AllBad).size(), 2u);
         EXPECT_EQ(f.view_.Rows(ResultList::FactoryBad).size(), 1u);
         EXPECT_EQ(f.view_.Rows(ResultList::RdtBad).size(), 2u);
         EXPECT_EQ(f.results_->ansiSortingMemoLogPath, "");
         EXPECT_EQ(+f.Record(0, 0, 0).TotalBadNum, 7);
     }},
    {"SaveResultLog 3: the same",
     [](ParseFixture& f) {
         AP_RDTSet.SaveResultLog = 3;
         f.Plant(0, 0, 0x7DF, PassingDie());
     },
     [](ParseFixture& f) {
         EXPECT_FALSE(std::filesystem::exists(f.folder_ / "Sorting_Log"));
         EXPECT_EQ(f.view_.Rows(ResultList::RdtBad).size(), 2u);
     }},
    {"a die without a result block gets TestResult 0xFF and nothing else",
     [](ParseFixture& f) { f.Plant(0, 0, 0x7DF, PassingDie()); },
     [](ParseFixture& f) {
         tables::DieTestInfo expected{};
         expected.TestResult = 0xFF;
         EXPECT_EQ(std::memcmp(&f.Record(1, 0, 0), &expected, sizeof expected), 0);
         EXPECT_TRUE(f.drive_.IndexesRead(1, 0).empty());
         EXPECT_EQ(f.view_.Calls("SetResult2UI"), (std::vector<std::string>{"SetResult2UI 0 0 0 0"}));
     }},
    {"a die whose mark page cannot be read: the same, after the box",
     [](ParseFixture& f) {
         f.Plant(0, 0, 0x7DF, PassingDie());
         f.drive_.Fail(0, 0, 2);
     },
     [](ParseFixture& f) {
         tables::DieTestInfo expected{};
         expected.TestResult = 0xFF;
         EXPECT_EQ(std::memcmp(&f.Record(0, 0, 0), &expected, sizeof expected), 0);
         EXPECT_EQ(f.drive_.IndexesRead(0, 0), (std::vector<int>{0, 2}));
         EXPECT_EQ(f.Boxes(), (std::vector<std::string>{"box:|SORT Page read: fail. Block:2015  Page: 102"}));
         EXPECT_TRUE(f.view_.Calls("SetResult2UI").empty());
     }},
    {"a die absent from the die map is not touched",
     [](ParseFixture& f) {
         f.Plant(1, 1, 0x7DF, FailingDie());
         AP_INIState.bOriDieMap[1][1] = 0xFF;
     },
     [](ParseFixture& f) {
         EXPECT_EQ(f.Record(1, 1, 0).TestResult, 0);
         EXPECT_TRUE(f.drive_.IndexesRead(1, 1).empty());
     }},
    {"result bytes 0x01 then 0x06 give [R01][R02][R03] and red; a passing die after them changes nothing",
     [](ParseFixture& f) {
         const std::map<int, std::uint8_t> results = {{0, 0x01}, {2, 0x06}, {1, 0x00}};
         int n = 0;
         for (auto [ch, fw, die] : {std::tuple{0, 0, 0}, std::tuple{0, 1, 2}, std::tuple{1, 0, 1}}) {
             DieBlock d;
             d.mark = {.tagCH = static_cast<std::uint8_t>(ch), .tagBK = static_cast<std::uint8_t>(fw),
                       .tagDie = static_cast<std::uint8_t>(die)};
             d.whole.results = results;
             f.Plant(ch, fw, static_cast<std::uint16_t>(100 + n++), d);
         }
     },
     [](ParseFixture& f) {
         EXPECT_EQ(f.view_.Text(ResultText::RDTBad_Result_LE), "[R01][R02][R03]");
         EXPECT_EQ(f.view_.colour, sorting::kResultRed);
         EXPECT_EQ(f.view_.Calls("SetText RDTBad_Result_LE").size(), 2u);
         EXPECT_EQ(f.view_.Calls("SetResult2UI").size(), 3u);
     }},
    {"factory byte 0x21 at region offset 3 with 4 planes: unit 6 block 24, unit 7 block 29",
     [](ParseFixture& f) {
         DieBlock d = FailingDie();
         d.factory[FactoryByte(1, 1, 3)] = 0x21;
         f.Plant(1, 1, 0x7DF, d);
     },
     [](ParseFixture& f) {
         EXPECT_EQ(f.view_.Rows(ResultList::FactoryBad),
                   (std::vector<Row>{{"1", "1", "1", "0(3)", "0x0006", "0x0018", "", "", ""},
                                     {"2", "1", "1", "0(3)", "0x0007", "", "0x001d", "", ""}}));
     }},
    {"factory count 2 adds two zero pages to the raw image, error count 4 none",
     [](ParseFixture& f) {
         AP_RDTSet.SaveResultLog = 1;
         AP_RDTSet.DumpRAWFile = 1;
         DieBlock d = PassingDie();
         d.mark.factoryPages = 2;
         d.mark.errorPages = 4;
         f.Plant(0, 0, 0x7DF, d);
         f.drive_.SetPage(0, 0, 8, Bytes(PageBytes(), 0x88));
         f.drive_.SetPage(0, 0, 6, Bytes(PageBytes(), 0x66));
     },
     [](ParseFixture& f) {
         const std::string image = ParseFixture::ReadFile(f.RunFolder() / "Die" / "R_RawData_CH0_Bank0_Lun0.raw");
         ASSERT_EQ(image.size(), 245760u);
         const std::vector<std::uint8_t> bytes(image.begin(), image.end());
         EXPECT_EQ(PageOf(bytes, 1).substr(0, 4), "SORT");
         EXPECT_EQ(PageOf(bytes, 5), std::string(PageBytes(), '\x88'));
         EXPECT_EQ(PageOf(bytes, 6), std::string(PageBytes(), '\0'));
         EXPECT_EQ(PageOf(bytes, 7), std::string(PageBytes(), '\0'));
         EXPECT_EQ(PageOf(bytes, 8)[0], '\x00') << "the first error record of bank tag 0, channel 0";
         EXPECT_EQ(PageOf(bytes, 8)[2], '\x4D') << "its page 77";
         EXPECT_EQ(PageOf(bytes, 11), std::string(PageBytes(), '\x66'));
         EXPECT_EQ(PageOf(bytes, 12), std::string(PageBytes(), '\0'));
     }},
    {"a stated factory count of 6 reads four pages and adds no zero page",
     [](ParseFixture& f) {
         AP_RDTSet.DumpRAWFile = 1;
         AP_RDTSet.SaveResultLog = 1;
         DieBlock d = PassingDie();
         d.mark.factoryPages = 6;
         d.mark.errorPages = 0;
         f.Plant(0, 0, 0x7DF, d);
         for (int i = 0; i < 6; ++i) f.drive_.SetPage(0, 0, 7 + i, Bytes(PageBytes(), static_cast<std::uint8_t>(0x70 + i)));
     },
     [](ParseFixture& f) {
         EXPECT_EQ(f.drive_.IndexesRead(0, 0), (std::vector<int>{0, 2, 15, 16, 7, 8, 9, 10, 17}));
         EXPECT_TRUE(f.Traced("[SORT]######## - SORTPageIndex[SORT_FACTORY_BB_PAGE_INDEX].wPageCount = 6\n"));
         const std::string image = ParseFixture::ReadFile(f.RunFolder() / "Die" / "R_RawData_CH0_Bank0_Lun0.raw");
         const std::vector<std::uint8_t> bytes(image.begin(), image.end());
         ASSERT_EQ(bytes.size(), 245760u);
         EXPECT_EQ(PageOf(bytes, 7), std::string(PageBytes(), '\x73'));
         EXPECT_EQ(PageOf(bytes, 8), std::string(PageBytes(), '\0'));
     }},
    {"ErrorType 2 with plane mask 0x5 adds 2 to the program counter, type 7 nothing",
     [](ParseFixture& f) {
         DieBlock d = PassingDie();
         d.errors = {{.planeMask = 0x5, .type = 2}, {.planeMask = 0xF, .type = 7}};
         f.Plant(0, 0, 0x7DF, d);
     },
     [](ParseFixture& f) {
         EXPECT_EQ(f.view_.Counter(ResultCounter::Pg_Fail_View), "2");
         EXPECT_EQ(f.view_.Counter(ResultCounter::Total_Fail_View), "2");
         EXPECT_EQ(f.view_.Rows(ResultList::RdtBad).size(), 2u);
         EXPECT_EQ(f.view_.Rows(ResultList::RdtBad)[1][11], "PROGRAM_DMA");
     }},
    {"EnECCInfo off: no ECC page, zero ECC tables, figures and die panel still set",
     [](ParseFixture& f) {
         AP_RDTSet.EnECCInfo = 0;
         f.Plant(0, 0, 0x7DF, PassingDie());
     },
     [](ParseFixture& f) {
         EXPECT_EQ(f.drive_.IndexesRead(0, 0), (std::vector<int>{0, 2, 15, 16, 7, 3}));
         for (const auto& row : f.results_->eccMaxBits) EXPECT_EQ(std::count(row.begin(), row.end(), 0), 8192);
         for (const auto& row : f.results_->eccHistogram) EXPECT_EQ(std::count(row.begin(), row.end(), 0), 256);
         EXPECT_EQ(f.view_.Text(ResultText::RDTBad_Result_LE), " R00 ");
         EXPECT_EQ(f.view_.Calls("SetResult2UI"), (std::vector<std::string>{"SetResult2UI 0 0 0 0"}));
     }},
};

INSTANTIATE_TEST_SUITE_P(Parse, ParseEdge, ::testing::ValuesIn(kEdgeCases));

// Failures of each page kind: the box and trace code, then what the call still does.
struct FailureCase {
    int index;
    const char* code;
    bool dieStops;     // TestResult 0xFF, no later page
    bool panel;        // figures and die panel still set
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << "page index " << c.index; }

class ParseFailure : public ParseFixture, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ParseFailure, BoxTraceAndWhatFollows) {
    const FailureCase c = GetParam();
    Plant(0, 0, 0x7DF, PassingDie());
    Plant(1, 1, 0x7DE, FailingDie());
    drive_.Fail(0, 0, c.index);
    Parse();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"box:|SORT Page read: fail. Block:2015  Page: " +
                                                 std::to_string(100 + c.index)}));
    EXPECT_TRUE(Traced(std::string("[SORT]######## - Read command fail (") + c.code + ")\n"));
    const std::vector<int> reads = drive_.IndexesRead(0, 0);
    if (c.dieStops) {
        EXPECT_EQ(reads.back(), c.index);
        EXPECT_EQ(Record(0, 0, 0).TestResult, 0xFF);
    } else {
        EXPECT_EQ(reads.size(), 7u);
        EXPECT_EQ(+Record(0, 0, 0).TotalBadNum, 7);
    }
    EXPECT_EQ(view_.Calls("SetResult2UI 0").size(), c.panel ? 1u : 0u);
    // The next die is read all the same.
    EXPECT_EQ(view_.Calls("SetResult2UI 1 3 0 1").size(), 1u);
    if (c.index == 7) {
        EXPECT_TRUE(view_.Rows(ResultList::FactoryBad).empty());
    }
    if (c.index == 3) {
        EXPECT_EQ(view_.Rows(ResultList::RdtBad).size(), 1u) << "the other die's record only";
    }
}

INSTANTIATE_TEST_SUITE_P(PageKinds, ParseFailure,
                         ::testing::Values(FailureCase{0, "00", true, false}, FailureCase{2, "01", true, false},
                                           FailureCase{15, "02", true, false}, FailureCase{16, "03", true, false},
                                           FailureCase{7, "04", false, true}, FailureCase{3, "05", false, true},
                                           FailureCase{17, "06", false, false}));

TEST_F(ParseOnPages, PagesWithoutTheirSignaturesOrOverLimits) {
    struct Case {
        const char* what;
        std::function<void(DieBlock&)> spoil;
        const char* trace;
        bool stops;
    };
    const Case cases[] = {
        {"bad-block page without BB", [](DieBlock&) {}, "[SORT]######## - This Die not find BB table\n", true},
        {"bad-block count over the blocks per die", [](DieBlock&) {}, "[SORT]######## - ====== > BB num overflow break\n",
         true},
        {"mark page without SORT", [](DieBlock& d) { d.mark.signature = false; },
         "[SORT]######## - This Die not find Mark page\n", true},
        {"mark page naming channel 9", [](DieBlock& d) { d.mark.tagCH = 9; },
         "[SORT]######## - Mark page tags CH 9, BK 0, Die 0 name no die: die not read\n", true},
        {"ECC page without SORT_ECC", [](DieBlock& d) { d.eccSignature = false; },
         "3.CH0,FWBankNo0, ECC info not find!\n", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DieBlock d = PassingDie();
        c.spoil(d);
        drive_ = FakeDrive{};
        Plant(0, 0, 0x7DF, d);
        if (n == 0) drive_.SetPage(0, 0, 0, BbPage(d.bad, -1, false));
        if (n == 1) drive_.SetPage(0, 0, 0, BbPage(d.bad, 2017));
        ++n;
        Parse();
        EXPECT_TRUE(Traced(c.trace));
        EXPECT_EQ(Record(0, 0, 0).TestResult, c.stops ? 0xFF : 0);
        EXPECT_EQ(view_.Calls("SetResult2UI").size(), c.stops ? 0u : 1u);
        if (!c.stops) {
            EXPECT_EQ(results_->eccMaxBits[0][2], 9) << "the page is used all the same";
        }
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(ParseOnPages, BlocksAtOrAbove8192AreNotStored) {
    AP_FlashSet.wBlocks = 8195;
    DieBlock d = PassingDie();
    d.eccBits.assign(8195, 1);
    Plant(0, 0, 0x7DF, d);
    Parse();
    EXPECT_EQ(TraceCount("Nand Block over MAX_BLKNUM(8192)\n"), 3u);
    EXPECT_EQ(results_->eccMaxBits[0][8191], 1);
    EXPECT_EQ(results_->eccHistogram[0][1], 8192);
}

// The echo rows: the last whole-info page read, kept over a call that reads none, zeros before any.
TEST_F(ParseOnPages, EchoRowsKeptUntilAWholeInfoPageIsRead) {
    Parse();
    ASSERT_EQ(view_.echoRows.size(), 41u);
    EXPECT_EQ(view_.echoRows[0].second, "");
    EXPECT_EQ(view_.echoRows[4], (std::pair<std::string, std::string>{"Enable FastSort", "0"}));

    Plant(0, 0, 0x7DF, PassingDie());
    Parse();
    const sorting::EchoRowList read = view_.echoRows;
    EXPECT_EQ(read[2], (std::pair<std::string, std::string>{"RDT version", "R7"}));
    EXPECT_EQ(read[16], (std::pair<std::string, std::string>{"Non-SLC Test Loop", "4700"}));

    drive_.Fail(0, 0, 15);
    Parse();
    EXPECT_EQ(view_.echoRows, read);
}

}  // namespace
