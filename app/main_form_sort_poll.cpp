// The sorting-status poll of the mapped drives (after a SORT run and on every tick of
// SortStatusTimer), the "Polling RDT" tool and the sorting-mode box.
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <cstring>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/run_lock.h"
#include "app/run_state.h"
#include "app/sort_status.h"
#include "forms/colours.h"
#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Sorting.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kStatusBytes = 512;

// Marks a poll in progress for its scope: a tick that arrives while a poll waits for a drive (the
// status read serves events) finds it set and is dropped.
class PollGuard {
  public:
    explicit PollGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~PollGuard() { flag_ = false; }
    PollGuard(const PollGuard&) = delete;
    PollGuard& operator=(const PollGuard&) = delete;

  private:
    bool& flag_;
};

}  // namespace

void TMainForm::SortStatusTimerTimer(QObject*) {
    if (AP_INIState.ToolMode != 1) return;
    TraceOut("[____________________________________________]   SortStatusTimer Timer  work \n");
    SORTStatusClick(SortStatusTimer);
}

void TMainForm::SORTStatusClick(QObject*) {
    if (m_bSortPolling) {
        TraceOut("######### - SORTStatusClick: a poll is running, this one is dropped\n");
        return;
    }
    PollGuard guard(m_bSortPolling);
    app::LockForRun(*this, true, app::RunLockPage::Keep);
    std::uint8_t reply[kStatusBytes];
    for (int d = 0; d < kDeviceCount; ++d) {
        const std::uint16_t port = g_DeviceToPortMap[d];
        if (port == kNoPort) continue;
        TraceOut("######### - g_DeviceToPortMap[%d] is %d\n", d, port);
        if (port >= kUsbPortRecords) continue;
        VP_EnableVendorCmd(port, 1);
        std::memset(reply, 0, sizeof reply);
        if (!VP_PROC_GetRDTStatus(port, reply)) continue;
        app::TraceSortStatusReply(reply);
        const auto code = app::SortStatusOfReply(reply);
        if (!code) {
            TraceOut("VP PROC_SORT_STATUS return no log \n");
            continue;
        }
        const app::SortStatusAction a = app::SortStatusActionFor(*code);
        app::Fixture_Check_Dev_RDT_Rst(port, a.fixtureCode);
        if (*a.trace != '\0') TraceOut("%s", a.trace);
        StoreField(g_PortDevInfo[port].iStatus, a.iStatus);
        g_ucRdtStatus = a.rdtStatus;
        if (a.timerOff) SortStatusTimer->stop();
        if (a.lock != app::SortLock::Keep) app::LockForRun(*this, a.lock == app::SortLock::On, app::RunLockPage::Keep);
        DeviceLabel[d]->setText(QString::fromLatin1(a.panelText));
        forms::SetColour(DevicePanel[d], a.colour);
        forms::ProcessMessages();
    }
    for (int d = 0; d < kDeviceCount; ++d) {
        const std::uint16_t port = g_DeviceToPortMap[d];
        if (port >= kUsbPortRecords || LoadField(g_PortDevInfo[port].iStatus) != 3) continue;
        g_ucRdtStatus = 1;
        SortStatusTimer->start();
        app::LockForRun(*this, true, app::RunLockPage::Keep);
    }
}

void TMainForm::PollingRDTClick(QObject*) {
    if (g_nPortConnectedNum == 0) {
        forms::Ui().ShowMessage("No connected device!!");
        return;
    }
    app::LockForRun(*this, true, app::RunLockPage::Keep);
    std::uint8_t reply[kStatusBytes];
    for (int d = 0; d < kDeviceCount; ++d) {
        if (!DeviceConnected(d)) continue;
        const std::uint16_t port = g_DeviceToPortMap[d];
        VP_EnableVendorCmd(port, 1);
        TraceOut("CheckRDTFW pass \n");
        std::memset(reply, 0, sizeof reply);
        if (VP_PROC_GetRDTStatus(port, reply)) app::TraceSortStatusReply(reply);
        const auto code = app::SortStatusOfReply(reply);
        if (!code) {
            TraceOut("VP PROC_SORT_STATUS return no log \n");
        } else {
            TraceOut(*code == 7 ? "Load pattern Fail!\n" : "Load pattern Pass!\n");
        }
    }
    forms::DelayWithMessages(1000);
    app::LockForRun(*this, false, app::RunLockPage::Keep);
}

void TMainForm::SortMode_CBChange(QObject* sender) {
    auto* box = qobject_cast<QComboBox*>(sender);
    if (box == nullptr) box = Control<QComboBox>("SortMode_CB");
    if (box == nullptr || box->currentIndex() < 0) return;
    AP_RDTSet.RunSortingMode = static_cast<std::uint8_t>(box->currentIndex());
    UpdateStruct2UI();
}
