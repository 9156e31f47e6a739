// The section readers and writers of the settings file: each takes the settings file's path (passed on
// to the INI engine) and moves one section between the engine's main text and the settings records.
// ReadIniAll and WriteIniAll (ini_all.h) call them in a fixed order.
#pragma once

void ReadIniSetting(const char* path);
void ReadIniTestItems(const char* path);
void ReadIniDeviceSetting(const char* path);
void ReadIniFlashSetting(const char* path);
void ReadIniFwSetting(const char* path);
void ReadIniRDSetting(const char* path);
void ReadIniRDT(const char* path);

void WriteIniSetting(const char* path);
void WriteIniTestItems(const char* path);
void WriteIniDeviceSetting(const char* path);
void WriteIniFlashSetting(const char* path);
void WriteIniFwSetting(const char* path);
void WriteIniRDT(const char* path);
