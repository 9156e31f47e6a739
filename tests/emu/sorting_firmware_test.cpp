#include "emu/sorting_firmware.h"

#include <gtest/gtest.h>

#include "emu/poison.h"
#include "program_bench.h"

namespace {

using emu::Program;
using emu_test::ProgramBench;
using Bytes = std::vector<std::uint8_t>;

TEST(SortingFirmware, StatusPageByKey) {
    struct Case {
        const char* keys;
        Bytes first16;
    } cases[] = {
        {"", {'S', 'O', 'R', 'T', 1}},
        {"SortStatus=7\n", {'S', 'O', 'R', 'T', 7}},
        {"SortStatus=4\n", {'S', 'O', 'R', 'T', 4}},
        {"SortStatus=nolog\n", Bytes(16, 0xFF)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        ProgramBench b(emu_test::SetupFromKeys(c.keys));
        b.core.Start(Program::Sorting);
        Bytes reply(512);
        ASSERT_TRUE(b.Run(0x3C, {0, 1}, reply, true).Ok());
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + static_cast<long>(c.first16.size())), c.first16);
        EXPECT_TRUE(emu::IsPoison(std::span(reply).subspan(16))) << "nothing is defined past the status page";
        EXPECT_EQ(b.Status(), std::make_pair(0x55, 1));
        ASSERT_TRUE(b.Run(0x3C, {0, 0}, reply, true).Ok());
        EXPECT_EQ(b.programs.sorting->StatusRequests(), (std::vector<std::uint8_t>{1, 0}));
    }
}

TEST(SortingFirmware, StatusFetchIsBusyForItsFirstPollsAndBelongsToTheSortingProgram) {
    ProgramBench b(emu_test::SetupFromKeys("SortBusyPolls=2\nSortStatus=4\n"));
    Bytes reply(512);
    EXPECT_EQ(b.Run(0x3C, {}, reply, true), emu::nvme_status::kInvalidOpcode) << "the loader has no 0x3C";
    b.core.Start(Program::Diagnostic);
    EXPECT_EQ(b.Run(0x3C, {}, reply, true), emu::nvme_status::kInvalidOpcode) << "nor has the diagnostic firmware";

    b.core.Start(Program::Sorting);
    EXPECT_EQ(b.Status(), std::make_pair(0xAA, 0));
    EXPECT_EQ(b.Status(), std::make_pair(0xAA, 0));
    EXPECT_EQ(b.Status(), std::make_pair(0x55, 1));
    b.programs.sorting->SetBusyPolls(1);
    EXPECT_EQ(b.Status().first, 0xAA);
    EXPECT_EQ(b.Status().first, 0x55);
}

}  // namespace
