// The MP worker over scripted library entries: outcomes by tool mode, selected items and the
// failing call; the serial-number rules; the inheritance check; the claim against the watchdog.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/mp_serial.h"
#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "platform/cancel.h"
#include "worker_fixture.h"

namespace mp_test {
namespace {

using States = std::map<int, int>;

struct OutcomeCase {
    const char* name;
    int toolMode;
    std::vector<int> items;
    std::string failing;
    int code;          // iErrorCode and iFailItem
    States states;     // item states by id
    const char* text;  // the last status text
};

States AllZero() {
    States s;
    for (int id : kStepIds) s[id] = 0;
    return s;
}

States With(std::initializer_list<std::pair<const int, int>> changes) {
    States s = AllZero();
    for (auto [id, v] : changes) s[id] = v;
    return s;
}

class WorkerOutcome : public WorkerTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(WorkerOutcome, CodesStatesAndText) {
    const OutcomeCase& c = GetParam();
    AP_INIState.ToolMode = static_cast<std::int8_t>(c.toolMode);
    Select({});
    for (int id : c.items) AP_INIState.dwItemEnable[id] = 1;
    script_.failing = c.failing;
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_EQ(Info().iErrorCode, c.code);
    EXPECT_EQ(Info().iFailItem, c.code);
    const bool pass = std::string(c.text) == "Pass";
    EXPECT_EQ(Info().iStatus, pass ? 1 : -1);
    EXPECT_EQ(Info().iResult, pass ? 1 : -1);
    EXPECT_EQ(States(), c.states);
    ASSERT_FALSE(Slots().empty());
    EXPECT_EQ(Slots().back().status, c.text);
    EXPECT_EQ(Slots().back().colour, pass ? 0x00FF00u : 0x0000FFu);
    EXPECT_EQ(Slots().back().progress, 100);
}

const std::vector<int> kMpItems = {1, 3, 4, 5, 8, 10, 11};

INSTANTIATE_TEST_SUITE_P(
    Table, WorkerOutcome,
    ::testing::Values(
        OutcomeCase{"MpAllPass", 0, kMpItems, "", 0, With({{1, 1}, {3, 1}, {4, 1}, {5, 1}, {8, 1}, {10, 1}, {11, 1}}),
                    "Pass"},
        OutcomeCase{"FlashModuleFailLeavesLaterItemsUntouched", 0, kMpItems, "VP_PROC_CheckFlashModule", 1,
                    With({{1, -1}}), "(M00) Flash Module Fail"},
        OutcomeCase{"BusInterfaceFailMarksLaterSelectedItems", 0, kMpItems, "VP_PROC_BusInterfaceTest", 3,
                    With({{1, 1}, {3, -1}, {4, -1}, {5, -1}, {8, -1}, {10, -1}, {11, -1}}), "(A00) Bus Interface Fail"},
        OutcomeCase{"DownloadFail", 0, kMpItems, "VP_PROC_DownloadProgram(0000000009)", 8,
                    With({{1, 1}, {3, 1}, {4, 1}, {5, 1}, {8, -1}, {10, -1}, {11, -1}}), "(D00) Download Fail"},
        OutcomeCase{"VendorModeRefusedBeforeTheItems", 0, kMpItems, "VP_EnableVendorCmd", 0, AllZero(), "()  Fail"},
        OutcomeCase{"GdpLoadFail", 0, kMpItems, "VP_LoadGDPFromBuffer", 0, AllZero(), "()  Fail"},
        OutcomeCase{"GdpInitFail", 1, {1, 3}, "VP_InitGDP", 0, AllZero(), "()  Fail"},
        OutcomeCase{"LegacySwitchFail", 0, {1}, "VC_GDP_CmdSwitchToLegacy", 0, AllZero(), "()  Fail"},
        OutcomeCase{"LoaderBlocksFailLeaveItemsUntouched", 0, kMpItems, "VP_PROC_GetLoaderBlock", 37, AllZero(),
                    "(K00) Get Loader Block Fail"},
        OutcomeCase{
            "MpOnlyItemsAreZeroInSortMode", 1, {1, 7, 10, 11, 6, 13}, "", 0, With({{1, 1}, {6, 1}, {13, 1}}), "Pass"},
        OutcomeCase{
            "SortConnectionRefusedStillPasses", 1, {1, 12}, "VP_JumpToSorting", 0, With({{1, 1}, {12, -1}}), "Pass"},
        OutcomeCase{"SortConnectionAccepted", 1, {1, 12}, "", 0, With({{1, 1}, {12, 3}}), "Pass"},
        OutcomeCase{"SortConnectionAfterAFailureIsMarked",
                    1,
                    {1, 3, 12},
                    "VP_PROC_BusInterfaceTest",
                    3,
                    With({{1, 1}, {3, -1}, {12, -1}}),
                    "(A00) Bus Interface Fail"},
        OutcomeCase{"CheckRdtFwFails", 1, {13}, "CheckRDTFW", 13, With({{13, -1}}), "(S02) Check RDT FW Fail"},
        OutcomeCase{
            "EraseViaTheGatherFails", 1, {6}, "VP_GDP_ExecProg(1,1,1)", 6, With({{6, -1}}), "(H01) Erase Blocks Fail"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, SortConnectionAcceptedEndsPassWithRdtStatusOne) {
    AP_INIState.ToolMode = 1;
    Select({1, 12});
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_EQ(Info().iResult, 1);
    EXPECT_EQ(Info().iStatus, 1);
    EXPECT_EQ(g_ucRdtStatus, 1);
    // The end shows the pass on green; "Sort Connection Mode" came before it.
    const auto statuses = Statuses();
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[statuses.size() - 2], "Sort Connection Mode");
}

TEST_F(WorkerTest, StatusesColoursProgressAndWatchdog) {
    Select({1, 3, 4});
    unsigned armed = 0;
    script_.onEnable = [&] {
        if (armed == 0) armed = *forms::CallOnGuiFor([&] { return timers_->Interval(kDevice + 1); });
    };
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_EQ(armed, 12000000u);
    EXPECT_FALSE(timers_->IsActive(kDevice + 1));  // killed at the end
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Start", "Initial", "Flash Module", "Bus Interface",
                                                    "Flash Interface", "Pass"}));
    EXPECT_EQ(Progress(), (std::vector<int>{0, 33, 66, 99, 100}));
    EXPECT_EQ(Slots().front().colour, 0x00FFFFu);
    EXPECT_EQ(Slots().back().colour, 0x00FF00u);
    EXPECT_EQ(Slots().back().serialNumber, "");  // Download not selected: the slot is untouched
}

