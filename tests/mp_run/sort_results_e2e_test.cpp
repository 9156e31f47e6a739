// A SORT run on the demo station's settings with two emulated drives, through to what the program
// shows of it, its forms made by the program entry's makers: START in SORT mode, the sorting
// firmware's run, the status poll, "Scan Device", a result panel's click listing the dies, each
// drive's Detail button opening the result window (its reports and raw dumps written), Save Log
// adding a run folder, and "Create RDT Analysis File" over the analysis files: one workbook row per
// die of both drives.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

#include "app/program.h"
#include "forms/colours.h"
#include "run_fixture.h"
#include "sorting/sort_main_form.h"
#include "support/xlsx_sheet.h"

namespace mp_test {
namespace {

class SortResultsE2e : public RunTest {
  protected:
    // Without a run folder (Save Log modes 2 and 3) the result window's page dumps go to the working
    // folder: here the station copy, never the folder the tests were started from.
    SortResultsE2e() : started_(std::filesystem::current_path()) { std::filesystem::current_path(station_); }
    ~SortResultsE2e() override { std::filesystem::current_path(started_); }
    // Sets `key` (a whole line's key, found at a line start) to `value` in the station's settings.
    void SetKey(std::string& ini, const std::string& key, const std::string& value) {
        const std::size_t at = ini.find("\n" + key + "=");
        ASSERT_NE(at, std::string::npos) << key;
        const std::size_t from = at + key.size() + 2;
        ini.replace(from, ini.find_first_of("\r\n", from) - from, value);
    }
    // Presses device `d`'s Detail button; `check` runs in the result window it opens, which is then
    // closed through its own close path.
    void Detail(TMainForm& w, int d, const std::function<void(TSortMainForm&)>& check) {
        bool ran = false;
        QTimer::singleShot(0, SortMainForm, [&] {
            ran = true;
            EXPECT_TRUE(SortMainForm->isVisible());
            check(*SortMainForm);
            SortMainForm->close();
        });
        w.EasyResult_btn_00Click(w.EasyResult_btn[d]);
        EXPECT_TRUE(ran) << d;
        EXPECT_FALSE(SortMainForm->isVisible()) << d;
    }
    // Ticks of the status timer on the virtual clock until the poll ends (or `ticks` have passed).
    void PollToTheEnd(TMainForm& w, int ticks) {
        for (int tick = 0; tick < ticks && w.SortStatusTimer->isActive(); ++tick) {
            clock_.Advance(30000);
            w.SortStatusTimerTimer(w.SortStatusTimer);
        }
    }
    // The last cells ("Pass" or "Fail") of the result window's program-time list.
    static std::vector<std::string> ProgramTimeVerdicts(const TSortMainForm& form) {
        std::vector<std::string> verdicts;
        const QTreeWidget* list = form.Tprogram_ListView;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            verdicts.push_back(list->topLevelItem(i)->text(list->columnCount() - 1).toStdString());
        }
        return verdicts;
    }
    static std::vector<std::string> Names(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        if (!std::filesystem::is_directory(folder)) return names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path started_;
};

TEST_F(SortResultsE2e, StartScanDetailSaveAndExport) {
    std::string ini = window_test::ReadText(station_ / "RIVIDO.ini");
    SetKey(ini, "ToolMode", "1");
    SetKey(ini, "RunSortingMode", "1");
    SetKey(ini, "DumpRAWFile", "1");
    SetKey(ini, "DumpDebugFile", "1");
    window_test::WriteText(station_ / "RIVIDO.ini", ini);
    // Drive 2: four factory-bad blocks on channel 1, CE 1; on channel 0, CE 0, 45 blocks of one
    // plane that fail programming and 45 others that cannot be read back, over the run's per-plane
    // limits (40 at the demo station's capacity).
    std::string programFail = "ProgramFail=";
    std::string readUnc = "ReadUnc=";
    for (int k = 0; k < 45; ++k) {
        programFail += (k == 0 ? "" : ",") + std::string("0:0:0:") + std::to_string(100 + 8 * k);
        readUnc += (k == 0 ? "" : ",") + std::string("0:0:0:") + std::to_string(480 + 8 * k) + ":0";
    }
    std::string bay = BayOfHubs(1, 2, "SortRunMs=45000\n");
    bay.insert(bay.find("[Drive2]") + 9,
               "BadBlocks=1:1:0:600,1:1:0:601,1:1:0:602,1:1:0:603\n" + programFail + "\n" + readUnc + "\n");
    InstallBay(bay);
    app::ScopedFormMakers makers;
    app::RegisterFormMaker(app::FormPlace::SortMain, sorting::MakeSortMainForm);
    window_ = app::CreateForms();
    ASSERT_TRUE(window_);
    ASSERT_NE(SortMainForm, nullptr);
    TMainForm& w = *window_;
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 2);

