// Kestrane's main window: settings pages, the 16 device panels, the run bar, the enumeration of
// drives and the port map, the panel repaint, start-up and shutdown. Laid out in code.
//
// Where the handlers live:
//   main_form_build.cpp      the controls, one builder per area
//   main_form.cpp            constructor, FormCreate, FormDestroy, destructor, move, lock
//   main_form_enum.cpp       enumeration, device changes, OnTimer, Refresh, port mapping
//   main_form_panels.cpp     UpdateDrawPanel and the panel thread's refresh
//   main_form_settings.cpp   ReadINI, WriteINI, the two settings passes, the flash and Para choice
//   main_form_tmc.cpp        the clock, the TMC timing choice and the TMC folder chooser
//   main_form_layout.cpp     the panel layouts, the window size and the file checks' status texts
//   settings_page_builders.cpp  the settings pages built from their tables
//   main_form_run.cpp        START, its checks, the automatic start, the double click, the yield
//   main_form_run_workers.cpp  the run proper, the watchdogs, Stop and the elapsed time
//   main_form_tools.cpp      the device tools of the "Tools" menu
//   main_form_sort_poll.cpp  the sorting-status poll, its timer, "Polling RDT", the sorting mode
//   main_form_sort_fetch.cpp the sorting-result fetch run ("Scan Device") and a drive's read
//   main_form_sort_lists.cpp the result panels' lists and the "Detail " buttons
//   main_form_analysis.cpp   "Create RDT Analysis File": the listing and the workbook
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/mp_log.h"
#include "app/sort_result_read.h"
#include "forms/controls.h"
#include "forms/timer_set.h"
#include "forms/worker_thread.h"
#include "platform/hotplug.h"

class QAbstractButton;
class QAction;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSocketNotifier;
class QStatusBar;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QWidget;

namespace app {
// The tool's version text (at most 15 characters; also AP_OtSet.sMPTVer).
inline constexpr const char* kToolVersion = "1.0.0.15";
inline constexpr const char* kToolName = "TEV100x MP/Sorting Tool";
inline constexpr const char* kSettingsPassword = "plirk";
inline constexpr int kPageCount = 7;
}  // namespace app

class TMainForm : public QMainWindow {
    Q_OBJECT

  public:
    // The constructor's steps; throws std::runtime_error("Cannot create log directory.") when the
    // log folder cannot be created (nothing is written then).
    explicit TMainForm(QWidget* owner = nullptr);
    ~TMainForm() override;

    // Creation and destruction handlers (the program calls FormCreate after the constructor and
    // FormDestroy before deleting the window).
    void FormCreate(QObject* sender);
    void FormDestroy(QObject* sender);
    // The constructor's settings check failed: the program ends once the message loop starts.
    bool TerminateRequested() const { return m_bTerminate; }
    // Keeps a window made at start-up after this one (app::CreateForms) until this window is
    // destroyed; the kept windows go first, newest first.
    void KeepForm(std::unique_ptr<QWidget> form);

    // ---- Settings file and the settings pages ----
    bool ReadINI(const std::string& path);
    bool WriteINI(const std::string& path);
    void ChangeGlobalParameter();
    void UpdateStruct2UI();
    // Throws forms::ConvertError for a page edit that is not a number (see settings_passes.h).
    void UpdateUI2Struct();
    // UpdateUI2Struct for a handler: a conversion error is shown in the error box; false then.
    bool CopyPagesToRecords();
    void LoadINIButtonClick(QObject* sender);
    void UpdateFlashList(QObject* sender);
    void FlashInfoChange(QObject* sender);
    void LoadParaIniButtonClick(QObject* sender);
    void ClockComboBoxChange(QObject* sender);
    void TMCComboBoxChange(QObject* sender);
    void SelectTMCfolderClick(QObject* sender);
    void TMCFolderRadioButtonClick(QObject* sender);
    void ListLayoutClick(QObject* sender);
    void BlockLayoutClick(QObject* sender);
    void FullClick(QObject* sender);
    void PartialClick(QObject* sender);
    void FunCheckListBoxClick(QObject* sender);
    // A check mark changed (entry `index`; -1 when the program asks): every entry's switch follows its mark.
    void FunCheckListBoxClickCheck(int index);
    // The option handlers of the test-item list and the settings pages (main_form_options.cpp).
    void MPTClick(QObject* sender);
    void SORTClick(QObject* sender);
    void SNLengthSpinEditChange(QObject* sender);
    void SNInputComboBoxChange(QObject* sender);
    void KeepEraseCountCheckBoxClick(QObject* sender);
    void UnbalanceCheckBoxClick(QObject* sender);
    void PureSLCCheckBoxClick(QObject* sender);
    void PureTLCCheckBoxClick(QObject* sender);
    void DramTypeComboBoxChange(QObject* sender);
    void DRAMlessCheckBoxClick(QObject* sender);
    void EnableRaidCheckBoxClick(QObject* sender);
    void CalcIDEMAtoRatioButtonClick(QObject* sender);
    void RestoreDefaultRatioButtonClick(QObject* sender);
    // Enter (13) in the capacity edit runs "Set" with the edit as sender; other keys pass.
    void IDEMACapacityLabeledEditKeyPress(QObject* sender, char& key);
    void DieMapCheckBoxOnClick(QObject* sender);
    // The die map's controls to the die status and back (app/die_map_controls.h).
    void fn_ProcessDieRemapUI2Struct();
    void fn_ProcessDieRemapStruct2UI();
    void CFTButtonClick(QObject* sender);
    void DeviceInfoBitBtnClick(QObject* sender);
    void GeneralFormShow(QWidget* form);
    void BuildTmcFolderChooser();

