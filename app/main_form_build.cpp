// The controls of the main window, one builder per area. Positions the design fixes (the device
// panels' "List" layout, StyleScrollBox at top 113) are kept; the rest is our own layout. The pages
// fill what the window size leaves above the run bar and the bottom panel (a column layout).
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "app/run_state.h"
#include "forms/colours.h"
#include "forms/scroll_page.h"

namespace {

constexpr int kWindowWidth = 1010;
constexpr int kWindowHeight = 707;
constexpr int kPanelWidth = 990;
constexpr int kPanelHeight = 26;
constexpr int kScrollTop = 113;

const char* const kPageCaptions[app::kPageCount] = {"Main Page",         "Test Items",      "Device Setting",
                                                    "SYS FW Setting",    "SORT FW Setting", "SORT Result",
                                                    "Detail SORT Result"};
const char* const kPageNames[app::kPageCount] = {
    "MainPageTabSheet",      "TestItemsTabSheet",  "DeviceSettingTabSheet",   "SysFwSettingTabSheet",
    "SortFwSettingTabSheet", "SortResultTabSheet", "DetailSortResultTabSheet"};

QString Numbered(const char* prefix, int n) {
    return QString::fromLatin1(prefix) + QString::number(n);
}
QString TwoDigits(const char* prefix, int n) {
    return QString::fromLatin1(prefix) + QString::asprintf("%02d", n);
}

}  // namespace

void TMainForm::BuildMainMenu() {
    MainMenu = menuBar();
    MainMenu->setObjectName("MainMenu");
    WindowsMenu = MainMenu->addMenu("Windows");
    WindowsMenu->setObjectName("Windows");
    PortMappingMenu = WindowsMenu->addMenu("PortMapping");
    PortMappingMenu->setObjectName("PortMapping");
    Manual = PortMappingMenu->addAction("Manual");
    Manual->setObjectName("Manual");
    Auto = PortMappingMenu->addAction("Auto");
    Auto->setObjectName("Auto");
    connect(Manual, &QAction::triggered, this, [this] { ManualClick(Manual); });
    connect(Auto, &QAction::triggered, this, [this] { AutoClick(Auto); });
    auto checkable = [](QMenu* menu, const char* caption, const char* name) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        action->setCheckable(true);
        return action;
    };
    // The tool mode's items; check marks set by the passes.
    MPT = checkable(WindowsMenu, "MPT", "MPT");
    SORT = checkable(WindowsMenu, "SORT", "SORT");
    connect(MPT, &QAction::triggered, this, [this] { MPTClick(MPT); });
    connect(SORT, &QAction::triggered, this, [this] { SORTClick(SORT); });
    DeviceLayoutMenu = WindowsMenu->addMenu("Device Layout");
    DeviceLayoutMenu->setObjectName("DeviceLayout");
    ListLayout = checkable(DeviceLayoutMenu, "List", "ListLayout");
    BlockLayout = checkable(DeviceLayoutMenu, "Block", "BlockLayout");
    WindowSizeMenu = WindowsMenu->addMenu("Window Size");
    WindowSizeMenu->setObjectName("WindowSize");
    Full = checkable(WindowSizeMenu, "Full", "Full");
    Partial = checkable(WindowSizeMenu, "Partial", "Partial");
    connect(ListLayout, &QAction::triggered, this, [this] { ListLayoutClick(ListLayout); });
    connect(BlockLayout, &QAction::triggered, this, [this] { BlockLayoutClick(BlockLayout); });
    connect(Full, &QAction::triggered, this, [this] { FullClick(Full); });
    connect(Partial, &QAction::triggered, this, [this] { PartialClick(Partial); });
    ToolsMenu = MainMenu->addMenu("Tools");
    ToolsMenu->setObjectName("Tools");
    SelectTMCfolder = ToolsMenu->addAction("Select TMC folder");
    SelectTMCfolder->setObjectName("SelectTMCfolder");
    connect(SelectTMCfolder, &QAction::triggered, this, [this] { SelectTMCfolderClick(SelectTMCfolder); });
    auto tool = [this](QAction*& action, const char* caption, const char* name, void (TMainForm::*handler)(QObject*)) {
        action = ToolsMenu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
    };
    tool(EraseCodeBlock, "Erase Code Block", "EraseCodeBlock", &TMainForm::EraseCodeBlockClick);
    tool(JumpToLoader, "Jump to Loader", "JumpToLoader", &TMainForm::JumpToLoaderClick);
    tool(JumpToSystem, "Jump To System", "JumpToSystem", &TMainForm::JumpToSystemClick);
    tool(ProgramSPI, "Program SPI", "ProgramSPI", &TMainForm::ProgramSPIClick);
    tool(RuzeVE1, "Auto MP", "RuzeVE1", &TMainForm::RuzeVE1Click);
    HelpMenu = MainMenu->addMenu("Help");
    HelpMenu->setObjectName("Help");
    About = HelpMenu->addAction("About");
    About->setObjectName("About");
    connect(About, &QAction::triggered, this, [this] { AboutClick(About); });
}

