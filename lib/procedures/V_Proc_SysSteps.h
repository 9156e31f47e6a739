// The MP steps that run under the system firmware after a download: the sampled read/write test
// with its sanitize, and the check of the written loader block's table pages.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kRwTestSectors = 128;  // one 64 KB sample

// `work` is the 256 KB work buffer; `subCode` receives the step's small code.
bool VP_PROC_RWTest(int bInstance, std::uint8_t* work, int* subCode);
// On a failure the 32-bit words of `buffer` hold the code, the start LBA, its high word and, for a
// compare, the expected and received values and the word index.
bool VP_RWCompare(int bInstance, std::uint8_t* buffer, std::uint32_t sectors, std::uint32_t startLba,
                  std::uint32_t lbaHigh);
bool VP_ZeroWrite(int bInstance, std::uint8_t* buffer, std::uint32_t sectors, std::uint32_t startLba,
                  std::uint32_t lbaHigh);
bool VP_Sanitize(int bInstance, std::uint32_t action);
bool VP_PROC_CheckTables(int bInstance, std::uint8_t* work, int* subCode);
