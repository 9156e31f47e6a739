// Table pages of the small fixture (1 channel, 1 bank, 1 die, 2 planes, 16 units, 4 KB pages),
// derived by hand from the page format, for every generator family.
#include <gtest/gtest.h>

#include "tables/page_format.h"
#include "tables/table_image.h"
#include "tables_fixture.h"

namespace tables_test {
namespace {

constexpr std::size_t kPage = 4096;

const std::vector<std::uint8_t> kDefectHeader = Header({0xE9, 0x86, 0xAA, 0x55});
const std::vector<std::uint8_t> kEarlyHeader = Header({0x45, 0x79, 0xAA, 0x55});
const std::vector<std::uint8_t> kRemapHeader = Header({0x9E, 0x68, 0x55, 0xAA});
const std::vector<std::uint8_t> kVirtHeader = Header({0x41, 0x56, 0xAA, 0x55});
const std::vector<std::uint8_t> kSystemHeader = Header({0x53, 0x59, 0x53, 0x50});

std::vector<std::uint8_t> Repeat(std::initializer_list<std::uint16_t> words, int times) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < times; ++i) {
        const std::vector<std::uint8_t> one = W(words);
        out.insert(out.end(), one.begin(), one.end());
    }
    return out;
}

class GoldenSmallTest : public TablesTest {
  protected:
    GoldenSmallTest() {
        ApplyGeometry(kSmall);
        AP_INIState.DMT_Qnty = 2;
        AP_INIState.QBT_Qnty = 3;
        AP_INIState.FixSLC_BU = 1;
        AP_INIState.wFW_BLKQnty = 5;
    }

    // Units 3, 6, 13 bad in plane 0; 4, 7, 11, 15 in plane 1; 9 in both.
    void BuildFromTheDriveList() {
        gdp_.Set({Entry(0, 0, 0x02, 3), Entry(0, 0, 0x01, 4), Entry(0, 0, 0x02, 6), Entry(0, 0, 0x01, 7),
                  Entry(0, 0, 0x00, 9), Entry(0, 0, 0x01, 11), Entry(0, 0, 0x02, 13), Entry(0, 0, 0x01, 15)});
        Prepare(gdp_.list(), *vi_);
        RunRemapSteps(*vi_, hash_);
        GenerateAll(*vi_, counts_, pages_);
    }

    GdpBuffer gdp_;
    std::unique_ptr<_VectorInfo> vi_ = NewWorkingSet();
    std::vector<std::uint8_t> hash_;
    RemapCounts counts_{};
    RM_PageTable pages_;
};

