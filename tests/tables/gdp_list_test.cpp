#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "tables_fixture.h"

namespace tables_test {
namespace {

class GdpListTest : public TablesTest {
  protected:
    GdpListTest() { ApplyGeometry(kRealistic); }
    GdpBuffer gdp_;
};

TEST_F(GdpListTest, MergeCases) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> in, out;
    };
    const Case cases[] = {
        {"same block, different masks", {Entry(1, 0, 0x03, 0x10), Entry(1, 0, 0x01, 0x10)}, {Entry(1, 0, 0x01, 0x10)}},
        {"identical entries", {Entry(2, 1, 0x0E, 7), Entry(2, 1, 0x0E, 7)}, {Entry(2, 1, 0x0E, 7)}},
        {"flags survive only when both carry them",
         {Entry(0, 0, 0xA3, 9), Entry(0, 0, 0x61, 9), Entry(0, 0, 0x2F, 9)},
         {Entry(0, 0, 0x21, 9)}},
        {"other channel, CE or unit stays apart, order kept",
         {Entry(0, 0, 0x0E, 5), Entry(1, 0, 0x0E, 5), Entry(0, 2, 0x0E, 5), Entry(0, 0, 0x0D, 6), Entry(0, 0, 0x0B, 5)},
         {Entry(0, 0, 0x0A, 5), Entry(1, 0, 0x0E, 5), Entry(0, 2, 0x0E, 5), Entry(0, 0, 0x0D, 6)}},
        {"unit 0 of channel 0 with every plane bad is kept, not taken for the end",
         {Entry(0, 0, 0x05, 0), Entry(0, 0, 0x0A, 0), Entry(0, 0, 0x0E, 4)},
         {RM_GDP_KEEP, Entry(0, 0, 0x0E, 4)}},
        {"empty list", {}, {}},
    };
    for (const Case& c : cases) {
        gdp_.Set(c.in);
        EXPECT_EQ(RM_MergeGdpList(gdp_.list()), c.out.size()) << c.name;
        EXPECT_EQ(gdp_.Entries(), c.out) << c.name;
        // The slots the merge freed are zero.
        for (std::size_t i = c.out.size(); i < c.in.size() + 1; ++i) {
            EXPECT_EQ(gdp_.list().Get(static_cast<std::uint32_t>(i)), 0u) << c.name;
        }
    }
}

TEST_F(GdpListTest, MergeWaitsTenMilliseconds) {
    gdp_.Set({Entry(0, 0, 0x0E, 5)});
    const std::uint64_t before = clock_.NowMs();
    RM_MergeGdpList(gdp_.list());
    EXPECT_EQ(clock_.NowMs() - before, 10u);
}

TEST_F(GdpListTest, KeptEntryOfUnitZeroReachesTheDefectListWithEveryPlaneBad) {
    gdp_.Set({Entry(0, 0, 0x05, 0), Entry(0, 0, 0x0A, 0)});
    RM_MergeGdpList(gdp_.list());
    auto vi = NewWorkingSet();
    RM_DistributeGdpList(kPort, gdp_.list(), *vi);
    ASSERT_EQ(vi->defBelow[0][0].size(), 1u);
    EXPECT_EQ(vi->defBelow[0][0][0].unit, 0);
    EXPECT_EQ(vi->defBelow[0][0][0].planeByte, 0x00);
}

TEST_F(GdpListTest, PaddingAddsTheHighestUnitsOfAPlaneWithoutBadBlocks) {
    ApplyGeometry(Geo{1, 1, 1, 4, 64, 8});
    AP_INIState.PerPlaneBad = 2;
    gdp_.Set({Entry(0, 0, 0x01, 10), Entry(0, 0, 0x01, 11)});  // planes 1-3 already have two bad blocks
    EXPECT_TRUE(RM_PadPerPlaneBad(kPort, gdp_.list()));
    EXPECT_EQ(gdp_.Entries(), (std::vector<std::uint32_t>{Entry(0, 0, 0x01, 10), Entry(0, 0, 0x01, 11),
                                                          Entry(0, 0, 0x8E, 63), Entry(0, 0, 0x8E, 62)}));
    EXPECT_TRUE(trace_.Contains("C:0 B:0 P:0 BB_CNT= 0\n"));
    EXPECT_TRUE(trace_.Contains("C:0 B:0 P:1 BB_CNT= 2\n"));
}

TEST_F(GdpListTest, PaddingWritesTheCeIndexIntoTheBankBitsAndNeverTouchesUnitsBelowFour) {
    ApplyGeometry(Geo{2, 2, 2, 2, 8, 8});  // 8 units: only units 7..4 may be added
    AP_INIState.PerPlaneBad = 10;
    EXPECT_TRUE(RM_PadPerPlaneBad(kPort, gdp_.list()));
    const std::vector<std::uint32_t> entries = gdp_.Entries();
    // One entry per plane is added, and the final merge joins the two planes of each block.
    EXPECT_EQ(entries.size(), 4u * 2 * 4);  // units 7..4, 2 channels, 4 CE indexes
    for (std::uint32_t e : entries) {
        EXPECT_GE(RM_GdpUnit(e), 4);
        EXPECT_EQ(RM_GdpLun(e), 0);
        EXPECT_EQ(RM_GdpPlaneByte(e), 0x80);
    }
    // Channel 1, CE index 3 (bank 1 of LUN 1) carries byte 3 = 1 << 5 | 3.
    EXPECT_NE(std::find(entries.begin(), entries.end(), 0x23800007u), entries.end());
}

