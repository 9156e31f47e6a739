// The diagnostic firmware's bad-block scan and the defect list it leaves, installed beside the
// firmware's other commands:
//   0x02 scan (no data): byte 3 the mode. The scan gathers the flash's bad blocks and, in the
//        inheriting modes (0x04 the existing tables, 0x20 the sorting results), the list the host
//        left in RAM at 0xBBBBBBBB. With mode bit 0x01 (erase search) every block that is not
//        factory bad is erased first, and a block whose erase fails joins the list. The status
//        fetch answers busy for the scan's polls, then 1. The scan reads every block once, the
//        channels in parallel: it takes (CEs x LUNs x blocks) read times of the flash's latency;
//        the erase search adds one erase time per block it erases on its busiest channel. Both
//        times are taken before the flash changes.
//   0x31 defect list (in): the last scan's list as 32-bit little-endian entries, zero-terminated,
//        the rest of the transfer zero. Entry bits: 0-15 block unit (block / planes), 16-19 the
//        planes still good (bit p = plane p), 20-23 flags (as inherited), 24-26 CE, 27-28 LUN,
//        29-31 channel. One entry per unit; at most 4,095.
// Inherited entries are decoded as received: one naming a place outside the flash is dropped; one
// naming a unit already listed is merged into it (planes bad in either stay bad).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "emu/controller_core.h"
#include "emu/gdp_firmware.h"

namespace emu {

namespace gdp_code {
inline constexpr std::uint8_t kScanDefectBad = 0x02;
inline constexpr std::uint8_t kGetDefectBadTab = 0x31;
}  // namespace gdp_code

inline constexpr std::uint32_t kInheritListAddress = 0xBBBBBBBB;
inline constexpr std::size_t kDefectListBytes = 16384;
inline constexpr std::size_t kDefectListMaxEntries = 4095;

class GdpBadBlockScan : public std::enable_shared_from_this<GdpBadBlockScan> {
  public:
    explicit GdpBadBlockScan(std::shared_ptr<GdpFirmware> gdp) : gdp_(std::move(gdp)) {}

    void Install(ControllerCore& core);

    // Status polls that answer busy after a scan, beyond the firmware's own (default 2).
    void SetScanBusyPolls(int polls);
    // The last scan's entries, its mode, and the number of scans run.
    std::vector<std::uint32_t> List() const;
    std::uint8_t LastMode() const;
    int Scans() const;

  private:
    NvmeStatus Scan(ControllerCore& core, const VendorPacket& p);
    NvmeStatus GetList(std::span<std::uint8_t> data);

    std::shared_ptr<GdpFirmware> gdp_;
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> list_;
    std::uint8_t mode_ = 0;
    int scans_ = 0;
    int busyPolls_ = 2;
};

}  // namespace emu
