// The parse at the limits of the window's tables and of its working data, on fixture pages: every
// die of eight channels by eight FW banks failing with every result bit, 300 error records, four
// LUNs per CE, tags and geometry outside the tables, pages above 16 KB, no LUN and no plane count.
// These run under ASan and UBSan too.
#include <gtest/gtest.h>

#include "parse_fixture.h"

namespace {

using namespace sorting_test;
using sorting::ResultList;
using sorting::ResultText;

class ParseBounds : public ParseFixture {};

TEST_F(ParseBounds, SixtyFourFailingDiesWithEveryResultBit) {
    AP_INIState.MaxPhyChannel = 8;
    AP_INIState.MaxPhyBank = 4;
    AP_FlashSet.ucDiePerCE = 2;
    AP_FlashSet.wBlocks = 4032;
    std::map<int, std::uint8_t> results;
    for (int die = 0; die < 64; ++die) results[die] = 0xFF;
    for (int ch = 0; ch < 8; ++ch) {
        for (int fw = 0; fw < 8; ++fw) {
            DieBlock d;
            d.mark = {.tagCH = static_cast<std::uint8_t>(ch), .tagBK = static_cast<std::uint8_t>(fw),
                      .tagDie = static_cast<std::uint8_t>(fw * 8 + ch)};
            d.whole.results = results;
            d.dieInfo[fw * 8 + ch] = {.total = static_cast<std::uint16_t>(fw * 8 + ch), .result = 0xFF};
            d.dieInfoCount = 64;
            d.eccBits.assign(4032, static_cast<std::uint8_t>(ch));
            Plant(ch, fw, static_cast<std::uint16_t>(1000 + ch * 8 + fw), d);
        }
    }
    Parse();
    std::string one;
    for (int bit = 1; bit <= 8; ++bit) one += "[R0" + std::to_string(bit) + "]";
    std::string all;
    for (int die = 0; die < 64; ++die) all += one;
    EXPECT_EQ(view_.Text(ResultText::RDTBad_Result_LE).size(), 2560u);
    EXPECT_EQ(view_.Text(ResultText::RDTBad_Result_LE), all);
    EXPECT_EQ(view_.Calls("SetResult2UI").size(), 64u);
    EXPECT_EQ(+Record(7, 3, 1).TotalBadNum, 63);
    EXPECT_EQ(Record(7, 3, 1).TestResult, 0xFF);
    EXPECT_EQ(results_->eccHistogram[63][7], 2016) << "blocks per die: 4,032 blocks a CE over 2 LUNs";
}

TEST_F(ParseBounds, ThreeHundredErrorRecordsOfOneDie) {
    DieBlock d;
    for (int i = 0; i < 300; ++i) d.errors.push_back({.planeMask = 0x1, .type = 1, .unit = static_cast<std::uint16_t>(i)});
    d.mark.errorPages = 2;
    AP_RDTSet.SaveResultLog = 1;
    Plant(0, 0, 0x7DF, d);
    Parse();
    ASSERT_EQ(view_.Rows(ResultList::RdtBad).size(), 300u);
    EXPECT_EQ(view_.Rows(ResultList::RdtBad)[299][0], "300");
    EXPECT_EQ(view_.Counter(sorting::ResultCounter::ECC_Fail_View), "300");
    const std::string report = ReadFile(RunFolder() / "RDT_BadBlock" / "Pass_RDTBad_CH0_BK0(L0).ms0");
    EXPECT_NE(report.find("unit:0x012b"), std::string::npos) << "the 300th record";
}

TEST_F(ParseBounds, FourLunsPerCe) {
    AP_FlashSet.ucDiePerCE = 4;
    AP_FlashSet.wBlocks = 8064;
    DieBlock d;
    d.mark = {.tagCH = 1, .tagBK = 7, .tagDie = 15};
    d.dieInfo[15] = {.total = 5};
    d.dieInfoCount = 16;
    Plant(1, 7, 0x7DF, d);  // bank 1, LUN 3
    AP_INIState.bOriDieMapMultiLun[0][3] = 0xFF;
    Parse();
    EXPECT_EQ(+Record(1, 1, 3).TotalBadNum, 5);
    EXPECT_EQ(std::make_tuple(+Record(1, 1, 3).Bank, +Record(1, 1, 3).LUN), std::make_tuple(1, 3));
    EXPECT_EQ(view_.Calls("SetResult2UI"), (std::vector<std::string>{"SetResult2UI 1 15 3 1"}));
    EXPECT_EQ(view_.Calls("CheckLunRadio"), (std::vector<std::string>{"CheckLunRadio 3", "CheckLunRadio 0"}));
    EXPECT_FALSE(Traced("[SORT]######## - Skip Ch 0, Bank 1, lun 1, Block 0\n")) << "multi-LUN skips silently";
}

TEST_F(ParseBounds, TagsAndGeometryOutsideTheTables) {
    struct Case {
        const char* what;
        std::function<void(DieBlock&)> setup;
        const char* trace;
    };
    const Case cases[] = {
        {"channel tag 8", [](DieBlock& d) { d.mark.tagCH = 8; },
         "[SORT]######## - Mark page tags CH 8, BK 0, Die 0 name no die: die not read\n"},
        {"bank tag 15", [](DieBlock& d) { d.mark.tagBK = 15; },
         "[SORT]######## - Mark page tags CH 0, BK 15, Die 0 name no die: die not read\n"},
        {"die number 64", [](DieBlock& d) { d.mark.tagDie = 64; },
         "[SORT]######## - Mark page tags CH 0, BK 0, Die 64 name no die: die not read\n"},
        {"twelve channels by five banks", [](DieBlock&) {
             AP_INIState.MaxPhyChannel = 12;
             AP_INIState.MaxPhyBank = 5;
         },
         "[SORT]######## - Port 3, 12 channels by 5 FW banks: only port 0..127, 8 channels by 4 FW banks are "
         "visited\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AP_INIState.MaxPhyChannel = 2;
        AP_INIState.MaxPhyBank = 2;
        DieBlock d;
        c.setup(d);
        Plant(0, 0, 0x7DF, d);
        Parse();
        EXPECT_TRUE(Traced(c.trace));
    }
    // An out-of-table die is read and listed but not stored: eight banks of one LUN each in a
    // multi-LUN layout (bank 4 and above).
    AP_INIState.MaxPhyChannel = 1;
    AP_INIState.MaxPhyBank = 8;
    AP_FlashSet.ucDiePerCE = 2;
    DieBlock d;
    d.mark = {.tagCH = 0, .tagBK = 5, .tagDie = 5};
    d.bad = {{3, 1}};
    d.dieInfo[5] = {.total = 1};
    wRsltBlk[kPort][0][0] = 0;
    Plant(0, 5, 0x7DF, d);
    Parse();
    EXPECT_TRUE(Traced("[SORT]######## - Ch 0, Bank 5, lun 0, FWBank 5 lies outside the result tables: read and "
                       "listed, not stored\n"));
    EXPECT_EQ(view_.Rows(ResultList::AllBad).size(), 1u);
    EXPECT_EQ(view_.Calls("SetResult2UI"), (std::vector<std::string>{"SetResult2UI 0 5 0 5"}));
}

TEST_F(ParseBounds, PortOutsideThePortTable) {
    view_ = RecordingView{};
    EXPECT_EQ(results_->ParseSortingResult(200, view_), 1);
    EXPECT_TRUE(drive_.reads.empty());
    EXPECT_EQ(view_.Calls("SetRDTSetting2UI").size(), 1u);
}

TEST_F(ParseBounds, PagesAbove16KbAreCutAtTheImageEnd) {
    AP_FlashSet.bPageSector = 64;  // 32 KB
    AP_RDTSet.SaveResultLog = 1;
    AP_RDTSet.DumpRAWFile = 1;
    DieBlock d;
    d.mark.errorPages = 4;
    d.mark.factoryPages = 4;
    d.errors = {{.planeMask = 1, .type = 2}};
    Plant(0, 0, 0x7DF, d);
    Parse();
    EXPECT_TRUE(Traced("[SORT]######## - Raw image full: 16384 bytes of a page cut at 245760 bytes\n"));
    EXPECT_EQ(std::filesystem::file_size(RunFolder() / "Die" / "R_RawData_CH0_Bank0_Lun0.raw"), 245760u);
    EXPECT_EQ(view_.Rows(ResultList::RdtBad).size(), 1u);
}

TEST_F(ParseBounds, NoLunAndNoPlaneCountDivideNothing) {
    AP_FlashSet.ucDiePerCE = 0;
    AP_FlashSet.ucPlanes = 0;
    DieBlock d;
    d.factory[FactoryByte(0, 0, 0)] = 0xFF;
    d.errors = {{.bankTag = 0, .planeMask = 0x3, .type = 2, .unit = 4}};
    Plant(0, 0, 0x7DF, d);
    Parse();
    EXPECT_TRUE(view_.Rows(ResultList::FactoryBad).empty());
    EXPECT_TRUE(Traced("[SORT]######## - Factory bad map not decoded: 0 planes\n"));
    ASSERT_EQ(view_.Rows(ResultList::RdtBad).size(), 1u);
    EXPECT_EQ(view_.Calls("SetResult2UI"), (std::vector<std::string>{"SetResult2UI 0 0 0 0"}));
}

}  // namespace
