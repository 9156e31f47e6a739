// What the error-log window shows for a failed drive: the lines decoded from the failed item id, the
// step's sub-code and the failure detail the MP worker kept (procedures/step_fail_info.h). Plain code;
// the window only copies the lines into its memo, each unchanged (a trailing "\r\n" or "\n" stays).
//
// Only the item ids 1, 3, 4, 7, 8, 10, 11 and 89 have lines; every other id gives none. The detail
// buffer is read only inside its bytes: a walk, a record or a dump that would reach past it stops at
// its last whole part, and bytes that are missing (no buffer at all) read as zero.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dialogs {

inline constexpr int kItemSortingResult = 89;

// The settings the decoding reads, as they stand when the window is shown.
struct ErrorLogSettings {
    int channels = 0;  // AP_FlashSet.ucChannel
    int banks = 0;     // AP_FlashSet.ucBankNum
    std::uint8_t flashId[6] = {};
    int pageSector = 0;          // AP_FlashSet.bPageSector
    bool partialTables = false;  // [FwSetting] EnPartialTbl
};
ErrorLogSettings CurrentErrorLogSettings();

// True for the item ids whose detail buffer the window reads.
bool ErrorLogReadsItem(int item);

std::vector<std::string> DecodeStepFailInfo(int item, int subCode, std::span<const std::uint8_t> detail,
                                            const ErrorLogSettings& settings);

// The whole showing for a port: its record's item id and sub-code, its detail buffer when the port
// is 0 to 127, the item has a row and the buffer exists; a Preformat record also goes to the raw
// dump "PF_ERR.raw" (written only when raw dumps are on). A port outside the records gives no line.
std::vector<std::string> ErrorLogLinesForPort(int port);

}  // namespace dialogs
