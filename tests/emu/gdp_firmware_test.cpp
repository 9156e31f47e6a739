#include "emu/gdp_firmware.h"

#include <gtest/gtest.h>

#include "emu/poison.h"
#include "platform/cancel.h"
#include "platform/clock.h"
#include "program_bench.h"

namespace {

using emu::NandResult;
using emu::Program;
using emu_test::PageParams;
using emu_test::ProgramBench;
using Bytes = std::vector<std::uint8_t>;

emu::ProgramSetup TwoLuns() {
    emu::ProgramSetup s;
    s.geometry = {.channels = 4, .ces = 2, .luns = 2, .blocks = 16, .pages = 128, .pageSectors = 8, .planes = 4};
    return s;
}

struct Gdp : ProgramBench {
    explicit Gdp(const emu::ProgramSetup& s = TwoLuns()) : ProgramBench(s) { core.Start(Program::Diagnostic); }
};

Bytes Page(std::uint8_t seed, std::size_t n = 4096) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed ^ (i * 13));
    return b;
}

TEST(GdpFirmware, CommandsBelongToTheDiagnosticProgramOnly) {
    ProgramBench loader(TwoLuns());
    EXPECT_EQ(loader.Run(0x8B, PageParams(0, 0, 1, 0)), emu::nvme_status::kInvalidOpcode);
    loader.core.Start(Program::Diagnostic);
    EXPECT_TRUE(loader.Run(0x8B, PageParams(0, 0, 1, 0)).Ok());
}

TEST(GdpFirmware, StatusIsBusyForTheConfiguredPollsThenRepeatsTheResult) {
    emu::ProgramSetup s = TwoLuns();
    s.gdp.busyPolls = 2;
    Gdp g(s);
    ASSERT_TRUE(g.Run(0x8B, PageParams(0, 0, 1, 0)).Ok());
    EXPECT_EQ(g.Status(), std::make_pair(0xAA, 0));
    EXPECT_EQ(g.Status(), std::make_pair(0xAA, 0));
    EXPECT_EQ(g.Status(), std::make_pair(0x55, 1)) << "byte 0 is non-zero once the command is done";
    EXPECT_EQ(g.Status(), std::make_pair(0x55, 1)) << "a second fetch repeats the result";

    g.programs.gdp->SetBusyForever(true);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.Status().first, 0xAA);
}

TEST(GdpFirmware, PagesGoToTheCeAndLunOfTheBankNibbles) {
    Gdp g;
    Bytes page = Page(0x31);
    ASSERT_TRUE(g.Run(0x8A, PageParams(3, 0x11, 7, 42, 2, 1, 2), page).Ok());
    EXPECT_EQ(g.Status().second, 1);
    EXPECT_EQ(g.programs.nand->Peek({3, 1, 1, 7, 42}), page);

    Bytes back(4096);
    // The host's inherit flag (bit 7 of the rate byte) is not part of the rate.
    ASSERT_TRUE(g.Run(0x89, PageParams(3, 0x11, 7, 42, 0x82, 1, 2), back, true).Ok());
    EXPECT_EQ(g.Status().second, 1);
    EXPECT_EQ(back, page);

    ASSERT_TRUE(g.Run(0x8A, PageParams(3, 0x11, 7, 42, 2, 1, 2), page).Ok());
    EXPECT_EQ(g.Status().second, static_cast<int>(NandResult::NotErased));
}

TEST(GdpFirmware, ReadEmptyAndUncorrectableCodes) {
    Gdp g;
    Bytes back(4096);
    ASSERT_TRUE(g.Run(0x89, PageParams(0, 0, 2, 5), back, true).Ok());
    EXPECT_EQ(g.Status().second, 28);
    EXPECT_TRUE(std::all_of(back.begin(), back.end(), [](std::uint8_t b) { return b == 0xFF; }));

    Bytes page = Page(7);
    ASSERT_TRUE(g.Run(0x8A, PageParams(0, 0, 2, 5), page).Ok());
    g.programs.nand->InjectUncorrectable({0, 0, 0, 2, 5});
    ASSERT_TRUE(g.Run(0x89, PageParams(0, 0, 2, 5), back, true).Ok());
    EXPECT_EQ(g.Status().second, 29);
    EXPECT_TRUE(emu::IsPoison(back)) << "nothing of an undecodable page reaches the host";

    ASSERT_TRUE(g.Run(0x89, PageParams(4, 0, 2, 5), back, true).Ok());
    EXPECT_EQ(g.Status().second, static_cast<int>(NandResult::BadAddress));
}