void TMainForm::BuildSettingPages() {
    auto* central = new QWidget(this);
    central->setObjectName("ClientPanel");
    setCentralWidget(central);
    // The pages take the height the window size leaves above the run bar and the bottom panel.
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    SettingPageControl = new QTabWidget(central);
    SettingPageControl->setObjectName("SettingPageControl");
    column->addWidget(SettingPageControl, 1);
    for (int i = 0; i < app::kPageCount; ++i) {
        Page[i] = new QWidget();
        Page[i]->setObjectName(kPageNames[i]);
        // The Main Page's device panels scroll in StyleScrollBox; every other page scrolls as a
        // whole when the window is too short for it (the partial window size).
        QWidget* tab = Page[i];
        if (i != 0) tab = new forms::ScrollPage(Page[i], QString(kPageNames[i]) + "Scroller");
        SettingPageControl->addTab(tab, kPageCaptions[i]);
    }
    Page[0]->installEventFilter(this);
    // Test Items page: the test-item list (its options come with the settings pages).
    TestItemsGroupBox = new QGroupBox("Test Items", Page[1]);
    TestItemsGroupBox->setObjectName("TestItemsGroupBox");
    TestItemsGroupBox->setGeometry(8, 8, 240, 300);
    FunCheckListBox = new forms::CheckListBox(TestItemsGroupBox);
    FunCheckListBox->setObjectName("FunCheckListBox");
    FunCheckListBox->setGeometry(8, 20, 224, 272);
    connect(FunCheckListBox, &forms::CheckListBox::ClickCheck, this, [this](int index) { FunCheckListBoxClickCheck(index); });
    connect(FunCheckListBox, &QListWidget::currentRowChanged, this, [this] { FunCheckListBoxClick(FunCheckListBox); });

    BuildDevicePanels(Page[0]);
    BuildResultArea();

    RunBar = new QWidget(central);
    RunBar->setObjectName("RunBar");
    RunBar->setFixedHeight(44);
    column->addWidget(RunBar);
    BuildRunBar(RunBar);

    BottomPanel = new QWidget(central);
    BottomPanel->setObjectName("BottomPanel");
    BottomPanel->setFixedHeight(40);
    column->addWidget(BottomPanel);
    auto* autoDetect = new QPushButton("Auto Detect", BottomPanel);
    autoDetect->setObjectName("AutoDetectButton");
    autoDetect->setGeometry(8, 6, 100, 28);
    connect(autoDetect, &QPushButton::clicked, this, [this, autoDetect] { AutoDetectButtonClick(autoDetect); });
}

