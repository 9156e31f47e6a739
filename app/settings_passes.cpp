#include "app/settings_passes.h"

#include <cstdio>
#include <cstring>

#include "app/control_store.h"
#include "app/die_map_controls.h"
#include "app/mp_item_table.h"
#include "app/settings_passes_pages.h"
#include "app/settings_tables.h"
#include "procedures/V_Proc_GdpParam.h"
#include "settings/die_remap.h"
#include "settings/flash_list.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

constexpr const char* kFlashTypes[] = {"SLC", "MLC", "TLC", "QLC"};
constexpr const char* kLdpcModes[] = {"N/A", "Rate 1", "Rate 2", "Rate 3", "Rate 4"};
constexpr const char* kInterfaces[] = {"Legacy",
                                       "Toggle 2.0",
                                       "ONFI 2.X",
                                       "Legacy to Toggle 1.0",
                                       "Legacy (Dual)",
                                       "Legacy to Toggle 1.0 (Dual)",
                                       "Toggle 2.0 (Dual)",
                                       "Toggle 1.0",
                                       "ONFI 3.0",
                                       "Legacy to Toggle 2.0",
                                       "ONFI 4.0"};
constexpr std::uint16_t kClocks[] = {33, 100, 200, 266, 333, 400};

template <std::size_t N>
std::string FromTable(const char* const (&table)[N], std::uint8_t code) {
    return code < N ? table[code] : std::to_string(code);
}

// The pre-format flags in the order of PFormatRadioGroup's items.
std::uint8_t* const kPreformatFlags[] = {&AP_INIState.EnFactoryBad, &AP_INIState.EnInheritFW,
                                         &AP_INIState.EnEraseSearch, &AP_INIState.EnInheritRDT,
                                         &AP_INIState.EnAutoInherit};

const PageRow& Row(const std::vector<PageRow>& rows, const char* name) {
    for (const PageRow& r : rows) {
        if (std::strcmp(r.name, name) == 0) return r;
    }
    static const PageRow kNone{"", ControlKind::Label};
    return kNone;
}

std::string FlashUniName() {
    return std::string(AP_INIState.FlashUniName, ::strnlen(AP_INIState.FlashUniName, sizeof AP_INIState.FlashUniName));
}

void ShowToolMode(ControlStore& store, SettingsWindow& window) {
    const int mode = AP_INIState.ToolMode;
    if (mode != 0 && mode != 1) return;
    window.SetMenuChecked("MPT", mode == 0);
    window.SetMenuChecked("SORT", mode == 1);
    store.SetText("ToolModeLabel", mode == 0 ? "MP" : "SORT");
    window.SetPageEnabled(3, mode == 0);
    window.SetPageEnabled(4, mode == 1);
}

void ShowLayouts(SettingsWindow& window) {
    if (AP_INIState.DevicePanelStyle == 1) {
        window.SetMenuChecked("BlockLayout", true);
        window.SetMenuChecked("ListLayout", false);
        window.BlockLayoutClick();
    } else if (AP_INIState.DevicePanelStyle == 0) {
        window.SetMenuChecked("BlockLayout", false);
        window.SetMenuChecked("ListLayout", true);
        window.ListLayoutClick();
    }
    if (AP_INIState.WindowSizeMode == 0) {
        window.SetMenuChecked("Full", true);
        window.SetMenuChecked("Partial", false);
        window.FullClick();
    } else if (AP_INIState.WindowSizeMode == 1) {
        window.SetMenuChecked("Full", false);
        window.SetMenuChecked("Partial", true);
        window.PartialClick();
    }
}

// The test-item list by tool mode; in SORT mode the sorting entry of the run mode is switched on.
void ShowTestItemList(ControlStore& store) {
    std::int32_t* enable = AP_INIState.dwItemEnable;
    const bool mp = AP_INIState.ToolMode == 0;
    const bool sort = AP_INIState.ToolMode == 1;
    std::vector<int> ids = {1, 3, 4, 5};
    if (mp) ids.push_back(7);
    if (sort) ids.push_back(6);
    ids.push_back(kItemDownload);
    if (enable[9] != 0) ids.push_back(9);
    if (mp) {
        ids.push_back(10);
        ids.push_back(11);
    }
    if (sort && AP_RDTSet.RunSortingMode == 0) {
        ids.push_back(kItemCheckRdtFw);
        enable[kItemCheckRdtFw] = 1;
        enable[kItemSortConnection] = 0;
    }
    if (sort && AP_RDTSet.RunSortingMode == 1) {
        ids.push_back(kItemSortConnection);
        enable[kItemCheckRdtFw] = 0;
        enable[kItemSortConnection] = 1;
    }
    if (enable[15] != 0) ids.push_back(15);
    if (enable[34] != 0) ids.push_back(34);
    if (enable[17] != 0) ids.push_back(17);
    std::vector<std::string> names;
    for (int id : ids) names.emplace_back(g_MPItemTable[id].sItemName);
    store.SetItems("FunCheckListBox", names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int id = FindTestItem(names[i]);
        store.SetItemChecked("FunCheckListBox", static_cast<int>(i), id > 0 && enable[id] != 0);
    }
}

