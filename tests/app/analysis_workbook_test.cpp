// The analysis export without a window: which entries of a folder are listed, the 21 cells of a
// record, the workbook's name, and the workbook itself read back as the zip archive it is.
#include "app/analysis_workbook.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "platform/trace_sink.h"
#include "support/xlsx_sheet.h"

namespace {

namespace fs = std::filesystem;

tables::DieTestInfo Record(std::uint8_t channel, std::uint8_t bank, std::uint8_t result, const char* serial) {
    tables::DieTestInfo r{};
    r.Channel = channel;
    r.Bank = bank;
    r.LUN = 1;
    r.TotalBadNum = 0x1234;
    r.EraseFailNum = 2;
    r.ProgramFailNum = 3;
    r.ECCFailNum = 4;
    r.FactoryBadNum = 5;
    r.Plane0Num = 5;
    r.Plane1Num = 9;
    r.Plane2Num = 9;
    r.Plane3Num = 2;
    r.TestResult = result;
    r.tErase_SLC = 6;
    r.tErase = 7;
    r.tProg_SLC = 800;
    r.tRead_SLC = 90;
    r.tProg = 1500;
    r.tRead = 65535;
    std::snprintf(r.SerialNum, sizeof r.SerialNum, "%s", serial);
    return r;
}

class AnalysisExport : public ::testing::Test {
  protected:
    AnalysisExport() : folder_(fs::temp_directory_path() / ("qv_analysis_" + std::to_string(::getpid()))) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    ~AnalysisExport() override { fs::remove_all(folder_); }

    std::string Folder() const { return folder_.string() + "/"; }
    std::string Write(const std::string& name, const tables::DieTestInfo& r, std::size_t bytes = 80) {
        std::ofstream out(folder_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&r), static_cast<std::streamsize>(bytes));
        return Folder() + name;
    }
    bool Traced(const std::string& line) const {
        const auto lines = trace_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> Left() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
    platform::TraceCapture trace_;
};

TEST_F(AnalysisExport, ListsBinEntriesOfAnyCaseInNameOrderButHiddenOnes) {
    const tables::DieTestInfo r = Record(0, 0, 0, "SN");
    for (const char* name : {"x.Bin", "ABC.BIN", ".h.bin", "notes.txt", "bin", "a\nb.bin", "y.bin.txt"}) Write(name, r);
    fs::create_directories(folder_ / "d.bin");
    fs::create_directories(folder_ / "sub");
    EXPECT_EQ(app::ListAnalysisFiles(Folder()),
              (std::vector<std::string>{Folder() + "ABC.BIN", Folder() + "d.bin", Folder() + "x.Bin"}));
    EXPECT_TRUE(Traced("[SORT]######## - An analysis file name holds a control character: not listed\n"));
    EXPECT_TRUE(app::ListAnalysisFiles(Folder() + "missing/").empty());
}

TEST_F(AnalysisExport, RecordCellsInColumnOrder) {
    using app::AnalysisCell;
    const auto N = [](double v) { return AnalysisCell{std::nullopt, v}; };
    const app::AnalysisRow failed = app::AnalysisRowOf(Record(3, 2, 0xFF, "QV\xE9-01"));
    EXPECT_EQ(failed, (app::AnalysisRow{AnalysisCell{"QV\xC3\xA9-01", 0},
                                        N(255),
                                        N(3),
                                        N(2),
                                        N(1),
                                        N(0x1234),
                                        N(2),
                                        N(3),
                                        N(4),
                                        N(5),
                                        N(5),
                                        N(9),
                                        N(9),
                                        N(2),
                                        N(9),
                                        N(6),
                                        N(7),
                                        N(800),
                                        N(1500),
                                        N(90),
                                        N(65535)}));
    EXPECT_TRUE(Traced("[SORT]######## - wPlaneMaxBad = 9\n"));

    trace_.Clear();
    tables::DieTestInfo passing = Record(0, 0, 0, "");
    passing.Plane3Num = 9;
    std::memset(passing.SerialNum, 'A', sizeof passing.SerialNum);  // no terminating zero
    const app::AnalysisRow row = app::AnalysisRowOf(passing);
    EXPECT_EQ(row[1], (AnalysisCell{"Pass", 0}));
    EXPECT_EQ(row[14], N(9));
    EXPECT_EQ(row[0].text, std::string(48, 'A'));
    EXPECT_TRUE(trace_.Lines().empty()) << "PlaneMaxBad equal to Plane3Num is not traced";
}

TEST_F(AnalysisExport, WorkbookName) {
    EXPECT_EQ(app::AnalysisWorkbookName("/data/", {2026, 3, 9, 14, 3, 7, 0}), "/data/0309_140307_RDTAnalysis.xlsx");
}

TEST_F(AnalysisExport, WorkbookHeadersWidthsAndOneRowPerFile) {
    const std::vector<std::string> files = {Write("a.bin", Record(1, 0, 0, "SN<&>1")), Folder() + "d.bin",
                                            Write("b.bin", Record(2, 3, 0xFF, "SN2")),
                                            Write("c.bin", Record(0, 0, 0, "SN3"), 79), Folder() + "p.bin"};
    fs::create_directories(folder_ / "d.bin");
    ASSERT_EQ(::mkfifo((folder_ / "p.bin").c_str(), 0600), 0);  // opening it would wait for a writer
    const std::string path = Folder() + "0309_140307_RDTAnalysis.xlsx";
    EXPECT_EQ(app::WriteAnalysisWorkbook(path, files), std::nullopt);
    EXPECT_EQ(Left(),
              (std::vector<std::string>{"0309_140307_RDTAnalysis.xlsx", "a.bin", "b.bin", "c.bin", "d.bin", "p.bin"}));

    const std::optional<xlsx_test::Sheet> sheet = xlsx_test::ReadSheet(path);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->sheets, 1);
    std::map<int, std::string> widths;
    std::map<int, xlsx_test::Cell> header;
    for (int c = 0; c < app::kAnalysisColumnCount; ++c) {
        // Excel's stored width of n characters of the default font: n + 5 pixels of padding at 7 a character.
        const double w = app::kAnalysisColumns[c].width;
        widths[c + 1] =
            (std::ostringstream() << std::setprecision(10) << (static_cast<int>((w * 7 + 5) / 7 * 256) / 256.0)).str();
        header[c + 1] = {true, app::kAnalysisColumns[c].header};
    }
    EXPECT_EQ(sheet->widths, widths);
    EXPECT_EQ(sheet->widths.at(1), "20.7109375");
    ASSERT_EQ(sheet->rows.size(), 3u) << "the header, a.bin and b.bin; the folder and the short file stay empty";
    EXPECT_EQ(sheet->rows.at(1), header);
    const auto T = [](const char* s) { return xlsx_test::Cell{true, s}; };
    const auto N = [](const char* s) { return xlsx_test::Cell{false, s}; };
    EXPECT_EQ(sheet->rows.at(2),
              (std::map<int, xlsx_test::Cell>{
                  {1, T("SN<&>1")}, {2, T("Pass")}, {3, N("1")},     {4, N("0")},  {5, N("1")},  {6, N("4660")},
                  {7, N("2")},      {8, N("3")},    {9, N("4")},     {10, N("5")}, {11, N("5")}, {12, N("9")},
                  {13, N("9")},     {14, N("2")},   {15, N("9")},    {16, N("6")}, {17, N("7")}, {18, N("800")},
                  {19, N("1500")},  {20, N("90")},  {21, N("65535")}}));
    EXPECT_EQ(sheet->rows.at(4).at(1), T("SN2"));
    EXPECT_EQ(sheet->rows.at(4).at(2), N("255"));
    EXPECT_FALSE(sheet->rows.count(3) || sheet->rows.count(5) || sheet->rows.count(6));
    EXPECT_TRUE(Traced("Analysis_ListView->Items(1) = " + Folder() + "d.bin \n"));
    EXPECT_TRUE(Traced("[SORT]######## - " + Folder() + "d.bin is not a file: its row is left empty\n"));
    EXPECT_TRUE(
        Traced("[SORT]######## - " + Folder() + "c.bin holds 79 of the record's 80 bytes: its row is left empty\n"));
    EXPECT_TRUE(Traced("[SORT]######## - Ch = 2, Bank = 3, LUN = 1\n"));
    EXPECT_TRUE(Traced(std::string(130, '*') + " \n"));
}

