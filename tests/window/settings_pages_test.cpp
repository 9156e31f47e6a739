// The settings pages in the window: the sample shown at start, the settings file's failures in
// their order, "Load INI", the flash and Para choice, the clock and TMC choice, the TMC folder
// chooser, the layouts, and a page edit that is not a number at START and at close.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>

#include "app/para_choice.h"
#include "app/settings_tables.h"
#include "app/widget_control_store.h"
#include "forms/controls.h"
#include "forms/ini_file.h"
#include "procedures/step_fail_info.h"
#include "settings/flash_list.h"
#include "support/station_window.h"

namespace window_test {
namespace {

using forms::BoxIcon;
using forms::BoxKind;
using forms::ShownBox;

class SettingsPages : public StationWindowTest {
  protected:
    forms::IniFile Settings() { return forms::IniFile(station_ / "RIVIDO.ini"); }
    QComboBox* Combo(const char* name) { return Window().Control<QComboBox>(name); }
    QLineEdit* Edit(const char* name) { return Window().Control<QLineEdit>(name); }
    std::vector<std::string> ItemsOf(const char* name) {
        std::vector<std::string> items;
        QComboBox* c = Combo(name);
        for (int i = 0; i < c->count(); ++i) items.push_back(c->itemText(i).toStdString());
        return items;
    }
};

TEST_F(SettingsPages, TheWindowStartsWithTheSamplePartShown) {
    TMainForm& w = OpenWindow();
    EXPECT_FALSE(w.TerminateRequested());
    EXPECT_EQ(ItemsOf("FlashVendorComboBox"), (std::vector<std::string>{"Norvale", "Tessaron", "Quilmark"}));
    EXPECT_EQ(Combo("FlashVendorComboBox")->currentIndex(), 0);
    EXPECT_EQ(Combo("FlashTypeComboBox")->currentText().toStdString(), "B27B512G  /  QVB27B512G4P (2CE)");
    const std::string memo = w.Control<QPlainTextEdit>("FlashInfoMemo")->toPlainText().toStdString();
    EXPECT_EQ(memo,
              "Type: TLC, Die/CE: 1\nTotal Block: 2016, Block Page: 2304\nPage Size: 16384\nLDPC Mode: N/A\n"
              "Flash Interface: Toggle 2.0");
    EXPECT_EQ(Combo("ClockComboBox")->currentText().toStdString(), "400");
    EXPECT_EQ(ItemsOf("TMCComboBox"),
              (std::vector<std::string>{"TIMING_SETTING_TYPE_0140000", "TIMING_SETTING_TYPE_0140001"}));
    EXPECT_EQ(Combo("TMCComboBox")->currentIndex(), 0);
    EXPECT_FALSE(Edit("TMCProfileEdit")->text().isEmpty());
    EXPECT_EQ(Edit("ChannelLabeledEdit")->text().toStdString(), "4");
    EXPECT_EQ(Edit("INIFileLabeledEdit")->text().toStdString(), "RIVIDO.ini");
    EXPECT_TRUE(w.ListLayout->isChecked());
    EXPECT_TRUE(w.Full->isChecked());
    EXPECT_TRUE(w.MPT->isChecked());
    EXPECT_EQ(AP_FlashSet.ucPlanes, 4);
    EXPECT_TRUE(ui_.Shown().empty());

    // Every control of the page tables and menus exists exactly once.
    std::vector<const char*> names;
    for (const auto* rows : {&app::MainPageRows(), &app::TestItemsPageRows()}) {
        for (const app::PageRow& r : *rows) names.push_back(r.name);
    }
    for (const char* n : names) EXPECT_EQ(w.findChildren<QWidget*>(n).size(), 1u) << n;
    for (const char* n : {"MPT", "SORT", "ListLayout", "BlockLayout", "Full", "Partial", "SelectTMCfolder"}) {
        EXPECT_EQ(w.findChildren<QAction*>(n).size(), 1u) << n;
    }
    EXPECT_THROW(app::WidgetControlStore(w).Text("NoSuchControl"), std::out_of_range);
    EXPECT_NE(dynamic_cast<forms::LabeledEdit*>(w.Control("DataPathLoopLabeledEdit")), nullptr);
    EXPECT_EQ(Edit("DataPathLoopLabeledEdit")->maxLength(), 5);
}

TEST_F(SettingsPages, ReadIniFailuresInTheirOrderLeaveTheSettingsFile) {
    struct Case {
        const char* what;
        void (*spoil)(const fs::path& station);
        std::string text;
    };
    const Case cases[] = {
        {"flash list missing", [](const fs::path& s) { fs::remove(s / "FlashList.ini"); },
         "Please make sure the flash file FlashList.ini exist!\n"},
        {"flash list malformed",
         [](const fs::path& s) {
             forms::IniFile(s / "FlashList.ini").WriteString("Norvale", "Name001", "B17A512D QV 0 2 12G");
             fs::remove(s / "TMC" / "Default" / "TMC_LGC.ini");
         },
         "Please make sure the flash file FlashList.ini format correct!\n"},
        {"two timing files missing",
         [](const fs::path& s) {
             fs::remove(s / "TMC" / "Default" / "TMC_ONFI4.ini");
             fs::remove(s / "TMC" / "Default" / "TMC_LGC.ini");
         },
         "Please make sure the file \"TMC\\Default\\TMC_LGC.ini\" exist!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.spoil(station_);
        const std::string before = ReadText(station_ / "RIVIDO.ini");
        ui_.Clear();
        TMainForm& w = OpenWindow();
        EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::Message, "Error", c.text, BoxIcon::Error}}));
        EXPECT_TRUE(w.TerminateRequested());
        CloseWindow();
        EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
        EXPECT_TRUE(fs::exists(station_ / "log" / "RAVEZ.log"));
        fs::copy(QV_DEMO_STATION "/FlashList.ini", station_ / "FlashList.ini", fs::copy_options::overwrite_existing);
        fs::copy(QV_DEMO_STATION "/TMC", station_ / "TMC",
                 fs::copy_options::overwrite_existing | fs::copy_options::recursive);
    }
}

