#include <gtest/gtest.h>

#include "tables_fixture.h"

namespace tables_test {
namespace {

class RemapRulesTest : public TablesTest {
  protected:
    RemapRulesTest() { ApplyGeometry(Geo{1, 1, 2, 2, 4000, 8}); }
    std::unique_ptr<_VectorInfo> vi_ = NewWorkingSet();
};

TEST_F(RemapRulesTest, RemapCandidates) {
    struct Case {
        int filter, threshold, unit, status, count, policy, partialThr, ldr0, ldr1, plane;
        bool expected;
    };
    const Case cases[] = {
        // No filter: bad slots of units 2 and above.
        {0, 0, 2, 0, 1, 0, 0, 0, 0, 0, true},
        {0, 0, 9, 1, 1, 0, 0, 0, 0, 0, false},
        {0, 0, 9, 5, 1, 0, 0, 0, 0, 0, false},
        {0, 0, 9, 7, 1, 0, 0, 0, 0, 0, false},
        // Units 0 and 1: only plane blocks above both loader blocks.
        {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, true},   // block 2
        {0, 0, 1, 0, 1, 0, 0, 3, 1, 0, false},  // block 2 <= 3
        {0, 0, 1, 0, 1, 0, 0, 1, 3, 1, false},  // block 3 <= 3
        {0, 0, 1, 0, 1, 0, 0, 1, 2, 1, true},   // block 3 above both
        {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, false},  // block 0
        {0, 0, 0, 0, 1, 0, 0, 0, 0, 1, true},   // block 1
        {0, 0, 1, 1, 1, 0, 0, 0, 0, 0, false},
        // Filter 3: above the threshold and allowed by the policy.
        {3, 100, 101, 0, 1, 0, 0, 0, 0, 0, true},
        {3, 100, 100, 0, 1, 0, 0, 0, 0, 0, false},
        {3, 0, 101, 0, 1, 0, 0, 0, 0, 0, false},
        {3, 100, 101, 0, 3, 1, 3, 0, 0, 0, false},
        {3, 100, 101, 0, 4, 1, 3, 0, 0, 0, true},
        {3, 100, 101, 1, 4, 1, 3, 0, 0, 0, false},
        // Filter 1: units with bad slots, gated by the policy; a bad count of 0 falls through.
        {1, 0, 1, 0, 2, 0, 0, 5, 5, 0, true},
        {1, 0, 9, 0, 2, 1, 2, 0, 0, 0, false},
        {1, 0, 9, 0, 3, 1, 2, 0, 0, 0, true},
        {1, 0, 9, 0, 0, 1, 2, 0, 0, 0, true},
        {1, 0, 1, 0, 0, 0, 0, 5, 5, 0, false},
        // Filter 2: only units above the threshold; units 0 and 1 never.
        {2, 100, 50, 0, 1, 0, 0, 0, 0, 0, false},
        {2, 100, 101, 0, 1, 0, 0, 0, 0, 0, true},
        {2, 100, 101, 1, 1, 0, 0, 0, 0, 0, false},
        {2, 100, 1, 0, 1, 0, 0, 0, 0, 1, false},
        {2, 0, 50, 0, 1, 0, 0, 0, 0, 0, true},  // no threshold: the default rule
        // The policy alone does not gate the default rule.
        {0, 0, 9, 0, 1, 1, 5, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        AP_INIState.RemapFilter = static_cast<std::uint16_t>(c.filter);
        AP_INIState.PartialRemapPolicy = static_cast<std::uint8_t>(c.policy);
        AP_INIState.RmpPartialTHR = static_cast<std::uint16_t>(c.partialThr);
        vi_->loaderBlock[0] = static_cast<std::uint8_t>(c.ldr0);
        vi_->loaderBlock[1] = static_cast<std::uint8_t>(c.ldr1);
        EXPECT_EQ(RM_IsRemapCandidate(static_cast<std::uint8_t>(c.status), static_cast<std::uint16_t>(c.unit),
                                      static_cast<std::uint32_t>(c.count), static_cast<std::uint16_t>(c.threshold),
                                      *vi_, c.plane),
                  c.expected)
            << "filter " << c.filter << " T " << c.threshold << " unit " << c.unit << " status " << c.status
            << " count " << c.count << " policy " << c.policy << "/" << c.partialThr << " plane " << c.plane;
    }
}

TEST_F(RemapRulesTest, LoaderBlockUnitsAreNamedInTheTrace) {
    vi_->loaderBlock[0] = 1;
    vi_->loaderBlock[1] = 2;
    EXPECT_TRUE(RM_IsRemapCandidate(0, 1, 1, 0, *vi_, 1));
    EXPECT_EQ(trace_.Text(), "Skip Ldr Block=1,2 but remap block:3\n");
}

TEST_F(RemapRulesTest, VirtualRemapCandidates) {
    struct Case {
        int filter, threshold, unit, status, plane;
        bool expected;
    };
    const Case cases[] = {
        {0, 0, 9, 0, 0, true},  {0, 0, 9, 5, 0, true},     {0, 0, 9, 1, 0, false},     {0, 0, 9, 7, 0, false},
        {0, 0, 9, 2, 0, false}, {0, 0, 9, 8, 0, false},    {0, 0, 1, 0, 0, true},      {0, 0, 1, 5, 0, false},
        {0, 0, 0, 0, 0, false}, {2, 100, 101, 0, 0, true}, {2, 100, 101, 5, 0, false}, {2, 100, 100, 0, 0, false},
        {2, 0, 9, 5, 0, true},  {1, 100, 9, 5, 0, true},
    };
    for (const Case& c : cases) {
        AP_INIState.RemapFilter = static_cast<std::uint16_t>(c.filter);
        EXPECT_EQ(RM_IsVirtRemapCandidate(static_cast<std::uint8_t>(c.status), static_cast<std::uint16_t>(c.unit),
                                          static_cast<std::uint16_t>(c.threshold), *vi_, c.plane),
                  c.expected)
            << "filter " << c.filter << " T " << c.threshold << " unit " << c.unit << " status " << c.status;
    }
}

TEST_F(RemapRulesTest, HashBucketFillsUpThenItsSecondBucketThenRefuses) {
    std::vector<std::uint8_t> buffer(RM_HASH_BYTES, 0);
    RmHashBuffer hash(buffer.data(), RM_HASH_BYTES);
    // Unit 1100, plane 0: block 2200, hash 2200 (bit 11 set), first bucket 2200 & 0x7FF = 152.
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(RM_CheckRemapHash(0, 0, 0, 1100, hash)) << i;
    EXPECT_EQ(buffer[152], 4);
    EXPECT_EQ(buffer[2200], 4);
    EXPECT_FALSE(RM_CheckRemapHash(0, 0, 0, 1100, hash));
    EXPECT_EQ(buffer[2200], 5);
    EXPECT_TRUE(trace_.Contains("=====================================================\n"));
    EXPECT_TRUE(trace_.Contains("Fail: CH=0, CE=0, DIE=0, BLK=898, Entry=2200 (5) \n"));
    // Unit 76, plane 0 hashes to 152 itself: its second bucket is the same full counter.
    EXPECT_FALSE(RM_CheckRemapHash(0, 0, 0, 76, hash));
    EXPECT_EQ(buffer[152], 5);
    // Refusals never wrap a counter back to room.
    for (int i = 0; i < 300; ++i) EXPECT_FALSE(RM_CheckRemapHash(0, 0, 0, 1100, hash));
    EXPECT_EQ(buffer[2200], 0xFF);
    // A reserve unit is always accepted and counts nowhere.
    const std::vector<std::uint8_t> before = buffer;
    EXPECT_TRUE(RM_CheckRemapHash(0, 0, 1, 0xFFFF, hash));
    EXPECT_EQ(buffer, before);
}

TEST_F(RemapRulesTest, HashKeyCarriesChannelPhysicalCeAndDie) {
    std::vector<std::uint8_t> buffer(RM_HASH_BYTES, 0);
    RmHashBuffer hash(buffer.data(), RM_HASH_BYTES);
    AP_FlashSet.wLunBlockOffset = 100;
    // LUN 1 (CE index 1 of 1 bank): block 5 x 2 + 1 + 100 x 2 = 211, die 1: key 0x8000D3, hash 0x8D3.
    EXPECT_TRUE(RM_CheckRemapHash(0, 1, 1, 5, hash));
    EXPECT_EQ(buffer[0xD3], 1);
    // Channel 3, physical CE 2 (FwBankSet of bank 0): key = 11 | 3 << 16 | 2 << 19 = 0x13000B.
    AP_INIState.FwBankSet[0] = 2;
    EXPECT_TRUE(RM_CheckRemapHash(3, 0, 1, 5, hash));
    EXPECT_EQ(buffer[(0x130 ^ 0x00B) & 0x7FF], 1);
    // Super-die mode: die 1 only above the offset, and the block keeps no offset.
    AP_INIState.EnSuperDie = 1;
    AP_INIState.FwBankSet[0] = 0;
    EXPECT_TRUE(RM_CheckRemapHash(0, 1, 0, 101, hash));  // block 202, die 1: 0x800 ^ 0x0CA
    EXPECT_EQ(buffer[0x0CA], 1);
    EXPECT_TRUE(RM_CheckRemapHash(0, 1, 0, 100, hash));  // block 200, die 0
    EXPECT_EQ(buffer[200], 1);
}

// Units 10, 11, 12, 13 (list order 13, 10, 12, 11) around a defect in unit 12.
class DonorSearchTest : public RemapRulesTest {
  protected:
    DonorSearchTest() {
        ApplyGeometry(Geo{1, 1, 1, 2, 64, 8});
        GdpBuffer gdp;
        gdp.Set({Entry(0, 0, 0x02, 13), Entry(0, 0, 0x02, 10), Entry(0, 0, 0x03, 12), Entry(0, 0, 0x00, 11),
                 Entry(0, 0, 0x01, 1)});
        Prepare(gdp.list(), *vi_);
        vi_->units.StableSort([](const SuperBlockBadInfo& a, const SuperBlockBadInfo& b) {
            auto rank = [](int u) { return u == 13 ? 0 : u == 10 ? 1 : u == 1 ? 2 : u == 12 ? 3 : 4; };
            return rank(a.unit) < rank(b.unit);
        });  // 13, 10, 1, 12, 11
    }
};

TEST_F(DonorSearchTest, NormalDonorsLieAfterTheDefect) {
    // Plane 1 of unit 10: after it come 1 (too low to give), 12 (good), 11 (bad).
    EXPECT_EQ(RM_FindDonor(0, 0, 1, 10, *vi_), 12);
    // Plane 0 of unit 13: 11 bad, 12 good.
    EXPECT_EQ(RM_FindDonor(0, 0, 0, 13, *vi_), 12);
    // Nothing after unit 11.
    EXPECT_EQ(RM_FindDonor(0, 0, 0, 11, *vi_), 0);
    // Once 12 has given plane 1, unit 10 still can, after 13; after 10 nothing can.
    vRM_SetSlotStatus(0, 0, 1, 12, RM_SLOT_DONOR, *vi_);
    EXPECT_EQ(RM_FindDonor(0, 0, 1, 13, *vi_), 10);
    EXPECT_EQ(RM_FindDonor(0, 0, 1, 10, *vi_), 0);
    // A boundary at 12 keeps the donor on the defect's side.
    EXPECT_EQ(RM_FindDonorBounded(0, 0, 0, 13, 12, *vi_), 0);
    EXPECT_EQ(RM_FindDonorBounded(0, 0, 0, 10, 11, *vi_), 0);
    EXPECT_EQ(RM_FindDonorBounded(0, 0, 0, 10, 13, *vi_), 12);
}

TEST_F(DonorSearchTest, PartialDonorsLieBeforeTheBoundaryWithFewBadSlots) {
    AP_INIState.RmpPartialTHR = 2;
    // Before unit 12: 13 (plane 1 good, count 1), 10, 1.
    EXPECT_EQ(RM_FindPartialDonor(0, 0, 1, 12, *vi_), 13);
    EXPECT_EQ(RM_FindPartialDonor(0, 0, 0, 12, *vi_), 0);  // plane 0 bad in 13 and 10, unit 1 too low
    AP_INIState.RmpPartialTHR = 1;                         // count 1 is no longer below
    EXPECT_EQ(RM_FindPartialDonor(0, 0, 1, 12, *vi_), 0);
}

TEST_F(DonorSearchTest, VirtualDonorsComeFromTheEndAndGiveTheirLowestGoodPlane) {
    std::uint8_t plane = 9;
    // From the end: 11 all bad, 12 count 0, 1 holds loader blocks (none known: blocks 0 to 3),
    // 10 gives plane 1.
    EXPECT_EQ(RM_FindVirtDonor(0, 0, plane, 13, *vi_, 0), 10);
    EXPECT_EQ(plane, 1);
    EXPECT_TRUE(trace_.Contains("Skip Ldr Block unit:1 CH:0 CE:0 as virtual remap donor"));
    // With the die's loader blocks in unit 2, unit 1 gives its plane 0.
    vi_->dieLoaderBlocks[0][0][0] = 4;
    vi_->dieLoaderBlocks[0][0][1] = 5;
    EXPECT_EQ(RM_FindVirtDonor(0, 0, plane, 13, *vi_, 0), 1);
    EXPECT_EQ(plane, 0);
    // With a lower bound of 2, unit 1 is skipped: 10 gives plane 1.
    EXPECT_EQ(RM_FindVirtDonor(0, 0, plane, 13, *vi_, 2), 10);
    EXPECT_EQ(plane, 1);
    // A record with a virtually remapped plane gives nothing.
    vRM_SetSlotStatus(0, 0, 0, 10, RM_SLOT_VIRTUAL, *vi_);
    EXPECT_EQ(RM_FindVirtDonor(0, 0, plane, 13, *vi_, 2), 0);
    // The defect's own record is skipped.
    EXPECT_EQ(RM_FindVirtDonor(0, 0, plane, 13, *vi_, 0), 1);
    EXPECT_EQ(RM_FindVirtDonor(0, 0, plane, 1, *vi_, 0), 13);
}

}  // namespace
}  // namespace tables_test
