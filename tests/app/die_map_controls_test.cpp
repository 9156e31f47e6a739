// The die map's controls over a MemoryControlStore: the round trip the records-to-controls pass
// makes, the click on a die box, and the group and LUN button by the unbalance switch and LUNs.
#include "app/die_map_controls.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/control_store.h"
#include "settings/die_map_page.h"
#include "settings/records.h"
#include "settings/records_guard.h"

namespace {

class DieMapControls : public ::testing::Test {
  protected:
    void Luns(int luns) { AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(luns); }
    void RoundTrip() {
        app::ProcessDieRemapStruct2UI(store_);
        app::ProcessDieRemapUI2Struct(store_);
    }
    test_support::SettingsRecordsGuard guard_;
    app::MemoryControlStore store_;
};

TEST_F(DieMapControls, RoundTripKeepsTheDieStatus) {
    Luns(1);
    std::memset(AP_INIState.bDieStatus, 0, sizeof AP_INIState.bDieStatus);
    AP_INIState.bDieStatus[0][1] = AP_INIState.bDieStatus[0][3] = AP_INIState.bDieStatus[5][0] = 1;
    RoundTrip();
    EXPECT_TRUE(store_.Checked("DieMapCheckBox01"));
    EXPECT_FALSE(store_.Checked("DieMapCheckBox02"));
    EXPECT_EQ(AP_INIState.bDieStatus[0][1], 1);
    EXPECT_EQ(AP_INIState.bDieStatus[0][3], 1);
    EXPECT_EQ(AP_INIState.bDieStatus[5][0], 1);
    EXPECT_EQ(AP_INIState.bDieStatus[0][0], 0);
    EXPECT_EQ(AP_INIState.MPBank, 3);
    EXPECT_EQ(AP_INIState.MPChannel, 2);

    Luns(2);
    std::uint8_t before[8][4][4] = {};
    before[0][0][0] = before[0][1][0] = before[0][0][1] = 1;
    before[3][2][1] = 1;  // a box whose first active LUN is LUN 1
    std::memcpy(AP_INIState.bDieStatusMultiLun, before, sizeof before);
    RoundTrip();
    EXPECT_EQ(std::memcmp(AP_INIState.bDieStatusMultiLun, before, sizeof before), 0);
    EXPECT_TRUE(store_.Checked("DieMapCheckBox32"));
    EXPECT_EQ(store_.Colour("LunSelectShape320"), settings::kLunUnselectedColour);
    EXPECT_EQ(store_.Colour("LunSelectShape321"), settings::kLunSelectedColour);
    EXPECT_TRUE(store_.Visible("LunSelectShape320"));
    EXPECT_FALSE(store_.Visible("LunSelectShape322"));  // beyond ucDiePerCE
    EXPECT_FALSE(store_.Visible("LunSelectShape100"));  // an unchecked box
}

TEST_F(DieMapControls, CheckedBoxWithAllLunsMaroonIsNoDie) {
    Luns(2);
    std::memset(AP_INIState.bDieStatusMultiLun, 0, sizeof AP_INIState.bDieStatusMultiLun);
    store_.SetChecked("DieMapCheckBox00", true);
    for (int l = 0; l < 4; ++l) store_.SetColour(app::LunShapeName(0, 0, l), settings::kLunUnselectedColour);
    app::ProcessDieRemapUI2Struct(store_);
    EXPECT_EQ(AP_INIState.MPBank, 0);
    EXPECT_EQ(AP_INIState.MPChannel, 0);
}

TEST_F(DieMapControls, ClickSelectsOrDeselectsTheLunsInMultiLunOnly) {
    Luns(2);
    store_.SetVisible("LunSelectShape110", false);
    store_.SetChecked("DieMapCheckBox11", true);
    app::DieMapBoxClick(store_, "DieMapCheckBox11");
    for (const char* shape : {"LunSelectShape110", "LunSelectShape111"}) {
        EXPECT_TRUE(store_.Visible(shape)) << shape;
        EXPECT_EQ(store_.Colour(shape), settings::kLunSelectedColour) << shape;
    }
    store_.SetChecked("DieMapCheckBox11", false);
    app::DieMapBoxClick(store_, "DieMapCheckBox11");
    EXPECT_TRUE(store_.Visible("LunSelectShape110"));
    EXPECT_EQ(store_.Colour("LunSelectShape110"), settings::kLunUnselectedColour);

    Luns(1);
    store_.SetChecked("DieMapCheckBox22", true);
    store_.SetColour("LunSelectShape220", settings::kLunUnselectedColour);
    app::DieMapBoxClick(store_, "DieMapCheckBox22");
    EXPECT_EQ(store_.Colour("LunSelectShape220"), settings::kLunUnselectedColour);
    app::DieMapBoxClick(store_, "DieMapCheckBox9");  // not a die box: nothing
}

TEST_F(DieMapControls, GroupAndLunButtonByUnbalanceAndLuns) {
    struct Case {
        int unbalance, luns;
        bool group, button;
    };
    for (const Case& c : {Case{0, 1, false, false}, Case{0, 2, false, false}, Case{1, 1, true, false}, Case{1, 2, true, true}}) {
        AP_INIState.EnUnbalance = static_cast<std::uint8_t>(c.unbalance);
        Luns(c.luns);
        app::ProcessDieRemapStruct2UI(store_);
        EXPECT_EQ(store_.Enabled("DieMapGroupBox"), c.group) << c.unbalance << c.luns;
        EXPECT_EQ(store_.Visible("LunSelectButton"), c.button) << c.unbalance << c.luns;
    }
}

}  // namespace
