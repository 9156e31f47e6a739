// The ASMedia-type bridge's NVMe tunnel, from the device's side. Command block (16 bytes):
// byte 0 0xEA (data to the device) or 0xEB (data from it, or none), byte 1 0x5A, byte 2 the
// phase (0x80: the 64-byte entry arrives; 0x81: the command's data or completion), byte 3 0 admin
// / 1 I/O, byte 4 the data direction (0 none, 1 to the host, 2 to the device), bytes 10-13 the
// transfer length, big-endian. The entry is kept at phase 0x80 and run at phase 0x81; a data
// phase without an entry, of the wrong direction, or whose length disagrees with the command
// gets CHECK CONDITION.
#pragma once

#include <array>
#include <optional>

#include "emu/bridge.h"

namespace emu {

// Aligned to a cache line: the tunnels of drives busy on different threads never share one.
class alignas(64) AsmediaTypeTunnel : public Tunnel {
  public:
    static constexpr std::uint8_t kOpcodeToDevice = 0xEA;
    static constexpr std::uint8_t kOpcodeFromDevice = 0xEB;
    static constexpr std::uint8_t kSignature = 0x5A;
    static constexpr std::uint8_t kEntryPhase = 0x80;
    static constexpr std::uint8_t kDataPhase = 0x81;
    static constexpr std::size_t kCdbBytes = 16;
    static constexpr std::size_t kEntryBytes = 64;

    std::optional<ScsiReply> Handle(const ScsiCommand& command, Controller* controller) override;

    bool HasPendingEntry() const { return pending_.has_value(); }

  private:
    struct Pending {
        std::array<std::uint8_t, kEntryBytes> entry{};
        bool admin = true;
        std::uint8_t direction = 0;
    };

    std::optional<Pending> pending_;
};

}  // namespace emu
