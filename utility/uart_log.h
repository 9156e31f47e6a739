// Reading the controller's UART log chunk by chunk: the chunk reply ("dwSize" then the text; "eMVN"
// with four zero bytes ends the log, "eMVN" with anything else means "not ready, ask again"), the
// limit of 2,049 chunks and the bounds on every size the drive gives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vellumin {

inline constexpr std::uint32_t kUartMaxChunkText = 65536;
inline constexpr unsigned kUartLastChunk = 2048;
// The largest read asked for (1 MiB): a geometry asking more is taken as a failed read.
inline constexpr std::uint32_t kUartMaxReadSectors = 2048;
inline constexpr unsigned kUartChunkPauseMs = 10, kUartNotReadyPauseMs = 1;

// What one reading talks to: the chunk read (1 on success), the stop request, a message for the
// operator, each accepted chunk's text (save-all mode) and the pause.
struct UartLogIo {
    std::function<int(std::uint8_t* reply, std::uint32_t sectors, std::uint16_t index)> read;
    std::function<bool()> stopRequested;
    std::function<void(const char* message)> show;
    std::function<void(const char* chunk)> chunk;  // may be empty
    std::function<void(unsigned ms)> sleep;
};

// The sectors of one multi-plane page: `pageKiB` x `planes` x 2.
std::uint32_t UartReadSectors(unsigned pageKiB, unsigned planes);

// Reads the log with chunk reads of `sectors` sectors (0 or more than kUartMaxReadSectors: the first
// read fails); the text read (empty when none).
std::string ReadUartLog(std::uint32_t sectors, const UartLogIo& io);

}  // namespace vellumin
