#include "emu/fixture_protocol.h"

#include <algorithm>

#include "emu/bay.h"
#include "emu/poison.h"

namespace emu {

namespace {

constexpr std::uint8_t kRequest = 0xAA;
constexpr std::uint8_t kReply = 0xBB;
constexpr std::size_t kPayload = 2;

bool InRange(int slot) {
    return slot >= 0 && slot < kBoardSlots;
}

}  // namespace

FixtureProtocol::FixtureProtocol(Bay& bay, const BoardConfig& config) : bay_(bay), config_(config) {
    for (int n = 0; n < kBoardSlots; ++n) {
        if (config_.slotDrive[n].empty()) continue;
        slots_[n].drive = config_.slotDrive[n];
        slots_[n].plugCount = 1;
        if ((config_.poweredAtStart & (1u << n)) != 0) {
            slots_[n].powered = true;
            slots_[n].powerOns = 1;
        }
    }
}

std::optional<HidPayload> FixtureProtocol::Answer(const HidPayload& request) {
    std::lock_guard lock(mutex_);
    log_.push_back(request);
    const int code = request[1];
    if (request[0] != kRequest || code < 1 || code > 10) return std::nullopt;
    HidPayload reply;
    FillPoison(reply);
    reply[0] = kReply;
    reply[1] = static_cast<std::uint8_t>(config_.badEcho ? code % 10 + 1 : code);
    for (int n = 0; n < kBoardSlots; ++n) {
        const std::uint8_t arg = request[kPayload + n];
        Slot& slot = slots_[n];
        const bool seated = !slot.drive.empty();
        switch (code) {
            case 1:
                reply[kPayload + n] = seated ? 1 : 0;
                break;
            case 2:
                if (arg == 1) PowerOnLocked(n);
                break;
            case 3:
                if (arg == 0) PowerOffLocked(n);
                break;
            case 4:
                if (arg == 1) slot.plugCount = 0;
                break;
            case 5:
                reply[kPayload + n] = slot.plugCount;
                break;
            case 8: {
                const std::uint32_t current =
                    slot.powered && seated ? std::min<std::uint32_t>(config_.currentCentiMa[n], 0xFFFF) : 0;
                reply[kPayload + 2 * n] = static_cast<std::uint8_t>(current);
                reply[kPayload + 2 * n + 1] = static_cast<std::uint8_t>(current >> 8);
                break;
            }
            case 9:
                if (arg == 1) slot.loopBack = true;
                break;
            case 10:
                if (arg == 0) slot.loopBack = false;
                break;
            default:
                break;
        }
    }
    if (code == 6) loaderRequest_ = true;
    if (code == 7) loaderRequest_ = false;
    return reply;
}

void FixtureProtocol::PowerOnLocked(int n) {
    Slot& slot = slots_[n];
    if (slot.powered || slot.drive.empty()) return;
    slot.powered = true;
    ++slot.powerOns;
    if (!ShowsUpLocked(n)) return;
    bay_.PowerOn(slot.drive, loaderRequest_);
    bay_.Plug(slot.drive);
}

bool FixtureProtocol::ShowsUpLocked(int n) const {
    const Slot& slot = slots_[n];
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << n);
    if (!slot.powered || slot.drive.empty() || (config_.noLink & bit) != 0) return false;
    return (config_.lateLink & bit) == 0 || slot.powerOns >= 2;
}

void FixtureProtocol::PowerOffLocked(int n) {
    Slot& slot = slots_[n];
    if (!slot.powered) return;
    slot.powered = false;
    if (!slot.drive.empty()) bay_.Unplug(slot.drive);
}

bool FixtureProtocol::Seat(int n, const std::string& drive) {
    std::lock_guard lock(mutex_);
    if (!InRange(n)) return false;
    PowerOffLocked(n);
    slots_[n].drive = drive;
    slots_[n].powerOns = 0;
    if (slots_[n].plugCount < 255) ++slots_[n].plugCount;
    return true;
}

bool FixtureProtocol::Unseat(int n) {
    std::lock_guard lock(mutex_);
    if (!InRange(n)) return false;
    PowerOffLocked(n);
    slots_[n].drive.clear();
    return true;
}

bool FixtureProtocol::Powered(int n) const {
    std::lock_guard lock(mutex_);
    return InRange(n) && slots_[n].powered;
}

bool FixtureProtocol::DriveShowsUp(int n) const {
    std::lock_guard lock(mutex_);
    return InRange(n) && ShowsUpLocked(n);
}

bool FixtureProtocol::LoopBack(int n) const {
    std::lock_guard lock(mutex_);
    return InRange(n) && slots_[n].loopBack;
}

int FixtureProtocol::PlugCount(int n) const {
    std::lock_guard lock(mutex_);
    return InRange(n) ? slots_[n].plugCount : 0;
}

bool FixtureProtocol::LoaderRequest() const {
    std::lock_guard lock(mutex_);
    return loaderRequest_;
}

std::vector<HidPayload> FixtureProtocol::RequestLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

}  // namespace emu