TEST(GdpFirmware, EraseOfEveryChannelAndBank) {
    Gdp g;
    ASSERT_TRUE(g.Run(0x8B, {0xFF, 0xFF, 0, 9, 1, 1}).Ok());
    EXPECT_EQ(g.Status().second, 1);
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            for (int lun = 0; lun < 2; ++lun) EXPECT_EQ(g.programs.nand->EraseCount(ch, ce, lun, 9), 1u);
        }
    }
    ASSERT_TRUE(g.Run(0x8B, {2, 0x10, 0, 9, 1, 1}).Ok());
    EXPECT_EQ(g.programs.nand->EraseCount(2, 0, 1, 9), 2u);
    EXPECT_EQ(g.programs.nand->EraseCount(2, 0, 0, 9), 1u);

    g.programs.nand->InjectEraseFailure(1, 1, 0, 9);
    ASSERT_TRUE(g.Run(0x8B, {0xFF, 0xFF, 0, 9, 1, 1}).Ok());
    EXPECT_EQ(g.Status().second, static_cast<int>(NandResult::EraseFailed));
}

// Byte 8 = 0 names a block unit: the block of every plane goes (4 planes: unit 2 is blocks 8-11);
// a unit past the flash is a bad address.
TEST(GdpFirmware, MultiPlaneEraseTakesTheBlocksOfTheUnit) {
    Gdp g;
    ASSERT_TRUE(g.Run(0x8B, {1, 0x01, 0, 2, 0, 0}).Ok());
    EXPECT_EQ(g.Status().second, 1);
    for (int b = 0; b < 16; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(g.programs.nand->EraseCount(1, 1, 0, b), b >= 8 && b < 12 ? 1u : 0u);
    }
    EXPECT_EQ(g.programs.nand->EraseCount(1, 1, 1, 9), 0u) << "bank 0x01 is CE 1 of LUN 0 only";
    ASSERT_TRUE(g.Run(0x8B, {1, 0x01, 0, 4, 0, 0}).Ok());
    EXPECT_EQ(g.Status().second, static_cast<int>(NandResult::BadAddress));
}

// The dies and planes work at once: an interleaved write to 16 dies and an erase of a 4-plane
// unit on every die each take one operation time.
TEST(GdpFirmware, ParallelOperationsTakeOneOperationTime) {
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    emu::ProgramSetup s = TwoLuns();
    s.latency = {.readUs = 60, .programUs = 600, .eraseUs = 3500};
    Gdp g(s);
    Bytes page = Page(0x11);
    ASSERT_TRUE(g.Run(0x4C, PageParams(0, 0, 1, 0), page).Ok());
    EXPECT_EQ(g.programs.nand->Latency().TotalUs(), 600u);
    EXPECT_EQ(g.programs.nand->Counts().pagesProgrammed, 16u);
    ASSERT_TRUE(g.Run(0x8B, {0xFF, 0xFF, 0, 1, 0, 0}).Ok());
    EXPECT_EQ(g.programs.nand->Latency().TotalUs(), 4100u);
    EXPECT_EQ(g.programs.nand->Counts().blocksErased, 64u);
    EXPECT_EQ(clock.NowMs(), 4u);
}

