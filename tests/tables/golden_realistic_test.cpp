// Table pages of a realistic drive (4 channels, 2 banks, 2 dies per CE, 4 planes, 512 units per
// die, 16 KB pages) with a channel map that leaves one channel out, a shuffled CE map and an
// absent die. The expected pages are written here straight from the page format, from the
// working set the remap steps leave.
#include <gtest/gtest.h>

#include "tables/page_format.h"
#include "tables_fixture.h"

namespace tables_test {
namespace {

constexpr std::size_t kPage = 16384;

using Expect = ExpectedPage;

class GoldenRealisticTest : public TablesTest {
  protected:
    GoldenRealisticTest() {
        ApplyGeometry(kRealistic);
        const std::uint8_t channelMap[8] = {1, 0, 3, 9, 9, 9, 9, 9};  // channel 2 has no logical table
        std::copy(channelMap, channelMap + 8, AP_INIState.MPFwChannelSet);
        const std::uint8_t ceMap[4] = {1, 0, 2, 3};
        std::copy(ceMap, ceMap + 4, AP_INIState.MPFwBankSet);
        AP_INIState.bOriDieMapMultiLun[0][2] = 0xFF;
        AP_INIState.DMT_Qnty = 5;
        AP_INIState.QBT_Qnty = 3;
        AP_INIState.FixSLC_BU = 20;
        AP_INIState.wFW_BLKQnty = 12;

        RandomDrive(gdp_, 4242);
        Prepare(gdp_.list(), *vi_);
        RunRemapSteps(*vi_, hash_);
        GenerateAll(*vi_, counts_, pages_);
    }

    static constexpr int kLogical[4] = {1, 0, -1, 2};
    static constexpr int kLogicalCe[4] = {1, 0, 2, 3};

    bool Present(int ch, int ce) const { return !(ch == 0 && ce == 2); }

    GdpBuffer gdp_;
    std::unique_ptr<_VectorInfo> vi_ = NewWorkingSet();
    std::vector<std::uint8_t> hash_;
    RemapCounts counts_{};
    RM_PageTable pages_;
};

TEST_F(GoldenRealisticTest, ThePassesLeaveWorkForEveryTable) {
    std::size_t remaps = 0, virtuals = 0, reserves = 0;
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 4; ++ce) {
            virtuals += vi_->virtRemap[ch][ce].size();
            for (int p = 0; p < 4; ++p) {
                remaps += vi_->remap[ch][ce][p].size();
                reserves += vi_->reserve[ch][ce][p].size();
            }
        }
    }
    EXPECT_GT(remaps, 50u);
    EXPECT_GT(virtuals, 20u);
    EXPECT_GT(reserves, 100u);
    EXPECT_TRUE(pages_.overflows.empty());
    for (int l = 0; l < 3; ++l) EXPECT_EQ(pages_.defect[l].size(), kPage);
    for (int l = 3; l < RM_MAX_CH; ++l) {
        EXPECT_TRUE(pages_.defect[l].empty());
        EXPECT_TRUE(pages_.system[l].empty());
    }
}

TEST_F(GoldenRealisticTest, DefectPages) {
    for (int ch : {0, 1, 3}) {
        Expect e(RM_TBL_DEFECT);
        const auto l = static_cast<std::uint8_t>(kLogical[ch]);
        for (int ce = 0; ce < 4; ++ce) {
            if (!Present(ch, ce)) continue;
            e.Word(0xA0FB);
            e.Byte(static_cast<std::uint8_t>(kLogicalCe[ce]));
            e.Byte(l);
            for (const MptDefRecord& d : vi_->defBelow[ch][ce]) {
                e.Word(d.unit);
                e.Byte(d.planeByte);  // 4 planes: the plane byte itself
                e.Byte(l);
            }
        }
        e.Word(0xD1FE);
        e.Word(0);
        EXPECT_EQ(pages_.defect[l], e.bytes()) << "channel " << ch;
    }
}

