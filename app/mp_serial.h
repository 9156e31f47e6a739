// The MP worker's serial-number rules, as plain functions over the settings records: composing
// the number a drive is given, checking it against the maximum, and the mount-time suffix.
// Each returns 0 when the drive may go on, else the error code it fails with, and traces as the
// worker does.
#pragma once

#include <cstddef>

#include "settings/records.h"

namespace app {

// The longest serial number a drive holds.
inline constexpr std::size_t kDriveSerialChars = 20;

// Step 2 of the worker for SNInputMode 0 to 3: fills `burned` (50 bytes) from the prefix, the
// thread copy's number and the suffix, or from the port's barcode; mode 4 leaves it alone.
void ComposeBurnedSerial(int port, const AP_INIState_t& copy, char (&burned)[50]);

// With Download selected, before the diagnostic firmware is loaded: 68 when the number is longer
// than a drive holds, or empty in barcode mode.
int CheckSerialLength(int port, const char* burned);

// [DeviceSetting] EnMaxSN: 93 when the copy's number is above MaxSerialNum in the mode's base, or
// either is not a number in that base (or does not fit 64 bits).
int CheckMaxSerial(const AP_INIState_t& copy);

// [DeviceSetting] EnSNMountTime: 94 when `burned` is longer than 13 characters, else appends the
// copy's SNTimeString.
int AppendMountTime(const AP_INIState_t& copy, char (&burned)[50]);

}  // namespace app
