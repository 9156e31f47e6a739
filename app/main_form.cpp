// Start-up and shutdown of the main window, the window's move, and the settings lock.
#include "app/main_form.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QTabWidget>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "app/dialog_slots.h"
#include "app/port_census.h"
#include "app/run_state.h"
#include "app/settings_pages.h"
#include "forms/colours.h"
#include "forms/ini_file.h"
#include "forms/ui_port.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

static void InitResources() {
    Q_INIT_RESOURCE(kestrane);
}

TMainForm* MainForm = nullptr;

namespace {

namespace fs = std::filesystem;

template <std::size_t N>
void CopyText(char (&field)[N], const std::string& text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

fs::path YieldFile(const std::string& logPath) {
    return app::LogFolderPath(logPath) / "RAVEZ.log";
}

}  // namespace

TMainForm::TMainForm(QWidget* owner) : QMainWindow(owner), m_Timers([this](int id) { OnTimer(id); }) {
    MainForm = this;
    InitResources();
    // 1. The frame and every settings page that exists; centred.
    BuildMainMenu();
    BuildSettingPages();
    BuildStatusBar();
    BuildTimers();
    app::LoadSettingsPages(*this);
    BuildSortingHooks();
    resize(1010, 707);
    CentreOnScreen();
    // 2. Icon and caption.
    const QIcon icon(":/Icon_1");
    setWindowIcon(icon);
    QGuiApplication::setWindowIcon(icon);
    const QString caption = QString("%1 %2 - USB").arg(app::kToolName, app::kToolVersion);
    setWindowTitle(caption);
    QGuiApplication::setApplicationDisplayName(caption);
    CopyText(AP_OtSet.sMPTVer, app::kToolVersion);
    // 3. Run-time event binding by name.
    for (QWidget* w : findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.contains("DieMapCheckBox")) {
            if (auto* box = qobject_cast<QAbstractButton*>(w))
                connect(box, &QAbstractButton::clicked, this, [this, box] { DieMapCheckBoxOnClick(box); });
        } else if (name == "LunSelectButton") {
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                connect(button, &QAbstractButton::clicked, this, [this, button] { LunSelectButtonClick(button); });
        } else if (name.contains("CFTButton") || name.contains("DeviceInfoBitBtn")) {
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (button == nullptr) continue;
            button->setEnabled(false);
            const bool cft = name.contains("CFTButton");
            connect(button, &QAbstractButton::clicked, this, [this, button, cft] {
                if (cft) {
                    CFTButtonClick(button);
                } else {
                    DeviceInfoBitBtnClick(button);
                }
            });
        }
    }
    // 4.
    for (QLineEdit* edit : DeviceSequenceEdit) edit->clear();
    // 5.
    const std::string folder = platform::ProgramFolder().string();
    CopyText(AP_OtSet.sToolPath, folder);
    TraceOut("######### - AP_OtSet.sToolPath is %s\n", AP_OtSet.sToolPath);
    std::memset(&AP_INIState, 0, sizeof AP_INIState);
    m_sLogPath = (platform::ProgramFolder() / "log").string();
    // 6.
    m_sIniFile = (platform::ProgramFolder() / "RIVIDO.ini").string();
    if (!ReadINI(m_sIniFile)) m_bTerminate = true;
    // 7.
    if (AP_INIState.MPVersion != 0) LockUI(1);
    SequenceSpeedButton->SetDown(g_EnCustomizePortMap != 0);
    // 8. Layout of the settings pages (controls of pages not built yet are skipped).
    for (int i = 0; i < 3; ++i) SetStatusText(i, "");
    if (auto* w = Control("LDPCReadEmptyThresholdGroupBox")) w->hide();
    if (auto* w = Control("OtherSettingGroupBox")) w->resize(w->width(), 82);
    if (auto* w = Control("DramTypeLabel")) w->move(w->x(), 22);
    if (auto* w = Control("DramTypeComboBox")) w->move(w->x(), 44);
    for (const char* name :
         {"CloseBlockRefreshThresholdLabeledEdit", "HeaderBlockRefreshThresholdLabeledEdit",
          "CodeBlockThresholdLabeledEdit", "SWLThresholdLabeledEdit", "SwitchECThresholdLabeledEdit"}) {
        if (auto* w = Control(name)) w->hide();
    }
    // 9.
    m_bRunning = 0;
    CheckGDPBin();
    CheckFWBin(0);
    // 10.
    for (std::uint16_t& port : g_DeviceToPortMap) port = kNoPort;
    app::CountUSBPorts();
    m_Timers.SetTimer(kEnumTimerId, 3000);
    // 11.
    for (int i = 0; i < kDeviceCount; ++i) g_DeviceTimerID[i] = i + 1;
    // 12.
    std::error_code ec;
    const fs::path logFolder = app::LogFolderPath(m_sLogPath);
    if (!fs::is_directory(logFolder, ec)) {
        fs::create_directories(logFolder, ec);
        if (!fs::is_directory(logFolder)) {
            m_Timers.KillAll();
            MainForm = nullptr;
            throw std::runtime_error("Cannot create log directory.");
        }
    }
    // 13.
    const forms::IniFile yield(YieldFile(m_sLogPath));
    AP_INIState.TotalTestCount = yield.ReadInteger("TestRecord", "TotalTestCount", 0);
    AP_INIState.NumberOfPass = yield.ReadInteger("TestRecord", "NumberOfPass", 0);
    // 14.
    const platform::LocalTime now = platform::Now();
    m_MpLog = app::PickMpLogFile(logFolder, now);
    ShowYieldCount();
    // 15.
    BuildTmcFolderChooser();
    // 16.
    const unsigned value = static_cast<unsigned>(now.month) << 22 | static_cast<unsigned>(now.day) << 17 |
                           static_cast<unsigned>(now.hour) << 12 | static_cast<unsigned>(now.minute) << 6 |
                           static_cast<unsigned>(now.second);
    TraceOut("%02d %02d %02d %02d %02d\n", now.month, now.day, now.hour, now.minute, now.second);
    std::snprintf(AP_INIState.SNTimeString, sizeof AP_INIState.SNTimeString, "%07X", value & 0x0FFFFFFFu);
    TraceOut("AP_INIState.SNTimeString = %s \n", AP_INIState.SNTimeString);
    if (auto* edit = Control<QLineEdit>("SNTimeStringLabeledEdit")) edit->setText(AP_INIState.SNTimeString);
    // 17.
    BuildAutoPortMappingForm();
    // 18.
    for (int i = 0; i < kDeviceCount; ++i) {
        ResultPanel[i]->setEnabled(false);
        EasyResult_GB[i]->setEnabled(false);
        EasyResult_GB[i]->setTitle("");
        EasyResult_Memo[i]->clear();
        forms::SetColour(EasyResult_Memo[i], kColourSilver);
    }
    // 19.
    FunCheckListBoxClick(this);
}

