// [Setting]: the station-wide switches of the main window.
#include "settings/ini_sections.h"
#include "settings/records.h"
#include "settings/section_table.h"

namespace {

using namespace settings::sections;

constexpr const char* kSection = "Setting";

constexpr KeyRule kRules[] = {
    Int("MPVersion", 0, Num(AP_INIState.MPVersion)),
    Int("TimeOut", 200, Num(AP_INIState.TimeOut)),  // minutes here; milliseconds after the read
    Int("ConnectDevNum", 0, Num(AP_INIState.ConnectDevNum)),
    Int("EnKeepPFormatSetting", 0, Num(AP_INIState.EnKeepPFormatSetting), Put::Dec),
    Text("TMCFolder", "Default", Txt(AP_INIState.TMCFolder), Put::Text),
    Int("ToolMode", 0, Num(AP_INIState.ToolMode), Put::Dec),
    Int("EnNoCheckBridge", 0, Num(AP_RDSetting.EnNoCheckBridge)),
    Int("EnNoCheckPartition", 0, Num(AP_INIState.EnNoCheckPartition)),
    Int("BarCodeInputMode", 0, Num(AP_INIState.BarCodeInputMode)),
    Int("BarCodeInputMaxCnt", 0, Num(AP_INIState.BarCodeInputMaxCnt)),
    Int("DevicePanelStyle", 0, Num(AP_INIState.DevicePanelStyle), Put::Dec),
    Int("WindowSizeMode", 0, Num(AP_INIState.WindowSizeMode), Put::Dec),
    Int("EnWatermark", 0, Num(AP_INIState.EnWatermark)),
    Int("WatermarkLocation", 0, Num(AP_INIState.WatermarkLocation)),
    Text("WatermarkString", "Watermark String", Txt(AP_INIState.WatermarkString)),
};

}  // namespace

void ReadIniSetting(const char* path) {
    ReadRules(kSection, kRules, path);
    // The workers' time-out: the key holds minutes (0 means five minutes), kept as milliseconds in 32 bits.
    const std::uint32_t minutes = AP_INIState.TimeOut;
    AP_INIState.TimeOut = minutes == 0 ? 300000u : minutes * 60000u;
}

void WriteIniSetting(const char* path) {
    WriteRules(kSection, kRules, path);
}
