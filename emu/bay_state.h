// What the bay reads beside bay.ini: the files a drive's keys name, and whether the bay keeps its
// drives' state between program runs:
//
//   [Bay]  KeepState=0|1   1: each drive's state is kept in state/<drive>.bin (drive_state.h)
#pragma once

#include <optional>
#include <string>

#include "emu/bay_config.h"

namespace emu {

// KeepState of the [Bay] section (false when there is none); nullopt and `error` set when not 0 or 1.
std::optional<bool> ReadKeepState(const BayConfig& config, std::string* error);
// The files the drive's keys name in the bay folder can be read (UartLogFile); false and `error` set.
bool CheckDriveFiles(const DriveConfig& drive, std::string* error);

}  // namespace emu
