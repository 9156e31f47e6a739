#include "settings/ini_all.h"

#include "settings/ini_engine.h"
#include "settings/ini_sections.h"

void ReadIniSections(const char* path) {
    ReadIniSetting(path);
    ReadIniTestItems(path);
    ReadIniDeviceSetting(path);
    ReadIniFlashSetting(path);
    ReadIniFwSetting(path);
    ReadIniRDSetting(path);
    ReadIniRDT(path);
}

void WriteIniSections(const char* path) {
    WriteIniSetting(path);
    WriteIniTestItems(path);
    WriteIniDeviceSetting(path);
    WriteIniFlashSetting(path);
    WriteIniFwSetting(path);
    WriteIniRDT(path);
}

void ReadIniAll(const char* path) {
    IniLoadFile(path);
    ReadIniSections(path);
}

bool WriteIniAll(const char* path) {
    WriteIniSections(path);
    return IniSaveFile(path) == 1;
}
