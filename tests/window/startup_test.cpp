// Start-up and shutdown of the main window on the demo station, and the start-up failures.
#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>

#include "app/program.h"
#include "app/run_lock.h"
#include "forms/colours.h"
#include "forms/ini_file.h"
#include "settings/die_map_page.h"
#include "settings/die_remap.h"
#include "settings/flash_param.h"
#include "settings/ini_all.h"
#include "settings/para_file.h"
#include "settings/tmc_timing.h"
#include "support/station_window.h"

namespace window_test {
namespace {

using forms::BoxIcon;
using forms::BoxKind;
using forms::ShownBox;

class StartUp : public StationWindowTest {};

struct Expected {
    std::string name;
    std::string caption;  // "" when not checked
};

std::string CaptionOf(QObject* o) {
    if (auto* a = qobject_cast<QAction*>(o)) return a->text().toStdString();
    if (auto* m = qobject_cast<QMenu*>(o)) return m->title().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text().toStdString();
    if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title().toStdString();
    if (auto* e = qobject_cast<forms::LabeledEdit*>(o)) return e->Caption().toStdString();
    return "";
}

TEST_F(StartUp, BuildsTheWindowOnTheDemoStation) {
    InstallStationBay();
    TMainForm& w = OpenWindow();

    std::vector<Expected> expected = {
        {"MainMenu", ""},
        {"Windows", "Windows"},
        {"PortMapping", "PortMapping"},
        {"Manual", "Manual"},
        {"Auto", "Auto"},
        {"Tools", "Tools"},
        {"EraseCodeBlock", "Erase Code Block"},
        {"JumpToLoader", "Jump to Loader"},
        {"JumpToSystem", "Jump To System"},
        {"ProgramSPI", "Program SPI"},
        {"SettingPageControl", ""},
        {"FunCheckListBox", ""},
        {"TestItemsGroupBox", "Test Items"},
        {"StyleScrollBox", ""},
        {"ExecuteButton", "START"},
        {"StopSpeedButton", "Stop"},
        {"RefreshButton", "Refresh"},
        {"LockSpeedButton", ""},
        {"SequenceSpeedButton", ""},
        {"YieldLabeledEdit", "Yield"},
        {"ResetYieldButton", "Reset Yield"},
        {"ElapsedTimeLabeledEdit", "Elapsed Time"},
        {"BottomPanel", ""},
        {"AutoTestTimer", ""},
        {"SortStatusTimer", ""},
        {"AutoPortMappingForm", ""},
        {"AutoPortMappingLabel", "Please insert the 1st device!"},
        {"AutoPortMappingCloseButton", "Close"},
    };
    for (int n = 1; n <= 16; ++n) {
        const std::string s = std::to_string(n);
        char two[4];
        std::snprintf(two, sizeof two, "%02d", n - 1);
        for (const char* prefix :
             {"DevicePanel", "DeviceCGauge", "CFTButton", "DeviceInfoBitBtn", "DeviceSequenceEdit"})
            expected.push_back({prefix + s, ""});
        expected.push_back({"ResultPanel" + s, "Device" + s});
        expected.push_back({"DeviceLabel" + s, "Device " + s});
        expected.push_back({"SNLabeledEdit" + s, "Port ##: SN"});
        expected.push_back({std::string("EasyResult_GB_") + two, ""});
        expected.push_back({std::string("EasyResult_Memo_") + two, ""});
        expected.push_back({std::string("EasyResult_btn_") + two, "Detail "});
    }
    for (const Expected& e : expected) {
        const auto found = w.findChildren<QObject*>(QString::fromStdString(e.name));
        ASSERT_EQ(found.size(), 1) << e.name;
        if (!e.caption.empty()) {
            EXPECT_EQ(CaptionOf(found[0]), e.caption) << e.name;
        }
    }

    // The pages, the List positions, the run bar outside the two areas that START disables.
    ASSERT_EQ(w.SettingPageControl->count(), 7);
    const char* pages[] = {"Main Page",       "Test Items",  "Device Setting",    "SYS FW Setting",
                           "SORT FW Setting", "SORT Result", "Detail SORT Result"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(w.SettingPageControl->tabText(i).toStdString(), pages[i]);
    EXPECT_EQ(w.StyleScrollBox->y(), 113);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(w.DevicePanel[i]->geometry(), QRect(0, 26 * i, 990, 26)) << i;
        EXPECT_EQ(w.DevicePanel[i]->property("Tag").toInt(), i);
        EXPECT_EQ(w.SNLabeledEdit[i]->pos(), QPoint(380, 2));
        EXPECT_EQ(w.DeviceCGauge[i]->pos(), QPoint(820, 5));
        EXPECT_EQ(w.CFTButton[i]->pos(), QPoint(880, 2));
        EXPECT_EQ(w.DeviceInfoBitBtn[i]->pos(), QPoint(930, 2));
        EXPECT_EQ(w.DeviceSequenceEdit[i]->pos(), QPoint(960, 2));
        EXPECT_TRUE(w.StyleScrollBox->isAncestorOf(w.DevicePanel[i]));
        EXPECT_TRUE(w.Page[5]->isAncestorOf(w.ResultPanel[i]));
        EXPECT_TRUE(w.Page[6]->isAncestorOf(w.EasyResult_GB[i]));
        EXPECT_FALSE(w.ResultPanel[i]->isEnabled());
        EXPECT_FALSE(w.EasyResult_GB[i]->isEnabled());
        EXPECT_EQ(forms::ColourOf(w.EasyResult_Memo[i]), kColourSilver);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{w.ExecuteButton, w.StopSpeedButton, w.LockSpeedButton}) {
        EXPECT_FALSE(w.BottomPanel->isAncestorOf(control));
        EXPECT_FALSE(w.StyleScrollBox->isAncestorOf(control));
    }
    EXPECT_EQ(w.AutoTestTimer->interval(), 1000);
    EXPECT_FALSE(w.AutoTestTimer->isActive());
    EXPECT_EQ(w.SortStatusTimer->interval(), 30000);
    EXPECT_FALSE(w.SortStatusTimer->isActive());
    EXPECT_TRUE(w.AutoPortMappingForm->isHidden());
    EXPECT_EQ(w.AutoPortMappingForm->size(), QSize(250, 150));

    // Caption, centring, the time string, the timers and the log folder.
    EXPECT_EQ(w.windowTitle().toStdString(), std::string("TEV100x MP/Sorting Tool ") + app::kToolVersion + " - USB");
    EXPECT_STREQ(AP_OtSet.sMPTVer, app::kToolVersion);
    EXPECT_LE(std::strlen(app::kToolVersion), 15u);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(w.x(), area.x() + (area.width() - w.width()) / 2);
    EXPECT_EQ(w.y(), area.y() + (area.height() - w.height()) / 2);
    EXPECT_STREQ(AP_INIState.SNTimeString, "1C8D149");
    EXPECT_EQ(w.m_Timers.Interval(kEnumTimerId), 3000u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(g_DeviceTimerID[i], i + 1);
    EXPECT_TRUE(fs::is_directory(station_ / "log"));
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "0 / 0");
    EXPECT_EQ(w.m_MpLog.m_sLogFile, (station_ / "log" / "20260704_000.txt").string());
    EXPECT_TRUE(ui_.Shown().empty());
    EXPECT_FALSE(w.TerminateRequested());

    // The traces of the constructor and the creation handler, in order.
    const std::vector<std::string> traces = {
        "######### - AP_OtSet.sToolPath is " + station_.string() + "\n",
        "######### - TMC folder is Default\n",
        "######### - UpdateStruct2UI\n",
        "TotalUSBPortCount = 11 \n",
        "07 04 13 05 09\n",
        "AP_INIState.SNTimeString = 1C8D149 \n",
        "######### - FunCheckListBoxClick\n",
        "######### - FormCreate\n",
    };
    const std::vector<std::string> lines = trace_.Lines();
    auto at = lines.begin();
    for (const std::string& t : traces) {
        at = std::find(at, lines.end(), t);
        ASSERT_NE(at, lines.end()) << "missing or out of order: " << t;
    }

    // The sample's MP items in the list's order, checked as [TestItems] says.
    const std::vector<std::pair<std::string, bool>> items = {
        {"Flash Module", true}, {"Bus Interface", true}, {"Flash Interface", true},
        {"Dram Test", true},    {"Preformat", true},     {"Download", true},
        {"R/W Test", true},     {"Check Tables", true},  {"Check Temperature", true}};
    ASSERT_EQ(w.FunCheckListBox->Count(), static_cast<int>(items.size()));
    for (int i = 0; i < w.FunCheckListBox->Count(); ++i) {
        EXPECT_EQ(w.FunCheckListBox->ItemText(i).toStdString(), items[i].first);
        EXPECT_EQ(w.FunCheckListBox->Checked(i), items[i].second) << items[i].first;
    }

    // The derived flash parameters are the station's: the same derivation by hand gives them.
    const AP_FlashSet_t flash = AP_FlashSet;
    const AP_INIState_t ini = AP_INIState;
    const TMC_TIMING_PARAM initTiming = AP_FwSet.init_timing_setting;
    const TMC_TIMING_PARAM bestTiming = AP_FwSet.timing_setting_after_setfeature;
    EXPECT_EQ(ini.MPChannel, 4);
    EXPECT_EQ(ini.MPBank, 2);
    EXPECT_EQ(bestTiming.wFreqVal, ini.Clock);
    CloseWindow();
    ProcessState::Reset();
    AP_INIState = {};
    AP_FlashSet = {};
    ReadIniAll((station_ / "RIVIDO.ini").string().c_str());
    g_FlashRecord[0] = FlashRecord_t{};
    std::strcpy(g_FlashRecord[0].FlashUniName, "B27B512G");
    std::strcpy(g_FlashRecord[0].sFlashFullName, "QVB27B512G4P");
    FlashRecord_t& r = g_FlashRecord[0];
    r.ucFlashType = 2, r.ucCE = 2, r.wBlocks = 2016, r.wPages = 2304, r.wPageSize = 16, r.ucDiePerCE = 1;
    r.ucFlashInterface = 1, r.ucPlanes = 4;
    const std::uint8_t id[6] = {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};  // the emulated flash's ID
    std::memcpy(r.aFlashID, id, sizeof r.aFlashID);
    AP_INIState.bDieNumCount = 8;
    ReadParaIni((station_ / "PARA" / AP_INIState.ExtParaFile).string().c_str(), AP_ParaSet);
    QV_UpdateGlobalParameter(0, AP_INIState);
    settings::DieMapPage page;
    settings::DieMapRecordToPage(page);
    settings::DieMapPageToRecord(page);
    const std::string tmc = (station_ / "TMC" / "Default" / "TMC_TGL2.ini").string();
    ReadInitTMCIni(tmc.c_str());
    ReadBestTMCIni(tmc.c_str());
    EXPECT_EQ(std::memcmp(&flash, &AP_FlashSet, sizeof flash), 0);
    EXPECT_EQ(ini.MPChannel, AP_INIState.MPChannel);
    EXPECT_EQ(ini.MPBank, AP_INIState.MPBank);
    EXPECT_EQ(std::memcmp(&initTiming, &AP_FwSet.init_timing_setting, sizeof initTiming), 0);
    EXPECT_EQ(std::memcmp(&bestTiming, &AP_FwSet.timing_setting_after_setfeature, sizeof bestTiming), 0);
}

TEST_F(StartUp, ClosingWritesTheSettingsAsTheyWereAndTheCounters) {
    const std::string before = ReadText(station_ / "RIVIDO.ini");
    WriteText(station_ / "log" / "RAVEZ.log", "[TestRecord]\r\nTotalTestCount=9\r\nNumberOfPass=7\r\n");
    TMainForm& w = OpenWindow();
    EXPECT_EQ(w.YieldLabeledEdit->text().toStdString(), "7 / 9");
    AP_INIState.TotalTestCount = 12;
    AP_INIState.NumberOfPass = 10;
    CloseWindow();
    EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
    const forms::IniFile yield(station_ / "log" / "RAVEZ.log");
    EXPECT_EQ(yield.ReadInteger("TestRecord", "TotalTestCount", -1), 12);
    EXPECT_EQ(yield.ReadInteger("TestRecord", "NumberOfPass", -1), 10);
}

TEST_F(StartUp, WithoutSettingsFileOneBoxThenANewFileAtExit) {
    fs::remove(station_ / "RIVIDO.ini");
    TMainForm& w = OpenWindow();
    const std::string path = (station_ / "RIVIDO.ini").string();
    EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::Message, "Error",
                                                   "The " + path +
                                                       " file cann't be found, and the application will create the "
                                                       "default file!\n",
                                                   BoxIcon::Error}}));
    EXPECT_TRUE(w.TerminateRequested());
    CloseWindow();
    const forms::IniFile written(path);
    EXPECT_TRUE(written.ValueExists("Setting", "ToolMode"));
    EXPECT_TRUE(written.ValueExists("TestItems", "EnDownload"));
    EXPECT_EQ(written.ReadInteger("Setting", "EnCustomizePortMap", -1), 0);
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(written.ReadInteger("Setting", "DevicePortMap_" + std::to_string(n), -1), 65535) << n;
}

