#include "app/settings_tables.h"

#include <cstring>

#include "app/control_store.h"
#include "forms/str_to_int.h"
#include "settings/records.h"

namespace app {

namespace {

using K = ControlKind;
using C = Conversion;

}  // namespace

const std::vector<PageRow>& MainPageRows() {
    static const std::vector<PageRow> rows = {
        {"FlashSettingGroupBox", K::Group, "Flash Module"},
        {"FlashVendorLabel", K::Label, "Flash Vendor", {}, 0, "FlashSettingGroupBox"},
        {"FlashVendorComboBox", K::ComboBox, "", {}, 0, "FlashSettingGroupBox"},
        {"FlashTypeLabel", K::Label, "Flash Type", {}, 0, "FlashSettingGroupBox"},
        {"FlashTypeComboBox", K::ComboBox, "", {}, 0, "FlashSettingGroupBox"},
        {"ChannelLabeledEdit", K::LabeledEdit, "Channel", {}, 1, "FlashSettingGroupBox", {}, C::None, true},
        {"BankLabeledEdit", K::LabeledEdit, "CE", {}, 1, "FlashSettingGroupBox", {}, C::None, true},
        {"PlaneLabeledEdit", K::LabeledEdit, "Plane", {}, 1, "FlashSettingGroupBox", {}, C::None, true},
        {"FlashInfoMemo", K::Memo, "", {}, 0, "FlashSettingGroupBox", {}, C::None, true},
        {"ClockLabel", K::Label, "Clock", {}, 0, "FlashSettingGroupBox"},
        {"ClockComboBox", K::ComboBox, "", {"33", "100", "200", "266", "333", "400"}, 0, "FlashSettingGroupBox"},
        {"TMCLabel", K::Label, "TMC Setting", {}, 0, "FlashSettingGroupBox"},
        {"TMCComboBox", K::ComboBox, "", {}, 0, "FlashSettingGroupBox",
         FieldOf([]() -> auto& { return AP_FwSet.SetFeatureSettingProfile; }), C::Index},
        {"TMCProfileEdit", K::Edit, "", {}, 0, "FlashSettingGroupBox", {}, C::None, true},
        {"INIFileLabeledEdit", K::LabeledEdit, "Setting File", {}, 0, "", {}, C::None, true},
        {"LoadINIButton", K::Button, "Load INI"},
    };
    return rows;
}

const std::vector<PageRow>& TestItemsPageRows() {
    static const std::vector<PageRow> rows = {
        {"FlashModuleGroupBox", K::Group, "Flash Module"},
        {"CheckFlashIDCheckBox", K::CheckBox, "Check Flash ID", {}, 0, "FlashModuleGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckFlashID; }), C::CheckBox},
        {"CheckModuleCHCECheckBox", K::CheckBox, "Check Module CH/CE", {}, 0, "FlashModuleGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckModuleCHCE; }), C::CheckBox},
        {"FlashInterfaceGroupBox", K::Group, "Flash Interface"},
        {"CheckSRAMCheckBox", K::CheckBox, "Check SRAM", {}, 0, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckSRAM; }), C::CheckBox},
        {"CheckNANDResetCheckBox", K::CheckBox, "Check NAND Reset", {}, 0, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckNandReset; }), C::CheckBox},
        {"CheckLDPCCheckBox", K::CheckBox, "Check LDPC", {}, 0, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckLDPC; }), C::CheckBox},
        {"CheckDataPathCheckBox", K::CheckBox, "Check Data Path", {}, 0, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckDataPath; }), C::CheckBox},
        {"DataPathThresholdLabeledEdit", K::LabeledEdit, "Data Path Threshold", {}, 3, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.FlashTestDataPathThreshold; }), C::Decimal},
        {"DataPathLoopLabeledEdit", K::LabeledEdit, "Data Path Loop", {}, 5, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.FlashTestDataPathLoop; }), C::Decimal},
        {"CheckNANDTimeCheckBox", K::CheckBox, "Check NAND Time", {}, 0, "FlashInterfaceGroupBox",
         FieldOf([]() -> auto& { return AP_INIState.EnCheckNandTime; }), C::CheckBox},
        // The five pre-format flags: the passes' own step (first flag set; unchanged when none).
        {"PFormatRadioGroup", K::RadioGroup, "Preformat Mode",
         {"Factory BB", "Inherit FW BB", "Erase Search", "Inherit RDT", "Auto Inherit"}},
        {"InheritSort_CB", K::CheckBox, "Inherit Sorting Result", {}, 0, "",
         FieldOf([]() -> auto& { return AP_INIState.EnInheritSorting; }), C::CheckBox},
        {"EraseAllRadioGroup", K::RadioGroup, "Erase Blocks", {"Erase All Blocks", "Only Erase Result Blocks"}, 0, "",
         FieldOf([]() -> auto& { return AP_INIState.EraseAllType; }), C::Index},
    };
    return rows;
}