void TMainForm::BuildDevicePanels(QWidget* page) {
    StyleScrollBox = new QScrollArea(page);
    StyleScrollBox->setObjectName("StyleScrollBox");
    StyleScrollBox->setGeometry(0, kScrollTop, kWindowWidth - 6, 420);
    auto* box = new QWidget();
    box->setObjectName("StyleScrollBoxContents");
    box->resize(kPanelWidth, kPanelHeight * 16);
    for (int i = 0; i < 16; ++i) {
        const int n = i + 1;
        auto* panel = new QFrame(box);
        panel->setObjectName(Numbered("DevicePanel", n));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Raised);
        panel->setGeometry(0, kPanelHeight * i, kPanelWidth, kPanelHeight);
        panel->setProperty("Tag", i);
        panel->installEventFilter(this);
        forms::SetColour(panel, forms::clBtnFace);
        DevicePanel[i] = panel;

        DeviceLabel[i] = new QLabel(QString("Device %1").arg(n), panel);
        DeviceLabel[i]->setObjectName(Numbered("DeviceLabel", n));
        DeviceLabel[i]->setGeometry(10, 4, 250, 18);

        SNLabeledEdit[i] = new forms::LabeledEdit(panel, forms::LabeledEdit::LabelPosition::Left);
        SNLabeledEdit[i]->setObjectName(Numbered("SNLabeledEdit", n));
        SNLabeledEdit[i]->setGeometry(380, 2, 200, 21);
        SNLabeledEdit[i]->setReadOnly(true);
        SNLabeledEdit[i]->SetCaption("Port ##: SN");

        DeviceCGauge[i] = new forms::TCGauge(panel);
        DeviceCGauge[i]->setObjectName(Numbered("DeviceCGauge", n));
        DeviceCGauge[i]->setGeometry(820, 5, 55, 16);
        // The run lock disables the panels' box: what they show stays readable, the buttons lock.
        forms::KeepLookWhenDisabled(DeviceLabel[i]);
        forms::KeepLookWhenDisabled(SNLabeledEdit[i]);
        forms::KeepLookWhenDisabled(SNLabeledEdit[i]->EditLabel());
        forms::KeepLookWhenDisabled(DeviceCGauge[i]);

        CFTButton[i] = new QPushButton("CFT", panel);
        CFTButton[i]->setObjectName(Numbered("CFTButton", n));
        CFTButton[i]->setGeometry(880, 2, 45, 22);

        DeviceInfoBitBtn[i] = new QPushButton("?", panel);
        DeviceInfoBitBtn[i]->setObjectName(Numbered("DeviceInfoBitBtn", n));
        DeviceInfoBitBtn[i]->setGeometry(930, 2, 25, 22);

        DeviceSequenceEdit[i] = new QLineEdit(panel);
        DeviceSequenceEdit[i]->setObjectName(Numbered("DeviceSequenceEdit", n));
        DeviceSequenceEdit[i]->setGeometry(960, 2, 26, 22);
        DeviceSequenceEdit[i]->setMaxLength(2);
        DeviceSequenceEdit[i]->setEnabled(false);
        forms::SetColour(DeviceSequenceEdit[i], forms::clBtnFace);
    }
    StyleScrollBox->setWidget(box);
}

namespace {

QTreeWidget* ReportList(QWidget* parent, const char* name, std::initializer_list<std::pair<const char*, int>> columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList labels;
    for (const auto& [label, width] : columns) labels << label;
    list->setHeaderLabels(labels);
    int i = 0;
    for (const auto& [label, width] : columns) {
        list->setColumnWidth(i, width > 0 ? width : 40);
        ++i;
    }
    return list;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, const QRect& where) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setGeometry(where);
    memo->setReadOnly(true);
    return memo;
}

}  // namespace

void TMainForm::BuildResultArea() {
    QWidget* page = Page[5];
    for (int i = 0; i < 16; ++i) {
        // The result panels: the top row of the "SORT Result" page, one per device number.
        auto* panel = new QLabel(Numbered("Device", i + 1), page);
        panel->setObjectName(Numbered("ResultPanel", i + 1));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Raised);
        panel->setAlignment(Qt::AlignCenter);
        panel->setGeometry(8 + 62 * i, 6, 58, 36);
        panel->setProperty("Tag", i);
        panel->installEventFilter(this);
        ResultPanel[i] = panel;

        EasyResult_GB[i] = new QGroupBox(Page[6]);
        EasyResult_GB[i]->setObjectName(TwoDigits("EasyResult_GB_", i));
        EasyResult_GB[i]->setGeometry(8 + 247 * (i % 4), 4 + 128 * (i / 4), 240, 124);
        EasyResult_Memo[i] = new QPlainTextEdit(EasyResult_GB[i]);
        EasyResult_Memo[i]->setObjectName(TwoDigits("EasyResult_Memo_", i));
        EasyResult_Memo[i]->setGeometry(6, 18, 228, 74);
        EasyResult_Memo[i]->setReadOnly(true);
        EasyResult_btn[i] = new QPushButton("Detail ", EasyResult_GB[i]);
        EasyResult_btn[i]->setObjectName(TwoDigits("EasyResult_btn_", i));
        EasyResult_btn[i]->setGeometry(160, 96, 74, 24);
        EasyResult_btn[i]->setProperty("Tag", i);
        QPushButton* detail = EasyResult_btn[i];
        connect(detail, &QPushButton::clicked, this, [this, detail] { EasyResult_btn_00Click(detail); });
    }
    ScanSortResult_btn = new QPushButton("Scan Device", page);
    ScanSortResult_btn->setObjectName("ScanSortResult_btn");
    ScanSortResult_btn->setGeometry(8, 48, 110, 28);
    connect(ScanSortResult_btn, &QPushButton::clicked, this, [this] { ScanSortResult_btnClick(ScanSortResult_btn); });
    Main_RDTSettingMemo = Memo(page, "Main_RDTSettingMemo", QRect(8, 80, 250, 446));

    Main_BB_ListView = ReportList(page, "Main_BB_ListView",
                                  {{"No.", 30}, {"CH", 30}, {"BK", 30}, {"Lun", 30}, {"P0", 40}, {"P1", 40},
                                   {"P2", 40}, {"P3", 40}, {"Total B.B.", 75}, {"Factory Fail", 75},
                                   {"Erase Fail", 75}, {"Program Fail", 75}, {"ECC Fail", 75}, {"Pass/Fail", 65}});
    Main_BB_ListView->setGeometry(266, 48, 726, 210);

    PageControl1 = new QTabWidget(page);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(266, 262, 726, 264);
    auto* badInfo = new QWidget();
    badInfo->setObjectName("BadInfoTabSheet");
    PageControl1->addTab(badInfo, "Bad info");
    Main_RDTBad_ListView = ReportList(badInfo, "Main_RDTBad_ListView",
                                      {{"No.", 0},     {"CH", 30},      {"BK", 30},      {"Lun", 30},
                                       {"BLK Unit", 60}, {"P0", 0},     {"P1", 0},       {"P2", 0},
                                       {"P3", 0},      {"Page", 40},    {"MaxECC", 55},  {"EorType", 110},
                                       {"Action", 110}, {"Time", 100},  {"Loop", 0},     {"R-Loop", 0},
                                       {"Thermal", 50}});
    Main_RDTBad_ListView->setGeometry(2, 2, 716, 232);
    auto* analysis = new QWidget();
    analysis->setObjectName("AnalysisDataTabSheet");
    PageControl1->addTab(analysis, "Analysis Data");
    Analysis_ListView = ReportList(analysis, "Analysis_ListView", {{"NO.", 40}, {"File Path", 640}});
    Analysis_ListView->setGeometry(2, 2, 716, 232);
    auto* debug = new QWidget();
    debug->setObjectName("DebugMsgTabSheet");
    PageControl1->addTab(debug, "DebugMsg");
    RDTAnalysis_Memo = Memo(debug, "RDTAnalysis_Memo", QRect(2, 2, 355, 232));
    Main_debugMemo = Memo(debug, "Main_debugMemo", QRect(361, 2, 355, 232));
}

