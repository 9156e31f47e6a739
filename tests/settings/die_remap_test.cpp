// The die map: page model to record, the channel and CE sets, the single- and multi-LUN remaps with
// their logical-die tables and messages, and record to page.
#include "settings/die_remap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/trace_sink.h"
#include "records_guard.h"
#include "settings/die_map_page.h"

namespace {

using settings::DieMapPage;
using Bytes = std::vector<std::uint8_t>;
using Die = std::tuple<int, int, int>;  // channel, CE, LUN

constexpr std::uint8_t F = 0xFF;

// The entries of the table traced under `heading`: `rows` lines of " %02X" entries.
Bytes TracedTable(const std::vector<std::string>& lines, const std::string& heading, int rows) {
    const auto at = std::find(lines.begin(), lines.end(), heading);
    EXPECT_NE(at, lines.end()) << heading;
    Bytes bytes;
    if (at == lines.end()) return bytes;
    for (int r = 1; r <= rows && at + r != lines.end(); ++r) {
        const std::string& line = *(at + r);
        for (std::size_t i = 11; i + 2 < line.size(); i += 3) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(i + 1, 2), nullptr, 16)));
        }
    }
    return bytes;
}

Bytes Row(const std::uint8_t* row, int n) {
    return Bytes(row, row + n);
}

struct RemapCase {
    const char* name;
    std::uint8_t diePerCe;
    std::uint8_t virCnt;
    std::vector<Die> dies;
    std::vector<std::pair<int, int>> maroonBoxes;  // checked, every LUN shape unselected
    Bytes bankSet, channelSet;
    int mpBank, mpChannel, maxPhyBank, maxPhyChannel;
    std::vector<std::pair<int, Bytes>> originalRows, remapRows;  // rows not listed are all 0xFF
    Bytes ceCh;                                                  // first entries of the die-to-CE/CH table
    int dieNumCount;
    int messages;
};

void PrintTo(const RemapCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<Die> FortyDies() {
    std::vector<Die> dies;
    for (int ch = 0; ch < 8; ++ch) {
        for (int ce = 0; ce < 4; ++ce) dies.emplace_back(ch, ce, 0);
        dies.emplace_back(ch, 0, 1);
    }
    return dies;
}

// Every channel: CE 0 to 3 of LUN 0 in columns 0 to 3, LUN 1 of CE 0 in column 4.
std::vector<std::pair<int, Bytes>> FortyDiesRows() {
    std::vector<std::pair<int, Bytes>> rows;
    for (int ch = 0; ch < 8; ++ch) {
        Bytes row(8, F);
        for (int column = 0; column < 5; ++column) row[column] = static_cast<std::uint8_t>((ch << 4) | column);
        rows.emplace_back(ch, row);
    }
    return rows;
}

// Logical dies of the forty-die map: column by column (CE 0..3, then LUN 1 of CE 0), channels inner.
Bytes FortyDiesCeCh() {
    Bytes bytes;
    for (int column = 0; column < 5; ++column) {
        for (int ch = 0; ch < 8; ++ch) {
            const int lun = column / 4, ce = column % 4;
            bytes.push_back(static_cast<std::uint8_t>((lun << 6) | (ce << 3) | ch));
        }
    }
    bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + 24);  // pass 1 up to the 64th entry
    return bytes;
}

