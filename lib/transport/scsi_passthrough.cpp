#include "transport/scsi_passthrough.h"

#include <cerrno>
#include <cstring>
#include <span>
#include <string>

#include "platform/scsi.h"
#include "transport/port_guard.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

// Traces why a pass-through failed, as the read or write form names itself; true on success.
bool CheckResult(const platform::PassThroughResult& r, const char* form, const char* path) {
    using Stage = platform::PassThroughResult::Stage;
    if (r.stage == Stage::Open) {
        TraceOut("%s(INVALID_HANDLE_VALUE) = %s\r\n", form, path);
        return false;
    }
    if (r.stage != Stage::Done) {
        TraceOut("LastError(%s)[1] = %d\r\n", form, r.error);
        TraceOut("######### - %s: %s\n", form, platform::DescribeResult(r).c_str());
        return false;
    }
    if (r.scsiStatus != platform::kScsiGood) {
        TraceOut("SCSI Status Fail = %d\n", r.scsiStatus);
        TraceOut("######### - Sense Key = 0x%X, ASC = 0x%02X, ASCQ = 0x%02X\n", r.SenseKey(), r.Asc(), r.Ascq());
        return false;
    }
    return r.Ok();
}

int Carry(const char* form, const char* path, const std::uint8_t* cdb, std::uint8_t cdbLength,
          platform::DataDirection direction, std::uint8_t* buffer, std::uint32_t byteCount,
          std::uint32_t* returnedLength, unsigned timeoutSeconds) {
    if (returnedLength != nullptr) *returnedLength = 0;
    if (path == nullptr) path = "";
    // A 1-byte transfer is carried as 2 bytes through a local buffer (second byte 0 on the way out).
    std::uint8_t two[2] = {0, 0};
    std::uint8_t* data = buffer;
    std::uint32_t length = byteCount;
    if (byteCount == 1 && buffer != nullptr) {
        if (direction == platform::DataDirection::Out) two[0] = buffer[0];
        data = two;
        length = 2;
    }
    if (length == 0) direction = platform::DataDirection::None;
    const std::span<const std::uint8_t> block(cdb, cdb == nullptr ? 0 : cdbLength);
    const std::span<std::uint8_t> span(data, data == nullptr ? 0 : length);
    platform::PassThroughResult r;
    if (data == nullptr && length > 0) {
        r.stage = platform::PassThroughResult::Stage::BadRequest;
        r.error = EINVAL;
    } else {
        r = platform::PassThrough(path, block, direction, span, timeoutSeconds);
    }
    if (!CheckResult(r, form, path)) return 0;
    const std::uint32_t moved = r.transferred < byteCount ? r.transferred : byteCount;
    if (byteCount == 1 && direction == platform::DataDirection::In) buffer[0] = two[0];
    if (returnedLength != nullptr) *returnedLength = moved;
    return 1;
}

}  // namespace

int ReadSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, std::uint8_t cdbLength, void* buffer,
                                    std::uint32_t byteCount, std::uint32_t* returnedLength, unsigned timeoutSeconds) {
    return Carry("ReadSCSICommandWithTimeOutValue", path, cdb, cdbLength, platform::DataDirection::In,
                 static_cast<std::uint8_t*>(buffer), byteCount, returnedLength, timeoutSeconds);
}

int WriteSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, std::uint8_t cdbLength,
                                     const void* buffer, std::uint32_t byteCount, std::uint32_t* returnedLength,
                                     unsigned timeoutSeconds) {
    // The pass-through only reads a data-out buffer.
    auto* data = const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(buffer));
    return Carry("WriteSCSICommandWithTimeOutValue", path, cdb, cdbLength, platform::DataDirection::Out, data,
                 byteCount, returnedLength, timeoutSeconds);
}

int ScsiCdbPassThrough(int port, bool dataIn, const std::uint8_t* cdb, std::uint8_t cdbLength, void* buffer,
                       std::uint32_t byteCount) {
    const char* path = port >= 0 && port < kPortCount ? AP_Instance[port].pDevicePath : nullptr;
    if (path == nullptr || path[0] == '\0') {
        TraceOut("ScsiCdbPassThrough 0 \r\n");
        return -1;
    }
    // A command block never slips between the phases of a command another thread runs on this port.
    auto lock = transport::LockPort(port);
    const int ok =
        dataIn
            ? ReadSCSICommandWithTimeOutValue(path, cdb, cdbLength, buffer, byteCount, nullptr, kScsiTimeoutSeconds)
            : WriteSCSICommandWithTimeOutValue(path, cdb, cdbLength, buffer, byteCount, nullptr, kScsiTimeoutSeconds);
    if (ok == 0) {
        TraceOut("ScsiCdbPassThrough -2 \r\n");
        return -2;
    }
    return 1;
}