// The list sorted by bad count is 3, 4, 6, 7, 11, 13, 15, 9; 8 units less the 5 bad blocks of
// plane 1 leaves 3 units to remap: 3 takes plane 0 of 15, 4 plane 1 of 13, 6 plane 0 of 11.
// Unit 7 keeps its good plane 0 as the only reserve entry; nothing is virtually remapped.
TEST_F(GoldenSmallTest, LogicalTablesFromADriveList) {
    BuildFromTheDriveList();
    EXPECT_TRUE(pages_.overflows.empty());

    EXPECT_TRUE(PageIs(pages_.defect[0], kPage,
                       {{0, kDefectHeader},
                        {16, {0xFB, 0xA0, 0x00, 0x00}},
                        {20, {0x03, 0x00, 0x01, 0x00}},
                        {24, {0x04, 0x00, 0x00, 0x00}},
                        {28, {0x06, 0x00, 0x01, 0x00}},
                        {32, {0x07, 0x00, 0x00, 0x00}},
                        {36, {0x09, 0x00, 0x02, 0x00}},
                        {40, {0x0B, 0x00, 0x00, 0x00}},
                        {44, {0x0D, 0x00, 0x01, 0x00}},
                        {48, {0x0F, 0x00, 0x00, 0x00}},
                        {52, {0xFE, 0xD1, 0x00, 0x00}}}));

    // Budget (7168 - 3) / 2 = 3582 per plane: at most 20 free pairs are written.
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage,
                       {{0, kRemapHeader},
                        {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0, 3, 15, 6, 11, 0xFFFF, 7})},
                        {40, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {120, W({0xEAE0, 1, 4, 13})},
                        {128, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {208, W({0xEED1, 1})}}));

    EXPECT_TRUE(PageIs(pages_.early[0], kPage, {{0, kEarlyHeader}, {16, W({0xFB00, 7, 9, 11, 13, 15, 0xFE01})}}));

    // The reserve of plane 0 as plane-block index 7 x 2 + 0, then 40 free pairs (2 planes x 20).
    EXPECT_TRUE(PageIs(pages_.virt[0], kPage,
                       {{0, kVirtHeader},
                        {16, W({0xABCD, 0, 0xFFFF, 14})},
                        {24, Repeat({0xFFFF, 0xFFFF}, 40)},
                        {184, W({0xDCBA, 1})}}));

    EXPECT_TRUE(PageIs(pages_.system[0], kPage,
                       {{0, kSystemHeader}, {28, W({6})}, {32, W({0x5451, 2, 3, 4, 5, 6, 8, 10, 12, 14, 0x5154})}}));

    RemapCounts expected{};
    expected[RM_COUNT_VALID] = 3;
    expected[RM_COUNT_RESERVE] = 1;
    expected[RM_COUNT_CH_RESERVE] = 1;
    expected[RM_COUNT_VIRT_RESERVE] = 1;
    expected[RM_COUNT_CH_VIRT_RESERVE] = 1;
    EXPECT_EQ(counts_, expected);
    for (std::uint8_t b : vi_->virtualPlaneMap) ASSERT_EQ(b, 0);
    for (int ch = 1; ch < RM_MAX_CH; ++ch) EXPECT_TRUE(pages_.remap[ch].empty());
}

// After DMT_Qnty (2) good units comes unit 4, after QBT_Qnty (3) more unit 8; the SLC area of
// FixSLC_BU + FWBlkQnty = 6, counted from unit 4 / planes = 2, ends after unit 5.
TEST_F(GoldenSmallTest, SlcBoundsFromTheDriveList) {
    BuildFromTheDriveList();
    const AP_Instance_t& inst = AP_Instance[kPort];
    EXPECT_EQ(inst.wScanBlockUnit2, 4);
    EXPECT_EQ(inst.wScanBlockUnit, 8);
    EXPECT_EQ(inst.wBadCount, 5);
    EXPECT_EQ(inst.wTotalGoodBU, 11);
    EXPECT_EQ(inst.wHSPD_BLK_Qnty_Count, 6);
    EXPECT_TRUE(trace_.Contains("ScanBlockUnit 8\n"));
    EXPECT_TRUE(trace_.Contains("wHSPD_BLK_Qnty_Count is 6\n"));
}

// With partial-good tables the remap does not stop early, but finds no further donor; the undo
// threshold is 1 and the four units with both planes unusable are early bad blocks.
TEST_F(GoldenSmallTest, PartialGoodTablesFromADriveList) {
    AP_INIState.EnPartialTbl = 1;
    AP_INIState.RmpPartialTHR = 1;
    BuildFromTheDriveList();
    EXPECT_TRUE(pages_.overflows.empty());
    EXPECT_TRUE(pages_.virt[0].empty());
    EXPECT_TRUE(PageIs(pages_.early[0], kPage, {{0, kEarlyHeader}, {16, W({0xFB00, 9, 11, 13, 15, 0xFE01})}}));
    EXPECT_TRUE(trace_.Contains("(AP_INIState.bDieNumCount * MAX_PLANE)=2\n"));
    // One entry (unit 7, one unusable slot: plane 1 = bit 1), its bitmap at 64.
    const std::string par = "ZEL090X_PAR_V000";
    EXPECT_TRUE(
        PageIs(pages_.partialGood, kPage,
               {{0, std::vector<std::uint8_t>(par.begin(), par.end())}, {16, W({1})}, {32, W({7, 1})}, {64, {0x02}}}));
    EXPECT_TRUE(
        trace_.Contains("U#0007(  1) = 0x0000000000000002 0x0000000000000000 0x0000000000000000 "
                        "0x0000000000000000\n"));
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage,
                       {{0, kRemapHeader},
                        {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0, 3, 15, 6, 11, 0xFFFF, 7})},
                        {40, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {120, W({0xEAE0, 1, 4, 13})},
                        {128, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {208, W({0xEED1, 1})}}));
}

