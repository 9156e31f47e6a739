// "Auto Detect": the flash settings from the first connected drive. The diagnostic firmware is
// loaded, the drive's flash module and board inputs are read, the flash list's matching parts are
// offered in the flash-detection dialog, and the clock, timing profile and die maps follow from
// the chosen part. The window is locked as a run locks it, the page in front left as it is.
#include <QAbstractButton>
#include <QComboBox>
#include <QTimer>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/dialog_slots.h"
#include "app/flash_detect.h"
#include "app/main_form.h"
#include "app/run_lock.h"
#include "app/run_state.h"
#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Steps.h"
#include "settings/die_remap.h"
#include "settings/records.h"
#include "settings/tmc_timing.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kDetectBufferBytes = 262144;
constexpr std::size_t kFlashModuleDumpBytes = 512;

// The port of the first connected drive in device order, or nothing.
std::optional<int> FirstConnectedPort() {
    for (int d = 0; d < kDeviceCount; ++d)
        if (DeviceConnected(d)) return g_DeviceToPortMap[d];
    return std::nullopt;
}

// Steps 6 and 7: vendor mode, the diagnostic firmware, vendor mode again. False after the trace of
// the step that failed.
bool LoadDiagnosticFirmware(TMainForm& form, int port, std::uint8_t* buffer) {
    if (!VP_EnableVendorCmd(port, 1)) {
        TraceOut("######### - Auto Detect - 1 - Enable Vendor Cmd fail!\n");
        return false;
    }
    if (AP_INIState.AutoDetectForceLoadGDP != 0) {
        if (!form.CopyPagesToRecords()) return false;
        form.ChangeGlobalParameter();
        if (form.CheckNandMemBin() == 0) {
            TraceOut("######### - Auto Detect - CheckNandMemBin fail!\n");
            return false;
        }
        if (!VP_ReadGDPtoBuffer()) {
            TraceOut("######### - Auto Detect - Read GDP to buffer fail!\n");
            return false;
        }
        std::memset(buffer, 0, kDetectBufferBytes);
        if (!VP_LoadGDPFromBuffer(port)) {
            TraceOut("######### - Auto Detect - Load GDP fail!\n");
            return false;
        }
    } else if (!VP_LoadGDPFromFile(port, 0, 0)) {
        TraceOut("######### - Auto Detect - Load GDP fail!\n");
        return false;
    }
    forms::DelayWithMessages(1500);
    if (!VP_EnableVendorCmd(port, 1)) {
        TraceOut("######### - Auto Detect - 2 - Enable Vendor Cmd fail!\n");
        return false;
    }
    return true;
}

int ReadGpioCode(int port) {
    std::uint8_t bits[5] = {};
    for (int i = 0; i < 5; ++i) {
        if (VP_GetGPIOValue(port, app::kDetectGpioInputs[i], &bits[i]) != 1) {
            TraceOut("######### - Auto Detect - GPIO %u read fail, taken as 0\n", app::kDetectGpioInputs[i]);
            bits[i] = 0;
        }
        bits[i] = bits[i] != 0 ? 1 : 0;
    }
    TraceOut("######### - GPIO is %d%d%d%d%d\n", bits[0], bits[1], bits[2], bits[3], bits[4]);
    return app::GpioCode(bits);
}

void TraceFlashModule(const app::FlashModule_t& module) {
    static const char* const kIdNames[7] = {"MarkCode", "DeviceCode", "ID3rd", "ID4th", "ID5th", "ID6th", "ID7th"};
    const char* separator = "==========================================================\n";
    TraceOut("%s", separator);
    for (int i = 0; i < 7; ++i) TraceOut("flashModule.sNandId.%s = 0x%02X\n", kIdNames[i], module.sNandId[i]);
    TraceOut("AP_INIState.Channel = %d\n", AP_INIState.Channel);
    TraceOut("AP_INIState.Bank = %d\n", AP_INIState.Bank);
    for (int i = 0; i < 4; ++i) TraceOut("AP_INIState.FwBankSet[%d] = %d\n", i, AP_INIState.FwBankSet[i]);
    for (int i = 0; i < 8; ++i) TraceOut("AP_INIState.FwChannelSet[%d] = %d\n", i, AP_INIState.FwChannelSet[i]);
    TraceOut("%s", separator);
    for (int c = 0; c < AP_DIE_CHANNELS; ++c)
        for (int b = 0; b < AP_DIE_BANKS; ++b)
            TraceOut("AP_INIState.bDieStatus[%d][%d] is %d\n", c, b, AP_INIState.bDieStatus[c][b]);
}

