// A SORT run on the demo station's settings with two emulated drives, through to what the main window
// shows of it: START in SORT mode, the sorting firmware's run, the status poll, "Scan Device", a
// result panel's click listing the dies, and "Create RDT Analysis File" over the analysis files the
// fetch wrote: one workbook row per die of both drives.
#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "run_fixture.h"
#include "support/xlsx_sheet.h"

namespace mp_test {
namespace {

class SortResultsE2e : public RunTest {};

TEST_F(SortResultsE2e, StartScanListAndExport) {
    std::string ini = window_test::ReadText(station_ / "RIVIDO.ini");
    ini[ini.find("ToolMode=") + 9] = '1';
    ini[ini.find("DumpRAWFile=") + 12] = '1';
    window_test::WriteText(station_ / "RIVIDO.ini", ini);
    // Drive 2's die on channel 1, CE 1 has four factory-bad blocks.
    std::string bay = BayOfHubs(1, 2, "SortRunMs=0\n");
    bay.insert(bay.find("[Drive2]") + 9, "BadBlocks=1:1:0:600,1:1:0:601,1:1:0:602,1:1:0:603\n");
    InstallBay(bay);
    TMainForm& w = OpenWindow();
    Enumerate();
    ASSERT_EQ(g_nPortConnectedNum, 2);

    w.ExecuteButtonClick(w.ExecuteButton);
    for (int d = 0; d < 2; ++d) ASSERT_EQ(g_DeviceSlots.Read(d).status, "Pass") << d;
    for (int tick = 0; tick < 3 && w.SortStatusTimer->isActive(); ++tick) {
        clock_.Advance(30000);
        w.SortStatusTimerTimer(w.SortStatusTimer);
    }
    EXPECT_FALSE(w.SortStatusTimer->isActive()) << "both drives ended their sorting run";

    w.ScanSortResult_btnClick(w.ScanSortResult_btn);
    ASSERT_TRUE(w.ResultPanel[1]->isEnabled());
    w.ResultPanel1Click(w.ResultPanel[1]);
    ASSERT_EQ(w.Main_BB_ListView->topLevelItemCount(), 8);
    const QTreeWidgetItem* failing = w.Main_BB_ListView->topLevelItem(3);
    EXPECT_EQ((std::vector<std::string>{failing->text(1).toStdString(), failing->text(2).toStdString(),
                                        failing->text(8).toStdString(), failing->text(9).toStdString()}),
              (std::vector<std::string>{"1", "1", "4", "4"}))
        << "channel 1, bank 1: four bad blocks, all factory-bad";

    const std::filesystem::path folder = station_ / "Sorting_Log" / "AnalysisData";
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

}  // namespace
}  // namespace mp_test
