// Little-endian reads and writes at byte offsets. Table pages, GDP lists and work buffers are
// little-endian on every host; these helpers never cast a byte pointer to a wider type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tables {

inline std::uint16_t GetLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t GetLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t GetLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(GetLe32(p)) | (static_cast<std::uint64_t>(GetLe32(p + 4)) << 32);
}

inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void PutLe64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace tables
