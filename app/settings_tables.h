// The settings pages as tables: one table per page, its rows in the order the two settings passes
// take them. A row names a control (its objectName) with its kind, caption, items and digit limit,
// which the page's builder uses, and, for a control that holds a setting, the record field and the
// conversion each way. Rows without a field (groups, buttons, read-only displays, controls the
// passes treat by their own steps) take part in neither general pass.
//
// General conversions, written once (settings_tables.cpp):
//   CheckBox   checked = field non-zero; stores 1 or 0
//   Index      radio group or combo box: item index = field (a value outside the items selects
//              none); stores the item index, none (-1) truncated to the field (255, 65535)
//   Decimal    an edit showing the field's bits as an unsigned decimal; read back through
//              forms::StrToInt (a text that is not a number throws forms::ConvertError) and
//              truncated to the field's width
//   Text       shown unchanged, copied back whole within the field (terminated, zero-filled)
// Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace app {

class ControlStore;

enum class ControlKind {
    Group,
    Label,
    Button,
    CheckBox,
    ComboBox,
    RadioGroup,
    LabeledEdit,
    Memo,
    Edit,
    SpinEdit,
    RadioButton,
};

// Hex: "%04X" each way through the identifier rule (HexIdentifier); SignMagnitude and
// TwosComplement: the two signed-byte temperature encodings; LightTime: a u16 in 10 ms shown in
// seconds (the field / 100 in the general float format; back x 100 truncated, empty is 0).
enum class Conversion { None, CheckBox, Index, Decimal, Text, Hex, SignMagnitude, TwosComplement, LightTime };

// A record field: its address and width (1, 2 or 4 bytes, or a text of `size` bytes).
struct FieldRef {
    void* (*address)() = nullptr;
    std::size_t size = 0;
    bool text = false;
};

// FieldOf([] () -> auto& { return AP_INIState.Clock; })
template <class F>
FieldRef FieldOf(F) {
    using T = std::remove_reference_t<std::invoke_result_t<F>>;
    static_assert(std::is_default_constructible_v<F>, "a lambda without captures");
    FieldRef r;
    r.address = []() -> void* { return static_cast<void*>(&F{}()); };
    r.size = sizeof(T);
    r.text = std::is_array_v<T>;
    static_assert(std::is_array_v<T> || sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4);
    return r;
}

struct PageRow {
    const char* name;
    ControlKind kind;
    const char* caption = "";
    std::vector<const char*> items = {};
    int digits = 0;  // an edit's character limit (0: none)
    const char* parent = "";  // the group it sits in ("" for the page)
    FieldRef field = {};
    Conversion conversion = Conversion::None;
    bool readOnly = false;
    int low = 0, high = 0;  // a spin edit's limits
    bool disabled = false;  // disabled in the form
    bool hidden = false;    // hidden in the form
    bool showOnly = false;  // shown from its field, never read back
};

// The pages' tables (index 0 "Main Page", 1 "Test Items").
const std::vector<PageRow>& MainPageRows();
const std::vector<PageRow>& TestItemsPageRows();
// Page 2 "Device Setting" (the die-map group is built apart), page 3 "SYS FW Setting" (its thermal
// group's rows have the parent "ThermalGroupBox"), page 4 "SORT FW Setting".
const std::vector<PageRow>& DeviceSettingPageRows();
const std::vector<PageRow>& SysFwPageRows();
const std::vector<PageRow>& SortFwPageRows();
// DramTypeComboBox's 50 texts, spaced as the form has them.
const std::vector<const char*>& DramTypeItems();

// The hexadecimal identifier rule: "0x" + text as a C integer literal, its base from the prefix,
// low 16 bits ("abcd" 0xABCD, "12G4" 0x12, "" 0, "0x12" 0).
std::uint16_t HexIdentifier(const std::string& text);
// The signed temperatures: sign and magnitude (bit 7 negative) and two's complement, each way.
std::string SignMagnitudeText(std::uint8_t value);
std::uint8_t SignMagnitudeValue(const std::string& text);
std::string TwosComplementText(std::uint8_t value);
std::uint8_t TwosComplementValue(const std::string& text);
// A light time (10 ms units) shown in seconds; back: empty 0, else x 100 truncated; a text that is
// not a number or a product outside 0 to 65535 throws forms::ConvertError.
std::string LightTimeText(std::uint16_t value);
std::uint16_t LightTimeValue(const std::string& text);

// The rows of `rows` that sit in group `parent`, or outside it (`inside` false).
std::vector<const PageRow*> RowsIn(const std::vector<PageRow>& rows, const char* parent, bool inside = true);
// The row of that name (a row without a name and kind Label when there is none).
const PageRow& RowNamed(const std::vector<PageRow>& rows, const char* name);

// The field's value as an unsigned number of its width.
std::uint32_t ReadField(const FieldRef& field);
// Stores the low bits of `value` into the field.
void WriteField(const FieldRef& field, std::uint32_t value);
std::string ReadTextField(const FieldRef& field);
void WriteTextField(const FieldRef& field, const std::string& text);

// One row's general conversion each way; rows without one do nothing.
void RowToControl(ControlStore& store, const PageRow& row);
void ControlToRow(const ControlStore& store, const PageRow& row);

// Gives every row with items its items (what a page's builder does), for a store without widgets.
void PutTableItems(ControlStore& store, const std::vector<PageRow>& rows);

}  // namespace app