void ShowTestItemOptions(ControlStore& store) {
    const std::vector<PageRow>& rows = TestItemsPageRows();
    for (const PageRow& row : rows) {
        if (std::strcmp(row.name, "PFormatRadioGroup") == 0) {
            for (int i = 0; i < 5; ++i) {
                if (*kPreformatFlags[i] == 0) continue;
                store.SetItemIndex(row.name, i);
                break;
            }
            continue;
        }
        RowToControl(store, row);
    }
    store.SetVisible("CheckNANDTimeCheckBox", AP_INIState.ToolMode == 1);
    if (AP_INIState.ToolMode == 0) {
        store.SetVisible("PFormatRadioGroup", true);
        store.SetVisible("InheritSort_CB", true);
        store.SetVisible("EraseAllRadioGroup", false);
    } else if (AP_INIState.ToolMode == 1) {
        store.SetVisible("PFormatRadioGroup", false);
        store.SetVisible("InheritSort_CB", false);
        store.SetVisible("EraseAllRadioGroup", true);
        store.SetLeft("EraseAllRadioGroup", store.Left("PFormatRadioGroup"));
    }
}

void TakeTestItemOptions(const ControlStore& store) {
    for (const PageRow& row : TestItemsPageRows()) {
        if (std::strcmp(row.name, "PFormatRadioGroup") == 0) {
            const int index = store.ItemIndex(row.name);
            for (int i = 0; i < 5; ++i) *kPreformatFlags[i] = index == i ? 1 : 0;
            continue;
        }
        ControlToRow(store, row);
    }
}

void ShowFlashGroup(ControlStore& store, SettingsWindow& window) {
    const int vendors = window.FlashVendorCount();
    std::vector<std::string> names;
    for (int v = 0; v < vendors && v < static_cast<int>(kFlashVendorMax); ++v) {
        names.emplace_back(g_FlashVendorName[v], ::strnlen(g_FlashVendorName[v], kFlashVendorNameSize));
    }
    store.SetItems("FlashVendorComboBox", names);
    const int record = FindFlashIndex(FlashUniName().c_str());
    int vendor = -1;
    for (int v = 0; v < static_cast<int>(names.size()); ++v) {
        if (g_FlashVendorStart[v] <= record) vendor = v;
    }
    if (vendor >= 0) {
        store.SetItemIndex("FlashVendorComboBox", vendor);
        FillFlashTypeList(store, true);
        store.SetItemIndex("FlashTypeComboBox", record - g_FlashVendorStart[vendor]);
    } else {
        store.SetItems("FlashTypeComboBox", {});
    }
    store.SetText("ChannelLabeledEdit", std::to_string(AP_INIState.Channel));
    store.SetText("BankLabeledEdit", std::to_string(AP_INIState.Bank));
    store.SetText("PlaneLabeledEdit", std::to_string(AP_FlashSet.ucPlanes));
    const AP_FlashSet_t& f = AP_FlashSet;
    store.SetText("FlashInfoMemo",
                  "Type: " + FlashTypeText(f.ucFlashType) + ", Die/CE: " + std::to_string(f.ucDiePerCE) +
                      "\nTotal Block: " + std::to_string(f.wBlocks) + ", Block Page: " + std::to_string(f.wPages) +
                      "\nPage Size: " + std::to_string(static_cast<unsigned>(f.wPageSize) * 1024u) +
                      "\nLDPC Mode: " + LdpcModeText(f.ucLdpcMode) +
                      "\nFlash Interface: " + FlashInterfaceText(f.ucFlashInterface));
    ShowRatios(store);
    store.SetItemIndex("ClockComboBox", ItemOfClock(AP_INIState.Clock));
    store.SetItems("TMCComboBox", window.TmcSections(f.ucFlashInterface, AP_INIState.Clock));
    RowToControl(store, Row(MainPageRows(), "TMCComboBox"));
    window.TMCComboBoxChange();
}

