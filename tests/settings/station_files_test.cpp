// The sample station's TMC and Para files read through the timing and Para readers.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "records_guard.h"
#include "settings/ini_engine.h"
#include "settings/para_file.h"
#include "settings/tmc_timing.h"

namespace {

const std::filesystem::path kStation = std::filesystem::path(QV_SOURCE_DIR) / "station";

std::string Tmc(const char* file) {
    return (kStation / "TMC" / "Default" / file).string();
}

// Interface code, its timing classes and the two files the main window picks for it.
struct Interface {
    std::uint8_t code, defaultTiming, bestTiming;
    const char* initFile;
    const char* bestFile;
};
constexpr Interface kInterfaces[] = {
    {0, 0, 0, "TMC_LGC.ini", "TMC_LGC.ini"},   {1, 3, 3, "TMC_TGL2.ini", "TMC_TGL2.ini"},
    {3, 0, 1, "TMC_LGC.ini", "TMC_L2T2.ini"},  {4, 0, 0, "TMC_LGC.ini", "TMC_LGC.ini"},
    {5, 0, 1, "TMC_LGC.ini", "TMC_L2T2.ini"},  {6, 3, 3, "TMC_TGL2.ini", "TMC_TGL2.ini"},
    {7, 1, 1, "TMC_TGL2.ini", "TMC_TGL2.ini"}, {8, 0, 2, "TMC_LGC.ini", "TMC_ONFI3.ini"},
    {9, 0, 3, "TMC_LGC.ini", "TMC_L2T2.ini"},  {10, 2, 2, "TMC_ONFI4.ini", "TMC_ONFI4.ini"},
};

TEST(StationFiles, EveryInterfaceHasItsInitialAndFallbackTiming) {
    settings_test::RecordsGuard guard;
    for (const Interface& i : kInterfaces) {
        AP_FlashSet.ucFlashInterface = i.code;
        AP_INIState.DefaultTiming = i.defaultTiming;
        AP_INIState.BestTiming = i.bestTiming;
        EXPECT_EQ(ReadInitTMCIni(Tmc(i.initFile).c_str()), 1) << int(i.code);
        EXPECT_EQ(AP_FwSet.init_timing_setting.wFreqVal, 33) << int(i.code);
        // The clock the window falls back to when a chosen section is missing.
        AP_INIState.Clock = 200;
        AP_FwSet.SetFeatureSettingProfile = 0;
        EXPECT_EQ(ReadBestTMCIni(Tmc(i.bestFile).c_str()), 1) << int(i.code);
        EXPECT_EQ(AP_FwSet.timing_setting_after_setfeature.wFreqVal, 200) << int(i.code);
    }
}

TEST(StationFiles, ProfileCodesNameExistingSections) {
    settings_test::RecordsGuard guard;
    const struct {
        std::uint8_t code;
        const char* file;
    } primaries[] = {
        {0, "TMC_LGC.ini"}, {1, "TMC_TGL2.ini"}, {9, "TMC_L2T2.ini"}, {8, "TMC_ONFI3.ini"}, {10, "TMC_ONFI4.ini"}};
    for (const auto& p : primaries) {
        AP_FlashSet.ucFlashInterface = p.code;
        for (std::uint8_t dies : {1, 2}) {
            for (std::uint8_t channels : {1, 2, 4, 8}) {
                for (std::uint8_t banks = 1; banks <= 4; ++banks) {
                    AP_FlashSet.ucDiePerCE = dies;
                    AP_INIState.Channel = channels;
                    AP_INIState.Bank = banks;
                    char code[8] = "";
                    ASSERT_EQ(ReadBestTMCProfileIni(Tmc(p.file).c_str(), code, sizeof code), 1);
                    ASSERT_EQ(std::strlen(code), 7u) << p.file << " " << int(channels) << "/" << int(banks);
                    const long n = std::stol(code);
                    EXPECT_EQ(n / 100000, p.code) << p.file << " " << code;
                    AP_INIState.Clock = static_cast<std::uint16_t>((n / 100) % 1000);
                    AP_FwSet.SetFeatureSettingProfile = static_cast<std::uint8_t>(n % 100);
                    EXPECT_EQ(ReadBestTMCIni(Tmc(p.file).c_str()), 1) << p.file << " " << code;
                }
            }
        }
    }
}

TEST(StationFiles, ParaFilesHoldEveryDieCount) {
    settings_test::RecordsGuard guard;
    for (const auto& entry : std::filesystem::directory_iterator(kStation / "PARA")) {
        for (std::uint8_t dies : {1, 2, 4, 8, 16}) {
            AP_INIState.bDieNumCount = dies;
            AP_ParaSet_t r{};
            EXPECT_EQ(ReadParaIni(entry.path().string().c_str(), r), kParaOk) << entry.path() << " " << int(dies);
            EXPECT_GT(+r.CAPACITY, 0) << entry.path();
            EXPECT_EQ(r.CAPACITY % dies, 0) << entry.path();
        }
    }
    EXPECT_TRUE(std::filesystem::exists(kStation / "PARA" / "Para_NULL.ini"));
}

}  // namespace