    // ---- File checks: the library's checks with their texts on status panels 1 and 2 ----
    void CheckGDPBin();
    int CheckFWBin(int strict);
    int CheckLDPCBin();
    int CheckNandMenUpdateBin();
    int CheckOPALBin();
    int CheckNandMemBin();
    int CheckUEFIBin();

    // ---- Lifecycle ----
    void WMMoving();
    void LockUI(int lock);
    void LockSpeedButtonClick(QObject* sender);
    // Switches settings page `page` on or off and leaves the page in front where it is (greyed when
    // off; Qt would move it to the next page it can show); only the other tool mode's page, which
    // stays off even unlocked, gives way to the Main Page.
    void SetSettingsPageEnabled(int page, bool enabled);

    // ---- Enumeration and port mapping ----
    int GetQVChipConnectedNum();
    void EnumUSBDevice();
    // A device-interface arrival (true) or removal (false).
    void WMDeviceChange(bool arrival);
    // Every window timer: traces its id; 129 enumerates, the watchdog ids go to WatchdogTimer.
    void OnTimer(int nTimerID);
    void RefreshButtonClick(QObject* sender);
    void SequenceSpeedButtonClick(QObject* sender);
    void ManualClick(QObject* sender);
    void AutoClick(QObject* sender);
    void AutoPortMappingCloseButtonClick(QObject* sender);

    // ---- Panels ----
    void UpdateDrawPanel();
    // Copies the display slots of the run's devices onto their panels (GUI thread).
    void SyncDevicePanels();

    // ---- The run (main_form_run.cpp, main_form_run_workers.cpp) ----
    void ExecuteButtonClick(QObject* sender);
    void StopSpeedButtonClick(QObject* sender);
    void DevicePanelDblClick(int tag);
    void AutoTestTimerTimer(QObject* sender);
    // ---- Sorting status and results (main_form_sort_poll.cpp, main_form_sort_fetch.cpp) ----
    void SortStatusTimerTimer(QObject* sender);
    // One status poll of every mapped drive; a call while a poll is running is dropped.
    void SORTStatusClick(QObject* sender);
    void PollingRDTClick(QObject* sender);
    void SortMode_CBChange(QObject* sender);
    void ScanSortResult_btnClick(QObject* sender);
    int MultiGetSORTResult();
    // On a fetch worker: reads the drive's result blocks into the device's tables.
    std::uint8_t GetDeviceSortResult(std::uint8_t port, std::uint8_t device);
    // A result panel's click lists its device's dies and error entries; the double click does
    // nothing; a "Detail " button opens the result window of its device (Tag = device number).
    void ResultPanel1Click(QObject* sender);
    void ResultPanel1DblClick(QObject* sender);
    void EasyResult_btn_00Click(QObject* sender);
    // "Create RDT Analysis File": the folder of a picked ".bin" file listed and exported as a
    // workbook into it (`folder` ends in "/"); the export writes the first `count` memo lines.
    void CreateRDTAnalysisFileClick(QObject* sender);
    void LoadAnalysisFile(const std::string& folder);
    void ParsingAnalysisRawFile(int count, const std::string& folder);
    // The watchdog branch of OnTimer: id is one of g_DeviceTimerID.
    void WatchdogTimer(int nTimerID);
    int MultiExecuteDevice();
    // Waits, serving the GUI thread, until the workers of `devices` (m_hThread) have ended, whatever
    // their exit codes; traces how many returned (729) and how many were stopped (777).
    void WaitForWorkers(const std::vector<int>& devices);
    bool CheckBinBeforeExecute();
    void ShowYieldCount();
    void ResetYieldButtonClick(QObject* sender);
    // The elapsed time since the run started (its platform tick count) in ElapsedTimeLabeledEdit.
    void UpdateElapsedTime(std::uint64_t startTick);
    // Flash auto-detection on the first connected drive (main_form_detect.cpp).
    void AutoDetectButtonClick(QObject* sender);
    // The die map's "Lun Select": gLunStatus from the die map, the LUN dialog, the LUN shapes
    // recoloured from its choice (main_form_lun.cpp).
    void LunSelectButtonClick(QObject* sender);

