#include "tables/table_parsers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "remap_fixture.h"
#include "tables/block_units.h"
#include "tables/page_format.h"
#include "tables/table_read.h"

namespace remap_test {
namespace {

// Pages of one kind laid out as the reader returns them: page k at k x page size.
std::vector<std::uint8_t> Buffer(const std::vector<std::uint8_t> (&pages)[RM_MAX_CH]) {
    const std::size_t size = AP_FlashSet.bPageSector * 512u;
    std::vector<std::uint8_t> out(AP_INIState.MaxPhyChannel * size, 0);
    for (int k = 0; k < AP_INIState.MaxPhyChannel; ++k) {
        if (!pages[k].empty()) std::memcpy(out.data() + k * size, pages[k].data(), size);
    }
    return out;
}

bool SameRelations(const RmpList& a, const RmpList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].good != b[i].good || a[i].defect != b[i].defect || a[i].location != b[i].location ||
            a[i].plane != b[i].plane) {
            return false;
        }
    }
    return true;
}

class ParsersTest : public RemapTest {
  protected:
    std::unique_ptr<_VectorInfo> built_ = std::make_unique<_VectorInfo>();
    std::unique_ptr<_VectorInfo> parsed_ = std::make_unique<_VectorInfo>();
    std::vector<std::uint8_t> listBytes_ = std::vector<std::uint8_t>(16384, 0);
    tables::GdpList list_{listBytes_.data(), listBytes_.size()};

    // Builds tables from random bad blocks and parses them back with the form of the geometry.
    void RoundTrip(std::uint32_t seed, int count) {
        RemapCounts counts{};
        RM_PageTable pages;
        BuildTables(RandomBadBlocks(seed, count), *built_, counts, pages);
        ASSERT_TRUE(pages.overflows.empty());
        const bool sd = bRM_IsSuperDie();
        const auto remap = Buffer(pages.remap);
        const auto virt = Buffer(pages.virt);
        const auto defect = Buffer(pages.defect);
        if (sd) {
            RM_ParseRemapTable2L(kPort, remap, *parsed_);
            RM_ParseVirtRemapTable2L(kPort, virt, *parsed_);
            early_ = RM_ParseDefectBadTable2L(kPort, defect, list_, *parsed_);
        } else {
            RM_ParseRemapTable(kPort, remap, *parsed_);
            RM_ParseVirtRemapTable(kPort, virt, *parsed_);
            early_ = RM_ParseEarlyBadTable(kPort, defect, list_, *parsed_);
        }
    }

    void ExpectSameRelations() {
        std::size_t relations = 0;
        for (int ch = 0; ch < RM_MAX_CH; ++ch) {
            for (int ce = 0; ce < RM_MAX_CE; ++ce) {
                for (int p = 0; p < RM_MAX_PLANE; ++p) {
                    EXPECT_TRUE(SameRelations(built_->remap[ch][ce][p], parsed_->remap[ch][ce][p]))
                        << "remap " << ch << "/" << ce << "/" << p;
                    relations += built_->remap[ch][ce][p].size();
                }
                EXPECT_TRUE(SameRelations(built_->virtRemap[ch][ce], parsed_->virtRemap[ch][ce]))
                    << "virtual " << ch << "/" << ce;
                relations += built_->virtRemap[ch][ce].size();
                const DefList& a = built_->defBelow[ch][ce];
                const DefList& b = parsed_->defBelow[ch][ce];
                ASSERT_EQ(a.size(), b.size()) << "defects " << ch << "/" << ce;
                for (std::size_t i = 0; i < a.size(); ++i) {
                    EXPECT_EQ(a[i].unit, b[i].unit);
                    EXPECT_EQ(a[i].planeByte & 0x0F, b[i].planeByte);
                    EXPECT_EQ(a[i].location, b[i].location);
                }
            }
        }
        EXPECT_GT(relations, 0u);
        EXPECT_EQ(parsed_->skippedEntries, 0u);
    }

