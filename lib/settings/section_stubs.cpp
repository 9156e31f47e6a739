// Placeholder definitions of the section readers and writers, so that the library links until the
// real sections arrive; this file is deleted then.
#include "settings/ini_sections.h"

void ReadIniSetting(const char* /*path*/) {}
void ReadIniTestItems(const char* /*path*/) {}
void ReadIniDeviceSetting(const char* /*path*/) {}
void ReadIniFlashSetting(const char* /*path*/) {}
void ReadIniFwSetting(const char* /*path*/) {}
void ReadIniRDSetting(const char* /*path*/) {}
void ReadIniRDT(const char* /*path*/) {}

void WriteIniSetting(const char* /*path*/) {}
void WriteIniTestItems(const char* /*path*/) {}
void WriteIniDeviceSetting(const char* /*path*/) {}
void WriteIniFlashSetting(const char* /*path*/) {}
void WriteIniFwSetting(const char* /*path*/) {}
void WriteIniRDT(const char* /*path*/) {}
