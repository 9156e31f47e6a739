// What every MP step shares with the MP worker and the error-log window: the present-die test and
// the layout of the failure detail (StepFailInfo) that a failing step leaves in the first 2,048
// bytes of the port's work buffer, with the item ids, event ids and sub-codes it carries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/records.h"

namespace procedures {

// A die (channel, bank) takes part when its entry of the original die map is not 0xFF: with one die
// per CE the entry of bOriDieMap; with several, a bank below MaxPhyBank and its bOriDieMapMultiLun
// entry. Anything outside the maps is not present.
inline bool IsPresentDie(int channel, int bank) {
    if (channel < 0 || channel >= 8 || bank < 0) return false;
    if (AP_FlashSet.ucDiePerCE < 2) return bank < 4 && AP_INIState.bOriDieMap[channel][bank] != 0xFF;
    return bank < AP_INIState.MaxPhyBank && bank < 8 && AP_INIState.bOriDieMapMultiLun[channel][bank] != 0xFF;
}

// The same test for a logical bank (LUN x MaxPhyBank + CE), as the walks over every LUN use it:
// bOriDieMap with one die per CE, bOriDieMapMultiLun (8 entries per channel) otherwise.
inline bool IsPresentLogicalDie(int channel, int logicalBank) {
    if (channel < 0 || channel >= 8 || logicalBank < 0) return false;
    if (AP_FlashSet.ucDiePerCE < 2) return logicalBank < 4 && AP_INIState.bOriDieMap[channel][logicalBank] != 0xFF;
    return logicalBank < 8 && AP_INIState.bOriDieMapMultiLun[channel][logicalBank] != 0xFF;
}

}  // namespace procedures

namespace step_fail {

inline constexpr std::size_t kBytes = 2048;  // the part of the work buffer the worker keeps

// Item ids (rows of the test-item table) of the steps and of the two run-level failures.
inline constexpr int kItemFlashModule = 1;
inline constexpr int kItemBusInterface = 3;
inline constexpr int kItemFlashInterface = 4;
inline constexpr int kItemDramTest = 5;
inline constexpr int kItemPreformat = 7;
inline constexpr int kItemDownload = 8;
inline constexpr int kItemRWTest = 10;
inline constexpr int kItemCheckTables = 11;
inline constexpr int kItemGetLoaderBlock = 37;
inline constexpr int kItemTimeout = 38;
inline constexpr int kItemStop = 95;

// Flash Module (item 1): byte 0 = 1 + failures, byte 1 = the last check run, then 32-byte records.
inline constexpr std::size_t kFmFailCount = 0;
inline constexpr std::size_t kFmLastCheck = 1;
inline constexpr std::size_t kFmFirstRecord = 34;
inline constexpr std::size_t kFmRecordBytes = 32;
inline constexpr std::size_t kFmMaxRecords = (kBytes - kFmFirstRecord) / kFmRecordBytes;  // 62
// Record fields.
inline constexpr std::size_t kRecEvent = 0;
inline constexpr std::size_t kRecChannel = 1;  // or the module's channel count (0x81, counts form)
inline constexpr std::size_t kRecBank = 2;     // or the module's bank count
inline constexpr std::size_t kRecDetail = 8;   // six ID bytes (0x83); 1 then the die flag (0x81, die form)
inline constexpr std::size_t kRecDetailBytes = 6;
// Event ids; the two command failures are written into the current slot without moving on.
inline constexpr std::uint8_t EID_FLASH_MODULE_CMD_FAIL = 0x80;
inline constexpr std::uint8_t EID_FLASH_MODULE_SCAN_RESULT = 0x81;
inline constexpr std::uint8_t EID_FLASH_ID_CMD_FAIL = 0x82;
inline constexpr std::uint8_t EID_FLASH_ID_SCAN_RESULT = 0x83;

// Flash Interface (item 4): the sub-code's low byte; for 68 and 69 the last NAND-time reply at byte 0.
inline constexpr std::uint8_t kFiControlSram = 64;
inline constexpr std::uint8_t kFiNandReset = 65;
inline constexpr std::uint8_t kFiBlockEcc = 66;
inline constexpr std::uint8_t kFiDataPath = 67;
inline constexpr std::uint8_t kFiNandTimeCmd = 68;
inline constexpr std::uint8_t kFiProgTimeOver = 69;
inline constexpr std::size_t kNandTimeReplyBytes = 12;  // program, read, erase: three little-endian u32

// Dram Test (item 5): the sub-code holds the last status byte; bytes 0 and 1 the status reply's
// bytes 0 and 1 on a failed result.

// Preformat (item 7): the remap driver's result records.

// Download (item 8): byte 0 the code, byte 1 the channel (208-210) or the page kind (217: 160-166),
// bytes 2 on the page concerned.
inline constexpr std::uint8_t kDlDefectHeader = 208;
inline constexpr std::uint8_t kDlEarlyHeader = 209;
inline constexpr std::uint8_t kDlRemapHeader = 210;
inline constexpr std::uint8_t kDlLoaderBlock = 217;
inline constexpr std::uint8_t kDlFirstPageKind = 160;
inline constexpr std::uint8_t kDlLastPageKind = 166;
inline constexpr std::size_t kDlPage = 2;

// R/W Test (item 10): sub-code and u32 word 0 the code; word 1 the start LBA, word 2 its high word;
// on a compare failure words 3-5 expected, received, word index.
inline constexpr int kRwWrite = 1;
inline constexpr int kRwRead = 2;
inline constexpr int kRwCompare = 3;
inline constexpr int kRwJumpToSystem = 4;
inline constexpr int kRwFlush = 5;

// Check Tables (item 11): sub-code 4 (jump to the system firmware failed) or 1 (byte 0 = the page).
inline constexpr int kCtJumpToSystem = 4;
inline constexpr int kCtPageWrong = 1;

}  // namespace step_fail
