#include "emu/gdp_code_blocks.h"

#include <gtest/gtest.h>

#include "init_block.h"
#include "program_bench.h"

namespace {

using emu::Program;
using emu_test::ProgramBench;
using Bytes = std::vector<std::uint8_t>;

// 3 channels of 2 CEs of 2 LUNs, 16 blocks.
emu::ProgramSetup Flash() {
    emu::ProgramSetup s;
    s.geometry = {.channels = 3, .ces = 2, .luns = 2, .blocks = 16, .pages = 128, .pageSectors = 8, .planes = 2};
    s.badBlocks = {{0, 0, 0, 0}, {0, 0, 0, 2}, {1, 1, 1, 3}};
    s.eraseFail = {{2, 0, 0, 1}};
    s.programFail = {{2, 1, 0, 0, -1}, {2, 1, 1, 2, 77}, {1, 0, 0, 9, -1}};
    return s;
}

struct CodeBlocks : ProgramBench {
    CodeBlocks() : ProgramBench(Flash()) { core.Start(Program::Diagnostic); }
    Bytes Map() {
        Bytes map(512);
        EXPECT_TRUE(Run(0x07, {}, map, true).Ok());
        return map;
    }
};

TEST(GdpCodeBlocks, PreCheckMapsTheBlocksThatCanHoldALoaderOnEveryDieOfTheDieMap) {
    CodeBlocks c;
    EXPECT_EQ(c.Map(), Bytes(512, 0)) << "nothing before the first pre-check";

    // No init block yet: every die of the flash.
    ASSERT_TRUE(c.Run(0x3A, {7, 0}).Ok());
    EXPECT_EQ(c.Status(), std::make_pair(0xAA, 0));
    EXPECT_EQ(c.Status(), std::make_pair(0xAA, 0));
    EXPECT_EQ(c.Status(), std::make_pair(0x55, 1));
    Bytes expected(512, 0);
    expected[0] = 0b1010;  // blocks 0 and 2 factory bad
    expected[1] = 0b1111;
    expected[4] = 0b1111;  // block 9 is no candidate
    expected[5] = 0b0111;  // block 3 bad on LUN 1
    expected[8] = 0b1101;  // erase of block 1 fails
    expected[9] = 0b1010;  // program of block 0 fails, a page of block 2 on LUN 1 too
    EXPECT_EQ(c.Map(), expected);

    // The init block names only LUN 0 of channel 0 CE 0, LUN 1 of channel 1 CE 1, and channel 2 CE 1.
    Bytes init = emu_test::InitBlock(c.programs.nand->Geometry(), 2, {{1, 0}, {0, 2}, {0, 3}});
    ASSERT_TRUE(c.Run(0x11, {}, init).Ok());
    c.programs.codeBlocks->SetBusyPolls(0);
    ASSERT_TRUE(c.Run(0x3A, {0, 5}).Ok());
    EXPECT_EQ(c.Status(), std::make_pair(0x55, 1));
    expected.assign(512, 0);
    expected[0] = 0b1010;
    expected[5] = 0b0111;
    expected[9] = 0b1010;
    EXPECT_EQ(c.Map(), expected);
    EXPECT_EQ(c.programs.codeBlocks->Runs(), (std::vector<emu::PreCheckRun>{{7, 0}, {0, 5}}));
}

}  // namespace
