#include <gtest/gtest.h>

#include "sort_fixture.h"
#include "sorting/sort_echo_rows.h"

namespace {

using sorting_test::PatternEcho;
using sorting_test::PatternVersion;
using Rows = std::vector<std::pair<std::string, std::string>>;

TEST(EchoRows, EveryLabelAndValueOfAPatternEcho) {
    const Rows expected = {
        {"MPT version", "M1.02"},
        {"GDP version", "G2.03"},
        {"RDT version", "R7"},  // stops at its first zero byte
        {"MPT Time", "2026/12/11 02:45"},
        {"Enable FastSort", "15"},
        {"SLC Custom Page Level", "1006"},
        {"TLC Custom Page Level", "1007"},
        {"Custom Full BU Star", "1008"},
        {"Custom Full BU End", "1009"},
        {"Block R/W", "20"},
        {"Enable EraseAll", "21"},
        {"Enable ScanFactory", "22"},
        {"Enable SkipProgStatus", "23"},
        {"Enable SkipEraseStatus", "24"},
        {"Enable Set NAND Test Loop", "25"},
        {"SLC Test Loop", "300"},
        {"Non-SLC Test Loop", "4700"},
        {"SLC R-Loop/W", "1018"},
        {"Non-SLC R-Loop/W", "1019"},
        {"Retrytype", "30"},
        {"SpecialTestCase", "1021"},
        {"tProgThreshold Upper", "1022"},
        {"TLC tProgThreshold Upper", "1023"},
        {"tReadThreshold Upper", "1024"},
        {"TLC tReadThreshold Upper", "1025"},
        {"tProgThreshold Lower", "1026"},
        {"TLC tProgThreshold Lower", "1027"},
        {"tReadThreshold Lower", "1028"},
        {"TLC tReadThreshold Lower", "1029"},
        {"tProg Start BU", "1030"},
        {"tProg End BU", "1031"},
        {"Running Delay", "1032"},
        {"TLC/QLC LDPC Threshold", "1033"},
        {"SLC LDPC Threshold", "44"},
        {"OpenCard thermal", "45"},
        {"TSAD", "1036"},
        {"Max BB Th Per Die", "1037"},
        {"Max Bad Blocks Per Plane", "1038"},
        {"Read Fail Blocks Per Plane", "1039"},
        {"Program Fail Blocks Per Plane", "1040"},
        {"Erase Fail Blocks Per Plane", "1041"},
    };
    const auto echo = PatternEcho();
    const auto version = PatternVersion();
    EXPECT_EQ(sorting::EchoRows(echo, version, 3), expected);

    // MLC flash names the same field differently.
    const Rows mlc = sorting::EchoRows(echo, version, 1);
    ASSERT_EQ(mlc.size(), sorting::kEchoRowCount);
    EXPECT_EQ(mlc[32], (std::pair<std::string, std::string>{"MLC LDPC Threshold", "1033"}));
}

TEST(EchoRows, EdgeValues) {
    // Fewer total loops than SLC loops is shown negative; an empty echo and version give zeros and
    // empty texts (the window before any whole-info page was read).
    auto echo = PatternEcho();
    sorting_test::Put(echo, 69, 4, 100);
    EXPECT_EQ(sorting::EchoRows(echo, PatternVersion(), 0)[16].second, "-200");

    const sorting_test::Echo zero{};
    const sorting_test::Version none{};
    for (const auto& [label, value] : sorting::EchoRows(zero, none, 0)) {
        const bool text = label.find("version") != std::string::npos || label == "MPT Time";
        EXPECT_EQ(value, text ? "" : "0") << label;
    }
}

}  // namespace
