// The JMicron-type bridge's NVMe tunnel, from the device's side. Command block 0xA1 (12 bytes):
// byte 1 bit 7 admin (clear: I/O), low bits 0 payload, 1 no data, 2 data-in, 3 data-out; bytes
// 3-5 the transfer length, big-endian. A payload block (512 bytes: "NVME", the 64-byte entry at
// bytes 8-71) is kept until the next data or non-data block, which runs it. A data phase without
// an entry, of the wrong direction or kind, or whose length disagrees with the command, gets
// CHECK CONDITION; so does a payload block that is not one.
#pragma once

#include <array>
#include <optional>

#include "emu/bridge.h"

namespace emu {

// Aligned to a cache line: the tunnels of drives busy on different threads never share one.
class alignas(64) JmicronTypeTunnel : public Tunnel {
  public:
    static constexpr std::uint8_t kOpcode = 0xA1;
    static constexpr std::size_t kCdbBytes = 12;
    static constexpr std::size_t kPayloadBytes = 512;

    std::optional<ScsiReply> Handle(const ScsiCommand& command, Controller* controller) override;

    bool HasPendingEntry() const { return pending_.has_value(); }

  private:
    struct Pending {
        std::array<std::uint8_t, 64> entry{};
        bool admin = true;
    };
    ScsiReply TakePayload(bool admin, std::span<const std::uint8_t> data);
    ScsiReply RunPending(bool admin, int kind, std::span<std::uint8_t> data, Controller* controller);

    std::optional<Pending> pending_;
};

}  // namespace emu
