// The diagnostic firmware's long-running programs and the polls that wait for them: the program
// run (gather, code-block pre-check), the sorting-result block scan, the sorting-status poll and
// the valid-loader-block test.
//
// Every poll waits through platform::Sleep; a stopped worker's wait throws platform::Cancelled.
#pragma once

#include <cstdint>
#include <functional>

inline constexpr std::uint8_t GDP_PROG_GATHER = 1;
inline constexpr std::uint8_t GDP_PROG_PRECHECK = 2;
inline constexpr std::uint8_t kGdpBusy = 0xAA;  // byte 0 of the status reply while a program runs
inline constexpr int wTimeOutThreshold = 20;    // polls of the result-block scan and the status poll

// Starts program 1 (gather: the bad-block scan with `mode`) or 2 (code-block pre-check with 0 and
// `mode`) and polls its status: 30 ms, then every 3,000 ms while the firmware is busy and `wait`
// is set. No bound of its own: on a worker the device watchdog ends a program that never finishes.
// `status` receives byte 0 of the last status reply. Any other program is refused without a command.
bool VP_GDP_ExecProg(int bInstance, std::uint8_t prog, std::uint8_t mode, std::uint8_t* status, bool wait);

// Scans for the sorting-result blocks and reads their table (one sector, u16 [8 channels][8 banks])
// into `buffer`: 100 ms, then a poll every 1,000 ms, giving up after wTimeOutThreshold busy polls.
bool VP_ScanResultBlock(int bInstance, void* buffer, std::uint8_t* status);

// Polls the sorting firmware's status at once and every 200 ms (the message pump runs before each
// wait), then reads its status page (one sector) into `buffer`. Gives up as the scan does.
bool VP_ScanRDTStatus(int bInstance, void* buffer, std::uint8_t* status);

// Reads page index 88 of the block into `page` (at least one flash page): 1 when it carries the
// system firmware's tag at byte 448, or the sorting firmware's when `bIsOnlySysFW` is 0; else 0.
int VP_IsValidLoaderBlock(int bInstance, void* page, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                          std::uint8_t bIsOnlySysFW);

namespace procedures {

// The hook the status poll calls before each wait, so that a window thread keeps serving its
// messages; none installed (or an empty function) means a plain wait. The program entry installs
// the form library's pump.
void SetMessagePump(std::function<void()> pump);
void RunMessagePump();

// "FileName = ..., Function = <function>, Line = <line>, nRet = <ret>" followed by `tail`.
void TracePollFail(const char* function, int line, int ret, const char* tail = "\r\n");

}  // namespace procedures
