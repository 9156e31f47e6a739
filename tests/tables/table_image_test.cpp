#include "tables/table_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tables_fixture.h"

namespace tables_test {
namespace {

using TableImageTest = TablesTest;

TEST_F(TableImageTest, PagesGoToTheirSlotsAndTheImageStartsZeroed) {
    ApplyGeometry(Geo{2, 1, 1, 2, 16, 8});
    std::vector<std::uint8_t> image(kRemapTableBufSize, 0xA5);
    RM_ZeroTableImage(image.data(), image.size());
    EXPECT_EQ(std::count(image.begin(), image.end(), 0), static_cast<long>(image.size()));

    RM_PageTable pages;
    for (int l = 0; l < 2; ++l) {
        pages.defect[l].assign(4096, static_cast<std::uint8_t>(0x10 + l));
        pages.early[l].assign(4096, static_cast<std::uint8_t>(0x20 + l));
        pages.remap[l].assign(4096, static_cast<std::uint8_t>(0x30 + l));
        pages.virt[l].assign(4096, static_cast<std::uint8_t>(0x40 + l));
        pages.system[l].assign(4096, static_cast<std::uint8_t>(0x50 + l));
    }
    pages.partialGood.assign(4096, 0x60);
    EXPECT_TRUE(RM_CopyChannelToImage(image.data(), image.size(), pages, 1, false));
    EXPECT_EQ(image[0x4000], 0x11);
    EXPECT_EQ(image[0x4000 + 4095], 0x11);
    EXPECT_EQ(image[0x4000 + 4096], 0);  // a 4 KB page fills only the start of its 16 KB slot
    EXPECT_EQ(image[0x24000], 0x21);
    EXPECT_EQ(image[0x44000], 0x31);
    EXPECT_EQ(image[0x64000], 0x41);
    EXPECT_EQ(image[0x84000], 0x51);
    EXPECT_EQ(image[0], 0);
    EXPECT_TRUE(RM_CopyChannelToImage(image.data(), image.size(), pages, 0, true));
    EXPECT_EQ(image[0x60000], 0x60);
    EXPECT_EQ(image[0x64000], 0x41);
    EXPECT_FALSE(RM_CopyChannelToImage(image.data(), image.size(), pages, 8, false));
    std::vector<std::uint8_t> small(0x50000, 0);
    EXPECT_FALSE(RM_CopyChannelToImage(small.data(), small.size(), pages, 0, false));  // no room for the later slots
}

TEST_F(TableImageTest, FailureRecordsStopAtTheEndOfTheBuffer) {
    std::uint8_t record[RM_FAIL_RECORD_SIZE] = {9};
    std::vector<std::uint8_t> work(1 + 2 * RM_FAIL_RECORD_SIZE, 0);
    EXPECT_TRUE(RM_AppendFailRecord(work.data(), work.size(), record));
    EXPECT_TRUE(RM_AppendFailRecord(work.data(), work.size(), record));
    EXPECT_FALSE(RM_AppendFailRecord(work.data(), work.size(), record));
    EXPECT_EQ(work[0], 2);
    EXPECT_EQ(work[1], 9);
    EXPECT_EQ(work[33], 9);
}

// Headings and figures are logged (debugger trace and the open table log); the per-entry lines
// are traced only.
TEST_F(TableImageTest, GeneratorsLogHeadingsAndTraceEntries) {
    ApplyGeometry(kSmall);
    AP_RDSetting.DumpPftFile = 1;
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    auto vi = NewWorkingSet();
    vi->log = log;
    GdpBuffer gdp;
    gdp.Set({Entry(0, 0, 0x02, 5)});
    Prepare(gdp.list(), *vi);
    vi->remap[0][0][0] = {{9, 5, 0, 0}};
    RemapCounts counts{};
    RM_PageTable pages;
    GenerateAll(*vi, counts, pages);
    std::rewind(log);
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, log)) > 0;) text.append(buf, n);
    std::fclose(log);

    for (const char* heading :
         {"\n===[3] Gen Defect Table (Logical)===\n", "\n===[3] Gen Remap Table (Logical)===\n",
          "\n===[3] Gen Early Table (Logical)===\n", "\n===[3] Gen Virtual Remap Table (Logical)===\n",
          "\n===[3] Gen System Table (Logical)===\n", "[INFO] Total Valid Remap : 1\n",
          "[INFO] Total Reserve Remap : 0\n", "[INFO] Total Valid Virtual Remap : 0\n",
          "Remap Cnt = 1, VirtRemap Cnt = 0\n", "Max Reserved Remap Per Plane = 3583\n"}) {
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
        EXPECT_TRUE(trace_.Contains(heading)) << heading;
    }
    for (const char* traced : {"DB#0005 GB#0009\n", "U#0005 GID:01\n", "\nC:0 B:0 P:1\n", "U#0005\n",
                               "######### - Physical CH 0, Logical CH 0\n", "######### - wFreeEntryNum is 3583\n"}) {
        EXPECT_EQ(text.find(traced), std::string::npos) << traced;
        EXPECT_TRUE(trace_.Contains(traced)) << traced;
    }
}

}  // namespace
}  // namespace tables_test
