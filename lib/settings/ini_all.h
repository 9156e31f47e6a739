// Loading and saving the whole settings file through the INI engine and every section.
#pragma once

// Loads `path` into the engine's main text, then runs every section reader with `path`: Setting,
// TestItems, DeviceSetting, FlashSetting, FwSetting, RDSetting, RDT. A missing file leaves every
// record at its defaults.
void ReadIniAll(const char* path);

// Runs every section writer (Setting, TestItems, DeviceSetting, FlashSetting, FwSetting, RDT; RDSetting
// has none) on the main text, then saves it to `path`. Lines that no writer sets are kept. True when
// the file was written; on false the old file is untouched.
bool WriteIniAll(const char* path);
