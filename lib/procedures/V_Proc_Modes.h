// Controller identification and modes: identify and SMART reads, capacity, the vendor-command
// switch, which program the controller runs (boot loader, diagnostic firmware GDP, sorting
// firmware RDT, system firmware), the jumps between them with their waits, a GPIO read, and the
// check for an NTFS volume on the drive. The host keeps no mode state: every decision reads the
// controller again. Every wait goes through platform::Sleep.
#pragma once

#include <cstddef>
#include <cstdint>

// Controller modes (VP_GetCurrentMode).
inline constexpr int kModeNone = 0;  // the RAM read failed
inline constexpr int kModeLoader = 1;
inline constexpr int kModeGdp = 2;
inline constexpr int kModeRdt = 3;
inline constexpr int kModeSystem = 4;

inline constexpr std::size_t kIdentifyBytes = 4096;
// The identify text: the 40 bytes at offset 32 of the Identify Controller data.
inline constexpr std::size_t kIdentifyTextOffset = 32;
inline constexpr std::size_t kIdentifyTextBytes = 40;

// `buffer` holds 4,096 bytes. Mode 0 namespace, 1 controller.
bool VP_Identify(int port, void* buffer, int mode);
bool VP_GetSmartLog(int port, void* buffer);
// The namespace size in MiB (low 32 bits), 0 on failure.
std::uint32_t VP_GetCapacityMB(int port);
// Flag 1 enables, 0 disables; true only for a command-layer result of 1.
bool VP_EnableVendorCmd(int port, int flag);
bool VP_JumpToLoader(int port, std::uint8_t event);
// `identify` holds 4,096 bytes; it receives the last identify data read.
bool VP_JumpToSorting(int port, void* identify);
bool VP_JumpToSystem(int port, void* identify);
bool CheckRDTFW(int port, void* identify);
// 1 when the identify text contains "Loader", else 0.
int VP_IsLoaderMode(int port);
bool VP_IsGDPMode(int port);
// kModeNone .. kModeSystem, from the tag at byte 448 of controller RAM.
int VP_GetCurrentMode(int port);
// 1 with the bit's value (0 or 1) in *value; 0 when the register read fails.
int VP_GetGPIOValue(int port, std::uint32_t bit, std::uint8_t* value);
bool VP_CheckNTFSPartition(int port);

namespace procedures {

// The identify text of a 4,096-byte Identify Controller buffer, terminated (41 bytes).
void IdentifyText(const std::uint8_t* identify, char (&text)[kIdentifyTextBytes + 1]);

}  // namespace procedures
