// The sorting pattern page: every RDT_SETTING field with its own value, the debug limits, the
// test-pattern slots, the MLC case, the block-unit stage, the tag area; the read-retry counts and
// table files, and the missing-file box through the hook.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "loader_fixture.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/V_Proc_Pattern.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "tables/sort_result_pages.h"
#include "support/recording_backend.h"
#include "transport/port_instance.h"

namespace {

using loader_test::Bytes;
using loader_test::ExpectFields;

constexpr int kPort = param_test::kPort;

class PatternPage : public ::testing::Test {
  protected:
    void SetUp() override {
        loader_test::LoadLoaderDrive(kPort);
        AP_RDTSet_t& r = AP_RDTSet;
        r.SortMaxBadBlockPerPlane = 0x0108;
        r.SortMaxBadBlockPerDie = 0x010A;
        r.EnRDTTask = 0x0C;
        r.EnScanFactoryBad = 0x0D;
        r.LDPCTLCThreshold = 0x010E;
        r.LDPCMLCThreshold = 0x020E;
        r.EnRDTSetRunTime = 3;
        r.NANDTestTime = 0x0111;
        r.SortMaxReadFailBlock = 0x0143;
        r.EnEraseAll = 0x45;
        r.EnNANDTestLoop = 0x46;
        r.DRAMTestTime = 0x014D;
        r.LED_Feature = 0x48;
        r.NANDTotalTestLoops = 0x01020349;
        r.NAND_SLCTestLoops = 0x05060772;
        r.RunLightOn_10MilliSec = 0x014F;
        r.RunLightOff_10MilliSec = 0x0151;
        r.PassLightOn_10MilliSec = 0x0153;
        r.PassLightOff_10MilliSec = 0x0155;
        r.FailLightOn_10MilliSec = 0x0157;
        r.FailLightOff_10MilliSec = 0x0159;
        r.SortPgFailPerPlane = 0x015B;
        r.SortEraseFailPerPlane = 0x015D;
        r.Test_Pattern_Value1 = 0x1111;
        r.Test_Pattern_Value2 = 0x2222;
        r.Test_Pattern_Value3 = 0x3333;
        r.Test_Pattern_Value4 = 0x4444;
        r.Test_Pattern_Value5 = 0x5555;
        r.bPattern_Index4UI = 0x1F;
        r.wSpecialTestCase = 0x0169;
        r.Pattern_Feature = 0x6B;
        r.FastRDTSort = 0x6C;
        r.RdtMaxFactoryBadBlockPerDie = 0x016D;
        r.LED_OP = 0x6F;
        r.NonSLCReadLoop = 0x0170;
        r.SLCReadLoop = 0x018C;
        r.SkipProgStatus = 0x74;
        r.SkipEraseStatus = 0x75;
        r.ShowNandStatus = 0x76;
        r.tProgThreshold = 0x0177;
        r.TLCShiftReadCnt = 0x79;
        r.SLCShiftReadCnt = 0x7A;
        r.TLCtProgThreshold = 0x017B;
        r.LED_AddLoopThFail_LightOn = 0x017D;
        r.LED_AddLoopThFail_LightOff = 0x017F;
        r.LED_OnlyLoopThFail_LightOn = 0x0181;
        r.LED_OnlyLoopThFail_LightOff = 0x0183;
        r.LED_lastLoopCheck = 0x85;
        r.TLCtProgThAssigmPage = 0x0186;
        r.TLCtProgPageStart = 0x0188;
        r.TLCtProgPageEnd = 0x018A;
        r.LDPCSLCThreshold = 0x018E;
        r.LDPCSLC_MThreshold = 0x027F;
        AP_Instance[kPort].wSysBU = 0x018F;
        r.Block_RW = 2;
        r.EnDummyRead = 0x93;
        r.Retrytype = 0x94;
        r.EnPECycle = 0x95;
        r.PEBlockUStart = 0x0196;
        r.PEBlockUEnd = 0x0198;
        r.SLC_CustomPageLevel = 0x019A;
        r.TLC_CustomPageLevel = 0x019C;
        r.CustomFullBlockUStar = 0x019E;
        r.CustomFullBlockUEnd = 0x01A0;
        r.FBB_Level = 0xA2;
        r.PowerThrottle = 0xA3;
        r.MarkCacheFailDie = 0xA4;
        r.BlockUnitStageWR = 0x0065;
        r.EnFastBlockCheck = 0xA7;
        r.FastBlockCheckLoop = 0x01A8;
        r.FastBlock_CSBits = 0xBA;
        r.StepTestCheck = 0xAB;
        r.N18ReclaimCheck = 0xAC;
        r.DelaySectoRun = 0x01AD;
        r.RecordLastLoop = 0xAF;
        r.RecordMinErrBit = 0xB0;
        r.EnableUartLog = 0xB1;
        r.BadBlockOverstop = 0xB2;
        r.tProgStartBU = 0x01B3;
        r.tProgEndBU = 0x01B5;
        r.SortAllBadBlockPerDrive = 0x01B7;
        r.SortEraseFailPerDrive = 0x01B9;
        r.SortProgFailPerDrive = 0x01BB;
        r.tReadThreshold = 0x01BD;
        r.TLCtReadThreshold = 0x01BF;
        r.tReadThresholdLower = 0x01C1;
        r.tProgThresholdLower = 0x01C3;
        r.TLCtReadThresholdLower = 0x01C5;
        r.TLCtProgThresholdLower = 0x01C7;
        r.DeBugBBPerPlane = 0x0208;
        r.DeBugBBPerDie = 0x020A;
        r.DeBugReadPerPlane = 0x0243;
        r.DeBugPgPerPlane = 0x025B;
        r.DeBugErasePerPlane = 0x025D;
        AP_INIState.EnPartialTbl = 1;
    }