    w.ExecuteButtonClick(w.ExecuteButton);
    for (int d = 0; d < 2; ++d) ASSERT_EQ(g_DeviceSlots.Read(d).status, "Pass") << d;
    // The sorting firmware prepares, then runs for 45 s of the virtual clock; each tick of the status
    // timer shows where the drives are, the window locked while they run.
    ASSERT_TRUE(w.SortStatusTimer->isActive());
    for (int d = 0; d < 2; ++d) EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), "(RDT-In Preparation)") << d;
    clock_.Advance(30000);
    w.SortStatusTimerTimer(w.SortStatusTimer);
    for (int d = 0; d < 2; ++d) EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), "(RDT-Running)") << d;
    EXPECT_FALSE(w.ExecuteButton->isEnabled());
    for (int tick = 0; tick < 3 && w.SortStatusTimer->isActive(); ++tick) {
        clock_.Advance(30000);
        w.SortStatusTimerTimer(w.SortStatusTimer);
    }
    EXPECT_FALSE(w.SortStatusTimer->isActive()) << "both drives ended their sorting run";
    EXPECT_EQ(forms::ColourOf(w.DevicePanel[0]), kColourPass);
    EXPECT_EQ(forms::ColourOf(w.DevicePanel[1]), kColourFail);
    EXPECT_EQ(w.DeviceLabel[0]->text().toStdString(), "(RDT-Done)");
    EXPECT_EQ(w.DeviceLabel[1]->text().toStdString(), "(RDT-Fail)");
    EXPECT_TRUE(w.ExecuteButton->isEnabled()) << "the window is unlocked";

    w.ScanSortResult_btnClick(w.ScanSortResult_btn);
    const int port0 = g_DeviceToPortMap[0];
    const int port1 = g_DeviceToPortMap[1];
    EXPECT_EQ(w.EasyResult_GB[0]->title().toStdString(), "Port:" + std::to_string(port0) + " - Pass!");
    EXPECT_EQ(w.EasyResult_GB[1]->title().toStdString(), "Port:" + std::to_string(port1) + " - Fail!");
    for (int d = 0; d < 2; ++d) EXPECT_EQ(w.EasyResult_Memo[d]->toPlainText().split('\n').size(), 9) << d;
    ASSERT_TRUE(w.ResultPanel[1]->isEnabled());
    w.ResultPanel1Click(w.ResultPanel[1]);
    ASSERT_EQ(w.Main_BB_ListView->topLevelItemCount(), 8);
    const QTreeWidgetItem* failing = w.Main_BB_ListView->topLevelItem(3);
    EXPECT_EQ((std::vector<std::string>{failing->text(1).toStdString(), failing->text(2).toStdString(),
                                        failing->text(8).toStdString(), failing->text(9).toStdString()}),
              (std::vector<std::string>{"1", "1", "4", "4"}))
        << "channel 1, bank 1: four bad blocks, all factory-bad";

    // Detail: the real result window on each drive, its reports written in mode 1.
    const std::filesystem::path root = station_ / "Sorting_Log";
    const std::vector<std::string> before = Names(root);
    for (int d = 0; d < 2; ++d) {
        SCOPED_TRACE(d);
        Detail(w, d, [&](TSortMainForm& form) {
            EXPECT_EQ(form.windowTitle().toStdString(), "Sort Result. Port " + std::to_string(g_DeviceToPortMap[d]));
            QWidget* panel = form.findChild<QWidget*>("SR_Die_Panel_C1B1");
            ASSERT_NE(panel, nullptr);
            EXPECT_FALSE(panel->isHidden());
            EXPECT_EQ(form.TotalResult_Panel->text(), d == 0 ? "Pass" : "Fail");
            EXPECT_EQ(forms::ColourOf(form.TotalResult_Panel), d == 0 ? sorting::kResultGreen : sorting::kResultRed);
            qobject_cast<QPushButton*>(form.findChild<QWidget*>("SR_Die_info_btn_C1B1"))->click();
            EXPECT_TRUE(form.DetailMemo->toPlainText().startsWith("=== CH:01 / BK:01 / Lun:00 ==="));
        });
        clock_.Advance(2000);
    }
    std::vector<std::string> runs;
    for (const std::string& name : Names(root)) {
        if (std::find(before.begin(), before.end(), name) == before.end()) runs.push_back(name);
    }
    ASSERT_EQ(runs.size(), 2u) << "one run folder per opening";
    for (const std::string& run : runs) {
        SCOPED_TRACE(run);
        for (const char* reports : {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock"}) {
            EXPECT_EQ(Names(root / run / reports).size(), 8u) << reports << ": one report per die";
        }
        EXPECT_EQ(Names(root / run / "Die").size(), 8u) << "one raw image per die";
        EXPECT_FALSE(Names(root / run / "RawData").empty()) << "the page dumps";
    }

    // Save Log in mode 2 adds a run folder of its own.
    AP_RDTSet.SaveResultLog = 2;
    Detail(w, 1, [](TSortMainForm& form) {
        ASSERT_TRUE(form.SaveLog_Btn->isVisibleTo(&form));
        form.SaveLog_Btn->click();
    });
    EXPECT_EQ(Names(root).size(), before.size() + 3) << "a second run folder for drive 2";
    const std::vector<std::string> shown = Messages();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Save SortResult Done!"), shown.end());

    const std::filesystem::path folder = root / "AnalysisData";
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder)) files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 16u);
    ui_.AnswerFile(files.front());
    w.CreateRDTAnalysisFile->trigger();
    EXPECT_EQ(w.Analysis_ListView->topLevelItemCount(), 16);
    std::vector<std::string> books;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        if (e.path().extension() == ".xlsx") books.push_back(e.path().string());
    }
    ASSERT_EQ(books.size(), 1u);
    const std::optional<xlsx_test::Sheet> sheet = xlsx_test::ReadSheet(books.front());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 17u) << "the header and one row per die of both drives";
}

