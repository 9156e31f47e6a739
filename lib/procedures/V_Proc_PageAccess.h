// Page access: read, write (plain or interleaved) and erase of single flash pages and blocks on a
// drive whose controller runs the diagnostic firmware, each one command followed by a status
// fetch; and the system firmware's page read. Pages are addressed physically.
//
// Bank folding: a bank at or above AP_INIState.MaxPhyBank becomes (bank mod MaxPhyBank) |
// ((bank div MaxPhyBank) << 4): the CE in the low nibble, the LUN in the high one.
#pragma once

#include <cstddef>
#include <cstdint>

// The diagnostic firmware's result codes that callers show.
inline constexpr std::uint8_t kPageReadEmpty = 28;
inline constexpr std::uint8_t kPageReadUnc = 29;

// On a status other than 1 the buffer's first two bytes receive bytes 0 and 1 of the status reply.
// The all-channel form (ucChNo == MaxPhyChannel, [FwSetting] EnUnbalance 0) moves one page per
// channel, channel c at c x bPageSector x 512 bytes, and fetches no status.
bool VP_ReadPage(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                 std::uint16_t wPageNo, std::uint8_t ucLdpcRate, std::uint8_t ucScrambleMode, std::uint8_t ucBlockType,
                 void* buffer, std::uint32_t dwSectorCnt);
bool VP_WritePage(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                  std::uint16_t wPageNo, std::uint8_t ucLdpcRate, std::uint8_t ucScrambleMode, std::uint8_t ucBlockType,
                  void* buffer, std::uint32_t dwSectorCnt);
// Status bytes go back into the buffer on a failure, as for the other writes.
bool VP_WritePageInterleave(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                            std::uint16_t wPageNo, std::uint8_t ucLdpcRate, std::uint8_t ucScrambleMode,
                            std::uint8_t ucBlockType, void* buffer, std::uint32_t dwSectorCnt);
// Channel 255 and bank 255 (every bank) are sent unchanged. `status` receives the two status
// bytes on a failure (at least 2 bytes; may be null).
bool VP_EraseBlock(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                   std::uint8_t bIsSLC, std::uint8_t bIsSinglePlane, void* status);

inline constexpr std::size_t kSysReadPageBufBytes = 262144;

// The system firmware's page read: 1 on success, 0 on failure. The first `bufferBytes` bytes of
// the buffer are zeroed (256 KB unless the caller says its buffer is smaller). Channel ==
// AP_INIState.MaxPhyChannel reads every channel below AP_FlashSet.ucChannel, channel c at
// c x bPageSector x 512 bytes; a layout that does not fit the buffer is refused.
int VA_SysReadPage(int port, std::uint8_t ucChMap, std::uint8_t ucBank, std::uint16_t wBlockUnit, std::uint16_t wBlock,
                   std::uint16_t wPageNo, std::uint8_t bLDPCmode, std::uint8_t bScramble, void* buffer,
                   std::uint32_t sectors, std::size_t bufferBytes = kSysReadPageBufBytes);

namespace procedures {

// The bank a page command carries for `bank` (folded when at or above MaxPhyBank).
std::uint8_t FoldBank(std::uint8_t bank);

}  // namespace procedures
