// The three text reports of a die's sorting results: the all-bad report (its bad-block page), the
// factory-bad report (its factory-bad blocks) and the sorting-error report (the settings echo, the
// die's figures and its error records), plus the result save's shorter error report. Every line
// ends with CR LF; the builders return text, ReportFile writes it into a file created anew.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tables/sort_result_pages.h"

namespace sorting {

struct ReportDie {
    unsigned channel = 0, bank = 0, lun = 0;
};

// Up to four block numbers of a line; a missing one prints as six spaces.
using ReportBlocks = std::array<std::optional<std::uint32_t>, 4>;

// A die's factory-bad entry: a block unit and its marked blocks.
struct FactoryEntry {
    std::uint16_t unit = 0;
    ReportBlocks blocks{};
    friend bool operator==(const FactoryEntry&, const FactoryEntry&) = default;
};
// The die's factory-bad blocks grouped by block unit, in block order. Only 1, 2 and 4 planes are
// grouped; the caller refuses other plane counts.
std::vector<FactoryEntry> GroupFactoryBlocks(const std::vector<tables::SortFactoryBlock>& blocks, unsigned planes);

// An error record as a report line prints it.
struct ErrorLine {
    unsigned channel = 0, bank = 0, lun = 0;  // the record's channel, bank column and LUN column
    std::uint16_t unit = 0;
    ReportBlocks blocks{};
    std::uint16_t page = 0;
    unsigned maxErrBit = 0;  // the record's value for ErrorType 0, else 238
    unsigned errorType = 0, action = 0, failLoop = 0, readLoop = 0, tsad = 0;
    bool slc = false;
    std::string time;  // " hh:mm:ss"
};
// The line of a record: its bank tag is a FW bank, split into the bank and LUN columns by the banks
// per channel (tables::SplitFwBank); blocks from the plane mask.
ErrorLine MakeErrorLine(const tables::SortErrorRecord& record, unsigned banks, unsigned planes);

// ---- names ----
std::string AllBadReportName(const ReportDie& die);
std::string FactoryBadReportName(const ReportDie& die);
// "Fail_RDTBad_…" when the die's whole-info result byte is not 0, else "Pass_RDTBad_…".
std::string SortErrorReportName(const ReportDie& die, std::uint8_t dieResultByte);
// The result save's error report, "RDTBad_…".
std::string SavedErrorReportName(const ReportDie& die);

// ---- lines ----
std::string AllBadHead(const ReportDie& die);
// Cells for the planes below `planes`: the block when its plane bit is set, else six spaces; none
// beyond.
std::string AllBadLine(const ReportDie& die, const tables::SortBadBlockEntry& entry, unsigned planes);
std::string FactoryBadHead(const ReportDie& die);
std::string FactoryBadLine(const ReportDie& die, const FactoryEntry& entry);

// What the sorting-error report's head shows besides the die.
struct ErrorReportHead {
    ReportDie die;
    const tables::DieTestInfo* info = nullptr;  // the die's record (zero when null)
    std::span<const std::uint8_t> echo;         // the settings echo
    std::span<const std::uint8_t> version;      // the version block
    std::uint8_t eccThreshold = 0;              // whole-info byte 144
    std::uint8_t flashType = 0;
};
// From "CH: …" down to the "RDT Bad" head line.
std::string SortErrorHead(const ErrorReportHead& head);
// The two lines that open the record list (and the whole head of the save's report).
std::string RdtBadHead(const ReportDie& die);
enum class ErrorLineStyle { Parse, Save };
std::string SortErrorLine(const ErrorLine& line, ErrorLineStyle style);

// ---- whole reports ----
std::string AllBadReport(const ReportDie& die, std::span<const tables::SortBadBlockEntry> entries, unsigned planes);
std::string FactoryBadReport(const ReportDie& die, std::span<const FactoryEntry> entries);
std::string SortErrorReport(const ErrorReportHead& head, std::span<const ErrorLine> lines);
std::string SavedErrorReport(const ReportDie& die, std::span<const ErrorLine> lines);

// A report file created anew ("wb") and closed when it goes. A file that cannot be created is traced
// once and its lines are dropped; the caller goes on.
class ReportFile {
  public:
    explicit ReportFile(const std::string& path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    void Write(const std::string& text);

  private:
    std::FILE* file_ = nullptr;
};

// Writes a whole report; false (traced) when the file cannot be created or written.
bool WriteReport(const std::string& path, const std::string& text);

}  // namespace sorting
