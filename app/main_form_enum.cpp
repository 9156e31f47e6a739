// Device enumeration, device changes, the window timers, Refresh and the port mapping.
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <vector>

#include "app/device_map.h"
#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/mp_access.h"
#include "app/port_census.h"
#include "app/run_state.h"
#include "forms/colours.h"
#include "forms/gui_call.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "settings/records.h"
#include "transport/trace.h"
#include "transport/usb_hub_walk.h"

namespace {

// Runs a change of controls on the GUI thread (at once when called there).
void OnGui(const std::function<void()>& fn) {
    forms::CallOnGui(fn);
}

}  // namespace

int TMainForm::GetQVChipConnectedNum() {
    return app::MatchPortsToDisks();
}

void TMainForm::EnumUSBDevice() {
    TraceOut("######### - EnumUSBDevice\r\n");
    {
        app::MpAccessGuard guard;
        g_nPortConnectedNum = GetQVChipConnectedNum();
        TraceOut("================================= g_nPortConnectedNum = %d  \r\n", g_nPortConnectedNum);
        for (std::uint16_t& port : g_DeviceToPortMap) port = kNoPort;
        if (g_nPortConnectedNum == 0) {
            OnGui([this] { ExecuteButton->setEnabled(false); });
        } else {
            OnGui([this] { ExecuteButton->setEnabled(true); });
            const int ports = TotalUSBPortCount < kUsbPortRecords ? TotalUSBPortCount : kUsbPortRecords;
            for (int i = 0; i < ports; ++i) {
                PortDevInfo& r = g_PortDevInfo[i];
                if (r.iConnected == 0) {
                    ClearPortRecord(i);
                    continue;
                }
                TraceOut("######### - Port %d is NVMe device!\n", i);
                if (AP_INIState.SNInputMode == 3 && r.sBurnedSerialNum[0] == '\0' &&
                    AP_INIState.BarCodeInputMode == 0) {
                    TraceOut("######### - Start Barcode input, mode 0\n");
                    OnGui([i] { app::ShowBarcodeInputBox(i, 255); });
                }
                if (b_AutoPortMapping != 0) {
                    const int j = app::AutoMapPort(i);
                    if (j >= 0) {
                        const QString prompt = QString::fromStdString(app::AutoMappingPrompt(j));
                        OnGui([this, prompt] { AutoPortMappingLabel->setText(prompt); });
                    }
                }
                if (app::MapPortToDevice(i) >= 0) {
                    const int count = g_nPortConnectedNum;
                    OnGui([i, count] { app::Fixture_Get_Dev_port(i, count); });
                }
            }
        }
        if (AP_INIState.SNInputMode == 3 && AP_INIState.BarCodeInputMode == 1 &&
            AP_INIState.BarCodeInputMaxCnt == g_nPortConnectedNum) {
            TraceOut("######### - Start Barcode input, mode 1\n");
            for (int d = 0; d < kDeviceCount; ++d) {
                if (!DeviceConnected(d)) continue;
                const int port = g_DeviceToPortMap[d];
                OnGui([port, d] { app::ShowBarcodeInputBox(port, d + 1); });
            }
        }
        UpdateDrawPanel();
    }
    if (AP_INIState.ConnectDevNum != 0 && AP_INIState.ConnectDevNum == g_nPortConnectedNum) {
        g_bAutoTestArmed = 1;
        OnGui([this] { AutoTestTimer->start(); });
    }
}

void TMainForm::WMDeviceChange(bool arrival) {
    TraceOut("\nDevice Change begin \r\n");
    if (m_bRunning == 0) {
        ExecuteButton->setEnabled(false);
        m_Timers.KillTimer(kEnumTimerId);
        if (arrival) {
            TraceOut("1. Normal Plug-in event captured - in\r\n");
            if (app::Fixture_WaitLink() != 0) {
                app::Fixture_SetLinkEvent(app::kLinkEventArrived);
                TraceOut("Device Change end \r\n");
                return;
            }
            m_Timers.SetTimer(kEnumTimerId, 3000);
        } else {
            TraceOut("2. Normal Unplug event captured - out\r\n");
            m_Timers.SetTimer(kEnumTimerId, 200);
        }
    } else {
        // The run's map stays fixed; the change is served when the run ends.
        TraceOut("######### - A run is active: the device change waits for its end\n");
        m_nHeldChangeDelay = !arrival || m_nHeldChangeDelay == 200 ? 200 : 3000;
    }
    TraceOut("Device Change end \r\n");
}

void TMainForm::ServeHeldDeviceChange() {
    if (m_nHeldChangeDelay == 0) return;
    TraceOut("######### - A device changed during the run: enumerate in %u ms\n", m_nHeldChangeDelay);
    ExecuteButton->setEnabled(false);
    m_Timers.KillTimer(kEnumTimerId);
    m_Timers.SetTimer(kEnumTimerId, m_nHeldChangeDelay);
    m_nHeldChangeDelay = 0;
}

