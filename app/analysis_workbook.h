// The sorting analysis export ("Tools" > "Create RDT Analysis File") without a widget: the listing
// of a folder's analysis files (one 80-byte DieTestInfo record each, written by the result fetch),
// the 21 cells of a record, and the .xlsx workbook of one row per file.
//
// Listing: every entry of the folder whose extension is ".bin" in any case, folders included;
// names beginning with "." count as hidden and are left out, and so are names holding a control
// character (a line break would split the path in the list memo); in name order.
//
// Workbook: one sheet; row 1 the headers with their column widths, row i + 2 the record of file i,
// numbers as numbers, the serial and "Pass" as strings. A file that cannot be opened or holds fewer
// than 80 bytes leaves its row empty (traced). The workbook is written under a temporary name in
// the target folder and renamed into place, so a failed write leaves no file behind.
// Threads: the GUI thread.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "tables/sort_result_pages.h"

namespace app {

inline constexpr std::size_t kAnalysisRecordBytes = sizeof(tables::DieTestInfo);
inline constexpr int kAnalysisColumnCount = 21;

struct AnalysisColumn {
    const char* header;
    int width;  // characters
};
extern const std::array<AnalysisColumn, kAnalysisColumnCount> kAnalysisColumns;

// A cell of the sheet: a text (UTF-8) or a number.
struct AnalysisCell {
    std::optional<std::string> text;
    double number = 0;
    bool operator==(const AnalysisCell&) const = default;
};
using AnalysisRow = std::array<AnalysisCell, kAnalysisColumnCount>;

// Full paths (folder + name) of the folder's analysis files; `folder` ends in a separator.
std::vector<std::string> ListAnalysisFiles(const std::string& folder);

// The record's cells in column order. The serial's bytes (up to its zero, at most 48) are taken as
// Latin-1; "PlaneMaxBad" is the largest plane count, traced when it is above Plane3Num.
AnalysisRow AnalysisRowOf(const tables::DieTestInfo& record);

// "<folder>MMDD_hhmmss_RDTAnalysis.xlsx".
std::string AnalysisWorkbookName(const std::string& folder, const platform::LocalTime& time);

// Writes the workbook `path` from `files` (each file's traces as it is read); the error text when
// the workbook could not be written.
std::optional<std::string> WriteAnalysisWorkbook(const std::string& path, const std::vector<std::string>& files);

}  // namespace app