TEST_F(AnalysisExport, EmptyListAndThreeHundredFiles) {
    const std::string empty = Folder() + "empty.xlsx";
    EXPECT_EQ(app::WriteAnalysisWorkbook(empty, {}), std::nullopt);
    std::optional<xlsx_test::Sheet> sheet = xlsx_test::ReadSheet(empty);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 1u);
    EXPECT_EQ(sheet->rows.at(1).size(), 21u);

    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i) {
        files.push_back(Write("f" + std::to_string(1000 + i) + ".bin",
                              Record(static_cast<std::uint8_t>(i % 8), 0, 0, ("SN" + std::to_string(i)).c_str())));
    }
    const std::string many = Folder() + "many.xlsx";
    EXPECT_EQ(app::WriteAnalysisWorkbook(many, files), std::nullopt);
    sheet = xlsx_test::ReadSheet(many);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->rows.size(), 301u);
    EXPECT_EQ(sheet->rows.at(301).at(1), (xlsx_test::Cell{true, "SN299"}));
}

TEST_F(AnalysisExport, AWorkbookThatCannotBeWrittenLeavesNoFile) {
    const std::string path = Folder() + "gone/0309_140307_RDTAnalysis.xlsx";
    const std::optional<std::string> error = app::WriteAnalysisWorkbook(path, {Write("a.bin", Record(0, 0, 0, "S"))});
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->empty());
    EXPECT_EQ(Left(), (std::vector<std::string>{"a.bin"}));

    // A folder in the way of the final name: the partial file is removed too.
    fs::create_directories(folder_ / "taken.xlsx" / "inside");
    EXPECT_TRUE(app::WriteAnalysisWorkbook(Folder() + "taken.xlsx", {}));
    EXPECT_EQ(Left(), (std::vector<std::string>{"a.bin", "taken.xlsx"}));
}

}  // namespace
