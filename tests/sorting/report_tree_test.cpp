#include "sorting/report_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/trace_sink.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using sorting::ReportTreeKind;

struct TreeCase {
    const char* name;
    ReportTreeKind kind;
    std::string serial;
    bool rawData;
    std::string runName;
    std::vector<std::string> folders;  // under the run folder
};

using test_support::ScratchFolder;

TEST(ReportTree, FoldersOfTheParseAndTheSave) {
    const TreeCase cases[] = {
        {"parse with dumps",
         ReportTreeKind::Parse,
         "SN01",
         true,
         "1211_023305_Port03_SN01",
         {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock", "RawData", "Die"}},
        {"parse without dumps",
         ReportTreeKind::Parse,
         "SN01",
         false,
         "1211_023305_Port03_SN01",
         {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock", "Die"}},
        {"a serial that would leave the tree",
         ReportTreeKind::Parse,
         "../a\\b:c",
         false,
         "1211_023305_Port03_.._a_b_c",
         {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock", "Die"}},
        {"an empty serial",
         ReportTreeKind::Parse,
         "",
         false,
         "1211_023305_Port03_",
         {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock", "Die"}},
        {"save: no serial, three folders",
         ReportTreeKind::Save,
         "SN01",
         true,
         "1211_023305_Port03",
         {"All_BadBlock", "Factory_BadBlock", "RDT_BadBlock"}},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder scratch("sorting_tree");
        const fs::path& dir = scratch.Path();
        platform::TraceCapture trace;
        std::vector<std::string> boxes;
        const sorting::ReportTree tree =
            sorting::MakeReportTree({dir.string(), {12, 11, 2, 33, 5}, 3, c.serial, c.kind, c.rawData, true},
                                    [&](const std::string& text) { boxes.push_back(text); });
        EXPECT_TRUE(boxes.empty());
        const fs::path run = dir / "Sorting_Log" / c.runName;
        EXPECT_EQ(tree.run, run.string() + "/");
        std::vector<std::string> made;
        for (const auto& entry : fs::directory_iterator(dir / "Sorting_Log")) made.push_back(entry.path().filename());
        std::sort(made.begin(), made.end());
        EXPECT_EQ(made, (c.kind == ReportTreeKind::Parse ? std::vector<std::string>{c.runName, "AnalysisData"}
                                                         : std::vector<std::string>{c.runName}));
        for (const std::string& f : c.folders) EXPECT_TRUE(fs::is_directory(run / f)) << f;
        EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(run), {})), c.folders.size());
        EXPECT_EQ(tree.rdtBad, tree.run + "RDT_BadBlock/");
        const std::string length = std::to_string(tree.run.size());
        EXPECT_EQ(trace.Text(), c.kind == ReportTreeKind::Parse ? "[SORT]######## - Pathlength = " + length + "\n"
                                                                : "[SORT]######## - Pathlength = " + length + " \n");
    }
}

TEST(ReportTree, FailuresAreShownAndTheRestIsStillMade) {
    // A file holding the run folder's name: its box and trace, then the folders inside fail too.
    const ScratchFolder scratch("sorting_tree_fail");
    const fs::path& dir = scratch.Path();
    fs::create_directories(dir / "Sorting_Log");
    std::ofstream(dir / "Sorting_Log" / "1211_023305_Port03_X") << "x";
    platform::TraceCapture trace;
    std::vector<std::string> boxes;
    sorting::MakeReportTree({dir.string(), {12, 11, 2, 33, 5}, 3, "X", ReportTreeKind::Parse, true, true},
                            [&](const std::string& text) { boxes.push_back(text); });
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Cannot create openfile directory 1 .", "Cannot create All_BadBlock directory.",
                                        "Cannot create Factory Bad directory.", "Cannot create RDT Bad directory.",
                                        "Cannot create Raw directory.", "Cannot create Raw directory."}));
    EXPECT_TRUE(trace.Contains("create dir Fail(01) !!\n"));
    EXPECT_TRUE(trace.Contains("create dir Fail(08) !!\n"));
    EXPECT_FALSE(trace.Contains("create dir Fail(06)"));  // AnalysisData sits under the root
    EXPECT_TRUE(fs::is_directory(dir / "Sorting_Log" / "AnalysisData"));

    // A run path over 200 characters is shown and traced as 02 and still made; without the detail
    // traces only the boxes remain.
    const ScratchFolder longRoot("sorting_tree_long");
    const fs::path deep = longRoot.Path() / std::string(190, 'd');
    fs::create_directories(deep);
    trace.Clear();
    boxes.clear();
    const auto tree =
        sorting::MakeReportTree({deep.string(), {1, 2, 3, 4, 5}, 0, "", ReportTreeKind::Save, false, false},
                                [&](const std::string& text) { boxes.push_back(text); });
    EXPECT_EQ(boxes, std::vector<std::string>{"Path length too long!"});
    EXPECT_EQ(trace.Text(), "");
    EXPECT_TRUE(fs::is_directory(tree.rdtBad));
}

}  // namespace
