// The panel repaint, the panel thread, the panels' double click and the result panels' mouse.
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

#include "app/main_form.h"
#include "app/mp_access.h"
#include "app/mp_item_table.h"
#include "app/panel_thread.h"
#include "app/panel_view.h"
#include "app/run_state.h"
#include "forms/colours.h"
#include "forms/gui_call.h"
#include "settings/records.h"
#include "transport/trace.h"

std::unique_ptr<TMyThread> g_pMyThread;

namespace {

void SetCaption(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

void SetEnabled(QWidget* w, bool enabled) {
    if (w->isEnabled() != enabled) w->setEnabled(enabled);
}

}  // namespace

void TMainForm::UpdateDrawPanel() {
    TraceOut("######### - UpdateDrawPanel\n");
    app::MpAccessGuard guard;
    for (int d = 0; d < kDeviceCount; ++d) {
        const app::PanelView v = app::ComputePanelView(d);
        forms::CallOnGui([this, d, &v] {
            SNLabeledEdit[d]->SetCaption(QString::fromStdString(v.snCaption));
            SetEnabled(DeviceInfoBitBtn[d], v.mapped);
            SetEnabled(CFTButton[d], v.mapped);
            if (v.snText) SNLabeledEdit[d]->SetText(QString::fromStdString(*v.snText));
            if (v.colour) forms::SetColour(DevicePanel[d], *v.colour);
            if (v.text) SetCaption(DeviceLabel[d], QString::fromStdString(*v.text));
            if (v.resetGauge) DeviceCGauge[d]->SetProgress(0);
        });
    }
    forms::CallOnGui([this] {
        for (int d = 0; d < kDeviceCount; ++d) {
            QLineEdit* edit = DeviceSequenceEdit[d];
            const bool mapped = g_DeviceToPortMap[d] != kNoPort;
            if (g_EnCustomizePortMap != 0 && mapped) {
                if (!DeviceConnected(d)) continue;
                if (edit->text() != QString::number(d + 1)) edit->setText(QString::number(d + 1));
                SetEnabled(edit, true);
                forms::SetColour(edit, forms::clWindow);
            } else {
                if (!edit->text().isEmpty()) edit->clear();
                SetEnabled(edit, false);
                forms::SetColour(edit, forms::clBtnFace);
            }
        }
    });
}

void TMainForm::SyncDevicePanels() {
    const bool download = AP_INIState.dwItemEnable[kItemDownload] != 0;
    for (int d = 0; d < kDeviceCount; ++d) {
        if (!DeviceSelected(d) || !DeviceConnected(d)) continue;
        const DeviceSlot slot = g_DeviceSlots.Read(d);
        SetCaption(DeviceLabel[d], QString::fromStdString(slot.status));
        forms::SetColour(DevicePanel[d], slot.colour);
        DeviceCGauge[d]->SetProgress(slot.progress);
        if (download) SNLabeledEdit[d]->SetText(QString::fromStdString(slot.serialNumber));
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Page[0] && event->type() == QEvent::Resize) FitStyleScrollBox();
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int d = 0; d < kDeviceCount; ++d) {
            if (watched == DevicePanel[d]) {
                DevicePanelDblClick(d);
                return true;
            }
        }
    }
    if (std::find(std::begin(ResultPanel), std::end(ResultPanel), watched) != std::end(ResultPanel)) {
        return ResultPanelMouse(static_cast<QWidget*>(watched), event);
    }
    return QMainWindow::eventFilter(watched, event);
}

// A result panel's left-button click (pressed and released over it) and double click; the release
// that ends a double click is no second click.
bool TMainForm::ResultPanelMouse(QWidget* panel, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !panel->isEnabled()) return false;
    if (type == QEvent::MouseButtonPress) {
        m_PressedResultPanel = panel;
    } else if (type == QEvent::MouseButtonDblClick) {
        m_PressedResultPanel = nullptr;
        ResultPanel1DblClick(panel);
    } else {
        const bool click = m_PressedResultPanel == panel && panel->rect().contains(mouse->position().toPoint());
        m_PressedResultPanel = nullptr;
        if (click) ResultPanel1Click(panel);
    }
    return true;
}

TMyThread::TMyThread(TMainForm& form)
    : form_(form), thread_([this](forms::WorkerThread& self) { return Execute(self); }) {
    thread_.Start();
}

TMyThread::~TMyThread() {
    Finish();
}

void TMyThread::Finish() {
    thread_.RequestTerminate();
    thread_.Wait();
}

std::uint32_t TMyThread::Execute(forms::WorkerThread& self) {
    while (!self.Terminated()) {
        self.Synchronize([this] { form_.SyncDevicePanels(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    self.Synchronize([this] { form_.SyncDevicePanels(); });
    return 0;
}
