// The controller's vendor-command packet and its builders. A packet is 12 bytes (16 in the long
// form): 0xFF, 0xE5, the command code, then the parameters, multi-byte ones big-endian, every
// byte without a parameter 0. Each builder is a small pure function; the tests compare its bytes.
#pragma once

#include <array>
#include <cstdint>

struct VendorCmdPacket {
    std::array<std::uint8_t, 16> bytes{};
    std::uint8_t length = 12;  // 12, or 16 for the long form

    std::uint8_t Code() const { return bytes[2]; }
};

namespace vendor {

// Command codes, by the program they are meant for.
namespace code {
inline constexpr std::uint8_t kJumpToPram = 0x82, kJumpToRom = 0x83, kGetReg = 0x84, kReadRam = 0x86, kWriteRam = 0x87;
inline constexpr std::uint8_t kGetReturn = 0x00, kScanDefectBad = 0x02, kGetFlashModule = 0x05, kGetCodeBlock = 0x07,
                              kEraseSpi = 0x0A, kProgramSpi = 0x0C, kInitGdp = 0x11, kFlashDiagnostic = 0x21,
                              kGetDefectBadTab = 0x31, kPreCheckCodeBlock = 0x3A, kAutoDetect = 0x3B,
                              kGetSortStatus = 0x3C, kScanResultBlk = 0x47, kGetResultBlk = 0x48,
                              kSwitchToLegacy = 0x49, kDramTest = 0x4A, kCheckNandTime = 0x4B,
                              kPageWriteInterleave = 0x4C, kSetLoaderBlock = 0x4D, kPcieLoopBack = 0x4E,
                              kReadFlashId = 0x88, kPageRead = 0x89, kPageWrite = 0x8A, kBlockErase = 0x8B;
inline constexpr std::uint8_t kSysGetEraseCount = 0x01, kSysReadPage = 0x04, kSysGetFlashId = 0x36;
inline constexpr std::uint8_t kSysGetBadUnit = 0x00, kSysGetUartLog = 0x21;
}  // namespace code

// 0xFF 0xE5 code and zeros.
VendorCmdPacket Plain(std::uint8_t code, std::uint8_t length = 12);

// Boot loader.
VendorCmdPacket JumpToPram(std::uint8_t slot);
VendorCmdPacket JumpToRom(std::uint8_t event);
VendorCmdPacket GetReg(std::uint32_t address);  // address in bytes 3-6
VendorCmdPacket WriteRam(std::uint32_t address);
VendorCmdPacket WriteRamRsa(std::uint8_t keySlot, std::uint32_t address);  // 16 bytes
VendorCmdPacket ReadRam(std::uint32_t address);

// Diagnostic firmware.
VendorCmdPacket ScanDefectBad(std::uint8_t mode);
VendorCmdPacket ProgramSpi(std::uint32_t offset, std::uint32_t byteCount);
VendorCmdPacket FlashDiagnostic(std::uint8_t item, std::uint8_t value);
VendorCmdPacket PreCheckCodeBlock(std::uint8_t value, std::uint8_t mode);
VendorCmdPacket ScanResultBlk(std::uint8_t searchRange, std::uint8_t inheritAnt);
VendorCmdPacket DramTest(std::uint16_t first, std::uint16_t second);
VendorCmdPacket CheckNandTime(std::uint8_t b3, std::uint8_t b4, std::uint8_t b5, std::uint16_t word);
VendorCmdPacket ReadFlashId(std::uint8_t channel, std::uint8_t ce);
// Page read, write and write-interleave: 3 channel, 4 bank, 5-6 block, 7-8 page, 9-11 the caller's bytes.
VendorCmdPacket PageAccess(std::uint8_t code, std::uint8_t channel, std::uint8_t bank, std::uint16_t block,
                           std::uint16_t page, std::uint8_t b9, std::uint8_t b10, std::uint8_t b11);
VendorCmdPacket BlockErase(std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint8_t b7,
                           std::uint8_t b8);

// Sorting firmware: byte 4 = 1 when the sorting firmware is to be checked.
VendorCmdPacket GetSortStatus(bool checkRdtFw);

// System firmware (16 bytes).
VendorCmdPacket SysGetEraseCount(std::uint8_t b3, std::uint8_t b4);
// 3 channel, 4 bank.
VendorCmdPacket SysGetFlashId(std::uint8_t channel, std::uint8_t bank);
VendorCmdPacket SysReadPage(std::uint8_t channel, std::uint8_t bank, std::uint16_t blockUnit, std::uint16_t page,
                            std::uint8_t ldpcMode, std::uint8_t scramble, std::uint32_t value);
// The bad-unit list of one CE: byte 3 the caller's byte, byte 4 the CE.
VendorCmdPacket SysGetBadUnit(std::uint8_t b3, std::uint8_t ce);
// One chunk of the UART log: the chunk index low byte first at bytes 3 and 4 (unlike the
// big-endian fields of the other packets).
VendorCmdPacket SysGetUartLog(std::uint16_t chunk);

}  // namespace vendor
