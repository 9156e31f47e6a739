// The settings pages built in code from their tables (settings_tables.h): each row's control with
// its kind, caption, items and digit limit, at our own positions, with its events bound to the
// window's handlers. Page 0 fills the band above StyleScrollBox; page 1 sits beside the test-item
// list the frame already holds.
// Pages 2 to 4 end by x 986, so a page that scrolls when the window is short needs no sideways bar.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>
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
        case ControlKind::SpinEdit: {
            auto* spin = new QSpinBox(parent);
            spin->setRange(row.low, row.high);
            return spin;
        }
        case ControlKind::RadioButton:
            return new QRadioButton(caption, parent);
    }
    return nullptr;
}

// Where a row without a place of its own goes: down its group in rows of 24 pixels, a caption's
// label at the left of the control after it, a new column when the group is full.
class Flow {
  public:
    QRect Next(const app::PageRow& row, QWidget* parent) {
        Cursor& c = cursors_[parent];
        if (c.width == 0) c.width = parent->width() > 200 ? parent->width() - 8 : 290;
        const int height = parent->height() > 0 ? parent->height() : 500;
        if (c.y + 22 > height - 4) {
            c.x += c.width;
            c.y = 20;
        }
        const int span = c.width - 8;
        switch (row.kind) {
            case ControlKind::Label:
                return {c.x, c.y + 3, kLabelWidth - 4, 16};  // the next control shares the line
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                return Advance(c, {c.x, c.y, span, 20});
            case ControlKind::Button:
                return Advance(c, {c.x + kLabelWidth, c.y, 72, 23});
            case ControlKind::ComboBox: {
                const int w = row.items.size() > 12 ? 150 : span - kLabelWidth;
                return Advance(c, {c.x + kLabelWidth, c.y, w, 22});
            }
            default: {
                const int w = row.digits > 8 || row.digits == 0 ? span - kLabelWidth : 70;
                return Advance(c, {c.x + kLabelWidth, c.y, w, 21});
            }
        }
    }

    QRect Peek(const app::PageRow& row, QWidget* parent) {
        const Cursor saved = cursors_[parent];
        const QRect r = Next(row, parent);
        cursors_[parent] = saved;
        return r;
    }

  private:
    static constexpr int kLabelWidth = 150;
    struct Cursor {
        int x = 8, y = 20, width = 0;
    };
    static QRect Advance(Cursor& c, QRect r) {
        c.y += 26;
        return r;
    }
    std::map<QWidget*, Cursor> cursors_;
};

