// The Sorting_Log folders of one result parse or result save: the root under the program folder,
// the run folder named by the local time and the port (and, for the parse, the drive's serial), and
// the report folders inside. A folder that cannot be made is shown and traced, and the rest is made
// all the same.
#pragma once

#include <functional>
#include <string>

namespace sorting {

struct ReportTreeTime {
    int month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

enum class ReportTreeKind {
    Parse,  // run folder with the serial; RawData (with the dump switch), AnalysisData and Die
    Save,   // run folder without the serial; the three report folders only
};

struct ReportTreeRequest {
    std::string programFolder;
    ReportTreeTime time;
    int port = 0;
    std::string serial;  // the parse's run-folder name only
    ReportTreeKind kind = ReportTreeKind::Parse;
    bool rawData = false;  // [RDSetting] DumpDebugFile: the parse's RawData folder
    bool trace = true;     // [RDT] DisDBG_SORT is 0
};

// The folders, each ending in '/'. A folder that could not be made keeps its path: the files
// written there later fail and are traced.
struct ReportTree {
    std::string root, run, allBad, factoryBad, rdtBad, rawData, analysis, die;
};

// Makes the tree in the order the operators know: root, run folder (then the path-length check),
// All_BadBlock, Factory_BadBlock, RDT_BadBlock and, for the parse, RawData, AnalysisData (under the
// root) and Die. `message` shows a modal box.
ReportTree MakeReportTree(const ReportTreeRequest& request, const std::function<void(const std::string&)>& message);

}  // namespace sorting
