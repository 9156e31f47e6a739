#include "settings/ini_all.h"

#include "settings/ini_engine.h"
#include "settings/ini_sections.h"

void ReadIniAll(const char* path) {
    IniLoadFile(path);
    ReadIniSetting(path);
    ReadIniTestItems(path);
    ReadIniDeviceSetting(path);
    ReadIniFlashSetting(path);
    ReadIniFwSetting(path);
    ReadIniRDSetting(path);
    ReadIniRDT(path);
}

bool WriteIniAll(const char* path) {
    WriteIniSetting(path);
    WriteIniTestItems(path);
    WriteIniDeviceSetting(path);
    WriteIniFlashSetting(path);
    WriteIniFwSetting(path);
    WriteIniRDT(path);
    return IniSaveFile(path) == 1;
}
