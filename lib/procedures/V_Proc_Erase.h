// Erasing the loader-candidate blocks before a download and every valid code block, and saving
// the erase counts and the serial number of a drive before a new MP run overwrites its loader
// blocks (from the system firmware, or from the loader blocks through the diagnostic firmware).
#pragma once

#include <cstdint>

// `status` receives the erase's two status bytes on a failure (may be null).
bool VP_PROC_ClearCodeBlock(int bInstance, std::uint8_t* status);
bool VP_PROC_EraseValidLoaderBlock(int bInstance, std::uint8_t* work);
// `work` is the 256 KB work buffer. 1 when the counts were read, else 0.
int VP_PROC_GetEraseCount(int bInstance, std::uint8_t* work, int bSysMode);
bool VP_PROC_GetSerialNumber(int bInstance, std::uint8_t* work, int bSysMode);
