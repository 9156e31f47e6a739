// Super-die and partial-good pages of a realistic drive (4 channels, 2 banks, 2 dies per CE,
// 4 planes, 512 units per die, 16 KB pages), written here straight from the page format.
#include <gtest/gtest.h>

#include "tables/page_format.h"
#include "tables_fixture.h"

namespace tables_test {
namespace {

int Relations(const _VectorInfo& vi) {
    int n = 0;
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 4; ++ce) {
            n += static_cast<int>(vi.virtRemap[ch][ce].size());
            for (int p = 0; p < 4; ++p) n += static_cast<int>(vi.remap[ch][ce][p].size());
        }
    }
    return n;
}

class GoldenRealisticSuperDieTest : public TablesTest {
  protected:
    GoldenRealisticSuperDieTest() {
        ApplyGeometry(Geo{4, 2, 2, 4, 512, 32, true, 600});
        AP_INIState.bOriDieMapMultiLun[1][3] = 0xFF;  // listed all the same in this form
        RandomDrive(gdp_, 777);
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

TEST_F(GoldenRealisticSuperDieTest, EveryPageByPhysicalChannel) {
    EXPECT_TRUE(pages_.overflows.empty());
    const int budget = (7168 - Relations(*vi_)) / (4 * 2 * 4);
    ASSERT_GT(Relations(*vi_), 50);
    std::int32_t reserve = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const auto c = static_cast<std::uint8_t>(ch);
        ExpectedPage d(RM_TBL_DEFECT), r(RM_TBL_REMAP), v(RM_TBL_VIRT), e(RM_TBL_EARLY);
        std::int32_t channelReserve = 0;
        for (int b = 0; b < 2; ++b) {
            d.Word(0xA0FB), d.Byte(static_cast<std::uint8_t>(b)), d.Byte(c);
            r.Word(0xEBA0), r.Word(static_cast<std::uint16_t>(b)), r.Word(0xEDE0), r.Word(0);
            v.Word(0xABCD), v.Word(static_cast<std::uint16_t>(b));
            for (int die = 0; die < 2; ++die) {
                const int ce = b + 2 * die;
                const std::uint16_t off = die == 1 ? 600 : 0;
                for (const MptDefRecord& x : vi_->defBelow[ch][ce]) {
                    d.Word(static_cast<std::uint16_t>(x.unit + off)), d.Byte(x.planeByte), d.Byte(c);
                }
                for (const RmpRecord& x : vi_->virtRemap[ch][ce]) {
                    v.Word(static_cast<std::uint16_t>(x.defect + off * 4));
                    v.Word(static_cast<std::uint16_t>(x.good + off * 4));
                }
            }
            for (int p = 0; p < 4; ++p) {
                r.Word(0xEAE0), r.Word(static_cast<std::uint16_t>(p));
                for (int die = 0; die < 2; ++die) {
                    const std::uint16_t off = die == 1 ? 600 : 0;
                    for (const RmpRecord& x : vi_->remap[ch][b + 2 * die][p]) {
                        r.Word(static_cast<std::uint16_t>(x.defect + off)),
                            r.Word(static_cast<std::uint16_t>(x.good + off));
                    }
                }
                int written = 0;
                for (int die = 0; die < 2; ++die) {
                    const std::uint16_t off = die == 1 ? 600 : 0;
                    for (const RmpRecord& x : vi_->reserve[ch][b + 2 * die][p]) {
                        if (written >= budget) break;
                        r.Word(0xFFFF), r.Word(static_cast<std::uint16_t>(x.good + off));
                        ++written;
                    }
                }
                channelReserve += written;
            }
            for (int p = 0; p < 4; ++p) {
                int written = 0;
                for (int die = 0; die < 2; ++die) {
                    const std::uint16_t off = die == 1 ? 600 : 0;
                    for (const RmpRecord& x : vi_->reserve[ch][b + 2 * die][p]) {
                        if (written >= budget) break;
                        v.Word(0xFFFF), v.Word(static_cast<std::uint16_t>((x.good + off) * 4 + p));
                        ++written;
                    }
                }
            }
        }
        d.Word(0xD1FE), d.Byte(5), d.Byte(c);  // (banks - 1) + 4 CE indexes
        r.Word(0xEED1), r.Word(5);
        v.Word(0xDCBA), v.Word(5);
        for (int j = 0; j < 4; ++j) {
            e.Word(static_cast<std::uint16_t>(0xFB00 + j));
            for (const SuperBlockBadInfo& x : vi_->units) {
                bool unusable = false;
                for (int p = 0; p < 4; ++p) unusable = unusable || RM_IsUnusable(x.status[ch][j][p]);
                const std::uint16_t lunCount = j < 2 ? x.lun0Count : x.lun1Count;
                if (lunCount != 0 && unusable) e.Word(static_cast<std::uint16_t>(x.unit + (j < 2 ? 0 : 512)));
            }
        }
        e.Word(0xFE04);
        EXPECT_EQ(pages_.defect[ch], d.bytes()) << ch;
        EXPECT_EQ(pages_.remap[ch], r.bytes()) << ch;
        EXPECT_EQ(pages_.virt[ch], v.bytes()) << ch;
        EXPECT_EQ(pages_.early[ch], e.bytes()) << ch;
        EXPECT_EQ(counts_[RM_COUNT_CH_RESERVE + ch], channelReserve) << ch;
        EXPECT_EQ(counts_[RM_COUNT_CH_VIRT_RESERVE + ch], channelReserve) << ch;
        reserve += channelReserve;
    }
    EXPECT_EQ(counts_[RM_COUNT_RESERVE], reserve);
}

using GoldenRealisticPartialTest = TablesTest;

TEST_F(GoldenRealisticPartialTest, PartialGoodPageAndEarlyPages) {
    ApplyGeometry(kRealistic);
    AP_INIState.EnPartialTbl = 1;
    AP_INIState.PartialRemapPolicy = 1;
    AP_INIState.RmpPartialTHR = 3;
    GdpBuffer gdp;
    RandomDrive(gdp, 31337);
    auto vi = NewWorkingSet();
    Prepare(gdp.list(), *vi);
    std::vector<std::uint8_t> hash;
    RunRemapSteps(*vi, hash);
    RemapCounts counts{};
    RM_PageTable pages;
    GenerateAll(*vi, counts, pages);
    EXPECT_TRUE(pages.overflows.empty());

    const int whole = 16 * 4;  // bDieNumCount (4 channels x 2 banks x 2 dies) x planes
    std::vector<const SuperBlockBadInfo*> entries;
    ExpectedPage early(RM_TBL_EARLY);
    for (int j = 0; j < 4; ++j) {
        early.Word(static_cast<std::uint16_t>(0xFB00 + j));
        for (const SuperBlockBadInfo& x : vi->units) {
            if (x.badCount == whole) early.Word(x.unit);
        }
    }
    early.Word(0xFE04);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(pages.early[ch], early.bytes()) << ch;

    for (const SuperBlockBadInfo& x : vi->units) {
        if (x.unit >= 1 && x.badCount > 0 && x.badCount < whole) entries.push_back(&x);
    }
    ASSERT_GT(entries.size(), 100u);
    std::vector<std::uint8_t> page(16384, 0);
    const char* header = "ZEL090X_PAR_V000";
    std::copy(header, header + 16, page.begin());
    tables::PutLe16(page.data() + 16, static_cast<std::uint16_t>(entries.size()));
    const std::size_t m = entries.size();
    const std::size_t bitmaps = ((4 * m + 95) / 64) * 64;
    for (std::size_t i = 0; i < m; ++i) {
        tables::PutLe16(page.data() + 32 + 4 * i, entries[i]->unit);
        tables::PutLe16(page.data() + 34 + 4 * i, entries[i]->badCount);
        for (int ch = 0; ch < 4; ++ch) {
            for (int ce = 0; ce < 4; ++ce) {
                for (int p = 0; p < 4; ++p) {
                    if (!RM_IsUnusable(entries[i]->status[ch][ce][p])) continue;
                    const int bit = (ce / 2) * 128 + ch * 16 + (ce % 2) * 4 + p;
                    page[bitmaps + 32 * i + static_cast<std::size_t>(bit / 8)] |=
                        static_cast<std::uint8_t>(1u << (bit % 8));
                }
            }
        }
    }
    EXPECT_EQ(pages.partialGood, page);
}

}  // namespace
}  // namespace tables_test