TEST_F(SettingsPages, SettingsFileKeysTheWindowReadsItself) {
    forms::IniFile settings = Settings();
    settings.WriteString("Setting", "LogPath", (station_ / "elsewhere").string());
    settings.WriteInteger("RDSetting", "DumpDebugFile", 2);
    std::string text = ReadText(station_ / "RIVIDO.ini");
    text.erase(text.find("DevicePortMap_7=65535"), std::string("DevicePortMap_7=65535\r\n").size());
    WriteText(station_ / "RIVIDO.ini", text);
    TMainForm& w = OpenWindow();
    EXPECT_EQ(w.m_sLogPath, (station_ / "elsewhere").string());
    EXPECT_EQ(g_CustomizePortMap[6], 65535);
    EXPECT_FALSE(fs::exists(station_ / "raw"));
    CloseWindow();
    EXPECT_EQ(Settings().ReadInteger("Setting", "DevicePortMap_7", -1), 65535);
    Settings().WriteString("Setting", "LogPath", "log");
    Settings().WriteInteger("RDSetting", "DumpDebugFile", 1);
    TMainForm& again = OpenWindow();
    EXPECT_EQ(again.m_sLogPath, (station_ / "log").string());
    EXPECT_TRUE(fs::is_directory(station_ / "raw"));
}

TEST_F(SettingsPages, TheSampleSettingsRoundTripByteForByte) {
    const std::string before = ReadText(station_ / "RIVIDO.ini");
    OpenWindow();
    CloseWindow();
    EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
    // The SORT sample, loaded with "Load INI", is the file written back.
    const std::string sort = ReadText(station_ / "RIVIDO_SORT.ini");
    TMainForm& w = OpenWindow();
    ui_.AnswerFile((station_ / "RIVIDO_SORT.ini").string());
    w.Control<QPushButton>("LoadINIButton")->click();
    EXPECT_EQ(AP_INIState.ToolMode, 1);
    EXPECT_EQ(ui_.Shown().size(), 1u) << "the dialog only";
    CloseWindow();
    EXPECT_EQ(ReadText(station_ / "RIVIDO_SORT.ini"), sort);
    EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
}