TEST_F(GoldenSmallTest, AnEmptyListGivesOnlyTheStructure) {
    Prepare(gdp_.list(), *vi_);
    RunRemapSteps(*vi_, hash_);
    GenerateAll(*vi_, counts_, pages_);
    EXPECT_TRUE(vi_->units.empty());
    EXPECT_TRUE(
        PageIs(pages_.defect[0], kPage, {{0, kDefectHeader}, {16, {0xFB, 0xA0, 0x00, 0x00, 0xFE, 0xD1, 0x00, 0x00}}}));
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage,
                       {{0, kRemapHeader},
                        {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0})},
                        {28, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {108, W({0xEAE0, 1})},
                        {112, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {192, W({0xEED1, 1})}}));
    EXPECT_TRUE(PageIs(pages_.early[0], kPage, {{0, kEarlyHeader}, {16, W({0xFB00, 0xFE01})}}));
    EXPECT_TRUE(
        PageIs(pages_.virt[0], kPage,
               {{0, kVirtHeader}, {16, W({0xABCD, 0})}, {20, Repeat({0xFFFF, 0xFFFF}, 40)}, {180, W({0xDCBA, 1})}}));
    EXPECT_TRUE(PageIs(pages_.system[0], kPage,
                       {{0, kSystemHeader},
                        {28, W({AP_Instance[kPort].wHSPD_BLK_Qnty_Count})},
                        {32, W({0x5451, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0x5154})}}));
}

// Budget 3 (7,161 relations already counted, RemapEnable off so none is written): plane 0 gets its
// one reserve entry and two free pairs, plane 1 three free pairs. A budget of 0 leaves the markers.
TEST_F(GoldenSmallTest, ReserveAndFreePairsFollowTheBudget) {
    AP_INIState.RemapEnable = 0;
    vi_->remap[0][0][0].assign(7161, RmpRecord{12, 3, 0, 0});
    vi_->reserve[0][0][0] = {{9, 0xFFFF, 0, 0}, {10, 0xFFFF, 0, 0}, {11, 0xFFFF, 0, 0}, {12, 0xFFFF, 0, 0}};
    vi_->reserve[0][0][0].resize(1);
    vRM_GenRemapTable(kPort, *vi_, counts_, pages_);
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage,
                       {{0, kRemapHeader},
                        {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0, 0xFFFF, 9, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF})},
                        {40, W({0xEAE0, 1, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xEED1, 1})}}));
    EXPECT_EQ(counts_[RM_COUNT_VALID], 0);
    EXPECT_EQ(counts_[RM_COUNT_RESERVE], 1);

    vi_->remap[0][0][0].assign(7168, RmpRecord{12, 3, 0, 0});
    vRM_GenRemapTable(kPort, *vi_, counts_, pages_);
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage,
                       {{0, kRemapHeader}, {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0, 0xEAE0, 1, 0xEED1, 1})}}));
    EXPECT_EQ(counts_[RM_COUNT_RESERVE], 0);
}

TEST_F(GoldenSmallTest, RemapSwitchedOffStillListsVirtualRelations) {
    AP_INIState.RemapEnable = 0;
    vi_->remap[0][0][1] = {{13, 4, 0, 1}};
    vi_->virtRemap[0][0] = {{23, 8, 0, 0}};
    vRM_GenRemapTable(kPort, *vi_, counts_, pages_);
    vRM_GenVirtRemapTable(kPort, *vi_, counts_, pages_);
    // Budget (7168 - 2) / 2 = 3583: no relation on the remap page, all on the virtual-remap page.
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage,
                       {{0, kRemapHeader},
                        {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0})},
                        {28, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {108, W({0xEAE0, 1})},
                        {112, Repeat({0xFFFF, 0xFFFF}, 20)},
                        {192, W({0xEED1, 1})}}));
    EXPECT_EQ(counts_[RM_COUNT_VALID], 0);
    EXPECT_TRUE(PageIs(
        pages_.virt[0], kPage,
        {{0, kVirtHeader}, {16, W({0xABCD, 0, 8, 23})}, {24, Repeat({0xFFFF, 0xFFFF}, 40)}, {184, W({0xDCBA, 1})}}));
    EXPECT_EQ(counts_[RM_COUNT_VIRT_VALID], 1);
}

