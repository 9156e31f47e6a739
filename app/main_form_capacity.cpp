// The capacity group's handlers ("Set", "Restore", Enter in the capacity edit) around the plain
// computation of settings/idema_ratio.h: the pages copied into the records first, the displays and
// the page refill after.
#include <QLineEdit>
#include <cstdio>
#include <optional>

#include "app/main_form.h"
#include "app/run_state.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "settings/idema_ratio.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

QString Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

}  // namespace

void TMainForm::CalcIDEMAtoRatioButtonClick(QObject* sender) {
    TraceOut("######### - CalcIDEMAtoRatioButtonClick\n");
    TraceOut("FlashBINType = %s \n", settings::FlashBinType().c_str());
    if (!CopyPagesToRecords()) return;
    auto* edit = Control<QLineEdit>("IDEMACapacityLabeledEdit");
    if (edit == nullptr) return;
    if (sender != Control<QObject>("CalcIDEMAtoRatioButton") && sender != edit) {
        edit->setText(Format("%4.2f", static_cast<double>(AP_INIState.fIDEMACapacity)));
    }
    settings::IdemaOutcome out;
    try {
        out = settings::CalcIdemaToRatio([edit]() -> std::optional<long double> {
            const std::string text = edit->text().toStdString();
            if (text.empty()) return std::nullopt;
            return forms::StrToFloatOrThrow(text);
        });
    } catch (const forms::ConvertError& e) {
        forms::Ui().MessageBox(app::kToolName, e.what(), forms::BoxIcon::Error);
        return;
    }
    if (!out.message.empty()) {
        forms::Ui().ShowMessage(out.message);
        return;
    }
    if (out.capacity1024.empty()) return;  // a geometry without planes, LUNs or dies: traced
    if (auto* w = Control<QLineEdit>("Capacity1024LabeledEdit")) w->setText(QString::fromStdString(out.capacity1024));
    if (auto* w = Control<QLineEdit>("Capacity1000LabeledEdit")) w->setText(QString::fromStdString(out.capacity1000));
    if (auto* w = Control<QLineEdit>("ReservedRatioLabeledEdit")) w->setText(QString::number(AP_INIState.ResPercentage));
    if (auto* w = Control<QLineEdit>("DefectRatioLabeledEdit")) w->setText(QString::number(AP_INIState.DefPercentage));
    UpdateStruct2UI();
}

void TMainForm::RestoreDefaultRatioButtonClick(QObject* sender) {
    TraceOut("######### - RestoreDefaultRatioButtonClick\n");
    if (!CopyPagesToRecords()) return;
    const settings::RestoreOutcome out = settings::RestoreDefaultRatio();
    if (!out.message.empty()) {
        forms::Ui().ShowMessage(out.message);
        return;
    }
    if (out.editText.empty()) return;  // a geometry without planes, LUNs or dies: traced
    if (auto* w = Control<QLineEdit>("IDEMACapacityLabeledEdit")) w->setText(QString::fromStdString(out.editText));
    if (auto* w = Control<QLineEdit>("ReservedRatioLabeledEdit")) w->setText(QString::number(AP_INIState.ResPercentage));
    if (auto* w = Control<QLineEdit>("DefectRatioLabeledEdit")) w->setText(QString::number(AP_INIState.DefPercentage));
    UpdateStruct2UI();
    CalcIDEMAtoRatioButtonClick(sender);
    CheckFWBin(0);
}

void TMainForm::IDEMACapacityLabeledEditKeyPress(QObject* sender, char& key) {
    if (key == 13) CalcIDEMAtoRatioButtonClick(sender);
}
