#include <gtest/gtest.h>

#include <random>

#include "tables_fixture.h"

namespace tables_test {
namespace {

class BlockUnitsTest : public TablesTest {
  protected:
    BlockUnitsTest() { ApplyGeometry(kRealistic); }
    GdpBuffer gdp_;
    std::unique_ptr<_VectorInfo> vi_ = NewWorkingSet();
};

TEST_F(BlockUnitsTest, OneRecordPerUnitWithTheBadSlotsOfEveryChannel) {
    gdp_.Set({Entry(2, 1, 0x0C, 40), Entry(0, 3, 0x0E, 40), Entry(1, 0, 0x0F, 41), Entry(3, 2, 0x06, 7)});
    Prepare(gdp_.list(), *vi_);
    ASSERT_EQ(vi_->units.size(), 3u);
    EXPECT_EQ(vi_->units[0].unit, 7);
    EXPECT_EQ(vi_->units[1].unit, 40);
    EXPECT_EQ(vi_->units[2].unit, 41);
    const SuperBlockBadInfo& r = vi_->units[1];
    EXPECT_EQ(r.badCount, 3);  // planes 0 and 1 of (2, 1), plane 0 of (0, 3)
    EXPECT_EQ(r.status[2][1][0], RM_SLOT_BAD);
    EXPECT_EQ(r.status[2][1][1], RM_SLOT_BAD);
    EXPECT_EQ(r.status[2][1][2], RM_SLOT_GOOD);
    EXPECT_EQ(r.status[0][3][0], RM_SLOT_BAD);
    EXPECT_EQ(r.status[7][7][3], RM_SLOT_GOOD);
    // A record without a bad plane still makes its unit's record, with bad count 0.
    EXPECT_EQ(vi_->units[2].badCount, 0);
    EXPECT_EQ(vi_->units.Find(41), 2);
    EXPECT_EQ(vi_->units.Find(42), -1);
}

TEST_F(BlockUnitsTest, SuperDieCountsSplitByLun) {
    ApplyGeometry(Geo{2, 2, 2, 2, 100, 8, true, 100});
    gdp_.Set({Entry(0, 1, 0x00, 9), Entry(1, 2, 0x02, 9), Entry(1, 3, 0x01, 9)});
    Prepare(gdp_.list(), *vi_);
    ASSERT_EQ(vi_->units.size(), 1u);
    EXPECT_EQ(vi_->units[0].badCount, 4);
    EXPECT_EQ(vi_->units[0].lun0Count, 2);
    EXPECT_EQ(vi_->units[0].lun1Count, 2);
}

TEST_F(BlockUnitsTest, SlotStatusOfAnUnknownUnitChangesNothing) {
    gdp_.Set({Entry(0, 0, 0x0E, 10)});
    Prepare(gdp_.list(), *vi_);
    const SuperBlockBadInfo before = vi_->units[0];
    EXPECT_FALSE(vRM_SetSlotStatus(0, 0, 1, 11, RM_SLOT_DONOR, *vi_));
    EXPECT_FALSE(vRM_SetSlotStatus(8, 0, 1, 10, RM_SLOT_DONOR, *vi_));
    EXPECT_FALSE(vRM_SetSlotStatus(0, 0, 4, 10, RM_SLOT_DONOR, *vi_));
    EXPECT_EQ(std::memcmp(&before, &vi_->units[0], sizeof before), 0);
}

TEST_F(BlockUnitsTest, RecountAfterARemap) {
    gdp_.Set({Entry(0, 0, 0x0E, 10), Entry(0, 0, 0x07, 20)});
    Prepare(gdp_.list(), *vi_);
    EXPECT_TRUE(vRM_SetSlotStatus(0, 0, 0, 10, RM_SLOT_REMAPPED, *vi_));
    EXPECT_TRUE(vRM_SetSlotStatus(0, 0, 0, 20, RM_SLOT_DONOR, *vi_));
    EXPECT_EQ(vi_->units[0].badCount, 1);  // stale until the recount
    RM_RecountBlockUnits(*vi_);
    EXPECT_EQ(vi_->units[0].badCount, 0);
    EXPECT_EQ(vi_->units[1].badCount, 2);
}

TEST_F(BlockUnitsTest, RecountCountsEveryUnusableStatus) {
    gdp_.Set({Entry(0, 0, 0x0F, 10)});
    Prepare(gdp_.list(), *vi_);
    const std::uint8_t statuses[] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    int expected = 0;
    for (std::uint8_t s : statuses) {
        vRM_SetSlotStatus(s % 4, s / 4, s % 4, 10, s, *vi_);
        if (s == 0 || s == 5 || s == 6 || s == 7) ++expected;
    }
    RM_RecountBlockUnits(*vi_);
    EXPECT_EQ(vi_->units[0].badCount, expected);
}

TEST_F(BlockUnitsTest, SortsAreStable) {
    ApplyGeometry(Geo{1, 1, 1, 4, 64, 8});
    // Units 5, 6, 7, 8 with bad counts 3, 1, 3, 2.
    gdp_.Set({Entry(0, 0, 0x08, 5), Entry(0, 0, 0x0E, 6), Entry(0, 0, 0x01, 7), Entry(0, 0, 0x0C, 8)});
    Prepare(gdp_.list(), *vi_);
    auto units = [&] {
        std::vector<int> out;
        for (const SuperBlockBadInfo& r : vi_->units) out.push_back(r.unit);
        return out;
    };
    RM_SortUnitsByBadCount(*vi_, 1);
    EXPECT_EQ(units(), (std::vector<int>{6, 8, 5, 7}));
    RM_SortUnitsByBadCount(*vi_, 0);
    EXPECT_EQ(units(), (std::vector<int>{5, 7, 8, 6}));
    RM_SortUnitsByUnit(*vi_);
    EXPECT_EQ(units(), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(vi_->units.Find(8), 3);

    vi_->remap[0][0][1] = {{30, 9, 1, 1}, {31, 4, 1, 1}, {32, 9, 1, 1}, {33, 2, 1, 1}};
    RM_SortRemapLists(*vi_);
    const std::uint16_t goods[] = {33, 31, 30, 32};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(vi_->remap[0][0][1][static_cast<std::size_t>(i)].good, goods[i]);
}

TEST_F(BlockUnitsTest, LookupsFindTheFirstMatchingRelation) {
    vi_->remap[1][2][3] = {{50, 7, 0x22, 2}, {51, 7, 0x22, 3}, {52, 7, 0x22, 3}};
    EXPECT_EQ(RM_LookupRemapGood(1, 2, 3, 7, *vi_), 51);
    EXPECT_EQ(RM_LookupRemapGood(1, 2, 3, 8, *vi_), 0);
    EXPECT_EQ(RM_LookupRemapGood(9, 2, 3, 7, *vi_), 0);
    vi_->virtRemap[1][2] = {{100, 29, 0x22, 1}, {104, 30, 0x22, 2}, {108, 30, 0x22, 2}};
    EXPECT_EQ(RM_LookupVirtGood(1, 2, 30, *vi_), 104);
    EXPECT_EQ(RM_LookupVirtGood(1, 2, 31, *vi_), 0);
    EXPECT_TRUE(RM_EraseVirtRemap(1, 2, 2, 7, *vi_));  // 7 x 4 + 2 = 30
    EXPECT_EQ(RM_LookupVirtGood(1, 2, 30, *vi_), 108);
    EXPECT_TRUE(RM_EraseRemap(1, 2, 3, 7, *vi_));
    EXPECT_EQ(RM_LookupRemapGood(1, 2, 3, 7, *vi_), 52);
    EXPECT_FALSE(RM_EraseRemap(1, 2, 3, 9, *vi_));
}

TEST_F(BlockUnitsTest, ReserveListsTakeTheGoodSlotsOfPartlyBadUnits) {
    ApplyGeometry(Geo{1, 1, 1, 2, 64, 8});
    gdp_.Set({Entry(0, 0, 0x02, 9), Entry(0, 0, 0x03, 12), Entry(0, 0, 0x01, 20)});
    Prepare(gdp_.list(), *vi_);
    vRM_SetSlotStatus(0, 0, 0, 20, RM_SLOT_DONOR, *vi_);
    RM_FillReserveLists(*vi_);
    // Unit 9: plane 1 good; unit 12: bad count 0, no reserve; unit 20: plane 0 given away.
    ASSERT_EQ(vi_->reserve[0][0][1].size(), 1u);
    const RmpRecord& r = vi_->reserve[0][0][1][0];
    EXPECT_EQ(r.good, 9);
    EXPECT_EQ(r.defect, RM_RESERVE_DEFECT);
    EXPECT_EQ(r.location, 0);
    EXPECT_EQ(r.plane, 1);
    EXPECT_TRUE(vi_->reserve[0][0][0].empty());
}

TEST_F(BlockUnitsTest, VirtualPlaneBitmapMarksUnitsAndIsLogged) {
    ApplyGeometry(Geo{1, 1, 1, 2, 32, 8});
    vi_->virtRemap[0][0] = {{40, 19, 0, 1}, {41, 2, 0, 0}, {42, RM_LATER_BAD_DEFECT, 0, 1}};
    vRM_BuildVirtualPlaneMap(*vi_);
    EXPECT_EQ(vi_->virtualPlaneMap[0], 0x02);  // unit 1
    EXPECT_EQ(vi_->virtualPlaneMap[1], 0x02);  // unit 9
    for (std::size_t i = 2; i < sizeof vi_->virtualPlaneMap; ++i) EXPECT_EQ(vi_->virtualPlaneMap[i], 0) << i;
    EXPECT_EQ(trace_.Text(),
              "===Virtual Info===\nSBU#0x0001 is Virtual Plane\nSBU#0x0009 is Virtual Plane\n\n"
              "===Virtual Info RAW===\n 02 02 00 00\n");
}

TEST_F(BlockUnitsTest, RawBitmapLogBreaksEverySixteenBytes) {
    ApplyGeometry(Geo{1, 1, 1, 1, 272, 8});  // 34 bytes
    vRM_BuildVirtualPlaneMap(*vi_);
    const std::string text = trace_.Text();
    const std::string raw = text.substr(text.find("RAW===\n") + 7);
    std::string row;
    for (int i = 0; i < 16; ++i) row += " 00";
    EXPECT_EQ(raw, row + "\n" + row + "\n 00 00\n");
}

// The stable sorts give the order of an adjacent-exchange sort with a strict comparison.
TEST_F(BlockUnitsTest, SortsGiveTheOrderOfAnAdjacentExchangeSort) {
    std::mt19937 rng(5);
    for (int round = 0; round < 30; ++round) {
        auto vi = NewWorkingSet();
        std::vector<std::uint32_t> entries;
        for (int i = 0; i < 120; ++i) {
            entries.push_back(Entry(static_cast<int>(rng() % 4), static_cast<int>(rng() % 4),
                                    static_cast<std::uint8_t>(rng() % 16), static_cast<std::uint16_t>(rng() % 100)));
        }
        gdp_.Set(entries);
        Prepare(gdp_.list(), *vi);
        const int order = round % 2 == 0 ? 1 : 0;
        std::vector<std::pair<int, int>> bubble;  // (bad count, unit)
        for (const SuperBlockBadInfo& r : vi->units) bubble.emplace_back(r.badCount, r.unit);
        for (std::size_t pass = 0; pass + 1 < bubble.size(); ++pass) {
            for (std::size_t j = 0; j + 1 < bubble.size() - pass; ++j) {
                const bool swap =
                    order == 1 ? bubble[j].first > bubble[j + 1].first : bubble[j].first < bubble[j + 1].first;
                if (swap) std::swap(bubble[j], bubble[j + 1]);
            }
        }
        RM_SortUnitsByBadCount(*vi, order);
        for (std::size_t i = 0; i < bubble.size(); ++i) {
            ASSERT_EQ(vi->units[i].unit, bubble[i].second) << round << " " << i;
            ASSERT_EQ(vi->units.Find(vi->units[i].unit), static_cast<int>(i));
        }
    }
}

// Random slot changes: the recount that counts only changed records equals counting all of them.
TEST_F(BlockUnitsTest, IncrementalRecountEqualsAFullRecount) {
    std::mt19937 rng(77);
    for (int round = 0; round < 20; ++round) {
        const bool superDie = round % 2 == 1;
        ApplyGeometry(superDie ? Geo{4, 2, 2, 4, 512, 32, true, 512} : kRealistic);
        auto vi = NewWorkingSet();
        std::vector<std::uint32_t> entries;
        for (int i = 0; i < 200; ++i) {
            entries.push_back(Entry(static_cast<int>(rng() % 4), static_cast<int>(rng() % 4),
                                    static_cast<std::uint8_t>(rng() % 16), static_cast<std::uint16_t>(rng() % 512)));
        }
        gdp_.Set(entries);  // duplicates on purpose: the build counts them twice, the recount once
        Prepare(gdp_.list(), *vi);
        for (int step = 0; step < 50; ++step) {
            for (int k = 0; k < 5; ++k) {
                const SuperBlockBadInfo& r = vi->units[rng() % vi->units.size()];
                vRM_SetSlotStatus(static_cast<int>(rng() % 4), static_cast<int>(rng() % 4), static_cast<int>(rng() % 4),
                                  r.unit, static_cast<std::uint8_t>(rng() % 9), *vi);
            }
            if (step % 7 == 3) RM_SortUnitsByBadCount(*vi, 1);
            BlockUnitList full = vi->units;
            full.RecountAll(superDie, AP_FlashSet.ucBankNum);
            RM_RecountBlockUnits(*vi);
            ASSERT_EQ(full.size(), vi->units.size());
            for (std::size_t i = 0; i < full.size(); ++i) {
                ASSERT_EQ(std::memcmp(&full[i], &vi->units[i], sizeof full[i]), 0) << round << " " << step << " " << i;
            }
        }
    }
}

}  // namespace
}  // namespace tables_test
