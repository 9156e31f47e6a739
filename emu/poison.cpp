#include "emu/poison.h"

#include <array>

namespace emu {

namespace {
constexpr std::array<std::uint8_t, 4> kPattern = {0xDE, 0xAD, 0x5A, 0xA5};
}

std::uint8_t PoisonByte(std::size_t offset) {
    return kPattern[offset % kPattern.size()];
}

void FillPoison(std::span<std::uint8_t> bytes, std::size_t startOffset) {
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = PoisonByte(startOffset + i);
}

bool IsPoison(std::span<const std::uint8_t> bytes, std::size_t startOffset) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != PoisonByte(startOffset + i)) return false;
    }
    return true;
}

}  // namespace emu
