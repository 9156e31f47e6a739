#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/trace_sink.h"
#include "sort_fixture.h"
#include "sorting/sort_reports.h"

namespace {

namespace fs = std::filesystem;
using sorting::ReportDie;
using tables::SortBadBlockEntry;

std::string Crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

const std::string kSix(6, ' ');

TEST(AllBadReport, CellsFollowThePlaneMaskAndCount) {
    const ReportDie die{1, 2, 0};
    const SortBadBlockEntry e4[] = {{5, 0xF}, {0x123, 0x9}};
    EXPECT_EQ(sorting::AllBadReport(die, e4, 4),
              Crlf({"CH: 1, BK: 2, Lun: 0", "====================All Bad====================",
                    "Ch:1 Bank:2 LUN:0\tunit:0x0005  block:0x0014,0x0015,0x0016,0x0017",
                    "Ch:1 Bank:2 LUN:0\tunit:0x0123  block:0x048c," + kSix + "," + kSix + ",0x048f"}));
    // Two planes: mask 0x2 gives six spaces, unit x 2 + 1 and two empty cells.
    const SortBadBlockEntry e2[] = {{5, 0x2}};
    EXPECT_EQ(sorting::AllBadReport({0, 3, 1}, e2, 2),
              Crlf({"CH: 0, BK: 3, Lun: 1", "====================All Bad====================",
                    "Ch:0 Bank:3 LUN:1\tunit:0x0005  block:" + kSix + ",0x000b,,"}));
    EXPECT_EQ(sorting::AllBadReportName({7, 3, 1}), "AllBB_CH7_BK3(L1).ms0");
}

TEST(FactoryBadReport, EntriesGroupTheDecodedBlocksByUnit) {
    // Byte 0x21 at offset 3 of the die's region with 4 planes: unit 6 block 24, unit 7 block 29.
    std::vector<std::uint8_t> area(2 * 6000, 0);
    area[6000 + 2 * 750 + 3] = 0x21;
    const auto entries = sorting::GroupFactoryBlocks(tables::DecodeSortFactoryBad(area, 1, 2, 4), 4);
    EXPECT_EQ(sorting::FactoryBadReport({1, 2, 0}, entries),
              Crlf({"CH: 1, BK: 2, Lun: 0", "====================Factory Bad====================",
                    "Ch:1 Bank:2 LUN:0\tunit:0x0006  block:0x0018," + kSix + "," + kSix + "," + kSix,
                    "Ch:1 Bank:2 LUN:0\tunit:0x0007  block:" + kSix + ",0x001d," + kSix + "," + kSix}));
    // Two planes: the same byte gives units 12 (block 24) and 14 (block 29).
    const auto two = sorting::GroupFactoryBlocks(tables::DecodeSortFactoryBad(area, 1, 2, 2), 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], (sorting::FactoryEntry{12, {24, std::nullopt, std::nullopt, std::nullopt}}));
    EXPECT_EQ(two[1], (sorting::FactoryEntry{14, {std::nullopt, 29, std::nullopt, std::nullopt}}));
    EXPECT_EQ(sorting::FactoryBadReport({0, 0, 0}, {}),
              Crlf({"CH: 0, BK: 0, Lun: 0", "====================Factory Bad===================="}));
    EXPECT_EQ(sorting::FactoryBadReportName({2, 1, 0}), "FactoryBB_CH2_BK1(L0).ms0");
}

tables::SortErrorRecord EccRecord() {
    tables::SortErrorRecord r;
    r.bankTag = 2;  // bank 2, LUN 0 with four banks a channel
    r.channel = 1;
    r.planeMask = 0x5;
    r.errorType = 0;
    r.page = 0x1A;
    r.unit = 0x10;
    r.maxErrBit = 57;
    r.action = 6;
    r.slc = true;
    r.readLoop = 2;
    r.tsad = 291;
    r.failLoop = 3;
    r.ticks = 400u * 3725;  // 01:02:05
    return r;
}

tables::SortErrorRecord ProgramRecord() {
    tables::SortErrorRecord r = EccRecord();
    r.bankTag = 3;  // bank 1, LUN 1 with two banks a channel
    r.errorType = 2;
    r.maxErrBit = 9;  // shown as 238 for every type but 0
    r.planeMask = 0xF0;
    r.slc = false;
    r.ticks = 0;
    return r;
}

struct HeadCase {
    const char* name;
    std::uint8_t testResult;
    std::uint8_t flashType;
    std::vector<std::string> codes;
    const char* ldpcLabel;
};

