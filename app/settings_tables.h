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
};

enum class Conversion { None, CheckBox, Index, Decimal, Text };

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
};

// The pages' tables (index 0 "Main Page", 1 "Test Items").
const std::vector<PageRow>& MainPageRows();
const std::vector<PageRow>& TestItemsPageRows();

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
