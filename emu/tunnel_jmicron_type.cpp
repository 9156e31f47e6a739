#include "emu/tunnel_jmicron_type.h"

#include <algorithm>
#include <cstring>

#include "emu/tunnel_sense.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

enum Kind { kPayload = 0, kNonData = 1, kDataIn = 2, kDataOut = 3 };
using platform::DataDirection;

DataDirection DirOfKind(int kind) {
    switch (kind) {
        case kDataIn:
            return DataDirection::In;
        case kNonData:
            return DataDirection::None;
        default:
            return DataDirection::Out;
    }
}

NvmeDirection NvmeDirOfKind(int kind) {
    switch (kind) {
        case kDataIn:
            return NvmeDirection::ToHost;
        case kDataOut:
            return NvmeDirection::FromHost;
        default:
            return NvmeDirection::None;
    }
}

}  // namespace

std::optional<ScsiReply> JmicronTypeTunnel::Handle(const ScsiCommand& command, Controller* controller) {
    const auto cdb = command.cdb;
    if (cdb.empty() || cdb[0] != kOpcode) return std::nullopt;
    if (cdb.size() < kCdbBytes) {
        pending_.reset();
        return InvalidCdbReply();
    }
    const bool admin = (cdb[1] & 0x80) != 0;
    const int kind = cdb[1] & 0x7F;
    const std::uint32_t length = wire::GetBe24(&cdb[3]);
    // A zero-length transfer carries no data whatever direction the host named.
    const DataDirection given = command.data.empty() ? DataDirection::None : command.direction;
    const DataDirection expected = length == 0 ? DataDirection::None : DirOfKind(kind);
    if (kind > kDataOut || length != command.data.size() || given != expected || (kind == kNonData && length != 0)) {
        pending_.reset();
        return InvalidCdbReply();
    }
    if (kind == kPayload) return TakePayload(admin, command.data);
    return RunPending(admin, kind, command.data, controller);
}

ScsiReply JmicronTypeTunnel::TakePayload(bool admin, std::span<const std::uint8_t> data) {
    pending_.reset();
    if (data.size() != kPayloadBytes || std::memcmp(data.data(), "NVME", 4) != 0) return InvalidCdbReply();
    Pending p;
    p.admin = admin;
    std::copy_n(data.begin() + 8, p.entry.size(), p.entry.begin());
    pending_ = p;
    return ScsiReply::Good(static_cast<std::uint32_t>(data.size()));
}

ScsiReply JmicronTypeTunnel::RunPending(bool admin, int kind, std::span<std::uint8_t> data, Controller* controller) {
    if (!pending_) return SequenceErrorReply();
    const Pending p = *pending_;
    pending_.reset();
    if (p.admin != admin) return InvalidCdbReply();
    if (controller == nullptr) return NoControllerReply();
    return ReplyForCompletion(controller->Execute(p.entry, p.admin, NvmeDirOfKind(kind), data));
}

}  // namespace emu