TEST(SortErrorReport, WholeReportByteForByte) {
    const auto echo = sorting_test::PatternEcho();
    const auto version = sorting_test::PatternVersion();
    tables::DieTestInfo info{};
    info.TotalBadNum = 7;
    info.EraseFailNum = 1;
    info.ProgramFailNum = 2;
    info.ECCFailNum = 3;
    info.FactoryBadNum = 1;
    info.Plane0Num = 1;
    info.Plane1Num = 2;
    info.Plane2Num = 3;
    info.Plane3Num = 4;
    info.tErase_SLC = 0x11;
    info.tErase = 0x22;
    info.tProg_SLC = 0x333;
    info.tRead_SLC = 0x44;
    info.tProg = 0x555;
    info.tRead = 0x66;
    const HeadCase cases[] = {
        {"failing bits, lowest first",
         0x85,
         3,
         {"[R01] EccFail", "[R03] ProgramFail", "[R08] FactoryBad"},
         "TLC/QLC LDPC Threshold"},
        {"passing record", 0, 1, {"[R00] Pass"}, "MLC LDPC Threshold"},
    };
    const std::vector<sorting::ErrorLine> lines = {sorting::MakeErrorLine(EccRecord(), 4, 4),
                                                   sorting::MakeErrorLine(ProgramRecord(), 2, 4)};
    for (const HeadCase& c : cases) {
        SCOPED_TRACE(c.name);
        info.TestResult = c.testResult;
        const sorting::ErrorReportHead head{{1, 2, 0}, &info, echo, version, 60, c.flashType};
        std::string expected = Crlf({"CH: 1, BK: 2, Lun: 0",
                                     "====RDT Setting===",
                                     "MPT version : M1.02",
                                     "GDP version : G2.03",
                                     "RDT version : R7",
                                     "Enable FastSort : 15",
                                     "SLC Custom Page Level : 1006",
                                     "TLC Custom Page Level : 1007",
                                     "Custom Full BU Star : 1008",
                                     "Custom Full BU End : 1009",
                                     "Block R/W : 20",
                                     "Enable EraseAll : 21",
                                     "Enable ScanFactory : 22",
                                     "Enable SkipProgStatus : 23",
                                     "Enable SkipEraseStatus : 24",
                                     "Enable Set NAND Test Loop : 25",
                                     "SLC Test Loop : 300",
                                     "Non-SLC Test Loop : 4700",
                                     "SLC R-Loop/W : 1018",
                                     "Non-SLC R-Loop/W : 1019",
                                     "Retrytype : 30",
                                     "SpecialTestCase : 1021",
                                     "tProgThreshold Upper : 1022",
                                     "TLC tProgThreshold Upper : 1023",
                                     "tReadThreshold Upper : 1024",
                                     "TLC tReadThreshold Upper : 1025",
                                     "tProgThreshold Lower : 1026",
                                     "TLC tProgThreshold Lower : 1027",
                                     "tReadThreshold Lower : 1028",
                                     "TLC tReadThreshold Lower : 1029",
                                     "tProg Start BU : 1030",
                                     "tProg End BU : 1031",
                                     "Running Delay : 1032",
                                     std::string(c.ldpcLabel) + " : 1033",
                                     "OpenCard thermal : 45",
                                     "TSAD : 1036",
                                     "Max BB Th Per Die : 1037",
                                     "Max Bad Blocks Per Plane :1038",
                                     "Read Fail Blocks Per Plane : 1039",
                                     "Program Fail Blocks Per Plane :1040",
                                     "Erase Fail Blocks Per Plane : 1041",
                                     "====Tprogram Time===",
                                     "Ch:1 Bank:2 LUN:0\tErase_SLC:0x0011, Erase:0x0022, Prog_SLC:0x0333, "
                                     "Read_SLC:0x0044, Prog:0x0555, Read:0x0066",
                                     "===Total B.B. / Erase Fail / Program Fail / ECC Fail / Factory B.B.===",
                                     "7 / 1 / 2 / 3 / 1 ",
                                     "====Plane Bad Block Number(P0/P1/P2/P3)====",
                                     "1 / 2 / 3 / 4 ",
                                     "====RDT Test Error Code===="});
        for (const std::string& code : c.codes) expected += code + "\r\n";
        const std::string hyphens(55, '-');
        expected += Crlf({"====ERROR TYPE====",
                          "0 : ECC Fail (Threshold: 60)",
                          "1 : ECC FAIL",
                          "2 : PROGRAM FAIL",
                          "3 : ERASE FAIL",
                          "4 : EMPTY PAGE FAIL",
                          "5 : NOT EMPTY PAGE FAIL",
                          "6 : DATA PATH FAIL",
                          "7 : PROGRAM DMA TIMEOUT",
                          "8 : READ NAND TIMEOUT",
                          "9 : READ DMA DATA TIMEOUT",
                          "A : T program",
                          hyphens,
                          "====ACTION====",
                          "0 : POST READ",
                          "1 : PROGRAM",
                          "2 : ERASE",
                          "3 : EMPTY READ",
                          "4 : PARTIAL READ",
                          "5 : DISTURB READ",
                          "6 : PAGE READ",
                          "7 : DATA PATH TEST",
                          "8 : 4P PROGRAM",
                          "9 : 4P READ",
                          "A : 4P ERASE",
                          hyphens,
                          "CH: 1, BK: 2, Lun: 0",
                          "====================RDT Bad===================="});
        EXPECT_EQ(sorting::SortErrorReport(head, {}), expected);
        expected += Crlf({"Ch:1 Bank:2 LUN:0\tunit:0x0010  block:0x0040," + kSix + ",0x0042," + kSix +
                              "\tPage:0x001a  MaxErrBit: 57\tErrorType:0  Action:6  FailLoop:3(1:1-SLC,0-TLC)   "
                              "ReadLoop:2\t TSAD:291  Time: 01:02:05",
                          "Ch:1 Bank:1 LUN:1\tunit:0x0010  block:" + kSix + "," + kSix + "," + kSix + "," + kSix +
                              "\tPage:0x001a  MaxErrBit:238\tErrorType:2  Action:6  FailLoop:3(0:1-SLC,0-TLC)   "
                              "ReadLoop:2\t TSAD:291  Time: 00:00:00"});
        EXPECT_EQ(sorting::SortErrorReport(head, lines), expected);
    }
}

