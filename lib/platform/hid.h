// HID devices: listed by path, opened as owned handles, one report each way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

struct HidIoResult {
    bool ok = false;
    bool timedOut = false;
    int error = 0;          // errno on failure
    std::size_t bytes = 0;  // bytes written or read
};

class HidDevice {
  public:
    virtual ~HidDevice() = default;
    virtual std::optional<HidAttributes> Attributes() = 0;
    // Writes one report (report id first).
    virtual HidIoResult Write(std::span<const std::uint8_t> report) = 0;
    // Reads one report into `buffer`, waiting at most `timeoutMs` on the platform clock.
    virtual HidIoResult Read(std::span<std::uint8_t> buffer, unsigned timeoutMs) = 0;
};

}  // namespace platform
