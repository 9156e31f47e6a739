// "Tools" > "Create RDT Analysis File" on a folder made by the test: the open dialog, the listing on
// the "Analysis Data" tab and in the list memo, the workbook in the chosen folder (read back as the
// zip archive it is), the lock, a cancelled dialog and a workbook that cannot be written.
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "support/station_window.h"
#include "support/xlsx_sheet.h"
#include "tables/sort_result_pages.h"

namespace window_test {
namespace {

std::vector<std::string> Lines(const QPlainTextEdit* memo) {
    std::vector<std::string> lines;
    if (memo->toPlainText().isEmpty()) return lines;
    for (const QString& l : memo->toPlainText().split('\n')) lines.push_back(l.toStdString());
    return lines;
}

std::vector<std::pair<std::string, std::string>> ListRows(const QTreeWidget* list) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows.push_back({list->topLevelItem(i)->text(0).toStdString(), list->topLevelItem(i)->text(1).toStdString()});
    }
    return rows;
}

class AnalysisMenu : public StationWindowTest {
  protected:
    AnalysisMenu() : w_(OpenWindow()), folder_(station_ / "Sorting_Log" / "AnalysisData") {
        fs::create_directories(folder_);
        clock_.SetLocal({2026, 3, 9, 14, 3, 7, 0});
    }
    std::string Folder() const { return folder_.string() + "/"; }
    void Record(const std::string& name, std::uint8_t result, int bytes = 80) {
        tables::DieTestInfo r{};
        r.TestResult = result;
        r.Plane1Num = 7;
        std::snprintf(r.SerialNum, sizeof r.SerialNum, "SN-%s", name.c_str());
        std::ofstream(folder_ / name, std::ios::binary).write(reinterpret_cast<const char*>(&r), bytes);
    }
    // Runs the menu item with `answer` as the operator's pick; whether the window was locked while
    // the handler ran.
    bool Run(std::optional<std::string> answer) {
        ui_.AnswerFile(std::move(answer));
        bool locked = false;
        QTimer::singleShot(0, &w_, [&] { locked = !w_.RefreshButton->isEnabled() && !w_.ExecuteButton->isEnabled(); });
        w_.CreateRDTAnalysisFile->trigger();
        return locked;
    }
    bool Traced(const std::string& line) const {
        const auto lines = trace_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    TMainForm& w_;
    fs::path folder_;
};

TEST_F(AnalysisMenu, ListsTheFolderAndWritesItsWorkbook) {
    Record("x.Bin", 0);
    Record("ABC.BIN", 0xFF);
    Record(".h.bin", 0);
    Record("notes.txt", 0);
    fs::create_directories(folder_ / "d.bin");
    w_.RefreshButton->setEnabled(true);
    const std::uint64_t start = clock_.NowMs();

    EXPECT_TRUE(Run(Folder() + "x.Bin"));
    EXPECT_GE(clock_.NowMs() - start, 1000u);
    EXPECT_TRUE(w_.RefreshButton->isEnabled()) << "unlocked at the end";
    const std::vector<forms::ShownBox> shown = ui_.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, forms::BoxKind::OpenFile);
    EXPECT_EQ(shown[0].text, "BIN file(*.bin)|*.bin");
    EXPECT_EQ(shown[0].defaultText, station_.string()) << "the program folder first";

    const std::vector<std::string> paths = {Folder() + "ABC.BIN", Folder() + "d.bin", Folder() + "x.Bin"};
    EXPECT_EQ(ListRows(w_.Analysis_ListView),
              (std::vector<std::pair<std::string, std::string>>{{"1", paths[0]}, {"2", paths[1]}, {"3", paths[2]}}));
    EXPECT_EQ(Lines(w_.RDTAnalysis_Memo), paths);
    const std::string book = Folder() + "0309_140307_RDTAnalysis.xlsx";
    for (const std::string& line :
         {"######### - asBinFileName is " + paths[2] + "\n", "######### - asRawFilePath is " + Folder() + "\n",
          std::string("AnalysisFile Num = 3 \n"), "1.Analysis_ListView->Items(0) = " + paths[0] + " \n",
          "ucRawFileNum = 3 , Excelname = " + book + " \n"}) {
        EXPECT_TRUE(Traced(line)) << line;
    }
    std::optional<xlsx_test::Sheet> sheet = xlsx_test::ReadSheet(book);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(sheet->rows.size(), 3u) << "the header, ABC.BIN and x.Bin; the folder d.bin leaves row 3 empty";
    EXPECT_EQ(sheet->rows.at(1).at(1), (xlsx_test::Cell{true, "SN."}));
    EXPECT_EQ(sheet->rows.at(2).at(1), (xlsx_test::Cell{true, "SN-ABC.BIN"}));
    EXPECT_EQ(sheet->rows.at(2).at(2), (xlsx_test::Cell{false, "255"}));
    EXPECT_EQ(sheet->rows.at(4).at(2), (xlsx_test::Cell{true, "Pass"}));
    EXPECT_EQ(sheet->rows.at(4).at(15), (xlsx_test::Cell{false, "7"}));

