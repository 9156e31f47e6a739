// Reply bytes that the host must not rely on are filled with the bay's poison byte (kPoison), so a
// host that reads them by mistake sees garbage rather than a plausible zero.
#pragma once

#include <cstdint>
#include <span>

#include "emu/bridge.h"

namespace emu {

void FillPoison(std::span<std::uint8_t> bytes);
// True when every byte is the poison byte (tests).
bool IsPoison(std::span<const std::uint8_t> bytes);

}  // namespace emu