void TMainForm::BuildSortingHooks() {
    QMenu* tools = MainMenu->findChild<QMenu*>("Tools");
    if (tools == nullptr) {
        tools = MainMenu->addMenu("Tools");
        tools->setObjectName("Tools");
    }
    PollingRDT = tools->addAction("Polling RDT");
    PollingRDT->setObjectName("PollingRDT");
    connect(PollingRDT, &QAction::triggered, this, [this] { PollingRDTClick(PollingRDT); });
    CreateRDTAnalysisFile = tools->addAction("Create RDT Analysis File");
    CreateRDTAnalysisFile->setObjectName("CreateRDTAnalysisFile");
    connect(CreateRDTAnalysisFile, &QAction::triggered, this,
            [this] { CreateRDTAnalysisFileClick(CreateRDTAnalysisFile); });
    if (auto* box = Control<QComboBox>("SortMode_CB")) {
        connect(box, &QComboBox::activated, this, [this, box] { SortMode_CBChange(box); });
    }
}

void TMainForm::BuildRunBar(QWidget* bar) {
    ExecuteButton = new QPushButton("START", bar);
    ExecuteButton->setObjectName("ExecuteButton");
    ExecuteButton->setGeometry(8, 6, 90, 32);
    ExecuteButton->setEnabled(false);
    connect(ExecuteButton, &QPushButton::clicked, this, [this] { ExecuteButtonClick(ExecuteButton); });

    StopSpeedButton = new forms::SpeedButton(bar);
    StopSpeedButton->setObjectName("StopSpeedButton");
    StopSpeedButton->setText("Stop");
    StopSpeedButton->setCheckable(false);
    StopSpeedButton->setGeometry(104, 6, 70, 32);
    connect(StopSpeedButton, &QToolButton::clicked, this, [this] { StopSpeedButtonClick(StopSpeedButton); });

    RefreshButton = new QPushButton("Refresh", bar);
    RefreshButton->setObjectName("RefreshButton");
    RefreshButton->setGeometry(180, 6, 80, 32);
    connect(RefreshButton, &QPushButton::clicked, this, [this] { RefreshButtonClick(RefreshButton); });

    LockSpeedButton = new forms::SpeedButton(bar);
    LockSpeedButton->setObjectName("LockSpeedButton");
    LockSpeedButton->setText("Lock");
    LockSpeedButton->setGeometry(266, 6, 60, 32);
    connect(LockSpeedButton, &QToolButton::clicked, this, [this] { LockSpeedButtonClick(LockSpeedButton); });

    SequenceSpeedButton = new forms::SpeedButton(bar);
    SequenceSpeedButton->setObjectName("SequenceSpeedButton");
    SequenceSpeedButton->setText("Device Mapping");
    SequenceSpeedButton->setToolTip("Enable/Disable Device Mapping");
    SequenceSpeedButton->setGeometry(332, 6, 110, 32);
    connect(SequenceSpeedButton, &QToolButton::clicked, this,
            [this] { SequenceSpeedButtonClick(SequenceSpeedButton); });

    ToolModeLabel = new QLabel("MP", bar);
    ToolModeLabel->setObjectName("ToolModeLabel");
    ToolModeLabel->setGeometry(452, 12, 50, 20);

    YieldLabeledEdit = new forms::LabeledEdit(bar, forms::LabeledEdit::LabelPosition::Left);
    YieldLabeledEdit->setObjectName("YieldLabeledEdit");
    YieldLabeledEdit->setGeometry(560, 10, 90, 22);
    YieldLabeledEdit->setReadOnly(true);
    YieldLabeledEdit->SetCaption("Yield");

    ResetYieldButton = new QPushButton("Reset Yield", bar);
    ResetYieldButton->setObjectName("ResetYieldButton");
    ResetYieldButton->setGeometry(656, 8, 90, 26);
    connect(ResetYieldButton, &QPushButton::clicked, this, [this] { ResetYieldButtonClick(ResetYieldButton); });

    ElapsedTimeLabeledEdit = new forms::LabeledEdit(bar, forms::LabeledEdit::LabelPosition::Left);
    ElapsedTimeLabeledEdit->setObjectName("ElapsedTimeLabeledEdit");
    ElapsedTimeLabeledEdit->setGeometry(840, 10, 160, 22);
    ElapsedTimeLabeledEdit->setReadOnly(true);
    ElapsedTimeLabeledEdit->SetCaption("Elapsed Time");
}

