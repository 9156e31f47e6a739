// The diagnostic firmware's code-block pre-check and the map it leaves, installed beside its other
// commands:
//   0x3A pre-check (no data): byte 3 the mode byte (7 or 0), byte 4 the value (both recorded). The
//        program looks at blocks 0-3 of every die of the init block's die map (gdp_init_view.h); the
//        status fetch answers busy for the firmware's polls plus the program's own (default 2),
//        then 1.
//   0x07 code-block map (in): 512 bytes; byte 4 x channel + CE has bit n set when block n (0-3) can
//        hold a loader on every die of the die map on that channel and CE: not factory bad, not set
//        to fail its erase or a program. Every other byte 0; all 0 before the first pre-check.
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
inline constexpr std::uint8_t kGetCodeBlock = 0x07;
inline constexpr std::uint8_t kPreCheckCodeBlock = 0x3A;
}  // namespace gdp_code

inline constexpr std::size_t kCodeBlockMapBytes = 512;

struct PreCheckRun {
    std::uint8_t mode = 0;
    std::uint8_t value = 0;
    friend bool operator==(const PreCheckRun&, const PreCheckRun&) = default;
};

class GdpCodeBlocks : public std::enable_shared_from_this<GdpCodeBlocks> {
  public:
    explicit GdpCodeBlocks(std::shared_ptr<GdpFirmware> gdp) : gdp_(std::move(gdp)) {}

    void Install(ControllerCore& core);

    void SetBusyPolls(int polls);
    std::vector<PreCheckRun> Runs() const;

  private:
    NvmeStatus PreCheck(const VendorPacket& p);
    NvmeStatus GetMap(std::span<std::uint8_t> data);

    std::shared_ptr<GdpFirmware> gdp_;
    mutable std::mutex mutex_;
    std::array<std::uint8_t, 32> map_{};
    std::vector<PreCheckRun> runs_;
    int busyPolls_ = 2;
};

}  // namespace emu
