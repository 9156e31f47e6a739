// Loading and saving the whole settings file through the INI engine and every section.
#pragma once

// Runs every section reader with `path` on the engine's text, in the load order: Setting, TestItems,
// DeviceSetting, FlashSetting, FwSetting, RDSetting, RDT.
void ReadIniSections(const char* path);

// Runs every section writer with `path` on the engine's text, in the save order: Setting, TestItems,
// DeviceSetting, FlashSetting, FwSetting, RDT (RDSetting has none).
void WriteIniSections(const char* path);

// Loads `path` into the engine's main text, then runs every section reader. A missing file leaves every
// record at its defaults.
void ReadIniAll(const char* path);

// Runs every section writer on the main text, then saves it to `path`. Lines that no writer sets are kept. True when
// the file was written; on false the old file is untouched.
bool WriteIniAll(const char* path);
