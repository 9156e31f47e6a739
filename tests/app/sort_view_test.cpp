// What the main window shows of sorting results, without a window: the result boxes of each fetch
// result, the summary lines and the 35 lines of the settings banner.
#include <gtest/gtest.h>

#include <cstring>

#include "app/sort_fetch.h"
#include "app/sort_result_read.h"

namespace {

TEST(SortView, ResultBoxesOfEachFetchResult) {
    struct Case {
        std::uint8_t result;
        std::optional<bool> panelEnabled;
        std::optional<std::uint32_t> panelColour;
        std::optional<std::string> caption;
        std::optional<bool> groupEnabled;
        std::optional<std::uint32_t> memoColour;
        bool lines;
    };
    const Case cases[] = {
        {0, false, 0xC0C0C0, {}, {}, 0xC0C0C0, true},
        {1, true, 0x008000, "Port:7 - Pass!", true, 0x008000, true},
        {2, true, 0x0000FF, "Port:7 - Lost!", true, 0x0000FF, true},
        {3, true, 0x0000FF, "Port:7 - Fail!", true, 0x0000FF, true},
        {4, false, 0x0000FF, "Port:7 - CMD Fail!", false, 0x0000FF, false},
        {0xFF, {}, {}, {}, {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.result));
        const app::SortResultBoxes b = app::SortResultBoxesFor(c.result, 7);
        EXPECT_EQ(b.panelEnabled, c.panelEnabled);
        EXPECT_EQ(b.panelColour, c.panelColour);
        EXPECT_EQ(b.caption, c.caption);
        EXPECT_EQ(b.groupEnabled, c.groupEnabled);
        EXPECT_EQ(b.memoColour, c.memoColour);
        EXPECT_TRUE(b.summary);
        EXPECT_EQ(b.summaryLines, c.lines);
    }
    app::SortSummary s{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(app::SortSummaryLines(s),
              (std::vector<std::string>{"TBB: 1", "FBB: 5", "PF: 3", "EF: 4", "ECC: 2", "MaxTemp: 10 'C",
                                        "==SLC / N-SLC==", "Test Loop: 6 / 7", "ErrBit Th.: 8 / 9"}));
}

TEST(SortView, TheSettingsBannerLineByLine) {
    tables::SortWholeInfo w;
    auto put16 = [](auto& bytes, std::size_t at, unsigned v) {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    std::memcpy(&w.version[48], "1.2.3", 5);
    std::memcpy(&w.version[64], "G0042", 5);
    std::memcpy(&w.version[96], "R7", 2);  // shorter than five: the line ends at its zero
    std::memcpy(&w.version[80], "2026/12/11 02:15", 16);
    w.echo[66] = 1;
    put16(w.echo, 110, 3);
    put16(w.echo, 69, 10);  // total loops: 10 - 3 = 7 non-SLC loops
    put16(w.echo, 136, 11);
    put16(w.echo, 108, 12);
    w.head[144] = 60;
    w.head[163] = 30;
    put16(w.head, 14, 13);
    put16(w.head, 12, 14);
    put16(w.head, 74, 15);
    put16(w.head, 150, 16);
    put16(w.head, 152, 17);
    w.head[162] = 45;
    put16(w.head, 160, 0x123);
    const std::pair<std::size_t, unsigned> bytes[] = {{104, 18}, {65, 19}, {9, 20}, {112, 21}, {113, 22}, {141, 2},
                                                      {144, 1}};
    for (auto [at, v] : bytes) w.echo[at] = static_cast<std::uint8_t>(v);
    const std::pair<std::size_t, unsigned> words[] = {{101, 23}, {115, 24}, {119, 25}, {185, 26},
                                                      {187, 27}, {191, 28}, {195, 29}, {189, 30}, {193, 31}};
    for (auto [at, v] : words) put16(w.echo, at, v);
    const std::vector<std::string> expected = {"=== MPT: 1.2.3 ===",
                                               "= GDP: G0042  =",
                                               "= RDT: R7",
                                               "=2026/12/11 02:15=",
                                               "En Srt NAND Test Loop : O",
                                               "SLC Test Loop : = 3",
                                               "Non-SLC Test Loop : = 7",
                                               "SLC R-Loop/W : = 11",
                                               "Non-SLC R-Loop/W : = 12",
                                               "MLC LDPC Threshold = 60",
                                               "SLC LDPC Threshold = 30",
                                               "# Bad Block(BB) Per Die:",
                                               "Max BB Th = 13",
                                               "# Bad Block Per Plane:",
                                               "Max Bad Blocks Th = 14",
                                               "Read Fail Blocks Th = 15",
                                               "Program Fail Blocks Th = 16",
                                               "Erase Fail Th = 17",
                                               "OpenCard thermal = 45'C,TSAD = 291",
                                               "Fast Sort = 18",
                                               "Erase All = 19",
                                               "Scan FactoryBad = 20",
                                               "Skip ProgStatus = 21",
                                               "Scan EraseStatus = 22",
                                               "Block W/R = 2",
                                               "Retrytype = 1(0:non,1:easy,2:full)",
                                               "En tProgram Th = 23",
                                               "tProgram SLC Upper = 24",
                                               "tProgram Non-SLC Upper = 25",
                                               "tRead SLC Upper = 26",
                                               "tRead Non-SLC Upper = 27",
                                               "tProgram SLC Lower = 28",
                                               "tProgram Non-SLC Lower = 29",
                                               "tRead SLC Lower = 30",
                                               "tRead Non-SLC Lower = 31"};
    EXPECT_EQ(app::SortSettingsBanner(w, 1), expected);
    EXPECT_EQ(app::SortSettingsBanner(w, 2)[9], "TLC/QLC LDPC Threshold = 60");
    // Nothing read: a banner of zeros.
    EXPECT_EQ(app::SortSettingsBanner(tables::SortWholeInfo{}, 2)[5], "SLC Test Loop : = 0");
}

}  // namespace
