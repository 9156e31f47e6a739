// Reading one drive's sorting results (TMainForm::GetDeviceSortResult): the table of its dies'
// result blocks, then per present die its mark, whole-info, die-info and error pages, into the
// main window's per-device tables; the analysis files, "WholeInfo.raw" and the settings banner.
// Plain code without a widget: the window hands in where the banner and the boxes go.
//
// Threads: runs on the drive's fetch worker, one per drive; it writes only its own device's tables
// and its own port's row of wRsltBlk. The GUI thread reads the tables once the worker has ended.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/sort_result_pages.h"

namespace app {

// Result codes of a drive's read.
inline constexpr std::uint8_t kSortNoBlocks = 0;
inline constexpr std::uint8_t kSortPass = 1;
inline constexpr std::uint8_t kSortLost = 2;
inline constexpr std::uint8_t kSortFail = 3;
inline constexpr std::uint8_t kSortCmdFail = 4;
inline constexpr std::uint8_t kSortNotFetched = 0xFF;
// TestResult of a present die that has no readable result block.
inline constexpr std::uint8_t kSortNoResult = 0xFF;

inline constexpr int kSortErrorEntries = 200;

// The drive-wide counts of a device, from its last mark and whole-info pages.
struct SortSummary {
    std::uint16_t wTotalBad = 0, wEccFail = 0, wProgFail = 0, wEraseFail = 0, wFactoryBad = 0;
    std::uint16_t wSlcLoops = 0, wNonSlcLoops = 0;
    std::uint8_t ucSlcErrBitTh = 0, ucNonSlcErrBitTh = 0;
    std::uint16_t wTsad = 0;
};

// One error record of a device, at its position in the drive's error list.
struct SortErrorEntry {
    std::uint32_t inUse = 0;  // 255 when written
    // The record's bank tag (a FW bank), its bank and LUN, and its channel.
    std::uint8_t bankTag = 0, bank = 0, channel = 0, lun = 0;
    std::uint16_t blockUnit = 0;
    std::uint8_t planeMask = 0;
    std::uint16_t block[4] = {};  // 0xFFFF where the plane's mask bit is clear
    std::uint8_t errorType = 0;
    std::uint16_t page = 0;
    char timeText[100] = {};
    std::uint8_t action = 0, maxErrBit = 0;
    std::uint16_t failLoop = 0;
    std::uint8_t readLoop = 0;
    std::uint16_t tsad = 0;
};

using DieTestInfoTable = tables::DieTestInfo[8][4][2];

// One device's part of the main window's tables.
struct DeviceSortTables {
    DieTestInfoTable* die = nullptr;
    SortSummary* summary = nullptr;
    SortErrorEntry* errors = nullptr;  // kSortErrorEntries
};

// Where the read shows what it shows on the window.
struct SortReadOutput {
    std::function<void(const std::string&)> message;                   // a modal box
    std::function<void(const std::vector<std::string>&)> settingsBanner;  // Main_RDTSettingMemo
};

// The read: the result code (0 none, 1 pass, 2 lost, 3 fail, 4 command fail or no verdict).
std::uint8_t ReadDeviceSortResult(int port, int device, const DeviceSortTables& tables, const SortReadOutput& output);

// The record's four trace lines ("TestResult = %d", the die, the counts, the plane counts), the die
// given by its coordinates.
void TraceDieRecord(const tables::DieTestInfo& record, int channel, int bank, int lun);

// The 35 lines of the settings banner from the kept whole-info copies.
std::vector<std::string> SortSettingsBanner(const tables::SortWholeInfo& kept, std::uint8_t flashType);

// The 80-byte record's analysis-file name, "DieTestInfo_CH%01d_BK%01d(L%01d)_%02d%02d_%02d%02d%02d_Port%02d_
// DeviceNum%02d_<serial>.bin" with the record's channel, bank and LUN and its serial text (up to its zero,
// at most 48 bytes; characters unsafe in a path become '_').
std::string AnalysisFileName(const tables::DieTestInfo& record, int month, int day, int hour, int minute, int second,
                             int port, int device);

}  // namespace app
