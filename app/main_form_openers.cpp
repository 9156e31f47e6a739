// What the main window opens for the operator: the device panels' "CFT" and "?" buttons (the
// check-flash tool, the error log or the device information of the drive behind the panel), the
// fixture window of "Tools" > "Auto MP" and the About box. The windows are reached through the
// dialog seam, so this file includes none of them.
#include <QObject>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/run_lock.h"
#include "app/run_state.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

// The device number after the name's prefix ("CFTButton12" -> 12), 0 when none.
int NumberAfter(QObject* sender, int prefixLength) {
    return sender != nullptr ? sender->objectName().mid(prefixLength).toInt() : 0;
}

// The port of device number n (1 to 16), or -1 after a trace when the device has none: an
// enumeration running on the fixture window's worker empties the map while the panel buttons are
// still enabled.
int PortOfDevice(int n) {
    const int port = n >= 1 && n <= kDeviceCount ? g_DeviceToPortMap[n - 1] : kNoPort;
    if (port >= kUsbPortRecords) {
        TraceOut("######### - Device %d has no port\n", n);
        return -1;
    }
    return port;
}

}  // namespace

void TMainForm::CFTButtonClick(QObject* sender) {
    const int n = NumberAfter(sender, 9);
    TraceOut("######### - CFTButtonClick %d\n", n);
    const int port = PortOfDevice(n);
    if (port < 0) return;
    TraceOut("######### - bInstance is %d\n", port);
    app::ShowCheckFlashTool(port, AP_INIState.MPChannel, AP_INIState.MPBank, AP_INIState.MPFwChannelSet,
                            AP_INIState.MPFwBankSet);
}

void TMainForm::DeviceInfoBitBtnClick(QObject* sender) {
    const int n = NumberAfter(sender, 16);
    TraceOut("######### - DeviceInfoBitBtnClick %d\n", n);
    const int port = PortOfDevice(n);
    if (port < 0 || (AP_INIState.ToolMode != 0 && AP_INIState.ToolMode != 1)) return;
    if (LoadField(g_PortDevInfo[port].iStatus) == -1) {
        app::ShowErrorLog(port, n);
    } else {
        app::ShowDeviceInfo(port, n);
    }
}

void TMainForm::RuzeVE1Click(QObject*) {
    TraceOut("#########RuzeVE1Click\r\n");
    app::FixtureWindow* fixture = app::RegisteredFixtureWindow();
    // While a run or a fixture cycle goes on, resetting the fixture's state block under its worker
    // or unlocking START would start a second run over the first: the window is only shown.
    if (m_bRunning != 0 || (fixture != nullptr && fixture->CycleRunning())) {
        TraceOut("######### - A run is going: the fixture window is only shown\n");
        if (fixture != nullptr) fixture->ShowWithoutWaiting();
        return;
    }
    if (fixture != nullptr) {
        fixture->ClearReadStatusMemo();
        for (int slot = 0; slot < 8; ++slot) {
            fixture->TRuzeVEShowDevSts(0, slot);
            fixture->TRuzeVEShowDevPort(slot, 0, false);
        }
    }
    app::LockForRun(*this, false, app::RunLockPage::Keep);
    if (fixture == nullptr) return;
    fixture->EnableStart();
    fixture->Init_Auto_MP_Info();
    fixture->ShowWithoutWaiting();
}

void TMainForm::AboutClick(QObject*) {
    app::ShowAbout();
}
