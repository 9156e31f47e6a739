#include "dialogs/lun_select_form.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QShowEvent>
#include <algorithm>

#include "dialogs/dialog_common.h"
#include "transport/trace.h"

namespace dialogs {

int LunLimit(int value, int limit) {
    return std::clamp(value, 0, limit);
}

LunFormSize LunSelectFormSize(int chNum, int ceNum) {
    return {LunLimit(chNum, app::kLunChannels) * 120 + 20, LunLimit(ceNum, app::kLunCes) * 60 + 60};
}

}  // namespace dialogs

TLunSelectForm::TLunSelectForm(QWidget* parent) : QDialog(parent) {
    setObjectName("LunSelectForm");
    setWindowTitle("LunSelectForm");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    for (int ch = 0; ch < app::kLunChannels; ++ch) {
        for (int ce = 0; ce < app::kLunCes; ++ce) {
            const QString cell = QString::number(ch) + QString::number(ce);
            auto* panel = new QFrame(this);
            panel->setObjectName("Panel" + cell);
            panel->setFrameShape(QFrame::Panel);
            panel->setFrameShadow(QFrame::Raised);
            panel->setGeometry(ch * 120 + 10, ce * 60 + 10, 100, 50);
            panel->hide();
            Panel[ch][ce] = panel;
            auto* label = new QLabel(QString("Ch %1/Ce %2").arg(ch).arg(ce), panel);
            label->setObjectName("Label" + cell);
            label->move(15, 5);
            Label[ch][ce] = label;
            for (int lun = 0; lun < app::kLunLuns; ++lun) {
                auto* box = new QCheckBox(panel);
                box->setObjectName("CheckBox" + cell + QString::number(lun));
                box->setGeometry(lun * 20 + 15, 25, 17, 17);
                box->hide();
                CheckBox[ch][ce][lun] = box;
            }
        }
    }
    setFixedSize(dialogs::LunSelectFormSize(0, 0).width, dialogs::LunSelectFormSize(0, 0).height);
}

TLunSelectForm::~TLunSelectForm() {
    app::UnregisterIfCurrent<app::LunSelectWindow, app::RegisterLunSelectWindow>(this);
}

void TLunSelectForm::ShowModal() {
    exec();
}

void TLunSelectForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TLunSelectForm::FormShow(QObject*) {
    const dialogs::LunFormSize size = dialogs::LunSelectFormSize(gLunStatus.ChNum, gLunStatus.CeNum);
    setFixedSize(size.width, size.height);
    dialogs::CentreOnScreen(*this);
    TraceOut("######### - gLunStatus.ChNum is %d\n", gLunStatus.ChNum);
    TraceOut("######### - gLunStatus.CeNum is %d\n", gLunStatus.CeNum);
    TraceOut("######### - gLunStatus.DiePerCe is %d\n", gLunStatus.DiePerCe);
    for (int ch = 0; ch < app::kLunChannels; ++ch) {
        for (int ce = 0; ce < app::kLunCes; ++ce) {
            TraceOut("######### - gLunStatus.ChCeSelect[%d][%d] is %d\n", ch, ce, gLunStatus.ChCeSelect[ch][ce]);
            Panel[ch][ce]->setVisible(gLunStatus.ChCeSelect[ch][ce] != 0);
        }
    }
    const int luns = dialogs::LunLimit(gLunStatus.DiePerCe, app::kLunLuns);
    for (int ch = 0; ch < app::kLunChannels; ++ch) {
        for (int ce = 0; ce < app::kLunCes; ++ce) {
            for (int lun = 0; lun < luns; ++lun) {
                const std::uint8_t selected = gLunStatus.LunSelect[ch][ce][lun];
                TraceOut("######### - gLunStatus.LunSelect[%d][%d][%d] is %d\n", ch, ce, lun, selected);
                CheckBox[ch][ce][lun]->setVisible(true);
                CheckBox[ch][ce][lun]->setChecked(selected != 0);
            }
        }
    }
}

void TLunSelectForm::done(int result) {
    FormClose(this);
    QDialog::done(result);
}

void TLunSelectForm::FormClose(QObject*) {
    const int channels = dialogs::LunLimit(gLunStatus.ChNum, app::kLunChannels);
    const int ces = dialogs::LunLimit(gLunStatus.CeNum, app::kLunCes);
    const int luns = dialogs::LunLimit(gLunStatus.DiePerCe, app::kLunLuns);
    for (int ch = 0; ch < channels; ++ch) {
        for (int ce = 0; ce < ces; ++ce) {
            for (int lun = 0; lun < luns; ++lun) {
                const std::uint8_t selected = CheckBox[ch][ce][lun]->isChecked() ? 1 : 0;
                gLunStatus.LunSelect[ch][ce][lun] = selected;
                TraceOut("######### - gLunStatus.LunSelect[%d][%d][%d] is %d\n", ch, ce, lun, selected);
            }
        }
    }
}
