#include "emu/gdp_result_blocks.h"

#include <gtest/gtest.h>

#include "emu/poison.h"
#include "emu/wire_bytes.h"
#include "init_block.h"
#include "program_bench.h"
#include "support/page_planting.h"

namespace {

using emu::Program;
using emu_test::ProgramBench;
using test_support::FlashBlock;
using test_support::PlantResultBlock;
using test_support::ResultBlockPlan;
using Bytes = std::vector<std::uint8_t>;
using Table = std::array<std::array<std::uint16_t, 8>, 8>;

// 2 channels of 3 CEs of 2 LUNs, 64 blocks of 4 planes (16 units).
emu::ProgramSetup Flash() {
    emu::ProgramSetup s;
    s.geometry = {.channels = 2, .ces = 3, .luns = 2, .blocks = 64, .pages = 32, .pageSectors = 2, .planes = 4};
    return s;
}

struct ResultBlocks : ProgramBench {
    ResultBlocks() : ProgramBench(Flash()) {
        core.Start(Program::Diagnostic);
        // Every die takes part; LDPC rate 3.
        Bytes init = emu_test::InitBlock(programs.nand->Geometry(), 3, {{3, 3, 3}, {3, 3, 3}});
        EXPECT_TRUE(Run(0x11, {}, init).Ok());
    }
    bool Plant(int ch, int ce, int lun, int block, std::uint8_t rate = 3, std::uint8_t scramble = 1) {
        return PlantResultBlock(*programs.nand, {ch, ce, lun, block}, ResultBlockPlan{}, rate, scramble);
    }
    // Scans with `range` until done and reads the table.
    Table ScanAndFetch(std::uint8_t range, int* busy = nullptr) {
        EXPECT_TRUE(Run(0x47, {range, 1}).Ok());
        int polls = 0;
        for (auto s = Status(); s.first == 0xAA; s = Status()) ++polls;
        if (busy != nullptr) *busy = polls;
        Bytes reply(512);
        EXPECT_TRUE(Run(0x48, {}, reply, true).Ok());
        EXPECT_TRUE(emu::IsPoison(std::span(reply).subspan(128)));
        Table t{};
        for (std::size_t ch = 0; ch < 8; ++ch) {
            for (std::size_t b = 0; b < 8; ++b) t[ch][b] = emu::wire::GetLe16(reply.data() + 2 * (8 * ch + b));
        }
        return t;
    }
};

TEST(GdpResultBlocks, TheScanFindsEachDiesResultBlockFromItsLastUnitDown) {
    ResultBlocks r;
    ASSERT_TRUE(r.Plant(0, 0, 0, 63));
    ASSERT_TRUE(r.Plant(0, 2, 1, 58));  // unit 14, plane 2
    ASSERT_TRUE(r.Plant(1, 1, 0, 61));  // found before block 40 below it
    ASSERT_TRUE(r.Plant(1, 1, 0, 40));
    ASSERT_TRUE(r.Plant(1, 0, 1, 20));        // unit 5: outside a range of 10 units
    ASSERT_TRUE(r.Plant(1, 2, 0, 62, 1));     // another rate: does not decode
    ASSERT_TRUE(r.Plant(0, 1, 0, 60, 3, 0));  // scrambler off
    int busy = 0;
    Table expected{};
    expected[0][0] = 63;
    expected[0][1 * 3 + 2] = 58;  // FW bank = LUN x 3 banks + CE
    expected[1][1] = 61;
    EXPECT_EQ(r.ScanAndFetch(10, &busy), expected);
    EXPECT_EQ(busy, 2);

    expected[1][1 * 3 + 0] = 20;
    EXPECT_EQ(r.ScanAndFetch(0), expected) << "range 0 searches every unit";
    EXPECT_EQ(r.programs.resultBlocks->Runs(), (std::vector<emu::ResultScanRun>{{10, 1}, {0, 1}}));
}

TEST(GdpResultBlocks, OnlyTheDiesOfTheDieMapAreSearched) {
    ResultBlocks r;
    ASSERT_TRUE(r.Plant(0, 0, 0, 63));
    ASSERT_TRUE(r.Plant(1, 2, 1, 63));
    // Channel 1 CE 2 only has LUN 0 in this die map; the bank count is 3.
    Bytes init = emu_test::InitBlock(r.programs.nand->Geometry(), 3, {{1, 0, 0}, {0, 0, 1}});
    ASSERT_TRUE(r.Run(0x11, {}, init).Ok());
    Table expected{};
    expected[0][0] = 63;
    EXPECT_EQ(r.ScanAndFetch(0), expected);

    // A result block page 2 without "SORT" is no result block.
    ResultBlockPlan noMark;
    noMark.markPage = false;
    ASSERT_TRUE(PlantResultBlock(*r.programs.nand, {0, 0, 0, 61}, noMark, 3, 1));
    EXPECT_EQ(r.ScanAndFetch(0)[0][0], 63);
}

}  // namespace
