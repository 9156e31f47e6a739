// The flash-parameter derivation: from the chosen flash-list record, the settings and the Para
// values to AP_FlashSet, parts of AP_FwSet, AP_FwFeatureSet and the derived settings; and the
// small lookups that belong to the same global parameters.
#pragma once

#include <cstdint>

struct AP_INIState_t;

// Derives the flash parameters from g_FlashRecord[dwFlashIdx] and `settings` (AP_INIState).
// An index outside the flash list changes nothing (traced).
void QV_UpdateGlobalParameter(std::uint16_t dwFlashIdx, AP_INIState_t& settings);

// Writes the eight letters of the flash code name into positions 0 to 7 of `name` (a template such
// as "########.bin"); a position without a rule keeps the template's character. Positions beyond the
// template's end are not written.
void BuildFlashCodeName(char* name);

// Physical channel / CE to logical index through MPFwChannelSet / MPFwBankSet; true and replaced
// when found, false and unchanged otherwise.
bool GetLogicalChannel(std::uint8_t& channel);
bool GetLogicalCE(std::uint8_t& ce);
