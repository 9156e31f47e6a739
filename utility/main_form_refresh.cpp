// The refresh of one drive (UpdateInfo) and the save-all over every listed drive.
#include <QDate>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "transport/trace.h"
#include "utility/device_info_text.h"
#include "utility/device_scan.h"
#include "utility/device_state.h"
#include "utility/main_form.h"
#include "utility/report_files.h"

namespace vellumin {

namespace {

// The date in the locale's short format and the time in its long format, at the platform's clock.
std::pair<std::string, std::string> DateAndTimeTexts() {
    const platform::LocalTime t = platform::Now();
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(QDate(t.year, t.month, t.day), QLocale::ShortFormat);
    const QString time = locale.toString(QTime(t.hour, t.minute, t.second), QLocale::LongFormat);
    return {date.toStdString(), time.toStdString()};
}

// Ends the refresh: the buttons' state is the caller's; a close that arrived meanwhile is done later.
struct BusyScope {
    explicit BusyScope(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = outer_; }
    bool& flag_;
    bool outer_;
};

}  // namespace

void TMainForm::EndSaveAllWithoutThread() {
    // No report thread will end this drive's save: save-all mode ends here, so a later selection
    // does not write a new report folder.
    g_nSaveAllMode = 0;
}

void TMainForm::UpdateInfo(bool flag) {
    if (!flag) return;
    BusyScope busy(busy_);
    CGauge1->show();
    const int d = g_bInstance;
    g_pSystemInfoPath = nullptr;
    g_sUartLogPath.clear();
    const std::uint32_t diskNumber = g_InfoPort[static_cast<std::size_t>(d)].dwDiskNumber;

    if (g_nSaveAllMode == 1) {
        const std::string serialText =
            d < kMaxDevices ? FolderSerialText(g_DeviceInfo[static_cast<std::size_t>(d)].sSerialNum) : std::string();
        const std::filesystem::path folder = FreeSaveFolder(platform::ProgramFolder(), diskNumber, serialText);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        const auto [date, time] = DateAndTimeTexts();
        const std::string base = ReportBaseName(date, time);
        systemInfoPath_ = (folder / (base + "_SystemInfo.txt")).string();
        g_pSystemInfoPath = systemInfoPath_.c_str();
        CreateReportFile(systemInfoPath_);
        const std::string uartPath = (folder / (base + "_UARTLogInfo.txt")).string();
        TraceOut("UARTlogfilepath = %s", uartPath.c_str());
        g_sUartLogPath = uartPath;
        CreateReportFile(uartPath);
    }
    GaugeStep();

    // A refusal: its modal message, and no report thread for this drive.
    auto Refuse = [this](const char* message) {
        forms::Ui().ShowMessage(message);
        if (g_nSaveAllMode == 1) EndSaveAllWithoutThread();
    };
    std::uint8_t identify[kIdentifyBytes] = {};
    PageControl1->setCurrentIndex(0);
    ClearControls();

    if (!VP_EnableVendorCmd(d, 1)) {
        return Refuse("FAIL!!! Can't enable vendor command.");
    }
    ClearInfoPortBuffers();
    if (VP_IsLoaderMode(d)) {
        return Refuse("FAIL!!! The SSD doesn't run on system mode now.");
    }
    if (VP_Identify(d, identify, 1)) {
        DumpWithSwitch("IDFY_C.raw", identify, sizeof identify);
        GaugeStep();
        const Lines lines = DeviceInfoLines(identify);
        SetMemoLines(DeviceInfoMemo, lines);
        if (g_nSaveAllMode == 1) AppendReportSection(g_pSystemInfoPath, "Device Info", MemoText(lines));
    }
    forms::ProcessMessages();

    std::vector<std::uint8_t> scratch(kSysReadPageBufBytes, 0);
    if (!GetSSDInfo(scratch.data())) {
        return Refuse("FAIL!!! Can't find code block.");
    }
    GaugeStep();
    forms::ProcessMessages();
    ShowSSDInfo(d, scratch.data());

    GaugeStep();
    forms::ProcessMessages();
    std::fill(scratch.begin(), scratch.end(), 0);
    ShowFWParamInfo(d, scratch.data());

    GaugeStep();
    forms::ProcessMessages();
    ShowEraseCount(d, scratch.data());

    GaugeStep();
    forms::ProcessMessages();
    std::fill(scratch.begin(), scratch.end(), 0);
    ShowSMARTInfo(d, scratch.data());
    forms::ProcessMessages();

    TraceOut("Create Thread start\n");
    for (QPlainTextEdit* memo : {UartLogMemo, BadBlockSummaryMemo, DetailedBadBlockInfoMemo}) {
        memo->setPlainText("Loading......");
    }

    // The drive's report thread: the bad-block statistics, the UART log and the end of save-all mode.
    m_pThread[static_cast<std::size_t>(d)].reset();
    m_pThread[static_cast<std::size_t>(d)] = std::make_unique<TMyThread>(this, g_pSystemInfoPath, static_cast<std::uint8_t>(d));
    forms::ProcessMessages();
}

void TMainForm::SaveUartLogButtonClick() {
    if (busy_) return;
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    {
        BusyScope busy(busy_);
        FreeThreads();
        CGauge1->SetProgress(0);
        SetGaugeColour(kGaugeYellow);
        for (int i = 0; i < g_nDeviceCount; ++i) {
            // The previous drive's report thread still appends its UART log to its report and ends
            // save-all mode: it runs to its own end (serving its synchronised calls meanwhile), only
            // then is it freed. A close asked for meanwhile ends the save there.
            if (i > 0) {
                std::unique_ptr<TMyThread>& previous = m_pThread[static_cast<std::size_t>(i - 1)];
                if (previous) forms::PumpUntil([&] { return previous->Finished() || closeRequested_; }, -1);
                if (closeRequested_) break;
                previous.reset();
            }
            g_nSaveAllMode = 1;
            g_bInstance = static_cast<std::uint8_t>(i);
            TraceOut("######### - g_bInstance is %d\n", g_bInstance);
            busy_ = false;  // UpdateInfo takes the flag itself
            UpdateInfo(true);
            busy_ = true;
        }
    }
    Button2->setEnabled(true);
    Button3->setEnabled(true);
    if (closeRequested_) close();
}

}  // namespace vellumin