TEST_F(WorkerTest, TimeOutZeroArmsFiveMinutes) {
    AP_INIState.TimeOut = 0;
    Select({1});
    unsigned armed = 0;
    script_.onEnable = [&] { armed = *forms::CallOnGuiFor([&] { return timers_->Interval(kDevice + 1); }); };
    RunWorker();
    EXPECT_EQ(armed, 300000u);
}

TEST_F(WorkerTest, FlashModuleFailureKeepsProgressUntilTheEnd) {
    Select({1, 3, 4});
    script_.failing = "VP_PROC_CheckFlashModule";
    RunWorker();
    EXPECT_EQ(Progress(), (std::vector<int>{0, 100}));
}

TEST_F(WorkerTest, FailingStepsLeaveTheirDetailAndOthersNot) {
    Select({1, 3, 4, 8});
    script_.failing = "VP_PROC_FlashInterfaceTest";
    RunWorker();
    EXPECT_EQ(g_pMPItemLog[kPort][4][10], 0x5A);
    EXPECT_EQ(g_pMPItemLog[kPort][3][10], 0);
    EXPECT_EQ(g_pMPItemLog[kPort][8][10], 0);
    EXPECT_FALSE(calls_.Called("VP_PROC_DownloadProgram"));
}

TEST_F(WorkerTest, LoaderBlockFailureKeepsItsDetailUnder37) {
    Select({1, 8});
    script_.failing = "VP_PROC_GetLoaderBlock";
    RunWorker();
    EXPECT_EQ(g_pMPItemLog[kPort][37][10], 0x5A);
    EXPECT_FALSE(calls_.Called("VP_PROC_CheckFlashModule"));
}

TEST_F(WorkerTest, UploadAloneFetchesTheLoaderBlocks) {
    Select({9});
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_TRUE(calls_.Called("VP_PROC_GetLoaderBlock"));
    EXPECT_EQ(Info().iResult, 1);
}

