// The present-die test over one-die-per-CE and multi-LUN die maps.
#include <gtest/gtest.h>

#include <cstring>

#include "procedures/step_fail_info.h"

namespace {

class PresentDie : public ::testing::Test {
  protected:
    void TearDown() override {
        AP_INIState = saved_;
        AP_FlashSet = savedFlash_;
    }
    AP_INIState_t saved_ = AP_INIState;
    AP_FlashSet_t savedFlash_ = AP_FlashSet;
};

TEST_F(PresentDie, OneDiePerCeReadsTheFourBankMap) {
    std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_INIState.bOriDieMap[0][0] = 0;
    AP_INIState.bOriDieMap[3][2] = 7;
    AP_INIState.MaxPhyBank = 2;  // not looked at with one die per CE
    for (std::uint8_t dies : {0, 1}) {
        AP_FlashSet.ucDiePerCE = dies;
        EXPECT_TRUE(procedures::IsPresentDie(0, 0));
        EXPECT_TRUE(procedures::IsPresentDie(3, 2));
        EXPECT_FALSE(procedures::IsPresentDie(3, 1));
        EXPECT_FALSE(procedures::IsPresentDie(0, 4)) << "outside the map";
        EXPECT_FALSE(procedures::IsPresentDie(8, 0));
        EXPECT_FALSE(procedures::IsPresentDie(-1, 0));
        EXPECT_TRUE(procedures::IsPresentLogicalDie(3, 2));
        EXPECT_FALSE(procedures::IsPresentLogicalDie(3, 6));
    }
}

TEST_F(PresentDie, MultiLunReadsTheEightEntryMapBelowMaxPhyBank) {
    std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
    AP_FlashSet.ucDiePerCE = 2;
    AP_INIState.MaxPhyBank = 2;
    AP_INIState.bOriDieMapMultiLun[1][1] = 3;
    AP_INIState.bOriDieMapMultiLun[1][2] = 4;  // LUN 1, CE 0
    AP_INIState.bOriDieMapMultiLun[1][3] = 5;
    EXPECT_TRUE(procedures::IsPresentDie(1, 1));
    EXPECT_FALSE(procedures::IsPresentDie(1, 0));
    EXPECT_FALSE(procedures::IsPresentDie(1, 2)) << "bank 2 is at MaxPhyBank";
    EXPECT_FALSE(procedures::IsPresentDie(2, 1));
    EXPECT_TRUE(procedures::IsPresentLogicalDie(1, 2)) << "the logical walk covers every LUN";
    EXPECT_TRUE(procedures::IsPresentLogicalDie(1, 3));
    EXPECT_FALSE(procedures::IsPresentLogicalDie(1, 8));
}

}  // namespace
