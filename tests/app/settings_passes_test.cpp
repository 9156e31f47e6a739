// The two settings passes without a display: the Main Page and Test Items rows over a
// MemoryControlStore, the window's part recorded by a fake.
#include "app/settings_passes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "app/control_store.h"
#include "app/settings_tables.h"
#include "app/tmc_sections.h"
#include "forms/str_to_int.h"
#include "procedures/V_Proc_GdpParam.h"
#include "settings/flash_list.h"
#include "settings/records.h"
#include "settings/records_guard.h"

namespace {

class FakeWindow : public app::SettingsWindow {
  public:
    bool MenuChecked(const std::string& item) const override {
        const auto it = menu.find(item);
        return it != menu.end() && it->second;
    }
    void SetMenuChecked(const std::string& item, bool checked) override { menu[item] = checked; }
    void SetPageEnabled(int page, bool enabled) override { pages[page] = enabled; }
    void LockUI(int lock) override { calls += "LockUI(" + std::to_string(lock) + ") "; }
    void ListLayoutClick() override { calls += "List "; }
    void BlockLayoutClick() override { calls += "Block "; }
    void FullClick() override { calls += "Full "; }
    void PartialClick() override { calls += "Partial "; }
    int FlashVendorCount() const override { return vendors; }
    std::vector<std::string> TmcSections(std::uint8_t, std::uint16_t) override { return sections; }
    void TMCComboBoxChange() override { calls += "TMC "; }
    void LoadParaFile() override { calls += "Para "; }
    void ChangeGlobalParameter() override { calls += "Change "; }
    void ShowMessage(const std::string& text) override { calls += "Message(" + text + ") "; }

    std::map<std::string, bool> menu;
    std::map<int, bool> pages;
    std::string calls;
    int vendors = 0;
    std::vector<std::string> sections;
};

class SettingsPasses : public ::testing::Test {
  protected:
    SettingsPasses() {
        std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), records_);
        std::memcpy(starts_, g_FlashVendorStart, sizeof starts_);
        std::memcpy(names_, g_FlashVendorName, sizeof names_);
        app::PutTableItems(store_, app::MainPageRows());
        app::PutTableItems(store_, app::TestItemsPageRows());
        // Two vendors: A with parts P0 and P1, B with P2.
        for (int r = 0; r < 3; ++r) {
            g_FlashRecord[r] = FlashRecord_t{};
            std::snprintf(g_FlashRecord[r].FlashUniName, 10, "P%c", static_cast<char>('0' + r));
            std::snprintf(g_FlashRecord[r].sFlashFullName, 32, "Full%c", static_cast<char>('0' + r));
            g_FlashRecord[r].ucCE = 2;
        }
        std::strcpy(g_FlashVendorName[0], "A");
        std::strcpy(g_FlashVendorName[1], "B");
        g_FlashVendorStart[0] = 0;
        g_FlashVendorStart[1] = 2;
        g_FlashVendorStart[2] = 3;
        window_.vendors = 2;
        std::strcpy(AP_INIState.FlashUniName, "P1");
    }
    ~SettingsPasses() override {
        std::copy(std::begin(records_), std::end(records_), g_FlashRecord);
        std::memcpy(g_FlashVendorStart, starts_, sizeof starts_);
        std::memcpy(g_FlashVendorName, names_, sizeof names_);
        g_bAutoDetecting = 0;
    }
    std::vector<std::string> Items() const { return store_.Items("FunCheckListBox"); }

    test_support::SettingsRecordsGuard guard_;
    app::MemoryControlStore store_;
    FakeWindow window_;

  private:
    FlashRecord_t records_[kFlashRecordMax];
    std::int32_t starts_[kFlashVendorMax + 1];
    char names_[kFlashVendorMax][kFlashVendorNameSize];
};

