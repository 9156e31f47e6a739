// Vellumin's window on a bay of emulated drives (offscreen, controls found by objectName, the
// messages scripted): refusals with their messages, a drive in the diagnostic firmware, "Save" over
// every listed drive and "ScanDisk".
#include <gtest/gtest.h>
#include <unistd.h>

#include <QEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QCoreApplication>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "emu/bay.h"
#include "forms/scripted_ui_port.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "transport/trace.h"
#include "utility/device_state.h"
#include "utility/main_form.h"
#include "utility/program_setup.h"

namespace {

namespace fs = std::filesystem;
using namespace vellumin;

class WindowE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vellumin-window-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        savedFolder_ = platform::ProgramFolder();
        platform::SetProgramFolder(folder_);
        SetUpLibrary();
        for (const auto& [name, text] : BayFiles()) std::ofstream(folder_ / name, std::ios::binary) << text;
        const std::string ini = Ini();
        std::string error;
        auto config = emu::ParseBayConfig(ini, &error);
        ASSERT_TRUE(config) << error;
        for (emu::DriveConfig& d : config->drives) d.bayFolder = folder_;  // the files of BayFiles()
        bay_ = emu::Bay::Create(std::move(*config));
        platform::InstallBackend("emu:", bay_, true);
        form_ = std::make_unique<TMainForm>();
        form_->FormShow();
        ASSERT_EQ(g_nDeviceCount, Drives());
    }
    virtual std::string Ini() const {
        return
            "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=8\n"
            "[Drive1]\nId=1-1.1\nBridge=jmicron\nProgram=loader\nSerial=LOADER01\n"
            "[Drive2]\nId=1-1.2\nBridge=asmedia\nProgram=system\nSerial=SYS/../02\nFaultAt=after3:vendorrefuse\n"
            "[Drive3]\nId=1-1.3\nBridge=jmicron\nProgram=gdp\nSerial=GDP03\n"
            "[Drive4]\nId=1-1.4\nBridge=asmedia\nSystemState=formatted\nSerial=FMT04\nFlashChannels=2\nFlashCEs=2\n"
            "FlashBlocks=64\nFlashPages=256\nFlashPageSectors=32\nFlashPlanes=2\nBadBlocks=1:0:0:6\n"
            "GrownBad=1:0:0:20:3,0:1:0:10:6,1:1:0:11:0\n";
    }
    virtual int Drives() const { return 4; }
    // Files the drives' keys name (UartLogFile), written into the bay folder before the bay is made.
    virtual std::vector<std::pair<std::string, std::string>> BayFiles() const { return {}; }
    void TearDown() override {
        form_.reset();
        for (int port = 0; port < kMaxDevices; ++port) SetPortPath(port, nullptr);
        SetRawDumpFolder("");
        platform::SetProgramFolder(savedFolder_);
        fs::remove_all(folder_);
    }

    void Select(int row) {
        auto* list = form_->findChild<QTreeWidget*>("DeviceListView");
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
    }
    // Serves events until drive d's report thread has ended.
    void AwaitThread(int d) {
        ASSERT_TRUE(form_->m_pThread[d]);
        while (!form_->m_pThread[d]->Finished()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
    }
    std::string MemoText(const char* name) const {
        return form_->findChild<QPlainTextEdit*>(name)->toPlainText().toStdString();
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& box : ui_.Shown()) texts.push_back(box.text);
        return texts;
    }

    platform::ScopedBackends backends_;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
    fs::path folder_, savedFolder_;
    std::shared_ptr<emu::Bay> bay_;
    std::unique_ptr<TMainForm> form_;
};

TEST_F(WindowE2e, RefusalsShowTheirMessageAndLeaveThePagesCleared) {
    Select(0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"FAIL!!! The SSD doesn't run on system mode now."});
    EXPECT_EQ(form_->findChild<QPlainTextEdit*>("SSDSettingMemo")->toPlainText(), "");
    EXPECT_EQ(form_->findChild<QPlainTextEdit*>("DeviceInfoMemo")->toPlainText(), "");
    EXPECT_TRUE(form_->findChild<QPushButton*>("Button2")->isEnabled());

    ui_.Clear();
    Select(1);  // the drive refuses vendor mode from its fourth command block on
    EXPECT_EQ(Messages(), std::vector<std::string>{"FAIL!!! Can't enable vendor command."});
    EXPECT_EQ(g_bInstance, 1);
}