// The demo station as shipped, SORT sample settings taken with "Load INI": START ends in the sorting
// firmware, the status poll follows to its end, the password unlocks the result pages, "Scan Device"
// reads every drive's results, Detail
// shows the program-time list inside the sample's limits ("Pass"; drive 2's flash slowed by its bay
// key: "Fail"), Save Log is offered, and "Create RDT Analysis File" exports one row per die.
TEST_F(SortResultsE2e, TheSortSampleOnTheDemoStation) {
    std::string bay = window_test::ReadText(station_ / "bay" / "bay.ini");
    ASSERT_NE(bay.find("[Drive2]\n"), std::string::npos);
    bay.insert(bay.find("[Drive2]\n") + 9, "NandTimeScale=150\n");
    InstallBay(bay);
    app::ScopedFormMakers makers;
    app::RegisterFormMaker(app::FormPlace::SortMain, sorting::MakeSortMainForm);
    window_ = app::CreateForms();
    ASSERT_TRUE(window_);
    TMainForm& w = *window_;
    Enumerate();
    const int drives = g_nPortConnectedNum;
    ASSERT_GE(drives, 8);

    ui_.AnswerFile((station_ / "RIVIDO_SORT.ini").string());
    w.Control<QPushButton>("LoadINIButton")->click();
    ASSERT_EQ(AP_INIState.ToolMode, 1);
    w.ExecuteButtonClick(w.ExecuteButton);
    for (int d = 0; d < drives; ++d) ASSERT_EQ(g_DeviceSlots.Read(d).status, "Pass") << d;
    ASSERT_TRUE(w.SortStatusTimer->isActive()) << "the status poll started";
    PollToTheEnd(w, 10);
    EXPECT_FALSE(w.SortStatusTimer->isActive());
    for (int d = 0; d < drives; ++d) EXPECT_EQ(w.DeviceLabel[d]->text().toStdString(), "(RDT-Done)") << d;
    // "Load INI" locked the settings, and the result pages and menus with them: the operator unlocks.
    EXPECT_FALSE(w.SettingPageControl->isTabEnabled(5));
    ui_.AnswerText(std::string("plirk"));
    w.LockSpeedButton->click();
    ASSERT_TRUE(w.SettingPageControl->isTabEnabled(5)) << "the SORT Result page";

    w.ScanSortResult_btnClick(w.ScanSortResult_btn);
    // The drives' workers make the result folders at once: none reports a folder it could not make.
    for (const std::string& shown : Messages()) EXPECT_EQ(shown.find("Cannot create"), std::string::npos) << shown;
    for (int d = 0; d < drives; ++d) {
        EXPECT_EQ(w.EasyResult_GB[d]->title().toStdString(),
                  "Port:" + std::to_string(g_DeviceToPortMap[d]) + " - Pass!")
            << d;
    }
    for (int d = 0; d < 2; ++d) {
        SCOPED_TRACE(d);
        Detail(w, d, [&](TSortMainForm& form) {
            EXPECT_EQ(ProgramTimeVerdicts(form), std::vector<std::string>(8, d == 0 ? "Pass" : "Fail"));
            EXPECT_TRUE(form.SaveLog_Btn->isVisibleTo(&form));
        });
    }

    const std::filesystem::path folder = station_ / "Sorting_Log" / "AnalysisData";
    const std::vector<std::string> files = Names(folder);
    ASSERT_EQ(files.size(), 8u * static_cast<std::size_t>(drives));
    ui_.AnswerFile((folder / files.front()).string());
    w.CreateRDTAnalysisFile->trigger();
    std::vector<std::string> books;
    for (const std::string& name : Names(folder)) {
        if (std::filesystem::path(name).extension() == ".xlsx") books.push_back(name);
    }
    ASSERT_EQ(books.size(), 1u);
    const std::optional<xlsx_test::Sheet> sheet = xlsx_test::ReadSheet((folder / books.front()).string());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 1u + 8u * static_cast<std::size_t>(drives)) << "the header and one row per die";
}

}  // namespace
}  // namespace mp_test