TEST_F(GdpListTest, PaddingStopsAtTheListBoundAndSaysSo) {
    ApplyGeometry(Geo{2, 1, 1, 2, 4000, 8});
    std::vector<std::uint32_t> entries;
    for (std::uint16_t u = 0; u < 4094; ++u)
        entries.push_back(Entry(1, 0, 0x00, u));  // channel 1 is full of bad blocks
    gdp_.Set(entries);
    AP_INIState.PerPlaneBad = 5;
    EXPECT_FALSE(RM_PadPerPlaneBad(kPort, gdp_.list()));
    EXPECT_EQ(gdp_.list().Count(), 4095u);
    EXPECT_EQ(gdp_.list().Get(4094), Entry(0, 0, 0x82, 3999));
    EXPECT_EQ(gdp_.list().Get(4095), 0u);
    EXPECT_EQ(gdp_.list().Refused(), 1u);
    EXPECT_TRUE(trace_.Contains("Per-plane bad fill stopped"));
}

TEST_F(GdpListTest, DistributionOrdersByUnitThenListOrderAndKeepsOutWhatDoesNotFit) {
    const std::uint32_t outsideChannel = Entry(5, 0, 0x0E, 3);          // 4 channels
    const std::uint32_t outsideCe = RM_MakeGdpEntry(1, 1, 3, 0x0E, 3);  // LUN 3 of 2 dies
    gdp_.Set({Entry(1, 3, 0x2E, 9), Entry(1, 3, 0x0D, 2), outsideChannel, Entry(1, 3, 0x0B, 9), Entry(0, 0, 0x0E, 512),
              outsideCe, Entry(1, 3, 0x07 | 0x40, 2), Entry(0, 0, 0x0E, 511)});
    auto vi = NewWorkingSet();
    EXPECT_EQ(RM_DistributeGdpList(kPort, gdp_.list(), *vi), 5u);
    EXPECT_EQ(vi->skippedEntries, 2u);
    EXPECT_TRUE(trace_.Contains("GDP entry A00E0003 outside the geometry (CH 5, CE 0) skipped"));
    const DefList& list = vi->defBelow[1][3];
    ASSERT_EQ(list.size(), 4u);
    const std::uint16_t units[] = {2, 2, 9, 9};
    const std::uint8_t planes[] = {0x0D, 0x47, 0x2E, 0x0B};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].unit, units[i]);
        EXPECT_EQ(list[i].planeByte, planes[i]);
        EXPECT_EQ(list[i].location, (1 << 5) | 3);
        EXPECT_EQ(list[i].reserved, 0);
    }
    ASSERT_EQ(vi->defBelow[0][0].size(), 1u);  // unit 512 = wDieUnit reaches no list
    EXPECT_EQ(vi->defBelow[0][0][0].unit, 511);
    for (int ch = 0; ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < RM_MAX_CE; ++ce) EXPECT_TRUE(vi->defAbove[ch][ce].empty());
    }
}

TEST_F(GdpListTest, AddingAnEntryMergesOrAppends) {
    gdp_.Set({Entry(0, 1, 0x2E, 4), Entry(2, 0, 0x0F, 8)});
    EXPECT_FALSE(RM_AddListEntry(Entry(0, 1, 0x4D, 4), gdp_.list()));  // AND of the masks, flags of the new entry
    EXPECT_TRUE(RM_AddListEntry(Entry(0, 1, 0x4D, 5), gdp_.list()));
    EXPECT_EQ(gdp_.Entries(),
              (std::vector<std::uint32_t>{Entry(0, 1, 0x4C, 4), Entry(2, 0, 0x0F, 8), Entry(0, 1, 0x4D, 5)}));
    EXPECT_EQ(gdp_.list().Get(3), 0u);
}

TEST_F(GdpListTest, AFullListRefusesAndCounts) {
    std::vector<std::uint32_t> entries;
    for (std::uint16_t u = 0; u < 4095; ++u) entries.push_back(Entry(0, 0, 0x0E, u));
    gdp_.Set(entries);
    EXPECT_TRUE(gdp_.list().Terminated());
    EXPECT_FALSE(RM_AddListEntry(Entry(1, 0, 0x0E, 1), gdp_.list()));
    EXPECT_EQ(gdp_.list().Refused(), 1u);
    EXPECT_EQ(gdp_.list().Get(4095), 0u);
    EXPECT_FALSE(RM_AddListEntry(Entry(0, 0, 0x0C, 1), gdp_.list()));  // merging still works
    EXPECT_EQ(gdp_.list().Get(1), Entry(0, 0, 0x0C, 1));
    EXPECT_EQ(gdp_.list().Refused(), 1u);
}