    std::uint16_t early_ = 0;
};

TEST_F(ParsersTest, GeneratedPagesParseBackToTheSameRelations) {
    const Geo geos[] = {kSmall, kSuperDie, kWide, {2, 1, 1, 1, 200, 8}};
    std::uint32_t seed = 1;
    for (const Geo& g : geos) {
        SCOPED_TRACE(g.channels * 1000 + g.planes);
        built_ = std::make_unique<_VectorInfo>();
        parsed_ = std::make_unique<_VectorInfo>();
        std::fill(listBytes_.begin(), listBytes_.end(), 0);
        ApplyGeometry(g);
        RoundTrip(seed++, g.dieUnit / 2);
        ExpectSameRelations();
        std::size_t defects = 0;
        for (auto& perCh : built_->defBelow) {
            for (auto& l : perCh) defects += l.size();
        }
        EXPECT_EQ(early_, defects);
        EXPECT_EQ(list_.Count(), defects);
        // In a fresh table only the donor slots that were virtually remapped in turn (status 8) are
        // relations of a block that is not early bad; each comes back as a bad entry of its block.
        const std::uint16_t added = RM_FindLaterBadInRemap(kPort, *parsed_, list_);
        EXPECT_EQ(list_.Count(), defects + added);
        for (const SuperBlockBadInfo& r : built_->units) {
            for (int ch = 0; ch < RM_MAX_CH; ++ch) {
                for (int ce = 0; ce < RM_MAX_CE; ++ce) {
                    for (int p = 0; p < RM_MAX_PLANE; ++p) {
                        if (r.status[ch][ce][p] != RM_SLOT_DONOR_VIRTUAL) continue;
                        bool found = false;
                        for (std::uint32_t i = 0; i < list_.Count(); ++i) {
                            const std::uint32_t e = list_.Get(i);
                            found = found ||
                                    ((e & 0xFFFF) == r.unit && (e >> 24) == static_cast<std::uint32_t>(ch << 5 | ce) &&
                                     (e & (1u << (16 + p))) == 0);
                        }
                        EXPECT_TRUE(found) << "unit " << r.unit;
                    }
                }
            }
        }
    }
}

TEST_F(ParsersTest, EarlyEntriesCarryChannelCeMaskAndTheTableFlag) {
    ApplyGeometry(kSmall);
    RemapCounts counts{};
    RM_PageTable pages;
    BuildTables({Entry(1, 1, 0x1, 7)}, *built_, counts, pages);  // plane 1 bad
    EXPECT_EQ(RM_ParseEarlyBadTable(kPort, Buffer(pages.defect), list_, *parsed_), 1);
    EXPECT_EQ(list_.Get(0), 0x21210007u);
    EXPECT_TRUE(trace_.Contains("Early REC:21210007, bGid=0x21, wBlockUnit=0x0007\n"));
    EXPECT_TRUE(trace_.Contains("CH1 Toal Count=1\n"));
    EXPECT_TRUE(RM_IsListedBad(1, 1, 1, 7, *parsed_));
    EXPECT_FALSE(RM_IsListedBad(1, 1, 0, 7, *parsed_));
    EXPECT_FALSE(RM_IsListedBad(1, 0, 1, 7, *parsed_));
    EXPECT_FALSE(RM_IsListedBad(1, 1, 5, 7, *parsed_));  // bit 5 is a flag bit, not a plane
}

// A remap page of one channel from raw words.
std::vector<std::uint8_t> RemapPage(std::uint8_t type, std::initializer_list<std::uint16_t> words) {
    std::vector<std::uint8_t> page(AP_FlashSet.bPageSector * 512u, 0);
    vRM_SetTableHeader(page.data(), page.size(), type);
    std::size_t off = RM_HEADER_SIZE;
    for (std::uint16_t w : words) {
        tables::PutLe16(page.data() + off, w);
        off += 2;
    }
    return page;
}

