// The controller's four command sets, one per program it can be running: the boot loader
// (VC_LDR_), the diagnostic firmware (VC_GDP_), the sorting firmware (VC_RDT_) and the system
// firmware (VC_SYS_). Each function builds its packet, sends it with VC_SendVendorCmd and, on
// failure, traces its own line. Every one takes the port first and returns 1 on success, 2 on
// failure; on failure a reply buffer's content is undefined.
//
// The three commands that carry settings bytes take them from the caller (the procedures pass
// AP_INIState's InheritAnt, RDTSearchRange and the EnCheckRDTFW item switch), so this layer
// reads no settings record.
#pragma once

#include <cstdint>

// Boot loader.
int VC_LDR_CmdJumpToPRAM(int port, std::uint8_t slot);
int VC_LDR_CmdJumpToROM(int port, std::uint8_t event);
// Reads the register byte at `address` into *value (set on success only).
int VC_LDR_CmdGetReg(int port, std::uint32_t address, std::uint8_t* value);
int VC_LDR_CmdWriteRam(int port, const void* buffer, std::uint32_t sectors, std::uint32_t address);
// One 512-byte sector holding an RSA block; `value1` and `value2` are not sent.
int VC_LDR_CmdWriteRamRsa(int port, const void* buffer, std::uint32_t address, std::uint32_t value1,
                          std::uint32_t value2, std::uint8_t keySlot);
int VC_LDR_CmdReadRam(int port, void* buffer, std::uint32_t sectors, std::uint32_t address);

// Diagnostic firmware.
// Status fetch: one sector into `buffer` (512 bytes); its byte 0 into *status (on success).
int VC_GDP_CmdGetReturn(int port, std::uint8_t* status, void* buffer);
int VC_GDP_CmdScanDefectBad(int port, std::uint8_t mode);
int VC_GDP_CmdGetFlashModule(int port, void* buffer, std::uint32_t sectors);
int VC_GDP_CmdGetCodeBlock(int port, void* buffer, std::uint32_t sectors);
int VC_GDP_CmdEraseSPI(int port);
// Silent: traces nothing on failure.
int VC_GDP_CmdProgramSPI(int port, const void* buffer, std::uint32_t offset, std::uint32_t byteCount,
                         std::uint32_t sectors);
int VC_GDP_CmdInitGDP(int port, const void* buffer, std::uint32_t sectors);
// 1 only when the transfer succeeds and byte 0 of the one-sector reply is non-zero.
int VC_GDP_CmdFlashDiagnostic(int port, std::uint8_t item, std::uint8_t value);
int VC_GDP_CmdGetDefectBadTab(int port, void* buffer, std::uint32_t sectors);
int VC_GDP_CmdPreCheckCodeBlock(int port, std::uint8_t value, std::uint8_t mode);
int VC_GDP_CmdAutoDetect(int port, void* buffer, std::uint32_t sectors);
// Byte 3 = the [RDT] search range, byte 4 = [RDSetting] InheritAnt.
int VC_GDP_CmdScanResultBlk(int port, std::uint8_t rdtSearchRange, std::uint8_t inheritAnt);
int VC_GDP_CmdGetResultBlk(int port, void* buffer, std::uint32_t sectors);
int VC_GDP_CmdSwitchToLegacy(int port);
int VC_GDP_CmdDramTest(int port, std::uint16_t first, std::uint16_t second);
// One sector into `buffer`.
int VC_GDP_CmdCheckNandTime(int port, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5, std::uint16_t word,
                            void* buffer);
int VC_GDP_CmdPageWriteInterleave(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block,
                                  std::uint16_t page, std::uint8_t b9, std::uint8_t b10, std::uint8_t b11,
                                  const void* buffer, std::uint32_t sectors);
int VC_GDP_CmdSetLoaderBlock(int port, const void* buffer, std::uint32_t sectors);
int VC_GDP_CmdPcie_LoopBack(int port);
int VC_GDP_CmdReadFlashID(int port, std::uint8_t channel, std::uint8_t ce, void* buffer, std::uint32_t sectors);
// Sets bit 7 of byte 9 when the port's bInheritRead flag is set and `inheritAnt` ([RDSetting]
// InheritAnt) is on.
int VC_GDP_CmdPageRead(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint16_t page,
                       std::uint8_t mode, std::uint8_t b10, std::uint8_t b11, void* buffer, std::uint32_t sectors,
                       std::uint8_t inheritAnt);
int VC_GDP_CmdPageWrite(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint16_t page,
                        std::uint8_t b9, std::uint8_t b10, std::uint8_t b11, const void* buffer, std::uint32_t sectors);
int VC_GDP_CmdBlockErase(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint8_t b7,
                         std::uint8_t b8);

// Sorting firmware: byte 4 = 1 when `enCheckRdtFw` ([TestItems] EnCheckRDTFW) is on.
int VC_RDT_CmdGetSORTStatus(int port, void* buffer, std::uint32_t sectors, std::uint8_t enCheckRdtFw);

// System firmware (16-byte packets).
int VC_SYS_GetEraseCount(int port, void* buffer, std::uint32_t sectors, std::uint8_t b3, std::uint8_t b4);
// The flash ID bytes of one channel and bank, then zeros. On failure it traces the reply as text (at
// most the `sectors` × 512 bytes it asked for, up to the first zero byte) before its fail line.
int VC_SYS_GetFlashID(int port, void* buffer, std::uint32_t sectors, std::uint8_t channel, std::uint8_t bank);
int VC_SYS_ReadPage(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t blockUnit, std::uint16_t page,
                    std::uint8_t ldpcMode, std::uint8_t scramble, void* buffer, std::uint32_t sectors,
                    std::uint32_t value);
// The bad-unit list of CE `ce` (the system firmware's 0x00; `b3` goes into byte 3).
int VC_SYS_GetBadUnit(int port, void* buffer, std::uint32_t sectors, std::uint8_t b3, std::uint8_t ce);
// Chunk `chunk` of the controller's UART log (the system firmware's 0x21).
int VC_SYS_GetUartLog(int port, void* buffer, std::uint32_t sectors, std::uint16_t chunk);