    // A second load appends to the list, starts the memo again, and its workbook covers it alone;
    // the dialog starts in the folder picked last.
    Record("y.bin", 0);
    ui_.Clear();
    w_.Main_debugMemo->setPlainText("old");
    Run(Folder() + "y.bin");
    EXPECT_EQ(ui_.Shown().at(0).defaultText, Folder());
    const auto rows = ListRows(w_.Analysis_ListView);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[3], (std::pair<std::string, std::string>{"1", paths[0]}));
    EXPECT_EQ(rows[6], (std::pair<std::string, std::string>{"4", Folder() + "y.bin"}));
    EXPECT_EQ(Lines(w_.RDTAnalysis_Memo).size(), 4u);
    EXPECT_TRUE(Lines(w_.Main_debugMemo).empty());
    sheet = xlsx_test::ReadSheet(Folder() + "0309_140308_RDTAnalysis.xlsx");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 4u);
    EXPECT_EQ(sheet->rows.at(5).at(1), (xlsx_test::Cell{true, "SN-y.bin"}));
}

TEST_F(AnalysisMenu, ACancelledDialogExportsNothingAndUnlocksAfterTheWait) {
    Record("a.bin", 0);
    w_.RefreshButton->setEnabled(true);
    const std::uint64_t start = clock_.NowMs();
    EXPECT_TRUE(Run(std::nullopt));
    EXPECT_GE(clock_.NowMs() - start, 1000u);
    EXPECT_TRUE(w_.RefreshButton->isEnabled());
    EXPECT_EQ(w_.Analysis_ListView->topLevelItemCount(), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 1);
}

TEST_F(AnalysisMenu, AnEmptyFolderAndThreeHundredFiles) {
    Run(Folder() + "none.bin");
    std::optional<xlsx_test::Sheet> sheet = xlsx_test::ReadSheet(Folder() + "0309_140307_RDTAnalysis.xlsx");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 1u) << "the header row only";
    EXPECT_TRUE(Traced("AnalysisFile Num = 0 \n"));

    for (int i = 0; i < 300; ++i) Record("r" + std::to_string(100 + i) + ".bin", 0);
    Run(Folder() + "r100.bin");
    sheet = xlsx_test::ReadSheet(Folder() + "0309_140308_RDTAnalysis.xlsx");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 301u) << "no one-byte count";
    EXPECT_EQ(sheet->rows.at(301).at(1), (xlsx_test::Cell{true, "SN-r399.bin"}));
}

TEST_F(AnalysisMenu, AWorkbookThatCannotBeWrittenIsReportedAndLeavesNoFile) {
    Record("a.bin", 0);
    fs::create_directories(folder_ / "0309_140307_RDTAnalysis.xlsx" / "in_the_way");
    w_.RefreshButton->setEnabled(true);
    Run(Folder() + "a.bin");
    const std::vector<forms::ShownBox> shown = ui_.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].kind, forms::BoxKind::Message);
    EXPECT_EQ(shown[1].title, "Error");
    EXPECT_EQ(
        shown[1].text.rfind("Cannot write the analysis workbook \"" + Folder() + "0309_140307_RDTAnalysis.xlsx\": ", 0),
        0u)
        << shown[1].text;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder_)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"0309_140307_RDTAnalysis.xlsx", "a.bin"}));
    EXPECT_TRUE(fs::is_directory(folder_ / "0309_140307_RDTAnalysis.xlsx"));
    EXPECT_TRUE(w_.RefreshButton->isEnabled()) << "the lock is released after a failed export";
}

}  // namespace
}  // namespace window_test