TEST_F(ParsersTest, LaterBadMarksAndSkippedPairs) {
    ApplyGeometry({1, 1, 1, 2, 64, 1});
    const auto remap =
        RemapPage(RM_TBL_REMAP, {0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 1, 0xFFFF, 9, 0xEEEE, 9, 0xDDDD, 30, 12, 40, 0xEED1, 1});
    RM_ParseRemapTable(kPort, remap, *parsed_);
    ASSERT_EQ(parsed_->remap[0][0][1].size(), 2u);
    EXPECT_EQ(parsed_->remap[0][0][1][0].defect, 0xDDDD);
    EXPECT_EQ(parsed_->remap[0][0][1][0].good, 30);
    EXPECT_TRUE(trace_.Contains("\nC:0 B:0 D:0 P:1\n"));
    EXPECT_TRUE(trace_.Contains("DB#DDDD GB#001E\n"));

    // Unit 12 is not an early bad block, so it went bad later; the replacement 30 went bad too.
    EXPECT_EQ(RM_FindLaterBadInRemap(kPort, *parsed_, list_), 2);
    EXPECT_EQ(list_.Get(0), 0x0041001Eu);
    EXPECT_EQ(list_.Get(1), 0x0041000Cu);
    EXPECT_TRUE(trace_.Contains("1.  RMP LB C:0 B:0 P:1 BU:0x001E | Entry:0x0041001E\n"));
    EXPECT_TRUE(trace_.Contains("2.  RMP LB C:0 B:0 P:1 BU:0x000C | Entry:0x0041000C\n"));

    // Once unit 12 is listed early bad on that plane, only the mark remains.
    std::fill(listBytes_.begin(), listBytes_.end(), 0);
    parsed_->defBelow[0][0].push_back({12, 0x1, 0, 0});
    EXPECT_EQ(RM_FindLaterBadInRemap(kPort, *parsed_, list_), 1);
}

// A later-bad page with (unit, page, plane, location) entries.
std::vector<std::uint8_t> LaterBadPage(std::uint16_t count, std::vector<std::array<int, 4>> entries) {
    std::vector<std::uint8_t> page(AP_FlashSet.bPageSector * 512u, 0);
    const std::uint8_t header[16] = {0xE8, 0xDC, 0x55, 0xAA, 'Z', 'E', 'L', '0', '9', 'A', '0', 'V', '0', '0', '0', 0};
    std::memcpy(page.data(), header, 16);
    tables::PutLe16(page.data() + 16, count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint8_t* e = page.data() + 32 + 8 * i;
        tables::PutLe16(e, static_cast<std::uint16_t>(entries[i][0]));
        tables::PutLe16(e + 2, static_cast<std::uint16_t>(entries[i][1]));
        e[5] = static_cast<std::uint8_t>(entries[i][2]);
        e[7] = static_cast<std::uint8_t>(entries[i][3]);
    }
    return page;
}

TEST_F(ParsersTest, LaterBadEntriesAreChargedToTheReplacement) {
    ApplyGeometry({2, 2, 1, 2, 64, 1});
    parsed_->remap[1][1][0].push_back({50, 12, (1 << 5) | 1, 0});   // unit 12 plane 0 -> 50
    parsed_->virtRemap[1][1].push_back({41, 27, (1 << 5) | 1, 1});  // index 27 (unit 13, plane 1) -> 41
    std::vector<std::uint8_t> pages(2 * 512, 0);
    const auto page1 = LaterBadPage(
        4, {{12, 5, 0, (1 << 5) | 1}, {12, 6, 1, (1 << 5) | 1}, {13, 1, 1, (1 << 5) | 1}, {20, 1, 0, (1 << 5) | 1}});
    std::memcpy(pages.data() + 512, page1.data(), 512);
    EXPECT_EQ(RM_ParseLaterBadTable(kPort, pages, list_, *parsed_), 3);
    // The remapped block is charged to unit 50; the second entry (plane 1 of unit 12) is not remapped.
    EXPECT_EQ(list_.Get(0), 0x21420032u);
    EXPECT_EQ(list_.Get(1), 0x2141000Cu);
    // The virtual relation's good 41 is unit 20, plane 1; the later entry for plane 0 of unit 20
    // merges into it.
    EXPECT_EQ(list_.Get(2), 0x21400014u);
    EXPECT_TRUE(trace_.Contains("Page:1 CNT=4\n"));
    EXPECT_TRUE(trace_.Contains("ORI LAT C:1 B:1 BU:000C PG:5 PL:0\n"));
    EXPECT_TRUE(trace_.Contains("FIN LAT C:1 B:1 BU:0032 PG:5 PL:0 REC:21420032\n"));
    EXPECT_EQ(list_.Count(), 3u);
}

