// The drive's SPI NOR flash, reached only through the diagnostic firmware's two commands:
//   0x0A erase (no data): the whole flash reads 0xFF afterwards.
//   0x0C program (out): bytes 4-7 the destination offset, bytes 8-11 the byte count (big-endian, as
//        the device sees them); that many bytes from the start of the data phase are programmed at
//        the offset the way NOR flash is: a bit can only be cleared (new = old AND data), never set
//        without an erase. A count beyond the data phase or a range past the end of the flash fails
//        the command (an NVMe error status) and changes nothing.
// A failed command answers an NVMe error status, so the host sees a failed transfer; a passed one
// leaves result 1 for the status fetch.
// The flash comes up erased with the drive and keeps what was programmed across power cycles.
// Bay keys (drive section, all optional; documented with the diagnostic firmware's in gdp_diagnostics.h):
//   SpiFlashBytes=<n>            its size in bytes (default 4 MiB, 4,096 to 256 MiB)
//   SpiFault=erase               0x0A fails and erases nothing
//   SpiFault=program@<offset>    a 0x0C whose range holds this byte offset fails and programs nothing
//   (both faults at once: SpiFault=erase,program@<offset>)
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "emu/controller_core.h"
#include "emu/gdp_firmware.h"

namespace emu {

namespace gdp_code {
inline constexpr std::uint8_t kEraseSpi = 0x0A;
inline constexpr std::uint8_t kProgramSpi = 0x0C;
}  // namespace gdp_code

inline constexpr std::uint32_t kSpiDefaultBytes = 4u << 20;
inline constexpr std::uint32_t kSpiMinBytes = 4096;
inline constexpr std::uint32_t kSpiMaxBytes = 256u << 20;

struct SpiSetup {
    std::uint32_t bytes = kSpiDefaultBytes;
    bool eraseFails = false;
    std::optional<std::uint32_t> programFailAt;  // a byte offset
};

class SpiFlash : public std::enable_shared_from_this<SpiFlash> {
  public:
    SpiFlash(std::shared_ptr<GdpFirmware> gdp, SpiSetup setup);

    // Puts 0x0A and 0x0C into the diagnostic program's table of `core`.
    void Install(ControllerCore& core);

    void SetFaults(bool eraseFails, std::optional<std::uint32_t> programFailAt);

    std::uint32_t Size() const { return setup_.bytes; }
    // `count` bytes from `offset` (cut at the end of the flash).
    std::vector<std::uint8_t> Read(std::uint32_t offset, std::uint32_t count) const;
    // Erases and programs that changed the flash (failed commands are not counted).
    int Erases() const;
    int Programs() const;
    // The whole data phase of the last program that changed the flash (its bytes past the count too).
    std::vector<std::uint8_t> LastProgramData() const;

  private:
    NvmeStatus Erase();
    NvmeStatus Program(const VendorPacket& p, std::span<const std::uint8_t> data);

    std::shared_ptr<GdpFirmware> gdp_;
    mutable std::mutex mutex_;
    SpiSetup setup_;
    std::vector<std::uint8_t> bytes_;  // empty while every byte is erased (allocated on the first program)
    std::vector<std::uint8_t> lastData_;
    int erases_ = 0;
    int programs_ = 0;
};

}  // namespace emu