TEST_F(GoldenRealisticTest, RemapAndVirtualRemapPages) {
    std::size_t relations = 0;
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 4; ++ce) {
            relations += vi_->virtRemap[ch][ce].size();
            for (int p = 0; p < 4; ++p) relations += vi_->remap[ch][ce][p].size();
        }
    }
    const int budget = (7168 - static_cast<int>(relations)) / 64;
    std::int32_t valid = 0, reserve = 0, virtValid = 0, virtReserve = 0;
    std::int32_t perChannel[4] = {}, virtPerChannel[4] = {};
    for (int ch : {0, 1, 3}) {
        const int l = kLogical[ch];
        Expect r(RM_TBL_REMAP);
        Expect v(RM_TBL_VIRT);
        for (int ce = 0; ce < 4; ++ce) {
            if (!Present(ch, ce)) continue;
            const auto lce = static_cast<std::uint16_t>(kLogicalCe[ce]);
            r.Word(0xEBA0), r.Word(lce), r.Word(0xEDE0), r.Word(0);
            v.Word(0xABCD), v.Word(lce);
            for (const RmpRecord& x : vi_->virtRemap[ch][ce]) v.Word(x.defect), v.Word(x.good), ++virtValid;
            int free = 0;
            for (int p = 0; p < 4; ++p) {
                r.Word(0xEAE0), r.Word(static_cast<std::uint16_t>(p));
                for (const RmpRecord& x : vi_->remap[ch][ce][p]) r.Word(x.defect), r.Word(x.good), ++valid;
                const RmpList& res = vi_->reserve[ch][ce][p];
                const int n = std::min<int>(budget, static_cast<int>(res.size()));
                for (int k = 0; k < n; ++k) {
                    r.Word(0xFFFF), r.Word(res[static_cast<std::size_t>(k)].good);
                    v.Word(0xFFFF), v.Word(static_cast<std::uint16_t>(res[static_cast<std::size_t>(k)].good * 4 + p));
                }
                reserve += n, virtReserve += n, perChannel[l] += n, virtPerChannel[ch] += n;
                for (int k = 0; k < std::min(budget - n, 20); ++k) r.Word(0xFFFF), r.Word(0xFFFF);
                free += budget - n;
            }
            for (int k = 0; k < std::min(free, 80); ++k) v.Word(0xFFFF), v.Word(0xFFFF);
        }
        r.Word(0xEED1), r.Word(4);
        v.Word(0xDCBA), v.Word(4);
        EXPECT_EQ(pages_.remap[l], r.bytes()) << "channel " << ch;
        EXPECT_EQ(pages_.virt[l], v.bytes()) << "channel " << ch;
    }
    EXPECT_EQ(counts_[RM_COUNT_VALID], valid);
    EXPECT_EQ(counts_[RM_COUNT_RESERVE], reserve);
    EXPECT_EQ(counts_[RM_COUNT_VIRT_VALID], virtValid);
    EXPECT_EQ(counts_[RM_COUNT_VIRT_RESERVE], virtReserve);
    // Remap reserve counts by logical channel, virtual-remap ones by physical channel (channel 2 has no
    // tables, channel 3 keeps its count under its own index).
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(counts_[RM_COUNT_CH_RESERVE + c], perChannel[c]) << c;
        EXPECT_EQ(counts_[RM_COUNT_CH_VIRT_RESERVE + c], virtPerChannel[c]) << c;
    }
    EXPECT_GT(virtPerChannel[3], 0);
}

TEST_F(GoldenRealisticTest, EarlyAndSystemPages) {
    for (int ch : {0, 1, 3}) {
        const int l = kLogical[ch];
        Expect e(RM_TBL_EARLY);
        for (int ce = 0; ce < 4; ++ce) {
            if (!Present(ch, ce)) continue;
            e.Word(static_cast<std::uint16_t>(0xFB00 | kLogicalCe[ce]));
            for (const SuperBlockBadInfo& r : vi_->units) {
                bool unusable = false;
                for (int p = 0; p < 4; ++p) unusable = unusable || RM_IsUnusable(r.status[ch][ce][p]);
                if (r.badCount != 0 && unusable) e.Word(r.unit);
            }
        }
        e.Word(0xFE04);
        EXPECT_EQ(pages_.early[l], e.bytes()) << "channel " << ch;

        Expect s(RM_TBL_SYSTEM);
        s.Seek(28);
        s.Word(AP_Instance[kPort].wHSPD_BLK_Qnty_Count);
        s.Seek(32);
        s.Word(0x5451);
        for (int u = 1; u < 512; ++u) {
            const int pos = vi_->units.Find(static_cast<std::uint16_t>(u));
            if (pos < 0 || vi_->units[static_cast<std::size_t>(pos)].badCount == 0)
                s.Word(static_cast<std::uint16_t>(u));
        }
        s.Word(0x5154);
        EXPECT_EQ(pages_.system[l], s.bytes()) << "channel " << ch;
    }
    EXPECT_NE(AP_Instance[kPort].wHSPD_BLK_Qnty_Count, 0);
}

}  // namespace
}  // namespace tables_test
