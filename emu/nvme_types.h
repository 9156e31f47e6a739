// What the emulated NVMe controller receives and answers: the 64-byte submission entry as the
// bridge delivers it, the completion status, and the data transfer a command implies.
#pragma once

#include <array>
#include <cstdint>

#include "emu/wire_bytes.h"

namespace emu {

inline constexpr std::size_t kNvmeEntryBytes = 64;
inline constexpr std::size_t kSectorBytes = 512;

// Direction of a command's data, as the device sees it.
enum class XferDir : std::uint8_t { None = 0, ToHost = 1, ToDevice = 2 };

// One submission entry and the queue it was meant for (admin or I/O).
struct NvmeRequest {
    std::array<std::uint8_t, kNvmeEntryBytes> entry{};
    bool admin = true;

    std::uint8_t Opcode() const { return entry[0]; }
    std::uint32_t Nsid() const { return wire::GetLe32(&entry[4]); }
    // Command dword n (10 to 15), little-endian at byte 4 x n.
    std::uint32_t Cdw(int n) const { return wire::GetLe32(&entry[static_cast<std::size_t>(4 * n)]); }
};

// Completion status: status code type and status code (0/0 is success).
struct NvmeStatus {
    std::uint8_t type = 0;
    std::uint8_t code = 0;
    bool Ok() const { return type == 0 && code == 0; }
    friend bool operator==(const NvmeStatus&, const NvmeStatus&) = default;
};

namespace nvme_status {
inline constexpr NvmeStatus kSuccess{0, 0x00};
inline constexpr NvmeStatus kInvalidOpcode{0, 0x01};
inline constexpr NvmeStatus kInvalidField{0, 0x02};
inline constexpr NvmeStatus kDataTransferError{0, 0x04};
inline constexpr NvmeStatus kInternalError{0, 0x06};
inline constexpr NvmeStatus kInvalidNamespace{0, 0x0B};
inline constexpr NvmeStatus kCommandSequenceError{0, 0x0C};
inline constexpr NvmeStatus kLbaOutOfRange{0, 0x80};
inline constexpr NvmeStatus kNamespaceNotReady{0, 0x82};
inline constexpr NvmeStatus kCapacityExceeded{0, 0x81};
inline constexpr NvmeStatus kInvalidLogPage{1, 0x09};
}  // namespace nvme_status

// The 16-bit status of a completion as the bridge receives it: type in the high byte, code in the low.
inline std::uint16_t EncodeStatus(NvmeStatus s) {
    return static_cast<std::uint16_t>((s.type << 8) | s.code);
}
inline NvmeStatus DecodeStatus(std::uint16_t v) {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)};
}

// The data transfer a command implies, read from its own fields.
struct TransferShape {
    XferDir dir = XferDir::None;
    std::uint64_t bytes = 0;
    friend bool operator==(const TransferShape&, const TransferShape&) = default;
};

}  // namespace emu
