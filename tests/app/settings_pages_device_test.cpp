// The Device Setting, SYS FW Setting and SORT FW Setting pages over a MemoryControlStore: the rows
// that are not a general conversion, as one table of cases, and a seeded round trip of every field
// the three pages carry.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "app/control_store.h"
#include "app/settings_passes_pages.h"
#include "app/settings_tables.h"
#include "forms/str_to_int.h"
#include "settings/records.h"
#include "settings/records_guard.h"

namespace {

class DevicePages : public ::testing::Test {
  protected:
    DevicePages() {
        for (const auto* rows : {&app::DeviceSettingPageRows(), &app::SysFwPageRows(), &app::SortFwPageRows()}) {
            app::PutTableItems(store_, *rows);
        }
        Show();  // every number edit shows its field
    }
    void Show() {
        app::ShowDevicePage(store_);
        app::ShowRatios(store_);
        app::ShowSysFwPage(store_, false);
        app::ShowSortFwPage(store_);
        app::ShowSysFwPage(store_, true);
    }
    void Take() {
        app::TakeDevicePage(store_);
        app::TakeSysFwFeatures(store_);
        app::TakeSysFwPage(store_, false);
        app::TakeSortFwPage(store_);
        app::TakeSysFwPage(store_, true);
    }
    test_support::SettingsRecordsGuard guard_;
    app::MemoryControlStore store_;
};

TEST_F(DevicePages, HexadecimalIdentifiersEachWay) {
    struct Case {
        const char* typed;
        std::uint16_t stored;
        const char* shown;
    };
    for (const Case& c : {Case{"abcd", 0xABCD, "ABCD"}, Case{"ABCD", 0xABCD, "ABCD"}, Case{"", 0, "0000"},
                          Case{"12G4", 0x12, "0012"}, Case{"0x12", 0, "0000"}, Case{"7", 7, "0007"}}) {
        store_.SetText("PciVidLabeledEdit", c.typed);
        Take();
        EXPECT_EQ(AP_INIState.VendorID, c.stored) << c.typed;
        Show();
        EXPECT_EQ(store_.Text("PciVidLabeledEdit"), c.shown) << c.typed;
    }
}

TEST_F(DevicePages, SpecialRowsEachWay) {
    // Records to controls.
    AP_INIState.LimitNVMeSpeed = 52;
    AP_INIState.TempDiff = 200;
    AP_INIState.MinThermal = 200;
    AP_RDTSet.LED_Feature = 183;
    AP_RDTSet.RunLightOn_10MilliSec = 100;
    AP_RDTSet.PassLightOn_10MilliSec = 25;
    Show();
    EXPECT_EQ(store_.Text("PCIeGenTypeComboBox"), "");  // the memory store has no current text; by index:
    EXPECT_EQ(store_.ItemIndex("PCIeGenTypeComboBox"), 2);
    EXPECT_EQ(store_.ItemIndex("PCIeLaneTypeComboBox"), 2);
    EXPECT_EQ(store_.Text("TempDiffLabeledEdit"), "-72");
    EXPECT_EQ(store_.Text("MinThermalLabeledEdit"), "-56");
    EXPECT_TRUE(store_.Checked("Running_Blinking_RB"));
    EXPECT_TRUE(store_.Checked("Pass_Light_RB"));
    EXPECT_TRUE(store_.Checked("Fail_Blinking_RB"));
    EXPECT_TRUE(store_.Checked("En_LEDSetting_CB"));
    EXPECT_EQ(store_.Text("Running_LightOn_LabE"), "1");
    EXPECT_EQ(store_.Text("Pass_LightOn_LabE"), "0.25");
    Take();
    EXPECT_EQ(AP_INIState.LimitNVMeSpeed, 52);
    EXPECT_EQ(AP_INIState.TempDiff, 200);
    EXPECT_EQ(AP_INIState.MinThermal, 200);
    EXPECT_EQ(AP_RDTSet.LED_Feature, 183);

    // Controls to records.
    store_.SetItemIndex("PCIeGenTypeComboBox", 0);
    store_.SetItemIndex("PCIeLaneTypeComboBox", 1);
    store_.SetText("TempDiffLabeledEdit", "-5");
    store_.SetText("MinThermalLabeledEdit", "-5");
    store_.SetText("MaxThermalLabeledEdit", "300");
    store_.SetText("SLCTestLoop_LE", "3");
    store_.SetText("NonSLCTestLoop_LE", "2");
    store_.SetText("Running_LightOn_LabE", "0.3");
    store_.SetText("Pass_LightOn_LabE", "1.259");
    store_.SetText("Fail_LightOn_LabE", "");
    Take();
    EXPECT_EQ(AP_INIState.LimitNVMeSpeed, 0x12);
    EXPECT_EQ(AP_INIState.TempDiff, 133);
    EXPECT_EQ(AP_INIState.MinThermal, 251);
    EXPECT_EQ(AP_INIState.MaxThermal, 44);
    EXPECT_EQ(AP_RDTSet.NANDTotalTestLoops, 5u);
    EXPECT_EQ(AP_RDTSet.RunLightOn_10MilliSec, 30);
    EXPECT_EQ(AP_RDTSet.PassLightOn_10MilliSec, 125);
    EXPECT_EQ(AP_RDTSet.FailLightOn_10MilliSec, 0);
    Show();
    EXPECT_EQ(store_.Text("TempDiffLabeledEdit"), "-5");
    EXPECT_EQ(store_.Text("MinThermalLabeledEdit"), "-5");
    EXPECT_EQ(store_.Text("Fail_LightOn_LabE"), "0");

    // No speed selected: Gen3 and X4.
    store_.SetItemIndex("PCIeGenTypeComboBox", -1);
    store_.SetItemIndex("PCIeLaneTypeComboBox", -1);
    Take();
    EXPECT_EQ(AP_INIState.LimitNVMeSpeed, 0x34);

    // A light time beyond 16 bits or not a number is a conversion error.
    for (const char* bad : {"655.36", "-1", "x"}) {
        store_.SetText("Fail_LightOff_LabE", bad);
        EXPECT_THROW(Take(), forms::ConvertError) << bad;
    }
}

TEST_F(DevicePages, LedZeroLeavesTheButtons) {
    store_.SetChecked("Pass_Dark_RB", true);
    store_.SetChecked("En_LEDSetting_CB", true);
    AP_RDTSet.LED_Feature = 0;
    Show();
    EXPECT_TRUE(store_.Checked("Pass_Dark_RB"));
    EXPECT_FALSE(store_.Checked("En_LEDSetting_CB"));
    Take();
    EXPECT_EQ(AP_RDTSet.LED_Feature, 8);
}

TEST_F(DevicePages, DramTypeAndItsSize) {
    const std::uint32_t expected[] = {128, 256, 256, 512, 512, 1024, 1024, 2048};
    for (int i = 0; i < 50; ++i) {
        store_.SetItemIndex("DramTypeComboBox", i);
        Take();
        EXPECT_EQ(AP_INIState.bDramProfile, i);
        std::uint32_t size = 128;
        if (i >= 1 && i <= 48) size = expected[(i - 1) % 8] * ((i - 1) / 8 >= 3 ? 2 : 1);
        EXPECT_EQ(AP_INIState.dwDramSize, size) << i;
    }
    store_.SetItemIndex("DramTypeComboBox", 32);
    Take();
    EXPECT_EQ(AP_INIState.dwDramSize, 4096u);
    EXPECT_EQ(app::DramTypeItems().size(), 50u);
    EXPECT_STREQ(app::DramTypeItems()[2], "64M16*2  (DDR3)");
}

TEST_F(DevicePages, SpecialTestCaseByPair) {
    struct Case {
        int on, page;
        std::uint16_t before, after;
    };
    for (const Case& c : {Case{0, 0, 9, 0}, Case{1, 0, 9, 1}, Case{0, 1, 9, 2}, Case{1, 1, 9, 3}, Case{1, 2, 9, 9}}) {
        AP_RDTSet.EnPagetProgTh = static_cast<std::uint8_t>(c.page);
        AP_RDTSet.wSpecialTestCase = c.before;
        store_.SetChecked("EntproT_CB", c.on != 0);
        Take();
        EXPECT_EQ(AP_RDTSet.wSpecialTestCase, c.after) << c.on << c.page;
        AP_RDTSet.wSpecialTestCase = c.before;
        Show();
        EXPECT_EQ(AP_RDTSet.wSpecialTestCase, c.after) << c.on << c.page;
    }
}

TEST_F(DevicePages, EnablingRules) {
    const char* const serial[] = {"MaxSNCheckBox", "MaxSNEdit", "MountTimeCheckBox", "SNTimeStringLabeledEdit"};
    for (const char* name : serial) store_.SetEnabled(name, false);
    AP_INIState.SNInputMode = 0;
    Show();
    for (const char* name : serial) EXPECT_FALSE(store_.Enabled(name)) << name;
    AP_INIState.SNInputMode = 2;
    Show();
    for (const char* name : serial) EXPECT_TRUE(store_.Enabled(name)) << name;
    AP_INIState.SNInputMode = 3;
    Show();  // never disabled by the refill
    for (const char* name : serial) EXPECT_TRUE(store_.Enabled(name)) << name;

    AP_INIState.EnDRAMless = 1;
    AP_INIState.DisableHMB = 1;
    Show();
    EXPECT_TRUE(store_.Enabled("DisableHMBCheckBox"));
    store_.SetChecked("DRAMlessCheckBox", false);
    Take();
    Show();
    EXPECT_FALSE(store_.Enabled("DisableHMBCheckBox"));
    EXPECT_TRUE(store_.Checked("DisableHMBCheckBox"));
}

// Every field the pages carry survives records -> controls -> records over seeded random records,
// each value within what its control can show.
TEST_F(DevicePages, SeededRoundTrip) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::pair<const app::PageRow*, std::uint32_t>> numbers;
        std::vector<std::pair<const app::PageRow*, std::string>> texts;
        for (const auto* rows : {&app::DeviceSettingPageRows(), &app::SysFwPageRows(), &app::SortFwPageRows()}) {
            for (const app::PageRow& row : *rows) {
                if (row.field.address == nullptr || row.showOnly) continue;
                if (row.conversion == app::Conversion::Text) {
                    const int limit = row.digits > 0 ? row.digits : static_cast<int>(row.field.size) - 1;
                    std::string text(static_cast<std::size_t>(random() % (limit + 1)), ' ');
                    for (char& ch : text) ch = static_cast<char>('A' + random() % 26);
                    app::WriteTextField(row.field, text);
                    texts.emplace_back(&row, text);
                    continue;
                }
                std::uint32_t value = random();
                switch (row.conversion) {
                    case app::Conversion::CheckBox:
                        value &= 1u;
                        break;
                    case app::Conversion::Index:
                        value %= static_cast<std::uint32_t>(row.items.size());
                        break;
                    case app::Conversion::Decimal:
                        if (row.kind == app::ControlKind::SpinEdit) {
                            value = static_cast<std::uint32_t>(row.low) + value % static_cast<std::uint32_t>(row.high - row.low + 1);
                        } else if (row.field.size == 4) {
                            value &= 0x7FFFFFFFu;
                        }
                        break;
                    default:
                        break;
                }
                app::WriteField(row.field, value);
                numbers.emplace_back(&row, app::ReadField(row.field));
            }
        }
        AP_RDTSet.EnPagetProgTh = static_cast<std::uint8_t>(random() % 2);
        AP_INIState.bDramProfile = static_cast<std::uint8_t>(random() % 50);
        const std::uint8_t gen = static_cast<std::uint8_t>(1 + random() % 4);
        const std::uint8_t lanes[] = {1, 2, 4};
        AP_INIState.LimitNVMeSpeed = static_cast<std::uint8_t>(gen << 4 | lanes[random() % 3]);
        std::uint8_t led = 0;
        for (int shift : {0, 2, 4}) led = static_cast<std::uint8_t>(led | (1 + random() % 3) << shift);
        if (random() % 2 != 0) led |= 0x80;
        AP_RDTSet.LED_Feature = led;
        const std::uint8_t profile = AP_INIState.bDramProfile, speed = AP_INIState.LimitNVMeSpeed;
        // The memory store knows no radio groups: start with every LED button clear.
        for (const char* state : {"Running", "Pass", "Fail"}) {
            for (const char* look : {"_Light_RB", "_Dark_RB", "_Blinking_RB"}) store_.SetChecked(std::string(state) + look, false);
        }

        Show();
        std::memset(&AP_INIState, 0, sizeof AP_INIState);
        std::memset(&AP_RDTSet, 0, sizeof AP_RDTSet);
        std::memset(&AP_FwSet, 0, sizeof AP_FwSet);
        AP_RDTSet.EnPagetProgTh = 1;
        Take();

        for (const auto& [row, value] : numbers) EXPECT_EQ(app::ReadField(row->field), value) << row->name;
        for (const auto& [row, text] : texts) EXPECT_EQ(app::ReadTextField(row->field), text) << row->name;
        EXPECT_EQ(AP_INIState.bDramProfile, profile);
        EXPECT_EQ(AP_INIState.dwDramSize, app::DramSizeOfItem(profile));
        EXPECT_EQ(AP_INIState.LimitNVMeSpeed, speed);
        EXPECT_EQ(AP_RDTSet.LED_Feature, led);
        EXPECT_EQ(AP_RDTSet.NANDTotalTestLoops, AP_RDTSet.NAND_SLCTestLoops + AP_RDTSet.NAND_NonSLCTestLoops);
        EXPECT_EQ(AP_RDTSet.wSpecialTestCase, AP_RDTSet.EntProgTh + 2u);
    }
}

}  // namespace