TEST_F(GoldenSmallTest, APresentChannelWithoutDiesKeepsOnlyTheFrameAndAnUnmappedOneGetsNoPage) {
    ApplyGeometry(Geo{2, 1, 1, 2, 16, 8});
    AP_INIState.bOriDieMap[0][0] = 0xFF;
    AP_INIState.MPFwChannelSet[1] = 7;  // channel 1 is not in the channel map
    gdp_.Set({Entry(0, 0, 0x02, 5), Entry(1, 0, 0x01, 6)});
    Prepare(gdp_.list(), *vi_);
    GenerateAll(*vi_, counts_, pages_);
    EXPECT_TRUE(PageIs(pages_.remap[0], kPage, {{0, kRemapHeader}, {16, W({0xEED1, 1})}}));
    EXPECT_TRUE(PageIs(pages_.defect[0], kPage, {{0, kDefectHeader}, {16, {0xFE, 0xD1, 0x00, 0x00}}}));
    EXPECT_TRUE(PageIs(pages_.early[0], kPage, {{0, kEarlyHeader}, {16, W({0xFE01})}}));
    EXPECT_TRUE(PageIs(pages_.virt[0], kPage, {{0, kVirtHeader}, {16, W({0xDCBA, 1})}}));
    EXPECT_FALSE(pages_.system[0].empty());
    for (int ch = 1; ch < RM_MAX_CH; ++ch) {
        EXPECT_TRUE(pages_.defect[ch].empty() && pages_.remap[ch].empty() && pages_.early[ch].empty() &&
                    pages_.virt[ch].empty() && pages_.system[ch].empty())
            << ch;
    }
}

// Super-die family on the small fixture with two dies (LUN 1 numbered from unit 16).
class GoldenSuperDieTest : public GoldenSmallTest {
  protected:
    GoldenSuperDieTest() {
        ApplyGeometry(kSmallSuperDie);
        gdp_.Set({Entry(0, 0, 0x02, 5), Entry(0, 1, 0x01, 9)});
        Prepare(gdp_.list(), *vi_);
        vi_->remap[0][0][0] = {{7, 5, 0x00, 0}};
        vi_->remap[0][1][1] = {{11, 9, 0x01, 1}};
        vi_->virtRemap[0][1] = {{13, 19, 0x01, 1}};
        vi_->reserve[0][0][1] = {{5, 0xFFFF, 0x00, 1}};
        vi_->reserve[0][1][0] = {{9, 0xFFFF, 0x01, 0}};
        GenerateAll(*vi_, counts_, pages_);
    }
};

TEST_F(GoldenSuperDieTest, PagesMergeTheTwoLunsUnderOneBank) {
    EXPECT_TRUE(pages_.overflows.empty());
    EXPECT_TRUE(PageIs(pages_.defect[0], kPage,
                       {{0, kDefectHeader},
                        {16, {0xFB, 0xA0, 0x00, 0x00, 0x05, 0x00, 0x01, 0x00, 0x19, 0x00, 0x00, 0x00}},
                        {28, {0xFE, 0xD1, 0x02, 0x00}}}));
    // Budget (7168 - 3) / (1 channel x 1 bank x 2 planes) = 3582; no free pairs in this form.
    EXPECT_TRUE(PageIs(
        pages_.remap[0], kPage,
        {{0, kRemapHeader},
         {16, W({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0, 5, 7, 0xFFFF, 25, 0xEAE0, 1, 25, 27, 0xFFFF, 5, 0xEED1, 2})}}));
    EXPECT_TRUE(PageIs(pages_.early[0], kPage, {{0, kEarlyHeader}, {16, W({0xFB00, 5, 0xFB01, 25, 0xFE02})}}));
    EXPECT_TRUE(PageIs(pages_.virt[0], kPage,
                       {{0, kVirtHeader}, {16, W({0xABCD, 0, 51, 45, 0xFFFF, 50, 0xFFFF, 11, 0xDCBA, 2})}}));
    EXPECT_TRUE(PageIs(pages_.system[0], kPage,
                       {{0, kSystemHeader}, {32, W({0x5451, 2, 3, 4, 6, 7, 8, 10, 11, 12, 13, 14, 15, 0x5154})}}));
    RemapCounts expected{};
    expected[RM_COUNT_VALID] = 2;
    expected[RM_COUNT_RESERVE] = 2;
    expected[RM_COUNT_CH_RESERVE] = 2;
    expected[RM_COUNT_VIRT_VALID] = 1;
    expected[RM_COUNT_VIRT_RESERVE] = 2;
    expected[RM_COUNT_CH_VIRT_RESERVE] = 2;
    EXPECT_EQ(counts_, expected);
    EXPECT_TRUE(trace_.Contains("(L1)DB#0019 GB#001B\n"));
    EXPECT_TRUE(trace_.Contains("(L1)U#0019\n"));
}