void TakeFlashChoice(const ControlStore& store, SettingsWindow& window) {
    const int vendor = store.ItemIndex("FlashVendorComboBox");
    const int part = store.ItemIndex("FlashTypeComboBox");
    const int vendors = window.FlashVendorCount();
    if (vendor < 0 || vendor >= vendors || vendor >= static_cast<int>(kFlashVendorMax) || part < 0 ||
        g_FlashVendorStart[vendor] + part >= g_FlashVendorStart[vendor + 1]) {
        TraceOut("######### - UpdateUI2Struct - no flash part selected, FlashUniName stays %s\n", FlashUniName().c_str());
        return;
    }
    const FlashRecord_t& r = g_FlashRecord[g_FlashVendorStart[vendor] + part];
    const std::size_t n = ::strnlen(r.FlashUniName, sizeof AP_INIState.FlashUniName - 1);
    std::memset(AP_INIState.FlashUniName, 0, sizeof AP_INIState.FlashUniName);
    std::memcpy(AP_INIState.FlashUniName, r.FlashUniName, n);
}

}  // namespace

std::string FlashTypeText(std::uint8_t code) {
    return FromTable(kFlashTypes, code);
}
std::string LdpcModeText(std::uint8_t code) {
    return FromTable(kLdpcModes, code);
}
std::string FlashInterfaceText(std::uint8_t code) {
    return FromTable(kInterfaces, code);
}

std::uint16_t ClockOfItem(int index) {
    return index >= 0 && index < 6 ? kClocks[index] : 33;
}

int ItemOfClock(std::uint16_t clock) {
    for (int i = 0; i < 6; ++i) {
        if (kClocks[i] == clock) return i;
    }
    return 0;
}

std::string TimingSectionName(unsigned flashInterface, unsigned clock, unsigned profile) {
    char name[64];
    std::snprintf(name, sizeof name, "TIMING_SETTING_TYPE_%02u%03u%02u", flashInterface, clock, profile);
    return name;
}

bool FillFlashTypeList(ControlStore& store, bool first) {
    store.SetItems("FlashTypeComboBox", {});
    const int vendor = store.ItemIndex("FlashVendorComboBox");
    if (vendor < 0 || vendor >= static_cast<int>(kFlashVendorMax)) return false;
    std::vector<std::string> items;
    for (int r = g_FlashVendorStart[vendor]; r < g_FlashVendorStart[vendor + 1] && r < static_cast<int>(kFlashRecordMax);
         ++r) {
        const FlashRecord_t& rec = g_FlashRecord[r];
        items.push_back(std::string(rec.FlashUniName, ::strnlen(rec.FlashUniName, sizeof rec.FlashUniName)) + "  /  " +
                        std::string(rec.sFlashFullName, ::strnlen(rec.sFlashFullName, sizeof rec.sFlashFullName)) +
                        " (" + std::to_string(rec.ucCE) + "CE)");
    }
    store.SetItems("FlashTypeComboBox", items);
    store.SetItemIndex("FlashTypeComboBox", first ? 0 : g_FlashTypeIndex);
    return true;
}

void UpdateStruct2UI(ControlStore& store, SettingsWindow& window) {
    TraceOut("######### - UpdateStruct2UI\n");
    ShowToolMode(store, window);
    if (AP_INIState.MPVersion != 0) window.LockUI(1);
    ShowLayouts(window);
    ShowTestItemList(store);
    ShowTestItemOptions(store);
    ShowDevicePage(store);
    ShowFlashGroup(store, window);
    ProcessDieRemapStruct2UI(store);
    ProcessDieRemapUI2Struct(store);
    ShowSysFwPage(store, false);
    ShowSortFwPage(store);
    ShowSysFwPage(store, true);
}

void UpdateUI2Struct(ControlStore& store, SettingsWindow& window) {
    TraceOut("######### - UpdateUI2Struct\n");
    AP_INIState.ToolMode = window.MenuChecked("MPT") ? 0 : window.MenuChecked("SORT") ? 1 : 0;
    TakeDevicePage(store);
    TakeFlashChoice(store, window);
    ControlToRow(store, Row(MainPageRows(), "TMCComboBox"));
    AP_INIState.Clock = ClockOfItem(store.ItemIndex("ClockComboBox"));
    if (g_bAutoDetecting == 0) ProcessDieRemapUI2Struct(store);
    TakeTestItemOptions(store);
    TakeSysFwFeatures(store);
    ProcessDieRemapForFlash([&window](const char* text) { window.ShowMessage(text); });
    TakeSysFwPage(store, false);
    TakeSortFwPage(store);
    TakeSysFwPage(store, true);
    window.LoadParaFile();
    window.ChangeGlobalParameter();
}

}  // namespace app
