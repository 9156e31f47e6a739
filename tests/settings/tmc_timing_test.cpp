// The timing records built from TMC files, and the profile lookup.
#include "settings/tmc_timing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/trace_sink.h"
#include "records_guard.h"

namespace {

using settings_test::RecordsGuard;
using settings_test::ScratchDir;

std::string SectionName(int type, int clock, int profile) {
    char name[48];
    std::snprintf(name, sizeof name, "TIMING_SETTING_TYPE_%02d%03d%02d", type, clock, profile);
    return name;
}

// A section with the given clock and register keys; every other key missing.
std::string Section(const std::string& name, const std::string& clock, const std::string& extra = "") {
    return "[" + name + "]\nNote=test\nClock=" + clock + "\n" + extra + "\n";
}

class TmcTiming : public ::testing::Test {
  protected:
    RecordsGuard guard_;
    ScratchDir dir_{"tmc"};
};

TEST_F(TmcTiming, ClockWordFollowsTheSectionClock) {
    const struct {
        int clock;
        std::uint32_t word;
    } cases[] = {{400, 0xF0D01}, {33, 0xF0101}, {100, 0xF0301}, {200, 0xF0501}, {1000, 0xF1901}};
    for (const auto& c : cases) {
        const std::string path =
            dir_.Write("TMC_TGL2.ini", Section(SectionName(1, c.clock, 0), std::to_string(c.clock)));
        AP_FlashSet.ucFlashInterface = 1;
        AP_INIState.Clock = static_cast<std::uint16_t>(c.clock);
        ASSERT_EQ(ReadBestTMCIni(path.c_str()), 1) << c.clock;
        const TMC_TIMING_PARAM& t = AP_FwSet.timing_setting_after_setfeature;
        EXPECT_EQ(t.wFreqVal, c.clock);
        for (int n = 0; n < 8; ++n) EXPECT_EQ(t.dwClkCfg[n], c.word) << c.clock << " entry " << n;
        EXPECT_EQ(t.dwTimingCode, 100000u + 100u * static_cast<unsigned>(c.clock));
    }
}

TEST_F(TmcTiming, BestRecordIsBuiltBitForBit) {
    const std::string keys =
        "Timing_Mode=0x25\nHigh_Speed_Setting=0x3\nOutput_Drive_Strength=4\n"
        "EnDQSn=0x00000010\nPre_Emphsis=0x0000000F\nEnPreEmp=0x00000100\nIC_Driving=0x00000007\n"
        "ODT_Control=0x00003000\nDQSO=0x000000A0\nDQSI=0x0000000C\nEnIC_ODT=0x80000000\nDQS_Driving=0x76543210\n";
    const std::string path = dir_.Write("TMC_TGL2.ini", Section("TIMING_SETTING_TYPE_0140000", "400", keys));
    AP_FlashSet.ucFlashInterface = 1;
    AP_INIState.Clock = 400;
    AP_INIState.DefaultTiming = 3;
    AP_INIState.BestTiming = 1;
    std::memset(&AP_FwSet.timing_setting_after_setfeature, 0xAA, sizeof(TMC_TIMING_PARAM));

    ASSERT_EQ(ReadBestTMCIni(path.c_str()), 1);
    const TMC_TIMING_PARAM& t = AP_FwSet.timing_setting_after_setfeature;
    EXPECT_EQ(t.ucTimingType, 2);
    EXPECT_EQ(t.ucBestTimingType, 1);
    EXPECT_EQ(t.wFreqVal, 400);
    EXPECT_EQ(t.ucTimingMode, 0x25);
    EXPECT_EQ(t.ucHighSpeedSetting, 0x03);
    EXPECT_EQ(t.ucOutputDriveStrength, 4);
    EXPECT_EQ(t.ucReserved, 0xAA) << "byte 7 is never written";
    for (std::uint8_t b : t.aTimingFill) EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(t.dwTimingCode, 140000u);

    // Entry 0: Pre_Emphsis F (& 7 = 7), IC_Driving 7 (& 3), DQSI C; EnDQSn entry 0 is 0.
    EXPECT_EQ(t.dwDrvCfg[0], (1u << 24) | (7u << 17) | 3u | 0x200u);
    EXPECT_EQ(t.dwOdtCfg[0], 6u);
    EXPECT_EQ(t.dwDqsCfg[0], 0xCu | 0x80300u);
    // Entry 1: EnDQSn set, DQSO A.
    EXPECT_EQ(t.dwDrvCfg[1], 0x200u);
    EXPECT_EQ(t.dwOdtCfg[1], (1u << 16) | 6u);
    EXPECT_EQ(t.dwDqsCfg[1], (0xAu << 24) | 0x80300u);
    // Entry 2: EnPreEmp set. Entry 3: ODT_Control 3.
    EXPECT_EQ(t.dwDrvCfg[2], (1u << 24) | (1u << 16) | 0x200u);
    EXPECT_EQ(t.dwOdtCfg[3], (3u << 8) | 6u);
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(t.dwFixCfg[n], 0x1008u);
        EXPECT_EQ(t.dwIcOdtCfg[n], n == 7 ? 0x80000000u : 0u);
        EXPECT_EQ(t.dwDqsDrvCfg[n], static_cast<std::uint32_t>(n) & 3u);
    }
    for (int n = 4; n < 8; ++n) {
        EXPECT_EQ(t.dwDrvCfg[n], (1u << 24) | 0x200u);
        EXPECT_EQ(t.dwOdtCfg[n], 6u);
        EXPECT_EQ(t.dwDqsCfg[n], 0x80300u);
    }
}