TEST_F(SettingsPages, LoadIniRefusesTheFlashListAndLocksAfterAValidFile) {
    TMainForm& w = OpenWindow();
    ui_.AnswerFile((station_ / "sub" / "flashlist.INI").string());
    w.Control<QPushButton>("LoadINIButton")->click();
    EXPECT_EQ(ui_.Shown().back().text,
              "The file is a setting file for flash, please choose a correct setting file for MP tool!");
    EXPECT_EQ(w.m_sIniFile, (station_ / "RIVIDO.ini").string());

    const fs::path other = station_ / "other.ini";
    fs::copy(station_ / "RIVIDO.ini", other);
    forms::IniFile(other).WriteInteger("FlashSetting", "Clock", 200);
    forms::IniFile(other).WriteInteger("TestItems", "EnCheckSRAM", 0);
    ui_.Clear();
    ui_.AnswerFile(other.string());
    w.Control<QPushButton>("LoadINIButton")->click();
    EXPECT_EQ(ui_.Shown().size(), 1u);  // the dialog only
    EXPECT_EQ(ui_.Shown()[0].defaultText, station_.string());
    EXPECT_EQ(w.m_sIniFile, other.string());
    EXPECT_EQ(Combo("ClockComboBox")->currentText().toStdString(), "200");
    EXPECT_FALSE(w.Control<QCheckBox>("CheckSRAMCheckBox")->isChecked());
    EXPECT_EQ(Edit("INIFileLabeledEdit")->text().toStdString(), "other.ini");
    EXPECT_EQ(AP_INIState.MPVersion, 1);
    EXPECT_FALSE(w.SettingPageControl->isTabEnabled(1));
}