    Bytes Setting(const char* serial = "SN0001") {
        Bytes page(16384, 0xAA);
        SetRDT(page.data(), kPort, serial);
        return page;
    }

    loader_test::LoaderGuard guard_;
    platform::TraceCapture trace_;
};

TEST_F(PatternPage, EverySettingAtItsOffset) {
    trace_.Clear();
    const Bytes page = Setting();
    ExpectFields(page.data(), {{0, 4, 0x54524F53},   {4, 1, 0},        {5, 1, 0},        {6, 2, 0},
                               {8, 2, 0x0108},       {10, 2, 0x010A},  {12, 1, 0x0C},    {13, 1, 0x0D},
                               {14, 2, 0x010E},      {16, 1, 1},       {17, 2, 0x0111},  {19, 4, 0x30304E53},
                               {23, 2, 0x3130},      {25, 4, 0},       {66, 1, 0},       {67, 2, 0x0143},
                               {69, 1, 0x45},        {70, 1, 0x46},    {71, 1, 1},       {72, 1, 0x48},
                               {73, 4, 0x01020349},  {77, 2, 0x014D},  {79, 2, 0x014F},  {81, 2, 0x0151},
                               {83, 2, 0x0153},      {85, 2, 0x0155},  {87, 2, 0x0157},  {89, 2, 0x0159},
                               {91, 2, 0x015B},      {93, 2, 0x015D},  {95, 2, 0x1111},  {97, 2, 0x2222},
                               {99, 2, 0x3333},      {101, 2, 0x4444}, {103, 2, 0x5555}, {105, 2, 0x0169},
                               {107, 1, 0x6B},       {108, 1, 0x6C},   {109, 2, 0x016D}, {111, 1, 0x6F},
                               {112, 2, 0x0170},     {114, 2, 0x0772}, {116, 1, 0x74},   {117, 1, 0x75},
                               {118, 1, 0x76},       {119, 2, 0x0177}, {121, 1, 0x79},   {122, 1, 0x7A},
                               {123, 2, 0x017B},     {125, 2, 0x017D}, {127, 2, 0x017F}, {129, 2, 0x0181},
                               {131, 2, 0x0183},     {133, 1, 0x85},   {134, 2, 0x0186}, {136, 2, 0x0188},
                               {138, 2, 0x018A},     {140, 2, 0x018C}, {142, 1, 0x8E},   {143, 2, 0x018F},
                               {145, 1, 2},          {146, 1, 0xAA},   {147, 1, 0x93},   {148, 1, 0x94},
                               {149, 1, 0x95},       {150, 2, 0x0196}, {152, 2, 0x0198}, {154, 2, 0x019A},
                               {156, 2, 0x019C},     {158, 2, 0x019E}, {160, 2, 0x01A0}, {162, 1, 0xA2},
                               {163, 1, 0xA3},       {164, 1, 0xA4},   {165, 2, 0x0065}, {167, 1, 0xA7},
                               {168, 2, 0x01A8},     {170, 1, 0xBA},   {171, 1, 0xAB},   {172, 1, 0xAC},
                               {173, 2, 0x01AD},     {175, 1, 0xAF},   {176, 1, 0xB0},   {177, 1, 0xB1},
                               {178, 1, 0xB2},       {179, 2, 0x01B3}, {181, 2, 0x01B5}, {183, 2, 0x01B7},
                               {185, 2, 0x01B9},     {187, 2, 0x01BB}, {189, 2, 0x01BD}, {191, 2, 0x01BF},
                               {193, 2, 0x01C1},     {195, 2, 0x01C3}, {197, 2, 0x01C5}, {199, 2, 0x01C7},
                               {201, 4, 0xAAAAAAAA}, {1019, 1, 0xAA}});
    const auto lines = trace_.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], " SetRDT \n");
    EXPECT_EQ(lines[1], "Tprog SLC Upper 375, Lower 451\n");
    EXPECT_EQ(lines[2], "Tprog NonSLC Upper 379, Lower 455\n");
    EXPECT_EQ(lines[3], "Tread SLC Upper 445, Lower 449\n");
    EXPECT_EQ(lines[4], "Tread NonSLC Upper 447, Lower 453\n");
}

