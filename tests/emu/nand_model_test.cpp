#include "emu/nand_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"

namespace {

using emu::NandAddress;
using emu::NandModel;
using emu::NandResult;
using Bytes = std::vector<std::uint8_t>;

emu::FlashGeometry Small() {
    return {.channels = 2, .ces = 2, .luns = 2, .blocks = 8, .pages = 16, .pageSectors = 8};
}

Bytes Data(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

TEST(NandModel, ProgramReadEraseCycle) {
    NandModel nand(Small());
    const NandAddress at{1, 1, 1, 5, 3};
    const Bytes page = Data(2048, 9);  // half a page: the rest reads erased
    ASSERT_EQ(nand.Program(at, page, 2, 1), NandResult::Ok);

    Bytes back(4096);
    ASSERT_EQ(nand.Read(at, back, 2, 1), NandResult::Ok);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), back.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 2048, back.end(), [](std::uint8_t b) { return b == 0xFF; }));

    EXPECT_EQ(nand.Program(at, page, 2, 1), NandResult::NotErased) << "program before erase";
    ASSERT_EQ(nand.Erase(1, 1, 1, 5), NandResult::Ok);
    EXPECT_EQ(nand.EraseCount(1, 1, 1, 5), 1u);
    EXPECT_EQ(nand.Read(at, back, 2, 1), NandResult::ReadEmpty);
    EXPECT_TRUE(std::all_of(back.begin(), back.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(nand.Program(at, page, 2, 1), NandResult::Ok);

    // Neighbours were never touched.
    EXPECT_EQ(nand.Read({1, 1, 0, 5, 3}, back, 2, 1), NandResult::ReadEmpty);
    EXPECT_EQ(nand.Read({1, 0, 1, 5, 3}, back, 2, 1), NandResult::ReadEmpty);
}

TEST(NandModel, DataReadBackWithAnotherRateOrScramblerDoesNotDecode) {
    NandModel nand(Small());
    ASSERT_EQ(nand.Program({0, 0, 0, 0, 0}, Data(512, 1), 1, 1), NandResult::Ok);
    Bytes back(512);
    EXPECT_EQ(nand.Read({0, 0, 0, 0, 0}, back, 3, 1), NandResult::Uncorrectable);
    EXPECT_EQ(nand.Read({0, 0, 0, 0, 0}, back, 1, 0), NandResult::Uncorrectable);
    EXPECT_EQ(nand.Read({0, 0, 0, 0, 0}, back, 1, 1), NandResult::Ok);
}

TEST(NandModel, AddressesAndSizesOutsideTheFlashAreRefused) {
    NandModel nand(Small());
    Bytes page(4096), tooBig(4097);
    for (const NandAddress& a :
         {NandAddress{2, 0, 0, 0, 0}, NandAddress{0, 2, 0, 0, 0}, NandAddress{0, 0, 2, 0, 0},
          NandAddress{0, 0, 0, 8, 0}, NandAddress{0, 0, 0, 0, 16}, NandAddress{-1, 0, 0, 0, 0}}) {
        EXPECT_EQ(nand.Read(a, page, 1, 1), NandResult::BadAddress);
        EXPECT_EQ(nand.Program(a, page, 1, 1), NandResult::BadAddress);
    }
    EXPECT_EQ(nand.Program({0, 0, 0, 0, 0}, tooBig, 1, 1), NandResult::BadAddress);
    EXPECT_EQ(nand.Read({0, 0, 0, 0, 0}, tooBig, 1, 1), NandResult::BadAddress);
    EXPECT_EQ(nand.Erase(0, 0, 0, 8), NandResult::BadAddress);
}

TEST(NandModel, InjectedFaults) {
    NandModel nand(Small());
    const Bytes page = Data(4096, 3);
    nand.MarkFactoryBad(0, 1, 0, 2);
    nand.InjectUncorrectable({1, 0, 0, 1, 4});
    nand.InjectProgramFailure(1, 1, 0, 3, 6);
    nand.InjectProgramFailure(1, 1, 0, 4);
    nand.InjectEraseFailure(0, 0, 1, 7);
    Bytes back(4096);

    EXPECT_TRUE(nand.IsFactoryBad(0, 1, 0, 2));
    EXPECT_EQ(nand.Program({0, 1, 0, 2, 0}, page, 1, 1), NandResult::ProgramFailed);
    EXPECT_EQ(nand.Erase(0, 1, 0, 2), NandResult::EraseFailed);
    EXPECT_EQ(nand.Read({0, 1, 0, 2, 0}, back, 1, 1), NandResult::Uncorrectable);

    ASSERT_EQ(nand.Program({1, 0, 0, 1, 4}, page, 1, 1), NandResult::Ok);
    EXPECT_EQ(nand.Read({1, 0, 0, 1, 4}, back, 1, 1), NandResult::Uncorrectable);
    ASSERT_EQ(nand.Program({1, 0, 0, 1, 5}, page, 1, 1), NandResult::Ok);
    EXPECT_EQ(nand.Read({1, 0, 0, 1, 5}, back, 1, 1), NandResult::Ok) << "only the injected page";

    EXPECT_EQ(nand.Program({1, 1, 0, 3, 6}, page, 1, 1), NandResult::ProgramFailed);
    EXPECT_EQ(nand.Program({1, 1, 0, 3, 7}, page, 1, 1), NandResult::Ok);
    EXPECT_EQ(nand.Program({1, 1, 0, 4, 0}, page, 1, 1), NandResult::ProgramFailed);
    EXPECT_EQ(nand.Erase(0, 0, 1, 7), NandResult::EraseFailed);
    EXPECT_EQ(nand.EraseCount(0, 0, 1, 7), 0u);

    nand.ClearFaults();
    EXPECT_EQ(nand.Read({1, 0, 0, 1, 4}, back, 1, 1), NandResult::Ok);
    EXPECT_EQ(nand.Erase(0, 0, 1, 7), NandResult::Ok);
    EXPECT_EQ(nand.Erase(0, 1, 0, 2), NandResult::EraseFailed) << "a factory bad block stays bad";
}

TEST(NandModel, IdenticalPagesAreStoredOnce) {
    NandModel nand(Small());
    const Bytes page = Data(4096, 5);
    for (int ch = 0; ch < 2; ++ch) {
        for (int ce = 0; ce < 2; ++ce) ASSERT_EQ(nand.Program({ch, ce, 0, 1, 0}, page, 1, 1), NandResult::Ok);
    }
    ASSERT_EQ(nand.Program({0, 0, 0, 1, 1}, Data(4096, 6), 1, 1), NandResult::Ok);
    EXPECT_EQ(nand.ProgrammedPages(), 5u);
    EXPECT_EQ(nand.StoredContents(), 2u);
    ASSERT_EQ(nand.Erase(0, 0, 0, 1), NandResult::Ok);
    EXPECT_EQ(nand.StoredContents(), 1u);
    EXPECT_EQ(nand.Peek({1, 1, 0, 1, 0}), page);
    EXPECT_FALSE(nand.Peek({0, 0, 0, 1, 0}).has_value());
}

TEST(NandModel, OperationsTakeTheirTimeOnThePlatformClock) {
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    NandModel nand(Small(), {.readUs = 1000, .programUs = 3000, .eraseUs = 10000});
    Bytes page(4096);
    nand.Program({0, 0, 0, 0, 0}, page, 1, 1);
    nand.Read({0, 0, 0, 0, 0}, page, 1, 1);
    nand.Erase(0, 0, 0, 0);
    EXPECT_EQ(clock.NowMs(), 14u);
    EXPECT_EQ(nand.Counts().pagesProgrammed, 1u);
    EXPECT_EQ(nand.Counts().pagesRead, 1u);
    EXPECT_EQ(nand.Counts().blocksErased, 1u);
}

// Microsecond times are charged in whole milliseconds with the rest carried: 1,000 reads of
// 60 us are 60 ms exactly; operations run in parallel are charged once by their caller.
TEST(NandModel, MicrosecondTimesAddUpExactly) {
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    NandModel nand(Small(), {.readUs = 60, .programUs = 600, .eraseUs = 3500});
    Bytes page(4096);
    for (int i = 0; i < 999; ++i) nand.Read({0, 0, 0, 0, 0}, page, 1, 1);
    EXPECT_EQ(clock.NowMs(), 59u);
    EXPECT_EQ(nand.Latency().CarriedUs(), 940u);
    nand.Read({0, 0, 0, 0, 0}, page, 1, 1);
    EXPECT_EQ(clock.NowMs(), 60u);
    EXPECT_EQ(nand.Latency().CarriedUs(), 0u);

    for (int b = 0; b < 4; ++b) nand.Erase(0, 0, 0, b, emu::Timing::Parallel);
    nand.ChargeParallel(emu::NandOp::Erase);
    EXPECT_EQ(clock.NowMs(), 63u);
    EXPECT_EQ(nand.Latency().TotalUs(), 60'000u + 3'500u);
}

}  // namespace
