#include "app/settings_tables.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
        case Conversion::Hex: {
            char text[8];
            std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(ReadField(row.field) & 0xFFFFu));
            store.SetText(row.name, text);
            break;
        }
        case Conversion::SignMagnitude:
            store.SetText(row.name, SignMagnitudeText(static_cast<std::uint8_t>(ReadField(row.field))));
            break;
        case Conversion::TwosComplement:
            store.SetText(row.name, TwosComplementText(static_cast<std::uint8_t>(ReadField(row.field))));
            break;
        case Conversion::LightTime:
            store.SetText(row.name, "");
            store.SetText(row.name, LightTimeText(static_cast<std::uint16_t>(ReadField(row.field))));
            break;
        case Conversion::None:
            break;
    }
}

void ControlToRow(const ControlStore& store, const PageRow& row) {
    if (row.field.address == nullptr || row.showOnly) return;
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
        case Conversion::Hex:
            WriteField(row.field, HexIdentifier(store.Text(row.name)));
            break;
        case Conversion::SignMagnitude:
            WriteField(row.field, SignMagnitudeValue(store.Text(row.name)));
            break;
        case Conversion::TwosComplement:
            WriteField(row.field, TwosComplementValue(store.Text(row.name)));
            break;
        case Conversion::LightTime:
            WriteField(row.field, LightTimeValue(store.Text(row.name)));
            break;
        case Conversion::None:
            break;
    }
}

std::uint16_t HexIdentifier(const std::string& text) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%s", text.c_str());
    const long long value = std::strtoll(buffer, nullptr, 0);
    std::memset(buffer, 0, sizeof buffer);
    return static_cast<std::uint16_t>(static_cast<unsigned long long>(value) & 0xFFFFu);
}

std::string SignMagnitudeText(std::uint8_t value) {
    return value < 128 ? std::to_string(value) : "-" + std::to_string(value & 0x7F);
}

std::uint8_t SignMagnitudeValue(const std::string& text) {
    if (!text.empty() && text[0] == '-') {
        return static_cast<std::uint8_t>(128 + forms::StrToIntOrThrow(std::string_view(text).substr(1)));
    }
    return static_cast<std::uint8_t>(forms::StrToIntOrThrow(text));
}

std::string TwosComplementText(std::uint8_t value) {
    return value < 128 ? std::to_string(value) : "-" + std::to_string(256 - value);
}

std::uint8_t TwosComplementValue(const std::string& text) {
    if (!text.empty() && text[0] == '-') {
        const std::int64_t magnitude = forms::StrToIntOrThrow(std::string_view(text).substr(1));
        return static_cast<std::uint8_t>(static_cast<std::uint64_t>(-magnitude));
    }
    return static_cast<std::uint8_t>(forms::StrToIntOrThrow(text));
}

std::string LightTimeText(std::uint16_t value) {
    return forms::FloatToStr(value / 100.0);
}

std::uint16_t LightTimeValue(const std::string& text) {
    if (text.empty()) return 0;
    // x 100 truncated; a product within a binary rounding error of a whole number is that number,
    // so every time shown with two decimals comes back as it was ("297.02" is 29702, not 29701).
    long double product = static_cast<long double>(forms::StrToFloatOrThrow(text)) * 100;
    const long double whole = std::nearbyint(product);
    product = std::fabs(product - whole) < 1e-9L * (whole > 1 ? whole : 1) ? whole : std::trunc(product);
    if (!(product >= 0 && product < 65536)) {
        throw forms::ConvertError("'" + text + "' is not a valid light time (0 to 655.35 seconds)");
    }
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(product));
}

std::vector<const PageRow*> RowsIn(const std::vector<PageRow>& rows, const char* parent, bool inside) {
    std::vector<const PageRow*> out;
    for (const PageRow& row : rows) {
        if ((std::strcmp(row.parent, parent) == 0) == inside) out.push_back(&row);
    }
    return out;
}

const PageRow& RowNamed(const std::vector<PageRow>& rows, const char* name) {
    for (const PageRow& r : rows) {
        if (std::strcmp(r.name, name) == 0) return r;
    }
    static const PageRow kNone{"", ControlKind::Label};
    return kNone;
}

void PutTableItems(ControlStore& store, const std::vector<PageRow>& rows) {
    for (const PageRow& row : rows) {
        if (row.items.empty()) continue;
        store.SetItems(row.name, std::vector<std::string>(row.items.begin(), row.items.end()));
    }
}

}  // namespace app
