#include "tables/rdt_bad_blocks.h"

#include <gtest/gtest.h>

#include "remap_fixture.h"

namespace remap_test {
namespace {

// A "BB" page of `size` bytes with a stated count and (unit, bad planes) entries.
std::vector<std::uint8_t> BbPage(std::uint16_t count, std::vector<std::pair<std::uint16_t, std::uint16_t>> entries,
                                 std::size_t size = 512) {
    std::vector<std::uint8_t> page(size, 0);
    page[0] = 'B';
    page[1] = 'B';
    tables::PutLe16(page.data() + 2, count);
    for (std::size_t i = 0; i < entries.size() && 4 + 4 * i + 4 <= size; ++i) {
        tables::PutLe16(page.data() + 4 + 4 * i, entries[i].first);
        tables::PutLe16(page.data() + 6 + 4 * i, entries[i].second);
    }
    return page;
}

class RdtTest : public RemapTest {
  protected:
    RdtTest() { ApplyGeometry({2, 2, 2, 4, 1000, 1}); }  // 4 planes, CE indexes 0-3
    std::vector<std::uint32_t> Entries() {
        std::vector<std::uint32_t> out;
        for (std::uint32_t i = 0; i < list_.Count(); ++i) out.push_back(list_.Get(i));
        return out;
    }
    std::unique_ptr<_VectorInfo> vi_ = std::make_unique<_VectorInfo>();
    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(16384, 0);
    tables::GdpList list_{bytes_.data(), bytes_.size()};
};

TEST_F(RdtTest, PagesBecomeListEntriesWithTheResultBlock) {
    struct Case {
        const char* name;
        int ch, ce;
        std::uint16_t block;
        std::vector<std::uint8_t> page;
        std::vector<std::uint32_t> expected;
        std::uint32_t skipped;
    };
    const Case cases[] = {
        // Count 0: the result block itself (block 402 = unit 100, plane 2) is the only entry.
        {"count 0", 1, 3, 402, BbPage(0, {}), {0x232B0064u}, 0},
        {"entries then the result block",
         0,
         1,
         40,
         BbPage(2, {{0x20, 0x1}, {0x21, 0x6}}),
         {0x012E0020u, 0x01290021u, 0x012E000Au},
         0},
        // The result block's unit is already named: only its plane bit is cleared.
        {"result unit named", 0, 0, 0x81, BbPage(2, {{0x10, 0x8}, {0x20, 0x0}}), {0x00270010u, 0x002D0020u}, 0},
        // Malformed: the stated count exceeds the page; one unit outside the die.
        {"count past the page",
         0,
         0,
         8,
         BbPage(0xFFFF, {{0x30, 1}, {5000, 1}, {0x31, 2}}, 16),
         {0x002E0030u, 0x002D0031u, 0x002E0002u},
         1},
        // Unit 0 with no bad plane is dropped; with one it is kept.
        {"unit 0", 1, 0, 12, BbPage(2, {{0, 0}, {0, 4}}), {0x202B0000u, 0x202E0003u}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::fill(bytes_.begin(), bytes_.end(), 0);
        vi_->skippedEntries = 0;
        std::uint16_t count = 99;
        EXPECT_TRUE(RM_GetRDTBadBlocks(kPort, c.ch, c.ce, c.block, c.page, list_, 0, count, *vi_));
        EXPECT_EQ(Entries(), c.expected);
        EXPECT_EQ(count, c.expected.size());
        EXPECT_EQ(vi_->skippedEntries, c.skipped);
    }
}

TEST_F(RdtTest, PageWithoutTheMarkAddsNothing) {
    std::vector<std::uint8_t> page = BbPage(3, {{1, 1}});
    page[1] = 'X';
    std::uint16_t count = 7;
    EXPECT_FALSE(RM_GetRDTBadBlocks(kPort, 1, 2, 40, page, list_, 0, count, *vi_));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(list_.Count(), 0u);
    EXPECT_TRUE(trace_.Contains("C:1 B:2 RDT Count:7\n"));
}

TEST_F(RdtTest, LogLinesOfOneDie) {
    std::uint16_t count = 0;
    list_.Append(0x11111111);  // an earlier die's entry
    RM_GetRDTBadBlocks(kPort, 1, 2, 403, BbPage(1, {{0x44, 0x2}}), list_, 1, count, *vi_);
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(trace_.Contains("Found RDT BB at C:1 B:2 BLK:403 Page:0, CNT:01\n"));
    EXPECT_TRUE(trace_.Contains("C:1 B:2 BU:0044 GID:2D wPos=1\n"));
    EXPECT_TRUE(trace_.Contains("RDT BB BLK C:1 B:2 BU:0064 GID:27 REC:22270064 wPos:2\n"));
    EXPECT_TRUE(trace_.Contains("C:1 B:2 RDT Count:2\n"));
    EXPECT_EQ(Entries(), (std::vector<std::uint32_t>{0x11111111u, 0x222D0044u, 0x22270064u}));
}

TEST_F(RdtTest, PortResultBlockOnTheFirstDie) {
    AP_Instance[kPort].bRsltBlkFound = 1;
    AP_Instance[kPort].wRdtRsltBlk = 0x85;  // unit 0x21, plane 1
    std::uint16_t count = 0;
    // Unit 0x21 is on the page: its plane 1 is cleared, nothing is appended.
    RM_GetRDTBadBlocks(kPort, 0, 0, 8, BbPage(1, {{0x21, 0x1}}), list_, 0, count, *vi_);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Entries(), (std::vector<std::uint32_t>{0x002C0021u, 0x002E0002u}));
    EXPECT_TRUE(trace_.Contains("RSLT Update C:0 B:0 REC:002C0021\n"));

    // Not on the page: appended, and counted.
    std::fill(bytes_.begin(), bytes_.end(), 0);
    RM_GetRDTBadBlocks(kPort, 0, 0, 8, BbPage(0, {}), list_, 0, count, *vi_);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Entries(), (std::vector<std::uint32_t>{0x002E0002u, 0x002D0021u}));
    EXPECT_TRUE(trace_.Contains("RSLT C:0 B:0 BU:0021 GID:2D\n"));

    // Other dies, or a block the worker found itself, leave it out.
    std::fill(bytes_.begin(), bytes_.end(), 0);
    RM_GetRDTBadBlocks(kPort, 1, 0, 8, BbPage(0, {}), list_, 0, count, *vi_);
    EXPECT_EQ(count, 1);
    AP_Instance[kPort].bRsltBlkFromWorker = 1;
    std::fill(bytes_.begin(), bytes_.end(), 0);
    RM_GetRDTBadBlocks(kPort, 0, 0, 8, BbPage(0, {}), list_, 0, count, *vi_);
    EXPECT_EQ(count, 1);
}

TEST_F(RdtTest, FullListStopsWithoutWritingPastIt) {
    std::vector<std::uint8_t> small(16, 0);  // room for 3 entries and the terminator
    tables::GdpList list(small.data(), small.size());
    std::uint16_t count = 0;
    RM_GetRDTBadBlocks(kPort, 0, 0, 8, BbPage(5, {{10, 1}, {11, 1}, {12, 1}, {13, 1}, {14, 1}}), list, 0, count, *vi_);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(tables::GetLe32(small.data() + 12), 0u);
}

}  // namespace
}  // namespace remap_test