// The lock that ends "Load INI" greys the pages but leaves the one in front where the operator had
// it, and so does the unlock; only a page of the other tool mode, which stays off even unlocked,
// gives way to the Main Page.
TEST_F(SettingsPages, LoadIniAndItsLockKeepThePageInFront) {
    struct Case {
        const char* name;
        int startMode;  // [Setting] ToolMode the window starts with
        int front;      // the page in front when "Load INI" is pressed
        int fileMode;   // ToolMode of the file loaded
        int want;       // the page in front afterwards, locked and unlocked
    };
    const Case cases[] = {
        {"Main Page", 0, 0, 0, 0},
        {"Device Setting", 0, 2, 0, 2},
        {"SORT Result", 0, 5, 0, 5},
        {"SYS FW Setting, a SORT file", 0, 3, 1, 0},
        {"SORT FW Setting, an MP file", 1, 4, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().WriteInteger("Setting", "ToolMode", c.startMode);
        TMainForm& w = OpenWindow();
        w.SettingPageControl->setCurrentIndex(c.front);
        ASSERT_EQ(w.SettingPageControl->currentIndex(), c.front);
        const fs::path other = station_ / "other.ini";
        fs::copy_file(station_ / "RIVIDO.ini", other, fs::copy_options::overwrite_existing);
        forms::IniFile(other).WriteInteger("Setting", "ToolMode", c.fileMode);
        ui_.AnswerFile(other.string());
        w.LoadINIButtonClick(w.Control<QPushButton>("LoadINIButton"));
        ASSERT_EQ(AP_INIState.MPVersion, 1);
        EXPECT_EQ(w.SettingPageControl->currentIndex(), c.want);
        ui_.AnswerText("plirk");
        w.LockSpeedButton->click();
        ASSERT_EQ(AP_INIState.MPVersion, 0);
        EXPECT_EQ(w.SettingPageControl->currentIndex(), c.want);
        CloseWindow();
    }
}

// After "Load INI" the test-item switches follow the rebuilt list: in MP mode a file with Preformat
// selected and Download not gets Download selected, in the list and in the switch a run reads.
TEST_F(SettingsPages, LoadIniTakesTheTestItemsFromTheRebuiltList) {
    TMainForm& w = OpenWindow();
    const fs::path other = station_ / "other.ini";
    fs::copy(station_ / "RIVIDO.ini", other);
    forms::IniFile(other).WriteInteger("Setting", "ToolMode", 0);
    forms::IniFile(other).WriteInteger("TestItems", "EnPreFormat", 1);
    forms::IniFile(other).WriteInteger("TestItems", "EnDownload", 0);
    ui_.AnswerFile(other.string());
    w.LoadINIButtonClick(w.Control<QPushButton>("LoadINIButton"));
    int download = -1;
    for (int i = 0; i < w.FunCheckListBox->Count(); ++i) {
        if (w.FunCheckListBox->ItemText(i) == "Download") download = i;
    }
    ASSERT_GE(download, 0);
    EXPECT_TRUE(w.FunCheckListBox->Checked(download));
    EXPECT_EQ(AP_INIState.dwItemEnable[step_fail::kItemDownload], 1);
    EXPECT_EQ(AP_INIState.dwItemEnable[step_fail::kItemPreformat], 1);
}

// [FlashSetting] ExtFlashFile names a file below the program folder whatever it begins with: a list
// elsewhere is never loaded, and the message names the value as the file holds it.
TEST_F(SettingsPages, TheFlashListIsAlwaysTakenBelowTheProgramFolder) {
    const fs::path outside = station_.parent_path() / (station_.filename().string() + "_outside");
    fs::remove_all(outside);
    fs::create_directories(outside);
    fs::copy(station_ / "FlashList.ini", outside / "FlashList.ini");
    struct Case {
        std::string value;
        bool loads;  // the station's own list
    };
    const Case cases[] = {
        {"/FlashList.ini", true},
        {"\\FlashList.ini", true},
        {(outside / "FlashList.ini").string(), false},
        {"../" + outside.filename().string() + "/FlashList.ini", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Settings().WriteString("FlashSetting", "ExtFlashFile", c.value);
        ui_.Clear();
        TMainForm& w = OpenWindow();
        if (c.loads) {
            EXPECT_TRUE(ui_.Shown().empty());
            EXPECT_FALSE(w.TerminateRequested());
            EXPECT_EQ(w.m_sFlashFile, (station_ / "FlashList.ini").string());
        } else {
            EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::Message, "Error",
                                                           "Please make sure the flash file " + c.value + " exist!\n",
                                                           BoxIcon::Error}}));
            EXPECT_TRUE(w.TerminateRequested());
        }
        CloseWindow();
    }
    fs::remove_all(outside);
}

TEST_F(SettingsPages, AVendorChangeSelectsItsFirstPartAndTheFirstTiming) {
    TMainForm& w = OpenWindow();
    QComboBox* vendor = Combo("FlashVendorComboBox");
    vendor->setCurrentIndex(1);
    emit vendor->activated(1);
    EXPECT_EQ(ItemsOf("FlashTypeComboBox"),
              (std::vector<std::string>{"B16A512T  /  TSB16A512T2P (2CE)", "B0KB512N  /  TSB0KB512N2P (1CE)"}));
    EXPECT_EQ(Combo("FlashTypeComboBox")->currentIndex(), 0);
    EXPECT_STREQ(AP_INIState.FlashUniName, "B16A512T");
    EXPECT_EQ(AP_FlashSet.ucFlashInterface, 9);
    EXPECT_EQ(w.m_sInitTmcFile, (station_ / "TMC" / "Default" / "TMC_LGC.ini").string());
    EXPECT_EQ(w.m_sBestTmcFile, (station_ / "TMC" / "Default" / "TMC_L2T2.ini").string());
    EXPECT_EQ(Combo("TMCComboBox")->currentIndex(), 0);

    // No vendor: its message and an empty list.
    vendor->setCurrentIndex(-1);
    ui_.Clear();
    w.UpdateFlashList(nullptr);
    EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::PlainMessage, "", "Please select a valid Flash Vendor!"}}));
    EXPECT_EQ(Combo("FlashTypeComboBox")->count(), 0);
}