    // ---- Device tools of the "Tools" menu (main_form_tools.cpp): each acts on every connected
    // drive in device order, with the window locked as a run locks it but the page left in front ----
    void EraseCodeBlockClick(QObject* sender);
    void JumpToLoaderClick(QObject* sender);
    void JumpToSystemClick(QObject* sender);
    void ProgramSPIClick(QObject* sender);

    // ---- Openers of the fixture window and the dialogs (main_form_openers.cpp) ----
    // "Tools" > "Auto MP": the fixture window reset and shown without waiting, this window unlocked.
    void RuzeVE1Click(QObject* sender);
    // "Help" > "About".
    void AboutClick(QObject* sender);

    // ---- State ----
    std::string m_sIniFile;
    std::string m_sLogPath;
    std::string m_sInitTmcFile;
    std::string m_sBestTmcFile;
    std::string m_sFlashFile;
    int m_nFlashVendorCount = 0;
    int m_nFlashRecordCount = 0;
    app::MpLogFile m_MpLog;  // m_sLogPattern, m_sLogFile, m_nLogSizeLimit, m_nLogIndex
    int m_bRunning = 0;
    std::unique_ptr<forms::WorkerThread> m_hThread[16];
    forms::TimerSet m_Timers;
    // The sorting results per device number, cleared by every fetch run; a device's worker writes
    // its own entries, the GUI thread reads them after the run.
    tables::DieTestInfo m_DieTestInfo[16][8][4][2] = {};
    app::SortSummary m_SortSummary[16];
    app::SortErrorEntry m_SortError[16][app::kSortErrorEntries];
    // The folder of the last analysis file picked (the open dialog starts there).
    std::string m_sAnalysisFolder;
    // ReadINI succeeded, or the settings file did not exist: the destructor writes the settings.
    bool m_bWriteSettings = false;

    // ---- Controls (objectNames are these names) ----
    QMenuBar* MainMenu = nullptr;
    QMenu* WindowsMenu = nullptr;
    QMenu* PortMappingMenu = nullptr;
    QAction* Manual = nullptr;
    QAction* Auto = nullptr;
    QAction* MPT = nullptr;
    QAction* SORT = nullptr;
    QMenu* DeviceLayoutMenu = nullptr;
    QAction* ListLayout = nullptr;
    QAction* BlockLayout = nullptr;
    QMenu* WindowSizeMenu = nullptr;
    QAction* Full = nullptr;
    QAction* Partial = nullptr;
    QMenu* ToolsMenu = nullptr;
    QAction* SelectTMCfolder = nullptr;
    QAction* EraseCodeBlock = nullptr;
    QAction* JumpToLoader = nullptr;
    QAction* JumpToSystem = nullptr;
    QAction* ProgramSPI = nullptr;
    QAction* RuzeVE1 = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* About = nullptr;

    QTabWidget* SettingPageControl = nullptr;
    QWidget* Page[app::kPageCount] = {};
    QGroupBox* TestItemsGroupBox = nullptr;
    forms::CheckListBox* FunCheckListBox = nullptr;

    QScrollArea* StyleScrollBox = nullptr;
    QFrame* DevicePanel[16] = {};
    QLabel* DeviceLabel[16] = {};
    forms::TCGauge* DeviceCGauge[16] = {};
    forms::LabeledEdit* SNLabeledEdit[16] = {};
    QPushButton* DeviceInfoBitBtn[16] = {};
    QPushButton* CFTButton[16] = {};
    QLineEdit* DeviceSequenceEdit[16] = {};

