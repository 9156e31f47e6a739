// The SG_IO (interface v3) request for one command block, and the reading of its answer, as
// pure functions; the Linux pass-through only opens the device and issues the ioctl between them.
#pragma once

#include <scsi/sg.h>

#include <cstdint>
#include <span>

#include "platform/scsi.h"

namespace platform::linuxos {

// False when the request cannot be sent: command block not 1..16 bytes, a data phase without a
// buffer, a data buffer with direction None, or more than 4 GiB.
bool ValidRequest(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> data);

// Fills an SG_IO header: direction (None whenever there is no data), transfer length, command
// block, sense buffer, time-out in milliseconds from the caller's seconds (capped, never 0).
sg_io_hdr_t BuildSgIo(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> data,
                      unsigned timeoutSeconds, std::span<std::uint8_t> sense);

// Reads the answer: `ioctlResult` and `ioctlErrno` are what the ioctl returned.
PassThroughResult ReadSgIoResult(const sg_io_hdr_t& hdr, int ioctlResult, int ioctlErrno);

// Opens `path`, issues SG_IO, closes.
PassThroughResult SgIoPassThrough(const char* path, std::span<const std::uint8_t> cdb, DataDirection direction,
                                  std::span<std::uint8_t> data, unsigned timeoutSeconds);

}  // namespace platform::linuxos