// Every vendor and every part of the sample list, chosen as the operator chooses them, and the
// sample part chosen back: no box, and the capacity shown is the one accepted.
TEST_F(SettingsPages, EveryPartOfTheSampleListIsChosenWithoutABox) {
    OpenWindow();
    QComboBox* vendor = Combo("FlashVendorComboBox");
    QComboBox* type = Combo("FlashTypeComboBox");
    ui_.Clear();
    int parts = 0;
    for (int v = 0; v < vendor->count(); ++v) {
        vendor->setCurrentIndex(v);
        emit vendor->activated(v);
        for (int p = 0; p < type->count(); ++p) {
            const std::string part = type->itemText(p).toStdString();
            SCOPED_TRACE(part);
            type->setCurrentIndex(p);
            emit type->activated(p);
            ++parts;
            EXPECT_EQ(part.substr(0, part.find(' ')), AP_INIState.FlashUniName);
            EXPECT_TRUE(ui_.Shown().empty()) << ui_.Shown().front().text;
            EXPECT_EQ(Edit("Capacity1024LabeledEdit")->text().toStdString(),
                      Edit("IDEMACapacityLabeledEdit")->text().toStdString());
            ui_.Clear();
        }
    }
    EXPECT_EQ(parts, 6);
    vendor->setCurrentIndex(0);
    emit vendor->activated(0);
    EXPECT_TRUE(ui_.Shown().empty());
    EXPECT_STREQ(AP_INIState.FlashUniName, "B27B512G");
}

TEST_F(SettingsPages, TheTimingFilesFollowThePartsInterface) {
    TMainForm& w = OpenWindow();
    const fs::path tmc = station_ / "TMC" / "Default";
    struct Case {
        const char* part;
        std::uint8_t iface;
        const char* init;
        const char* best;
    };
    for (const Case& c : {Case{"B0KB512N", 8, "TMC_LGC.ini", "TMC_ONFI3.ini"},
                          Case{"L06B512Q", 10, "TMC_ONFI4.ini", "TMC_ONFI4.ini"}}) {
        std::strcpy(AP_INIState.FlashUniName, c.part);
        w.ChangeGlobalParameter();
        EXPECT_EQ(AP_FlashSet.ucFlashInterface, c.iface);
        EXPECT_EQ(w.m_sInitTmcFile, (tmc / c.init).string()) << c.part;
        EXPECT_EQ(w.m_sBestTmcFile, (tmc / c.best).string()) << c.part;
    }
    // An ONFI 2.X part keeps both files of the part before it.
    g_FlashRecord[5].ucFlashInterface = 2;
    std::strcpy(AP_INIState.FlashUniName, g_FlashRecord[5].FlashUniName);
    w.ChangeGlobalParameter();
    EXPECT_EQ(w.m_sInitTmcFile, (tmc / "TMC_ONFI4.ini").string());
    EXPECT_EQ(w.m_sBestTmcFile, (tmc / "TMC_ONFI4.ini").string());
}

TEST_F(SettingsPages, ParaFileFallsBackAndReportsWhatItCannotRead) {
    OpenWindow();
    std::strcpy(AP_INIState.ExtParaFile, "Missing.ini");
    ui_.Clear();
    app::LoadParaFile();
    EXPECT_TRUE(ui_.Shown().empty());
    fs::rename(station_ / "PARA" / "Para_NULL.ini", station_ / "PARA" / "gone.ini");
    app::LoadParaFile();
    EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{
                               {BoxKind::Message, "Error", "Please make sure the file Missing.ini exist!\n", BoxIcon::Error},
                               {BoxKind::PlainMessage, "", "Please check Para.ini(18)"}}));
    ui_.Clear();
    WriteText(station_ / "PARA" / "One.ini", "[PARA_1]\nCAPACITY=32\n");
    std::strcpy(AP_INIState.ExtParaFile, "One.ini");
    AP_INIState.bDieNumCount = 8;
    app::LoadParaFile();
    EXPECT_EQ(ui_.Shown(),
              (std::vector<ShownBox>{{BoxKind::PlainMessage, "", "Please check Para.ini\nDie count is mismatch!"}}));
}