const RemapCase kCases[] = {
    {"single: channel 0, CE 1 and CE 3",
     1,
     1,
     {{0, 1, 0}, {0, 3, 0}},
     {},
     {1, 3, F, F},
     {0, F, F, F, F, F, F, F},
     2,
     1,
     4,
     1,
     {{0, {F, 1, F, 3}}},
     {{0, {1, 3, F, F}}},
     {0x08, 0x18},
     2,
     0},
    {"single: channels 2 and 5 of CE 0",
     1,
     1,
     {{2, 0, 0}, {5, 0, 0}},
     {},
     {0, F, F, F},
     {2, 5, F, F, F, F, F, F},
     1,
     2,
     1,
     6,
     {{2, {0x20, F, F, F}}, {5, {0x50, F, F, F}}},
     {{0, {0x20, F, F, F}}, {1, {0x50, F, F, F}}},
     {0x02, 0x05},
     2,
     0},
    {"single: gaps in channels and CEs",
     1,
     1,
     {{1, 2, 0}, {3, 0, 0}, {3, 3, 0}, {6, 1, 0}},
     {},
     {0, 1, 2, 3},
     {1, 3, 6, F, F, F, F, F},
     4,
     3,
     4,
     7,
     {{1, {F, F, 0x12, F}}, {3, {0x30, F, F, 0x33}}, {6, {F, 0x61, F, F}}},
     {{0, {0x12, 0x33, F, F}}, {1, {0x30, F, F, F}}, {2, {0x61, F, F, F}}},
     {0x11, 0x03, 0x0E, 0x1B},
     4,
     0},
    {"single: two virtual dies per die",
     1,
     2,
     {{0, 0, 0}, {1, 0, 0}},
     {},
     {0, F, F, F},
     {0, 1, F, F, F, F, F, F},
     1,
     2,
     1,
     2,
     {{0, {0x00, F, F, F}}, {1, {0x10, F, F, F}}},
     {{0, {0x00, F, F, F}}, {1, {0x10, F, F, F}}},
     {0x00, 0x01, 0x00, 0x01},
     2,
     0},
    {"single: ucDiePerCE 0 counts as one LUN",
     0,
     1,
     {{0, 0, 0}, {1, 0, 0}},
     {},
     {0, F, F, F},
     {0, 1, F, F, F, F, F, F},
     1,
     2,
     1,
     2,
     {{0, {0x00, F, F, F}}, {1, {0x10, F, F, F}}},
     {{0, {0x00, F, F, F}}, {1, {0x10, F, F, F}}},
     {0x00, 0x01},
     2,
     0},
    {"single: no die keeps MaxPhyBank and MaxPhyChannel",
     1,
     1,
     {},
     {},
     {F, F, F, F},
     {F, F, F, F, F, F, F, F},
     0,
     0,
     3,
     5,
     {},
     {},
     {F},
     0,
     0},
    {"multi: two LUNs, two CEs",
     2,
     1,
     {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}},
     {},
     {0, 1, F, F},
     {0, F, F, F, F, F, F, F},
     2,
     1,
     2,
     1,
     {{0, {0x00, 0x01, 0x02, F, F, F, F, F}}},
     {{0, {0x00, 0x01, 0x02, F, F, F, F, F}}},
     {0x00, 0x08, 0x40},
     3,
     0},
    {"multi: gaps compact towards column 0 and channel 0",
     2,
     1,
     {{2, 1, 1}, {5, 0, 0}},
     {},
     {0, 1, F, F},
     {2, 5, F, F, F, F, F, F},
     2,
     2,
     2,
     6,
     {{2, {F, F, F, 0x23, F, F, F, F}}, {5, {0x50, F, F, F, F, F, F, F}}},
     {{0, {0x23, F, F, F, F, F, F, F}}, {1, {0x50, F, F, F, F, F, F, F}}},
     {0x4A, 0x05},
     2,
     0},
    {"multi: a checked box with every LUN maroon is no die",
     2,
     1,
     {{0, 0, 0}},
     {{3, 1}},
     {0, F, F, F},
     {0, F, F, F, F, F, F, F},
     1,
     1,
     1,
     1,
     {{0, {0x00, F, F, F, F, F, F, F}}},
     {{0, {0x00, F, F, F, F, F, F, F}}},
     {0x00},
     1,
     0},
    {"multi: forty dies, two virtual dies per die",
     2,
     2,
     FortyDies(),
     {},
     {0, 1, 2, 3},
     {0, 1, 2, 3, 4, 5, 6, 7},
     4,
     8,
     4,
     8,
     FortyDiesRows(),
     FortyDiesRows(),
     FortyDiesCeCh(),
     40,
     16},
};

class DieRemapTest : public ::testing::TestWithParam<RemapCase> {
  protected:
    platform::TraceCapture trace_;
    settings_test::RecordsGuard guard_;
};

