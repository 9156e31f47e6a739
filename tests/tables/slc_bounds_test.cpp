#include <gtest/gtest.h>

#include "tables_fixture.h"

namespace tables_test {
namespace {

using SlcBoundsTest = TablesTest;

TEST_F(SlcBoundsTest, Cases) {
    constexpr std::uint16_t kKept = 0x1111;  // previous values that a short walk leaves alone
    struct Case {
        const char* name;
        int planes;
        std::vector<int> badUnits;       // units with a bad plane
        std::vector<int> harmlessUnits;  // units with a record but bad count 0
        int dmt, qbt, fixSlc, fwBlocks;
        bool mapped;
        int scan2, scan, badCount, totalGood, hspd;
    };
    const Case cases[] = {
        {"no bad unit", 2, {}, {}, 2, 3, 1, 5, true, 4, 7, 0, 16, 6},
        {"bad units are skipped", 2, {3, 5}, {}, 2, 3, 1, 5, true, 6, 9, 2, 14, 8},
        {"a record of bad count 0 is a good unit", 2, {3}, {5}, 2, 3, 1, 5, true, 5, 8, 1, 15, 7},
        {"too few good units keep the old bounds",
         2,
         {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13},
         {},
         2,
         3,
         1,
         5,
         true,
         kKept,
         kKept,
         12,
         4,
         0},
        {"first good unit past an empty DMT area", 2, {}, {}, 0, 0, 1, 5, true, 2, 3, 0, 16, 6},
        {"the SLC count starts at 4 / planes and never equals it again", 2, {}, {}, 2, 3, 1, 1, true, 4, 7, 0, 16, 0},
        {"four planes start at unit 1", 4, {2}, {}, 1, 1, 2, 2, true, 3, 4, 1, 15, 5},
        {"one plane starts at unit 4", 1, {}, {}, 1, 1, 3, 3, true, 5, 6, 0, 16, 6},
        {"no mapped channel changes nothing", 2, {3}, {}, 2, 3, 1, 5, false, kKept, kKept, kKept, kKept, kKept},
    };
    for (const Case& c : cases) {
        ResetSettingsRecords();
        ApplyGeometry(Geo{1, 1, 1, c.planes, 16, 8});
        AP_INIState.DMT_Qnty = static_cast<std::uint8_t>(c.dmt);
        AP_INIState.QBT_Qnty = static_cast<std::uint8_t>(c.qbt);
        AP_INIState.FixSLC_BU = static_cast<std::uint16_t>(c.fixSlc);
        AP_INIState.wFW_BLKQnty = static_cast<std::uint16_t>(c.fwBlocks);
        if (!c.mapped) AP_INIState.MPFwChannelSet[0] = 5;
        AP_Instance_t& inst = AP_Instance[kPort];
        inst.wScanBlockUnit = inst.wScanBlockUnit2 = inst.wBadCount = inst.wTotalGoodBU = kKept;
        inst.wHSPD_BLK_Qnty_Count = kKept;

        GdpBuffer gdp;
        std::vector<std::uint32_t> entries;
        const std::uint8_t full = RM_GetPlaneMask();
        for (int u : c.badUnits)
            entries.push_back(Entry(0, 0, static_cast<std::uint8_t>(full & 0x0E), static_cast<std::uint16_t>(u)));
        for (int u : c.harmlessUnits) entries.push_back(Entry(0, 0, full, static_cast<std::uint16_t>(u)));
        gdp.Set(entries);
        auto vi = NewWorkingSet();
        Prepare(gdp.list(), *vi);
        vRM_GetBoundOfSLC(kPort, *vi);

        EXPECT_EQ(inst.wScanBlockUnit2, c.scan2) << c.name;
        EXPECT_EQ(inst.wScanBlockUnit, c.scan) << c.name;
        EXPECT_EQ(inst.wBadCount, c.badCount) << c.name;
        EXPECT_EQ(inst.wTotalGoodBU, c.totalGood) << c.name;
        EXPECT_EQ(inst.wHSPD_BLK_Qnty_Count, c.hspd) << c.name;
    }
}

// Every mapped channel, in physical order, computes and logs the same bounds.
TEST_F(SlcBoundsTest, LogsItsFiguresAndTracesTheScanBoundsPerMappedChannel) {
    ApplyGeometry(Geo{2, 1, 1, 2, 16, 8});
    AP_INIState.MPFwChannelSet[0] = 1;
    AP_INIState.MPFwChannelSet[1] = 0;
    AP_INIState.DMT_Qnty = 2;
    AP_INIState.QBT_Qnty = 3;
    auto vi = NewWorkingSet();
    vRM_GetBoundOfSLC(kPort, *vi);
    const std::string figures =
        "######### - AP_Instance[bInstance].wScanBlockUnit is 7\n"
        "######### - AP_Instance[bInstance].wScanBlockUnit2 is 4\n"
        "ScanBlockUnit 7\nScanBlockUnit2 4\nBadCount is 0\nTotalGoodBU is 16\nwHSPD_BLK_Qnty_Count is 0\n";
    EXPECT_EQ(trace_.Text(),
              "\n===[3] vRM_GetBoundOfSLC===\n"
              "######### - Physical CH 0, Logical CH 1\n" +
                  figures + "######### - Physical CH 1, Logical CH 0\n" + figures);
}

}  // namespace
}  // namespace tables_test