TEST_F(SettingsPages, LoadParaKeepsTheChosenNameAndRefusesTheFlashList) {
    TMainForm& w = OpenWindow();
    ui_.AnswerFile((station_ / "FLASHLIST.ini").string());
    w.LoadParaIniButtonClick(nullptr);
    EXPECT_STREQ(AP_INIState.ExtParaFile, "Para_B27B.ini");
    ui_.Clear();
    ui_.AnswerFile("/somewhere/else/Para_B27B_VD.ini");
    w.LoadParaIniButtonClick(nullptr);
    EXPECT_STREQ(AP_INIState.ExtParaFile, "Para_B27B_VD.ini");
    EXPECT_EQ(ui_.Shown().size(), 1u);  // the dialog: the file is found in PARA
    EXPECT_TRUE(trace_.Contains("ParaFile = Para_B27B_VD.ini \n"));
}

TEST_F(SettingsPages, AMissingTimingSectionFallsBackOnceTo200MHz) {
    const auto hide = [this](const std::string& section) {
        std::string tgl = ReadText(station_ / "TMC" / "Default" / "TMC_TGL2.ini");
        tgl.replace(tgl.find("[" + section + "]"), section.size() + 2, "[UNUSED_" + section + "]");
        WriteText(station_ / "TMC" / "Default" / "TMC_TGL2.ini", tgl);
    };
    hide("TIMING_SETTING_TYPE_0133300");
    TMainForm& w = OpenWindow();
    // 333 MHz has no Toggle section: the fall-back to 200 MHz, profile 0.
    QComboBox* clock = Combo("ClockComboBox");
    clock->setCurrentIndex(4);
    emit clock->activated(4);
    EXPECT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, "TIMING_SETTING_TYPE_0133300 can't be found!\r\n Reset to default setting.");
    EXPECT_EQ(AP_INIState.Clock, 200);
    EXPECT_EQ(clock->currentIndex(), 2);
    EXPECT_EQ(ItemsOf("TMCComboBox").front(), "TIMING_SETTING_TYPE_0120000");
    // With the 200 MHz section gone as well: one more message, and the clock stays 200.
    hide("TIMING_SETTING_TYPE_0120000");
    ui_.Clear();
    clock->setCurrentIndex(4);
    emit clock->activated(4);
    EXPECT_EQ(ui_.Shown().size(), 2u);
    EXPECT_EQ(AP_INIState.Clock, 200);
    (void)w;
}

TEST_F(SettingsPages, TheTmcFolderChooserListsFoldersAndSetsTheOneClicked) {
    fs::rename(station_ / "TMC" / "Default", station_ / "TMC" / "B");
    fs::copy(station_ / "TMC" / "B", station_ / "TMC" / "A", fs::copy_options::recursive);
    Settings().WriteString("Setting", "TMCFolder", "B");
    TMainForm& w = OpenWindow();
    ASSERT_EQ(w.TMCFolderRadioButton.size(), 2u);
    EXPECT_EQ(w.TMCFolderForm->height(), 90);
    EXPECT_EQ(w.TMCFolderForm->width(), 250);
    EXPECT_TRUE(w.TMCFolderForm->isHidden());
    EXPECT_EQ(w.TMCFolderRadioButton[0]->text().toStdString(), "A");
    EXPECT_FALSE(w.TMCFolderRadioButton[0]->isChecked());
    EXPECT_TRUE(w.TMCFolderRadioButton[1]->isChecked());
    EXPECT_EQ(w.TMCFolderRadioButton[1]->objectName().toStdString(), "TMCFolderRadioButton1");
    w.TMCFolderRadioButton[0]->click();
    EXPECT_STREQ(AP_INIState.TMCFolder, "A");
    EXPECT_EQ(w.m_sBestTmcFile, (station_ / "TMC" / "A" / "TMC_TGL2.ini").string());
    EXPECT_TRUE(trace_.Contains("######### - AP_INIState.TMCFolder is A\n"));
}

