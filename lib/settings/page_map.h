// The built-in page-map tables that the table page carries to the controller, one per page-map type.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kPageMapTableBytes = 4096;
inline constexpr int kPageMapTypeCount = 13;

// Copies the 4,096 bytes of table `type` (2,048 little-endian 16-bit entries) to `destination`;
// does nothing for any other type.
void CopyPageMapTable(std::uint8_t* destination, int type);
