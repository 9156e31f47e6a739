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
      bridge_(config_) {
    // Checked when the bay was read (DriveTimingAndFaults); a drive made by hand ignores what is not sound.
    std::string error;
    if (const auto faults = ParseFaultAt(config_.section.GetOr("FaultAt", ""), &error)) ScheduleFaults(*faults);
    if (const auto us = ParseCommandLatencyUs(config_, &error)) commandLatencyUs_.store(*us);
}

std::optional<std::uint64_t> ParseCommandLatencyUs(const DriveConfig& config, std::string* error) {
    const std::string text = config.section.GetOr("CommandLatencyUs", "0");
    std::uint64_t us = 0;
    if (text.empty() || text.size() > 9) {
        if (error != nullptr) *error = config.name + ": CommandLatencyUs=" + text + " is not 0 to 999999999";
        return std::nullopt;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            if (error != nullptr) *error = config.name + ": CommandLatencyUs=" + text + " is not 0 to 999999999";
            return std::nullopt;
        }
        us = us * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return us;
}

bool CheckDriveTimingAndFaults(const DriveConfig& config, std::string* error) {
    if (!ParseCommandLatencyUs(config, error)) return false;
    std::string why;
    if (!ParseFaultAt(config.section.GetOr("FaultAt", ""), &why)) {
        if (error != nullptr) *error = config.name + ": " + why;
        return false;
    }
    return true;
}

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
    std::unique_lock lock(mutex_);
    ++commands_;
    // The bridge's time, before the command takes effect: a host stopped meanwhile leaves the drive
    // as if the command had not arrived.
    latency_.Charge(commandLatencyUs_.load());
    platform::PassThroughResult result = Run(cdb, direction, data, timeoutSeconds);
    for (auto& f : schedule_.Answered(++answered_)) due_.push_back(std::move(f));
    std::vector<std::string> due;
    due.swap(due_);
    lock.unlock();
    for (const std::string& fault : due) Apply(fault);
    return result;
}

void Drive::PowerOn(bool loaderRequest) {
    std::lock_guard lock(mutex_);
    if (Controller* controller = bridge_.GetController()) controller->PowerOn(loaderRequest);
}

std::optional<std::string> Drive::SaveState() {
    std::lock_guard lock(mutex_);
    Controller* controller = bridge_.GetController();
    return controller != nullptr ? controller->SaveState() : std::nullopt;
}

bool Drive::LoadState(std::string_view bytes, std::string* why) {
    std::lock_guard lock(mutex_);
    Controller* controller = bridge_.GetController();
    if (controller == nullptr) {
        if (why != nullptr) *why = "no controller behind the bridge";
        return false;
    }
    if (!controller->LoadState(bytes, why)) return false;
    controller->PowerOn(false);
    return true;
}

void Drive::OnControllerEvent(std::string_view event) {
    for (auto& f : schedule_.Event(event)) due_.push_back(std::move(f));
}

void Drive::Apply(const std::string& fault) {
    if (fault == "unplug") {
        if (unplug_) {
            unplug_();
        } else {
            plugged_.store(false);
        }
    } else if (fault == "noanswer") {
        fault_.store(DriveFault::NoAnswer);
    } else if (Controller* controller = bridge_.GetController()) {
        controller->ApplyFault(fault);
    }
}

platform::PassThroughResult Drive::Run(std::span<const std::uint8_t> cdb, platform::DataDirection direction,
                                       std::span<std::uint8_t> data, unsigned timeoutSeconds) {
    platform::PassThroughResult r;
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