TEST_P(DieRemapTest, PageToRecordAndRemap) {
    const RemapCase& c = GetParam();
    AP_FlashSet.ucDiePerCE = c.diePerCe;
    AP_INIState.bVirCntPerDie = c.virCnt;
    AP_INIState.MaxPhyBank = 3;  // what an earlier pass left
    AP_INIState.MaxPhyChannel = 5;
    DieMapPage page;
    for (const auto& [ch, ce, lun] : c.dies) {
        page.box[ch][ce].checked = true;
        page.box[ch][ce].lunSelected[lun] = true;
    }
    for (const auto& [ch, ce] : c.maroonBoxes) page.box[ch][ce].checked = true;
    int messages = 0;
    std::string lastMessage;
    settings::DieMapPageToRecord(page);
    ProcessDieRemapForFlash([&](const char* text) {
        ++messages;
        lastMessage = text;
    });

    const AP_INIState_t& s = AP_INIState;
    EXPECT_EQ(Row(s.MPFwBankSet, 4), c.bankSet);
    EXPECT_EQ(Row(s.MPFwChannelSet, 8), c.channelSet);
    EXPECT_EQ(s.MPBank, c.mpBank);
    EXPECT_EQ(s.MPChannel, c.mpChannel);
    EXPECT_EQ(s.MaxPhyBank, c.maxPhyBank);
    EXPECT_EQ(s.MaxPhyChannel, c.maxPhyChannel);
    const bool multi = c.diePerCe > 1;
    const int width = multi ? 8 : 4;
    for (int ch = 0; ch < 8; ++ch) {
        Bytes original(width, F), remap(width, F);
        for (const auto& [row, bytes] : c.originalRows) {
            if (row == ch) original = bytes;
        }
        for (const auto& [row, bytes] : c.remapRows) {
            if (row == ch) remap = bytes;
        }
        EXPECT_EQ(Row(multi ? s.bOriDieMapMultiLun[ch] : s.bOriDieMap[ch], width), original) << "row " << ch;
        EXPECT_EQ(Row(multi ? s.bRemapDieMapMultiLun[ch] : s.bRemapDieMap[ch], width), remap) << "row " << ch;
    }
    const std::string suffix = multi ? " - MultiLun" : "";
    const Bytes dieToCeCh = TracedTable(trace_.Lines(), "######### - Die to Ce/Ch" + suffix + "\n", 8);
    ASSERT_EQ(dieToCeCh.size(), 64u);
    EXPECT_EQ(Bytes(dieToCeCh.begin(), dieToCeCh.begin() + static_cast<long>(c.ceCh.size())), c.ceCh);
    EXPECT_EQ(s.bDieNumCount, c.dieNumCount);
    EXPECT_EQ(messages, c.messages);
    if (c.messages > 0) {
        EXPECT_EQ(lastMessage, "Logical die count is over 64!\nPlease adjust bVirCntPerDie.");
    }
}

INSTANTIATE_TEST_SUITE_P(DieMap, DieRemapTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RemapCase>& info) {
                             std::string name = info.param.name;
                             std::replace_if(
                                 name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                             return name;
                         });

class DieMapTest : public ::testing::Test {
  protected:
    platform::TraceCapture trace_;
    settings_test::RecordsGuard guard_;
};

TEST_F(DieMapTest, SingleLunTracesTheBoxesTheSetsAndTheTables) {
    AP_FlashSet.ucDiePerCE = 1;
    AP_INIState.bVirCntPerDie = 1;
    DieMapPage page;
    page.box[0][1].checked = page.box[0][3].checked = true;
    page.box[0][5].checked = true;  // CE 4 to 7 have no entry
    settings::DieMapPageToRecord(page);
    fn_ProcessDieRemap();
    const std::vector<std::string> lines = trace_.Lines();
    const std::vector<std::string> head(lines.begin(), lines.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{"######### - fn_ProcessDieRemapUI2Struct\n",
                                              "######### - AP_INIState.bDieStatus[0][0] is false\n",
                                              "######### - AP_INIState.bDieStatus[0][1] is true\n",
                                              "######### - AP_INIState.bDieStatus[0][2] is false\n",
                                              "######### - AP_INIState.bDieStatus[0][3] is true\n",
                                              "######### - AP_INIState.bDieStatus[1][0] is false\n"}));
    const auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line); };
    EXPECT_EQ(*(at("######### - AP_INIState.bDieStatus[7][3] is false\n") + 1),
              "######### - AP_INIState.MPBank is 2\n");
    EXPECT_EQ(*(at("######### - AP_INIState.MPBank is 2\n") + 1), "######### - AP_INIState.MPChannel is 1\n");
    EXPECT_EQ(*(at("######### - Original Die Status\n") + 1), "######### - 00 01 00 01\n");
    EXPECT_EQ(*(at("######### - Original Die Map\n") + 1), "######### - FF 01 FF 03\n");
    EXPECT_EQ(*(at("######### - Remap Die Map\n") + 1), "######### - 01 03 FF FF\n");
    const auto fw = at("######### - FW Map\n");
    ASSERT_NE(fw, lines.end());
    EXPECT_EQ(std::vector<std::string>(fw + 1, fw + 5),
              (std::vector<std::string>{"######### - Count is 2\n", "######### - AP_INIState.bVirCntPerDie is 1\n",
                                        "######### - AP_INIState.bDieNumCount is 2\n", "######### - Die to Ce/Ch\n"}));
    const Bytes ceChToDie = TracedTable(lines, "######### - Ce/Ch to Die\n", 16);
    ASSERT_EQ(ceChToDie.size(), 128u);
    EXPECT_EQ(ceChToDie[8], 0);   // CE 1, channel 0
    EXPECT_EQ(ceChToDie[24], 1);  // CE 3, channel 0
    EXPECT_EQ(std::count(ceChToDie.begin(), ceChToDie.end(), F), 126);
    EXPECT_EQ(lines.back(), "######### - FF FF FF FF FF FF FF FF\n");
}

