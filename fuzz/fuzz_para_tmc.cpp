// libFuzzer target for the Para and TMC readers: ReadParaIni, ReadInitTMCIni, ReadBestTMCIni and
// ReadBestTMCProfileIni over arbitrary texts. Byte 0 and 1 choose the settings the readers look
// their sections up by (die count, timing types, interface, channel and bank); the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "settings/ini_engine.h"
#include "settings/para_file.h"
#include "settings/records.h"
#include "settings/tmc_timing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    if (size < 2) return 0;
    const std::uint8_t a = data[0];
    const std::uint8_t b = data[1];
    ResetSettingsRecords();
    AP_INIState.bDieNumCount = static_cast<std::uint8_t>(a % 20);
    AP_INIState.DefaultTiming = static_cast<std::uint8_t>(a >> 4);
    AP_INIState.BestTiming = static_cast<std::uint8_t>(b & 0x0F);
    AP_INIState.Channel = static_cast<std::uint8_t>(1 + (b >> 4) % 8);
    AP_INIState.Bank = static_cast<std::uint8_t>(1 + (a >> 2) % 4);
    AP_FlashSet.ucFlashInterface = static_cast<std::uint8_t>(b >> 5);
    AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(1 + (b >> 3) % 2);
    AP_FwSet.SetFeatureSettingProfile = static_cast<std::uint8_t>(a & 3);

    const auto& folder = fuzz::Scratch("para_tmc");
    const std::string para = (folder / "Para_FUZZ.ini").string();
    const std::string tmc = (folder / "TMC_FUZZ.ini").string();
    const std::string_view file = fuzz::Text(data + 2, size - 2);
    if (!platform::WriteWholeFile(para, file) || !platform::WriteWholeFile(tmc, file)) return 0;

    AP_ParaSet_t record{};
    ReadParaIni(para.c_str(), record);
    ReadInitTMCIni(tmc.c_str());
    ReadBestTMCIni(tmc.c_str());
    char code[8] = {};
    ReadBestTMCProfileIni(tmc.c_str(), code, sizeof code);
    fuzz::Check(code[sizeof code - 1] == '\0', "the timing code is terminated");
    return 0;
}
