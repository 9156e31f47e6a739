#include "app/settings_passes_pages.h"

#include <cstdio>
#include <cstring>

#include "app/control_store.h"
#include "app/settings_tables.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

bool Is(const PageRow& row, const char* name) {
    return std::strcmp(row.name, name) == 0;
}

bool IsRatio(const PageRow& row) {
    return Is(row, "ReservedRatioLabeledEdit") || Is(row, "DefectRatioLabeledEdit");
}

bool InThermal(const PageRow& row) {
    return Is(row, "ThermalGroupBox") || std::strcmp(row.parent, "ThermalGroupBox") == 0;
}

struct LedState {
    const char* light;
    const char* dark;
    const char* blinking;
    int shift;
};

constexpr LedState kLedStates[] = {
    {"Running_Light_RB", "Running_Dark_RB", "Running_Blinking_RB", 0},
    {"Pass_Light_RB", "Pass_Dark_RB", "Pass_Blinking_RB", 2},
    {"Fail_Light_RB", "Fail_Dark_RB", "Fail_Blinking_RB", 4},
};

void ShowLed(ControlStore& store) {
    const unsigned led = AP_RDTSet.LED_Feature;
    for (const LedState& s : kLedStates) {
        switch ((led >> s.shift) & 3u) {
            case 3:
                store.SetChecked(s.blinking, true);
                break;
            case 2:
                store.SetChecked(s.dark, true);
                break;
            case 1:
                store.SetChecked(s.light, true);
                break;
            default:
                break;
        }
    }
    store.SetChecked("En_LEDSetting_CB", (led & 0x80u) != 0);
}

void TakeLed(const ControlStore& store) {
    unsigned led = 0;
    for (const LedState& s : kLedStates) {
        const char* buttons[] = {s.light, s.dark, s.blinking};
        for (unsigned v = 0; v < 3; ++v) {
            if (!store.Checked(buttons[v])) continue;
            led += (v + 1) << s.shift;
            break;
        }
    }
    if (store.Checked("En_LEDSetting_CB")) led += 128;
    AP_RDTSet.LED_Feature = static_cast<std::uint8_t>(led);
}

void SpecialTestCase() {
    const unsigned on = AP_RDTSet.EntProgTh, page = AP_RDTSet.EnPagetProgTh;
    if (on <= 1 && page <= 1) AP_RDTSet.wSpecialTestCase = static_cast<std::uint16_t>(on + 2 * page);
}

void ShowSpeed(ControlStore& store) {
    const unsigned speed = AP_INIState.LimitNVMeSpeed;
    store.SetItemIndex("PCIeGenTypeComboBox", static_cast<int>(speed >> 4) - 1);
    store.SetItemIndex("PCIeLaneTypeComboBox", static_cast<int>((speed & 0x0Fu) / 2));
}

void TakeSpeed(const ControlStore& store) {
    const int gen = store.ItemIndex("PCIeGenTypeComboBox");
    const int lane = store.ItemIndex("PCIeLaneTypeComboBox");
    const unsigned high = gen >= 0 && gen <= 3 ? static_cast<unsigned>(gen) + 1 : 3;
    constexpr unsigned kLanes[] = {1, 2, 4};
    const unsigned low = lane >= 0 && lane <= 2 ? kLanes[lane] : 4;
    AP_INIState.LimitNVMeSpeed = static_cast<std::uint8_t>(high << 4 | low);
}

void TakeDramType(const ControlStore& store) {
    const int index = store.ItemIndex("DramTypeComboBox");
    AP_INIState.bDramProfile = static_cast<std::uint8_t>(index);
    AP_INIState.dwDramSize = DramSizeOfItem(index);
    TraceOut("######### - AP_INIState.bDramProfile is %d, AP_INIState.dwDramSize is %d\n", AP_INIState.bDramProfile,
             static_cast<int>(AP_INIState.dwDramSize));
}

}  // namespace