// The drive echoes the settings block (pattern bytes 4..1023) at whole-info byte 1540; every reader
// takes it back through the one field table.
TEST_F(PatternPage, TheEchoReadsBackThroughTheFieldTable) {
    const Bytes pattern = Setting();
    Bytes whole(16384, 0);
    std::copy(pattern.begin() + 4, pattern.begin() + 1024, whole.begin() + 1540);
    const tables::SortWholeInfo w = tables::DecodeSortWholeInfo(whole);
    const std::map<std::string, std::uint32_t> expected = {
        {"FastRDTSort", 0x6C},           {"SLC_CustomPageLevel", 0x019A},    {"TLC_CustomPageLevel", 0x019C},
        {"CustomFullBlockUStar", 0x019E}, {"CustomFullBlockUEnd", 0x01A0},    {"Block_RW", 2},
        {"EnEraseAll", 0x45},            {"EnScanFactoryBad", 0x0D},         {"SkipProgStatus", 0x74},
        {"SkipEraseStatus", 0x75},       {"EnNANDTestLoop", 0x46},           {"NAND_SLCTestLoops", 0x0772},
        {"NANDTotalTestLoops", 0x01020349}, {"SLCReadLoop", 0x018C},         {"NonSLCReadLoop", 0x0170},
        {"Retrytype", 0x94},             {"wSpecialTestCase", 0x0169},       {"tProgThreshold", 0x0177},
        {"TLCtProgThreshold", 0x017B},   {"tReadThreshold", 0x01BD},         {"TLCtReadThreshold", 0x01BF},
        {"tProgThresholdLower", 0x01C3}, {"TLCtProgThresholdLower", 0x01C7}, {"tReadThresholdLower", 0x01C1},
        {"TLCtReadThresholdLower", 0x01C5}, {"tProgStartBU", 0x01B3},        {"tProgEndBU", 0x01B5},
        {"DelaySectoRun", 0x01AD},       {"LDPCTLCThreshold", 0x010E},       {"LDPCSLCThreshold", 0x8E},
        {"TSAD", 0x018F},                {"SortMaxBadBlockPerDie", 0x010A},  {"SortMaxBadBlockPerPlane", 0x0108},
        {"SortMaxReadFailBlock", 0x0143}, {"SortPgFailPerPlane", 0x015B},    {"SortEraseFailPerPlane", 0x015D},
        {"", 0xAA},  // the open-card thermal byte: the page's fill
    };
    ASSERT_EQ(expected.size(), tables::kSortEchoFields.size());
    for (const tables::SortEchoField& f : tables::kSortEchoFields) {
        EXPECT_EQ(tables::SortEchoValue(w.echo, f), expected.at(f.key)) << f.label;
    }
}

