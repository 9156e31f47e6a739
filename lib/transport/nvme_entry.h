// NVMe commands as the bridge tunnel carries them: the 64-byte submission entry (zero-filled,
// only opcode, NSID and command dwords 10, 11, 12, 14 and 15 ever set) and, for every tunnelled
// command, its queue, data direction and the length each bridge type moves. Pure data, built by
// small functions that the tests compare byte for byte; carrying them is bridge_tunnel's job.
#pragma once

#include <array>
#include <cstdint>

namespace transport {

inline constexpr std::size_t kEntryBytes = 64;
inline constexpr std::uint32_t kSectorBytes = 512;
using SubmissionEntry = std::array<std::uint8_t, kEntryBytes>;

// Fixed constants of the vendor-command protocol carried in CDW14.
inline constexpr std::uint32_t kVendorModeOn = 0x00D95AFF;
inline constexpr std::uint32_t kVendorModeOff = 0x00C65AFF;
inline constexpr std::uint32_t kVendorTransferBase = 0x00715A00;  // low byte: the sub-code
inline constexpr std::uint8_t kPacketSubCode = 0xFF;

inline constexpr std::uint8_t kSmartLogId = 2;
inline constexpr std::uint32_t kSmartLogDwords = 1024;

struct EntryFields {
    std::uint8_t opcode = 0;
    std::uint32_t nsid = 0;
    std::uint32_t cdw10 = 0;
    std::uint32_t cdw11 = 0;
    std::uint32_t cdw12 = 0;
    std::uint32_t cdw14 = 0;
    std::uint32_t cdw15 = 0;
};

SubmissionEntry BuildEntry(const EntryFields& fields);

// Data direction; the values are the ASMedia-type command block's direction byte.
enum class DataDirection : std::uint8_t { None = 0, ToHost = 1, ToDevice = 2 };

struct TunnelCommand {
    EntryFields fields;
    bool admin = true;
    DataDirection direction = DataDirection::None;
    std::uint32_t jmSectors = 0;  // sectors moved in the JMicron-type data phase
    std::uint64_t asmBytes = 0;   // bytes moved in the ASMedia-type data phase
    bool fits = true;             // false when a count does not fit the field that carries it
};

TunnelCommand EnableVendorCommand();
TunnelCommand DisableVendorCommand();
// The vendor transfers: opcode 0xC1 (to the controller) or 0xC2 (from it), CDW10 = sectors x 128,
// CDW14 = 0x00715A00 | sub-code, CDW15 = sectors.
TunnelCommand VendorWriteCommand(std::uint32_t sectors, std::uint8_t subCode);
TunnelCommand VendorReadCommand(std::uint32_t sectors, std::uint8_t subCode);
// CDW10 bits 0-7 the log id, bits 16-27 the low 12 bits of the length in dwords; the JMicron
// type moves (dwords >> 7) & 0x1FF sectors, the ASMedia type dwords x 4 bytes.
TunnelCommand GetLogPageCommand(std::uint8_t logId, std::uint32_t dwords);
// Mode 0 namespace 1, mode 1 the controller, any other mode NSID 0 and CNS 0; 4,096 bytes in.
TunnelCommand IdentifyCommand(int mode);
TunnelCommand FlushCommand();
// NVM Write and Read: NSID 1, CDW10/CDW11 the caller's values (starting LBA, low and high),
// CDW12 bits 0-15 the sector count itself.
TunnelCommand WriteCommand(std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count);
TunnelCommand ReadCommand(std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count);
// CDW10 = action & 7.
TunnelCommand SanitizeCommand(std::uint32_t action);

}  // namespace transport
