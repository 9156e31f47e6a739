#include "emu/poison.h"

#include <algorithm>
#include <cstring>

namespace emu {

void FillPoison(std::span<std::uint8_t> bytes) {
    if (!bytes.empty()) std::memset(bytes.data(), kPoison, bytes.size());
}

bool IsPoison(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == kPoison; });
}

}  // namespace emu
