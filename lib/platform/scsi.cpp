#include "platform/scsi.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/cancel.h"

namespace platform {

namespace {

const char* SenseKeyText(std::uint8_t key) {
    static const char* const kTexts[16] = {
        "NO SENSE",       "RECOVERED ERROR", "NOT READY",   "MEDIUM ERROR",    "HARDWARE ERROR", "ILLEGAL REQUEST",
        "UNIT ATTENTION", "DATA PROTECT",    "BLANK CHECK", "VENDOR SPECIFIC", "COPY ABORTED",   "ABORTED COMMAND",
        "RESERVED",       "VOLUME OVERFLOW", "MISCOMPARE",  "COMPLETED",
    };
    return kTexts[key & 0x0F];
}

const char* ScsiStatusText(std::uint8_t status) {
    switch (status) {
        case 0x00:
            return "GOOD";
        case 0x02:
            return "CHECK CONDITION";
        case 0x04:
            return "CONDITION MET";
        case 0x08:
            return "BUSY";
        case 0x18:
            return "RESERVATION CONFLICT";
        case 0x28:
            return "TASK SET FULL";
        case 0x30:
            return "ACA ACTIVE";
        case 0x40:
            return "TASK ABORTED";
        default:
            return "unknown status";
    }
}

const char* HostStatusText(std::uint16_t status) {
    static const char* const kTexts[] = {
        "ok",          "no connection", "bus busy",        "time-out",  "bad target",
        "aborted",     "parity error",  "internal error",  "bus reset", "bad interrupt",
        "passthrough", "soft error",    "immediate retry", "requeue",   "transport disrupted",
    };
    return status < sizeof kTexts / sizeof kTexts[0] ? kTexts[status] : "unknown host status";
}

bool DescriptorFormat(const PassThroughResult& r) {
    return r.senseLength > 0 && ((r.sense[0] & 0x7F) == 0x72 || (r.sense[0] & 0x7F) == 0x73);
}

}  // namespace

bool PassThroughResult::TimedOut() const {
    return error == ETIMEDOUT;
}

bool PassThroughResult::Ok() const {
    const std::uint16_t driver = driverStatus & 0x0F;
    return Delivered() && scsiStatus == kScsiGood && hostStatus == 0 && (driver == 0 || driver == 0x08);
}

std::uint8_t PassThroughResult::SenseKey() const {
    if (DescriptorFormat(*this)) return senseLength > 1 ? sense[1] & 0x0F : 0;
    return senseLength > 2 ? sense[2] & 0x0F : 0;
}

std::uint8_t PassThroughResult::Asc() const {
    if (DescriptorFormat(*this)) return senseLength > 2 ? sense[2] : 0;
    return senseLength > 12 ? sense[12] : 0;
}

std::uint8_t PassThroughResult::Ascq() const {
    if (DescriptorFormat(*this)) return senseLength > 3 ? sense[3] : 0;
    return senseLength > 13 ? sense[13] : 0;
}

std::string DescribeResult(const PassThroughResult& r) {
    char line[256];
    switch (r.stage) {
        case PassThroughResult::Stage::BadRequest:
            std::snprintf(line, sizeof line, "request refused before sending (errno %d)", r.error);
            break;
        case PassThroughResult::Stage::Open:
            std::snprintf(line, sizeof line, "open failed: %s (errno %d)", std::strerror(r.error), r.error);
            break;
        case PassThroughResult::Stage::Transfer:
            std::snprintf(line, sizeof line,
                          "not delivered: %s (errno %d), host status 0x%02X (%s), driver status 0x%02X",
                          std::strerror(r.error), r.error, r.hostStatus, HostStatusText(r.hostStatus), r.driverStatus);
            break;
        case PassThroughResult::Stage::Done:
            if (r.Ok()) {
                std::snprintf(line, sizeof line, "good, %u bytes moved", r.transferred);
            } else if (r.senseLength > 0) {
                std::snprintf(line, sizeof line,
                              "SCSI status 0x%02X (%s), sense key 0x%X (%s), ASC 0x%02X, ASCQ 0x%02X", r.scsiStatus,
                              ScsiStatusText(r.scsiStatus), r.SenseKey(), SenseKeyText(r.SenseKey()), r.Asc(),
                              r.Ascq());
            } else {
                std::snprintf(line, sizeof line, "SCSI status 0x%02X (%s), no sense data", r.scsiStatus,
                              ScsiStatusText(r.scsiStatus));
            }
            break;
    }
    return line;
}

PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb, DataDirection direction,
                              std::span<std::uint8_t> data, unsigned timeoutSeconds) {
    ThrowIfCancelled();
    return BackendForCall(path).PassThrough(path, cdb, direction, data, timeoutSeconds);
}

}  // namespace platform
