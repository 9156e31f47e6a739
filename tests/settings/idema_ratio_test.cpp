// "Set" and "Restore" of the capacity pages: the worked example field by field and line by line,
// the messages, the customer's halved pages and the bad-block budget that cannot go below 0.
#include "settings/idema_ratio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "platform/trace_sink.h"
#include "records_guard.h"
#include "settings/records.h"
#include "transport/tool_records.h"

namespace {

using settings::CalcIdemaToRatio;

std::function<std::optional<long double>()> Typed(std::optional<long double> v) {
    return [v] { return v; };
}

class IdemaRatio : public ::testing::Test {
  protected:
    IdemaRatio() {
        AP_INIState.bDieNumCount = 4;
        AP_FlashSet.wBlocks = 2000;
        AP_FlashSet.wPages = 1536;
        AP_FlashSet.wPageSize = 16;
        AP_FlashSet.bPageSector = 32;
        AP_FlashSet.ucPlanes = 2;
        AP_FlashSet.ucDiePerCE = 1;
        AP_FlashSet.ucFlashType = 2;
        AP_FlashSet.ucChannel = 4;
        AP_FlashSet.ucBankNum = 1;
        AP_INIState.PureSLC = 0;
        AP_FwSet.CustomerID = 1;
        AP_INIState.wFW_BLKQnty = 8;
        AP_INIState.FixSLC_BU = 0;
        AP_INIState.MergeBUNUM = 2;
        AP_INIState.ucRollRate = 10;
        AP_INIState.LastBadRation = 10;
        AP_INIState.EnVD = 0;
        AP_INIState.EnPartialTbl = 1;
        AP_OtSet_t saved = AP_OtSet;
        otSet_ = saved;
    }
    ~IdemaRatio() override { AP_OtSet = otSet_; }
    platform::TraceCapture trace_;
    settings_test::RecordsGuard guard_;
    AP_OtSet_t otSet_{};
};

TEST_F(IdemaRatio, WorkedExample) {
    const settings::IdemaOutcome out = CalcIdemaToRatio(Typed(128));
    EXPECT_EQ(out.message, "");
    EXPECT_TRUE(trace_.Contains("\nfTotalSize=187.500000, CapacityG=187\n"));
    EXPECT_EQ(out.capacity1024, "128.00");
    EXPECT_EQ(out.capacity1000, "137.44");
    const std::uint64_t s = (std::uint64_t{AP_INIState.CapacitySectorHigh} << 32) | AP_INIState.CapacitySectorLow;
    EXPECT_EQ(s, 250069680u);
    EXPECT_EQ(AP_INIState.CapacitySectorHigh, 0u);
    EXPECT_EQ(AP_INIState.ResPercentage, 364);
    EXPECT_EQ(AP_FwSet.wResRatio, 364);
    for (const char* line : {"wBlockUnitNum = 1000\n", "wDataBU = 637\n", "wVDParitBU = 0\n", "wVDSuperBU = 637\n",
                             "wRollRateBU = 13\n", "wBadBlock = 340\n", "dwTotalGoodBU = 660, Total Good Block = 5280\n",
                             "wDefectRation = 340\n", "######### - 340 = 1000 - 8 - 0 - (637 + 2 + 13)\n",
                             "High = 00000000(16)  , LOW = 0ee7c2b0(16)\n"}) {
        EXPECT_TRUE(trace_.Contains(line)) << line;
    }
    EXPECT_EQ(AP_INIState.DefPercentage, 340);
    EXPECT_EQ(AP_OtSet.wFwNeedBU, 8);
    EXPECT_EQ(AP_OtSet.dwNeedDataBU, 652u);
    EXPECT_EQ(AP_RDTSet.SortAllBadBlockPerDrive, 2720);
    EXPECT_EQ(AP_RDTSet.SortMaxBadBlockPerDie, 680);
    EXPECT_EQ(AP_RDTSet.DeBugBBPerDie, 680);
    EXPECT_EQ(AP_RDTSet.SortMaxBadBlockPerPlane, 340);
    EXPECT_EQ(AP_RDTSet.DeBugErasePerPlane, 340);
    EXPECT_FLOAT_EQ(AP_INIState.fIDEMACapacity, 128.0f);

    AP_INIState.EnPartialTbl = 0;
    AP_RDTSet.SortEraseFailPerDrive = AP_RDTSet.SortProgFailPerDrive = 9;
    CalcIdemaToRatio(Typed(128));
    EXPECT_EQ(AP_RDTSet.SortAllBadBlockPerDrive, 0);
    EXPECT_EQ(AP_RDTSet.SortEraseFailPerDrive, 0);
    EXPECT_EQ(AP_RDTSet.SortProgFailPerDrive, 0);
}

TEST_F(IdemaRatio, MessagesStopAndLeaveTheRecords) {
    struct Case {
        std::optional<long double> typed;
        int channels, dies;
        const char* message;
    };
    for (const Case& c : {Case{128, 0, 4, "Please Check CH/CE number"}, Case{std::nullopt, 4, 4, "Please input a IDEMA capacity"},
                          Case{0, 4, 4, "Please input a correct IDEMA capacity(not equal to 0)"},
                          Case{188, 4, 4, "Please input a correct IDEMA capacity(less than or equal to 187)"},
                          Case{1, 4, 0, "Please input a correct IDEMA capacity(less than or equal to 0)"}}) {
        AP_FlashSet.ucChannel = static_cast<std::uint8_t>(c.channels);
        AP_INIState.bDieNumCount = static_cast<std::uint8_t>(c.dies);
        AP_INIState.ResPercentage = 7;
        EXPECT_EQ(CalcIdemaToRatio(Typed(c.typed)).message, c.message);
        EXPECT_EQ(AP_INIState.ResPercentage, 7);
    }
}

TEST_F(IdemaRatio, CustomerTwoHalvesOnlyTheCapacityPages) {
    AP_FwSet.CustomerID = 2;
    EXPECT_EQ(CalcIdemaToRatio(Typed(94)).message, "Please input a correct IDEMA capacity(less than or equal to 93)");
    EXPECT_EQ(CalcIdemaToRatio(Typed(64)).message, "");
    // The reserved ratio counts half the pages (100 - 125045424 x 100 / (4 x 768 x 32 x 2000)); the
    // budget all of them (ceil(64 x 2^20 / 1536 / 16 / 4 / 2 x 0.932)).
    EXPECT_EQ(AP_INIState.ResPercentage, 363);
    EXPECT_TRUE(trace_.Contains("wDataBU = 319\n"));
    EXPECT_TRUE(trace_.Contains("wPagesNum = 1536\n"));
}

TEST_F(IdemaRatio, NegativeBudgetIsZero) {
    // Two dies per CE: the limit counts LUNs, the budget one LUN's units.
    AP_FlashSet.ucDiePerCE = 2;
    EXPECT_EQ(CalcIdemaToRatio(Typed(180)).message, "");
    EXPECT_EQ(AP_INIState.DefPercentage, 0);
    EXPECT_EQ(AP_RDTSet.SortMaxBadBlockPerPlane, 0);
    EXPECT_TRUE(trace_.Contains("taken as 0\n"));
    // With RAID as well.
    AP_INIState.EnVD = 1;
    AP_INIState.VDieRaidNum = 4;
    EXPECT_EQ(CalcIdemaToRatio(Typed(180)).message, "");
    EXPECT_EQ(AP_INIState.DefPercentage, 0);
    // A RAID group of 0 ends the computation.
    AP_INIState.VDieRaidNum = 0;
    AP_INIState.DefPercentage = 5;
    EXPECT_EQ(CalcIdemaToRatio(Typed(100)).message, "");
    EXPECT_EQ(AP_INIState.DefPercentage, 5);
}

TEST_F(IdemaRatio, RaidBudgetByHand) {
    AP_INIState.EnVD = 1;
    AP_INIState.VDieRaidNum = 4;
    CalcIdemaToRatio(Typed(128));
    // wDataBU 637; parity ceil(637/4) = 160; super ceil((637+160)*4/4) = 797; roll ceil(0.02*797) = 16;
    // X = (797+2+16)*4 = 3260; bad = ceil(992 - 3260/4) = 177; good = ceil(815 + 8) = 823.
    for (const char* line : {"wVDParitBU = 160\n", "wVDSuperBU = 797\n", "wRollRateBU = 16\n", "wBadBlock = 177\n",
                             "dwTotalGoodBU = 823, Total Good Block = 6584\n"}) {
        EXPECT_TRUE(trace_.Contains(line)) << line;
    }
    EXPECT_EQ(AP_INIState.DefPercentage, 177);
}

TEST_F(IdemaRatio, PureSlcDividesThePages) {
    AP_INIState.PureSLC = 1;  // TLC: a third of the pages
    EXPECT_EQ(CalcIdemaToRatio(Typed(63)).message, "Please input a correct IDEMA capacity(less than or equal to 62)");
    EXPECT_EQ(CalcIdemaToRatio(Typed(32)).message, "");
    EXPECT_TRUE(trace_.Contains("wPagesNum = 512\n"));
}

TEST_F(IdemaRatio, Restore) {
    AP_INIState.ResPercentage = 1;
    const settings::RestoreOutcome out = settings::RestoreDefaultRatio();
    EXPECT_EQ(out.message, "");
    EXPECT_EQ(out.editText, "128");
    EXPECT_TRUE(trace_.Contains("######### - fn_GetMaxPower - Capacity per die is 32\n"));
    EXPECT_TRUE(trace_.Contains("######### - Capacity per die is 46.00\n"));
    EXPECT_EQ(AP_INIState.IDEMACapacity, 128);
    EXPECT_FLOAT_EQ(AP_INIState.fIDEMACapacity, 128.0f);
    EXPECT_EQ(AP_INIState.ResPercentage, 68);
    EXPECT_EQ(AP_INIState.DiffRatioRange, 38);
    EXPECT_EQ(AP_INIState.CapacitySectorLow, 250069680u);
    // Block units per plane set, not per die: 1000 units, the same budget as "Set".
    EXPECT_EQ(AP_INIState.DefPercentage, 340);
}

}  // namespace
