// Byte-order helpers of the host library: big-endian in SCSI command blocks and vendor packets,
// little-endian in NVMe submission entries, firmware images, parameter pages and table pages.
// No byte pointer is ever cast to a wider type.
#pragma once

#include <cstdint>

namespace transport {

inline void PutBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void PutBe24(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 16);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v);
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
inline std::uint16_t GetLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline std::uint64_t GetLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(GetLe32(p)) | (static_cast<std::uint64_t>(GetLe32(p + 4)) << 32);
}
inline void PutLe64(std::uint8_t* p, std::uint64_t v) {
    PutLe32(p, static_cast<std::uint32_t>(v));
    PutLe32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace transport