TEST_F(DieMapTest, MultiLunStatusTraceGroupsEntriesByBank) {
    AP_FlashSet.ucDiePerCE = 2;
    AP_INIState.MaxPhyBank = 2;
    AP_INIState.bVirCntPerDie = 1;
    AP_INIState.bDieStatusMultiLun[0][0][0] = 1;
    AP_INIState.bDieStatusMultiLun[0][1][0] = 1;
    AP_INIState.bDieStatusMultiLun[0][0][1] = 1;
    fn_ProcessMultiLunDieRemap();
    const std::vector<std::string> lines = trace_.Lines();
    const auto at = std::find(lines.begin(), lines.end(), "######### - Original Die Status - MultiLun\n");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, at + 5),
              (std::vector<std::string>{"######### - AP_FlashSet.ucDiePerCE is 2\n",
                                        "######### - AP_INIState.MaxPhyBank is 2\n", "######### - 01 01, 01 00,\n",
                                        "######### - 00 00, 00 00,\n"}));
    EXPECT_EQ(*(std::find(lines.begin(), lines.end(), "######### - Remap Die Map - MultiLun\n") + 1),
              "######### - 00 01 02 FF FF FF FF FF\n");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "######### - FW Map - MultiLun\n"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "######### - Ce/Ch to Die - MultiLun\n"), lines.end());
}

TEST_F(DieMapTest, MultiLunWithoutABankCountPlacesNoDie) {
    AP_FlashSet.ucDiePerCE = 2;
    AP_INIState.MaxPhyBank = 0;
    AP_INIState.bVirCntPerDie = 0;  // taken as 1
    AP_INIState.bDieStatusMultiLun[1][0][1] = 1;
    fn_ProcessMultiLunDieRemap();
    EXPECT_EQ(Row(&AP_INIState.bOriDieMapMultiLun[0][0], 64), Bytes(64, F));
    EXPECT_EQ(AP_INIState.bDieNumCount, 0);
    EXPECT_TRUE(trace_.Contains("######### - 00 00 00 00\n"));
}

TEST_F(DieMapTest, WithoutASinkTheMessageGoesToTheTrace) {
    AP_FlashSet.ucDiePerCE = 1;
    AP_INIState.bVirCntPerDie = 3;
    for (int ch = 0; ch < 8; ++ch) {
        for (int ce = 0; ce < 3; ++ce) AP_INIState.bDieStatus[ch][ce] = 1;  // 24 dies x 3 = 72
    }
    fn_ProcessDieRemap();
    EXPECT_EQ(AP_INIState.bDieNumCount, 24);
    const std::vector<std::string> lines = trace_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "######### - Logical die count is over 64!\nPlease adjust bVirCntPerDie.\n"),
              8);
}

