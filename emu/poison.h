// Reply bytes that the host must not rely on are filled with a recognisable pattern, so a
// host that reads them by mistake sees garbage rather than a plausible zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace emu {

// The byte the pattern holds at `offset` bytes from the start of a reply.
std::uint8_t PoisonByte(std::size_t offset);
// Fills `bytes` with the pattern, phase taken from `startOffset`.
void FillPoison(std::span<std::uint8_t> bytes, std::size_t startOffset = 0);
// True when every byte of `bytes` is the pattern at `startOffset` (tests).
bool IsPoison(std::span<const std::uint8_t> bytes, std::size_t startOffset = 0);

}  // namespace emu
