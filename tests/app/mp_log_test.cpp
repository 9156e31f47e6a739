// The MP log: picking the file, the header and rows byte for byte, roll-over, never truncating.
#include "app/mp_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/mp_item_table.h"
#include "forms/scripted_ui_port.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

class MpLog : public ::testing::Test {
  protected:
    MpLog() : folder_(fs::temp_directory_path() / ("qv_mplog_" + std::to_string(::getpid()))) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    ~MpLog() override { fs::remove_all(folder_); }
    fs::path File(int index) const {
        char name[32];
        std::snprintf(name, sizeof name, "20260704_%03d.txt", index);
        return folder_ / name;
    }
    const platform::LocalTime date_{2026, 7, 4, 13, 5, 9, 0};
    fs::path folder_;
};

TEST(MpItemTable, RowsAndLookups) {
    EXPECT_EQ(sizeof(MPItemRecord), 86u);
    for (int id = 0; id < kMPItemCount; ++id) EXPECT_EQ(g_MPItemTable[id].wItemID, id);
    EXPECT_STREQ(g_MPItemTable[1].sCode, "M00");
    EXPECT_STREQ(g_MPItemTable[30].sLogTitle, "QC Check Table\t");
    EXPECT_STREQ(g_MPItemTable[38].sFailText, "Timeout");
    EXPECT_STREQ(g_MPItemTable[95].sCode, "S00");
    EXPECT_EQ(FindTestItem("Preformat"), 7);
    EXPECT_EQ(FindTestItem("Sort Connection Mode"), 12);
    EXPECT_EQ(FindTestItem("Check Pair-Page"), -1);  // rows past 35 are no test items
    EXPECT_STREQ(ItemStateText(-1), "Fail");
    EXPECT_STREQ(ItemStateText(0), "----");
    EXPECT_STREQ(ItemStateText(1), "Pass");
    EXPECT_STREQ(ItemStateText(3), "");
}

TEST_F(MpLog, PickingTheFile) {
    EXPECT_EQ(app::PickMpLogFile(folder_, date_).m_sLogFile, File(0).string());
    for (int i = 0; i <= 4; ++i) Write(File(i), "x");
    Write(File(4), std::string(82999, 'x'));
    app::MpLogFile log = app::PickMpLogFile(folder_, date_);
    EXPECT_EQ(log.m_nLogIndex, 4);
    EXPECT_EQ(log.m_sLogFile, File(4).string());
    Write(File(4), std::string(83000, 'x'));
    log = app::PickMpLogFile(folder_, date_);
    EXPECT_EQ(log.m_nLogIndex, 5);
    EXPECT_EQ(log.m_sLogFile, File(5).string());
    EXPECT_EQ(log.m_nLogSizeLimit, 83000u);
}

TEST_F(MpLog, ARelativeLogFolderLiesUnderTheProgramFolder) {
    const fs::path savedProgram = platform::ProgramFolder();
    platform::SetProgramFolder(folder_ / "station");
    const std::pair<const char*, fs::path> cases[] = {
        {"mylogs\\day", folder_ / "station" / "mylogs/day"},
        {"C:\\tools\\log\\", folder_ / "station" / "C:/tools/log/"},
        {"/var/log/qv", "/var/log/qv"},
    };
    for (const auto& [setting, folder] : cases) EXPECT_EQ(app::LogFolderPath(setting), folder) << setting;
    platform::SetProgramFolder(savedProgram);
}

