// The fixture board's HID transport: the board found by its vendor and product ids, one 65-byte
// report (report id 0, then 64 payload bytes) written and, when asked, one reply read.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t kFixtureVendorId = 0x0483;
inline constexpr std::uint16_t kFixtureProductId = 0x5750;
inline constexpr int kHidPayloadLength = 64;
inline constexpr unsigned kHidReadTimeoutMs = 2000;

// 1 and the board's path in `path` (at most pathSize bytes with the terminator) when a board was
// found; the first one listed wins. 0 otherwise.
int FindHidDevicePath(char* path, std::size_t pathSize);

// Writes `payload` (exactly 64 bytes) as one report; with `read` set, waits at most 2 seconds for
// the reply and puts its 64 payload bytes into `payload`. The device is opened and closed here.
bool HidWriteRead(const char* path, std::uint8_t* payload, int length, bool read);
