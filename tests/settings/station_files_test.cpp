// The sample station's TMC and Para files read through the timing and Para readers.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#ifdef QV_WITH_FLASH_LIST_LOADER
#include "app/flash_list_file.h"
#endif
#include "records_guard.h"
#include "settings/flash_list.h"
#include "settings/die_map_page.h"
#include "settings/flash_param.h"
#include "settings/ini_all.h"
#include "settings/ini_engine.h"
#include "settings/para_file.h"
#include "settings/tmc_timing.h"

namespace {

// Keeps the flash list's tables for the test.
class FlashListGuard {
  public:
    FlashListGuard() { std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), records_); }
    ~FlashListGuard() { std::copy(std::begin(records_), std::end(records_), g_FlashRecord); }

  private:
    FlashRecord_t records_[kFlashRecordMax];
};

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

TEST(StationFiles, SampleSettingsAgreeWithTheirParaAndTimingFiles) {
    settings_test::RecordsGuard guard;
    ReadIniAll((kStation / "RIVIDO.ini").string().c_str());
    const AP_INIState_t saved = AP_INIState;
    ASSERT_STREQ(saved.FlashUniName, "B27B512G");

    // The sample drive: 4 channels x 2 CEs of one-LUN TLC dies with 4 planes on a Toggle 2.0 bus.
    AP_INIState.bDieNumCount = 8;
    const std::string para = (kStation / "PARA" / saved.ExtParaFile).string();
    ASSERT_EQ(ReadParaIni(para.c_str(), AP_ParaSet), kParaOk) << para;
    // The sample part as the station's flash list describes it.
#ifndef QV_WITH_FLASH_LIST_LOADER
    GTEST_SKIP() << "the flash list's loader is built with the Qt parts";
#else
    const FlashListGuard list;
    int vendors = 0, records = 0;
    ASSERT_EQ(LoadFlashIni(kStation / "FlashList.ini", &vendors, &records), 1);
    ASSERT_EQ(FindFlashIndex(saved.FlashUniName), 0);
    const FlashRecord_t& r = g_FlashRecord[0];
    ASSERT_STREQ(r.FlashUniName, "B27B512G");
    EXPECT_EQ(r.ucFlashVendor, 0);
    EXPECT_EQ(r.ucFlashType, 2);
    EXPECT_EQ(r.ucCE, saved.Bank);
    EXPECT_EQ(r.wBlocks, 2016);
    EXPECT_EQ(r.wPages, 2304);
    EXPECT_EQ(r.wPageSize, 16);
    EXPECT_EQ(r.ucDiePerCE, 1);
    EXPECT_EQ(r.ucFlashInterface, 1);
    EXPECT_EQ(r.ucPlanes, 4);
    EXPECT_EQ(r.wGpioCode, 0);
    const std::uint8_t id[6] = {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};
    EXPECT_EQ(std::memcmp(r.aFlashID, id, sizeof id), 0);
    QV_UpdateGlobalParameter(0, AP_INIState);

    // Deriving from the sample's Para file gives back what the sample settings file holds.
    const AP_INIState_t& s = AP_INIState;
    EXPECT_EQ(s.wFW_BLKQnty, saved.wFW_BLKQnty);
    EXPECT_FLOAT_EQ(s.fIDEMACapacity, saved.fIDEMACapacity);
    EXPECT_EQ(s.DMT_Qnty, saved.DMT_Qnty);
    EXPECT_EQ(s.TBLBlkQnty, saved.TBLBlkQnty);
    EXPECT_EQ(s.FixSLC_BU, saved.FixSLC_BU);
    EXPECT_EQ(s.MergeBUNUM, saved.MergeBUNUM);
    EXPECT_EQ(s.LastBadRation, saved.LastBadRation);
    EXPECT_EQ(s.EnVD, saved.EnVD);
    EXPECT_EQ(s.Read_Disturb, saved.Read_Disturb);
    EXPECT_EQ(s.Read_Disturb_Head, saved.Read_Disturb_Head);
    EXPECT_EQ(s.throttle_max_dies, saved.throttle_max_dies);
    EXPECT_EQ(s.throttle_min_dies, saved.throttle_min_dies);
    EXPECT_EQ(s.DefaultTiming, saved.DefaultTiming);
    EXPECT_EQ(s.BestTiming, saved.BestTiming);
    EXPECT_STREQ(s.SerialNum, saved.SerialNum);

    // The die map's pass through the page, as every load makes it, gives back the file's channel and CE sets.
    settings::DieMapPage page;
    settings::DieMapRecordToPage(page);
    settings::DieMapPageToRecord(page);
    EXPECT_EQ(s.MPChannel, saved.MPChannel);
    EXPECT_EQ(s.MPBank, saved.MPBank);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.MPFwBankSet[i], saved.MPFwBankSet[i]) << i;
    for (int i = 0; i < 8; ++i) EXPECT_EQ(s.MPFwChannelSet[i], saved.MPFwChannelSet[i]) << i;

    const std::string tmc = (kStation / "TMC" / saved.TMCFolder / "TMC_TGL2.ini").string();
    EXPECT_EQ(ReadInitTMCIni(tmc.c_str()), 1);
    EXPECT_EQ(ReadBestTMCIni(tmc.c_str()), 1);
    EXPECT_EQ(AP_FwSet.timing_setting_after_setfeature.wFreqVal, saved.Clock);
    char code[8] = "";
    AP_FlashSet.ucDiePerCE = 1;
    ASSERT_EQ(ReadBestTMCProfileIni(tmc.c_str(), code, sizeof code), 1);
    EXPECT_STREQ(code, "0140000");  // interface 1, 400 MHz, profile 0: what the settings hold
#endif
}

}  // namespace