TEST_F(GdpListTest, AListWithoutTerminatorIsReportedAndReadOnlyToItsBound) {
    std::fill(gdp_.bytes().begin(), gdp_.bytes().end(), 0x11);
    EXPECT_FALSE(gdp_.list().Terminated());
    EXPECT_EQ(gdp_.list().Count(), 4095u);
    std::vector<std::uint8_t> small(64, 0x11);  // a buffer of 16 words holds 15 entries
    tables::GdpList view(small.data(), small.size());
    EXPECT_EQ(view.MaxEntries(), 15u);
    EXPECT_FALSE(view.Append(1));
}

// Random lists over the realistic geometry: merging twice changes nothing, no two entries name
// the same block, each block keeps the AND of its entries; distribution is a stable sort by unit;
// the fill never passes the bound.
TEST_F(GdpListTest, PropertiesOverRandomLists) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 60; ++round) {
        ApplyGeometry(round % 3 == 0 ? kSmall : kRealistic);
        const RM_Geometry g = RM_GetGeometry();
        std::uniform_int_distribution<int> count(0, round % 10 == 0 ? 4095 : 300);
        std::vector<std::uint32_t> entries;
        const int n = count(rng);
        for (int i = 0; i < n; ++i) {
            const int ch = static_cast<int>(rng() % (g.channels + 1));  // one channel past the geometry
            const int ce = static_cast<int>(rng() % g.ceCount);
            const auto unit = static_cast<std::uint16_t>(rng() % (g.unitsExt + 2));
            const auto planeByte = static_cast<std::uint8_t>((rng() % 0x10) | ((rng() % 4 == 0) ? 0x20 : 0));
            std::uint32_t e = Entry(ch, ce, planeByte, unit);
            if (e == 0) e = RM_GDP_KEEP;
            entries.push_back(e);
            if (rng() % 5 == 0) entries.push_back(e);
        }
        if (entries.size() > 4095) entries.resize(4095);
        gdp_.Set(entries);

        std::map<std::uint32_t, std::uint32_t> expectedAnd;
        for (std::uint32_t e : entries) {
            auto [it, inserted] = expectedAnd.try_emplace(e & RM_GDP_BLOCK_MASK, e);
            if (!inserted) it->second = (it->second & e) == 0 ? RM_GDP_KEEP : (it->second & e);
        }
        RM_MergeGdpList(gdp_.list());
        const std::vector<std::uint32_t> once = gdp_.Entries();
        ASSERT_EQ(once.size(), expectedAnd.size());
        for (std::uint32_t e : once) EXPECT_EQ(expectedAnd[e & RM_GDP_BLOCK_MASK], e);
        RM_MergeGdpList(gdp_.list());
        EXPECT_EQ(gdp_.Entries(), once);

        auto vi = NewWorkingSet();
        RM_DistributeGdpList(kPort, gdp_.list(), *vi);
        for (int ch = 0; ch < g.channels; ++ch) {
            for (int ce = 0; ce < g.ceCount; ++ce) {
                std::vector<std::pair<std::uint16_t, std::uint8_t>> expected;
                for (std::uint32_t e : once) {
                    if (RM_GdpChannel(e) == ch && RM_GdpCeIndex(e, g.banks) == ce && RM_GdpUnit(e) < g.dieUnit) {
                        expected.emplace_back(RM_GdpUnit(e), static_cast<std::uint8_t>(RM_GdpPlaneByte(e) & 0xEF));
                    }
                }
                std::stable_sort(expected.begin(), expected.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
                const DefList& got = vi->defBelow[ch][ce];
                ASSERT_EQ(got.size(), expected.size());
                for (std::size_t i = 0; i < got.size(); ++i) {
                    EXPECT_EQ(got[i].unit, expected[i].first);
                    EXPECT_EQ(got[i].planeByte, expected[i].second);
                }
            }
        }

        AP_INIState.PerPlaneBad = static_cast<std::uint16_t>(rng() % 40);
        const bool complete = RM_PadPerPlaneBad(kPort, gdp_.list());
        EXPECT_LE(gdp_.list().Count(), 4095u);
        EXPECT_TRUE(gdp_.list().Terminated());
        if (complete) {
            std::map<int, int> perPlane;
            for (std::uint32_t e : gdp_.Entries()) {
                const int ch = RM_GdpChannel(e);
                const int ce = RM_GdpCeIndex(e, AP_FlashSet.ucBankNum);
                if (ch >= g.channels || ce >= g.ceCount) continue;
                for (int p = 0; p < g.planes; ++p) {
                    if ((RM_GdpPlaneByte(e) & (1 << p)) == 0) ++perPlane[(ch * 8 + ce) * 4 + p];
                }
            }
            const int reachable = g.unitsExt > 4 ? g.unitsExt - 4 : 0;
            for (int ch = 0; ch < g.channels; ++ch) {
                for (int ce = 0; ce < g.ceCount; ++ce) {
                    for (int p = 0; p < g.planes; ++p) {
                        EXPECT_GE(perPlane[(ch * 8 + ce) * 4 + p], std::min<int>(AP_INIState.PerPlaneBad, reachable));
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace tables_test