TEST_F(MpLog, HeaderAndRowsByteForByte) {
    PortDevInfo passed{}, stopped{}, early{}, sorting{};
    passed.iStatus = 1;
    for (int id : {1, 3, 7, 8}) passed.iItemState[id] = 1;
    stopped.iStatus = -1;  // stopped while pre-formatting: that item becomes the failing one
    stopped.iFailItem = 95;
    stopped.iItemState[1] = stopped.iItemState[3] = 1;
    stopped.iItemState[7] = 2;
    early.iStatus = -1;  // failed before any step: no code
    sorting.iStatus = 1;
    sorting.iItemState[12] = 3;

    app::MpLogRun run;
    run.items = {"Flash Module", "Bus Interface", "Preformat", "Download", "Sort Connection Mode"};
    run.totalTestCount = 10;
    run.connectedCount = 4;
    const platform::LocalTime start{2026, 7, 4, 13, 10, 0, 0}, end{2026, 7, 4, 13, 12, 30, 0};
    run.rows = {{3, start, end, "SN01", &passed},
                {5, start, end, "N/A", &stopped},
                {9, start, end, "N/A", &early},
                {12, start, end, "N/A", &sorting}};

    app::MpLogFile log = app::PickMpLogFile(folder_, date_);
    ASSERT_TRUE(app::AppendMpLogRun(log, run));
    const std::string times = "2026/07/04 13:10:00\t2026/07/04 13:12:30\t";
    const std::string expected =
        "   No.\t  Port\t\t  StartTime\t\t    EndTime\t SerialNumber\tModule\tBus\tPF\tDL\tResult\t\r\n"
        "000007\t000003\t" +
        times +
        "SN01\tPass\tPass\tPass\tPass\t----\tPass\t\r\n"
        "000008\t000005\t" +
        times +
        "N/A\tPass\tPass\t----\t----\t----\tC00\t\r\n"
        "000009\t000009\t" +
        times +
        "N/A\t----\t----\t----\t----\t----\t\t\r\n"
        "000010\t000012\t" +
        times + "N/A\t----\t----\t----\t----\t\tPass\t\r\n";
    EXPECT_EQ(Read(log.m_sLogFile), expected);
    EXPECT_EQ(stopped.iFailItem, 7);
    EXPECT_EQ(stopped.iItemState[7], 0);

    // A second run appends without a header; the sequence never goes below 1.
    run.totalTestCount = 1;
    run.rows = {{3, start, end, "SN02", &passed}};
    ASSERT_TRUE(app::AppendMpLogRun(log, run));
    EXPECT_EQ(Read(log.m_sLogFile),
              expected + "000001\t000003\t" + times + "SN02\tPass\tPass\tPass\tPass\t----\tPass\t\r\n");
}

TEST_F(MpLog, RollOverAndExistingRowsAreKept) {
    PortDevInfo passed{};
    passed.iStatus = 1;
    app::MpLogRun run;
    run.items = {"Flash Module"};
    run.rows = {{0, date_, date_, "N/A", &passed}};
    // Another copy of the program made _000 (rows, no header) after this one picked it.
    app::MpLogFile log = app::PickMpLogFile(folder_, date_);
    Write(File(0), "rows of another program\r\n");
    ASSERT_TRUE(app::AppendMpLogRun(log, run));
    EXPECT_EQ(Read(File(0)).rfind("rows of another program\r\n", 0), 0u);
    EXPECT_EQ(Read(File(0)).find("   No."), std::string::npos);
    // Full: the run's rows all go to the next file, which gets the header.
    Write(File(0), std::string(83000, 'x'));
    ASSERT_TRUE(app::AppendMpLogRun(log, run));
    EXPECT_EQ(log.m_nLogIndex, 1);
    EXPECT_EQ(Read(File(1)).rfind("   No.\t", 0), 0u);
    EXPECT_EQ(Read(File(0)).size(), 83000u);
}

TEST_F(MpLog, AFileThatCannotBeOpenedShowsTheBox) {
    forms::ScriptedUiPort ui;
    forms::ScopedUiPort scoped(ui);
    app::MpLogFile log = app::PickMpLogFile(folder_ / "missing", date_);
    PortDevInfo passed{};
    app::MpLogRun run;
    run.rows = {{0, date_, date_, "N/A", &passed}};
    EXPECT_FALSE(app::AppendMpLogRun(log, run));
    ASSERT_EQ(ui.Shown().size(), 1u);
    EXPECT_EQ(ui.Shown()[0].title, "Error");
    EXPECT_EQ(ui.Shown()[0].text, "[0]Fail to open/create log file!");
}