TEST_F(ParsersTest, LaterBadPagesAreReadOnlyAsFarAsTheBuffer) {
    ApplyGeometry({2, 1, 1, 2, 64, 1});
    // Count 0xFFFF is clamped to the 60 entries a 512-byte page holds; entries past the geometry skip.
    auto page = LaterBadPage(0xFFFF, {{70, 0, 0, 0}, {10, 0, 3, 0}, {10, 0, 0, 2 << 5}, {10, 0, 0, 1}});
    std::vector<std::uint8_t> pages(512 + 100, 0);  // the second page is cut short: not read
    std::memcpy(pages.data(), page.data(), 512);
    std::memcpy(pages.data() + 512, page.data(), 100);
    EXPECT_EQ(RM_ParseLaterBadTable(kPort, pages, list_, *parsed_), 1);
    EXPECT_TRUE(trace_.Contains("Page:0 CNT=60\n"));
    EXPECT_FALSE(trace_.Contains("Page:1 "));
    EXPECT_EQ(parsed_->skippedEntries, 4u);  // unit 70, plane 3, channel 2, CE 1
    // The rest of the page is zero: entries of unit 0 on channel 0, CE 0, plane 0.
    EXPECT_EQ(list_.Count(), 1u);
}

TEST_F(ParsersTest, TwoLunPagesNumberLunOneFromTheOffset) {
    ApplyGeometry(kSuperDie);  // 1 bank, LUN 1 from unit 64, 4 planes
    const auto remap = RemapPage(RM_TBL_REMAP, {0xEBA0, 0, 0xEAE0, 2, 5, 9, 70, 80, 0xDDDD, 90, 0xEED1, 2});
    std::vector<std::uint8_t> pages(2 * 16384, 0);
    std::memcpy(pages.data() + 16384, remap.data(), 16384);
    RM_ParseRemapTable2L(kPort, pages, *parsed_);
    ASSERT_EQ(parsed_->remap[1][0][2].size(), 1u);
    ASSERT_EQ(parsed_->remap[1][1][2].size(), 2u);
    EXPECT_EQ(parsed_->remap[1][1][2][0].defect, 6);
    EXPECT_EQ(parsed_->remap[1][1][2][0].good, 16);
    EXPECT_EQ(parsed_->remap[1][1][2][0].location, (1 << 5) | 1);
    EXPECT_EQ(parsed_->remap[1][1][2][1].defect, 0xDDDD);  // the mark keeps its value
    EXPECT_EQ(parsed_->remap[1][1][2][1].good, 26);
    EXPECT_TRUE(trace_.Contains("(L1)DB#0006 GB#0010\n"));

    const auto later = LaterBadPage(2, {{70, 3, 1, (1 << 6) | 0}, {70, 3, 2, (1 << 6) | 0}});
    std::memcpy(pages.data() + 16384, later.data(), 16384);
    EXPECT_EQ(RM_ParseLaterBadTable2L(kPort, pages, list_, *parsed_), 2);
    EXPECT_EQ(list_.Get(0), 0x214D0006u);  // LUN 1 unit 6 plane 1, not remapped on that plane
    EXPECT_EQ(list_.Get(1), 0x214B0010u);  // LUN 1 unit 6 plane 2 -> replacement 16
}