void TMainForm::OnTimer(int nTimerID) {
    TraceOut("######### - OnTimer - nTimerID is %d\n", nTimerID);
    if (nTimerID == kEnumTimerId) {
        if (m_bRunning != 0) {
            // The map stays fixed for the run: the enumeration waits until 3 s after it.
            m_Timers.SetTimer(kEnumTimerId, 3000);
            return;
        }
        m_Timers.KillTimer(kEnumTimerId);
        EnumUSBDevice();
    } else if (nTimerID >= g_DeviceTimerID[0] && nTimerID <= g_DeviceTimerID[kDeviceCount - 1]) {
        WatchdogTimer(nTimerID);
    }
}

void TMainForm::RefreshButtonClick(QObject*) {
    TraceOut("######### - RefreshButtonClick\n");
    for (int d = 0; d < kDeviceCount; ++d) {
        if (DeviceConnected(d)) DeviceCGauge[d]->SetProgress(0);
    }
    if (g_EnCustomizePortMap != 0) {
        std::vector<app::SequenceEdit> edits;
        for (QLineEdit* edit : DeviceSequenceEdit) edits.push_back({edit->isEnabled(), edit->text().toStdString()});
        if (const auto message = app::CheckSequenceEdits(edits)) {
            forms::Ui().ShowMessage(*message);
            return;
        }
    }
    for (std::uint16_t& port : g_CustomizePortMap) port = kNoPort;
    for (int k = 0; k < kDeviceCount; ++k) {
        if (!DeviceConnected(k)) continue;
        const std::optional<std::int32_t> typed = forms::StrToInt(DeviceSequenceEdit[k]->text().toStdString());
        if (!typed || *typed < 1 || *typed > kDeviceCount) continue;
        const int n = *typed;
        TraceOut("######### - g_DeviceToPortMap %d\n", k);
        TraceOut("######### - bInstance %d\n", g_DeviceToPortMap[k]);
        TraceOut("######### - g_CustomizePortMap %d\n", n);
        g_CustomizePortMap[n - 1] = g_DeviceToPortMap[k];
    }
    std::memset(g_USBPortInfo, 0, sizeof g_USBPortInfo);
    for (int p = 0; p < kUsbPortRecords; ++p) ClearPortRecord(p);
    EnumUSBDevice();
}

void TMainForm::SequenceSpeedButtonClick(QObject*) {
    TraceOut("######### - Execute Device Sequence Button\n");
    ToggleDeviceMapping();
}

void TMainForm::ManualClick(QObject*) {
    TraceOut("######### - ManualClick\n");
    ToggleDeviceMapping();
}

void TMainForm::ToggleDeviceMapping() {
    if (m_bRunning != 0) {
        SequenceSpeedButton->SetDown(g_EnCustomizePortMap != 0);
        TraceOut("######### - Execute Button is pressed\n");
        return;
    }
    if (g_EnCustomizePortMap != 0) {
        TraceOut("######### - Disable Device Mapping!\n");
        g_EnCustomizePortMap = 0;
        for (QLineEdit* edit : DeviceSequenceEdit) {
            edit->clear();
            edit->setEnabled(false);
            forms::SetColour(edit, forms::clBtnFace);
        }
    } else {
        TraceOut("######### - Enable Device Mapping!\n");
        g_EnCustomizePortMap = 1;
        for (int d = 0; d < kDeviceCount; ++d) {
            if (!DeviceConnected(d)) continue;
            for (int k = 0; k < kDeviceCount; ++k) {
                if (g_CustomizePortMap[k] == g_DeviceToPortMap[d])
                    DeviceSequenceEdit[d]->setText(QString::number(k + 1));
            }
            DeviceSequenceEdit[d]->setEnabled(true);
            forms::SetColour(DeviceSequenceEdit[d], forms::clWindow);
        }
    }
    SequenceSpeedButton->SetDown(g_EnCustomizePortMap != 0);
}

void TMainForm::AutoClick(QObject*) {
    TraceOut("######### - AutoClick\n");
    const bool yes = forms::Ui().AskYesNo(
        "Auto Port Mapping",
        "Please notice the followings before execute Auto Port Mapping flow!\n1. Remove all devices\n"
        "2. Disable barcode input function\n\nClick Yes(Y) to execute Auto Mapping flow.");
    if (!yes) return;
    g_EnCustomizePortMap = 1;
    b_AutoPortMapping = 1;
    SequenceSpeedButton->SetDown(true);
    TraceOut("######### - b_AutoPortMapping is true\n");
    for (std::uint16_t& port : g_CustomizePortMap) port = kNoPort;
    GeneralFormShow(AutoPortMappingForm);
    AutoPortMappingForm->exec();
}

void TMainForm::AutoPortMappingCloseButtonClick(QObject*) {
    TraceOut("######### - b_AutoPortMapping is false\n");
    b_AutoPortMapping = 0;
    AutoPortMappingLabel->setText("Please insert the 1st device!");
    AutoPortMappingForm->done(0);
}
