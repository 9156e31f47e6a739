// START and what starts it (the automatic start, a double click on a device panel), the file
// checks before a run, Reset Yield and the yield display. The run proper, the watchdogs and Stop
// are in main_form_run_workers.cpp.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/mp_item_table.h"
#include "app/mp_log.h"
#include "app/run_lock.h"
#include "app/run_state.h"
#include "forms/controls.h"
#include "forms/ini_file.h"
#include "forms/ui_port.h"
#include "forms/window_close.h"
#include "platform/clock.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "settings/firmware_bins.h"
#include "settings/records.h"
#include "transport/tool_records.h"
#include "transport/trace.h"

namespace {

constexpr int kItemDramTest = 5;

// A 16-byte field from a text, zero-filled, never running past the field.
void PutField(char (&field)[16], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

// "<7th character>.<10th to 12th characters>" of a tag text.
std::string VersionOf(const char* tag) {
    const std::string t(tag, strnlen(tag, kTagTextBytes));
    std::string v;
    if (t.size() >= 7) v += t[6];
    v += '.';
    if (t.size() >= 10) v += t.substr(9, 3);
    return v;
}

// The serial-number controls of the settings pages (they exist once their page does).
QString TextOf(TMainForm& form, const char* name) {
    if (auto* edit = form.Control<QLineEdit>(name)) return edit->text();
    return {};
}

bool AnyTestItemChecked(TMainForm& form) {
    for (int i = 0; i < form.FunCheckListBox->Count(); ++i) {
        if (form.FunCheckListBox->Checked(i)) return true;
    }
    return false;
}

// Step 4's serial-number length checks; the message, or nothing when they pass.
std::optional<std::string> SerialLengthProblem(TMainForm& form) {
    auto* mode = form.Control<QComboBox>("SNInputComboBox");
    if (mode == nullptr) return std::nullopt;
    const QString text = mode->currentText();
    if (text != "Auto Increase in Dec" && text != "Auto Increase in Hex") return std::nullopt;
    const int total =
        static_cast<int>(TextOf(form, "SerialNumberPrefixLabeledEdit").size() +
                         TextOf(form, "SerialNumberEdit").size() + TextOf(form, "SerialNumberSuffixEdit").size());
    if (auto* length = form.Control<QSpinBox>("SNLengthSpinEdit"); length != nullptr && total != length->value()) {
        return "Please check SN Length!";
    }
    if (auto* max = form.Control<QCheckBox>("MaxSNCheckBox"); max != nullptr && max->isChecked()) {
        if (TextOf(form, "SerialNumberEdit").size() != TextOf(form, "MaxSNEdit").size()) {
            return "Please check Max SN Length!";
        }
    }
    return std::nullopt;
}

// Step 11's checks with Download selected; the error text, or nothing.
std::optional<std::string> DownloadProblem() {
    const std::string tag(g_sFWVersion, strnlen(g_sFWVersion, kTagTextBytes));
    const std::string chip = tag.size() > 46 ? tag.substr(46, 7) : std::string();
    TraceOut("######### - FW BIN chip version is %s\n", chip.c_str());
    const std::string file = std::filesystem::path(AP_Bins.sBinFile).filename().string();
    char text[512];
    if (chip == "TEV1001" && AP_INIState.EnDRAMless == 1) {
        std::snprintf(text, sizeof text, "The \"%s\" is for TEV1001(DRAM)!\n", file.c_str());
        return text;
    }
    if (chip == "TEV1002" && AP_INIState.EnDRAMless == 0) {
        std::snprintf(text, sizeof text, "The \"%s\" is for TEV1002(DRAMless)!\n", file.c_str());
        return text;
    }
    if (static_cast<std::uint16_t>(AP_INIState.fIDEMACapacity / 3.0) < AP_INIState.wHSPDCapacity) {
        return "Please adjust HSPD Capacity.\nIt's over (IDEMA/3) Capacity!";
    }
    if ((AP_INIState.dwDynamicCacheOnce & 0xFFFF) > AP_INIState.wHSPDCapacity) {
        return "Please adjust Dynamic Cache Once.\nIt's over HSPD Capacity!";
    }
    return std::nullopt;
}

}  // namespace

void TMainForm::ExecuteButtonClick(QObject*) {
    if (m_bRunning != 0) {
        TraceOut("######### - ExecuteButtonClick - a run is active, START is ignored\n");
        return;
    }
    // 1. The tool record.
    PutField(AP_OtSet.sMPTVer, app::kToolVersion);
    TraceOut("######### - AP_OtSet.sMPTVer is %s\n", AP_OtSet.sMPTVer);
    PutField(AP_OtSet.sGDPVer, VersionOf(g_sGDPVersion));
    TraceOut("######### - AP_OtSet.sGDPVer is %s\n", AP_OtSet.sGDPVer);
    const platform::LocalTime now = platform::Now();
    char time[32];
    std::snprintf(time, sizeof time, "%04d/%02d/%02d %02d:%02d", now.year, now.month, now.day, now.hour, now.minute);
    std::memcpy(AP_OtSet.sMPTime, time, sizeof AP_OtSet.sMPTime);  // 16 characters, no terminator
    TraceOut("######### - AP_OtSet.sMPTime is %.16s\n", AP_OtSet.sMPTime);
    PutField(AP_OtSet.sRDTVer, VersionOf(g_sFWVersion));
    TraceOut("######### - AP_OtSet.sRDTVer is %s\n", AP_OtSet.sRDTVer);
    m_bRunning = 1;
    // 2. Lock.
    app::LockForRun(*this, true);
    [this] {
        // 3. Typed settings.
        if (const auto caption = app::FirstEmptyLabeledEdit(*this)) {
            forms::Ui().ShowMessage(*caption + " is empty!");
            return;
        }
        // 4. Serial-number lengths.
        if (const auto problem = SerialLengthProblem(*this)) {
            forms::Ui().ShowMessage(*problem);
            return;
        }
        // 5. A test item.
        if (!AnyTestItemChecked(*this)) {
            forms::Ui().ShowMessage("Please select test item!");
            return;
        }
        // 6. Controls into the records (a page edit that is not a number refuses the run).
        if (!CopyPagesToRecords()) return;
        const bool download = AP_INIState.dwItemEnable[kItemDownload] != 0;
        // 7. Barcode mode 2.
        if (download && AP_INIState.SNInputMode == 3 && AP_INIState.BarCodeInputMode == 2) {
            TraceOut("######### - Start Barcode input, mode 2\n");
            for (int d = 0; d < kDeviceCount; ++d) {
                if (DeviceConnected(d)) app::ShowBarcodeInputBox(g_DeviceToPortMap[d], d + 1);
            }
        }
        // 8. Flash parameters and the timing file.
        ChangeGlobalParameter();
        // 9. Files.
        if (!CheckBinBeforeExecute()) return;
        // 10. DRAM type.
        if (AP_INIState.dwItemEnable[kItemDramTest] != 0 && AP_INIState.bDramProfile == 0) {
            forms::Ui().ErrorBox("Please select a DRAM type!");
            return;
        }
        // 11. Chip version and capacities.
        if (download) {
            if (const auto problem = DownloadProblem()) {
                forms::Ui().ErrorBox(*problem);
                return;
            }
        }
        // 12. GDP.bin into the load buffer.
        if (!VP_ReadGDPtoBuffer()) {
            forms::Ui().ErrorBox("Read GDP to buffer fail!");
            TraceOut("######### - Read GDP to buffer fail!\n");
            return;
        }
        // 13. The run, and the hand-over to the sorting-status poll.
        MultiExecuteDevice();
        if (AP_INIState.ToolMode == 1 && AP_INIState.dwItemEnable[kItemSortConnection] != 0 &&
            std::atomic_ref(g_ucRdtStatus).load() == 1) {
            SORTStatusClick(nullptr);
            SortStatusTimer->start();
        }
    }();
    // 14. Unlock; a device change that came meanwhile is served now.
    app::LockForRun(*this, false);
    m_bRunning = 0;
    ServeHeldDeviceChange();
    if (m_bCloseAfterRun) {
        m_bCloseAfterRun = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (m_bRunning != 0) {
        TraceOut("######### - The window closes when the run has ended\n");
        m_bCloseAfterRun = true;
        event->ignore();
        return;
    }
    // The windows it owns close first, each with its question; one answered No keeps the program open.
    if (!forms::CloseOwnedWindows(*this)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool TMainForm::CheckBinBeforeExecute() {
    TraceOut("######### - CheckBinBeforeExecute\n");
    return CheckLDPCBin() != 0 && CheckNandMenUpdateBin() != 0 && CheckOPALBin() != 0 && CheckNandMemBin() != 0 &&
           CheckUEFIBin() != 0 && CheckFWBin(1) != 0;
}

void TMainForm::AutoTestTimerTimer(QObject*) {
    AutoTestTimer->stop();
    if (ExecuteButton->isEnabled() && g_bAutoTestArmed != 0) {
        TraceOut("######### - Start to auto test\n");
        ExecuteButtonClick(ExecuteButton);
    }
    if (AP_INIState.SandiskBic4ChangeID != 0) {
        TraceOut("######### - The second auto detect for Sandisk BIC4\n");
        AutoDetectButtonClick(AutoTestTimer);
        AP_INIState.AutoDetectForceLoadGDP = 0;
    }
}

void TMainForm::DevicePanelDblClick(int tag) {
    TraceOut("######### - DevicePanelDblClick %d\n", tag);
    if (tag < 0 || tag >= kDeviceCount || g_DeviceToPortMap[tag] == kNoPort) return;
    TraceOut("######### - g_DeviceToPortMap[%d] is %d\n", tag, g_DeviceToPortMap[tag]);
    if (!ExecuteButton->isEnabled() || !DeviceConnected(tag)) return;
    char title[64];
    char text[96];
    std::snprintf(title, sizeof title, "Device %d - Execute Selected MP Flow\n", tag + 1);
    std::snprintf(text, sizeof text, "Are you sure to execute selected MP flow with Device %d!\n", tag + 1);
    if (forms::Ui().AskYesNo(title, text)) {
        g_SelectedDevice = static_cast<std::uint16_t>(1u << tag);
        ExecuteButtonClick(ExecuteButton);
    }
    g_SelectedDevice = 0;
}

void TMainForm::ShowYieldCount() {
    YieldLabeledEdit->SetText(QString::asprintf("%d / %d", AP_INIState.NumberOfPass, AP_INIState.TotalTestCount));
}

void TMainForm::ResetYieldButtonClick(QObject*) {
    AP_INIState.TotalTestCount = 0;
    AP_INIState.NumberOfPass = 0;
    ShowYieldCount();
    forms::IniFile yield(app::LogFolderPath(m_sLogPath) / "RAVEZ.log");
    yield.WriteInteger("TestRecord", "TotalTestCount", 0);
    yield.WriteInteger("TestRecord", "NumberOfPass", 0);
}