    // The sorting-result area, by device number.
    QFrame* ResultPanel[16] = {};
    QGroupBox* EasyResult_GB[16] = {};
    QPlainTextEdit* EasyResult_Memo[16] = {};
    QPushButton* EasyResult_btn[16] = {};
    QPushButton* ScanSortResult_btn = nullptr;
    QPlainTextEdit* Main_RDTSettingMemo = nullptr;
    QTreeWidget* Main_BB_ListView = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTreeWidget* Main_RDTBad_ListView = nullptr;
    QTreeWidget* Analysis_ListView = nullptr;
    QPlainTextEdit* RDTAnalysis_Memo = nullptr;
    QPlainTextEdit* Main_debugMemo = nullptr;
    QAction* PollingRDT = nullptr;
    QAction* CreateRDTAnalysisFile = nullptr;

    QWidget* RunBar = nullptr;
    QPushButton* ExecuteButton = nullptr;
    forms::SpeedButton* StopSpeedButton = nullptr;
    QPushButton* RefreshButton = nullptr;
    forms::SpeedButton* LockSpeedButton = nullptr;
    forms::SpeedButton* SequenceSpeedButton = nullptr;
    QLabel* ToolModeLabel = nullptr;
    forms::LabeledEdit* YieldLabeledEdit = nullptr;
    QPushButton* ResetYieldButton = nullptr;
    forms::LabeledEdit* ElapsedTimeLabeledEdit = nullptr;
    QWidget* BottomPanel = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel[3] = {};

    QTimer* AutoTestTimer = nullptr;
    QTimer* SortStatusTimer = nullptr;

    // The "Auto Port Mapping" window, built hidden by the constructor.
    QDialog* AutoPortMappingForm = nullptr;
    QLabel* AutoPortMappingLabel = nullptr;
    QPushButton* AutoPortMappingCloseButton = nullptr;

    // The TMC folder chooser, built hidden by the constructor, one radio button per folder.
    QDialog* TMCFolderForm = nullptr;
    std::vector<QAbstractButton*> TMCFolderRadioButton;

    // A control of this window by objectName (pages that do not exist yet give null).
    template <class T = QWidget>
    T* Control(const char* name) const {
        return findChild<T*>(QString::fromLatin1(name));
    }
    void SetStatusText(int panel, const std::string& text);

  protected:
    void moveEvent(QMoveEvent* event) override;
    // A request to close is held while START's handler runs; the window closes when it returns.
    void closeEvent(QCloseEvent* event) override;
    // Double clicks on the device panels; clicks and double clicks on the result panels; the Main
    // Page's resizes (StyleScrollBox fills the page below its top).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Builders, one per area (main_form_build.cpp).
    void BuildMainMenu();
    void BuildSettingPages();
    void BuildDevicePanels(QWidget* page);
    void BuildResultArea();
    // The sorting items of the "Tools" menu (made here while the menu has none) and the sorting-mode
    // box's handler, once the settings pages are loaded.
    void BuildSortingHooks();
    void BuildRunBar(QWidget* parent);
    void BuildStatusBar();
    void BuildTimers();
    void BuildAutoPortMappingForm();
    void CentreOnScreen();
    // StyleScrollBox reaches from its top to the bottom of the Main Page (main_form_layout.cpp).
    void FitStyleScrollBox();

    void RegisterUSBDeviceNotify();
    void ServeHotPlug();
    // The typed device numbers on or off (SequenceSpeedButtonClick and ManualClick).
    void ToggleDeviceMapping();
    // A mouse event on a result panel (main_form_panels.cpp); true when it is taken.
    bool ResultPanelMouse(QWidget* panel, QEvent* event);
    // [DeviceSetting] SerialNum of m_sIniFile := the next serial number, that key alone.
    void SaveNextSerialNumber();
    // START's end: a device change held during the run arms the enumeration as it would have.
    void ServeHeldDeviceChange();

    bool m_bTerminate = false;
    bool m_bCloseAfterRun = false;
    // Set while the TMC choice falls back to 200 MHz, profile 0 (it falls back once per change).
    bool m_bTmcFallback = false;
    bool m_bSortPolling = false;
    // A device change while m_bRunning held the map fixed: the enumeration delay it asks for when the
    // run ends (200 ms after a removal, which wins; 3000 ms after arrivals only), 0 for none.
    unsigned m_nHeldChangeDelay = 0;
    // The result panel a left button went down on; null after a double click, whose release is no click.
    QObject* m_PressedResultPanel = nullptr;
    std::unique_ptr<platform::HotPlugMonitor> m_HotPlug;
    QSocketNotifier* m_HotPlugNotifier = nullptr;
    // Last member: destroyed first, before any control of this window.
    std::vector<std::unique_ptr<QWidget>> m_KeptForms;
};

// The published instance (null while no window exists).
extern TMainForm* MainForm;
