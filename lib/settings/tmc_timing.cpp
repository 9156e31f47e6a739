#include "settings/tmc_timing.h"

#include <cstdio>
#include <cstring>

#include "settings/ini_engine.h"
#include "settings/records.h"
#include "settings/timing_record.h"
#include "transport/trace.h"

namespace {

// Lookups name the timing text through this name (the loader gets the real path), so the text just
// loaded is the one read whatever the folder names hold.
constexpr const char* kTimingText = "TMC_";

// 1 -> 1; 2 or 3 -> 2; anything else -> 0.
std::uint8_t TimingClass(std::uint8_t setting) {
    if (setting == 1) return 1;
    if (setting == 2 || setting == 3) return 2;
    return 0;
}

// The 4-bit register entry n (0 to 7) of a key's value.
std::uint32_t Entry(std::uint32_t value, int n) {
    return (value >> (4 * n)) & 0xFU;
}

// Steps 1 to 4 shared by both reads; `name` is the record's field name for the traces.
// True when the register words were built.
bool FillTimingRecord(const char* section, const char* name, TMC_TIMING_PARAM& record) {
    record.ucTimingType = TimingClass(AP_INIState.DefaultTiming);
    record.ucBestTimingType = TimingClass(AP_INIState.BestTiming);
    record.wFreqVal = static_cast<std::uint16_t>(IniGetInt(section, "Clock", 0, kTimingText));
    record.ucTimingMode = static_cast<std::uint8_t>(IniGetHex(section, "Timing_Mode", 0, kTimingText));
    record.ucHighSpeedSetting = static_cast<std::uint8_t>(IniGetHex(section, "High_Speed_Setting", 0, kTimingText));
    record.ucOutputDriveStrength =
        static_cast<std::uint8_t>(IniGetInt(section, "Output_Drive_Strength", 0, kTimingText));
    std::memset(record.aTimingFill, 0xFF, sizeof record.aTimingFill);

    if (record.wFreqVal > kMaxTimingClockMHz) {
        // No divider exists for such a clock: refused like a section without a clock.
        TraceOut("######### - AP_FwSet.%s.wFreqVal %d is above %d MHz!", name, record.wFreqVal, kMaxTimingClockMHz);
        record.wFreqVal = 0;
        return false;
    }
    if (record.wFreqVal == 0) {
        TraceOut("######### - AP_FwSet.%s.wFreqVal is 0!", name);
        return false;
    }

    TimingRegisterKeys keys{};
    keys.EnDQSn = IniGetHex(section, "EnDQSn", 0, kTimingText);
    keys.Pre_Emphsis = IniGetHex(section, "Pre_Emphsis", 0, kTimingText);
    keys.EnPreEmp = IniGetHex(section, "EnPreEmp", 0, kTimingText);
    keys.IC_Driving = IniGetHex(section, "IC_Driving", 0, kTimingText);
    keys.ODT_Control = IniGetHex(section, "ODT_Control", 0, kTimingText);
    keys.DQSO = IniGetHex(section, "DQSO", 0, kTimingText);
    keys.DQSI = IniGetHex(section, "DQSI", 0, kTimingText);
    keys.EnIC_ODT = IniGetHex(section, "EnIC_ODT", 0, kTimingText);
    keys.DQS_Driving = IniGetHex(section, "DQS_Driving", 0, kTimingText);
    BuildTimingRegisters(keys, record.wFreqVal, record);
    return true;
}

}  // namespace

