// One call of the result parse (SortResults::ParseSortingResult): the geometry it reads once, the
// working data that runs over the whole call (row numbers, error counters, result-code text, the
// page buffer, the raw image, the factory-bad and error areas) and the steps. Files:
//   sort_parse.cpp      the start (report tree, block traces, zeroing), the die loop, the end
//   sort_parse_die.cpp  a die's pages: bad-block, mark, whole-info, die-info, factory-bad, error
//   sort_parse_ecc.cpp  a die's ECC page, its figures and its die panel
// Internal to the sorting folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sorting/file_writer.h"
#include "sorting/report_tree.h"
#include "sorting/result_rows.h"
#include "sorting/sort_raw_image.h"
#include "sorting/sort_results.h"

namespace sorting {

class ParseCall {
  public:
    ParseCall(SortResults& results, const SortPageRead& read, std::uint8_t port, SortResultView& view);
    void Run();

  private:
    // A die of the loop: its place on the drive and in the window's tables.
    struct Die {
        unsigned channel = 0, fwBank = 0, bank = 0, lun = 0;
        std::uint16_t block = 0;
        tables::DieTestInfo* record = nullptr;  // null outside the per-die table
        std::optional<unsigned> slot;           // ECC die slot, none outside the ECC tables
    };
    // What a die's mark and whole-info pages gave.
    struct DieTags {
        tables::SortMarkPage mark;
        tables::SortWholeInfo whole;
        std::string runTime;  // "hh:mm:ss\r\n"
    };

    // sort_parse.cpp
    void Start();
    void DieLoop();
    void End();
    Die MakeDie(unsigned channel, unsigned fwBank);
    bool Skipped(const Die& d);
    void Detail(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    // Reads page `index` of the die's block into the page buffer: on a failure the box and the trace
    // with `code`; on success the raw page dump named by `kind`.
    bool ReadPage(const Die& d, int index, int code, const char* kind);
    std::span<const std::uint8_t> Page() const { return {page_.data(), pageBytes_}; }
    static void NoResult(const Die& d);

    // sort_parse_die.cpp
    void ParseDie(const Die& d);
    bool BadBlockPage(const Die& d);
    std::optional<DieTags> MarkAndWholeInfo(const Die& d);
    bool DieInfoPage(const Die& d, const DieTags& tags);
    void FactoryPages(const Die& d, const DieTags& tags);
    void ErrorPages(const Die& d, const DieTags& tags);
    // Reads the counted pages of a list kind into `area`; `read[i]` says which were read.
    void ReadListPages(const Die& d, int firstIndex, unsigned count, int code, const char* kind,
                       std::vector<std::uint8_t>& area, bool (&read)[tables::kSortListPagesMax]);

    // sort_parse_ecc.cpp
    bool EccPage(const Die& d);
    void Figures(const Die& d, const DieTags& tags);

    SortResults& r_;
    const SortPageRead& read_;
    const std::uint8_t port_;
    SortResultView& view_;

    // Settings and geometry, read once.
    const bool detail_;
    const bool multiLun_;
    const unsigned luns_, planes_, blocksPerDie_;
    const std::size_t pageBytes_;

    std::optional<ReportTree> tree_;  // only with SaveResultLog 1
    std::string rawFolder_, dieFolder_;

    // Running over the call.
    int allBadRow_ = 0, factoryRow_ = 0, rdtRow_ = 0;
    ErrorCounters counters_;
    std::string resultCodes_;
    bool outsideTraced_ = false;

    std::vector<std::uint8_t> page_;
    RawImage raw_;
    std::vector<std::uint8_t> factoryArea_, errorArea_;
    // The page dumps; last, so that it has written every one before the rest of the call goes.
    BackgroundFileWriter dumps_;
};

}  // namespace sorting
