// The sorting results of one drive as the result window holds them: the per-die records, the ECC
// tables, the settings echo and version texts of the last die read, and the folder of the sorting-
// error reports; filled by the result parse (ParseSortingResult) when the window opens. The result
// save (SaveSortingResult) reads the drive again into report files and fills nothing here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "sorting/sort_result_view.h"
#include "tables/sort_result_pages.h"

namespace sorting {

inline constexpr unsigned kSortChannels = 8, kSortBanks = 4, kSortLuns = 4;
inline constexpr unsigned kEccDieSlots = 64;
inline constexpr unsigned kMaxBlkNum = 8192;  // MAX_BLKNUM
inline constexpr std::size_t kEchoBytes = 1020, kVersionBytes = 112;

// Reads page `index` of the page map of result block `block` (die channel, FW bank) into `buffer`
// (one page). Defaults to the device library's result-page read.
using SortPageRead = std::function<bool(int port, void* buffer, std::uint8_t channel, std::uint8_t fwBank,
                                        std::uint16_t block, int index, std::uint8_t blockType)>;
SortPageRead DefaultSortPageRead();

// The box of a result page that could not be read: "SORT Page read: fail. Block:%u  Page: %u" with
// the page number of page-map entry `index`, OK only, under `caption`.
void ShowPageReadFail(const char* caption, std::uint16_t block, int index);

class SortResults {
  public:
    SortResults();
    explicit SortResults(SortPageRead read);

    // The window members the parse fills.
    tables::DieTestInfo m_DieTestInfo[kSortChannels][kSortBanks][kSortLuns] = {};
    std::array<std::array<std::uint8_t, kMaxBlkNum>, kEccDieSlots> eccMaxBits{};
    std::array<std::array<std::uint16_t, 256>, kEccDieSlots> eccHistogram{};
    std::array<std::uint8_t, kEchoBytes> rdtSetting{};
    std::array<std::uint8_t, kVersionBytes> versionText{};
    std::string ansiSortingMemoLogPath;

    // Set by the opener.
    std::uint8_t m_ucPort = 0;
    char m_sSerialNum[48] = {};

    // Reads every die of the drive on `port` and fills the tables, the view and (with [RDT]
    // SaveResultLog 1) the report tree. Always 1.
    int ParseSortingResult(std::uint8_t port, SortResultView& view);
    // Reads every die of the drive on `port` again into a new report tree; fills nothing here.
    // Always 1.
    int SaveSortingResult(std::uint8_t port);

  private:
    SortPageRead read_;
};

}  // namespace sorting