TEST_F(StartUp, MissingTimingFilesLeaveTheSettingsFileAsItWas) {
    fs::remove(station_ / "TMC" / "Default" / "TMC_ONFI3.ini");
    fs::remove(station_ / "TMC" / "Default" / "TMC_TGL2.ini");
    const std::string before = ReadText(station_ / "RIVIDO.ini");
    TMainForm& w = OpenWindow();
    EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::Message, "Error",
                                                   "Please make sure the file \"TMC\\Default\\TMC_ONFI3.ini\" exist!\n",
                                                   BoxIcon::Error}}));
    EXPECT_TRUE(w.TerminateRequested());
    CloseWindow();
    EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
    EXPECT_TRUE(fs::exists(station_ / "log" / "RAVEZ.log"));
}

TEST_F(StartUp, ALogFolderThatCannotBeCreatedEndsTheProgramWithNothingWritten) {
    WriteText(station_ / "blocker", "a file where the log folder's parent should be");
    forms::IniFile(station_ / "RIVIDO.ini").WriteString("Setting", "LogPath", (station_ / "blocker" / "log").string());
    const std::string before = ReadText(station_ / "RIVIDO.ini");
    EXPECT_EQ(app::CreateForms(), nullptr);
    EXPECT_EQ(ui_.Shown().back(), (ShownBox{BoxKind::Message, QGuiApplication::applicationDisplayName().toStdString(),
                                            "Cannot create log directory.", BoxIcon::Error}));
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
    EXPECT_FALSE(fs::exists(station_ / "blocker" / "log"));
}

