#include "tables/rm_verify.h"

#include <gtest/gtest.h>

#include "remap_fixture.h"
#include "tables/page_format.h"

namespace remap_test {
namespace {

// A page of `size` bytes whose words from byte 16 are `words`.
std::vector<std::uint8_t> Page(std::initializer_list<std::uint16_t> words, std::size_t size = 4096) {
    std::vector<std::uint8_t> page(size, 0);
    std::size_t off = RM_HEADER_SIZE;
    for (std::uint16_t w : words) {
        tables::PutLe16(page.data() + off, w);
        off += 2;
    }
    return page;
}

class VerifyTest : public RemapTest {
  protected:
    VerifyTest() { ApplyGeometry(kSmall); }  // 64 units, 2 planes: 128 plane blocks
    std::unique_ptr<_VectorInfo> vi_ = std::make_unique<_VectorInfo>();
};

TEST_F(VerifyTest, RemapPageCases) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> page;
        bool expected;
        const char* line;
    };
    const Case cases[] = {
        {"distinct goods", Page({0xEBA0, 0, 0xEDE0, 0, 0xEAE0, 0, 10, 60, 11, 61, 0xEAE0, 1, 12, 60, 0xEED1, 2}), true,
         nullptr},
        {"collision", Page({0xEBA0, 1, 0xEAE0, 1, 10, 60, 11, 60, 0xEED1, 2}), false,
         "ReMap Collison! Ch 3, Bank 1, , Block 0x0079\n"},
        {"reserve pair names a used good", Page({0xEAE0, 0, 10, 60, 0xFFFF, 60, 0xFFFF, 0xFFFF, 0xEED1, 2}), true,
         nullptr},
        {"same good in two banks", Page({0xEBA0, 0, 0xEAE0, 0, 10, 60, 0xEBA0, 1, 0xEAE0, 0, 10, 60, 0xEED1, 2}), true,
         nullptr},
        {"good past the die", Page({0xEAE0, 1, 10, 64, 0xEED1, 2}), false,
         "RemapBlock over block unit number!! 0x0040 > 0x0080\n"},
        {"no end", Page({0xEAE0, 1, 10, 20}, 64), false, "no end of table"},
        {"bank past the counters", Page({0xEBA0, 9, 0xEAE0, 1, 10, 20, 0xEED1, 2}), false, "outside the table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trace_.Clear();
        EXPECT_EQ(bRM_VerifyRemapTable(kPort, 3, c.page, *vi_), c.expected);
        EXPECT_TRUE(trace_.Contains("\n===[5] Verify RMP TBL C3===\n"));
        if (c.line != nullptr) {
            EXPECT_TRUE(trace_.Contains(c.line)) << trace_.Text();
        }
    }
}

TEST_F(VerifyTest, VirtualPageCases) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> page;
        bool expected;
        const char* line;
    };
    const Case cases[] = {
        {"distinct", Page({0xABCD, 0, 20, 100, 21, 101, 0xFFFF, 100, 0xDCBA, 2}), true, nullptr},
        {"collision", Page({0xABCD, 1, 20, 100, 22, 100, 0xDCBA, 2}), false,
         "######### - VReMap Collison! Ch 0, Bank 1, Block 0x0064\n"},
        {"over", Page({0xABCD, 0, 20, 128, 0xDCBA, 2}), false, "######### - VRemapBlock over block number!!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trace_.Clear();
        EXPECT_EQ(bRM_VerifyVirtRemapTable(kPort, 0, c.page, *vi_), c.expected);
        if (c.line != nullptr) {
            EXPECT_TRUE(trace_.Contains(c.line)) << trace_.Text();
        }
    }
}

TEST_F(VerifyTest, CountersCoverDiesBeyondEightThousandPlaneBlocks) {
    ApplyGeometry({1, 1, 1, 4, 4000, 32});                               // 16,000 plane blocks per die
    const auto page = Page({0xEAE0, 3, 10, 3999, 11, 3999, 0xEED1, 1});  // index 15,999 twice
    EXPECT_FALSE(bRM_VerifyRemapTable(kPort, 0, page, *vi_));
    EXPECT_TRUE(trace_.Contains("ReMap Collison! Ch 0, Bank 0, , Block 0x3E7F\n"));
}

TEST_F(VerifyTest, SuperDieGoodsOfLunOneCountUnderTheirOwnBank) {
    ApplyGeometry(kSuperDie);  // 64 units, 4 planes, LUN 1 from 64, 1 bank
    // LUN 0 good 10 and LUN 1 good 10 (74) are different blocks; LUN 1 good 74 twice collides.
    EXPECT_TRUE(bRM_VerifyRemapTable(kPort, 0, Page({0xEBA0, 0, 0xEAE0, 0, 5, 10, 69, 74, 0xEED1, 2}), *vi_));
    EXPECT_FALSE(bRM_VerifyRemapTable(kPort, 0, Page({0xEBA0, 0, 0xEAE0, 0, 68, 74, 69, 74, 0xEED1, 2}), *vi_));
    EXPECT_TRUE(trace_.Contains("ReMap Collison! Ch 0, Bank 1, , Block 0x0028\n"));
    // Plane-block indexes: LUN 1 from 256.
    EXPECT_TRUE(bRM_VerifyVirtRemapTable(kPort, 0, Page({0xABCD, 0, 20, 40, 276, 296, 0xDCBA, 2}), *vi_));
    EXPECT_FALSE(bRM_VerifyVirtRemapTable(kPort, 0, Page({0xABCD, 0, 277, 296, 276, 296, 0xDCBA, 2}), *vi_));
}

TEST_F(VerifyTest, SuperDieWithExtendedBlocksSplitsAtTheEndOfTheDie) {
    // 64 units + 8 extended blocks (2 units with 4 planes); LUN 1 starts right after, at unit 66.
    ApplyGeometry({2, 1, 2, 4, 64, 32, true, 66, 8});
    // LUN 1 unit 2 is written as 68: a value between 64 + 2 and 64 + 8 still belongs to LUN 1.
    EXPECT_TRUE(bRM_VerifyRemapTable(kPort, 0, Page({0xEBA0, 0, 0xEAE0, 0, 67, 68, 0xEED1, 2}), *vi_));
    EXPECT_TRUE(bRM_VerifyVirtRemapTable(kPort, 0, Page({0xABCD, 0, 268, 272, 0xDCBA, 2}), *vi_));
}

}  // namespace
}  // namespace remap_test
