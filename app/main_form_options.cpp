// The handlers of the test-item list and of the options whose change takes effect at once: each
// writes its option into the settings record, keeps the controls that depend on it consistent and
// runs again what derives from it (flash parameters, capacity and ratios, the firmware-file check).
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <cstring>

#include "app/main_form.h"
#include "app/mp_item_table.h"
#include "forms/controls.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

constexpr int kSwitchItems = 36;  // the item ids with a switch in dwItemEnable
constexpr int kItemPreformat = 7;

bool Checked(TMainForm& form, const char* name) {
    auto* box = form.Control<QAbstractButton>(name);
    return box != nullptr && box->isChecked();
}

void SetChecked(TMainForm& form, const char* name, bool checked) {
    if (auto* box = form.Control<QAbstractButton>(name)) box->setChecked(checked);
}

void SetEnabled(TMainForm& form, const char* name, bool enabled) {
    if (auto* w = form.Control(name)) w->setEnabled(enabled);
}

// The option group an entry of the test-item list stands for.
const char* GroupOf(const QString& entry) {
    if (entry == "Flash Module") return "FlashModuleGroupBox";
    if (entry == "Flash Interface") return "FlashInterfaceGroupBox";
    if (entry == "Preformat") return "PFormatRadioGroup";
    if (entry == "Erase Blocks") return "EraseAllRadioGroup";
    return nullptr;
}

// The die map's channel groups, with DRAM-less: the physical channels 0, 3, 6, 7 as CH0 to CH3.
void ShowChannelGroups(TMainForm& form, bool dramless) {
    constexpr int kShown[] = {0, 3, 6, 7};
    constexpr int kFull[] = {35, 200, 365, 420};
    for (int i = 0; i < 4; ++i) {
        auto* group = form.Control<QGroupBox>(("CH" + std::to_string(kShown[i]) + "GroupBox").c_str());
        if (group == nullptr) continue;
        group->move(dramless ? 35 + 55 * i : kFull[i], group->y());
        group->setTitle(QString("CH%1").arg(dramless ? i : kShown[i]));
    }
    for (int ch : {1, 2, 4, 5}) {
        if (auto* group = form.Control(("CH" + std::to_string(ch) + "GroupBox").c_str())) group->setVisible(!dramless);
    }
}

}  // namespace

void TMainForm::FunCheckListBoxClickCheck(int) {
    for (int i = 0; i < FunCheckListBox->Count(); ++i) {
        const QString text = FunCheckListBox->ItemText(i);
        for (int j = 0; j < kSwitchItems; ++j) {
            if (text != QString::fromLatin1(g_MPItemTable[j].sItemName)) continue;
            if (text == "Dram Test" && FunCheckListBox->Checked(i) && AP_INIState.dwItemEnable[j] == 0) {
                forms::Ui().ShowMessage("Dram Test should be checked only on ZEL1001!");
            }
            AP_INIState.dwItemEnable[j] = FunCheckListBox->Checked(i) ? 1 : 0;
        }
        if (AP_INIState.ToolMode == 0 && text == "Download" &&
            (FunCheckListBox->Checked(i) || AP_INIState.dwItemEnable[kItemPreformat] == 1)) {
            AP_INIState.dwItemEnable[kItemDownload] = 1;
            FunCheckListBox->SetChecked(i, true);
        }
        for (int j = 0; j < kSwitchItems; ++j) {
            if (text != QString::fromLatin1(g_MPItemTable[j].sItemName)) continue;
            if (text == "Download" || text == "Upload" || text == "Check Tables") CheckFWBin(0);
        }
    }
}

void TMainForm::FunCheckListBoxClick(QObject*) {
    TraceOut("######### - FunCheckListBoxClick\n");
    for (int i = 0; i < FunCheckListBox->Count(); ++i) {
        const char* name = GroupOf(FunCheckListBox->ItemText(i));
        QWidget* group = name != nullptr ? Control(name) : nullptr;
        if (group == nullptr) continue;
        const bool selected = FunCheckListBox->currentRow() == i;
        group->setAutoFillBackground(true);
        group->setBackgroundRole(selected ? QPalette::ToolTipBase : QPalette::Window);
        group->setProperty("colour", selected ? 0xFF000018u : 0xFF000005u);
    }
}

void TMainForm::MPTClick(QObject*) {
    AP_INIState.ToolMode = 0;
    UpdateStruct2UI();
    CheckFWBin(0);
}

void TMainForm::SORTClick(QObject*) {
    AP_INIState.ToolMode = 1;
    UpdateStruct2UI();
    CheckFWBin(0);
}

