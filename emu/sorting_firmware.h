// The sorting firmware as the emulated controller runs it once it has been started (from RAM or
// from the flash's loader blocks): its vendor commands, decoded from the packet bytes.
//   0x00 status fetch (in): as the diagnostic firmware's: byte 0 0xAA while busy, else the "done"
//        value 0x55; byte 1 the last command's result (1), 0 while busy. The first SortBusyPolls
//        fetches the firmware receives answer busy.
//   0x3C sorting status (in, one sector): bytes 0-3 "SORT", byte 4 the status (SortStatus); with
//        SortStatus=nolog bytes 0-15 are 0xFF (no status page yet). Byte 4 of the packet (the
//        host's check-firmware flag) is recorded. The rest of the sector stays the poison byte.
// Bay keys (drive section, all optional):
//   SortStatus=<0-255>|nolog     the status of 0x3C (default 1, running)
//   SortBusyPolls=<n>            first status fetches answering busy (default 0)
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "emu/controller_core.h"

namespace emu {

namespace sort_code {
inline constexpr std::uint8_t kGetReturn = 0x00;
inline constexpr std::uint8_t kGetSortStatus = 0x3C;
}  // namespace sort_code

struct SortSetup {
    std::optional<std::uint8_t> status = 1;  // nullopt: no status page (nolog)
    int busyPolls = 0;
};

class SortingFirmware : public std::enable_shared_from_this<SortingFirmware> {
  public:
    explicit SortingFirmware(SortSetup setup);

    // Puts the firmware's commands into the sorting program's table of `core`.
    void Install(ControllerCore& core);

    void SetStatus(std::optional<std::uint8_t> status);
    // Status fetches that answer busy from now on.
    void SetBusyPolls(int polls);
    // Byte 4 of every 0x3C packet received (tests).
    std::vector<std::uint8_t> StatusRequests() const;

    // Ends a command: the status fetch answers `result` after `busyPolls` busy fetches. For commands
    // installed beside the firmware's own.
    void Finish(std::uint8_t result, int busyPolls = 0);

  private:
    NvmeStatus GetReturn(std::span<std::uint8_t> data);
    NvmeStatus GetSortStatus(const VendorPacket& p, std::span<std::uint8_t> data);

    mutable std::mutex mutex_;
    SortSetup setup_;
    std::uint8_t result_ = 1;
    int busyLeft_ = 0;
    std::vector<std::uint8_t> requests_;
};

}  // namespace emu
