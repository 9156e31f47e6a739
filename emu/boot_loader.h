// The boot loader's vendor commands, and the RAM and register commands every program answers.
//   0x82 jump to the program loaded in RAM (byte 3: number of signed codes loaded)
//   0x83 jump to ROM (byte 3: event 0 boots the firmware on the flash, 1 stays in the loader)
//   0x84 read a register byte (bytes 3-6: address), reply byte 0
//   0x86 read RAM (bytes 4-7: address), any number of sectors
//   0x87 write RAM (bytes 4-7: address); with byte 3 non-zero (a key slot) one sector carrying
//        an RSA block, accepted by the boot loader only
#pragma once

#include "emu/controller_core.h"

namespace emu {

namespace loader_code {
inline constexpr std::uint8_t kJumpToPram = 0x82;
inline constexpr std::uint8_t kJumpToRom = 0x83;
inline constexpr std::uint8_t kGetReg = 0x84;
inline constexpr std::uint8_t kReadRam = 0x86;
inline constexpr std::uint8_t kWriteRam = 0x87;
}  // namespace loader_code

// Installs the boot loader's table and the RAM/register/jump commands of the other programs.
void InstallBootLoaderCommands(ControllerCore& core);

}  // namespace emu
