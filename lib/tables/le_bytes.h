// Little-endian reads and writes at byte offsets for table pages, GDP lists and work buffers. The
// 32-bit pair comes from the transport layer's byte-order helpers; the 16- and 64-bit ones that
// the table formats also need are added here. No byte pointer is ever cast to a wider type.
#pragma once

#include <cstddef>
#include <cstdint>

#include "transport/byte_order.h"

namespace tables {

using transport::GetLe32;
using transport::PutLe32;

inline std::uint16_t GetLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

inline std::uint64_t GetLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(GetLe32(p)) | (static_cast<std::uint64_t>(GetLe32(p + 4)) << 32);
}

inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLe64(std::uint8_t* p, std::uint64_t v) {
    PutLe32(p, static_cast<std::uint32_t>(v));
    PutLe32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace tables
