#include "sorting/report_tree.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/files.h"
#include "transport/trace.h"

namespace sorting {

namespace {

constexpr std::size_t kPathLengthMax = 200;

}  // namespace

ReportTree MakeReportTree(const ReportTreeRequest& rq, const std::function<void(const std::string&)>& message) {
    const bool parse = rq.kind == ReportTreeKind::Parse;
    auto fail = [&](const char* text, int code) {
        if (message) message(text);
        if (rq.trace) TraceOut("[SORT]######## - create dir Fail(%02d) !!\n", code);
    };
    auto make = [&](const std::string& path, const char* text, int code) {
        std::error_code ec;
        const std::filesystem::path folder(path);
        if (std::filesystem::is_directory(folder, ec)) return;
        if (!std::filesystem::create_directory(folder, ec) || ec) fail(text, code);
    };

    ReportTree t;
    std::string program = rq.programFolder;
    if (!program.empty() && program.back() != '/') program += '/';
    t.root = program + "Sorting_Log/";
    make(t.root, "Cannot create root directory 0 .", 0);

    char name[64];
    std::snprintf(name, sizeof name, "%02d%02d_%02d%02d%02d_Port%02d", rq.time.month, rq.time.day, rq.time.hour,
                  rq.time.minute, rq.time.second, rq.port);
    t.run = t.root + name + (parse ? "_" + platform::SafeNamePart(rq.serial) : std::string()) + "/";
    make(t.run, "Cannot create openfile directory 1 .", 1);
    if (rq.trace)
        TraceOut(parse ? "[SORT]######## - Pathlength = %d\n" : "[SORT]######## - Pathlength = %d \n",
                 static_cast<int>(t.run.size()));
    if (t.run.size() > kPathLengthMax) fail("Path length too long!", 2);

    t.allBad = t.run + "All_BadBlock/";
    t.factoryBad = t.run + "Factory_BadBlock/";
    t.rdtBad = t.run + "RDT_BadBlock/";
    make(t.allBad, "Cannot create All_BadBlock directory.", 3);
    make(t.factoryBad, "Cannot create Factory Bad directory.", 4);
    make(t.rdtBad, "Cannot create RDT Bad directory.", 5);
    if (!parse) return t;
    if (rq.rawData) {
        t.rawData = t.run + "RawData/";
        make(t.rawData, "Cannot create Raw directory.", 7);
    }
    t.analysis = t.root + "AnalysisData/";
    make(t.analysis, "Cannot create RDT Bad directory.", 6);
    t.die = t.run + "Die/";
    make(t.die, "Cannot create Raw directory.", 8);
    return t;
}

}  // namespace sorting
