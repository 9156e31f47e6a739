// The controller's vendor-command protocol, carried in two NVMe admin opcodes:
//   0xC1 with CDW14 0x00D95AFF / 0x00C65AFF switches vendor-command mode on / off (no data);
//   0xC1 with CDW14 0x00715AFF is the packet phase: one sector beginning 0xFF 0xE5 code;
//   0xC1 / 0xC2 with CDW14 0x00715A00 | code is the data phase (to / from the controller) of the
//   packet just received, whose code must match; CDW15 = sectors, CDW10 = sectors x 128.
// A command without data runs at its packet phase. The mode is off after every restart or jump.
#pragma once

#include <optional>
#include <span>

#include "emu/controller_core.h"
#include "emu/nvme_types.h"

namespace emu {

namespace vendor_wire {
inline constexpr std::uint8_t kOpcodeToDevice = 0xC1;
inline constexpr std::uint8_t kOpcodeToHost = 0xC2;
inline constexpr std::uint32_t kModeOn = 0x00D95AFF;
inline constexpr std::uint32_t kModeOff = 0x00C65AFF;
inline constexpr std::uint32_t kTransferBase = 0x00715A00;
inline constexpr std::uint8_t kPacketSubCode = 0xFF;
}  // namespace vendor_wire

class VendorProtocol {
  public:
    explicit VendorProtocol(ControllerCore& core) : core_(core) {}

    static bool IsVendorOpcode(std::uint8_t opcode) {
        return opcode == vendor_wire::kOpcodeToDevice || opcode == vendor_wire::kOpcodeToHost;
    }
    TransferShape Shape(const NvmeRequest& request) const;
    // `data` is exactly what Shape asked for.
    NvmeStatus Execute(const NvmeRequest& request, std::span<std::uint8_t> data);

    bool ModeOn();
    // Fault: the controller refuses to switch vendor-command mode on.
    void SetRefuseMode(bool refuse) { refuseMode_ = refuse; }

  private:
    void FollowRestart();
    NvmeStatus PacketPhase(const NvmeRequest& request, std::span<std::uint8_t> data);
    NvmeStatus DataPhase(const NvmeRequest& request, std::uint8_t subCode, std::span<std::uint8_t> data);

    ControllerCore& core_;
    bool modeOn_ = false;
    bool refuseMode_ = false;
    std::optional<VendorPacket> pending_;
};

}  // namespace emu