TEST_F(TmcTiming, EnDQSnEntryOneFlipsOnlyThatEntry) {
    const std::string path = dir_.Write("TMC_TGL2.ini", Section("TIMING_SETTING_TYPE_0140000", "400", "EnDQSn=0x10\n"));
    AP_FlashSet.ucFlashInterface = 1;
    AP_INIState.Clock = 400;
    ASSERT_EQ(ReadBestTMCIni(path.c_str()), 1);
    const TMC_TIMING_PARAM& t = AP_FwSet.timing_setting_after_setfeature;
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ((t.dwDrvCfg[n] >> 24) & 1u, n == 1 ? 0u : 1u) << n;
        EXPECT_EQ((t.dwOdtCfg[n] >> 16) & 1u, n == 1 ? 1u : 0u) << n;
    }
}

TEST_F(TmcTiming, InitialSectionAndCodeFollowDefaultTiming) {
    const std::string text = Section("TIMING_SETTING_TYPE_0003300", "33", "Timing_Mode=0x1\n") +
                             Section("TIMING_SETTING_TYPE_0103300", "33", "Timing_Mode=0x2\n") +
                             Section("TIMING_SETTING_TYPE_1003300", "33", "Timing_Mode=0x3\n");
    const std::string path = dir_.Write("TMC_LGC.ini", text);
    const struct {
        std::uint8_t defaultTiming, bestTiming;
        std::uint32_t code;
        std::uint8_t mode, type, bestType;
    } cases[] = {
        {0, 0, 3300, 1, 0, 0},    {1, 2, 103300, 2, 1, 2}, {3, 3, 103300, 2, 2, 2},
        {2, 1, 1003300, 3, 2, 1}, {7, 9, 3300, 1, 0, 0},
    };
    for (const auto& c : cases) {
        AP_INIState.DefaultTiming = c.defaultTiming;
        AP_INIState.BestTiming = c.bestTiming;
        platform::TraceCapture capture;
        ASSERT_EQ(ReadInitTMCIni(path.c_str()), 1);
        const TMC_TIMING_PARAM& t = AP_FwSet.init_timing_setting;
        EXPECT_EQ(t.dwTimingCode, c.code);
        EXPECT_EQ(t.ucTimingMode, c.mode);
        EXPECT_EQ(t.ucTimingType, c.type);
        EXPECT_EQ(t.ucBestTimingType, c.bestType);
        EXPECT_EQ(t.dwClkCfg[0], 0xF0101u);
        const auto lines = capture.Lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "ReadInitTMCIni = " + path + " ");
        EXPECT_EQ(lines[1], "######### - Initial timing is TIMING_SETTING_TYPE_" +
                                std::string(c.code == 3300     ? "00"
                                            : c.code == 103300 ? "01"
                                                               : "10") +
                                "03300");
    }
}

TEST_F(TmcTiming, UnusableClockKeepsRegistersAndCode) {
    const std::string text = Section("TIMING_SETTING_TYPE_0140000", "400", "DQSI=0x00000005\n") +
                             Section("TIMING_SETTING_TYPE_0120000", "0", "DQSI=0x00000007\n") +
                             Section("TIMING_SETTING_TYPE_0126600", "1200", "DQSI=0x00000007\n") +
                             Section("TIMING_SETTING_TYPE_0133300", "66036", "DQSI=0x00000007\n");
    const std::string path = dir_.Write("TMC_TGL2.ini", text);
    AP_FlashSet.ucFlashInterface = 1;
    AP_INIState.Clock = 400;
    ASSERT_EQ(ReadBestTMCIni(path.c_str()), 1);
    const TMC_TIMING_PARAM before = AP_FwSet.timing_setting_after_setfeature;

    const struct {
        std::uint16_t clock;
        const char* trace;
    } cases[] = {
        {200, "######### - AP_FwSet.timing_setting_after_setfeature.wFreqVal is 0!"},
        {266, "######### - AP_FwSet.timing_setting_after_setfeature.wFreqVal 1200 is above 1000 MHz!"},
        // 66,036 keeps its low 16 bits, 500: a usable clock after all.
        {333, nullptr},
    };
    for (const auto& c : cases) {
        AP_FwSet.timing_setting_after_setfeature = before;
        AP_INIState.Clock = c.clock;
        platform::TraceCapture capture;
        const int result = ReadBestTMCIni(path.c_str());
        const TMC_TIMING_PARAM& t = AP_FwSet.timing_setting_after_setfeature;
        if (c.trace == nullptr) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(t.wFreqVal, 500);
            EXPECT_EQ(t.dwClkCfg[0], 0xF0D01u);  // p = 2, q = 13
            continue;
        }
        EXPECT_EQ(result, 0) << c.clock;
        EXPECT_TRUE(capture.Contains(c.trace)) << capture.Text();
        EXPECT_EQ(t.wFreqVal, 0);
        EXPECT_EQ(t.dwTimingCode, 140000u);
        const auto* now = reinterpret_cast<const unsigned char*>(&t);
        const auto* old = reinterpret_cast<const unsigned char*>(&before);
        EXPECT_EQ(std::memcmp(now + 12, old + 12, sizeof t - 12), 0) << "register words and code kept";
        EXPECT_EQ(t.dwDqsCfg[0], 0x80305u);
    }
}

