// The command blocks of the two bridge types' NVMe tunnels and the JMicron-type payload block:
// pure functions, compared byte for byte by the tests.
//
// JMicron type (12 bytes): 0xA1; byte 1 bit 7 admin (clear: NVM), low bits the operation;
// bytes 3-5 the transfer length in bytes, big-endian.
// ASMedia type (16 bytes): 0xEA (data to the device) or 0xEB (from it, or the data-less
// completion), 0x5A, the phase, 0 admin / 1 NVM, the direction byte, bytes 10-13 the length.
#pragma once

#include <array>
#include <cstdint>

#include "transport/nvme_entry.h"

namespace transport {

inline constexpr std::size_t kJmCdbBytes = 12;
inline constexpr std::size_t kAsmCdbBytes = 16;
inline constexpr std::size_t kPayloadBlockBytes = 512;
inline constexpr std::uint32_t kJmMaxTransfer = 0xFFFFFF;  // 24-bit length field
// The JMicron-type bridges move at most 64 KiB in one command, whatever the field could hold.
inline constexpr std::uint32_t kJmMaxDataBytes = 65536;

inline constexpr std::uint8_t kAsmEntryPhase = 0x80;
inline constexpr std::uint8_t kAsmDataPhase = 0x81;

enum class JmOperation : std::uint8_t { Payload = 0, NonData = 1, DataIn = 2, DataOut = 3 };

using JmCdb = std::array<std::uint8_t, kJmCdbBytes>;
using AsmCdb = std::array<std::uint8_t, kAsmCdbBytes>;
using PayloadBlock = std::array<std::uint8_t, kPayloadBlockBytes>;

// `bytes` must not exceed kJmMaxTransfer (the field keeps its low 24 bits).
JmCdb BuildJmCdb(JmOperation operation, bool admin, std::uint32_t bytes);
AsmCdb BuildAsmCdb(bool toDevice, std::uint8_t phase, bool admin, std::uint8_t direction, std::uint32_t bytes);
// "NVME", four zero bytes, the entry at bytes 8-71, zeros to byte 511.
PayloadBlock BuildJmPayloadBlock(const SubmissionEntry& entry);

}  // namespace transport
