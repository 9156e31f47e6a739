// The page-planting helpers of the procedures' tests, read back through the diagnostic firmware's
// page read as the host would read them.
#include "support/page_planting.h"

#include <gtest/gtest.h>

#include <cstring>

#include "emu/wire_bytes.h"
#include "program_bench.h"

namespace {

using emu::Program;
using emu_test::PageParams;
using emu_test::ProgramBench;
using test_support::FlashBlock;
using Bytes = std::vector<std::uint8_t>;

struct Planted : ProgramBench {
    Planted()
        : ProgramBench([] {
              emu::ProgramSetup s;
              s.geometry = {
                  .channels = 2, .ces = 2, .luns = 2, .blocks = 16, .pages = 128, .pageSectors = 16, .planes = 2};
              return s;
          }()) {
        core.Start(Program::Diagnostic);
    }
    // Reads `bytes` of a page with the rate and scrambler given; the status result code.
    int Read(int ch, int ce, int lun, int block, int page, int rate, int scramble, Bytes& out) {
        EXPECT_TRUE(Run(0x89, PageParams(ch, ce | (lun << 4), block, page, rate, scramble, 1), out, true).Ok());
        return Status().second;
    }
};

TEST(PagePlanting, ResultBlockPagesReadBackWithTheirRate) {
    Planted p;
    test_support::ResultBlockPlan plan;
    plan.bad = {{0x0012, 0x3}, {0x0007, 0x8}};
    plan.result = 0x82;
    ASSERT_TRUE(test_support::PlantResultBlock(*p.programs.nand, {1, 0, 1, 14}, plan, 2, 1));

    Bytes page(8192);
    ASSERT_EQ(p.Read(1, 0, 1, 14, 0, 2, 1, page), 1);
    EXPECT_EQ(Bytes(page.begin(), page.begin() + 12), Bytes({'B', 'B', 2, 0, 0x12, 0, 3, 0, 7, 0, 8, 0}));
    ASSERT_EQ(p.Read(1, 0, 1, 14, 2, 2, 1, page), 1);
    EXPECT_EQ(std::memcmp(page.data(), "SORT", 4), 0);
    ASSERT_EQ(p.Read(1, 0, 1, 14, 15, 2, 1, page), 1);
    EXPECT_EQ(page[6], 0x82);
    EXPECT_EQ(p.Read(1, 0, 1, 14, 2, 2, 0, page), static_cast<int>(emu::NandResult::Uncorrectable))
        << "the scrambler setting is part of the page";
}

TEST(PagePlanting, LoaderBlockInfoCodeAndParameterPages) {
    Planted p;
    test_support::LoaderBlockPlan plan;
    plan.info = test_support::InfoPage(3, {{88, 95}, {96, 103}, {104, 105}});
    Bytes param(8192, 0);
    param[768 + 28] = 0x03;
    plan.paramPage = {{105, param}};
    ASSERT_TRUE(test_support::PlantLoaderBlock(*p.programs.nand, {0, 1, 0, 2}, plan, 4, 1));

    Bytes info(4096);
    ASSERT_EQ(p.Read(0, 1, 0, 2, 0, 1, 1, info), 1);
    EXPECT_EQ(std::memcmp(info.data(), "LDBK BLOCKS V00", 16), 0);
    EXPECT_EQ(info[163], 3);
    EXPECT_EQ(emu::wire::GetLe16(info.data() + 544 + 2 * 16 + 2), 105) << "last page of entry 2";
    EXPECT_EQ(emu::wire::GetLe16(info.data() + 1056 + 2 * 383), 383) << "the identity page map";

    Bytes page(8192);
    ASSERT_EQ(p.Read(0, 1, 0, 2, 88, 4, 1, page), 1);
    EXPECT_EQ(std::memcmp(page.data() + 448, "RAVEZ", 5), 0);
    ASSERT_EQ(p.Read(0, 1, 0, 2, 105, 4, 1, page), 1);
    EXPECT_EQ(page, param);

    // A page planted twice is refused, as the flash refuses it.
    EXPECT_FALSE(test_support::PlantPages(*p.programs.nand, {0, 1, 0, 2}, 105, {param}, 4, 1));
    EXPECT_TRUE(test_support::PlantPages(*p.programs.nand, {0, 1, 0, 2}, 5, {param, param}, 4, 1));
    EXPECT_TRUE(p.programs.nand->Peek({0, 1, 0, 2, 6}).has_value());
}

}  // namespace