void TMainForm::SNLengthSpinEditChange(QObject*) {
    if (auto* spin = Control<QSpinBox>("SNLengthSpinEdit")) {
        AP_INIState.SNLength = static_cast<std::uint8_t>(forms::StrToIntDef(spin->text().toStdString(), spin->value()));
    }
}

void TMainForm::SNInputComboBoxChange(QObject*) {
    auto* mode = Control<QComboBox>("SNInputComboBox");
    if (mode == nullptr) return;
    AP_INIState.SNInputMode = static_cast<std::uint8_t>(mode->currentIndex());
    const bool automatic = AP_INIState.SNInputMode == 1 || AP_INIState.SNInputMode == 2;
    for (const char* name : {"MaxSNCheckBox", "MaxSNEdit", "MountTimeCheckBox", "SNTimeStringLabeledEdit"}) {
        SetEnabled(*this, name, automatic);
    }
    if (!automatic) {
        SetChecked(*this, "MaxSNCheckBox", false);
        SetChecked(*this, "MountTimeCheckBox", false);
    }
}

void TMainForm::KeepEraseCountCheckBoxClick(QObject*) {
    AP_INIState.EnKeepEraseCount = Checked(*this, "KeepEraseCountCheckBox") ? 1 : 0;
}

void TMainForm::UnbalanceCheckBoxClick(QObject*) {
    AP_INIState.EnUnbalance = Checked(*this, "UnbalanceCheckBox") ? 1 : 0;
    SetEnabled(*this, "DieMapGroupBox", AP_INIState.EnUnbalance != 0);
    if (auto* lun = Control("LunSelectButton")) lun->setVisible(AP_FlashSet.ucDiePerCE >= 2 && AP_INIState.EnUnbalance != 0);
    ChangeGlobalParameter();
    CheckFWBin(0);
}

void TMainForm::PureSLCCheckBoxClick(QObject*) {
    if (Checked(*this, "PureSLCCheckBox")) {
        AP_INIState.PureTLC = 0;
        SetChecked(*this, "PureTLCCheckBox", false);
        AP_INIState.PureSLC = 1;
        UpdateStruct2UI();
    } else {
        AP_INIState.PureSLC = 0;
    }
    CopyPagesToRecords();
}

void TMainForm::PureTLCCheckBoxClick(QObject*) {
    if (Checked(*this, "PureTLCCheckBox")) {
        AP_INIState.PureTLC = 1;
        SetChecked(*this, "PureSLCCheckBox", false);
        AP_INIState.PureSLC = 0;
        AP_INIState.FixSLC_BU = 0;
        SetEnabled(*this, "FixSlcQntyLabeledEdit", false);
        UpdateStruct2UI();
    } else {
        AP_INIState.PureTLC = 0;
        SetEnabled(*this, "FixSlcQntyLabeledEdit", true);
    }
    CopyPagesToRecords();
}

void TMainForm::DramTypeComboBoxChange(QObject* sender) {
    TraceOut("######### - DramTypeComboBoxChange\n");
    if (!CopyPagesToRecords()) return;
    ChangeGlobalParameter();
    UpdateStruct2UI();
    CalcIDEMAtoRatioButtonClick(sender);
}

void TMainForm::DRAMlessCheckBoxClick(QObject* sender) {
    TraceOut("######### - DRAMlessCheckBoxClick\n");
    auto* dram = Control<QComboBox>("DramTypeComboBox");
    if (Checked(*this, "DRAMlessCheckBox")) {
        AP_INIState.EnDRAMless = 1;
        if (dram != nullptr) {
            dram->setCurrentIndex(0);
            dram->setEnabled(false);
        }
        AP_INIState.bDramProfile = 0;
        SetEnabled(*this, "DisableHMBCheckBox", true);
        ShowChannelGroups(*this, true);
        ChangeGlobalParameter();
        UpdateStruct2UI();
        CalcIDEMAtoRatioButtonClick(sender);
    } else {
        AP_INIState.EnDRAMless = 0;
        if (dram != nullptr) dram->setEnabled(true);
        AP_INIState.DisableHMB = 1;
        SetChecked(*this, "DisableHMBCheckBox", true);
        SetEnabled(*this, "DisableHMBCheckBox", false);
        ShowChannelGroups(*this, false);
    }
}

void TMainForm::EnableRaidCheckBoxClick(QObject* sender) {
    TraceOut("######### - EnableRaidCheckBoxClick\n");
    AP_INIState.EnVD = Checked(*this, "EnableRaidCheckBox") ? 1 : 0;
    ChangeGlobalParameter();
    CalcIDEMAtoRatioButtonClick(sender);
    CheckFWBin(0);
}