TEST_F(WindowE2e, ADriveInTheDiagnosticFirmwareRefreshesWithoutAFault) {
    Select(2);
    // Its RAM holds no parameter page: whatever the pages make of it, the refresh ends and the
    // buttons come back.
    EXPECT_FALSE(form_->Refreshing());
    EXPECT_TRUE(form_->findChild<QPushButton*>("Button3")->isEnabled());
    EXPECT_NE(form_->findChild<QPlainTextEdit*>("DeviceInfoMemo")->toPlainText(), "");
}

TEST_F(WindowE2e, AFormattedDriveFillsEveryPage) {
    Select(3);
    AwaitThread(3);
    EXPECT_TRUE(ui_.Shown().empty()) << ui_.Shown().front().text;
    EXPECT_EQ(form_->CGauge1->Progress(), 100);
    EXPECT_TRUE(form_->CGauge1->isHidden());
    EXPECT_EQ(form_->GaugeColour(), kGaugeLime);
    const std::string ssd = form_->findChild<QPlainTextEdit*>("SSDSettingMemo")->toPlainText().toStdString();
    EXPECT_NE(ssd.find("Channel number : 2\nTotal bank : 2\n"), std::string::npos) << ssd;
    EXPECT_NE(ssd.find("Customer ID : 0012"), std::string::npos);
    const std::string flash = form_->findChild<QPlainTextEdit*>("FlashInfoMemo")->toPlainText().toStdString();
    EXPECT_EQ(flash.rfind("Flash model : QV-FORMATTED-TLC (Micron)", 0), 0u) << flash;
    const std::string fw = form_->findChild<QPlainTextEdit*>("FwInfoMemo")->toPlainText().toStdString();
    EXPECT_EQ(fw.rfind("Flash_ID : 0x", 0), 0u) << fw;
    EXPECT_NE(fw.find("  Customer ID : 0x12"), std::string::npos);
    const std::string counts = form_->findChild<QPlainTextEdit*>("EraseCountMemo")->toPlainText().toStdString();
    EXPECT_NE(counts.find("\n0031\t1\t"), std::string::npos);
    EXPECT_NE(form_->findChild<QPlainTextEdit*>("DeviceInfoMemo")->toPlainText().toStdString().find("FMT04"),
              std::string::npos);
    // The factory bad block 6 of CH1 CE0 (plane 0 of unit 3) and the grown entries: types 3 (EccOver),
    // 6 (ProgFail) and 0 (early, on the unit the type-6 entry already names: the firmware reports one
    // entry for it).
    const std::string rule(70, '-');
    EXPECT_EQ(MemoText("BadBlockSummaryMemo"),
              rule + "\n    [Physical](Block)|             [System](BlockU)\n"
                     "CH/CE   Early Later  | Early Later EccOver ProgFail EraseFail EccFail\n" + rule +
                  "\n00/00       0     0        1     2       1        1         0       0\n"
                  "01/00       1     1        1     2       1        1         0       0\n"
                  "00/01       0     1        1     2       1        1         0       0\n"
                  "01/01       0     1        1     2       1        1         0       0\n" + rule +
                  "\nSUM         1     3        4     8       4        4         0       0\n"
                  "(One BlockU equal to two NAND flash blocks)\n");
    const std::string detail = MemoText("DetailedBadBlockInfoMemo");
    const std::string listing = "CH=1  CE=0  BlockU=0x0003  ErrType=1\nCH=1  CE=0  BlockU=0x000A  ErrType=3\n"
                                "CH=0  CE=1  BlockU=0x0005  ErrType=6\nCH=1  CE=1  BlockU=0x0005  ErrType=6\n"
                                "----------------------------------------\nPhysical Bad Block\n"
                                "CH=1  CE=0  Block=0x0006\n"
                                "CH=1  CE=0  Bad Block number Plane 0=1, Plane 1=0\n"
                                "----------------------------------------\nLater Bad\n";
    ASSERT_GE(detail.size(), listing.size());
    EXPECT_EQ(detail.substr(detail.size() - listing.size()), listing) << detail;
    const std::string uart = MemoText("UartLogMemo");
    EXPECT_NE(uart, "Loading......");
    EXPECT_NE(uart, "NO UART LOG INFO!");
    EXPECT_NE(MemoText("BadBlockSummaryMemo").find("SUM "), std::string::npos) << MemoText("BadBlockSummaryMemo");

    // A second refresh's erase counts bracket the units the first one marked (not the early-bad unit 3).
    Select(3);
    AwaitThread(3);
    const std::string again = MemoText("EraseCountMemo");
    const auto row = [&again](const char* unit) {
        const std::size_t at = again.find(std::string("\n") + unit + "\t");
        return at == std::string::npos ? std::string() : again.substr(at + 1, again.find('\n', at + 1) - at - 1);
    };
    EXPECT_NE(row("0010").find('['), std::string::npos) << row("0010");
    EXPECT_NE(row("0005").find('['), std::string::npos) << row("0005");
    EXPECT_EQ(row("0003").find('['), std::string::npos) << row("0003");
    EXPECT_FALSE(row("0003").empty());
    const std::string uartAgain = MemoText("UartLogMemo");

    // Deselecting frees the threads, resets the gauge and refreshes nothing.
    form_->findChild<QTreeWidget*>("DeviceListView")->clearSelection();
    EXPECT_FALSE(form_->m_pThread[3]);
    EXPECT_EQ(form_->CGauge1->Progress(), 0);
    EXPECT_EQ(MemoText("UartLogMemo"), uartAgain);
}

