// The 240-byte flash-interface timing record that the diagnostic and system firmware parameter
// images carry unchanged to the controller. Two of them live in AP_FwSet: the timing used before
// the interface is switched and the one used after the set-feature switch. Little-endian, no
// padding: every field sits on its natural boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

struct TMC_TIMING_PARAM {
    std::uint8_t ucTimingType;           // class of the default timing (0, 1 or 2)
    std::uint8_t ucBestTimingType;       // class of the best timing (0, 1 or 2)
    std::uint16_t wFreqVal;              // interface clock of the timing section, MHz
    std::uint8_t ucTimingMode;           // Timing_Mode
    std::uint8_t ucHighSpeedSetting;     // High_Speed_Setting
    std::uint8_t ucOutputDriveStrength;  // Output_Drive_Strength
    std::uint8_t ucReserved;             // never written by the timing readers
    std::uint8_t aTimingFill[4];         // each 0xFF
    std::uint32_t dwDrvCfg[8];
    std::uint32_t dwOdtCfg[8];
    std::uint32_t dwDqsCfg[8];
    std::uint32_t dwFixCfg[8];  // each 0x1008
    std::uint32_t dwClkCfg[8];
    std::uint32_t dwIcOdtCfg[8];
    std::uint32_t dwTimingCode;  // type * 100000 + clock * 100 + profile
    std::uint32_t dwDqsDrvCfg[8];
};

static_assert(sizeof(TMC_TIMING_PARAM) == 240);
static_assert(std::is_trivially_copyable_v<TMC_TIMING_PARAM>);
static_assert(offsetof(TMC_TIMING_PARAM, wFreqVal) == 2);
static_assert(offsetof(TMC_TIMING_PARAM, aTimingFill) == 8);
static_assert(offsetof(TMC_TIMING_PARAM, dwDrvCfg) == 12);
static_assert(offsetof(TMC_TIMING_PARAM, dwOdtCfg) == 44);
static_assert(offsetof(TMC_TIMING_PARAM, dwDqsCfg) == 76);
static_assert(offsetof(TMC_TIMING_PARAM, dwFixCfg) == 108);
static_assert(offsetof(TMC_TIMING_PARAM, dwClkCfg) == 140);
static_assert(offsetof(TMC_TIMING_PARAM, dwIcOdtCfg) == 172);
static_assert(offsetof(TMC_TIMING_PARAM, dwTimingCode) == 204);
static_assert(offsetof(TMC_TIMING_PARAM, dwDqsDrvCfg) == 208);