TEST_F(DieMapTest, RecordToPageShowsTheStatusAndTheGroupState) {
    AP_FlashSet.ucDiePerCE = 3;
    AP_INIState.EnUnbalance = 1;
    AP_INIState.bDieStatusMultiLun[0][0][0] = 1;
    AP_INIState.bDieStatusMultiLun[2][1][1] = 1;  // first active LUN is LUN 1
    AP_INIState.bDieStatusMultiLun[2][1][2] = 1;
    AP_INIState.bDieStatusMultiLun[4][3][3] = 1;  // LUN 3 is beyond ucDiePerCE
    DieMapPage page;
    page.box[7][7].enabled = true;  // enabled states of boxes without a die are left alone
    page.box[5][2].checked = true;
    page.box[5][2].lunVisible[0] = true;
    settings::DieMapRecordToPage(page);

    EXPECT_TRUE(page.groupEnabled);
    EXPECT_TRUE(page.lunButtonVisible);
    EXPECT_TRUE(page.box[0][0].checked && page.box[0][0].enabled);
    EXPECT_TRUE(page.box[2][1].checked);
    EXPECT_EQ(Bytes({page.box[2][1].lunVisible[0], page.box[2][1].lunVisible[1], page.box[2][1].lunVisible[2],
                     page.box[2][1].lunVisible[3]}),
              Bytes({1, 1, 1, 0}));
    EXPECT_EQ(Bytes({page.box[2][1].lunSelected[0], page.box[2][1].lunSelected[1], page.box[2][1].lunSelected[2]}),
              Bytes({0, 1, 1}));
    EXPECT_FALSE(page.box[4][3].checked);
    EXPECT_FALSE(page.box[5][2].checked);
    EXPECT_FALSE(page.box[5][2].lunVisible[0]);  // unchecked boxes hide their LUN shapes
    EXPECT_TRUE(page.box[7][7].enabled);
    EXPECT_TRUE(trace_.Contains("######### - AP_INIState.bDieStatusMultiLun[2][1][1] is 1\n"));

    // Round trip: the status comes back as it was, LUN 3 aside (beyond ucDiePerCE, left alone).
    const auto before = AP_INIState;
    settings::DieMapPageToRecord(page);
    EXPECT_EQ(0,
              std::memcmp(AP_INIState.bDieStatusMultiLun, before.bDieStatusMultiLun, sizeof before.bDieStatusMultiLun));

    AP_INIState.EnUnbalance = 0;
    settings::DieMapRecordToPage(page);
    EXPECT_FALSE(page.groupEnabled);
    EXPECT_FALSE(page.lunButtonVisible);
}

TEST_F(DieMapTest, SingleLunRecordToPageChecksOnlyStatusOne) {
    AP_FlashSet.ucDiePerCE = 0;
    AP_INIState.EnUnbalance = 1;
    AP_INIState.bDieStatus[1][2] = 1;
    AP_INIState.bDieStatus[3][0] = 2;
    DieMapPage page;
    settings::DieMapRecordToPage(page);
    EXPECT_TRUE(page.groupEnabled);
    EXPECT_FALSE(page.lunButtonVisible);
    EXPECT_TRUE(page.box[1][2].checked && page.box[1][2].enabled);
    EXPECT_FALSE(page.box[3][0].checked);
}

TEST_F(DieMapTest, ClickSelectsOrDeselectsEveryLunOfTheBoxInMultiLunModeOnly) {
    DieMapPage page;
    AP_FlashSet.ucDiePerCE = 1;
    page.box[1][1].checked = true;
    settings::DieMapBoxClicked(page, 1, 1);
    EXPECT_FALSE(page.box[1][1].lunVisible[0]);
    EXPECT_FALSE(page.box[1][1].lunSelected[0]);

    AP_FlashSet.ucDiePerCE = 2;
    settings::DieMapBoxClicked(page, 1, 1);
    EXPECT_TRUE(page.box[1][1].lunVisible[0] && page.box[1][1].lunVisible[1] && !page.box[1][1].lunVisible[2]);
    EXPECT_TRUE(page.box[1][1].lunSelected[0] && page.box[1][1].lunSelected[1]);
    page.box[1][1].checked = false;
    settings::DieMapBoxClicked(page, 1, 1);
    EXPECT_TRUE(page.box[1][1].lunVisible[0] && page.box[1][1].lunVisible[1]);
    EXPECT_FALSE(page.box[1][1].lunSelected[0] || page.box[1][1].lunSelected[1]);
    settings::DieMapBoxClicked(page, 8, 0);  // no such box: nothing happens
    settings::DieMapBoxClicked(page, 0, -1);
}

}  // namespace