TEST_F(SettingsPasses, RecordsToControlsAndBack) {
    struct Case {
        const char* what;
        void (*setup)();
        void (*check)(const app::MemoryControlStore&, const FakeWindow&);
    };
    const Case cases[] = {
        {"SORT with RunSortingMode 0 lists seven entries and checks Check RDT FW",
         [] {
             AP_INIState.ToolMode = 1;
             AP_RDTSet.RunSortingMode = 0;
         },
         [](const app::MemoryControlStore& s, const FakeWindow& w) {
             EXPECT_EQ(s.Items("FunCheckListBox"),
                       (std::vector<std::string>{"Flash Module", "Bus Interface", "Flash Interface", "Dram Test",
                                                 "Erase Blocks", "Download", "Check RDT FW"}));
             EXPECT_TRUE(s.ItemChecked("FunCheckListBox", 6));
             EXPECT_EQ(AP_INIState.dwItemEnable[13], 1);
             EXPECT_EQ(s.Text("ToolModeLabel"), "SORT");
             EXPECT_TRUE(w.MenuChecked("SORT"));
             EXPECT_FALSE(w.pages.at(3));
             EXPECT_TRUE(w.pages.at(4));
             EXPECT_FALSE(s.Visible("PFormatRadioGroup"));
             EXPECT_TRUE(s.Visible("EraseAllRadioGroup"));
             EXPECT_EQ(s.Left("EraseAllRadioGroup"), 57);
             EXPECT_TRUE(s.Visible("CheckNANDTimeCheckBox"));
         }},
        {"Upload follows Download, checked",
         [] { AP_INIState.dwItemEnable[9] = 1; },
         [](const app::MemoryControlStore& s, const FakeWindow&) {
             const auto items = s.Items("FunCheckListBox");
             ASSERT_GE(items.size(), 7u);
             EXPECT_EQ(items[5], "Download");
             EXPECT_EQ(items[6], "Upload");
             EXPECT_TRUE(s.ItemChecked("FunCheckListBox", 6));
             EXPECT_FALSE(s.Visible("EraseAllRadioGroup"));
             EXPECT_FALSE(s.Visible("CheckNANDTimeCheckBox"));
         }},
        {"Clock 150 shows 33",
         [] { AP_INIState.Clock = 150; },
         [](const app::MemoryControlStore& s, const FakeWindow&) { EXPECT_EQ(s.ItemIndex("ClockComboBox"), 0); }},
        {"profile 2 selects the third section",
         [] { AP_FwSet.SetFeatureSettingProfile = 2; },
         [](const app::MemoryControlStore& s, const FakeWindow& w) {
             EXPECT_EQ(s.Items("TMCComboBox"), w.sections);
             EXPECT_EQ(s.ItemIndex("TMCComboBox"), 2);
             EXPECT_NE(w.calls.find("TMC "), std::string::npos);
         }},
        {"the part and its vendor are selected; layouts and lock follow the record",
         [] {
             std::strcpy(AP_INIState.FlashUniName, "P2");
             AP_INIState.DevicePanelStyle = 1;
             AP_INIState.WindowSizeMode = 1;
             AP_INIState.MPVersion = 1;
             AP_INIState.Channel = 4;
             AP_FlashSet.ucFlashType = 9;
             AP_FlashSet.ucFlashInterface = 1;
         },
         [](const app::MemoryControlStore& s, const FakeWindow& w) {
             EXPECT_EQ(s.Items("FlashVendorComboBox"), (std::vector<std::string>{"A", "B"}));
             EXPECT_EQ(s.ItemIndex("FlashVendorComboBox"), 1);
             EXPECT_EQ(s.Items("FlashTypeComboBox"), std::vector<std::string>{"P2  /  Full2 (2CE)"});
             EXPECT_EQ(s.ItemIndex("FlashTypeComboBox"), 0);
             EXPECT_EQ(s.Text("ChannelLabeledEdit"), "4");
             EXPECT_NE(s.Text("FlashInfoMemo").find("Type: 9, Die/CE"), std::string::npos);
             EXPECT_NE(s.Text("FlashInfoMemo").find("Flash Interface: Toggle 2.0"), std::string::npos);
             EXPECT_EQ(w.calls.substr(0, 22), "LockUI(1) Block Partia");
             EXPECT_TRUE(w.MenuChecked("BlockLayout"));
             EXPECT_FALSE(w.MenuChecked("ListLayout"));
             EXPECT_TRUE(w.MenuChecked("Partial"));
         }},
        {"pre-format flags: the first set one is the item",
         [] {
             AP_INIState.EnEraseSearch = 1;
             AP_INIState.EnAutoInherit = 1;
         },
         [](const app::MemoryControlStore& s, const FakeWindow&) { EXPECT_EQ(s.ItemIndex("PFormatRadioGroup"), 2); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSettingsRecords();
        std::strcpy(AP_INIState.FlashUniName, "P1");
        window_ = FakeWindow{};
        window_.vendors = 2;
        window_.sections = {"TIMING_SETTING_TYPE_0120000", "TIMING_SETTING_TYPE_0120001", "TIMING_SETTING_TYPE_0120005"};
        store_.SetLeft("PFormatRadioGroup", 57);
        c.setup();
        app::UpdateStruct2UI(store_, window_);
        c.check(store_, window_);
    }
}

TEST_F(SettingsPasses, ControlsToRecords) {
    app::UpdateStruct2UI(store_, window_);
    EXPECT_EQ(store_.ItemIndex("FlashTypeComboBox"), 1);
    // No pre-format flag set keeps the item; no item stores five zeros.
    store_.SetItemIndex("PFormatRadioGroup", 3);
    app::UpdateStruct2UI(store_, window_);
    EXPECT_EQ(store_.ItemIndex("PFormatRadioGroup"), 3);
    store_.SetItemIndex("PFormatRadioGroup", -1);
    AP_INIState.EnFactoryBad = 1;
    window_.menu["MPT"] = false;
    window_.menu["SORT"] = true;
    store_.SetItemIndex("ClockComboBox", 4);
    store_.SetText("DataPathLoopLabeledEdit", "70000");
    store_.SetItemIndex("FlashVendorComboBox", 1);
    store_.SetItems("FlashTypeComboBox", {"P2"});
    store_.SetItemIndex("FlashTypeComboBox", 0);
    store_.SetItemIndex("EraseAllRadioGroup", -1);
    window_.calls.clear();
    app::UpdateUI2Struct(store_, window_);
    EXPECT_EQ(AP_INIState.ToolMode, 1);
    EXPECT_EQ(AP_INIState.Clock, 333);
    EXPECT_STREQ(AP_INIState.FlashUniName, "P2");
    EXPECT_EQ(AP_INIState.FlashTestDataPathLoop, 70000u);
    EXPECT_EQ(AP_INIState.EraseAllType, 255);
    for (std::uint8_t flag : {AP_INIState.EnFactoryBad, AP_INIState.EnInheritFW, AP_INIState.EnEraseSearch,
                              AP_INIState.EnInheritRDT, AP_INIState.EnAutoInherit}) {
        EXPECT_EQ(flag, 0);
    }
    EXPECT_EQ(window_.calls, "Para Change ");

    // Clock item -1 stores 33; an empty part list keeps the name.
    store_.SetItemIndex("ClockComboBox", -1);
    store_.SetItems("FlashTypeComboBox", {});
    app::UpdateUI2Struct(store_, window_);
    EXPECT_EQ(AP_INIState.Clock, 33);
    EXPECT_STREQ(AP_INIState.FlashUniName, "P2");

    // While auto-detection runs the die status is left alone.
    g_bAutoDetecting = 1;
    AP_INIState.bDieStatus[7][3] = 0x5A;
    app::UpdateUI2Struct(store_, window_);
    EXPECT_EQ(AP_INIState.bDieStatus[7][3], 0x5A);
}

TEST_F(SettingsPasses, ANonNumberEndsThePassAtItsRow) {
    app::UpdateStruct2UI(store_, window_);
    const AP_FlashSet_t flash = AP_FlashSet;
    const AP_ParaSet_t para = AP_ParaSet;
    store_.SetText("DataPathThresholdLabeledEdit", "7");
    store_.SetChecked("CheckNANDTimeCheckBox", !AP_INIState.EnCheckNandTime);
    const std::uint8_t nandTime = AP_INIState.EnCheckNandTime;
    store_.SetItemIndex("ClockComboBox", 5);
    store_.SetText("DataPathLoopLabeledEdit", "12x");
    window_.calls.clear();
    try {
        app::UpdateUI2Struct(store_, window_);
        ADD_FAILURE() << "no error";
    } catch (const forms::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
    }
    EXPECT_EQ(AP_INIState.Clock, 400);
    EXPECT_EQ(AP_INIState.FlashTestDataPathThreshold, 7);
    EXPECT_EQ(AP_INIState.EnCheckNandTime, nandTime);
    EXPECT_EQ(window_.calls, "");
    EXPECT_EQ(std::memcmp(&flash, &AP_FlashSet, sizeof flash), 0);
    EXPECT_EQ(std::memcmp(&para, &AP_ParaSet, sizeof para), 0);
}

TEST(SettingsTables, GeneralConversionsTruncateToTheField) {
    test_support::SettingsRecordsGuard guard;
    app::MemoryControlStore store;
    const app::PageRow byte{"B", app::ControlKind::Edit, "", {}, 0, "",
                            app::FieldOf([]() -> auto& { return AP_INIState.FlashTestDataPathThreshold; }),
                            app::Conversion::Decimal};
    const app::PageRow text{"T", app::ControlKind::Edit, "", {}, 0, "",
                            app::FieldOf([]() -> auto& { return AP_INIState.FlashUniName; }), app::Conversion::Text};
    store.SetText("B", "300");
    app::ControlToRow(store, byte);
    EXPECT_EQ(AP_INIState.FlashTestDataPathThreshold, 44);
    store.SetText("T", "ABCDEFGHIJKL");
    app::ControlToRow(store, text);
    EXPECT_STREQ(AP_INIState.FlashUniName, "ABCDEFGHI");
    app::RowToControl(store, text);
    EXPECT_EQ(store.Text("T"), "ABCDEFGHI");
    EXPECT_EQ(app::FlashInterfaceText(10), "ONFI 4.0");
    EXPECT_EQ(app::FlashInterfaceText(11), "11");
    EXPECT_EQ(app::LdpcModeText(5), "5");
    EXPECT_EQ(app::TimingSectionName(2, 266, 1), "TIMING_SETTING_TYPE_0226601");
}

TEST(TmcSections, OnlySectionsWithANoteAreListedInProfileOrder) {
    const forms::IniText text = forms::IniText::Parse(
        "[TIMING_SETTING_TYPE_0226601]\nNote=second\n[TIMING_SETTING_TYPE_0226600]\nNote=first\n"
        "[TIMING_SETTING_TYPE_0226602]\nClock=266\n[TIMING_SETTING_TYPE_0226603]\nNote=N/A\n"
        "[TIMING_SETTING_TYPE_0220000]\nNote=other clock\n[timing_setting_type_0226699]\nnote=last\n");
    EXPECT_EQ(app::TmcSectionsOf(text, 2, 266),
              (std::vector<std::string>{"TIMING_SETTING_TYPE_0226600", "TIMING_SETTING_TYPE_0226601",
                                        "TIMING_SETTING_TYPE_0226699"}));
    EXPECT_TRUE(app::TmcSectionsOf(text, 2, 333).empty());
    EXPECT_EQ(app::TmcNote(text, "TIMING_SETTING_TYPE_0226601"), "second");
    EXPECT_EQ(app::TmcNote(text, "TIMING_SETTING_TYPE_0226602"), "N/A");
}

}  // namespace