// Which file a run's rows go to, and that nothing a file held before is lost. `after` is what
// another program writes between this program's start (the pick) and its run.
TEST_F(MpLog, WhereTheRowsGo) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> before, after;
        int index;         // the file the rows go to
        std::string kept;  // what that file held, still at its start
        bool header;
    };
    const std::string full(83000, 'x'), almost(82999, 'x'), others = "rows of another program\r\n";
    const std::vector<std::pair<int, std::string>> first4 = {{0, "x"}, {1, "x"}, {2, "x"}, {3, "x"}};
    auto with = [&](std::pair<int, std::string> last) {
        auto files = first4;
        files.push_back(last);
        return files;
    };
    const Case cases[] = {
        {"no file of the date", {}, {}, 0, "", true},
        {"_004 one byte short of the limit", with({4, almost}), {}, 4, almost, false},
        {"_004 at the limit", with({4, full}), {}, 5, "", true},
        {"_004 fills up after the start, another program made _005",
         with({4, almost}),
         {{4, full}, {5, others}},
         5,
         others,
         false},
        {"_004 fills up after the start, an empty _005 exists", with({4, almost}), {{4, full}, {5, ""}}, 5, "", true},
        {"rows without a header in _000", {{0, others}}, {}, 0, others, false},
    };
    PortDevInfo passed{};
    passed.iStatus = 1;
    passed.iItemState[1] = 1;
    app::MpLogRun run;
    run.items = {"Flash Module", "Preformat"};
    run.totalTestCount = run.connectedCount = 1;
    run.rows = {{2, date_, date_, "N/A", &passed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        for (const auto& [index, text] : c.before) Write(File(index), text);
        app::MpLogFile log = app::PickMpLogFile(folder_, date_);
        for (const auto& [index, text] : c.after) Write(File(index), text);
        ASSERT_TRUE(app::AppendMpLogRun(log, run));
        EXPECT_EQ(log.m_nLogIndex, c.index);
        EXPECT_EQ(log.m_sLogFile, File(c.index).string());
        EXPECT_EQ(Read(File(c.index)), c.kept + (c.header ? app::MpLogHeader(run.items) : "") + app::MpLogRows(run));
        // A full file is left as it was.
        if (c.index > 0) {
            EXPECT_EQ(Read(File(c.index - 1)).size(), c.index == 5 ? 83000u : 1u);
        }
    }
}

// The roll-over's file cannot be created: the second box, and nothing written anywhere.
TEST_F(MpLog, ARollOverThatCannotBeCreatedShowsTheSecondBox) {
    forms::ScriptedUiPort ui;
    forms::ScopedUiPort scoped(ui);
    Write(File(0), std::string(82999, 'x'));
    app::MpLogFile log = app::PickMpLogFile(folder_, date_);
    Write(File(0), std::string(83000, 'x'));
    fs::create_directories(File(1));  // a folder where the next file would go
    PortDevInfo passed{};
    passed.iStatus = 1;
    app::MpLogRun run;
    run.items = {"Flash Module"};
    run.rows = {{0, date_, date_, "N/A", &passed}};
    EXPECT_FALSE(app::AppendMpLogRun(log, run));
    ASSERT_EQ(ui.Shown().size(), 1u);
    EXPECT_EQ(ui.Shown()[0].title, "Error");
    EXPECT_EQ(ui.Shown()[0].text, "[1]Fail to open/create log file!");
    EXPECT_EQ(ui.Shown()[0].icon, forms::BoxIcon::Error);
    EXPECT_EQ(Read(File(0)), std::string(83000, 'x'));
    EXPECT_TRUE(fs::is_directory(File(1)));
}

}  // namespace
