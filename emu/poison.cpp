#include "emu/poison.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace emu {

namespace {

constexpr std::array<std::uint8_t, 4> kPattern = {0xDE, 0xAD, 0x5A, 0xA5};

// The pattern repeated over 64 bytes, starting at phase 0.
constexpr std::array<std::uint8_t, 64> MakeBlock() {
    std::array<std::uint8_t, 64> block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = kPattern[i % kPattern.size()];
    return block;
}
constexpr std::array<std::uint8_t, 64> kBlock = MakeBlock();

}  // namespace

std::uint8_t PoisonByte(std::size_t offset) {
    return kPattern[offset % kPattern.size()];
}

void FillPoison(std::span<std::uint8_t> bytes, std::size_t startOffset) {
    // The first 64 bytes from the block at the right phase, then the filled part copied onto the
    // rest, doubling each time (the filled length stays a multiple of the pattern's length).
    const std::size_t phase = startOffset % kPattern.size();
    std::size_t filled = std::min(bytes.size(), kBlock.size() - kPattern.size());
    std::memcpy(bytes.data(), kBlock.data() + phase, filled);
    while (filled < bytes.size()) {
        const std::size_t n = std::min(filled, bytes.size() - filled);
        std::memcpy(bytes.data() + filled, bytes.data(), n);
        filled += n;
    }
}

bool IsPoison(std::span<const std::uint8_t> bytes, std::size_t startOffset) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != PoisonByte(startOffset + i)) return false;
    }
    return true;
}

}  // namespace emu
