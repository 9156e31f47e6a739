#include "emu/drive.h"

#include <cctype>
#include <cerrno>

#include "platform/clock.h"

namespace emu {

namespace {

constexpr std::uint16_t kHostTimeOut = 0x03;

std::string PathOf(const std::string& name) {
    std::string path = "emu:";
    for (char c : name) path += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

platform::PassThroughResult FromReply(const ScsiReply& reply) {
    platform::PassThroughResult r;
    r.stage = platform::PassThroughResult::Stage::Done;
    r.scsiStatus = reply.status;
    r.transferred = reply.transferred;
    if (reply.status == platform::kScsiCheckCondition) {
        r.senseLength = 18;
        r.sense[0] = 0x70;  // fixed format, current error
        r.sense[2] = reply.senseKey;
        r.sense[7] = 10;
        r.sense[12] = reply.asc;
        r.sense[13] = reply.ascq;
        r.driverStatus = 0x08;  // sense data present
        r.transferred = 0;
    }
    return r;
}

}  // namespace

Drive::Drive(DriveConfig config, int index)
    : config_(std::move(config)),
      path_(PathOf(config_.name)),
      index_(index),
      plugged_(config_.plugged),
      fault_(config_.fault),
      bridge_(config_) {}

platform::PassThroughResult Drive::Execute(std::span<const std::uint8_t> cdb, platform::DataDirection direction,
                                           std::span<std::uint8_t> data, unsigned timeoutSeconds) {
    platform::PassThroughResult r;
    if (!plugged_.load()) {
        r.stage = platform::PassThroughResult::Stage::Open;
        r.error = ENOENT;
        return r;
    }
    if (cdb.empty() || cdb.size() > platform::kMaxCdbLength ||
        (direction == platform::DataDirection::None && !data.empty())) {
        r.stage = platform::PassThroughResult::Stage::BadRequest;
        r.error = EINVAL;
        return r;
    }
    std::lock_guard lock(mutex_);
    ++commands_;
    switch (fault_.load()) {
        case DriveFault::NoAnswer:
            platform::Sleep((timeoutSeconds == 0 ? 1 : timeoutSeconds) * 1000U);
            r.stage = platform::PassThroughResult::Stage::Transfer;
            r.error = ETIMEDOUT;
            r.hostStatus = kHostTimeOut;
            return r;
        case DriveFault::Fail:
            return FromReply(ScsiReply::Check(kSenseHardwareError, kAscInternalTargetFailure));
        case DriveFault::None:
            break;
    }
    return FromReply(bridge_.Handle({cdb, direction, data}));
}

}  // namespace emu
