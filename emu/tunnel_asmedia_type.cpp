#include "emu/tunnel_asmedia_type.h"

#include <algorithm>

#include "emu/poison.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::uint8_t kDirNone = 0, kDirToHost = 1, kDirToDevice = 2;

std::uint8_t DirectionByte(XferDir dir) {
    switch (dir) {
        case XferDir::ToHost:
            return kDirToHost;
        case XferDir::ToDevice:
            return kDirToDevice;
        case XferDir::None:
            break;
    }
    return kDirNone;
}

}  // namespace

ScsiAnswer AsmediaTypeTunnel::Handle(std::span<const std::uint8_t> cdb, HostDir dir, std::span<std::uint8_t> data) {
    if (cdb.size() < kCdbBytes || !Claims(cdb) || cdb[1] != kSignature || cdb[3] > 1 || cdb[4] > kDirToDevice) {
        pending_.reset();
        return ScsiAnswer::InvalidCdb();
    }
    const bool toDevice = cdb[0] == kOpcodeToDevice;
    const std::uint8_t phase = cdb[2];
    const bool admin = cdb[3] == 0;
    const std::uint8_t direction = cdb[4];
    const std::uint32_t length = wire::GetBe32(&cdb[10]);
    const HostDir expected = length == 0 ? HostDir::None : (toDevice ? HostDir::ToDevice : HostDir::FromDevice);
    const HostDir given = length == 0 ? HostDir::None : dir;
    if (length != data.size() || expected != given) {
        pending_.reset();
        return ScsiAnswer::InvalidCdb();
    }
    if (phase == kEntryPhase) {
        pending_.reset();
        if (!toDevice || data.size() != kNvmeEntryBytes) return ScsiAnswer::InvalidCdb();
        Pending p;
        p.request.admin = admin;
        std::copy(data.begin(), data.end(), p.request.entry.begin());
        p.direction = direction;
        pending_ = p;
        return ScsiAnswer::Good();
    }
    if (phase != kDataPhase) {
        pending_.reset();
        return ScsiAnswer::InvalidCdb();
    }
    // 0xEA carries data to the device; 0xEB data from it or nothing.
    if (toDevice != (direction == kDirToDevice)) {
        pending_.reset();
        return ScsiAnswer::InvalidCdb();
    }
    return RunPending(admin, direction, data);
}

ScsiAnswer AsmediaTypeTunnel::RunPending(bool admin, std::uint8_t direction, std::span<std::uint8_t> data) {
    if (!pending_) return ScsiAnswer::SequenceError();
    const Pending p = *pending_;
    pending_.reset();
    if (p.request.admin != admin || p.direction != direction) return ScsiAnswer::InvalidCdb();
    const TransferShape shape = controller_.Shape(p.request);
    if (DirectionByte(shape.dir) != direction || shape.bytes != data.size()) return ScsiAnswer::InvalidCdb();
    if (shape.dir == XferDir::ToHost) FillPoison(data);
    return ScsiAnswer::FromNvme(controller_.Execute(p.request, data));
}

}  // namespace emu