TEST_F(WorkerTest, StartTakesTheGdpAndWaitsOneAndAHalfSeconds) {
    Select({1});
    const std::uint64_t before = platform::TickCount();
    RunWorker();
    EXPECT_GE(platform::TickCount() - before, 1500u);
    const auto calls = calls_.Calls();
    const std::vector<std::string> start(calls.begin(), calls.begin() + 5);
    EXPECT_EQ(start, (std::vector<std::string>{"VP_EnableVendorCmd", "VP_LoadGDPFromBuffer", "VP_EnableVendorCmd",
                                               "VP_InitGDP", "VC_GDP_CmdSwitchToLegacy"}));
}

TEST_F(WorkerTest, CheckRdtFwStatusPage) {
    struct Row {
        bool read;
        const char* tag;
        std::uint8_t status;
        int state;
        const char* trace;
    };
    for (const Row& row :
         {Row{true, "SORT", 1, 1, "Load pattern Pass!\n"}, Row{true, "SORT", 7, -1, "Load pattern Fail!\n"},
          Row{true, "NONE", 1, -1, "VP PROC_SORT_STATUS return no log \n"}, Row{false, "SORT", 7, 1, nullptr}}) {
        SetUp();
        AP_INIState.ToolMode = 1;
        Select({13});
        script_.statusRead = row.read;
        std::memcpy(script_.status, row.tag, 4);
        script_.status[4] = row.status;
        platform::TraceCapture trace;
        const std::uint64_t before = platform::TickCount();
        EXPECT_EQ(RunWorker(), app::kThreadExitDone);
        EXPECT_GE(platform::TickCount() - before, 1500u + 4000u);
        EXPECT_EQ(Info().iItemState[13], row.state) << row.tag << int(row.status);
        EXPECT_EQ(Info().iResult, 1);
        EXPECT_EQ(Info().iErrorCode, 0);
        if (row.trace != nullptr) {
            EXPECT_TRUE(trace.Contains(row.trace));
        }
        if (row.read) {
            EXPECT_TRUE(trace.Contains("00000000 - "));
        }
    }
}

TEST_F(WorkerTest, SortEraseStep) {
    AP_INIState.ToolMode = 1;
    Select({6});
    AP_INIState.EraseAllType = 1;
    script_.resultBlocks[1][2] = 0x1234;
    {
        platform::TraceCapture trace;
        RunWorker();
        EXPECT_TRUE(calls_.Called("VP_PROC_EraseAllBlock"));
        EXPECT_EQ(wRsltBlk[kPort][1][2], 0x1234);
        EXPECT_TRUE(trace.Contains("Parse SortingResult RsltBlk[1][2] = 0x1234\n"));
        EXPECT_TRUE(trace.Contains("Erase all pass \n"));
    }
    SetUp();
    AP_INIState.ToolMode = 1;
    Select({6});
    AP_INIState.EraseAllType = 1;
    script_.failing = "VP_PROC_GetSortingResultBlock";
    platform::TraceCapture trace;
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_EQ(Info().iErrorCode, 6);
    EXPECT_TRUE(trace.Contains("[3] - 1 - Get sorting result fail!\n"));
    EXPECT_FALSE(timers_->IsActive(kDevice + 1));
}

TEST_F(WorkerTest, PreformatModeFromTheSwitchesAndTheLogSerial) {
    struct Row {
        std::uint8_t eraseSearch, factoryBad, inheritFw, inheritRdt;
        int mode;
    };
    for (const Row& row :
         {Row{1, 1, 1, 1, 1}, Row{0, 1, 1, 1, 8}, Row{0, 0, 1, 1, 4}, Row{0, 0, 0, 1, 32}, Row{0, 0, 0, 0, 0}}) {
        SetUp();
        Select({7});
        AP_INIState.EnEraseSearch = row.eraseSearch;
        AP_INIState.EnFactoryBad = row.factoryBad;
        AP_INIState.EnInheritFW = row.inheritFw;
        AP_INIState.EnInheritRDT = row.inheritRdt;
        AP_INIState.EnInheritSorting = row.inheritRdt;  // no inheritance check with its own answers here
        script_.resultBlocks[0][0] = script_.resultBlocks[0][1] = script_.resultBlocks[1][0] =
            script_.resultBlocks[1][1] = 7;
        std::strcpy(AP_INIState.SerialNumPrefix, "ABCDEFGHIJK");
        std::strcpy(AP_INIState.SerialNum, "123456789012345");
        RunWorker();
        EXPECT_TRUE(calls_.Called("VP_PROC_Preformat(" + std::to_string(row.mode) + ")")) << row.mode;
        EXPECT_STREQ(AP_Instance[kPort].sLogSerialNum, "ABCDEFGHIJK123456789");
    }
}

