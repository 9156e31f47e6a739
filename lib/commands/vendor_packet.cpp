#include "commands/vendor_packet.h"

#include "transport/byte_order.h"

namespace vendor {

using transport::PutBe16;
using transport::PutBe32;

VendorCmdPacket Plain(std::uint8_t code, std::uint8_t length) {
    VendorCmdPacket p;
    p.bytes[0] = 0xFF;
    p.bytes[1] = 0xE5;
    p.bytes[2] = code;
    p.length = length;
    return p;
}

VendorCmdPacket JumpToPram(std::uint8_t slot) {
    VendorCmdPacket p = Plain(code::kJumpToPram);
    p.bytes[3] = slot;
    return p;
}

VendorCmdPacket JumpToRom(std::uint8_t event) {
    VendorCmdPacket p = Plain(code::kJumpToRom);
    p.bytes[3] = event;
    return p;
}

VendorCmdPacket GetReg(std::uint32_t address) {
    VendorCmdPacket p = Plain(code::kGetReg);
    PutBe32(&p.bytes[3], address);
    return p;
}

VendorCmdPacket WriteRam(std::uint32_t address) {
    VendorCmdPacket p = Plain(code::kWriteRam);
    PutBe32(&p.bytes[4], address);
    return p;
}

VendorCmdPacket WriteRamRsa(std::uint8_t keySlot, std::uint32_t address) {
    VendorCmdPacket p = Plain(code::kWriteRam, 16);
    p.bytes[3] = keySlot;
    PutBe32(&p.bytes[4], address);
    return p;
}

VendorCmdPacket ReadRam(std::uint32_t address) {
    VendorCmdPacket p = Plain(code::kReadRam);
    PutBe32(&p.bytes[4], address);
    return p;
}

VendorCmdPacket ScanDefectBad(std::uint8_t mode) {
    VendorCmdPacket p = Plain(code::kScanDefectBad);
    p.bytes[3] = mode;
    return p;
}

VendorCmdPacket ProgramSpi(std::uint32_t offset, std::uint32_t byteCount) {
    VendorCmdPacket p = Plain(code::kProgramSpi);
    PutBe32(&p.bytes[4], offset);
    PutBe32(&p.bytes[8], byteCount);
    return p;
}

VendorCmdPacket FlashDiagnostic(std::uint8_t item, std::uint8_t value) {
    VendorCmdPacket p = Plain(code::kFlashDiagnostic);
    p.bytes[3] = item;
    p.bytes[6] = value;
    return p;
}

VendorCmdPacket PreCheckCodeBlock(std::uint8_t value, std::uint8_t mode) {
    VendorCmdPacket p = Plain(code::kPreCheckCodeBlock);
    p.bytes[3] = mode != 0 ? 7 : 0;
    p.bytes[4] = value;
    return p;
}

VendorCmdPacket ScanResultBlk(std::uint8_t searchRange, std::uint8_t inheritAnt) {
    VendorCmdPacket p = Plain(code::kScanResultBlk);
    p.bytes[3] = searchRange;
    p.bytes[4] = inheritAnt;
    return p;
}

VendorCmdPacket DramTest(std::uint16_t first, std::uint16_t second) {
    VendorCmdPacket p = Plain(code::kDramTest);
    PutBe16(&p.bytes[3], first);
    PutBe16(&p.bytes[5], second);
    return p;
}

VendorCmdPacket CheckNandTime(std::uint8_t b3, std::uint8_t b4, std::uint8_t b5, std::uint16_t word) {
    VendorCmdPacket p = Plain(code::kCheckNandTime);
    p.bytes[3] = b3;
    p.bytes[4] = b4;
    p.bytes[5] = b5;
    PutBe16(&p.bytes[6], word);
    return p;
}

VendorCmdPacket ReadFlashId(std::uint8_t channel, std::uint8_t ce) {
    VendorCmdPacket p = Plain(code::kReadFlashId);
    p.bytes[3] = channel;
    p.bytes[4] = ce;
    return p;
}

VendorCmdPacket PageAccess(std::uint8_t code, std::uint8_t channel, std::uint8_t bank, std::uint16_t block,
                           std::uint16_t page, std::uint8_t b9, std::uint8_t b10, std::uint8_t b11) {
    VendorCmdPacket p = Plain(code);
    p.bytes[3] = channel;
    p.bytes[4] = bank;
    PutBe16(&p.bytes[5], block);
    PutBe16(&p.bytes[7], page);
    p.bytes[9] = b9;
    p.bytes[10] = b10;
    p.bytes[11] = b11;
    return p;
}

VendorCmdPacket BlockErase(std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint8_t b7,
                           std::uint8_t b8) {
    VendorCmdPacket p = Plain(code::kBlockErase);
    p.bytes[3] = channel;
    p.bytes[4] = bank;
    PutBe16(&p.bytes[5], block);
    p.bytes[7] = b7;
    p.bytes[8] = b8;
    return p;
}

VendorCmdPacket GetSortStatus(bool checkRdtFw) {
    VendorCmdPacket p = Plain(code::kGetSortStatus);
    p.bytes[4] = checkRdtFw ? 1 : 0;
    return p;
}

VendorCmdPacket SysGetEraseCount(std::uint8_t b3, std::uint8_t b4) {
    VendorCmdPacket p = Plain(code::kSysGetEraseCount, 16);
    p.bytes[3] = b3;
    p.bytes[4] = b4;
    return p;
}

VendorCmdPacket SysGetFlashId(std::uint8_t channel, std::uint8_t bank) {
    VendorCmdPacket p = Plain(code::kSysGetFlashId, 16);
    p.bytes[3] = channel;
    p.bytes[4] = bank;
    return p;
}

VendorCmdPacket SysReadPage(std::uint8_t channel, std::uint8_t bank, std::uint16_t blockUnit, std::uint16_t page,
                            std::uint8_t ldpcMode, std::uint8_t scramble, std::uint32_t value) {
    VendorCmdPacket p = Plain(code::kSysReadPage, 16);
    p.bytes[3] = channel;
    p.bytes[4] = bank;
    PutBe16(&p.bytes[5], blockUnit);
    PutBe16(&p.bytes[7], page);
    p.bytes[9] = ldpcMode;
    p.bytes[10] = scramble;
    PutBe32(&p.bytes[12], value);
    return p;
}

VendorCmdPacket SysGetBadUnit(std::uint8_t b3, std::uint8_t ce) {
    VendorCmdPacket p = Plain(code::kSysGetBadUnit, 16);
    p.bytes[3] = b3;
    p.bytes[4] = ce;
    return p;
}

VendorCmdPacket SysGetUartLog(std::uint16_t chunk) {
    VendorCmdPacket p = Plain(code::kSysGetUartLog, 16);
    transport::PutLe16(&p.bytes[3], chunk);
    return p;
}

}  // namespace vendor
