// The parse with its report tree ([RDT] SaveResultLog 1): the folders, the three reports of a
// 2-plane and a 4-plane die byte for byte, the sorting-error report's name and head, and the raw
// page dumps with both dump switches.
#include <gtest/gtest.h>

#include "parse_fixture.h"
#include "platform/clock.h"

namespace {

using namespace sorting_test;
namespace fs = std::filesystem;

class ParseReports : public ParseFixture {
  public:
    ParseReports() {
        AP_RDTSet.SaveResultLog = 1;
        std::strcpy(results_->m_sSerialNum, "SN/../7");
        results_->m_ucPort = kPort;
    }
};

TEST_F(ParseReports, TreeAndReportsOfATwoPlaneDie) {
    AP_FlashSet.ucPlanes = 2;
    AP_RDSetting.DumpDebugFile = 1;
    AP_RDTSet.DumpRAWFile = 1;
    DieBlock d;
    d.bad = {{0x10, 0x2}, {0x11, 0x3}};
    d.mark = {.tagCH = 1, .tagBK = 0, .tagDie = 1};
    d.whole.results = {{1, 0x80}};  // failing by its whole-info byte, its die-info TestResult 0
    d.dieInfo[1] = {.total = 3, .factory = 2, .planes = {1, 2, 0, 0}, .times = {1, 2, 3, 4, 5, 6}};
    d.factory[FactoryByte(1, 0, 2)] = 0x09;  // blocks 16 and 19: unit 8 plane 0, unit 9 plane 1
    d.errors = {{.bankTag = 0, .channel = 1, .planeMask = 0x2, .type = 0, .page = 0x21, .unit = 7, .maxErrBit = 5,
                 .action = 0, .slc = true, .readLoop = 1, .tsad = 0, .failLoop = 3, .ticks = 400 * 75}};
    Plant(1, 0, 0x7DF, d);
    const platform::LocalTime now = platform::Now();
    Parse();

    char name[64];
    std::snprintf(name, sizeof name, "%02d%02d_%02d%02d%02d_Port03_SN_.._7", now.month, now.day, now.hour, now.minute,
                  now.second);
    const fs::path run = folder_ / "Sorting_Log" / name;
    for (const char* f : {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock", "RawData", "Die"}) {
        EXPECT_TRUE(fs::is_directory(run / f)) << f;
    }
    EXPECT_TRUE(fs::is_directory(folder_ / "Sorting_Log" / "AnalysisData"));
    EXPECT_EQ(results_->ansiSortingMemoLogPath, (run / "RDT_BadBlock").string() + "/");

    EXPECT_EQ(ReadFile(run / "All_BadBlock" / "AllBB_CH1_BK0(L0).ms0"),
              "CH: 1, BK: 0, Lun: 0\r\n"
              "====================All Bad====================\r\n"
              "Ch:1 Bank:0 LUN:0\tunit:0x0010  block:      ,0x0021,,\r\n"
              "Ch:1 Bank:0 LUN:0\tunit:0x0011  block:0x0022,0x0023,,\r\n");
    EXPECT_EQ(ReadFile(run / "Factory_BadBlock" / "FactoryBB_CH1_BK0(L0).ms0"),
              "CH: 1, BK: 0, Lun: 0\r\n"
              "====================Factory Bad====================\r\n"
              "Ch:1 Bank:0 LUN:0\tunit:0x0008  block:0x0010,      ,      ,      \r\n"
              "Ch:1 Bank:0 LUN:0\tunit:0x0009  block:      ,0x0013,      ,      \r\n");
    EXPECT_FALSE(fs::exists(run / "RDT_BadBlock" / "Pass_RDTBad_CH1_BK0(L0).ms0"));
    const std::string report = ReadFile(run / "RDT_BadBlock" / "Fail_RDTBad_CH1_BK0(L0).ms0");
    EXPECT_EQ(report.rfind("CH: 1, BK: 0, Lun: 0\r\n====RDT Setting===\r\nMPT version : M1.02\r\n", 0), 0u);
    EXPECT_NE(report.find("====RDT Test Error Code====\r\n[R00] Pass\r\n====ERROR TYPE====\r\n0 : ECC Fail "
                          "(Threshold: 60)\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("Ch:1 Bank:0 LUN:0\tErase_SLC:0x0001, Erase:0x0002, Prog_SLC:0x0003, Read_SLC:0x0004, "
                          "Prog:0x0005, Read:0x0006\r\n"),
              std::string::npos);
    const std::string tail =
        "CH: 1, BK: 0, Lun: 0\r\n====================RDT Bad====================\r\n"
        "Ch:1 Bank:0 LUN:0\tunit:0x0007  block:      ,0x000f,      ,      \tPage:0x0021  MaxErrBit:  5\t"
        "ErrorType:0  Action:0  FailLoop:3(1:1-SLC,0-TLC)   ReadLoop:1\t TSAD:0  Time: 00:01:15\r\n";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);

    // Raw pages in RawData (channel, FW bank, block, page-map index) and the die's raw image.
    for (const char* f : {"R_BB_1_0_2015_000.raw", "R_Mark_1_0_2015_002.raw", "R_Whole_1_0_2015_015.raw",
                          "R_DieInfo_1_0_2015_016.raw", "R_factory_1_0_2015_007.raw", "R_Error_1_0_2015_003.raw",
                          "R_EccInfo_1_0_2015_017.raw"}) {
        EXPECT_EQ(fs::file_size(run / "RawData" / f), PageBytes()) << f;
    }
    EXPECT_EQ(fs::file_size(run / "Die" / "R_RawData_CH1_Bank0_Lun0.raw"), 245760u);
}

TEST_F(ParseReports, EveryDieReachingItsStepGetsItsReportsWithTheirHeads) {
    // Die (0, 0) has nothing to list; die (1, 1) stops at its die-info page: only its all-bad report.
    DieBlock empty;
    Plant(0, 0, 0x7DF, empty);
    DieBlock stops;
    stops.mark = {.tagCH = 1, .tagBK = 1, .tagDie = 3};
    Plant(1, 1, 0x7DF, stops);
    drive_.Fail(1, 1, 16);
    Parse();
    const fs::path run = RunFolder();
    EXPECT_EQ(ReadFile(run / "All_BadBlock" / "AllBB_CH0_BK0(L0).ms0"),
              "CH: 0, BK: 0, Lun: 0\r\n====================All Bad====================\r\n");
    EXPECT_EQ(ReadFile(run / "Factory_BadBlock" / "FactoryBB_CH0_BK0(L0).ms0"),
              "CH: 0, BK: 0, Lun: 0\r\n====================Factory Bad====================\r\n");
    const std::string report = ReadFile(run / "RDT_BadBlock" / "Pass_RDTBad_CH0_BK0(L0).ms0");
    const std::string head = "CH: 0, BK: 0, Lun: 0\r\n====================RDT Bad====================\r\n";
    EXPECT_EQ(report.substr(report.size() - head.size()), head);
    EXPECT_TRUE(fs::exists(run / "All_BadBlock" / "AllBB_CH1_BK1(L0).ms0"));
    EXPECT_FALSE(fs::exists(run / "Factory_BadBlock" / "FactoryBB_CH1_BK1(L0).ms0"));
    EXPECT_FALSE(fs::exists(run / "RDT_BadBlock" / "Pass_RDTBad_CH1_BK1(L0).ms0"));
}

TEST_F(ParseReports, AFolderThatCannotBeMadeIsShownAndTheCallGoesOn) {
    // A file holds the name of the root folder.
    std::ofstream(folder_ / "Sorting_Log") << "x";
    Plant(0, 0, 0x7DF, DieBlock{});
    Parse();
    const std::vector<std::string> boxes = Boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "msg:|Cannot create root directory 0 .");
    EXPECT_EQ(boxes[1], "msg:|Cannot create openfile directory 1 .");
    EXPECT_TRUE(Traced("[SORT]######## - create dir Fail(00) !!\n"));
    EXPECT_EQ(view_.Calls("SetResult2UI").size(), 1u);
}

}  // namespace

namespace {

using namespace sorting_test;

class ParseWithoutTree : public ParseFixture {};

TEST_F(ParseWithoutTree, DumpsLandInTheProgramFolderWhereverTheProgramStarted) {
    AP_RDTSet.SaveResultLog = 2;
    AP_RDSetting.DumpDebugFile = 1;
    AP_RDTSet.DumpRAWFile = 1;
    Plant(0, 1, 0x7DF, DieBlock{});
    const std::filesystem::path work = folder_ / "work";
    std::filesystem::create_directories(work);
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(work);
    Parse();
    std::filesystem::current_path(old);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "Sorting_Log"));
    EXPECT_EQ(std::filesystem::file_size(folder_ / "R_Whole_0_1_2015_015.raw"), PageBytes());
    EXPECT_EQ(std::filesystem::file_size(folder_ / "R_RawData_CH0_Bank1_Lun0.raw"), 245760u);
    EXPECT_TRUE(std::filesystem::is_empty(work));
}

}  // namespace