// Serial numbers: composition and traces, barcode, checks with Download.
struct SerialCase {
    const char* name;
    int mode;
    const char* prefix;
    const char* number;
    const char* suffix;
    const char* barcode;
    std::uint8_t maxCheck;
    const char* maximum;
    std::uint8_t mountTime;
    int code;
    const char* burned;  // sBurnedSerialNum at the end
    const char* trace;   // a line that must be traced (nullptr: none checked)
};

class WorkerSerial : public WorkerTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(WorkerSerial, Rules) {
    const SerialCase& c = GetParam();
    Select({1, 8});
    AP_INIState.SNInputMode = static_cast<std::uint8_t>(c.mode);
    std::strcpy(AP_INIState.SerialNumPrefix, c.prefix);
    std::strcpy(AP_INIState.SerialNum, c.number);
    std::strcpy(AP_INIState.SerialNumSuffix, c.suffix);
    std::strcpy(gJMGlobal.sBurnedSerialNum[kPort], c.barcode);
    AP_INIState.EnMaxSN = c.maxCheck;
    std::strcpy(AP_INIState.MaxSerialNum, c.maximum);
    AP_INIState.EnSNMountTime = c.mountTime;
    std::strcpy(AP_INIState.SNTimeString, "1C8D149");
    platform::TraceCapture trace;
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_EQ(Info().iErrorCode, c.code);
    EXPECT_STREQ(Info().sBurnedSerialNum, c.burned);
    if (c.trace != nullptr) {
        EXPECT_TRUE(trace.Contains(c.trace)) << trace.Text();
    }
    // Every failure here comes before the diagnostic firmware is loaded.
    EXPECT_EQ(calls_.Called("VP_LoadGDPFromBuffer"), c.code == 0);
    if (c.code == 0) {
        EXPECT_EQ(Slots().back().serialNumber, c.burned);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkerSerial,
    ::testing::Values(
        SerialCase{"Number", 1, "", "0000000009", "", "", 0, "", 0, 0, "0000000009",
                   "######### - ### - pPortDevInfo->sBurnedSerialNum is 0000000009\n"},
        SerialCase{"Prefix", 0, "AB", "0009", "", "", 0, "", 0, 0, "AB0009",
                   "######### - Prefix_### - pPortDevInfo->sBurnedSerialNum is AB0009\n"},
        SerialCase{"PrefixSuffix", 2, "AB", "000F", "Z", "", 0, "", 0, 0, "AB000FZ",
                   "######### - Prefix_###_Suffix - pPortDevInfo->sBurnedSerialNum is AB000FZ\n"},
        SerialCase{"Suffix", 1, "", "0009", "Z", "", 0, "", 0, 0, "0009Z",
                   "######### - ###_Suffix - pPortDevInfo->sBurnedSerialNum is 0009Z\n"},
        SerialCase{"Barcode", 3, "", "0009", "", "BC12345", 0, "", 0, 0, "BC12345",
                   "######### - gJMGlobal.sBurnedSerialNum[3] is BC12345\n"},
        SerialCase{"EmptyBarcodeWithDownload", 3, "", "0009", "", "", 0, "", 0, 68, "", nullptr},
        SerialCase{"TwentyOneCharacters", 1, "ABCDEFGHIJK", "0123456789", "", "", 0, "", 0, 68, "ABCDEFGHIJK0123456789",
                   nullptr},
        SerialCase{"DecimalBelowMaximum", 1, "", "0000000009", "", "", 1, "0000000010", 0, 0, "0000000009",
                   "######### - AP_INIState.MaxSerialNum is 0000000010\n"},
        SerialCase{"DecimalOverMaximum", 1, "", "0000000011", "", "", 1, "0000000010", 0, 93, "0000000011",
                   "######### - (Dec)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n"},
        SerialCase{"DecimalNotANumber", 1, "", "00000000X1", "", "", 1, "0000000010", 0, 93, "00000000X1", nullptr},
        SerialCase{"DecimalBeyond64Bits", 1, "", "0000000001", "", "", 1, "99999999999999999999", 0, 93, "0000000001",
                   nullptr},
        SerialCase{"HexWholeOver", 2, "", "000000000B", "", "", 1, "000000000A", 0, 93, "000000000B",
                   "######### - (Hex)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n"},
        SerialCase{"HexPartsEqualPart2Below", 2, "", "00000000000F", "", "", 1, "000000000010", 0, 0, "00000000000F",
                   nullptr},
        SerialCase{"HexPart1Over", 2, "", "01000000000F", "", "", 1, "000000000010", 0, 93, "01000000000F",
                   "######### - (Hex Part1)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n"},
        SerialCase{"HexPart2Over", 2, "", "000000000011", "", "", 1, "000000000010", 0, 93, "000000000011",
                   "######### - (Hex Part2)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n"},
        SerialCase{"HexNotANumber", 2, "", "00000000G1", "", "", 1, "000000000010", 0, 93, "00000000G1", nullptr},
        SerialCase{"MountTimeThirteen", 1, "", "0123456789012", "", "", 0, "", 1, 0, "01234567890121C8D149",
                   "######### - Enable SN Mount Time - pPortDevInfo->sBurnedSerialNum is 01234567890121C8D149\n"},
        SerialCase{"MountTimeFourteen", 1, "", "01234567890123", "", "", 0, "", 1, 94, "01234567890123",
                   "######### - Enable SN Mount Time - strlen(pPortDevInfo->sBurnedSerialNum) is over 13!\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, DownloadOffRunsNoSerialRules) {
    Select({1});
    AP_INIState.SNInputMode = 1;
    AP_INIState.EnMaxSN = 1;
    std::strcpy(AP_INIState.MaxSerialNum, "0");
    AP_INIState.EnSNMountTime = 1;
    AP_INIState.EnKeepSmartInfo = 1;
    AP_INIState.EnKeepEraseCount = 1;
    EXPECT_EQ(RunWorker(), app::kThreadExitDone);
    EXPECT_EQ(Info().iResult, 1);
    EXPECT_FALSE(calls_.Called("VP_GetSmartLog"));
    EXPECT_FALSE(calls_.Called("VP_PROC_GetEraseCount"));
    for (const auto& slot : Slots()) EXPECT_EQ(slot.serialNumber, "");
}

TEST_F(WorkerTest, SortModeReadsNoSystemData) {
    AP_INIState.ToolMode = 1;
    Select({8});
    AP_INIState.EnKeepSmartInfo = 1;
    AP_INIState.EnKeepEraseCount = 1;
    AP_INIState.SNInputMode = 4;
    RunWorker();
    EXPECT_FALSE(calls_.Called("VP_GetSmartLog"));
    EXPECT_FALSE(calls_.Called("VP_PROC_GetEraseCount"));
    EXPECT_FALSE(calls_.Called("VP_PROC_GetSerialNumber"));
}

TEST_F(WorkerTest, SmartEraseCountAndInheritedSerialByMode) {
    struct Row {
        int mode;
        std::string failing;
        int code;
        const char* trace;
        std::vector<std::string> wanted;
    };
    const std::vector<Row> rows = {
        {4, "", 0, nullptr, {"VP_GetSmartLog", "VP_PROC_GetEraseCount(1)", "VP_PROC_GetSerialNumber(1)"}},
        {2,
         "",
         0,
         nullptr,
         {"VP_JumpToSystem", "VP_GetSmartLog", "VP_PROC_GetEraseCount(1)", "VP_PROC_GetSerialNumber(0)"}},
        {1, "", 73, "######### - Get SMART info failed! Port 3 is not in system mode.\n", {}},
        {2, "VP_JumpToSystem", 73, "######### - Get SMART info failed! Port 3 VP_JumpToSystem error\n", {}},
        {4, "VP_GetSmartLog", 73, nullptr, {}},
    };
    for (const Row& row : rows) {
        SetUp();
        Select({1, 8});
        AP_INIState.SNInputMode = 4;
        AP_INIState.EnKeepSmartInfo = 1;
        AP_INIState.EnKeepEraseCount = 1;
        script_.mode = row.mode;
        script_.failing = row.failing;
        platform::TraceCapture trace;
        RunWorker();
        EXPECT_EQ(Info().iErrorCode, row.code) << row.mode << row.failing;
        if (row.trace != nullptr) {
            EXPECT_TRUE(trace.Contains(row.trace));
        }
        for (const auto& w : row.wanted) EXPECT_TRUE(calls_.Called(w)) << w;
        if (row.code == 0) {
            EXPECT_STREQ(Info().sBurnedSerialNum, "INHERITED01");
        }
        EXPECT_EQ(AP_Instance[kPort].pSmartLogBuf[0], row.code == 0 || row.failing == "VP_GetSmartLog" ? 0x77 : 0);
    }
}

TEST_F(WorkerTest, SecondChancesUnderGdpFail) {
    struct Row {
        std::string failing;
        int code;
    };
    for (const Row& row : {Row{"VP_PROC_GetEraseCount(0)", 66}, Row{"VP_PROC_GetSerialNumber(0)", 92}}) {
        SetUp();
        Select({1, 8});
        AP_INIState.SNInputMode = 4;
        AP_INIState.EnKeepEraseCount = 1;
        script_.mode = 1;  // neither is read in the system firmware
        script_.failing = row.failing;
        RunWorker();
        EXPECT_EQ(Info().iErrorCode, row.code);
        EXPECT_FALSE(calls_.Called("VP_PROC_CheckFlashModule"));
    }
}

// The inheritance check of sorting results.
TEST_F(WorkerTest, InheritanceCheck) {
    struct Row {
        const char* name;
        std::uint8_t inheritRdt, inheritSorting, autoInherit;
        int diePerCe;
        int zeroChannel, zeroBank;  // a result block of 0 (-1: none)
        std::string failing;
        int checkResult;
        int code;
        std::uint8_t marker;  // byte 0 of [89]; 0 when nothing is written there
        int checks;           // VP_PROC_CheckSortingResult calls
    };
    const std::vector<Row> rows = {
        {"Off", 0, 0, 0, 1, -1, -1, "", 1, 0, 0, 0},
        {"RdtChecksEveryPresentDie", 1, 0, 0, 1, -1, -1, "", 1, 0, 0, 4},
        {"AutoChecks", 0, 0, 1, 1, -1, -1, "", 1, 0, 0, 4},
        {"SortingDoesNotCheck", 1, 1, 0, 1, -1, -1, "", 1, 0, 0, 0},
        {"TwoDiesPerCe", 1, 0, 0, 2, -1, -1, "", 1, 0, 0, 6},
        {"ResultBlockZero", 1, 0, 0, 1, 1, 0, "", 1, 89, 0xE0, 2},
        {"ResultBlockZeroWithoutCheck", 1, 1, 0, 1, 0, 1, "", 1, 89, 0xE0, 0},
        {"AbsentDieWithZeroIsSkipped", 1, 0, 0, 2, 1, 3, "", 1, 0, 0, 6},
        {"CheckResult69", 1, 0, 0, 1, -1, -1, "", 69, 69, 0xE1, 1},
        {"SearchFails", 1, 0, 0, 1, -1, -1, "VP_PROC_GetSortingResultBlock", 1, 89, 0, 0},
    };
    for (const Row& row : rows) {
        SetUp();
        Select({7});
        AP_INIState.EnInheritRDT = row.inheritRdt;
        AP_INIState.EnInheritSorting = row.inheritSorting;
        AP_INIState.EnAutoInherit = row.autoInherit;
        AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(row.diePerCe);
        // Two dies per CE: channel 0 has 4 dies, channel 1 only 2.
        std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
        for (int b = 0; b < 4; ++b) AP_INIState.bOriDieMapMultiLun[0][b] = static_cast<std::uint8_t>(b);
        for (int b = 0; b < 2; ++b) AP_INIState.bOriDieMapMultiLun[1][b] = static_cast<std::uint8_t>(4 + b);
        for (auto& channel : script_.resultBlocks)
            for (auto& block : channel) block = 0x100;
        if (row.zeroChannel >= 0) script_.resultBlocks[row.zeroChannel][row.zeroBank] = 0;
        script_.failing = row.failing;
        script_.checkResult = row.checkResult;
        platform::TraceCapture trace;
        RunWorker();
        EXPECT_EQ(Info().iErrorCode, row.code) << row.name;
        EXPECT_EQ(g_pMPItemLog[kPort][89][0], row.marker) << row.name;
        if (row.marker != 0) {
            EXPECT_EQ(g_pMPItemLog[kPort][89][1], row.zeroChannel >= 0 ? row.zeroChannel : 0) << row.name;
            EXPECT_EQ(g_pMPItemLog[kPort][89][2], row.zeroChannel >= 0 ? row.zeroBank : 0) << row.name;
        }
        int checks = 0;
        for (const auto& call : calls_.Calls()) checks += call.rfind("VP_PROC_CheckSortingResult", 0) == 0;
        EXPECT_EQ(checks, row.checks) << row.name;
        int entries = 0;
        for (const auto& line : trace.Lines()) entries += line.rfind("wRsltBlk[", 0) == 0;
        const bool searched = row.inheritRdt || row.autoInherit;
        EXPECT_EQ(entries, searched && row.failing.empty() ? 64 : 0) << row.name;
        if (row.code != 0) {
            EXPECT_EQ(Info().iItemState[7], 0) << row.name;
        }
    }
}

// A worker ending while its watchdog fires: exactly one outcome.
TEST_F(WorkerTest, WatchdogTakingTheClaimFirstLeavesItsOutcome) {
    Select({1});
    app::SetBeforeClaimHook([](int device) {
        // The watchdog fires between the worker's kill and its claim.
        ASSERT_TRUE(app::TakeOutcomeClaim(device));
        StoreField(g_PortDevInfo[kPort].iErrorCode, 38);
        StoreField(g_PortDevInfo[kPort].iFailItem, 38);
        StoreField(g_PortDevInfo[kPort].iStatus, -1);
    });
    EXPECT_EQ(RunWorker(), app::kThreadExitTerminated);
    EXPECT_EQ(Info().iErrorCode, 38);
    EXPECT_EQ(Info().iResult, 0);  // not counted
    EXPECT_EQ(Info().iStatus, -1);
    EXPECT_NE(Slots().back().status, "Pass");
    EXPECT_FALSE(app::TakeOutcomeClaim(kDevice));
}

}  // namespace
}  // namespace mp_test

namespace mp_test {
namespace {

// Stopping without killing: the worker's next wait throws once its token is cancelled.
TEST_F(WorkerTest, CancelledWorkerEndsWith777AndWritesNoOutcome) {
    struct Row {
        const char* name;
        bool duringPoll;  // cancelled while a step polls; else just before the 1,500 ms wait
    };
    for (const Row& row : {Row{"DuringTheGdpWait", false}, Row{"DuringAStepsPoll", true}}) {
        SetUp();
        Select({1, 3});
        app::ThreadParam param;
        param.timers = timers_.get();
        param.port = kPort;
        param.device = kDevice;
        param.AP_INIState_Thread = AP_INIState;
        app::MpProcedures procs = Scripted(script_, calls_);
        std::atomic<bool> polling{false};
        if (row.duringPoll) {
            procs.VP_PROC_CheckFlashModule = [&](int, std::uint8_t*) -> bool {
                polling = true;
                forms::PostToGui([] {});
                for (;;) platform::Sleep(100);  // a drive that stays busy
            };
        } else {
            procs.VC_GDP_CmdSwitchToLegacy = [](int) {
                platform::CurrentCancelToken()->Cancel();
                return 1;
            };
        }
        app::ScopedMpProcedures scoped(procs);
        const std::uint64_t before = platform::TickCount();
        forms::WorkerThread worker([&](forms::WorkerThread&) { return app::DeviceMPThread(param); });
        ASSERT_TRUE(worker.Start());
        if (row.duringPoll) {
            ASSERT_TRUE(forms::PumpUntil([&] { return polling.load(); }, 20000));
            worker.Cancel();
        }
        ASSERT_TRUE(worker.Wait(20000)) << row.name;
        EXPECT_EQ(worker.ExitCode(), app::kThreadExitTerminated) << row.name;
        if (!row.duringPoll) {
            EXPECT_LT(platform::TickCount() - before, 1500u) << row.name;
        }
        EXPECT_EQ(Info().iStatus, 2) << row.name;  // as the start left it: no outcome of its own
        EXPECT_EQ(Info().iResult, 0) << row.name;
        EXPECT_EQ(Info().iErrorCode, 0) << row.name;
        EXPECT_TRUE(app::TakeOutcomeClaim(kDevice)) << row.name;  // still free for the watchdog or Stop
    }
}

}  // namespace
}  // namespace mp_test