TEST_F(TmcTiming, EmptyPathDoesNothingAndMissingFileGivesDefaults) {
    std::memset(&AP_FwSet.init_timing_setting, 0x11, sizeof(TMC_TIMING_PARAM));
    const TMC_TIMING_PARAM before = AP_FwSet.init_timing_setting;
    EXPECT_EQ(ReadInitTMCIni(""), 0);
    EXPECT_EQ(ReadBestTMCIni(""), 0);
    EXPECT_EQ(std::memcmp(&AP_FwSet.init_timing_setting, &before, sizeof before), 0);

    AP_INIState.DefaultTiming = 1;
    EXPECT_EQ(ReadInitTMCIni(dir_.Path("TMC_missing.ini").c_str()), 0);
    const TMC_TIMING_PARAM& t = AP_FwSet.init_timing_setting;
    EXPECT_EQ(t.ucTimingType, 1);
    EXPECT_EQ(t.wFreqVal, 0);
    EXPECT_EQ(t.ucTimingMode, 0);
    EXPECT_EQ(t.ucOutputDriveStrength, 0);
    for (std::uint8_t b : t.aTimingFill) EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(t.dwDrvCfg[0], before.dwDrvCfg[0]);
}

TEST_F(TmcTiming, HexKeysWrittenInDecimalReadAsZero) {
    const std::string path = dir_.Write(
        "TMC_TGL2.ini", Section("TIMING_SETTING_TYPE_0140000", "400", "Timing_Mode=5\nDQSI=5\nDQS_Driving=0x3\n"));
    AP_FlashSet.ucFlashInterface = 1;
    AP_INIState.Clock = 400;
    ASSERT_EQ(ReadBestTMCIni(path.c_str()), 1);
    const TMC_TIMING_PARAM& t = AP_FwSet.timing_setting_after_setfeature;
    EXPECT_EQ(t.ucTimingMode, 0);
    EXPECT_EQ(t.dwDqsCfg[0], 0x80300u);
    EXPECT_EQ(t.dwDqsDrvCfg[0], 3u);
}

TEST_F(TmcTiming, ProfileLineGivesTheCodeOfTheBankCount) {
    const std::string path = dir_.Write("TMC_TGL2.ini",
                                        "[TMC_SELECT_2LUN]\nCH_NUM_4=0103300_0140000\nCH_NUM_8=_0120000__0126601_\n"
                                        "CH_NUM_2=0140000123_0\n");
    AP_FlashSet.ucDiePerCE = 2;
    const struct {
        std::uint8_t channel, bank;
        const char* code;
    } cases[] = {
        {4, 1, "0103300"}, {4, 2, "0140000"}, {4, 3, "unset"},  // fewer codes than banks
        {8, 2, "0126601"},                                      // empty pieces are skipped
        {1, 4, "0000000"}, {1, 5, "unset"},                     // missing key: four zero codes
        {2, 1, "0140000"},                                      // an over-long code is cut to the buffer
    };
    for (const auto& c : cases) {
        AP_INIState.Channel = c.channel;
        AP_INIState.Bank = c.bank;
        char code[8] = "unset";
        platform::TraceCapture capture;
        EXPECT_EQ(ReadBestTMCProfileIni(path.c_str(), code, sizeof code), 1);
        EXPECT_STREQ(code, c.code) << int(c.channel) << "/" << int(c.bank);
        const auto lines = capture.Lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], "ReadBestTMCProfileIni = " + path);
        EXPECT_EQ(lines[1], "######### - CH_NUM_" + std::to_string(c.channel));
        EXPECT_EQ(lines[2], "######### - TMC_SELECT_2LUN");
    }
    AP_INIState.Channel = 4;
    AP_INIState.Bank = 2;
    platform::TraceCapture capture;
    char code[8] = "";
    ReadBestTMCProfileIni(path.c_str(), code, sizeof code);
    EXPECT_TRUE(capture.Contains("######### - CE_NUM_1 is 0103300"));
    EXPECT_TRUE(capture.Contains("######### - CE_NUM_2 is 0140000"));

    char untouched[8] = "keep";
    EXPECT_EQ(ReadBestTMCProfileIni("", untouched, sizeof untouched), 0);
    EXPECT_EQ(ReadBestTMCProfileIni(dir_.Path("TMC_none.ini").c_str(), untouched, sizeof untouched), 0);
    EXPECT_STREQ(untouched, "keep");
}

}  // namespace
