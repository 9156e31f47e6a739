// The settings pages built in code from their tables (settings_tables.h): each row's control with
// its kind, caption, items and digit limit, at our own positions, with its events bound to the
// window's handlers. Page 0 fills the band above StyleScrollBox; page 1 sits beside the test-item
// list the frame already holds.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QRect>
#include <cstring>
#include <map>
#include <string>

#include "app/main_form.h"
#include "app/settings_pages.h"
#include "app/settings_tables.h"
#include "forms/controls.h"

namespace {

using app::ControlKind;
using Places = std::map<std::string, QRect>;

const Places& MainPagePlaces() {
    static const Places places = {
        {"FlashSettingGroupBox", {4, 0, 998, 84}},
        {"FlashVendorLabel", {8, 16, 100, 16}},
        {"FlashVendorComboBox", {8, 32, 120, 22}},
        {"FlashTypeLabel", {134, 16, 100, 16}},
        {"FlashTypeComboBox", {134, 32, 260, 22}},
        {"ClockLabel", {400, 16, 56, 16}},
        {"ClockComboBox", {400, 32, 56, 22}},
        {"TMCLabel", {462, 16, 100, 16}},
        {"TMCComboBox", {462, 32, 200, 22}},
        {"ChannelLabeledEdit", {60, 58, 30, 21}},
        {"BankLabeledEdit", {120, 58, 30, 21}},
        {"PlaneLabeledEdit", {200, 58, 30, 21}},
        {"TMCProfileEdit", {462, 58, 200, 21}},
        {"FlashInfoMemo", {668, 8, 326, 74}},
        {"INIFileLabeledEdit", {80, 88, 300, 21}},
        {"LoadINIButton", {390, 87, 90, 23}},
    };
    return places;
}

const Places& TestItemsPagePlaces() {
    static const Places places = {
        {"FlashModuleGroupBox", {256, 8, 240, 70}},
        {"CheckFlashIDCheckBox", {8, 20, 220, 20}},
        {"CheckModuleCHCECheckBox", {8, 42, 220, 20}},
        {"FlashInterfaceGroupBox", {256, 84, 240, 224}},
        {"CheckSRAMCheckBox", {8, 20, 220, 20}},
        {"CheckNANDResetCheckBox", {8, 42, 220, 20}},
        {"CheckLDPCCheckBox", {8, 64, 220, 20}},
        {"CheckDataPathCheckBox", {8, 86, 220, 20}},
        {"DataPathThresholdLabeledEdit", {150, 112, 60, 21}},
        {"DataPathLoopLabeledEdit", {150, 140, 60, 21}},
        {"CheckNANDTimeCheckBox", {8, 168, 220, 20}},
        {"PFormatRadioGroup", {504, 8, 200, 130}},
        {"InheritSort_CB", {504, 144, 200, 20}},
        {"EraseAllRadioGroup", {712, 8, 200, 72}},
    };
    return places;
}

QWidget* MakeControl(const app::PageRow& row, QWidget* parent) {
    const QString caption = QString::fromLatin1(row.caption);
    switch (row.kind) {
        case ControlKind::Group:
            return new QGroupBox(caption, parent);
        case ControlKind::Label:
            return new QLabel(caption, parent);
        case ControlKind::Button:
            return new QPushButton(caption, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(caption, parent);
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            for (const char* item : row.items) combo->addItem(QString::fromLatin1(item));
            combo->setCurrentIndex(-1);
            return combo;
        }
        case ControlKind::RadioGroup:
            return new forms::RadioGroup(caption, parent);
        case ControlKind::LabeledEdit: {
            auto* edit = new forms::LabeledEdit(parent, forms::LabeledEdit::LabelPosition::Left);
            edit->SetCaption(caption);
            return edit;
        }
        case ControlKind::Memo: {
            auto* memo = new QPlainTextEdit(parent);
            memo->setReadOnly(row.readOnly);
            QFont font = memo->font();
            font.setPointSize(8);
            memo->setFont(font);
            return memo;
        }
        case ControlKind::Edit:
            return new QLineEdit(parent);
    }
    return nullptr;
}

void BuildRows(QWidget* page, const std::vector<app::PageRow>& rows, const Places& places) {
    for (const app::PageRow& row : rows) {
        QWidget* parent = page;
        if (row.parent[0] != '\0') parent = page->findChild<QWidget*>(QString::fromLatin1(row.parent));
        QWidget* w = MakeControl(row, parent);
        w->setObjectName(QString::fromLatin1(row.name));
        const auto at = places.find(row.name);
        if (at != places.end()) w->setGeometry(at->second);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (row.digits > 0) edit->setMaxLength(row.digits);
            // As designed: a number edit starts at 0, so a copy before any settings were shown (no
            // settings file) stores numbers.
            if (row.conversion == app::Conversion::Decimal) edit->setText("0");
            edit->setReadOnly(row.readOnly);
        }
        if (auto* radio = qobject_cast<forms::RadioGroup*>(w)) {
            QStringList items;
            for (const char* item : row.items) items << QString::fromLatin1(item);
            radio->SetItems(items);
        }
    }
}

template <class T>
T* Child(QWidget* page, const char* name) {
    return page->findChild<T*>(QString::fromLatin1(name));
}

void BuildMainPage(TMainForm& form, QWidget* page) {
    BuildRows(page, app::MainPageRows(), MainPagePlaces());
    auto* vendor = Child<QComboBox>(page, "FlashVendorComboBox");
    auto* type = Child<QComboBox>(page, "FlashTypeComboBox");
    auto* clock = Child<QComboBox>(page, "ClockComboBox");
    auto* tmc = Child<QComboBox>(page, "TMCComboBox");
    auto* load = Child<QPushButton>(page, "LoadINIButton");
    QObject::connect(vendor, &QComboBox::activated, &form, [&form, vendor] { form.UpdateFlashList(vendor); });
    QObject::connect(type, &QComboBox::activated, &form, [&form, type] { form.FlashInfoChange(type); });
    QObject::connect(clock, &QComboBox::activated, &form, [&form, clock] { form.ClockComboBoxChange(clock); });
    QObject::connect(tmc, &QComboBox::activated, &form, [&form, tmc] { form.TMCComboBoxChange(tmc); });
    QObject::connect(load, &QPushButton::clicked, &form, [&form, load] { form.LoadINIButtonClick(load); });
}

void BuildTestItemsPage(TMainForm&, QWidget* page) {
    BuildRows(page, app::TestItemsPageRows(), TestItemsPagePlaces());
}

}  // namespace

namespace app {

void RegisterBuiltSettingsPages() {
    RegisterSettingsPage(0, BuildMainPage);
    RegisterSettingsPage(1, BuildTestItemsPage);
}

}  // namespace app