TEST_F(StartUp, TheEntrysMakersRunAfterTheMainWindowInTheirPlacesAndTheirWindowsLiveAsLongAsIt) {
    app::ScopedFormMakers scoped;
    std::vector<std::string> made;
    QPointer<QWidget> fixture, sort;
    auto maker = [&made](const char* name, QPointer<QWidget>& out) {
        return [&made, name, &out](TMainForm& main) {
            EXPECT_EQ(MainForm, &main);  // the main window exists and its creation handler ran
            made.push_back(name);
            auto window = std::make_unique<QWidget>();
            window->setObjectName(name);
            out = window.get();
            return window;
        };
    };
    // Registered out of order: run in their places (the sorting window before the fixture window).
    app::RegisterFormMaker(app::FormPlace::RuzeVE, maker("TRuzeVEForm", fixture));
    app::RegisterFormMaker(app::FormPlace::SortMain, maker("TSortMainForm", sort));
    std::unique_ptr<TMainForm> form = app::CreateForms();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(made, (std::vector<std::string>{"TSortMainForm", "TRuzeVEForm"}));
    EXPECT_FALSE(fixture.isNull());
    EXPECT_FALSE(sort.isNull());
    form->FormDestroy(form.get());
    form.reset();
    EXPECT_TRUE(fixture.isNull());
    EXPECT_TRUE(sort.isNull());
}

