#include "platform/linux/sg_io.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace platform::linuxos {

namespace {
constexpr std::uint16_t kDidTimeOut = 0x03;
constexpr std::uint16_t kDriverTimeout = 0x06;
constexpr std::uint16_t kDriverSense = 0x08;
}  // namespace

bool ValidRequest(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> data) {
    if (cdb.empty() || cdb.size() > kMaxCdbLength) return false;
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    if (direction == DataDirection::None) return data.empty();
    return data.empty() || data.data() != nullptr;
}

sg_io_hdr_t BuildSgIo(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> data,
                      unsigned timeoutSeconds, std::span<std::uint8_t> sense) {
    sg_io_hdr_t hdr;
    std::memset(&hdr, 0, sizeof hdr);
    hdr.interface_id = 'S';
    hdr.cmd_len = static_cast<unsigned char>(cdb.size());
    hdr.cmdp = const_cast<unsigned char*>(cdb.data());
    hdr.mx_sb_len = static_cast<unsigned char>(std::min<std::size_t>(sense.size(), 255));
    hdr.sbp = sense.data();
    if (data.empty() || direction == DataDirection::None) {
        hdr.dxfer_direction = SG_DXFER_NONE;
    } else {
        hdr.dxfer_direction = direction == DataDirection::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        hdr.dxfer_len = static_cast<unsigned int>(data.size());
        hdr.dxferp = data.data();
    }
    // The kernel takes 0 as "its default"; a caller's 0 seconds still gets a bound of one second.
    const unsigned maxSeconds = std::numeric_limits<unsigned int>::max() / 1000U;
    hdr.timeout = std::clamp(timeoutSeconds, 1U, maxSeconds) * 1000U;
    return hdr;
}

PassThroughResult ReadSgIoResult(const sg_io_hdr_t& hdr, int ioctlResult, int ioctlErrno) {
    PassThroughResult r;
    if (ioctlResult < 0) {
        r.stage = PassThroughResult::Stage::Transfer;
        r.error = ioctlErrno != 0 ? ioctlErrno : EIO;
        return r;
    }
    r.scsiStatus = hdr.status;
    r.hostStatus = hdr.host_status;
    r.driverStatus = hdr.driver_status;
    r.senseLength = static_cast<std::uint8_t>(std::min<std::size_t>(hdr.sb_len_wr, kSenseLength));
    if (hdr.sbp != nullptr && r.senseLength > 0) std::memcpy(r.sense, hdr.sbp, r.senseLength);
    const unsigned resid = hdr.resid > 0 ? static_cast<unsigned>(hdr.resid) : 0U;
    r.transferred = hdr.dxfer_len > resid ? hdr.dxfer_len - resid : 0U;
    const std::uint16_t driver = hdr.driver_status & 0x0F;
    if (hdr.host_status != 0 || (driver != 0 && driver != kDriverSense)) {
        r.stage = PassThroughResult::Stage::Transfer;
        r.error = hdr.host_status == kDidTimeOut || driver == kDriverTimeout ? ETIMEDOUT : EIO;
        r.transferred = 0;
        return r;
    }
    r.stage = PassThroughResult::Stage::Done;
    return r;
}

PassThroughResult SgIoPassThrough(const char* path, std::span<const std::uint8_t> cdb, DataDirection direction,
                                  std::span<std::uint8_t> data, unsigned timeoutSeconds) {
    PassThroughResult r;
    if (!ValidRequest(cdb, direction, data)) {
        r.stage = PassThroughResult::Stage::BadRequest;
        r.error = EINVAL;
        return r;
    }
    const int fd = ::open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        r.stage = PassThroughResult::Stage::Open;
        r.error = errno;
        return r;
    }
    std::uint8_t sense[kSenseLength] = {};
    sg_io_hdr_t hdr = BuildSgIo(cdb, direction, data, timeoutSeconds, sense);
    const int rc = ::ioctl(fd, SG_IO, &hdr);
    const int err = rc < 0 ? errno : 0;
    ::close(fd);
    return ReadSgIoResult(hdr, rc, err);
}

}  // namespace platform::linuxos
