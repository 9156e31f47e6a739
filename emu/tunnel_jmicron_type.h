// The JMicron-type bridge's NVMe tunnel, from the device's side. Command block 0xA1 (12 bytes):
// byte 1 bit 7 admin (clear: I/O), low bits 0 payload, 1 no data, 2 data-in, 3 data-out; bytes
// 3-5 the transfer length, big-endian. A payload block (512 bytes: "NVME", the 64-byte entry at
// bytes 8-71) is kept until the next data or non-data block, which runs it. A data phase without
// an entry, of the wrong direction or kind, or whose length disagrees with the command, gets
// CHECK CONDITION; so does a payload block that is not one.
#pragma once

#include <optional>
#include <span>

#include "emu/nvme_controller.h"
#include "emu/scsi_answer.h"

namespace emu {

class JmicronTypeTunnel {
  public:
    static constexpr std::uint8_t kOpcode = 0xA1;
    static constexpr std::size_t kCdbBytes = 12;
    static constexpr std::size_t kPayloadBytes = 512;

    explicit JmicronTypeTunnel(NvmeController& controller) : controller_(controller) {}

    static bool Claims(std::span<const std::uint8_t> cdb) { return !cdb.empty() && cdb[0] == kOpcode; }
    // `data` is the host's transfer buffer, exactly the length the host gave.
    ScsiAnswer Handle(std::span<const std::uint8_t> cdb, HostDir dir, std::span<std::uint8_t> data);

    bool HasPendingEntry() const { return pending_.has_value(); }

  private:
    ScsiAnswer TakePayload(bool admin, std::span<const std::uint8_t> data);
    ScsiAnswer RunPending(bool admin, int kind, std::span<std::uint8_t> data);

    NvmeController& controller_;
    std::optional<NvmeRequest> pending_;
};

}  // namespace emu