void SetComboIndex(TMainForm& form, const char* name, int index) {
    if (auto* combo = form.Control<QComboBox>(name)) combo->setCurrentIndex(index);
}

}  // namespace

void TMainForm::AutoDetectButtonClick(QObject* sender) {
    // 1.
    if (g_nPortConnectedNum == 0) {
        forms::Ui().ShowMessage("No connected device for detecting!!");
        return;
    }
    // 2.
    app::LockForRun(*this, true, app::RunLockPage::Keep);
    g_bAutoDetecting = 1;
    auto release = [this] {
        g_bAutoDetecting = 0;
        app::LockForRun(*this, false, app::RunLockPage::Keep);
    };
    // 3.
    if (const auto empty = app::FirstEmptyLabeledEdit(*this)) {
        forms::Ui().ShowMessage(*empty + " is empty!");
        release();
        return;
    }
    // 4.
    std::string detail;
    bool found = false;
    auto buffer = std::make_unique<std::uint8_t[]>(kDetectBufferBytes);
    std::memset(buffer.get(), 0, kDetectBufferBytes);
    app::FlashModule_t module{};
    // 5. to 11.
    if (const std::optional<int> port = FirstConnectedPort()) {
        if (!LoadDiagnosticFirmware(*this, *port, buffer.get())) {
            release();
            return;
        }
        if (VP_PROC_ReadFlashModule(*port, buffer.get())) {
            DumpRawFile("flashModule.raw", buffer.get(), kFlashModuleDumpBytes);
            std::memcpy(&module, buffer.get(), sizeof module);
            const int gpio = ReadGpioCode(*port);
            detail = app::FlashIdDetail(module, gpio);
            auto* vendors = Control<QComboBox>("FlashVendorComboBox");
            const auto last = app::FindFlashCandidates(module, gpio, m_nFlashRecordCount,
                                                       vendors != nullptr ? vendors->count() : 0,
                                                       AP_INIState.SelectOnfi4 != 0, detail);
            if (last) {
                found = true;
                SetComboIndex(*this, "FlashVendorComboBox", last->vendor);
                SetComboIndex(*this, "FlashTypeComboBox", last->part);
            }
            app::TakeFlashModuleSettings(module);
            forms::ProcessMessages();
        }
    }
    if (!found) {
        // 12.
        forms::Ui().ShowMessage("Not found, please check your flash list!" + detail);
    } else {
        // 13.
        TraceFlashModule(module);
        for (int c = 0; c < 8; ++c) {
            for (int b = 0; b < 8; ++b) {
                auto* box = findChild<QAbstractButton*>(QString("DieMapCheckBox%1%2").arg(c).arg(b));
                if (box == nullptr) continue;
                const bool present = b < AP_DIE_BANKS && AP_INIState.bDieStatus[c][b] == 1;
                box->setEnabled(present);
                box->setChecked(present);
            }
        }
        AP_INIState.Clock = 200;
        SetComboIndex(*this, "ClockComboBox", 2);
        AP_FwSet.SetFeatureSettingProfile = 0;
        SetComboIndex(*this, "TMCComboBox", 0);
        app::ShowFlashDetectInfo();
        char code[16] = "0000000";
        ReadBestTMCProfileIni(m_sBestTmcFile.c_str(), code, sizeof code);
        TraceOut("######### - TMC setting is %s(%d)\n", code, static_cast<int>(std::strlen(code)));
        if (const auto timing = app::TimingChoiceOf(code)) {
            AP_INIState.Clock = static_cast<std::uint16_t>(timing->clock);
            AP_FwSet.SetFeatureSettingProfile = static_cast<std::uint8_t>(timing->profile);
            TraceOut("######### - Clock is %d\n", timing->clock);
            TraceOut("######### - Profile is %02d\n", timing->profile);
            UpdateStruct2UI();
            ReadBestTMCIni(m_sBestTmcFile.c_str());
            CheckFWBin(0);
        } else {
            UpdateStruct2UI();
            forms::Ui().ShowMessage("No corresponding TMC value!");
        }
        ProcessDieRemapForFlash();
        RestoreDefaultRatioButtonClick(sender);
    }
    // 14.
    g_bAutoDetecting = 0;
    UpdateDrawPanel();
    // 15.
    if (AP_INIState.SandiskBic4ChangeID != 0 && sender != AutoTestTimer) {
        forms::DelayWithMessages(500);
        AP_INIState.AutoDetectForceLoadGDP = 1;
        AutoTestTimer->start();
    }
    // 16.
    app::LockForRun(*this, false, app::RunLockPage::Keep);
}