TEST(GdpFirmware, InterleavedWriteFollowsTheLoaderBlockMap) {
    Gdp g;
    Bytes page = Page(0x5C);
    // Without a map: the same block on every die.
    ASSERT_TRUE(g.Run(0x4C, PageParams(0, 0, 1, 0), page).Ok());
    EXPECT_EQ(g.Status().second, 1);
    EXPECT_EQ(g.programs.nand->Peek({3, 1, 1, 1, 0}), page);

    // Die (0,0) keeps blocks 1 and 3, die (1,0) blocks 0 and 2, die (2,1) blocks 2 and 3: copy 1
    // (block 3 of the first die) goes to block 2, block 3 and block 3.
    Bytes map(512, 0);
    map[0] = 0b1010;
    map[4 * 1 + 0] = 0b0101;
    map[4 * 2 + 1] = 0b1100;
    ASSERT_TRUE(g.Run(0x4D, {}, map).Ok());
    ASSERT_TRUE(g.Run(0x4C, PageParams(0, 0, 3, 4), page).Ok());
    EXPECT_EQ(g.Status().second, 1);
    EXPECT_EQ(g.programs.nand->Peek({0, 0, 0, 3, 4}), page);
    EXPECT_EQ(g.programs.nand->Peek({1, 0, 1, 2, 4}), page);
    EXPECT_EQ(g.programs.nand->Peek({2, 1, 0, 3, 4}), page);
    EXPECT_FALSE(g.programs.nand->Peek({3, 0, 0, 3, 4}).has_value()) << "a die without loader blocks";
}

TEST(GdpFirmware, FlashIdAndInitBlock) {
    Gdp g;
    Bytes id(512);
    ASSERT_TRUE(g.Run(0x88, {1, 1}, id, true).Ok());
    EXPECT_EQ(Bytes(id.begin(), id.begin() + 6), Bytes({0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00}));
    EXPECT_TRUE(std::all_of(id.begin() + 6, id.end(), [](std::uint8_t b) { return b == 0; }));
    ASSERT_TRUE(g.Run(0x88, {1, 2}, id, true).Ok());
    EXPECT_TRUE(std::all_of(id.begin(), id.end(), [](std::uint8_t b) { return b == 0; })) << "no such CE";

    // An init block describing this flash: 16 blocks of 128 pages of 4 KB, 2 LUNs, 4 planes,
    // 4 channels of 2 CEs; no die lists.
    Bytes init(1024, 0);
    init[2] = 32;  // blocks per CE: 16 per LUN
    init[4] = 128;
    init[6] = 4;
    init[8] = 2;
    init[9] = 4;
    init[12] = 4;
    init[13] = 2;
    std::fill(init.begin() + 720, init.begin() + 912, 0xFF);
    ASSERT_TRUE(g.Run(0x11, {}, init).Ok());
    EXPECT_EQ(g.Status().second, 1);
    EXPECT_EQ(g.programs.gdp->InitBlock(), init);
    EXPECT_EQ(g.programs.gdp->InitProblem(), "");

    init[13] = 3;  // more banks than the flash has
    ASSERT_TRUE(g.Run(0x11, {}, init).Ok());
    EXPECT_EQ(g.Status().second, static_cast<int>(NandResult::InitMismatch));
    EXPECT_NE(g.programs.gdp->InitProblem(), "");
    EXPECT_EQ(g.programs.gdp->InitCount(), 2);
}


// A program's time is taken before the page changes: a drive stopped during it (its host's token
// cancelled) leaves the page unwritten, for the single and the interleaved write alike.
TEST(GdpFirmware, StoppedDuringAProgramTimeLeavesThePageUnwritten) {
    for (const std::uint8_t code : {emu::gdp_code::kPageWrite, emu::gdp_code::kPageWriteInterleave}) {
        platform::VirtualClock clock(0);
        platform::ScopedClock scoped(clock);
        emu::ProgramSetup s = TwoLuns();
        s.latency.programUs = 5000;
        Gdp g(s);
        Bytes page = Page(0x5A);
        auto token = std::make_shared<platform::CancelToken>();
        token->Cancel();
        {
            platform::ScopedCancelToken cancelled(token);
            EXPECT_THROW(g.Run(code, PageParams(1, 0x00, 3, 7, 2, 1, 2), page), platform::Cancelled) << int(code);
        }
        EXPECT_FALSE(g.programs.nand->Peek({1, 0, 0, 3, 7})) << int(code);
        EXPECT_EQ(g.programs.nand->Counts().pagesProgrammed, 0u) << int(code);
        // Not stopped, the same command writes it.
        ASSERT_TRUE(g.Run(code, PageParams(1, 0x00, 3, 7, 2, 1, 2), page).Ok()) << int(code);
        EXPECT_EQ(g.programs.nand->Peek({1, 0, 0, 3, 7}), page) << int(code);
    }
}

}  // namespace
