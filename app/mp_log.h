// The MP log: a tab-separated text file in the log folder to which every run appends one row per
// drive. Its name is the program's start date and a three-digit index ("20260704_000.txt"); a file
// of 83,000 bytes or more rolls over to the next index. Plain code, so the run and the tests call
// it without a window.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "transport/port_dev_info.h"

namespace app {

struct MpLogFile {
    std::string m_sLogPattern;  // folder + date + "_%03d.txt"
    std::string m_sLogFile;     // the current file
    std::uintmax_t m_nLogSizeLimit = 83000;
    int m_nLogIndex = 0;
};

// The log folder as the settings give it ("\" is a folder separator); a relative folder lies under the
// program folder.
std::filesystem::path LogFolderPath(const std::string& logPath);

// Picks the file at start-up: the last existing index of the date (0 when none), or the next one
// when that file has reached the size limit.
MpLogFile PickMpLogFile(const std::filesystem::path& folder, const platform::LocalTime& date);

// One drive of a run, in device order.
struct MpLogRow {
    int port = 0;
    platform::LocalTime start{}, end{};
    std::string serialNumber;       // the burned serial number, or "N/A" when Download is not selected
    PortDevInfo* record = nullptr;  // the port's record; an item still running (2) is set to 0 and
                                    // becomes the record's iFailItem
};

struct MpLogRun {
    std::vector<std::string> items;  // the test-item list's entry texts, in list order
    std::vector<MpLogRow> rows;
    std::int32_t totalTestCount = 0;  // already including this run
    std::int32_t connectedCount = 0;  // g_nPortConnectedNum of the last enumeration
};

// The header line and the run's rows as the file gets them.
std::string MpLogHeader(const std::vector<std::string>& items);
std::string MpLogRows(const MpLogRun& run);

// Appends the run: the rows go into one file in one write, then the file is flushed. A file is
// never truncated; a new or empty one gets the header first. A file that cannot be opened shows
// "[0]Fail to open/create log file!" (or "[1]..." after a roll-over) in an "Error" box and
// nothing is written. True when the rows were written.
bool AppendMpLogRun(MpLogFile& log, const MpLogRun& run);

}  // namespace app
