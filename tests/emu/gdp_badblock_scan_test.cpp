#include "emu/gdp_badblock_scan.h"

#include <gtest/gtest.h>

#include "emu/wire_bytes.h"
#include "platform/cancel.h"
#include "platform/clock.h"
#include "program_bench.h"

namespace {

using emu::Program;
using emu_test::ProgramBench;
using Bytes = std::vector<std::uint8_t>;

// 2 channels of 2 CEs of 2 LUNs, 64 blocks of 4 planes (16 units).
emu::ProgramSetup Flash() {
    emu::ProgramSetup s;
    s.geometry = {.channels = 2, .ces = 2, .luns = 2, .blocks = 64, .pages = 16, .pageSectors = 1, .planes = 4};
    s.badBlocks = {{1, 1, 1, 9}, {0, 0, 0, 6}, {1, 1, 1, 11}, {0, 1, 0, 63}};
    return s;
}

struct Scanner : ProgramBench {
    explicit Scanner(const emu::ProgramSetup& s = Flash()) : ProgramBench(s) { core.Start(Program::Diagnostic); }
    // Scans with `mode`, polls until the firmware is done, and fetches the list.
    std::vector<std::uint32_t> ScanAndFetch(std::uint8_t mode, int* busy = nullptr) {
        EXPECT_TRUE(Run(0x02, {mode}).Ok());
        int polls = 0;
        for (auto s = Status(); s.first == 0xAA; s = Status()) ++polls;
        EXPECT_EQ(Status().second, 1);
        if (busy != nullptr) *busy = polls;
        Bytes data(16384);
        EXPECT_TRUE(Run(0x31, {}, data, true).Ok());
        std::vector<std::uint32_t> out;
        for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
            const std::uint32_t e = emu::wire::GetLe32(data.data() + i);
            if (e == 0) {
                for (std::size_t j = i; j < data.size(); ++j) EXPECT_EQ(data[j], 0) << "byte " << j;
                break;
            }
            out.push_back(e);
        }
        return out;
    }
};

TEST(GdpBadBlockScan, ListsTheFactoryBadBlocksOneEntryPerUnit) {
    Scanner s;
    int busy = 0;
    const auto list = s.ScanAndFetch(0x08, &busy);
    EXPECT_EQ(busy, 2);
    // Channel 0 CE 0 unit 1 plane 2; channel 0 CE 1 unit 15 plane 3; channel 1 CE 1 LUN 1 unit 2
    // planes 1 and 3.
    EXPECT_EQ(list, (std::vector<std::uint32_t>{0x000B0001u, 0x0107000Fu, 0x29050002u}));
    EXPECT_EQ(s.programs.scan->LastMode(), 0x08);
}

TEST(GdpBadBlockScan, InheritingModesFoldInTheListInRam) {
    Scanner s;
    Bytes inherit(16384, 0);
    const std::uint32_t entries[] = {
        0x002D0001u,  // channel 0 CE 0 unit 1 plane 1, from a table: merges with the factory entry
        0x21470005u,  // channel 1 CE 1 unit 5 plane 3, later bad
        0xE1070005u,  // channel 7: outside the flash, dropped
        0x21070040u,  // unit 64: outside the flash, dropped
    };
    for (std::size_t i = 0; i < std::size(entries); ++i) emu::wire::PutLe32(inherit.data() + 4 * i, entries[i]);
    ASSERT_TRUE(s.core.Ram().Write(emu::kInheritListAddress, inherit));

    EXPECT_EQ(s.ScanAndFetch(0x08).size(), 3u) << "a factory scan ignores the inherited list";
    const auto list = s.ScanAndFetch(0x04);
    EXPECT_EQ(list, (std::vector<std::uint32_t>{0x00290001u, 0x0107000Fu, 0x21470005u, 0x29050002u}));
    EXPECT_EQ(s.ScanAndFetch(0x20).size(), 4u);
}

TEST(GdpBadBlockScan, RamNeverWrittenAddsNothing) {
    Scanner s;
    EXPECT_EQ(s.ScanAndFetch(0x04).size(), 3u);
}

TEST(GdpBadBlockScan, ListStopsAtItsBoundAndTheTransfer) {
    emu::ProgramSetup setup = Flash();
    setup.geometry.blocks = 4096;
    setup.geometry.planes = 1;
    setup.badBlocks.clear();
    for (int b = 0; b < 4096; ++b) setup.badBlocks.push_back({0, 0, 0, b});
    for (int b = 0; b < 8; ++b) setup.badBlocks.push_back({1, 0, 0, b});
    Scanner s(setup);
    const auto list = s.ScanAndFetch(0);
    ASSERT_EQ(list.size(), 4095u);
    EXPECT_EQ(list[0], 0x00100000u) << "unit 0 of the first die, all bad, keeps bit 20";
    Bytes small(64, 0xA5);
    ASSERT_TRUE(s.Run(0x31, {}, small, true).Ok());
    EXPECT_EQ(emu::wire::GetLe32(small.data() + 60), 0u);
}

