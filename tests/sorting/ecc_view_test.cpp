// The ECC page's logic without a window: slots, summary values, counts and their lines, grid texts
// and the colour rule.
#include "sorting/ecc_view.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace sorting {
namespace {

using Counts = std::array<std::uint16_t, kEccBins>;

TEST(EccView, BlocksPerLunAndDieSlot) {
    EXPECT_EQ(EccBlocksPerLun(2048, 2), 1024);
    EXPECT_EQ(EccBlocksPerLun(1000, 1), 1000);
    EXPECT_EQ(EccBlocksPerLun(1000, 0), 0);  // no geometry: no division by zero
    // Channel 0, bank 1, LUN 1 with two banks: FW bank 3, four channels.
    EXPECT_EQ(EccDieSlot(0, 1 * 2 + 1, 4), 12);
    EXPECT_EQ(EccDieSlot(7, 7, 8), 63);
    EXPECT_EQ(EccDieSlot(3, 8, 8), 67);    // past the tables: shown empty by the page
    EXPECT_EQ(EccDieSlot(7, 40, 8), 255);  // 327 does not wrap onto slot 71 − 256
    EXPECT_EQ(EccDieSlot(255, 255, 255), 255);
}

TEST(EccView, MaxErrorBitIgnores255AndMostFrequentTakesTheLowerValue) {
    const std::vector<std::uint8_t> values{3, 255, 97, 0, 250, 255};
    EXPECT_EQ(EccMaxErrorBit(values), 250);
    EXPECT_EQ(EccMaxErrorBit(std::vector<std::uint8_t>{255, 0, 255}), 0);
    EXPECT_EQ(EccMaxErrorBit({}), 0);

    Counts counts{};
    EXPECT_EQ(EccMostFrequentValue(counts), 0);
    counts[9] = 5;
    counts[200] = 5;
    counts[3] = 4;
    EXPECT_EQ(EccMostFrequentValue(counts), 9);
    counts[255] = 6;
    EXPECT_EQ(EccMostFrequentValue(counts), 255);
}

TEST(EccView, GridBlocksCopyAtMostTheDieAndTheBuffer) {
    std::vector<std::uint8_t> die(kEccBins * 40, 7);
    std::array<std::uint8_t, 8192> grid{};
    FillEccGridBlocks(grid, die, 1000);
    EXPECT_EQ(grid[999], 7);
    EXPECT_EQ(grid[1000], kEccEmptyMarker);
    EXPECT_EQ(grid[8191], kEccEmptyMarker);

    std::vector<std::uint8_t> full(8192, 9);
    FillEccGridBlocks(grid, full, 65535);  // B above the table row: 8,192 values, no more
    EXPECT_EQ(grid[8191], 9);
    FillEccGridBlocks(grid, full, 0);
    EXPECT_EQ(grid[0], kEccEmptyMarker);
}

TEST(EccView, CountsAndPercentages) {
    Counts counts{};
    counts[0] = 10;
    counts[4] = 1;
    counts[5] = 2;
    counts[101] = 2;
    counts[255] = 1;
    struct Case {
        EccCompare compare;
        std::uint8_t value;
        std::uint16_t blocks;
        EccCount expected;
    };
    const Case cases[] = {
        {EccCompare::Greater, 100, 1024, {3, 0}},  // 255 is counted above every value below it
        {EccCompare::Greater, 254, 1024, {1, 0}}, {EccCompare::Greater, 255, 1024, {0, 0}},
        {EccCompare::Less, 5, 11, {11, 100}},     {EccCompare::Less, 0, 1024, {0, 0}},
        {EccCompare::Equal, 5, 20, {2, 10}},      {EccCompare::Equal, 255, 3, {1, 33}},
        {EccCompare::Greater, 0, 0, {6, 0}},  // B = 0: no division
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EccCountBlocks(counts, c.compare, c.value, c.blocks), c.expected)
            << static_cast<int>(c.compare) << " " << int{c.value};
    }
    Counts hundred{};
    hundred[200] = 100;
    EXPECT_EQ(EccCountBlocks(hundred, EccCompare::Greater, 100, 1000), (EccCount{100, 10}));
    Counts full;
    full.fill(65535);  // 16,776,960 blocks: no 16-bit wrap
    EXPECT_EQ(EccCountBlocks(full, EccCompare::Less, 255, 1), (EccCount{255u * 65535u, 255u * 65535u * 100u}));
}

TEST(EccView, CountLines) {
    EXPECT_EQ(EccCountLine(EccCompare::Greater, 0, 1, 0, 100, {3, 0}),
              "ChNo 0 ,BankNo 1, lun 0, Greater then Error Bit(0x64) have 3 block, 0.00000%  ");
    EXPECT_EQ(EccCountLine(EccCompare::Less, 2, 3, 1, 0x2C, {100, 10}),
              "ChNo 2 ,BankNo 3, lun 1,Less then Error Bit(0x2C) have 100 block, 10.00000%  ");
    EXPECT_EQ(EccCountLine(EccCompare::Equal, -1, 0, 0, 255, {0, 0}),
              "ChNo -1 ,BankNo 0, lun 0,Equal to Error Bit(0xFF) have 0 block, 0.00000%  ");
}

TEST(EccView, GridTexts) {
    EXPECT_EQ(EccBlockGridRows(1024), 66);
    EXPECT_EQ(EccBlockGridRows(1000), 64);
    EXPECT_EQ(EccBlockGridRows(0), 2);
    EXPECT_EQ(EccBlockGridRows(65535), 4097);
    EXPECT_EQ(EccBlockRowLabel(1), "0x000000");
    EXPECT_EQ(EccBlockRowLabel(65), "0x000400");
    EXPECT_EQ(EccCountRowLabel(1), "00");
    EXPECT_EQ(EccCountRowLabel(16), "F0");
    EXPECT_EQ(EccColumnHeader(1), "0");
    EXPECT_EQ(EccColumnHeader(16), "F");
}

TEST(EccView, CellColours) {
    const EccCellLook plain{kEccBlack, std::nullopt, 2};
    const EccCellLook red{kEccWhite, kEccRed, 2};
    const EccCellLook yellow{kEccBlack, kEccYellow, 2};
    struct Case {
        EccGridKind grid;
        const char* text;
        std::uint8_t threshold;
        EccCellLook expected;
    };
    const Case cases[] = {
        {EccGridKind::Blocks, "100", 100, plain},
        {EccGridKind::Blocks, "101", 100, red},
        {EccGridKind::Blocks, "250", 100, yellow},
        {EccGridKind::Blocks, "250", 255, yellow},
        {EccGridKind::Blocks, "250", 0, yellow},
        {EccGridKind::Blocks, "255", 254, red},
        {EccGridKind::Blocks, "0", 0, plain},
        {EccGridKind::Blocks, "357", 100, red},  // its low byte, 101
        {EccGridKind::Blocks, "", 0, plain},
        {EccGridKind::Counts, "0", 100, {kEccSilver, kEccSilver, 1}},
        {EccGridKind::Counts, "256", 100, {kEccBlack, std::nullopt, 1}},
        {EccGridKind::Counts, "512", 100, {kEccBlack, std::nullopt, 1}},
        {EccGridKind::Counts, "1", 0, {kEccBlack, std::nullopt, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EccCellColours(c.grid, c.text, c.threshold), c.expected) << c.text << " " << int{c.threshold};
    }
}

}  // namespace
}  // namespace sorting
