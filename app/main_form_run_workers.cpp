// The run proper: one worker per taking-part device, the wait that serves the GUI thread, the
// bookkeeping and the MP log; the watchdogs, Stop and the elapsed time.
#include <QTimer>
#include <cstring>
#include <memory>
#include <vector>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/mp_item_table.h"
#include "app/mp_log.h"
#include "app/mp_worker.h"
#include "app/panel_thread.h"
#include "app/run_state.h"
#include "app/run_text.h"
#include "forms/controls.h"
#include "forms/gui_call.h"
#include "forms/ini_file.h"
#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "platform/clock.h"
#include "settings/param_text.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

// The failure text a panel shows for the watchdog's and Stop's outcome.
std::string StoppedText(int code) {
    const MPItemRecord& row = g_MPItemTable[code];
    char text[96];
    if (code == kItemStop) {
        std::snprintf(text, sizeof text, "(%s) Stop", row.sCode);
    } else {
        std::snprintf(text, sizeof text, "(%s) %s Fail", row.sCode, row.sItemName);
    }
    return text;
}

void ShowStopped(int device, int code) {
    DeviceSlot slot = g_DeviceSlots.Read(device);
    slot.status = StoppedText(code);
    slot.colour = kColourFail;
    g_DeviceSlots.Publish(device, slot);
}

}  // namespace

int TMainForm::MultiExecuteDevice() {
    // 1. Start time.
    const platform::LocalTime start = platform::Now();
    const std::uint64_t startTick = platform::TickCount();
    // 2. The panel thread.
    if (g_nEnabledPortNum != 0) {
        forms::ProcessMessages();
        g_pMyThread = std::make_unique<TMyThread>(*this);
    }
    // 3. and 4. One block and one worker per taking-part device.
    const int limit = std::min<int>(g_nEnabledPortNum, kDeviceCount);
    std::vector<std::unique_ptr<app::ThreadParam>> params;
    std::vector<int> devices;
    const bool download = AP_INIState.dwItemEnable[kItemDownload] != 0;
    bool serialAdvanced = false;
    for (int d = 0; d < kDeviceCount; ++d) {
        TraceOut("######### - 1 - [%d]g_SelectedDevice is 0x%02X\n", d, g_SelectedDevice);
        if (static_cast<int>(params.size()) >= limit) break;
        if (!DeviceSelected(d) || g_DeviceToPortMap[d] == kNoPort) continue;
        const int port = g_DeviceToPortMap[d];
        TraceOut("######### - g_DeviceToPortMap[%d] is %d\n", d, port);
        if (port >= kUsbPortRecords || g_PortDevInfo[port].iConnected == 0) continue;
        PortDevInfo& record = g_PortDevInfo[port];
        for (int i = 0; i < FunCheckListBox->Count(); ++i) {
            const int id = FindTestItem(FunCheckListBox->ItemText(i).toStdString());
            if (id >= 0 && id < 36) StoreField(record.iItemState[id], 0);
        }
        auto param = std::make_unique<app::ThreadParam>();
        param->form = this;
        param->timers = &m_Timers;
        param->port = port;
        param->device = d;
        param->AP_INIState_Thread = AP_INIState;
        param->checkedItems = [this] {
            int n = 0;
            for (int i = 0; i < FunCheckListBox->Count(); ++i) n += FunCheckListBox->Checked(i) ? 1 : 0;
            return n;
        };
        app::ResetOutcomeClaim(d);
        g_DeviceSlots.Publish(d, DeviceSlot{});
        app::ThreadParam* p = param.get();
        // A worker posts an empty call to the GUI thread as it ends, which wakes the wait below.
        m_hThread[d] =
            std::make_unique<forms::WorkerThread>([p](forms::WorkerThread&) { return app::DeviceMPThread(*p); });
        params.push_back(std::move(param));
        devices.push_back(d);
        if (!m_hThread[d]->Start()) {
            forms::Ui().ShowMessage(QString::asprintf("Create thread fail[%d]", d).toStdString());
            m_hThread[d].reset();
            if (app::TakeOutcomeClaim(d)) {
                StoreField(record.iStatus, -1);
                StoreField(record.iResult, 0);
            }
        }
        if (download) {
            if (AP_INIState.SNInputMode == 1) IncDecString(AP_INIState.SerialNum);
            if (AP_INIState.SNInputMode == 2) IncHexString(AP_INIState.SerialNum);
            serialAdvanced = serialAdvanced || AP_INIState.SNInputMode == 1 || AP_INIState.SNInputMode == 2;
        }
    }
    // The next serial number is in the settings file before any drive burns its own: loading the
    // file again, or a program that ends without closing, hands out no number twice.
    if (serialAdvanced) SaveNextSerialNumber();
    // 5. Wait, serving the GUI thread; the elapsed time once a second.
    QTimer elapsed;
    QObject::connect(&elapsed, &QTimer::timeout, [this, startTick] { UpdateElapsedTime(startTick); });
    elapsed.start(1000);
    WaitForWorkers(devices);
    elapsed.stop();
    // 6. Close the threads, stop the panel thread, repaint.
    for (int d : devices) {
        TraceOut("######### - Close thread %d\n", d);
        m_hThread[d].reset();
    }
    params.clear();
    if (g_pMyThread) {
        g_pMyThread->Finish();
        g_pMyThread.reset();
    }
    forms::ProcessMessages();
    UpdateDrawPanel();
    // 7. End time; the next serial number.
    const platform::LocalTime end = platform::Now();
    if (auto* edit = Control<QLineEdit>("SerialNumberEdit")) edit->setText(AP_INIState.SerialNum);
    // 8. Bookkeeping.
    for (int d = 0; d < kDeviceCount; ++d) {
        if (!DeviceConnected(d)) continue;
        const int port = g_DeviceToPortMap[d];
        PortDevInfo& record = g_PortDevInfo[port];
        const std::int32_t result = LoadField(record.iResult);
        if (result == 1) {
            StoreField(record.iResult, 0);
            ++AP_INIState.TotalTestCount;
            ++AP_INIState.NumberOfPass;
            app::Fixture_Refresh_Dev_MP_Sts(port, 8);
        } else if (result == -1) {
            StoreField(record.iResult, 0);
            ++AP_INIState.TotalTestCount;
            app::Fixture_Refresh_Dev_MP_Sts(port, 9);
        }
    }
    ShowYieldCount();
    // 9. The MP log.
    app::MpLogRun run;
    for (int i = 0; i < FunCheckListBox->Count(); ++i) run.items.push_back(FunCheckListBox->ItemText(i).toStdString());
    for (int d : devices) {
        app::MpLogRow row;
        row.port = g_DeviceToPortMap[d];
        row.start = start;
        row.end = end;
        PortDevInfo& record = g_PortDevInfo[row.port];
        row.serialNumber = download ? std::string(record.sBurnedSerialNum,
                                                  strnlen(record.sBurnedSerialNum, sizeof record.sBurnedSerialNum))
                                    : "N/A";
        row.record = &record;
        run.rows.push_back(row);
    }
    run.totalTestCount = AP_INIState.TotalTestCount;
    run.connectedCount = g_nPortConnectedNum;
    app::AppendMpLogRun(m_MpLog, run);
    return 1;
}