std::uint32_t ReadField(const FieldRef& field) {
    const void* p = field.address();
    switch (field.size) {
        case 1:
            return *static_cast<const std::uint8_t*>(p);
        case 2: {
            std::uint16_t v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        default: {
            std::uint32_t v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
    }
}

void WriteField(const FieldRef& field, std::uint32_t value) {
    void* p = field.address();
    switch (field.size) {
        case 1:
            *static_cast<std::uint8_t*>(p) = static_cast<std::uint8_t>(value);
            break;
        case 2: {
            const auto v = static_cast<std::uint16_t>(value);
            std::memcpy(p, &v, sizeof v);
            break;
        }
        default:
            std::memcpy(p, &value, sizeof value);
            break;
    }
}

std::string ReadTextField(const FieldRef& field) {
    const char* p = static_cast<const char*>(field.address());
    return std::string(p, ::strnlen(p, field.size));
}

void WriteTextField(const FieldRef& field, const std::string& text) {
    char* p = static_cast<char*>(field.address());
    const std::size_t n = text.size() < field.size ? text.size() : field.size - 1;
    std::memcpy(p, text.data(), n);
    std::memset(p + n, 0, field.size - n);
}

void RowToControl(ControlStore& store, const PageRow& row) {
    if (row.field.address == nullptr) return;
    switch (row.conversion) {
        case Conversion::CheckBox:
            store.SetChecked(row.name, ReadField(row.field) != 0);
            break;
        case Conversion::Index:
            store.SetItemIndex(row.name, static_cast<int>(ReadField(row.field)));
            break;
        case Conversion::Decimal:
            store.SetText(row.name, std::to_string(ReadField(row.field)));
            break;
        case Conversion::Text:
            store.SetText(row.name, ReadTextField(row.field));
            break;
        case Conversion::None:
            break;
    }
}

void ControlToRow(const ControlStore& store, const PageRow& row) {
    if (row.field.address == nullptr) return;
    switch (row.conversion) {
        case Conversion::CheckBox:
            WriteField(row.field, store.Checked(row.name) ? 1 : 0);
            break;
        case Conversion::Index:
            WriteField(row.field, static_cast<std::uint32_t>(store.ItemIndex(row.name)));
            break;
        case Conversion::Decimal:
            WriteField(row.field, static_cast<std::uint32_t>(forms::StrToIntOrThrow(store.Text(row.name))));
            break;
        case Conversion::Text:
            WriteTextField(row.field, store.Text(row.name));
            break;
        case Conversion::None:
            break;
    }
}

void PutTableItems(ControlStore& store, const std::vector<PageRow>& rows) {
    for (const PageRow& row : rows) {
        if (row.items.empty()) continue;
        store.SetItems(row.name, std::vector<std::string>(row.items.begin(), row.items.end()));
    }
}

}  // namespace app