void TMainForm::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void TMainForm::FormCreate(QObject*) {
    TraceOut("######### - FormCreate\n");
    RegisterUSBDeviceNotify();
    if (!AllocPortBuffers()) throw std::runtime_error("Cannot allocate the port buffers.");
}

void TMainForm::FormDestroy(QObject*) {
    TraceOut("######### - FormDestroy\n");
    FreePortBuffers();
}

TMainForm::~TMainForm() {
    TraceOut("######### - ~TMainForm\n");
    m_Timers.KillAll();
    // A page edit that is not a number ends the copy there: the settings file is then left as it
    // was, the counters below are still written.
    if (CopyPagesToRecords() && m_bWriteSettings) WriteINI(m_sIniFile);
    forms::IniFile yield(YieldFile(m_sLogPath));
    yield.WriteInteger("TestRecord", "TotalTestCount", AP_INIState.TotalTestCount);
    yield.WriteInteger("TestRecord", "NumberOfPass", AP_INIState.NumberOfPass);
    m_HotPlugNotifier = nullptr;
    m_HotPlug.reset();
    while (!m_KeptForms.empty()) m_KeptForms.pop_back();
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::KeepForm(std::unique_ptr<QWidget> form) {
    if (form) m_KeptForms.push_back(std::move(form));
}

void TMainForm::RegisterUSBDeviceNotify() {
    m_HotPlug = platform::ListingBackend()->OpenHotPlugMonitor();
    if (!m_HotPlug || m_HotPlug->Fd() < 0) {
        m_HotPlug.reset();
        TraceOut("######### - RegisterUSBDeviceNotify: no hot-plug monitor\n");
        return;
    }
    m_HotPlugNotifier = new QSocketNotifier(m_HotPlug->Fd(), QSocketNotifier::Read, this);
    connect(m_HotPlugNotifier, &QSocketNotifier::activated, this, [this] { ServeHotPlug(); });
}

void TMainForm::ServeHotPlug() {
    if (!m_HotPlug) return;
    while (const auto event = m_HotPlug->Next()) {
        WMDeviceChange(event->kind == platform::HotPlugEvent::Kind::Arrival);
    }
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    WMMoving();
}

void TMainForm::WMMoving() {
    if (AP_INIState.WatermarkLocation != 0) return;
    app::Watermark_MoveTo(x() + 220, y());
}

void TMainForm::LockUI(int lock) {
    for (QAction* action : MainMenu->actions()) action->setEnabled(lock == 0);
    const int otherModePage = AP_INIState.ToolMode == 1 ? 3 : 4;
    for (int i = 0; i < SettingPageControl->count(); ++i) SetSettingsPageEnabled(i, lock == 0 && i != otherModePage);
    if (auto* w = Control("AutoDetectButton")) w->setEnabled(lock == 0);
    LockSpeedButton->SetDown(lock != 0);
}

void TMainForm::SetSettingsPageEnabled(int page, bool enabled) {
    const int front = SettingPageControl->currentIndex();
    SettingPageControl->setTabEnabled(page, enabled);
    const int otherModePage = AP_INIState.ToolMode == 1 ? 3 : 4;
    SettingPageControl->setCurrentIndex(front == otherModePage ? 0 : front);
}

void TMainForm::LockSpeedButtonClick(QObject* sender) {
    TraceOut("######### - Execute Lock Button\n");
    if (m_bRunning != 0) {
        LockSpeedButton->SetDown(!LockSpeedButton->Down());
        TraceOut("######### - Execute Button is pressed\n");
        return;
    }
    if (AP_INIState.MPVersion != 0 && sender == LockSpeedButton) {
        const std::optional<std::string> answer = forms::Ui().PasswordBox("Please Input the Password", "Password");
        if (answer && *answer == app::kSettingsPassword) {
            TraceOut("######### - Unlock\n");
            AP_INIState.MPVersion = 0;
            LockUI(0);
        }
    } else {
        TraceOut("######### - Lock\n");
        AP_INIState.MPVersion = 1;
        LockUI(1);
    }
    LockSpeedButton->SetDown(AP_INIState.MPVersion != 0);
}