void TMainForm::SaveNextSerialNumber() {
    const std::string next(AP_INIState.SerialNum, BoundedStrLen(AP_INIState.SerialNum, sizeof AP_INIState.SerialNum));
    if (!forms::IniFile(m_sIniFile).WriteString("DeviceSetting", "SerialNum", next)) {
        TraceOut("######### - SerialNum %s cannot be written to %s\n", next.c_str(), m_sIniFile.c_str());
    }
}

void TMainForm::WaitForWorkers(const std::vector<int>& devices) {
    const auto running = [this, &devices] {
        for (int d : devices) {
            if (m_hThread[d] && !m_hThread[d]->Finished()) return true;
        }
        return false;
    };
    forms::PumpUntil([&] { return !running(); }, -1);
    int done = 0;
    int stopped = 0;
    for (int d : devices) {
        if (!m_hThread[d]) continue;
        const std::uint32_t code = m_hThread[d]->ExitCode();
        done += code == app::kThreadExitDone ? 1 : 0;
        stopped += code == app::kThreadExitTerminated ? 1 : 0;
    }
    const int first = done == g_nEnabledPortNum || done + stopped == g_nEnabledPortNum ? 1 : 2;
    TraceOut("######### - %d - nExitThread is %d\n", first, done);
    TraceOut("######### - %d - nStopThread is %d\n", first, stopped);
}

void TMainForm::WatchdogTimer(int nTimerID) {
    const int device = nTimerID - g_DeviceTimerID[0];
    m_Timers.KillTimer(nTimerID);
    if (device < 0 || device >= kDeviceCount) return;
    if (m_hThread[device]) m_hThread[device]->Cancel();
    const std::uint16_t port = g_DeviceToPortMap[device];
    if (port < kUsbPortRecords && app::TakeOutcomeClaim(device)) {
        PortDevInfo& record = g_PortDevInfo[port];
        StoreField(record.iErrorCode, kItemTimeout);
        StoreField(record.iFailItem, kItemTimeout);
        StoreField(record.iStatus, -1);
        ShowStopped(device, kItemTimeout);
    }
    UpdateDrawPanel();
}

void TMainForm::StopSpeedButtonClick(QObject*) {
    if (g_nPortConnectedNum == 0) {
        forms::Ui().ShowMessage("No connected device!!");
        return;
    }
    for (int d = 0; d < kDeviceCount; ++d) {
        if (!DeviceConnected(d) || !m_hThread[d] || m_hThread[d]->ExitCode() != forms::WorkerThread::kStillActive) {
            continue;
        }
        m_Timers.KillTimer(g_DeviceTimerID[d]);
        m_hThread[d]->Cancel();
        if (app::TakeOutcomeClaim(d)) {
            PortDevInfo& record = g_PortDevInfo[g_DeviceToPortMap[d]];
            StoreField(record.iStatus, -1);
            StoreField(record.iErrorCode, kItemStop);
            StoreField(record.iFailItem, kItemStop);
            StoreField(record.iResult, -1);
            ShowStopped(d, kItemStop);
        }
    }
}

void TMainForm::UpdateElapsedTime(std::uint64_t startTick) {
    const std::uint64_t now = platform::TickCount();
    const std::uint64_t seconds = now > startTick ? (now - startTick) / 1000 : 0;
    ElapsedTimeLabeledEdit->SetText(QString::fromStdString(app::ElapsedText(seconds)));
}