TEST(GdpBadBlockScan, EraseSearchErasesEveryGoodBlockAndListsTheOnesThatFail) {
    emu::ProgramSetup setup = Flash();
    setup.eraseFail = {{0, 1, 1, 20}, {1, 0, 0, 6}};
    Scanner s(setup);
    std::vector<std::uint8_t> page(512, 0x3C);
    ASSERT_TRUE(s.programs.nand->Program({0, 0, 1, 33, 4}, page, 1, 1) == emu::NandResult::Ok);

    EXPECT_EQ(s.ScanAndFetch(0x08).size(), 3u) << "without the mode bit nothing is erased";
    EXPECT_EQ(s.programs.nand->EraseCount(0, 0, 1, 33), 0u);

    // Channel 0 CE 1 LUN 1 unit 5 plane 0; channel 1 CE 0 unit 1 plane 2 join the factory-bad units.
    const auto list = s.ScanAndFetch(0x01);
    EXPECT_EQ(list, (std::vector<std::uint32_t>{0x000B0001u, 0x0107000Fu, 0x090E0005u, 0x200B0001u, 0x29050002u}));
    EXPECT_FALSE(s.programs.nand->Peek({0, 0, 1, 33, 4}).has_value()) << "good blocks are left erased";
    EXPECT_EQ(s.programs.nand->EraseCount(1, 1, 0, 63), 1u);
    EXPECT_EQ(s.programs.nand->EraseCount(0, 0, 0, 6), 0u) << "a factory-bad block is not erased";
}

TEST(GdpBadBlockScan, BelongsToTheDiagnosticProgram) {
    ProgramBench loader(Flash());
    EXPECT_EQ(loader.Run(0x02, {0}), emu::nvme_status::kInvalidOpcode);
}

// The scan reads every block once, the channels in parallel: 2 dies x 2,016 blocks of 60 us on each
// of 4 channels is 241.92 ms. Stopped during that time, the drive keeps its flash and the last list.
TEST(GdpBadBlockScan, ReadsEveryBlockOnceChannelsInParallel) {
    emu::ProgramSetup s;
    s.geometry = {.channels = 4, .ces = 2, .luns = 1, .blocks = 2016, .pages = 4, .pageSectors = 1, .planes = 4};
    s.latency.readUs = 60;
    s.badBlocks = {{2, 1, 0, 100}};
    {
        platform::VirtualClock clock(0);
        platform::ScopedClock scoped(clock);
        Scanner scan(s);
        EXPECT_EQ(scan.ScanAndFetch(0x08).size(), 1u);
        EXPECT_NEAR(static_cast<double>(clock.NowMs()), 242.0, 1.0);
        EXPECT_EQ(scan.programs.nand->Latency().TotalUs(), 2u * 2016u * 60u);  // one channel's reads
    }
    {
        platform::VirtualClock clock(0);
        platform::ScopedClock scoped(clock);
        Scanner scan(s);
        auto token = std::make_shared<platform::CancelToken>();
        token->Cancel();
        {
            platform::ScopedCancelToken cancelled(token);
            EXPECT_THROW(scan.Run(0x02, {0x09}), platform::Cancelled);
        }
        EXPECT_EQ(scan.programs.scan->Scans(), 0);
        EXPECT_EQ(scan.programs.nand->Counts().blocksErased, 0u);  // the erase search never began
    }
}

}  // namespace

// The erase search erases every block that is not factory bad, the channels in parallel: the
// busiest channel erases 2 dies x 2,016 blocks of 3.5 ms (14,112 ms) after the reads (241.92 ms);
// channel 2's three factory bad blocks only make it finish sooner. Stopped during the erase time,
// the drive has erased nothing.
TEST(GdpBadBlockScan, EraseSearchErasesChannelsInParallel) {
    emu::ProgramSetup s;
    s.geometry = {.channels = 4, .ces = 2, .luns = 1, .blocks = 2016, .pages = 4, .pageSectors = 1, .planes = 4};
    s.latency.readUs = 60;
    s.latency.eraseUs = 3500;
    s.badBlocks = {{2, 1, 0, 100}, {2, 0, 0, 7}, {2, 0, 0, 2015}};
    s.eraseFail = {{1, 0, 0, 40}};
    {
        platform::VirtualClock clock(0);
        platform::ScopedClock scoped(clock);
        Scanner scan(s);
        EXPECT_EQ(scan.ScanAndFetch(0x09).size(), 4u);
        EXPECT_NEAR(static_cast<double>(clock.NowMs()), 14353.92, 1.0);
        EXPECT_EQ(scan.programs.nand->Latency().TotalUs(), 2u * 2016u * 60u + 2u * 2016u * 3500u);
        EXPECT_EQ(scan.programs.nand->Counts().blocksErased, 4u * 2u * 2016u - 3u - 1u);
    }
    // A clock whose first long wait (the erase time; the reads take 241 ms) finds the drive stopped.
    struct StopAtTheEraseTime : platform::VirtualClock {
        void SleepMs(unsigned ms) override {
            if (ms > 1000) platform::CurrentCancelToken()->Cancel();
            VirtualClock::SleepMs(ms);
        }
    } clock;
    platform::ScopedClock scoped(clock);
    Scanner scan(s);
    {
        platform::ScopedCancelToken token(std::make_shared<platform::CancelToken>());
        EXPECT_THROW(scan.Run(0x02, {0x01}), platform::Cancelled);
    }
    EXPECT_EQ(clock.NowMs(), 241u);  // the reads only
    EXPECT_EQ(scan.programs.nand->Counts().blocksErased, 0u);
    EXPECT_EQ(scan.programs.scan->Scans(), 0);
}