TEST_F(PatternPage, SwitchesThatChooseAField) {
    struct Case {
        const char* name;
        void (*set)();
        std::vector<loader_test::Field> fields;
    };
    const Case cases[] = {
        {"debug limits",
         [] { AP_RDTSet.DebugMode = 1; },
         {{8, 2, 0x0208}, {10, 2, 0x020A}, {67, 2, 0x0243}, {91, 2, 0x025B}, {93, 2, 0x025D}}},
        {"no run time, no DRAM test, no partial tables",
         [] {
             AP_RDTSet.EnRDTSetRunTime = 0;
             AP_RDTSet.DRAMTestTime = 0;
             AP_INIState.EnPartialTbl = 0;
         },
         {{16, 1, 0}, {17, 2, 0}, {71, 1, 0}, {77, 2, 0}, {183, 2, 0}, {185, 2, 0}, {187, 2, 0}}},
        {"patterns 2 and 4",
         [] { AP_RDTSet.bPattern_Index4UI = 0x0A; },
         {{95, 2, 0x2222}, {97, 2, 0x4444}, {99, 2, 0xAAAA}, {101, 2, 0xAAAA}, {103, 2, 0xAAAA}}},
        {"MLC", [] { AP_FlashSet.ucFlashType = 1; }, {{14, 2, 0x020E}, {142, 1, 0x7F}, {73, 4, 0x01020349}}},
        {"MLC of BIN type L06B",
         [] {
             AP_FlashSet.ucFlashType = 1;
             std::strcpy(AP_INIState.FlashUniName, "L06B256G");
         },
         {{14, 2, 0x010E}, {142, 1, 0x8E}}},
        {"SLC flash", [] { AP_FlashSet.ucFlashType = 0; }, {{73, 4, 0x05060772}, {112, 2, 0x018C}}},
        {"Block_RW 3", [] { AP_RDTSet.Block_RW = 3; }, {{145, 1, 0xAA}}},
    };
    const AP_RDTSet_t rdt = AP_RDTSet;
    const AP_FlashSet_t flash = AP_FlashSet;
    const AP_INIState_t ini = AP_INIState;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AP_RDTSet = rdt;
        AP_FlashSet = flash;
        AP_INIState = ini;
        c.set();
        const Bytes page = Setting();
        for (const auto& f : c.fields) ExpectFields(page.data(), {f});
    }
}

TEST_F(PatternPage, SerialAndBlockUnitStageAreBounded) {
    const std::string serial(60, 'S');
    AP_RDTSet.BlockUnitStageWR = 600;  // above the 504 block units of a die
    Bytes page = Setting(serial.c_str());
    EXPECT_TRUE(loader_test::AllBytes(&page[19], 48, 'S'));
    ExpectFields(page.data(), {{67, 2, 0x0143}, {165, 2, 504}});
    EXPECT_EQ(AP_RDTSet.BlockUnitStageWR, 504);
    AP_FlashSet.wBlocks = 4032;  // a later page on a larger die keeps the lowered stage
    page = Setting();
    ExpectFields(page.data(), {{165, 2, 504}});
}

TEST_F(PatternPage, TagArea) {
    std::strcpy(AP_OtSet.sMPTVer, "MPT 1.2.3");
    std::strcpy(AP_OtSet.sGDPVer, "GDP 4.5.6");
    std::strcpy(AP_OtSet.sMPTime, "20261210");
    std::strcpy(AP_OtSet.sRDTVer, "RDT 7.8");
    Bytes page(16384, 0xAA);
    GetMPTSet(page.data() + kTagAreaOffset);
    const std::uint8_t* tag = page.data() + kTagAreaOffset;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag), 15), "AUTOGETNANDINFO");
    EXPECT_EQ(tag[15], 12);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag + 16), 12), "B27B512G-TLC");
    EXPECT_EQ(tag[28], 0xAA);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag + 48)), "MPT 1.2.3");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag + 64)), "GDP 4.5.6");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag + 80)), "20261210");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tag + 96)), "RDT 7.8");
    EXPECT_EQ(tag[112], 0xAA);
}

class RetryTable : public PatternPage {
  protected:
    void SetUp() override {
        PatternPage::SetUp();
        platform::SetProgramFolder(folder_.Path());
        AP_FlashSet.bNandMem = 5;
        AP_INIState.Clock = 400;
        procedures::SetErrorBox(
            [this](const std::string& text, const std::string& title) { boxes_.push_back(title + ": " + text); });
    }
    void TearDown() override {
        procedures::SetErrorBox({});
        platform::SetProgramFolder(saved_);
    }
    // Records of 7 characters; `key` at record `at` (0 = none).
    void RetryFile(const std::string& name, int at) {
        std::string text;
        for (int i = 1; i <= 40; ++i) text += i == at ? "BIC3005" : "XYZW" + std::to_string(100 + i);
        folder_.File(name, Bytes(text.begin(), text.end()));
    }

