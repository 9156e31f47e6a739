#include "emu/tunnel_asmedia_type.h"

#include <algorithm>

#include "emu/tunnel_sense.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

using platform::DataDirection;
constexpr std::uint8_t kDirNone = 0, kDirToHost = 1, kDirToDevice = 2;

NvmeDirection NvmeDirOf(std::uint8_t direction) {
    switch (direction) {
        case kDirToHost:
            return NvmeDirection::ToHost;
        case kDirToDevice:
            return NvmeDirection::FromHost;
        default:
            return NvmeDirection::None;
    }
}

}  // namespace

std::optional<ScsiReply> AsmediaTypeTunnel::Handle(const ScsiCommand& command, Controller* controller) {
    const auto cdb = command.cdb;
    if (cdb.empty() || (cdb[0] != kOpcodeToDevice && cdb[0] != kOpcodeFromDevice)) return std::nullopt;
    if (cdb.size() < kCdbBytes || cdb[1] != kSignature || cdb[3] > 1 || cdb[4] > kDirToDevice) {
        pending_.reset();
        return InvalidCdbReply();
    }
    const bool toDevice = cdb[0] == kOpcodeToDevice;
    const std::uint8_t phase = cdb[2];
    const bool admin = cdb[3] == 0;
    const std::uint8_t direction = cdb[4];
    const std::uint32_t length = wire::GetBe32(&cdb[10]);
    const DataDirection given = command.data.empty() ? DataDirection::None : command.direction;
    const DataDirection expected =
        length == 0 ? DataDirection::None : (toDevice ? DataDirection::Out : DataDirection::In);
    if (length != command.data.size() || given != expected) {
        pending_.reset();
        return InvalidCdbReply();
    }
    if (phase == kEntryPhase) {
        pending_.reset();
        if (!toDevice || length != kEntryBytes) return InvalidCdbReply();
        Pending p;
        std::copy(command.data.begin(), command.data.end(), p.entry.begin());
        p.admin = admin;
        p.direction = direction;
        pending_ = p;
        return ScsiReply::Good(length);
    }
    // 0xEA carries data to the device; 0xEB data from it or nothing.
    if (phase != kDataPhase || toDevice != (direction == kDirToDevice)) {
        pending_.reset();
        return InvalidCdbReply();
    }
    if (!pending_) return SequenceErrorReply();
    const Pending p = *pending_;
    pending_.reset();
    if (p.admin != admin || p.direction != direction) return InvalidCdbReply();
    if (controller == nullptr) return NoControllerReply();
    return ReplyForCompletion(controller->Execute(p.entry, p.admin, NvmeDirOf(direction), command.data));
}

}  // namespace emu
