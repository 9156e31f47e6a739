// The TMC timing files: flash-interface timing sets, one section per interface type, clock and
// set-feature profile, and profile sections that name the best timing set for a channel, bank and
// die count.
#pragma once

#include <cstddef>
#include <cstdint>

struct TMC_TIMING_PARAM;

// Builds AP_FwSet.init_timing_setting from the section chosen by [FlashSetting] DefaultTiming
// (clock 33 MHz, profile 0). 1 when done; 0 for an empty path, a file that cannot be loaded (the
// record is then built from defaults) or a section without a usable clock.
int ReadInitTMCIni(const char* path);

// Builds AP_FwSet.timing_setting_after_setfeature from the section of AP_FlashSet.ucFlashInterface,
// [FlashSetting] Clock and AP_FwSet.SetFeatureSettingProfile. Results as ReadInitTMCIni.
int ReadBestTMCIni(const char* path);

// Copies the seven-character timing code for [FlashSetting] Channel and Bank and
// AP_FlashSet.ucDiePerCE from the profile sections of `path` into `code` (at most `size` - 1
// characters, terminated). `code` is unchanged when the list has fewer codes than Bank.
// 1 when the file was read; 0 for an empty path or a file that cannot be loaded.
int ReadBestTMCProfileIni(const char* path, char* code, std::size_t size);

// The register words of a timing record (steps shared by both reads), from the eight 4-bit entries
// of the nine register keys and the section's clock in MHz (1 to 1,000).
struct TimingRegisterKeys {
    std::uint32_t EnDQSn, Pre_Emphsis, EnPreEmp, IC_Driving, ODT_Control, DQSO, DQSI, EnIC_ODT, DQS_Driving;
};
void BuildTimingRegisters(const TimingRegisterKeys& keys, std::uint16_t freqMHz, TMC_TIMING_PARAM& record);

// Highest clock, in MHz, that a timing section may give; above it the section is refused like clock 0.
inline constexpr std::uint16_t kMaxTimingClockMHz = 1000;