// A table that does not fit its page stops at the page end, is reported with its kind and
// channel, and becomes a failure record.
TEST_F(GoldenSmallTest, OverflowingPagesAreRefusedAndReported) {
    ApplyGeometry(Geo{1, 1, 1, 2, 300, 1});  // 512-byte pages
    std::vector<std::uint32_t> entries;
    for (std::uint16_t u = 10; u < 210; ++u) entries.push_back(Entry(0, 0, 0x02, u));
    gdp_.Set(entries);
    Prepare(gdp_.list(), *vi_);
    AP_INIState.EnPartialTbl = 1;
    vRM_GenDefectTable(kPort, *vi_, pages_);
    vRM_GenSystemTable(kPort, *vi_, pages_);
    vRM_GenPartialGoodTable(kPort, *vi_, pages_);
    ASSERT_EQ(pages_.overflows.size(), 2u);
    EXPECT_EQ(pages_.overflows[0].type, RM_TBL_DEFECT);
    EXPECT_EQ(pages_.overflows[0].channel, 0);
    EXPECT_EQ(pages_.overflows[0].needed, 16u + 4 + 200 * 4 + 4);
    EXPECT_EQ(pages_.overflows[0].pageSize, 512u);
    EXPECT_EQ(pages_.overflows[1].type, RM_TBL_VIRT);  // the partial-good page: 200 entries
    EXPECT_EQ(pages_.overflows[1].channel, 0xFF);
    EXPECT_EQ(pages_.defect[0].size(), 512u);
    // The last whole record that fits: (512 - 20) / 4 = 123 records, unit 132 at 508.
    EXPECT_EQ(tables::GetLe16(pages_.defect[0].data() + 508), 132);
    EXPECT_TRUE(trace_.Contains("Table page type 0 CH 0 needs 824 bytes, the page holds 512 fail!"));
    // The system page fits: units 2-9 and 210-299, 98 words from byte 34, then the end marker.
    EXPECT_EQ(tables::GetLe16(pages_.system[0].data() + 34 + 2 * 97), 299);
    EXPECT_EQ(tables::GetLe16(pages_.system[0].data() + 34 + 2 * 98), 0x5154);

    std::vector<std::uint8_t> work(16384, 0);
    EXPECT_EQ(RM_AppendPageOverflowRecords(work.data(), work.size(), pages_), 2u);
    EXPECT_EQ(work[0], 2);
    EXPECT_EQ(work[1], RM_FAIL_PAGE_OVERFLOW);
    EXPECT_EQ(work[2], RM_TBL_DEFECT);
    EXPECT_EQ(work[3], 0);
    EXPECT_EQ(tables::GetLe16(work.data() + 1 + 4), 512);
    EXPECT_EQ(tables::GetLe32(work.data() + 1 + 8), 824u);
    EXPECT_EQ(work[33], RM_FAIL_PAGE_OVERFLOW);
    EXPECT_EQ(work[34], RM_TBL_VIRT);
    EXPECT_EQ(work[35], 0xFF);
}

}  // namespace
}  // namespace tables_test