// Pages served from a map of (channel, CE, block, page); a read of anything else fails.
class FakeSource : public tables::TablePageSource {
  public:
    std::map<std::array<int, 4>, std::vector<std::uint8_t>> pages;
    int statusFailAt = -1;  // page number whose status fetch fails
    int lastPage = -1;
    int ReadPage(int, std::uint8_t ch, std::uint8_t ce, std::uint16_t block, std::uint16_t page, std::uint8_t,
                 std::uint8_t scramble, std::uint8_t blockType, std::uint8_t* buffer, std::uint32_t sectors) override {
        EXPECT_EQ(scramble, 1);
        EXPECT_EQ(blockType, 0);
        lastPage = page;
        auto it = pages.find({ch, ce, block, page});
        if (it == pages.end()) return 2;
        std::memcpy(buffer, it->second.data(), std::min<std::size_t>(sectors * 512u, it->second.size()));
        return 1;
    }
    int GetReturn(int, std::uint8_t* sector) override {
        if (lastPage == statusFailAt) return 2;
        sector[0] = 0;
        sector[1] = lastPage == statusFailAt + 100 ? 28 : 1;
        return 1;
    }
};

TEST_F(ParsersTest, ReadingFallsBackToTheSecondCopy) {
    ApplyGeometry({2, 2, 1, 2, 64, 1});
    for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(1000 + i);
    for (int ch = 0; ch < 2; ++ch) {
        for (int b = 0; b < 2; ++b) {
            AP_Instance[kPort].aLoaderBlockNo[ch][b][0] = 2;
            AP_Instance[kPort].aLoaderBlockNo[ch][b][1] = 3;
        }
    }
    FakeSource source;
    // Copy 0 of die (0,0) lacks its second page; copy 1 of die (0,0) is whole.
    source.pages[{0, 0, 2, 1021}] = std::vector<std::uint8_t>(512, 0xA0);
    source.pages[{0, 0, 3, 1021}] = std::vector<std::uint8_t>(512, 0xB0);
    source.pages[{0, 0, 3, 1022}] = std::vector<std::uint8_t>(512, 0xB1);
    std::vector<std::uint8_t> buffer(1024, 0);
    EXPECT_TRUE(bRM_ReadTablePages(kPort, 21, buffer, source));
    EXPECT_EQ(buffer[0], 0xB0);
    EXPECT_EQ(buffer[512], 0xB1);
    EXPECT_TRUE(trace_.Contains("Read C:0 B:0 Block:2 Page:1022 Read Command Fail\n"));
    EXPECT_TRUE(trace_.Contains("Read C:0 B:0 Block:3 Page:1022 Success\n"));

    // A status that fails or reports an error page fails the block.
    source.statusFailAt = 1021;
    EXPECT_FALSE(bRM_ReadTablePages(kPort, 21, buffer, source));
    EXPECT_TRUE(trace_.Contains("Read C:0 B:0 Block:3 Page:1021 Sts Command Fail\n"));
    source.statusFailAt = 1021 - 100;
    EXPECT_FALSE(bRM_ReadTablePages(kPort, 21, buffer, source));
    EXPECT_TRUE(trace_.Contains("Read C:0 B:0 Block:3 Page:1021 Status Fail - (28)\n"));

    // A buffer too small for every channel's page is refused before any read.
    std::vector<std::uint8_t> small(1023, 0);
    EXPECT_FALSE(bRM_ReadTablePages(kPort, 21, small, source));
    EXPECT_FALSE(bRM_ReadTablePages(kPort, AP_PAGE_MAP_COUNT - 1, buffer, source));
}

}  // namespace
}  // namespace remap_test
