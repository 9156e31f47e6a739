// The diagnostic firmware's search for the sorting firmware's result blocks, installed beside its
// other commands:
//   0x47 scan (no data): byte 3 the search range in block units (0: every unit), byte 4 recorded.
//        On every die of the init block's die map (gdp_init_view.h) the scan starts at the die's
//        last block unit (blocks per LUN / planes - 1) and goes down over the range; in each unit
//        it tries the unit's blocks from the lowest up. A die's result block is the first block
//        whose page 2 reads (the init block's LDPC rate, scrambler on) and begins with "SORT".
//        The status fetch answers busy for the firmware's polls plus the scan's own (default 2),
//        then 1.
//   0x48 table (in, one sector): bytes 0-127 u16 little-endian [8 channels][8 FW banks], FW bank =
//        LUN x the init block's bank count + CE; the result block of that die, 0 where none was found
//        (or before the first scan; block 0 cannot be told from none and is never taken). The rest
//        of the sector stays the poison byte.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "emu/controller_core.h"
#include "emu/gdp_firmware.h"

namespace emu {

namespace gdp_code {
inline constexpr std::uint8_t kScanResultBlk = 0x47;
inline constexpr std::uint8_t kGetResultBlk = 0x48;
}  // namespace gdp_code

inline constexpr int kResultMarkPage = 2;
inline constexpr std::size_t kResultTableBytes = 128;

struct ResultScanRun {
    std::uint8_t range = 0;
    std::uint8_t byte4 = 0;
    friend bool operator==(const ResultScanRun&, const ResultScanRun&) = default;
};

class GdpResultBlocks : public std::enable_shared_from_this<GdpResultBlocks> {
  public:
    explicit GdpResultBlocks(std::shared_ptr<GdpFirmware> gdp) : gdp_(std::move(gdp)) {}

    void Install(ControllerCore& core);

    void SetBusyPolls(int polls);
    std::vector<ResultScanRun> Runs() const;
    // The table of the last scan: [channel][FW bank].
    std::array<std::array<std::uint16_t, 8>, 8> Table() const;

  private:
    NvmeStatus Scan(const VendorPacket& p);
    NvmeStatus GetTable(std::span<std::uint8_t> data);

    std::shared_ptr<GdpFirmware> gdp_;
    mutable std::mutex mutex_;
    std::array<std::array<std::uint16_t, 8>, 8> table_{};
    std::vector<ResultScanRun> runs_;
    int busyPolls_ = 2;
};

}  // namespace emu