TEST(SortErrorReport, NamesFollowTheResultByteAndTheSaveHasItsOwnLines) {
    EXPECT_EQ(sorting::SortErrorReportName({3, 1, 1}, 0x20), "Fail_RDTBad_CH3_BK1(L1).ms0");
    EXPECT_EQ(sorting::SortErrorReportName({3, 1, 1}, 0), "Pass_RDTBad_CH3_BK1(L1).ms0");
    EXPECT_EQ(sorting::SavedErrorReportName({3, 1, 1}), "RDTBad_CH3_BK1(L1).ms0");

    const std::vector<sorting::ErrorLine> lines = {sorting::MakeErrorLine(EccRecord(), 4, 2)};
    EXPECT_EQ(sorting::SavedErrorReport({1, 2, 0}, lines),
              Crlf({"CH: 1, BK: 2, Lun: 0", "====================RDT Bad====================",
                    "Ch:1 Bank:2 LUN:0\tunit:0x0010  block:0x0020," + kSix + ",0x0022," + kSix +
                        "  Page:0x001a  MaxErrBit: 57  ErrorType:0  Action:6  FailLoop:3(1:1-SLC,0-TLC)   "
                        "ReadLoop:2   TSAD:291  Time: 01:02:05"}));
    // The columns split the bank tag (a FW bank) by the banks a channel; 0 banks count as one and divide
    // nothing by zero.
    const sorting::ErrorLine zero = sorting::MakeErrorLine(ProgramRecord(), 0, 4);
    EXPECT_EQ(zero.bank, 0u);
    EXPECT_EQ(zero.lun, 3u);
}

TEST(ReportFile, CreatedAnewAndAMissingFolderIsTracedNotFatal) {
    const fs::path dir = fs::path(::testing::TempDir()) / "sorting_report_file";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "AllBB_CH0_BK0(L0).ms0").string();
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(500, 'x');
    }
    {
        sorting::ReportFile file(path);
        ASSERT_TRUE(file.IsOpen());
        file.Write("CH: 0, BK: 0, Lun: 0\r\n");
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "CH: 0, BK: 0, Lun: 0\r\n");

    platform::TraceCapture trace;
    const std::string lost = (dir / "missing" / "x.ms0").string();
    sorting::ReportFile missing(lost);
    EXPECT_FALSE(missing.IsOpen());
    missing.Write("lost\r\n");
    EXPECT_FALSE(sorting::WriteReport(lost, "lost\r\n"));
    EXPECT_TRUE(trace.Contains("Report file not created: " + lost));
    fs::remove_all(dir);
}

}  // namespace
