// SCSI pass-through: one command block with its data phase, carried to the device named by a
// path. The result keeps both tiers: whether the command was delivered (an errno, a time-out)
// and what the device answered (SCSI status, sense data), so a trace can say why it failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

enum class DataDirection : std::uint8_t { None, In, Out };  // In: device to host

inline constexpr std::size_t kMaxCdbLength = 16;
inline constexpr std::size_t kSenseLength = 32;

// SCSI status bytes.
inline constexpr std::uint8_t kScsiGood = 0x00;
inline constexpr std::uint8_t kScsiCheckCondition = 0x02;

struct PassThroughResult {
    enum class Stage : std::uint8_t {
        Done,        // the device answered; look at the statuses
        BadRequest,  // refused before anything was sent (command block length, buffer)
        Open,        // the path could not be opened
        Transfer,    // the pass-through call failed or the transport reported an error
    };
    Stage stage = Stage::BadRequest;
    int error = 0;  // errno of the failing step (ETIMEDOUT for a time-out), 0 when delivered
    std::uint8_t scsiStatus = 0;
    std::uint16_t hostStatus = 0;    // adapter status, 0 = good
    std::uint16_t driverStatus = 0;  // driver status, 0 or "sense data present" = good
    std::uint8_t senseLength = 0;
    std::uint8_t sense[kSenseLength] = {};
    std::uint32_t transferred = 0;  // bytes actually moved in the data phase

    bool Delivered() const { return stage == Stage::Done; }
    bool TimedOut() const;
    // Delivered, and SCSI, host and driver status are all good.
    bool Ok() const;
    // From fixed- or descriptor-format sense data; 0 when there is none.
    std::uint8_t SenseKey() const;
    std::uint8_t Asc() const;
    std::uint8_t Ascq() const;
};

// One line saying why a pass-through failed (or "good"), for traces.
std::string DescribeResult(const PassThroughResult& result);

// Carries one command block to `path` through the backend registered for it (paths beginning
// "emu:" go to the emulated bay, the rest to the operating system). `data` is read for Out,
// filled for In and must be empty for None. The device is opened and closed for this one call.
// Throws Cancelled when the calling thread's cancel token is cancelled.
PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb, DataDirection direction,
                              std::span<std::uint8_t> data, unsigned timeoutSeconds);

}  // namespace platform
