#include "emu/formatted_drive.h"

#include <gtest/gtest.h>

#include <vector>

#include "emu/flash_table_pages.h"

namespace {

// The defect page of channel 1 lists each factory-bad unit with the group code of its bad planes.
TEST(FormattedDrive, DefectRecordsCarryTheGroupCodeOfTheBadPlanes) {
    struct Case {
        int planes;
        std::vector<int> badBlocks;       // on channel 1, CE 0
        std::vector<std::uint8_t> codes;  // of the records after the first CE record, in unit order
    };
    const Case cases[] = {
        {4, {100, 102}, {0x0A}},  // unit 25: planes 1 and 3 good
        {4, {401}, {0x0D}},       // unit 100: plane 1 bad
        {2, {6}, {1}},            // unit 3: plane 0 bad
        {2, {7}, {0}},            // plane 1 bad
        {2, {6, 7, 21}, {2, 0}},  // both planes of unit 3; plane 1 of unit 10
        {1, {9}, {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.planes << " planes, first bad block " << c.badBlocks.front());
        emu::FlashGeometry g;
        g.channels = 2;
        g.ces = 1;
        g.blocks = 512;
        g.pages = 128;
        g.pageSectors = 8;
        g.planes = c.planes;
        emu::NandModel nand(g);
        for (int b : c.badBlocks) nand.MarkFactoryBad(1, 0, 0, b);
        ASSERT_TRUE(emu::WriteFormattedDrive(nand, {"SN", "MODEL", "REV"}));
        const auto page = nand.Peek({1, 0, 0, 0, 5 + 1});
        ASSERT_TRUE(page);
        ASSERT_TRUE(emu::HasTableHeader(*page, emu::TableKind::Defect));
        std::vector<std::uint8_t> codes;
        for (std::size_t at = 20; at + 4 <= page->size() && (*page)[at] != 0xFE; at += 4)
            codes.push_back((*page)[at + 2]);
        EXPECT_EQ(codes, c.codes);
    }
}

}  // namespace