void TMainForm::BuildStatusBar() {
    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(StatusBar);
        StatusPanel[i]->setObjectName(Numbered("StatusBarPanel", i));
        StatusPanel[i]->setMinimumWidth(i == 0 ? 200 : 380);
        StatusBar->addWidget(StatusPanel[i], i == 0 ? 0 : 1);
    }
}

void TMainForm::BuildTimers() {
    AutoTestTimer = new QTimer(this);
    AutoTestTimer->setObjectName("AutoTestTimer");
    AutoTestTimer->setInterval(1000);
    connect(AutoTestTimer, &QTimer::timeout, this, [this] { AutoTestTimerTimer(AutoTestTimer); });
    SortStatusTimer = new QTimer(this);
    SortStatusTimer->setObjectName("SortStatusTimer");
    SortStatusTimer->setInterval(30000);
    connect(SortStatusTimer, &QTimer::timeout, this, [this] { SortStatusTimerTimer(SortStatusTimer); });
}

void TMainForm::BuildAutoPortMappingForm() {
    AutoPortMappingForm = new QDialog(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    AutoPortMappingForm->setObjectName("AutoPortMappingForm");
    AutoPortMappingForm->setWindowTitle("Auto Port Mapping");
    AutoPortMappingForm->setFixedSize(250, 150);
    AutoPortMappingForm->setModal(true);
    AutoPortMappingLabel = new QLabel("Please insert the 1st device!", AutoPortMappingForm);
    AutoPortMappingLabel->setObjectName("AutoPortMappingLabel");
    QFont font = AutoPortMappingLabel->font();
    font.setPointSize(11);
    AutoPortMappingLabel->setFont(font);
    AutoPortMappingLabel->move(20, 40);
    AutoPortMappingLabel->adjustSize();
    AutoPortMappingLabel->resize(225, AutoPortMappingLabel->height());  // room for "the 16th device"
    AutoPortMappingCloseButton = new QPushButton("Close", AutoPortMappingForm);
    AutoPortMappingCloseButton->setObjectName("AutoPortMappingCloseButton");
    AutoPortMappingCloseButton->setGeometry(95, 90, 60, 25);
    connect(AutoPortMappingCloseButton, &QPushButton::clicked, this,
            [this] { AutoPortMappingCloseButtonClick(AutoPortMappingCloseButton); });
    AutoPortMappingForm->hide();
}

void TMainForm::SetStatusText(int panel, const std::string& text) {
    if (panel < 0 || panel >= 3 || StatusPanel[panel] == nullptr) return;
    const QString q = QString::fromStdString(text);
    if (StatusPanel[panel]->text() != q) StatusPanel[panel]->setText(q);
}
