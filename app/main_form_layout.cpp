// The device panels' layouts and the window size (the pages take what the window leaves; the
// partial size drops the flash-module band), the small handlers that trace until their pages
// come, the test-item ticks, and the file checks with their status texts.
#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVariant>
#include <algorithm>

#include "app/file_checks.h"
#include "app/main_form.h"
#include "app/die_map_controls.h"
#include "app/widget_control_store.h"
#include "app/mp_item_table.h"
#include "forms/controls.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

struct PanelPlaces {
    int width, height;
    QPoint sn, gauge, cft, info, sequence;
    int labelWidth;  // the status text, from (10, 4): as far as the panel leaves room
};
constexpr PanelPlaces kList{990, 26, {380, 2}, {820, 5}, {880, 2}, {930, 2}, {960, 2}, 250};
constexpr PanelPlaces kBlock{247, 104, {62, 50}, {80, 81}, {140, 78}, {190, 78}, {220, 78}, 233};

// StyleScrollBox's top in each window size; the partial size drops the flash-module band above it.
constexpr int kFullScrollTop = 113;
constexpr int kPartialScrollTop = 3;
constexpr const char* kHiddenByPartial = "hiddenByPartial";

void SetChecked(QAction* action, bool checked) {
    if (action != nullptr) action->setChecked(checked);
}

}  // namespace

// The layouts of the 16 device panels.
static void LayOutPanels(TMainForm& f, const PanelPlaces& p, bool block) {
    for (int i = 0; i < 16; ++i) {
        const QPoint at = block ? QPoint(247 * (i % 4), 104 * (i / 4)) : QPoint(0, 26 * i);
        f.DevicePanel[i]->setGeometry(at.x(), at.y(), p.width, p.height);
        f.DeviceLabel[i]->resize(p.labelWidth, f.DeviceLabel[i]->height());
        // Block panels are narrow: the serial number's caption goes above its edit.
        f.SNLabeledEdit[i]->setGeometry(p.sn.x(), p.sn.y(), block ? 180 : 200, f.SNLabeledEdit[i]->height());
        f.SNLabeledEdit[i]->SetLabelPosition(block ? forms::LabeledEdit::LabelPosition::Above
                                                   : forms::LabeledEdit::LabelPosition::Left);
        f.DeviceCGauge[i]->move(p.gauge);
        f.CFTButton[i]->move(p.cft);
        f.DeviceInfoBitBtn[i]->move(p.info);
        f.DeviceSequenceEdit[i]->move(p.sequence);
    }
    if (QWidget* box = f.StyleScrollBox->widget()) {
        box->resize(block ? 4 * kBlock.width : kList.width, block ? 4 * kBlock.height : 16 * kList.height);
    }
}

void TMainForm::ListLayoutClick(QObject*) {
    AP_INIState.DevicePanelStyle = 0;
    LayOutPanels(*this, kList, false);
    SetChecked(ListLayout, true);
    SetChecked(BlockLayout, false);
}

void TMainForm::BlockLayoutClick(QObject*) {
    AP_INIState.DevicePanelStyle = 1;
    LayOutPanels(*this, kBlock, true);
    SetChecked(ListLayout, false);
    SetChecked(BlockLayout, true);
}

// The controls of the Main Page above StyleScrollBox (the flash-module band): the partial size
// hides those that show and the full size shows them again, so the device panels never lie over
// them and nothing the partial size did not hide is shown.
static void ShowFlashModuleBand(TMainForm& f, bool show) {
    for (QObject* o : f.Page[0]->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w == nullptr || w == f.StyleScrollBox || w->isWindow()) continue;
        if (!show && !w->isHidden()) {
            w->setProperty(kHiddenByPartial, true);
            w->hide();
        } else if (show && w->property(kHiddenByPartial).toBool()) {
            w->setProperty(kHiddenByPartial, QVariant());
            w->show();
        }
    }
}

void TMainForm::FitStyleScrollBox() {
    if (StyleScrollBox == nullptr || Page[0] == nullptr) return;
    StyleScrollBox->resize(StyleScrollBox->width(), std::max(0, Page[0]->height() - StyleScrollBox->y() - 2));
}

void TMainForm::FullClick(QObject*) {
    TraceOut("######### - FullClick\n");
    AP_INIState.WindowSizeMode = 0;
    SetChecked(Full, true);
    SetChecked(Partial, false);
    resize(width(), 707);
    StyleScrollBox->move(StyleScrollBox->x(), kFullScrollTop);
    ShowFlashModuleBand(*this, true);
    FitStyleScrollBox();
}

void TMainForm::PartialClick(QObject*) {
    TraceOut("######### - PartialClick\n");
    AP_INIState.WindowSizeMode = 1;
    SetChecked(Full, false);
    SetChecked(Partial, true);
    resize(width(), 603);
    StyleScrollBox->move(StyleScrollBox->x(), kPartialScrollTop);
    ShowFlashModuleBand(*this, false);
    FitStyleScrollBox();
}

void TMainForm::DieMapCheckBoxOnClick(QObject* sender) {
    if (sender == nullptr) return;
    app::WidgetControlStore store(*this);
    app::DieMapBoxClick(store, sender->objectName().toStdString());
}

void TMainForm::fn_ProcessDieRemapUI2Struct() {
    const app::WidgetControlStore store(*this);
    app::ProcessDieRemapUI2Struct(store);
}

void TMainForm::fn_ProcessDieRemapStruct2UI() {
    app::WidgetControlStore store(*this);
    app::ProcessDieRemapStruct2UI(store);
}

void TMainForm::GeneralFormShow(QWidget* form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (form == nullptr || screen == nullptr) return;
    const QRect area = screen->geometry();
    form->move((area.width() - form->width()) / 2, (area.height() - form->height()) / 2);
}

void TMainForm::CheckGDPBin() {
    std::string text = StatusPanel[2]->text().toStdString();
    app::CheckGDPBin(&text);
    SetStatusText(2, text);
}

int TMainForm::CheckFWBin(int strict) {
    std::string text = StatusPanel[1]->text().toStdString();
    const int result = app::CheckFWBin(strict, &text);
    SetStatusText(1, text);
    return result;
}

int TMainForm::CheckLDPCBin() {
    return app::CheckLDPCBin();
}
int TMainForm::CheckNandMenUpdateBin() {
    return app::CheckNandMenUpdateBin();
}
int TMainForm::CheckOPALBin() {
    return app::CheckOPALBin();
}
int TMainForm::CheckNandMemBin() {
    return app::CheckNandMemBin();
}
int TMainForm::CheckUEFIBin() {
    return app::CheckUEFIBin();
}
