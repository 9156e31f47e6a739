// The bad-block statistics of the "Bad Block Info" page: the system tables read from the drive's code
// block, the system firmware's bad-unit lists per CE, the counters per channel and CE row, the detail
// listing and the summary table.
//
// The counting works on fixed tables (units 4,096 x 5 kinds, counters 8 x 4 x 7) and one bounded
// detail text; every count, unit, channel and CE a drive gives is bounded before it indexes them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vellumin {

inline constexpr int kStatChannels = 8, kStatCeRows = 4, kStatKinds = 7, kStatUnits = 4096;
inline constexpr int kStatSystemKinds = 5;  // 0 System Early, 1 EraseFail, 2 ProgFail, 3 EccFail, 4 EccOver
inline constexpr int kPhysicalEarly = 5, kPhysicalLater = 6;
inline constexpr std::size_t kDetailTextBytes = 256 * 1024;
inline constexpr std::size_t kBadUnitReplySectors = 64;
inline constexpr std::size_t kBadUnitReplyBytes = kBadUnitReplySectors * 512;
inline constexpr std::size_t kBadUnitMaxEntries = 4095;  // what the 32 KiB reply holds

using BadBlockCounters = std::array<std::array<std::array<std::uint32_t, kStatKinds>, kStatCeRows>, kStatChannels>;
using BadBlockTotals = std::array<std::uint32_t, kStatKinds>;
using UnitKindTable = std::array<std::array<std::uint8_t, kStatSystemKinds>, kStatUnits>;

// The geometry the statistics read (from AP_FlashSet).
struct BadBlockShape {
    int channels = 0;    // ucChannel
    int banks = 0;       // ucBankNum
    int diesPerCe = 0;   // ucDiePerCE
    int planes = 0;      // ucPlanes
    int pageSectors = 0; // bPageSector
    int CeCount() const { return banks * diesPerCe; }
};
BadBlockShape CurrentBadBlockShape();

// A zero-terminated text in a fixed buffer. A line that does not fit whole (with its zero byte) is
// dropped, and so is everything after it: the text ends after its last whole line.
class DetailText {
  public:
    DetailText(char* buffer, std::size_t size);
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const char* Text() const { return buffer_; }
    std::size_t Size() const { return length_; }

  private:
    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
    bool full_ = false;
};

// The statistics column an error type counts in.
int BadUnitKind(std::uint8_t errorType);

// Where the bad-unit pass writes: the unit-kind table, the counters, the bad-unit map of the port
// (16-bit marks [8 channels][8 banks][4,096 units]; may be null) and the detail text.
struct BadUnitSink {
    UnitKindTable& unitKinds;
    BadBlockCounters& counters;
    std::uint16_t* badUnitMap;
    DetailText& detail;
};

// One CE's bad-unit reply (`bytes` long, normally 32 KiB) through the bad-unit pass.
void CountBadUnitReply(const BadBlockShape& shape, int ce, const std::uint8_t* reply, std::size_t bytes,
                       BadUnitSink& sink);
// The units marked per kind, written to every row of the drive.
void WriteSystemCounts(const BadBlockShape& shape, const UnitKindTable& unitKinds, BadBlockCounters& counters);
// The physical pass over the defect-table buffer (channel c's page at c x pageSectors x 512).
void ListPhysicalBadBlocks(const BadBlockShape& shape, const std::uint8_t* defectTables, std::size_t bufferBytes,
                           BadBlockCounters& counters, DetailText& detail);
// total[k] over the drive's channels and CE rows, each traced.
void SumBadBlockCounters(const BadBlockShape& shape, const BadBlockCounters& counters, BadBlockTotals& totals);

// The four header lines of the summary; with `ok` the rows CE-major, the SUM row and the BlockU note.
std::string BadBlockSummaryText(const BadBlockShape& shape, bool ok, const BadBlockCounters& counters,
                                const BadBlockTotals& totals);

// The detail text's legend and its closing headings.
void AppendBadBlockLegend(DetailText& detail);

}  // namespace vellumin

// Finds the code block of `port` by its information page and fills the port's four table buffers.
// `buffer` holds 256 KiB. False when no candidate block holds an information page.
bool VP_GetSysTables(int port, void* buffer);
// The statistics of `port` into `counters`, `totals` and the detail text (`detail`, 256 KiB zeroed):
// 1 on success, 0 when the tables or a bad-unit list cannot be read.
int VP_GetBadBlockInfo(int port, void* buffer, vellumin::BadBlockCounters& counters, vellumin::BadBlockTotals& totals,
                       char* detail);
