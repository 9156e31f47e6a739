// The CE list and the reverse CE map that both firmware parameter images carry: one byte per
// logical die (LUN in bits 7-6, CE in bits 5-3, channel in bits 2-0), walked over the remapped die
// map bVirCntPerDie times, and per physical die its first logical die number. Both are bounded: a
// die map whose walk would pass either field is refused before anything is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace settings {

inline constexpr std::size_t kCeListBytes = 64;
inline constexpr std::size_t kCeReverseBytes = 128;

struct CeMap {
    std::uint8_t list[kCeListBytes];
    std::uint8_t reverse[kCeReverseBytes];
};

// Walks the remapped die map of the flash's mode into `map` (both fields 0xFF where unused). False,
// with the reason in `why` (when given) and `map` unspecified, when the list would need more than 64
// entries, a reverse index would lie past the 128-byte map, or the multi-LUN map cannot be decoded
// because MaxPhyBank is 0.
bool BuildCeMap(CeMap& map, std::string* why = nullptr);

}  // namespace settings
