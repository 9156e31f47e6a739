// The system firmware's UART log: the text the firmware writes on its serial port, kept by the
// controller and handed to the host in chunks by vendor command 0x21 (16-byte packet, data in;
// bytes 3-4 the chunk index, low byte first):
//   chunk i      u32 dwSize (little-endian), then dwSize bytes of log text: bytes
//                [i x n, i x n + dwSize) of the log, n = UartChunkBytes but never more than the
//                read's length less 4; bytes after the text are not given (poison)
//   past the end "eMVN" and four zero bytes
//   not ready    "eMVN" and 01 00 00 00: the host asks for the same chunk again
// What the firmware writes: at each start from a loader block, the block it booted from, the
// flash geometry and its firmware tag; one line per system-firmware vendor command it serves
// (except the log reads themselves); and first of all the text of UartLogFile when given. The
// log keeps its newest 1 MiB (whole lines); it survives power cycles in the drive's kept state.
//
// Keys of the drive's section (bay.ini) read here:
//   UartLogFile=<file in the bay folder>   text the log starts with
//   UartChunkBytes=<n>        text bytes per chunk (1 to 1048576; default 4096)
//   UartNotReady=<n>          each chunk (and the end) answers "not ready" n times first
//   UartBadSize=<chunk>       that chunk's dwSize says 65,537
//   UartEndless=1             the log never ends: past its text, chunks are full of idle lines
//   UartChunkUs=<us>          the firmware's time to produce each chunk of text (benchmarks),
//                             charged on the platform clock through the log's latency account
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "emu/bay_config.h"
#include "emu/latency_account.h"
#include "emu/nvme_types.h"

namespace emu {

struct UartSetup {
    std::string fileName;  // UartLogFile, a plain file name in the bay folder (empty: none)
    std::size_t chunkBytes = 4096;
    int notReady = 0;
    long badSizeChunk = -1;
    bool endless = false;
    unsigned chunkUs = 0;
};

inline constexpr std::size_t kUartLogKeptBytes = 1 << 20;
inline constexpr std::uint32_t kUartBadSize = 65537;
inline constexpr std::string_view kUartIdleLine = "[SYS] idle\n";

// Nullopt and `error` set when a key is not sound (UartLogFile must name a plain file).
std::optional<UartSetup> ReadUartSetup(const DriveConfig& drive, std::string* error);
// The text of UartLogFile in `bayFolder`; nullopt and `error` set when it cannot be read. An
// empty name gives an empty text.
std::optional<std::string> ReadUartLogFile(const UartSetup& setup, const std::filesystem::path& bayFolder,
                                           std::string* error);

class UartLog {
  public:
    explicit UartLog(UartSetup setup = {}, std::string start = {});

    // Appends text (the firmware's lines end in "\n"); the oldest whole lines go past 1 MiB.
    void Write(std::string_view text);
    std::string Text() const;
    // Replaces the text (a kept state); the chunk faults start again.
    void SetText(std::string text);

    // The reply to a read of chunk `index` into `reply` (at least 8 bytes; else Invalid Field).
    NvmeStatus Serve(std::uint16_t index, std::span<std::uint8_t> reply);
    // The time charged for the chunks served (UartChunkUs each).
    const LatencyAccount& Latency() const { return latency_; }

  private:
    void TrimLocked();
    // Fills the reply; true when it is a chunk of text (not "not ready", not the end).
    bool ServeLocked(std::uint16_t index, std::span<std::uint8_t> reply);

    const UartSetup setup_;
    mutable std::mutex mutex_;
    std::string text_;
    int pendingIndex_ = -1;  // the chunk the not-ready answers count for
    int notReadyGiven_ = 0;
    LatencyAccount latency_;
};

}  // namespace emu