TEST_F(SettingsPages, FortyFoldersListThirtyTwo) {
    for (int i = 0; i < 40; ++i) fs::create_directories(station_ / "TMC" / ("F" + std::to_string(100 + i)));
    TMainForm& w = OpenWindow();
    EXPECT_EQ(w.TMCFolderRadioButton.size(), 32u);
    EXPECT_TRUE(trace_.Contains("######### - Number of TMC folder is meet 32(Maximun)!\n"));
}

TEST_F(SettingsPages, PanelLayoutsAndWindowSizes) {
    TMainForm& w = OpenWindow();
    w.BlockLayout->trigger();
    EXPECT_EQ(w.DevicePanel[11]->geometry(), QRect(741, 208, 247, 104));
    EXPECT_EQ(w.CFTButton[11]->pos(), QPoint(140, 78));
    EXPECT_TRUE(w.BlockLayout->isChecked());
    EXPECT_FALSE(w.ListLayout->isChecked());
    EXPECT_EQ(AP_INIState.DevicePanelStyle, 1);
    w.ListLayout->trigger();
    EXPECT_EQ(w.DevicePanel[11]->geometry(), QRect(0, 286, 990, 26));
    EXPECT_EQ(w.SNLabeledEdit[11]->pos(), QPoint(380, 2));
    w.Partial->trigger();
    EXPECT_EQ(w.height(), 603);
    EXPECT_EQ(w.StyleScrollBox->y(), 3);
    EXPECT_TRUE(w.Partial->isChecked());
    EXPECT_FALSE(w.Full->isChecked());
    EXPECT_EQ(AP_INIState.WindowSizeMode, 1);
    w.Full->trigger();
    EXPECT_EQ(w.height(), 707);
    EXPECT_EQ(w.StyleScrollBox->y(), 113);
    EXPECT_TRUE(trace_.Contains("######### - PartialClick\n"));
    EXPECT_TRUE(trace_.Contains("######### - FullClick\n"));
}

TEST_F(SettingsPages, ANonNumberInAPageEditRefusesStartAndLeavesTheSettingsFileAtClose) {
    InstallBay(BayOfHubs(1, 1));
    const std::string before = ReadText(station_ / "RIVIDO.ini");
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_TRUE(w.ExecuteButton->isEnabled());
    Edit("DataPathLoopLabeledEdit")->setText("9x");
    ui_.Clear();
    w.ExecuteButton->click();
    EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::Message, app::kToolName,
                                                   "'9x' is not a valid integer value", BoxIcon::Error}}));
    EXPECT_EQ(w.m_bRunning, 0);
    EXPECT_TRUE(w.ExecuteButton->isEnabled());
    EXPECT_TRUE(w.SettingPageControl->isTabEnabled(1));
    EXPECT_FALSE(trace_.Contains("DeviceMPThread"));
    fs::remove(station_ / "log" / "RAVEZ.log");
    CloseWindow();
    EXPECT_EQ(ReadText(station_ / "RIVIDO.ini"), before);
    EXPECT_TRUE(fs::exists(station_ / "log" / "RAVEZ.log"));
}

TEST_F(SettingsPages, AnEmptyEditOfTheTestItemsPageRefusesStartWhicheverPageIsInFront) {
    InstallBay(BayOfHubs(1, 1));
    TMainForm& w = OpenWindow();
    Enumerate();
    auto* group = w.Control<QGroupBox>("FlashInterfaceGroupBox");
    auto* edit = new forms::LabeledEdit(group);
    edit->SetCaption("Model Number");
    for (int page : {0, 1}) {
        w.SettingPageControl->setCurrentIndex(page);
        ui_.Clear();
        w.ExecuteButton->click();
        EXPECT_EQ(ui_.Shown(), (std::vector<ShownBox>{{BoxKind::PlainMessage, "", "Model Number is empty!"}})) << page;
    }
    group->hide();  // a group the program hid does not count
    ui_.Clear();
    w.ExecuteButton->click();
    EXPECT_TRUE(ui_.Shown().empty() || ui_.Shown()[0].text != "Model Number is empty!");
}

}  // namespace
}  // namespace window_test
