#include "emu/tunnel_jmicron_type.h"

#include <algorithm>
#include <cstring>

#include "emu/poison.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

enum Kind { kPayload = 0, kNonData = 1, kDataIn = 2, kDataOut = 3 };

HostDir DirOfKind(int kind) {
    switch (kind) {
        case kDataIn:
            return HostDir::FromDevice;
        case kNonData:
            return HostDir::None;
        default:
            return HostDir::ToDevice;
    }
}

}  // namespace

ScsiAnswer JmicronTypeTunnel::Handle(std::span<const std::uint8_t> cdb, HostDir dir, std::span<std::uint8_t> data) {
    if (cdb.size() < kCdbBytes || cdb[0] != kOpcode) return ScsiAnswer::InvalidCdb();
    const bool admin = (cdb[1] & 0x80) != 0;
    const int kind = cdb[1] & 0x7F;
    const std::uint32_t length = wire::GetBe24(&cdb[3]);
    if (kind > kDataOut || length != data.size()) {
        pending_.reset();
        return ScsiAnswer::InvalidCdb();
    }
    // A zero-length transfer carries no data whatever direction the host named.
    const HostDir expected = length == 0 ? HostDir::None : DirOfKind(kind);
    const HostDir given = length == 0 ? HostDir::None : dir;
    if (expected != given || (kind == kNonData && length != 0)) {
        pending_.reset();
        return ScsiAnswer::InvalidCdb();
    }
    if (kind == kPayload) return TakePayload(admin, data);
    return RunPending(admin, kind, data);
}

ScsiAnswer JmicronTypeTunnel::TakePayload(bool admin, std::span<const std::uint8_t> data) {
    pending_.reset();
    if (data.size() != kPayloadBytes || std::memcmp(data.data(), "NVME", 4) != 0) return ScsiAnswer::InvalidCdb();
    NvmeRequest request;
    request.admin = admin;
    std::copy_n(data.begin() + 8, request.entry.size(), request.entry.begin());
    pending_ = request;
    return ScsiAnswer::Good();
}

ScsiAnswer JmicronTypeTunnel::RunPending(bool admin, int kind, std::span<std::uint8_t> data) {
    if (!pending_) return ScsiAnswer::SequenceError();
    const NvmeRequest request = *pending_;
    pending_.reset();
    if (request.admin != admin) return ScsiAnswer::InvalidCdb();
    const TransferShape shape = controller_.Shape(request);
    const bool fits = (kind == kNonData && shape.bytes == 0) ||
                      (kind == kDataIn && shape.dir == XferDir::ToHost && shape.bytes == data.size()) ||
                      (kind == kDataOut && shape.dir == XferDir::ToDevice && shape.bytes == data.size());
    if (!fits) return ScsiAnswer::InvalidCdb();
    if (kind == kDataIn) FillPoison(data);
    return ScsiAnswer::FromNvme(controller_.Execute(request, data));
}

}  // namespace emu
