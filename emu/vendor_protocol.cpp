#include "emu/vendor_protocol.h"

#include <algorithm>

namespace emu {

using namespace vendor_wire;

namespace {

bool IsTransfer(std::uint32_t cdw14) {
    return (cdw14 & 0xFFFFFF00u) == kTransferBase;
}

}  // namespace

TransferShape VendorProtocol::Shape(const NvmeRequest& request) const {
    const std::uint32_t cdw14 = request.Cdw(14);
    const std::uint64_t bytes = std::uint64_t{request.Cdw(15)} * kSectorBytes;
    if (!IsTransfer(cdw14) || bytes == 0) return {};
    return {request.Opcode() == kOpcodeToHost ? XferDir::ToHost : XferDir::ToDevice, bytes};
}

bool VendorProtocol::ModeOn() {
    FollowRestart();
    return modeOn_;
}

void VendorProtocol::FollowRestart() {
    if (core_.TakeRestart()) {
        modeOn_ = false;
        pending_.reset();
    }
}

NvmeStatus VendorProtocol::Execute(const NvmeRequest& request, std::span<std::uint8_t> data) {
    FollowRestart();
    const std::uint32_t cdw14 = request.Cdw(14);
    if (request.Opcode() == kOpcodeToDevice && (cdw14 == kModeOn || cdw14 == kModeOff)) {
        pending_.reset();
        if (cdw14 == kModeOn && refuseMode_) return nvme_status::kInternalError;
        modeOn_ = cdw14 == kModeOn;
        return nvme_status::kSuccess;
    }
    if (!IsTransfer(cdw14)) {
        pending_.reset();
        return nvme_status::kInvalidField;
    }
    if (!modeOn_) {
        pending_.reset();
        return nvme_status::kCommandSequenceError;
    }
    const std::uint32_t sectors = request.Cdw(15);
    if (std::uint64_t{request.Cdw(10)} != std::uint64_t{sectors} * (kSectorBytes / 4) || sectors == 0) {
        pending_.reset();
        return nvme_status::kInvalidField;
    }
    const auto subCode = static_cast<std::uint8_t>(cdw14 & 0xFF);
    const NvmeStatus status =
        subCode == kPacketSubCode ? PacketPhase(request, data) : DataPhase(request, subCode, data);
    FollowRestart();
    return status;
}

NvmeStatus VendorProtocol::PacketPhase(const NvmeRequest& request, std::span<std::uint8_t> data) {
    pending_.reset();
    if (request.Opcode() != kOpcodeToDevice || data.size() != kSectorBytes) return nvme_status::kInvalidField;
    VendorPacket packet{};
    std::copy_n(data.begin(), packet.size(), packet.begin());
    if (packet[0] != 0xFF || packet[1] != 0xE5) return nvme_status::kInvalidField;
    static constexpr char kHex[] = "0123456789abcdef";
    const char code[] = {'c', 'o', 'd', 'e', kHex[packet[2] >> 4], kHex[packet[2] & 15], '\0'};
    core_.Notify(code);
    const VendorCommand* command = core_.Find(packet[2]);
    if (command == nullptr) return nvme_status::kInvalidOpcode;
    core_.NoteServed(packet);
    if (command->dir == XferDir::None) return command->run(core_, packet, {});
    pending_ = packet;
    return nvme_status::kSuccess;
}

NvmeStatus VendorProtocol::DataPhase(const NvmeRequest& request, std::uint8_t subCode, std::span<std::uint8_t> data) {
    if (!pending_ || (*pending_)[2] != subCode) {
        pending_.reset();
        return nvme_status::kCommandSequenceError;
    }
    const VendorPacket packet = *pending_;
    pending_.reset();
    const VendorCommand* command = core_.Find(subCode);
    const XferDir wanted = request.Opcode() == kOpcodeToHost ? XferDir::ToHost : XferDir::ToDevice;
    if (command == nullptr || command->dir != wanted) return nvme_status::kCommandSequenceError;
    return command->run(core_, packet, data);
}

}  // namespace emu
