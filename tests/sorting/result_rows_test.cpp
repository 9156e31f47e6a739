#include "sorting/result_rows.h"

#include <gtest/gtest.h>

#include "platform/trace_sink.h"

namespace {

using sorting::ListRow;

TEST(ResultRows, CellsOfTheThreeLists) {
    EXPECT_EQ(sorting::AllBadRow(12, {1, 2, 0}, {5, 0x2}, 2), (ListRow{"12", "1", "2", "0", "0x0005", " ", "0x000b"}));
    EXPECT_EQ(sorting::AllBadRow(1, {0, 0, 1}, {1, 0xF}, 4),
              (ListRow{"1", "0", "0", "1", "0x0001", "0x0004", "0x0005", "0x0006", "0x0007"}));
    const sorting::FactoryEntry factory{7, {std::nullopt, 29, std::nullopt, std::nullopt}};
    EXPECT_EQ(sorting::FactoryBadRow(3, 1, 6, 1, 9, factory),
              (ListRow{"3", "1", "6", "1(9)", "0x0007", "", "0x001d", "", ""}));

    sorting::ErrorLine line;
    line.channel = 2;
    line.bank = 1;
    line.lun = 1;
    line.unit = 0x10;
    line.blocks = {0x40, std::nullopt, 0x42, std::nullopt};
    line.page = 26;
    line.maxErrBit = 238;
    line.errorType = 2;
    line.action = 5;
    line.failLoop = 3;
    line.slc = true;
    line.readLoop = 2;
    line.tsad = 291;
    line.time = " 01:02:05";
    EXPECT_EQ(sorting::SortErrorRow(7, line),
              (ListRow{"07", "2", "1", "1", "0x0010", "0x0040", "", "0x0042", "", "26", "238", "PROGRAM",
                       "Disture Read", " 01:02:05", "3(SLC)", "2", "291"}));
    line.slc = false;
    EXPECT_EQ(sorting::SortErrorRow(123, line)[0], "123");
    EXPECT_EQ(sorting::SortErrorRow(123, line)[14], "3(TLC)");
}

TEST(ResultRows, TypeAndActionTexts) {
    struct Case {
        unsigned code;
        const char* type;
        const char* action;
    };
    const Case cases[] = {{0, "ERR_BIT_OVER_F", "Post Read"},
                          {4, "EMPTY_PAGE", "Partial Read"},
                          {10, "T tPROGRAM", "4P Erase"},
                          {11, "Undefine Type", "Partial Read"},
                          {255, "Undefine Type", "Partial Read"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(sorting::ErrorTypeText(c.code), c.type) << c.code;
        EXPECT_STREQ(sorting::ErrorActionText(c.code), c.action) << c.code;
    }
}

TEST(ResultRows, ResultCodesAndCounters) {
    std::string codes;
    sorting::AppendResultCodes(codes, 0x01);
    sorting::AppendResultCodes(codes, 0x06);
    sorting::AppendResultCodes(codes, 0x00);
    EXPECT_EQ(codes, "[R01][R02][R03]");
    std::string all;
    for (int die = 0; die < 64; ++die) sorting::AppendResultCodes(all, 0xFF);
    EXPECT_EQ(all.size(), 2560u);
    EXPECT_EQ(all.substr(2520), "[R01][R02][R03][R04][R05][R06][R07][R08]");

    sorting::ErrorCounters counters;
    sorting::ErrorLine program;
    program.errorType = 2;
    program.blocks = {8, std::nullopt, 10, std::nullopt};  // plane mask 0x5
    counters.Add(program);
    sorting::ErrorLine dma = program;
    dma.errorType = 7;
    counters.Add(dma);
    sorting::ErrorLine ecc = program;
    ecc.errorType = 0;
    ecc.blocks = {4, 5, 6, 7};
    counters.Add(ecc);
    EXPECT_EQ(counters.byType, (std::array<std::uint16_t, 5>{4, 0, 2, 0, 0}));
    EXPECT_EQ(counters.Total(), 6u);
}

TEST(FactoryEntries, DecodedForOneTwoAndFourPlanesOnly) {
    std::vector<std::uint8_t> area(6000 * 2, 0);
    area[6000 + 750 * 2 + 3] = 0x21;  // channel tag 1, bank tag 2, region offset 3
    platform::TraceCapture trace;
    const auto four = sorting::DecodeFactoryEntries(area, 1, 2, 9, 4, true);
    ASSERT_EQ(four.size(), 2u);
    EXPECT_EQ(four[0], (sorting::FactoryEntry{6, {24, std::nullopt, std::nullopt, std::nullopt}}));
    EXPECT_EQ(four[1], (sorting::FactoryEntry{7, {std::nullopt, 29, std::nullopt, std::nullopt}}));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "[SORT]######## - FactoryBad location = 0x1d4f,wUnit = 0x18\n",
                  "[SORT]######## - Bank 2 , Channel 1 , Die 9\t, BlockUnit 0x6, Plane 1 , FirstBlock 0x18 , "
                  "SecondBlock 0xffff, ThirdBlock 0xffff , FourthBlock 0xffff \n",
                  "[SORT]######## - Bank 2 , Channel 1 , Die 9\t, BlockUnit 0x7, Plane 1 , FirstBlock 0xffff , "
                  "SecondBlock 0x1d, ThirdBlock 0xffff , FourthBlock 0xffff \n"}));
    EXPECT_EQ(sorting::DecodeFactoryEntries(area, 1, 2, 9, 1, false).size(), 2u);  // blocks 24 and 29
    EXPECT_EQ(sorting::DecodeFactoryEntries(area, 1, 2, 9, 2, false).size(), 2u);

    trace.Clear();
    EXPECT_TRUE(sorting::DecodeFactoryEntries(area, 1, 2, 9, 3, true).empty());
    EXPECT_TRUE(sorting::DecodeFactoryEntries(area, 1, 2, 9, 0, true).empty());
    EXPECT_TRUE(trace.Contains("Factory bad map not decoded: 3 planes"));
    EXPECT_TRUE(sorting::DecodeFactoryEntries(area, 8, 2, 9, 4, true).empty());  // a tag outside the map
}

}  // namespace
