#include <gtest/gtest.h>

#include "tables_fixture.h"

namespace tables_test {
namespace {

class BudgetTest : public TablesTest {
  protected:
    std::unique_ptr<_VectorInfo> vi_ = NewWorkingSet();

    void AddRelations(int remapCount, int virtCount) {
        for (int i = 0; i < remapCount; ++i) vi_->remap[i % 4][i % 2][i % 4].push_back({9, 2, 0, 0});
        for (int i = 0; i < virtCount; ++i) vi_->virtRemap[i % 4][i % 2].push_back({9, 2, 0, 0});
    }
};

TEST_F(BudgetTest, ReserveBudgetCases) {
    struct Case {
        const char* name;
        Geo geo;
        int remap, virt, budget;
    };
    const Case cases[] = {
        {"empty, 4 channels, 4 banks, 1 die, 4 planes", Geo{4, 4, 1, 4, 512, 32}, 0, 0, 112},
        {"realistic with relations", kRealistic, 300, 100, 105},  // 6768 / 64 = 105.75
        {"super-die leaves the dies out", Geo{4, 2, 2, 4, 512, 32, true, 512}, 300, 100, 211},
        {"more relations than the tables share", kRealistic, 7000, 200, 0},
        {"exactly shared", kRealistic, 7000, 168, 0},
    };
    for (const Case& c : cases) {
        ResetSettingsRecords();
        ApplyGeometry(c.geo);
        vi_ = NewWorkingSet();
        AddRelations(c.remap, c.virt);
        trace_.Clear();
        const int expected = c.budget;
        EXPECT_EQ(RM_GetRsvdRemapPerPlane(*vi_), expected) << c.name;
        EXPECT_TRUE(trace_.Contains("Remap Cnt = " + std::to_string(c.remap) +
                                    ", VirtRemap Cnt = " + std::to_string(c.virt) + "\n"))
            << c.name;
        EXPECT_TRUE(trace_.Contains("Max Reserved Remap Per Plane = " + std::to_string(expected) + "\n")) << c.name;
    }
}

TEST_F(BudgetTest, ChannelTotalsAddTheReserveCounters) {
    ApplyGeometry(kRealistic);
    AddRelations(12, 5);
    RemapCounts counts{};
    counts[RM_COUNT_CH_RESERVE + 1] = 40;
    counts[RM_COUNT_CH_VIRT_RESERVE + 1] = 7;
    EXPECT_EQ(RM_GetChRemapTotal(1, *vi_, counts), 3u + 40u);
    EXPECT_EQ(RM_GetChVRemapTotal(1, *vi_, counts), 1u + 7u);
    EXPECT_TRUE(trace_.Contains("CH:1 Valid Remap = 3\n"));
    EXPECT_TRUE(trace_.Contains("CH:1 Valid + Rsvd Remap = 43\n"));
    EXPECT_TRUE(trace_.Contains("CH:1 Valid V-Remap = 1\n"));
    EXPECT_TRUE(trace_.Contains("CH:1 Valid + Rsvd V-Remap = 8\n"));
    // Totals are 32-bit: reserve counts of 60,000 do not wrap.
    counts[RM_COUNT_CH_RESERVE + 0] = 60000;
    EXPECT_EQ(RM_GetChRemapTotal(0, *vi_, counts), 3u + 60000u);
}

TEST_F(BudgetTest, LargestBadCountsKeepTheFirstMaximum) {
    ApplyGeometry(kRealistic);
    GdpBuffer gdp;
    // (1, 2): plane 3 bad twice, plane 0 once; (3, 0): plane 1 bad twice (a later equal count).
    gdp.Set({Entry(1, 2, 0x07, 10), Entry(1, 2, 0x06, 11), Entry(3, 0, 0x0D, 4), Entry(3, 0, 0x0C, 5),
             Entry(0, 1, 0x00, 6)});
    RM_DistributeGdpList(kPort, gdp.list(), *vi_);
    EXPECT_EQ(RM_GetMaxPlaneBadCount(*vi_), 2u);
    EXPECT_TRUE(trace_.Contains("MAX Bad C:1 B:2 PL:3 Plane Count = 2\n"));
    EXPECT_EQ(RM_GetMaxCeBadCount(*vi_), 4u);
    EXPECT_TRUE(trace_.Contains("MAX Bad C:0 B:1 Count = 4\n"));
}

TEST_F(BudgetTest, ClearingEmptiesTheListsAndKeepsTheRest) {
    ApplyGeometry(kRealistic);
    AddRelations(3, 3);
    vi_->reserve[0][0][0].push_back({1, 0xFFFF, 0, 0});
    vi_->defBelow[1][1].push_back({3, 0, 0x21, 0});
    vi_->virtualPlaneMap[5] = 0x10;
    vi_->remapBoundary = 9;
    vRM_ClearVectorInfo(*vi_);
    EXPECT_TRUE(vi_->remap[1][1][1].empty());
    EXPECT_TRUE(vi_->virtRemap[1][1].empty());
    EXPECT_TRUE(vi_->reserve[0][0][0].empty());
    EXPECT_TRUE(vi_->defBelow[1][1].empty());
    EXPECT_EQ(vi_->virtualPlaneMap[5], 0x10);
    EXPECT_EQ(vi_->remapBoundary, 9);
    vRM_ClearVectorInfo(*vi_);
    EXPECT_TRUE(vi_->units.empty());
}

}  // namespace
}  // namespace tables_test