std::uint32_t DramSizeOfItem(int index) {
    if (index < 1 || index > 48) return 128;
    const int n = index - 1;
    const std::uint32_t depth = 64u << ((n % 8) / 2);
    const std::uint32_t width = n / 8 < 3 ? 16 : 32;
    return depth * width / 8 * (n % 2 == 1 ? 2 : 1);
}

void ShowDevicePage(ControlStore& store) {
    const std::vector<PageRow>& rows = DeviceSettingPageRows();
    for (const PageRow& row : rows) {
        if (IsRatio(row) || Is(row, "ParaIniFileLabeledEdit")) continue;
        RowToControl(store, row);
    }
    if (AP_INIState.SNInputMode == 1 || AP_INIState.SNInputMode == 2) {
        for (const char* name : {"MaxSNCheckBox", "MaxSNEdit", "MountTimeCheckBox", "SNTimeStringLabeledEdit"}) {
            store.SetEnabled(name, true);
        }
    }
    store.SetItemIndex("DramTypeComboBox", AP_INIState.bDramProfile);
    RowToControl(store, RowNamed(rows, "ParaIniFileLabeledEdit"));
}

void ShowRatios(ControlStore& store) {
    const std::vector<PageRow>& rows = DeviceSettingPageRows();
    RowToControl(store, RowNamed(rows, "ReservedRatioLabeledEdit"));
    RowToControl(store, RowNamed(rows, "DefectRatioLabeledEdit"));
    char text[64];
    std::snprintf(text, sizeof text, "%4.2f", static_cast<double>(AP_INIState.fIDEMACapacity));
    store.SetText("IDEMACapacityLabeledEdit", text);
}

void ShowSysFwPage(ControlStore& store, bool thermal) {
    for (const PageRow& row : SysFwPageRows()) {
        if (InThermal(row) != thermal || Is(row, "DramTypeComboBox")) continue;
        if (Is(row, "PCIeGenTypeComboBox")) ShowSpeed(store);
        RowToControl(store, row);
    }
    if (!thermal) store.SetEnabled("DisableHMBCheckBox", store.Checked("DRAMlessCheckBox"));
}

void ShowSortFwPage(ControlStore& store) {
    for (const PageRow& row : SortFwPageRows()) {
        if (Is(row, "En_LEDSetting_CB")) ShowLed(store);
        RowToControl(store, row);
        if (Is(row, "EntproT_CB")) SpecialTestCase();
    }
}

void TakeDevicePage(const ControlStore& store) {
    for (const PageRow& row : DeviceSettingPageRows()) {
        if (!IsRatio(row)) ControlToRow(store, row);
    }
    TakeDramType(store);
}

void TakeSysFwFeatures(const ControlStore& store) {
    for (const PageRow& row : SysFwPageRows()) {
        if (!InThermal(row) && row.conversion == Conversion::CheckBox) ControlToRow(store, row);
    }
    const std::vector<PageRow>& rows = DeviceSettingPageRows();
    ControlToRow(store, RowNamed(rows, "ReservedRatioLabeledEdit"));
    ControlToRow(store, RowNamed(rows, "DefectRatioLabeledEdit"));
}

void TakeSysFwPage(const ControlStore& store, bool thermal) {
    for (const PageRow& row : SysFwPageRows()) {
        if (InThermal(row) != thermal || Is(row, "DramTypeComboBox")) continue;
        if (!thermal && row.conversion == Conversion::CheckBox) continue;
        if (Is(row, "PCIeGenTypeComboBox")) TakeSpeed(store);
        ControlToRow(store, row);
    }
}

void TakeSortFwPage(const ControlStore& store) {
    for (const PageRow& row : SortFwPageRows()) {
        if (Is(row, "En_LEDSetting_CB")) TakeLed(store);
        ControlToRow(store, row);
        if (Is(row, "NonSLCTestLoop_LE")) {
            AP_RDTSet.NANDTotalTestLoops = AP_RDTSet.NAND_SLCTestLoops + AP_RDTSet.NAND_NonSLCTestLoops;
        }
        if (Is(row, "EntproT_CB")) SpecialTestCase();
    }
}

}  // namespace app