TEST_F(WindowE2e, SaveWritesOneFolderPerDriveAndScanDiskRescans) {
    form_->findChild<QPushButton*>("Button3")->click();
    AwaitThread(3);  // the save does not wait for the last drive's thread
    EXPECT_EQ(g_nSaveAllMode, 0);
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        if (!entry.is_directory()) continue;
        folders.push_back(entry.path().filename().string());
        int files = 0;
        for (const auto& file : fs::directory_iterator(entry.path())) {
            const std::string name = file.path().filename().string();
            EXPECT_TRUE(name.ends_with("_SystemInfo.txt") || name.ends_with("_UARTLogInfo.txt")) << name;
            ++files;
        }
        EXPECT_EQ(files, 2);
    }
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"0_LOADER01(0)", "1_SYS____02(0)", "2_GDP03(0)", "3_FMT04(0)"}));
    // The formatted drive's report holds every section of the refresh, in order.
    for (const auto& file : fs::directory_iterator(folder_ / "3_FMT04(0)")) {
        if (!file.path().filename().string().ends_with("_SystemInfo.txt")) continue;
        std::ifstream in(file.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        std::size_t at = 0;
        for (const char* title : {"Device Info", "SSD Info", "Flash Info", "FW Param Info", "EraseCount",
                                  "SMART / Health Information", "Vendor SMART Information", "Bad Block Info"}) {
            const std::size_t found = text.find(std::string("\r\n") + title + "\r\n", at);
            EXPECT_NE(found, std::string::npos) << title;
            if (found != std::string::npos) at = found;
        }
        EXPECT_NE(text.find("SUM ", at), std::string::npos);
    }
    for (const auto& file : fs::directory_iterator(folder_ / "3_FMT04(0)")) {
        if (!file.path().filename().string().ends_with("_UARTLogInfo.txt")) continue;
        EXPECT_GT(fs::file_size(file.path()), 0u);
    }
    // The diagnostic drive's report opens with its "Device Info" section.
    for (const auto& file : fs::directory_iterator(folder_ / "2_GDP03(0)")) {
        if (!file.path().filename().string().ends_with("_SystemInfo.txt")) continue;
        std::ifstream in(file.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(text.rfind("\r\r\n" + std::string(90, '-') + "\r\nDevice Info\r\n", 0), 0u);
    }

    ui_.Clear();
    form_->findChild<QPushButton*>("Button2")->click();
    EXPECT_EQ(Messages().back(), "Device scan is finished");
    EXPECT_EQ(form_->findChild<QTreeWidget*>("DeviceListView")->topLevelItemCount(), 4);
    EXPECT_EQ(form_->findChild<QPlainTextEdit*>("UartLogMemo")->toPlainText(), "");
}

// Two formatted drives: the report threads, the gauge and their freeing.
class WindowThreads : public WindowE2e {
  protected:
    static std::string Formatted(int n, const std::string& extra) {
        const std::string id = std::to_string(n);
        return "[Drive" + id + "]\nId=1-1." + id + "\nBridge=asmedia\nSystemState=formatted\nSerial=FMT0" + id +
               "\nFlashChannels=2\nFlashCEs=2\nFlashBlocks=64\nFlashPages=256\nFlashPageSectors=32\nFlashPlanes=2\n" +
               extra;
    }
    std::string Ini() const override {
        return "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=8\n" + Formatted(1, "") +
               Formatted(2, stuck_ ? "UartNotReady=1000000\n" : "");
    }
    int Drives() const override { return 2; }
    bool stuck_ = false;
};

class WindowStuckUart : public WindowThreads {
  protected:
    WindowStuckUart() { stuck_ = true; }
};

// Records the gauge at each change and when it is hidden, with the drive being worked on and whether
// the UART log page says "Loading......" (set when the refresh starts the drive's report thread,
// replaced by the thread's last step).
class GaugeWatch : public QObject {
  public:
    struct Moment {
        int progress;
        int drive;
        bool hidden;
        bool uartLoading;
        bool operator==(const Moment&) const = default;
        friend void PrintTo(const Moment& m, std::ostream* os) {
            *os << "{" << m.progress << ", " << m.drive << ", " << m.hidden << ", " << m.uartLoading << "}";
        }
    };
    explicit GaugeWatch(TMainForm& form) : form_(form) {
        connect(form.CGauge1, &QProgressBar::valueChanged, this, [this](int value) { Note(value, false); });
        form.CGauge1->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == form_.CGauge1 && event->type() == QEvent::HideToParent) Note(form_.CGauge1->Progress(), true);
        return false;
    }
    std::vector<Moment> moments;

  private:
    void Note(int progress, bool hidden) {
        moments.push_back({progress, g_bInstance, hidden, form_.UartLogMemo->toPlainText() == "Loading......"});
    }
    TMainForm& form_;
};