TEST_F(StartUp, AMakerThatThrowsIsShownAndNothingIsCreated) {
    app::ScopedFormMakers scoped;
    QPointer<QWidget> first;
    app::RegisterFormMaker(app::FormPlace::FlashDetectInfo, [&first](TMainForm&) {
        auto window = std::make_unique<QWidget>();
        first = window.get();
        return window;
    });
    app::RegisterFormMaker(app::FormPlace::About, [](TMainForm&) -> std::unique_ptr<QWidget> {
        throw std::runtime_error("About failed.");
    });
    EXPECT_EQ(app::CreateForms(), nullptr);
    EXPECT_EQ(ui_.Shown().back().text, "About failed.");
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_TRUE(first.isNull());
}

TEST_F(StartUp, AnExceptionOfAHandlerIsShownAndTheWindowGoesOn) {
    TMainForm& w = OpenWindow();
    auto* button = new QPushButton("throw", w.BottomPanel);
    button->setGeometry(0, 0, 40, 20);
    int kind = 0;
    QObject::connect(button, &QPushButton::clicked, [&kind] {
        if (kind == 0) throw std::runtime_error("Handler failed.");
        throw 42;
    });
    auto click = [button] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(button, &press);
        QApplication::sendEvent(button, &release);
    };
    const std::string title = QGuiApplication::applicationDisplayName().toStdString();
    click();
    kind = 1;
    click();
    EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::Message, title, "Handler failed.", BoxIcon::Error},
                                                  {BoxKind::Message, title, "", BoxIcon::Error}}));
    w.RefreshButtonClick(w.RefreshButton);  // the window goes on
    EXPECT_TRUE(trace_.Contains("######### - EnumUSBDevice\r\n"));
}