    std::filesystem::path saved_ = platform::ProgramFolder();
    loader_test::TempFolder folder_{"retry-table"};
    std::vector<std::string> boxes_;
};

TEST_F(RetryTable, CountsByBinTypeAndRetryType) {
    RetryFile("DAT/BIC3/005_400/BIC3_005_mem_1_eTLC.bin", 1);
    RetryFile("DAT/BIC3/005_400/BIC3_005_mem_2_iTLC.bin", 0);
    RetryFile("DAT/BIC3/005_400/BIC3_005_mem_1.bin", 3);
    struct Case {
        const char* bin;
        const char* fullName;
        std::uint8_t type;
        int tlc, slc;
        const char* file;  // the path tried, or nullptr when no table is read
    };
    for (const Case& c : {Case{"BIC3512G", "X-e", 1, 1, 0, "DAT/BIC3/005_400/BIC3_005_mem_1_eTLC.bin"},
                          Case{"BIC3512G", "X-i", 2, 37, 8, "DAT/BIC3/005_400/BIC3_005_mem_2_iTLC.bin"},
                          Case{"BIC3512G", "X", 1, 3, 0, "DAT/BIC3/005_400/BIC3_005_mem_1.bin"},
                          Case{"BIC4512G", "X", 1, 0, 0, nullptr}, Case{"B17A512G", "X", 2, 16, 0, nullptr},
                          Case{"B27B512G", "X", 2, 0, 0, nullptr}, Case{"BIC3512G", "X", 0, 0, 0, nullptr}}) {
        SCOPED_TRACE(testing::Message() << c.bin << " type " << int(c.type));
        std::strcpy(AP_INIState.FlashUniName, c.bin);
        std::strcpy(AP_FlashSet.sFlashFullName, c.fullName);
        AP_RDTSet.Retrytype = c.type;
        AP_RDTSet.TLCShiftReadCnt = 99;
        AP_RDTSet.SLCShiftReadCnt = 99;
        AP_Param.sRetrytable[0] = '\0';
        Bytes area(kRetryAreaBytes, 0x33);
        EXPECT_TRUE(GetRetry(area.data()));
        EXPECT_EQ(AP_RDTSet.TLCShiftReadCnt, c.tlc);
        EXPECT_EQ(AP_RDTSet.SLCShiftReadCnt, c.slc);
        if (c.file == nullptr) {
            EXPECT_STREQ(AP_Param.sRetrytable, "");
            EXPECT_TRUE(loader_test::AllBytes(area.data(), area.size(), 0xAA));
            continue;
        }
        EXPECT_EQ(std::string(AP_Param.sRetrytable), (folder_.Path() / c.file).string());
        EXPECT_TRUE(loader_test::AllBytes(area.data(), 7, 0));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&area[7]), 4), c.tlc == 1 ? "BIC3" : "XYZW");
        EXPECT_EQ(area[7 + 280], 0) << "the file's 280 bytes, then zero";
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(RetryTable, AMissingFileShowsTheBoxAndThePageIsStillWritten) {
    std::strcpy(AP_INIState.FlashUniName, "BIC4512G");
    AP_RDTSet.Retrytype = 2;
    AP_RDTSet.TLCShiftReadCnt = 9;
    test_support::RecordedPort port(kPort, 1);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), 0);
        if (d.size() == 512) d[1] = 1;
    });
    Bytes page(kLoaderPageBufBytes, 0);
    EXPECT_TRUE(VP_WritePatternPage(kPort, "SN1", page.data()));
    const std::string path = (folder_.Path() / "DAT/BIC4/005_400/BIC4_005_mem_2.bin").string();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Error: The \"" + path + "\" file cann't be found!\n");
    EXPECT_EQ(AP_RDTSet.TLCShiftReadCnt, 9) << "a missing file leaves the count";
    EXPECT_FALSE(port.backend->Calls().empty());
    EXPECT_EQ(trace_.Lines().back(), "[SORT] " + std::string(110, '=') + "write dummy page \n");

    procedures::SetErrorBox({});
    trace_.Clear();
    Bytes area(kRetryAreaBytes);
    EXPECT_EQ(GetRetryTable(area.data(), 2), 0);
    const auto lines = trace_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Error: The \"" + path + "\" file cann't be found!\n"),
              lines.end());
}

}  // namespace
