// The bridge tunnels' command-block primitives: each builds one command block and carries it
// with its data to the port's drive through ScsiCdbPassThrough. Each returns true when the
// pass-through returned 1; otherwise it traces "FAILED(<its name>)\r\n" and returns false.
#pragma once

#include <cstdint>

// JMicron type, operation 0x80/0x00: the NVMe payload block as data-out of sectors x 512 bytes.
bool VC_Bridge_JM_SetPayloadCmd(int port, void* buffer, std::uint32_t sectors, bool admin);
// JMicron type, 0x83/0x03 data-out of sectors x 512 bytes; with 0 sectors 0x81/0x01 (no data).
bool VC_Bridge_JM_DataOutCmd(int port, void* buffer, std::uint32_t sectors, bool admin);
// JMicron type, 0x82/0x02 data-in of sectors x 512 bytes.
bool VC_Bridge_JM_DataInCmd(int port, void* buffer, std::uint32_t sectors, bool admin);
// ASMedia type 0xEA: data-out of byteCount bytes.
bool VC_Bridge_ASM_DataOutCmd(int port, void* buffer, std::uint32_t byteCount, bool admin, std::uint8_t phase,
                              std::uint8_t direction);
// ASMedia type 0xEB: data-in of byteCount bytes (0 for the completion of a data-less command).
bool VC_Bridge_ASM_DataInCmd(int port, void* buffer, std::uint32_t byteCount, bool admin, std::uint8_t phase,
                             std::uint8_t direction);
