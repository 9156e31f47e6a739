// The ASMedia-type bridge's NVMe tunnel, from the device's side. Command block (16 bytes):
// byte 0 0xEA (data to the device) or 0xEB (data from it, or none), byte 1 0x5A, byte 2 the
// phase (0x80: the 64-byte entry arrives; 0x81: the command's data or completion), byte 3 0 admin
// / 1 I/O, byte 4 the data direction (0 none, 1 to the host, 2 to the device), bytes 10-13 the
// transfer length, big-endian. The entry is kept at phase 0x80 and run at phase 0x81; a data
// phase without an entry, of the wrong direction, or whose length disagrees with the command
// gets CHECK CONDITION.
#pragma once

#include <optional>
#include <span>

#include "emu/nvme_controller.h"
#include "emu/scsi_answer.h"

namespace emu {

class AsmediaTypeTunnel {
  public:
    static constexpr std::uint8_t kOpcodeToDevice = 0xEA;
    static constexpr std::uint8_t kOpcodeFromDevice = 0xEB;
    static constexpr std::uint8_t kSignature = 0x5A;
    static constexpr std::uint8_t kEntryPhase = 0x80;
    static constexpr std::uint8_t kDataPhase = 0x81;
    static constexpr std::size_t kCdbBytes = 16;

    explicit AsmediaTypeTunnel(NvmeController& controller) : controller_(controller) {}

    static bool Claims(std::span<const std::uint8_t> cdb) {
        return !cdb.empty() && (cdb[0] == kOpcodeToDevice || cdb[0] == kOpcodeFromDevice);
    }
    ScsiAnswer Handle(std::span<const std::uint8_t> cdb, HostDir dir, std::span<std::uint8_t> data);

    bool HasPendingEntry() const { return pending_.has_value(); }

  private:
    struct Pending {
        NvmeRequest request;
        std::uint8_t direction = 0;
    };
    ScsiAnswer RunPending(bool admin, std::uint8_t direction, std::span<std::uint8_t> data);

    NvmeController& controller_;
    std::optional<Pending> pending_;
};

}  // namespace emu