void BuildRows(QWidget* page, const std::vector<app::PageRow>& rows, const Places& places, Flow* flow = nullptr) {
    for (const app::PageRow& row : rows) {
        QWidget* parent = page;
        if (row.parent[0] != '\0') parent = page->findChild<QWidget*>(QString::fromLatin1(row.parent));
        QWidget* w = MakeControl(row, parent);
        w->setObjectName(QString::fromLatin1(row.name));
        const auto at = places.find(row.name);
        if (at != places.end()) {
            w->setGeometry(at->second);
        } else if (flow != nullptr) {
            // A row hidden in the form takes the next place without keeping it from the rows after.
            w->setGeometry(row.hidden ? flow->Peek(row, parent) : flow->Next(row, parent));
        }
        if (row.disabled) w->setEnabled(false);
        if (row.hidden) w->hide();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (row.digits > 0) edit->setMaxLength(row.digits);
            // As designed: a number edit starts at 0, so a copy before any settings were shown (no
            // settings file) stores numbers.
            if (row.conversion == app::Conversion::Decimal || row.conversion == app::Conversion::SignMagnitude ||
                row.conversion == app::Conversion::TwosComplement) {
                edit->setText("0");
            }
            // A display outside the passes starts at 0 as designed, so START's empty-edit check
            // passes before its first fill.
            if (row.readOnly && row.field.address == nullptr && row.kind == app::ControlKind::LabeledEdit) {
                edit->setText("0");
            }
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

const Places& DeviceSettingPagePlaces() {
    static const Places places = {
        {"CommonGroupBox", {4, 4, 320, 522}},
        {"SNTimeStringLabeledEdit", {158, 488, 150, 21}},
        {"IDEMAGroupBox", {330, 4, 300, 200}},
        {"ParaIniGroupBox", {636, 4, 350, 84}},
        {"IDEMACapacityLabeledEdit", {150, 20, 80, 21}},
        {"CalcIDEMAtoRatioButton", {150, 46, 64, 23}},
        {"RestoreDefaultRatioButton", {220, 46, 64, 23}},
        {"MaxCapacityLabel", {8, 78, 140, 16}},
        {"Capacity1024LabeledEdit", {150, 98, 80, 21}},
        {"Capacity1000LabeledEdit", {150, 124, 80, 21}},
        {"DefectRatioLabeledEdit", {150, 150, 80, 21}},
        {"ReservedRatioLabeledEdit", {150, 176, 80, 21}},
        {"ParaIniFileLabeledEdit", {70, 22, 270, 21}},
        {"LoadParaIniButton", {70, 50, 72, 23}},
    };
    return places;
}

// The die map: one group per channel at 55-pixel steps, a check box per CE with its four LUN
// shapes beside it, the CE captions at the left.
void BuildDieMapGroup(QWidget* page) {
    auto* group = new QGroupBox("Die Map", page);
    group->setObjectName("DieMapGroupBox");
    group->setGeometry(330, 210, 480, 296);
    for (int ce = 0; ce < 8; ++ce) {
        auto* label = new QLabel(QString("CE %1").arg(ce), group);
        label->setObjectName(QString("CE%1Label").arg(ce));
        label->setGeometry(4, 40 + 30 * ce, 30, 16);
    }
    for (int ch = 0; ch < 8; ++ch) {
        auto* channel = new QGroupBox(QString("CH %1").arg(ch), group);
        channel->setObjectName(QString("CH%1GroupBox").arg(ch));
        channel->setGeometry(35 + 55 * ch, 18, 52, 256);
        for (int ce = 0; ce < 8; ++ce) {
            auto* box = new QCheckBox(channel);
            box->setObjectName(QString("DieMapCheckBox%1%2").arg(ch).arg(ce));
            box->setGeometry(3, 20 + 30 * ce, 18, 18);
            for (int lun = 0; lun < 4; ++lun) {
                auto* shape = new forms::Shape(channel);
                shape->setObjectName(QString("LunSelectShape%1%2%3").arg(ch).arg(ce).arg(lun));
                shape->setGeometry(22 + 7 * lun, 24 + 30 * ce, 6, 10);
                shape->hide();
            }
        }
    }
    auto* lun = new QPushButton("Lun Select", group);
    lun->setObjectName("LunSelectButton");
    lun->setGeometry(390, 272, 84, 22);
    lun->hide();
}

void BuildDeviceSettingPage(TMainForm& form, QWidget* page) {
    Flow flow;
    BuildRows(page, app::DeviceSettingPageRows(), DeviceSettingPagePlaces(), &flow);
    BuildDieMapGroup(page);
    auto* set = Child<QPushButton>(page, "CalcIDEMAtoRatioButton");
    auto* restore = Child<QPushButton>(page, "RestoreDefaultRatioButton");
    auto* capacity = Child<QLineEdit>(page, "IDEMACapacityLabeledEdit");
    auto* para = Child<QPushButton>(page, "LoadParaIniButton");
    QObject::connect(set, &QPushButton::clicked, &form, [&form, set] { form.CalcIDEMAtoRatioButtonClick(set); });
    QObject::connect(restore, &QPushButton::clicked, &form,
                     [&form, restore] { form.RestoreDefaultRatioButtonClick(restore); });
    QObject::connect(capacity, &QLineEdit::returnPressed, &form, [&form, capacity] {
        char key = 13;
        form.IDEMACapacityLabeledEditKeyPress(capacity, key);
    });
    QObject::connect(para, &QPushButton::clicked, &form, [&form, para] { form.LoadParaIniButtonClick(para); });
    auto* mode = Child<QComboBox>(page, "SNInputComboBox");
    auto* length = Child<QSpinBox>(page, "SNLengthSpinEdit");
    QObject::connect(mode, &QComboBox::activated, &form, [&form, mode] { form.SNInputComboBoxChange(mode); });
    QObject::connect(length, &QSpinBox::textChanged, &form, [&form, length] { form.SNLengthSpinEditChange(length); });
}

// A check box's handler runs on every change of its state, also the program's.
template <class Handler>
void OnToggle(TMainForm& form, QWidget* page, const char* name, Handler handler) {
    auto* box = Child<QCheckBox>(page, name);
    QObject::connect(box, &QCheckBox::toggled, &form, [&form, box, handler] { (form.*handler)(box); });
}

const Places& SysFwPagePlaces() {
    static const Places places = {
        {"BlockQntyGroupBox", {4, 4, 300, 154}},
        // Other Setting at its engineering height while its rows are placed: the five thresholds
        // (hidden but for the engineering switch) in rows from the top, the DRAM type under its label
        // (the window's start-up then shortens the group to 82 and keeps the label at 22, the box at 44).
        {"OtherSettingGroupBox", {4, 164, 300, 254}},
        {"DramTypeLabel", {8, 22, 140, 16}},
        {"DramTypeComboBox", {8, 44, 284, 22}},
        {"FeatureGroupBox", {310, 4, 300, 388}},
        {"LDPCReadEmptyThresholdGroupBox", {310, 398, 300, 128}},
        {"PCIeGroupBox", {616, 4, 370, 154}},
        {"ThermalGroupBox", {616, 164, 370, 362}},
    };
    return places;
}

void BuildSysFwPage(TMainForm& form, QWidget* page) {
    Flow flow;
    BuildRows(page, app::SysFwPageRows(), SysFwPagePlaces(), &flow);
    OnToggle(form, page, "KeepEraseCountCheckBox", &TMainForm::KeepEraseCountCheckBoxClick);
    OnToggle(form, page, "UnbalanceCheckBox", &TMainForm::UnbalanceCheckBoxClick);
    OnToggle(form, page, "PureSLCCheckBox", &TMainForm::PureSLCCheckBoxClick);
    OnToggle(form, page, "PureTLCCheckBox", &TMainForm::PureTLCCheckBoxClick);
    OnToggle(form, page, "DRAMlessCheckBox", &TMainForm::DRAMlessCheckBoxClick);
    OnToggle(form, page, "EnableRaidCheckBox", &TMainForm::EnableRaidCheckBoxClick);
    auto* dram = Child<QComboBox>(page, "DramTypeComboBox");
    QObject::connect(dram, &QComboBox::activated, &form, [&form, dram] { form.DramTypeComboBoxChange(dram); });
}

const Places& SortFwPagePlaces() {
    static const Places places = {
        {"FastSortGroupBox", {4, 4, 244, 154}},
        {"SortOptionGroupBox", {4, 164, 244, 258}},
        {"Block_RW_RG", {254, 4, 240, 90}},
        {"FailThresholdGroupBox", {254, 98, 240, 154}},
        {"LDPCThresholdGroupBox", {254, 258, 240, 128}},
        {"DriveThresholdGroupBox", {254, 392, 240, 102}},
        {"DebugThre_CB", {254, 392, 240, 20}},
        {"DebugThreGroupBox", {254, 392, 240, 128}},
        {"tProgGroupBox", {500, 4, 240, 310}},
        // Retry / Mode: the two boxes wide enough for their texts, under their labels' line.
        {"RetryGroupBox", {500, 320, 240, 102}},
        {"Retry_Label", {8, 23, 80, 16}},
        {"Retry_CB", {90, 20, 142, 22}},
        {"FullincludeEasy_CB", {8, 46, 224, 20}},
        {"SortMode_Label", {8, 49, 80, 16}},
        {"SortMode_CB", {90, 46, 142, 22}},
        {"Running_Delay_LE", {158, 72, 74, 21}},
        // LED: the three states' groups, each with its buttons in a row and the two times under them.
        {"LEDGroupBox", {746, 4, 240, 324}},
        {"RunningLEDGroupBox", {4, 68, 232, 80}},
        {"PassLEDGroupBox", {4, 152, 232, 80}},
        {"FailLEDGroupBox", {4, 236, 232, 80}},
        {"Running_Light_RB", {8, 20, 70, 20}},
        {"Running_Dark_RB", {80, 20, 70, 20}},
        {"Running_Blinking_RB", {152, 20, 72, 20}},
        {"Running_LightOn_LabE", {62, 48, 52, 21}},
        {"Running_LightOff_LabE", {172, 48, 52, 21}},
        {"Pass_Light_RB", {8, 20, 70, 20}},
        {"Pass_Dark_RB", {80, 20, 70, 20}},
        {"Pass_Blinking_RB", {152, 20, 72, 20}},
        {"Pass_LightOn_LabE", {62, 48, 52, 21}},
        {"Pass_LightOff_LabE", {172, 48, 52, 21}},
        {"Fail_Light_RB", {8, 20, 70, 20}},
        {"Fail_Dark_RB", {80, 20, 70, 20}},
        {"Fail_Blinking_RB", {152, 20, 72, 20}},
        {"Fail_LightOn_LabE", {62, 48, 52, 21}},
        {"Fail_LightOff_LabE", {172, 48, 52, 21}},
    };
    return places;
}

void BuildSortFwPage(TMainForm&, QWidget* page) {
    Flow flow;
    BuildRows(page, app::SortFwPageRows(), SortFwPagePlaces(), &flow);
}

}  // namespace

namespace app {

void RegisterBuiltSettingsPages() {
    RegisterSettingsPage(0, BuildMainPage);
    RegisterSettingsPage(1, BuildTestItemsPage);
    RegisterSettingsPage(2, BuildDeviceSettingPage);
    RegisterSettingsPage(3, BuildSysFwPage);
    RegisterSettingsPage(4, BuildSortFwPage);
}

}  // namespace app