void BuildTimingRegisters(const TimingRegisterKeys& keys, std::uint16_t freqMHz, TMC_TIMING_PARAM& record) {
    // Callers pass 1 to 1,000 MHz; anything else would leave p at 0.
    const std::uint32_t p = (freqMHz >= 1 && freqMHz <= kMaxTimingClockMHz) ? 1000U / freqMHz : 1U;
    const std::uint32_t q = (p + 24U) / p;
    for (int n = 0; n < 8; ++n) {
        const bool dqsn = Entry(keys.EnDQSn, n) != 0;
        record.dwDrvCfg[n] = (dqsn ? 0U : (1U << 24)) | ((Entry(keys.Pre_Emphsis, n) & 7U) << 17) |
                             (Entry(keys.EnPreEmp, n) != 0 ? (1U << 16) : 0U) | (Entry(keys.IC_Driving, n) & 3U) |
                             0x200U;
        record.dwOdtCfg[n] = (dqsn ? (1U << 16) : 0U) | ((Entry(keys.ODT_Control, n) & 3U) << 8) | 6U;
        record.dwDqsCfg[n] = (Entry(keys.DQSO, n) << 24) | Entry(keys.DQSI, n) | 0x80300U;
        record.dwFixCfg[n] = 0x1008U;
        record.dwClkCfg[n] = (q << 8) | 0xF0001U;
        record.dwIcOdtCfg[n] = Entry(keys.EnIC_ODT, n) != 0 ? (1U << 31) : 0U;
        record.dwDqsDrvCfg[n] = Entry(keys.DQS_Driving, n) & 3U;
    }
}

int ReadInitTMCIni(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    TraceOut("ReadInitTMCIni = %s ", path);
    IniLoadTmcFile(path);  // a file that cannot be loaded leaves the text empty: every key its default

    const char* section = "TIMING_SETTING_TYPE_0003300";
    std::uint32_t code = 3300;
    const std::uint8_t def = AP_INIState.DefaultTiming;
    if (def == 1 || def == 3) {
        section = "TIMING_SETTING_TYPE_0103300";
        code = 103300;
    } else if (def == 2) {
        section = "TIMING_SETTING_TYPE_1003300";
        code = 1003300;
    }
    TraceOut("######### - Initial timing is %s", section);

    TMC_TIMING_PARAM& record = AP_FwSet.init_timing_setting;
    if (!FillTimingRecord(section, "init_timing_setting", record)) return 0;
    record.dwTimingCode = code;
    return 1;
}

int ReadBestTMCIni(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    TraceOut("ReadBestTMCIni = %s ", path);
    IniLoadTmcFile(path);

    const unsigned type = AP_FlashSet.ucFlashInterface;
    const unsigned clock = AP_INIState.Clock;
    const unsigned profile = AP_FwSet.SetFeatureSettingProfile;
    char section[48];
    std::snprintf(section, sizeof section, "TIMING_SETTING_TYPE_%02u%03u%02u", type, clock, profile);
    TraceOut("######### - Best timing is %s", section);

    TMC_TIMING_PARAM& record = AP_FwSet.timing_setting_after_setfeature;
    if (!FillTimingRecord(section, "timing_setting_after_setfeature", record)) return 0;
    record.dwTimingCode = type * 100000U + clock * 100U + profile;
    return 1;
}

int ReadBestTMCProfileIni(const char* path, char* code, std::size_t size) {
    if (path == nullptr || path[0] == '\0') return 0;
    TraceOut("ReadBestTMCProfileIni = %s", path);
    if (!IniLoadTmcFile(path)) return 0;

    char key[32];
    char section[32];
    std::snprintf(key, sizeof key, "CH_NUM_%d", AP_INIState.Channel);
    std::snprintf(section, sizeof section, "TMC_SELECT_%dLUN", AP_FlashSet.ucDiePerCE);
    TraceOut("######### - %s", key);
    TraceOut("######### - %s", section);

    char value[200];
    IniGetString(section, key, "0000000_0000000_0000000_0000000", value, sizeof value, kTimingText);

    // The codes are the non-empty runs between underscores, the first for one bank.
    int count = 0;
    const char* p = value;
    while (*p != '\0') {
        while (*p == '_') ++p;
        if (*p == '\0') break;
        const char* end = p;
        while (*end != '\0' && *end != '_') ++end;
        const std::size_t length = static_cast<std::size_t>(end - p);
        ++count;
        TraceOut("######### - CE_NUM_%d is %.*s", count, static_cast<int>(length), p);
        if (count == AP_INIState.Bank) {
            if (code != nullptr && size > 0) {
                const std::size_t n = length < size - 1 ? length : size - 1;
                std::memcpy(code, p, n);
                code[n] = '\0';
            }
            break;
        }
        p = end;
    }
    return 1;
}