TEST_F(StartUp, TheDemoBayKeepsStateButTheStationCopyStartsFromFreshDrives) {
    EXPECT_TRUE(InstallStationBay()->KeepsState());
    // A demo station where a person left prepared drives: its copy has the bay without them.
    const fs::path from = station_ / "left";
    WriteText(from / "bay" / "bay.ini", "[Bay]\nKeepState=1\n");
    WriteText(from / "bay" / "state" / "drive1.bin", "kept");
    CopySkipping(from / "bay", station_ / "copy" / "bay", "state");
    EXPECT_TRUE(fs::exists(station_ / "copy" / "bay" / "bay.ini"));
    EXPECT_FALSE(fs::exists(station_ / "copy" / "bay" / "state"));
}

}  // namespace
}  // namespace window_test

namespace window_test {
namespace {

// START's lock shows page 0; the tools' and the poll's lock leave the page in front. Both disable
// the same controls and both releases enable START and Refresh.
TEST_F(StartUp, TheRunLockShowsTheFirstPageOnlyWhenAskedTo) {
    TMainForm& w = OpenWindow();
    AP_INIState.MPVersion = 0;
    w.SettingPageControl->setCurrentIndex(1);
    app::LockForRun(w, true, app::RunLockPage::Keep);
    EXPECT_EQ(w.SettingPageControl->currentIndex(), 1);
    EXPECT_FALSE(w.ExecuteButton->isEnabled());
    EXPECT_FALSE(w.BottomPanel->isEnabled());
    EXPECT_FALSE(w.SettingPageControl->isTabEnabled(1));
    EXPECT_FALSE(w.SettingPageControl->widget(1)->isEnabled()) << "the page in front is greyed";
    app::LockForRun(w, false, app::RunLockPage::Keep);
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
    EXPECT_TRUE(w.SettingPageControl->isTabEnabled(1));
    app::LockForRun(w, true);
    EXPECT_EQ(w.SettingPageControl->currentIndex(), 0);
    app::LockForRun(w, false);
}


// What a `make run` leaves in the demo station's bay (the drives' kept state) is not copied: every
// window test starts from fresh drives.
class StationCopy : public StationWindowTest {
  protected:
    static fs::path State() { return fs::path(QV_DEMO_STATION) / "bay" / "state"; }
    static void SetUpTestSuite() {
        made_ = !fs::exists(State());
        fs::create_directories(State());
        WriteText(State() / "left-by-a-person.txt", "prepared drives\n");
    }
    static void TearDownTestSuite() {
        if (made_) fs::remove_all(State());
    }
    static inline bool made_ = false;
};

TEST_F(StationCopy, LeavesTheBaysKeptStateBehind) {
    ASSERT_TRUE(fs::exists(State() / "left-by-a-person.txt"));
    EXPECT_TRUE(fs::exists(station_ / "bay" / "bay.ini")) << "the rest of the bay is copied";
    EXPECT_FALSE(fs::exists(station_ / "bay" / "state"));
}

}  // namespace
}  // namespace window_test
