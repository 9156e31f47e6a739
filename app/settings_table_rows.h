// Short makers of page-table rows (settings_tables.h) for the page tables' source files.
#pragma once

#include "app/settings_tables.h"

namespace app::table_rows {

inline PageRow Group(const char* name, const char* caption, const char* parent = "") {
    return PageRow{name, ControlKind::Group, caption, {}, 0, parent};
}
inline PageRow Label(const char* name, const char* caption, const char* parent) {
    return PageRow{name, ControlKind::Label, caption, {}, 0, parent};
}
inline PageRow Button(const char* name, const char* caption, const char* parent) {
    return PageRow{name, ControlKind::Button, caption, {}, 0, parent};
}
inline PageRow Edit(const char* name, const char* caption, int digits, const char* parent) {
    return PageRow{name, ControlKind::LabeledEdit, caption, {}, digits, parent};
}
// A read-only labeled edit outside both passes.
inline PageRow Display(const char* name, const char* caption, const char* parent) {
    PageRow r = Edit(name, caption, 0, parent);
    r.readOnly = true;
    return r;
}
inline PageRow TextRow(const char* name, const char* caption, int digits, const char* parent, FieldRef field) {
    return PageRow{name, ControlKind::LabeledEdit, caption, {}, digits, parent, field, Conversion::Text};
}
inline PageRow HexRow(const char* name, const char* caption, const char* parent, FieldRef field) {
    return PageRow{name, ControlKind::LabeledEdit, caption, {}, 4, parent, field, Conversion::Hex};
}
inline PageRow Dec(const char* name, const char* caption, int digits, const char* parent, FieldRef field,
                   Conversion conversion = Conversion::Decimal) {
    return PageRow{name, ControlKind::LabeledEdit, caption, {}, digits, parent, field, conversion};
}
inline PageRow Signed(const char* name, const char* caption, const char* parent, FieldRef field, Conversion conversion) {
    return PageRow{name, ControlKind::LabeledEdit, caption, {}, 4, parent, field, conversion};
}
inline PageRow LightTime(const char* name, const char* caption, const char* parent, FieldRef field) {
    return PageRow{name, ControlKind::LabeledEdit, caption, {}, 6, parent, field, Conversion::LightTime};
}
inline PageRow Combo(const char* name, std::vector<const char*> items, const char* parent, FieldRef field) {
    return PageRow{name, ControlKind::ComboBox, "", std::move(items), 0, parent, field,
                   field.address != nullptr ? Conversion::Index : Conversion::None};
}
inline PageRow Radio(const char* name, const char* caption, std::vector<const char*> items, const char* parent, FieldRef field) {
    return PageRow{name, ControlKind::RadioGroup, caption, std::move(items), 0, parent, field,
                   field.address != nullptr ? Conversion::Index : Conversion::None};
}
inline PageRow RadioButton(const char* name, const char* caption, const char* parent) {
    return PageRow{name, ControlKind::RadioButton, caption, {}, 0, parent};
}
inline PageRow Spin(const char* name, int low, int high, const char* parent, FieldRef field) {
    PageRow r{name, ControlKind::SpinEdit, "", {}, 0, parent, field, Conversion::Decimal};
    r.low = low;
    r.high = high;
    return r;
}
inline PageRow Check(const char* name, const char* caption, const char* parent, FieldRef field) {
    return PageRow{name, ControlKind::CheckBox, caption, {}, 0, parent, field,
                   field.address != nullptr ? Conversion::CheckBox : Conversion::None};
}
// A plain edit (no label of its own).
inline PageRow Plain(PageRow r) {
    r.kind = ControlKind::Edit;
    return r;
}
inline PageRow ReadOnly(PageRow r) {
    r.readOnly = true;
    return r;
}
inline PageRow ShowOnly(PageRow r) {
    r.readOnly = true;
    r.showOnly = true;
    return r;
}
inline PageRow Disabled(PageRow r) {
    r.disabled = true;
    return r;
}
inline PageRow Hidden(PageRow r) {
    r.hidden = true;
    return r;
}

}  // namespace app::table_rows