TEST_F(WindowThreads, SaveAllEndsAtAHiddenFullGaugeWithBothReports) {
    GaugeWatch watch(*form_);
    form_->findChild<QPushButton*>("Button3")->click();
    EXPECT_FALSE(form_->m_pThread[0]);  // waited for and freed before the second drive's refresh
    AwaitThread(1);
    EXPECT_EQ(form_->CGauge1->Progress(), 100);
    EXPECT_TRUE(form_->CGauge1->isHidden());
    EXPECT_EQ(g_nSaveAllMode, 0);
    // Each drive's refresh moves it 6 x 10 / 2, its thread 10 / 2 twice and 20: the first drive
    // stands at 60 when its thread has shown its log, the second reaches 100 at its detail page (its
    // log still loading) and the gauge is hidden at its last step.
    using M = GaugeWatch::Moment;
    EXPECT_EQ(watch.moments, (std::vector<M>{{5, 0, false, false},  {10, 0, false, false}, {15, 0, false, false},
                                             {20, 0, false, false}, {25, 0, false, false}, {30, 0, false, false},
                                             {35, 0, false, true},  {40, 0, false, true},  {60, 0, false, false},
                                             {65, 1, false, false}, {70, 1, false, false}, {75, 1, false, false},
                                             {80, 1, false, false}, {85, 1, false, false}, {90, 1, false, false},
                                             {95, 1, false, true},  {100, 1, false, true}, {100, 1, true, false}}));
}

// Three formatted drives, each with a UART log of its own.
class WindowThreeLogs : public WindowThreads {
  protected:
    std::string Ini() const override {
        std::string ini = "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=8\n";
        for (int n = 1; n <= 3; ++n) ini += Formatted(n, "UartLogFile=uart" + std::to_string(n) + ".txt\n");
        return ini;
    }
    int Drives() const override { return 3; }
    std::vector<std::pair<std::string, std::string>> BayFiles() const override {
        std::vector<std::pair<std::string, std::string>> files;
        for (int n = 1; n <= 3; ++n) files.emplace_back("uart" + std::to_string(n) + ".txt", Marker(n) + "\n");
        return files;
    }
    static std::string Marker(int n) { return "[BOOT] console of FMT0" + std::to_string(n); }
};

TEST_F(WindowThreeLogs, SaveKeepsEveryDrivesWholeUartLogInItsReport) {
    form_->findChild<QPushButton*>("Button3")->click();
    AwaitThread(2);
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const std::string suffix = "_FMT0" + std::to_string(n) + "(0)";
        std::vector<fs::path> reports;
        for (const auto& folder : fs::directory_iterator(folder_)) {
            if (!folder.is_directory() || !folder.path().filename().string().ends_with(suffix)) continue;
            for (const auto& file : fs::directory_iterator(folder.path())) {
                if (file.path().filename().string().ends_with("_UARTLogInfo.txt")) reports.push_back(file.path());
            }
        }
        ASSERT_EQ(reports.size(), 1u);
        std::ifstream in(reports[0], std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        // The whole log: its first line, and the boot and command lines the firmware wrote after it.
        EXPECT_EQ(text.rfind(Marker(n) + "\r\n", 0), 0u) << text;
        EXPECT_GT(text.size(), Marker(n).size() + 100) << text;
        for (int other = 1; other <= 3; ++other) {
            if (other != n) {
                EXPECT_EQ(text.find(Marker(other)), std::string::npos);
            }
        }
    }
}

// The first drive keeps answering that its log is not ready: the save waits for its thread until
// the window is closed, and then ends without the second drive.
class WindowFirstUartStuck : public WindowThreads {
  protected:
    std::string Ini() const override {
        return "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=8\n" +
               Formatted(1, "UartNotReady=1000000\n") + Formatted(2, "");
    }
};

TEST_F(WindowFirstUartStuck, ClosingEndsTheSavesWaitForTheFirstDrive) {
    form_->show();
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (trace_.Contains("######### - ParseUartLogInfo")) form_->close();
    });
    closer.start(5);
    form_->findChild<QPushButton*>("Button3")->click();  // returns: the close ended the wait
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(g_bInstance, 0);
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        if (entry.is_directory()) folders.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(folders, std::vector<std::string>{"0_FMT01(0)"});
}

// The first drive's log answers a size beyond the limit at its first chunk; the second keeps
// answering "not ready" until the test pulls it.
class WindowUartFaults : public WindowThreads {
  protected:
    std::string Ini() const override {
        return "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=8\n" + Formatted(1, "UartBadSize=0\n") +
               Formatted(2, "UartNotReady=1000000\n");
    }
};

// A scripted port that also notes whether each message arrived on the GUI thread.
class ThreadNotingUi : public forms::ScriptedUiPort {
  public:
    void ShowMessage(std::string_view text) override {
        onGui.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
        ScriptedUiPort::ShowMessage(text);
    }
    std::vector<bool> onGui;
};

TEST_F(WindowUartFaults, TheReportThreadsMessagesAreShownOnTheGuiThread) {
    ThreadNotingUi ui;
    forms::ScopedUiPort useUi(ui);
    std::vector<bool> uartShownOnGui;
    QObject::connect(form_->UartLogMemo, &QPlainTextEdit::textChanged, [&] {
        uartShownOnGui.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
    });
    Select(0);
    AwaitThread(0);
    EXPECT_EQ(MemoText("UartLogMemo"), "NO UART LOG INFO!");

    Select(1);
    ASSERT_TRUE(form_->m_pThread[1]);
    while (!trace_.Contains("######### - ParseUartLogInfo")) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::string error;
    ASSERT_TRUE(bay_->ScheduleFault("Drive2", "after0:unplug", &error)) << error;
    AwaitThread(1);
    EXPECT_EQ(MemoText("UartLogMemo"), "NO UART LOG INFO!");

    std::vector<std::string> texts;
    for (const auto& box : ui.Shown()) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"UART log size is incorrect!", "FAIL!!! VC_SYS_GetUartLog Fail!."}));
    EXPECT_EQ(ui.onGui, (std::vector<bool>{true, true}));
    ASSERT_FALSE(uartShownOnGui.empty());
    EXPECT_EQ(std::count(uartShownOnGui.begin(), uartShownOnGui.end(), false), 0);
}

TEST_F(WindowStuckUart, EveryWayOfFreeingAThreadInNotReadyRetriesEndsIt) {
    const std::vector<std::function<void()>> frees = {
        [&] { Select(0); },
        [&] { form_->findChild<QPushButton*>("Button2")->click(); },
        [&] { form_->findChild<QPushButton*>("Button3")->click(); },
        [&] { form_.reset(); },
    };
    for (std::size_t i = 0; i < frees.size(); ++i) {
        SCOPED_TRACE(i);
        trace_.Clear();
        Select(1);
        ASSERT_TRUE(form_->m_pThread[1]);
        while (!trace_.Contains("######### - ParseUartLogInfo")) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        frees[i]();  // returns: the thread left its retries at the stop request and ran its last step
        if (form_ && i != 2) {
            EXPECT_FALSE(form_->m_pThread[1]);
        }
    }
}

}  // namespace
