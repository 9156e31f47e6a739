// Every global settings record saved, put back to its start state for a test (ResetSettingsRecords)
// and restored when the guard goes. It saves exactly what ResetSettingsRecords clears; a fixture
// keeps what lies beyond (the per-port records, the flash list, the INI engine's texts).
#pragma once

#include <algorithm>
#include <array>
#include <iterator>

#include "settings/firmware_bins.h"
#include "settings/records.h"
#include "transport/tool_records.h"

namespace test_support {

class SettingsRecordsGuard {
  public:
    SettingsRecordsGuard() {
        std::copy(std::begin(g_sGDPVersion), std::end(g_sGDPVersion), gdpVersion_.begin());
        std::copy(std::begin(g_sFWVersion), std::end(g_sFWVersion), fwVersion_.begin());
        ResetSettingsRecords();
    }
    ~SettingsRecordsGuard() {
        AP_INIState = ini_;
        AP_FlashSet = flash_;
        AP_FwSet = fw_;
        AP_FwFeatureSet = feature_;
        AP_RDTSet = rdt_;
        AP_ParaSet = para_;
        AP_RDSetting = rd_;
        AP_OtSet = ot_;
        AP_Bins = bins_;
        AP_GDPBins = gdpBins_;
        std::copy(gdpVersion_.begin(), gdpVersion_.end(), g_sGDPVersion);
        std::copy(fwVersion_.begin(), fwVersion_.end(), g_sFWVersion);
    }
    SettingsRecordsGuard(const SettingsRecordsGuard&) = delete;
    SettingsRecordsGuard& operator=(const SettingsRecordsGuard&) = delete;

  private:
    AP_INIState_t ini_ = AP_INIState;
    AP_FlashSet_t flash_ = AP_FlashSet;
    AP_FwSet_t fw_ = AP_FwSet;
    AP_FwFeatureSet_t feature_ = AP_FwFeatureSet;
    AP_RDTSet_t rdt_ = AP_RDTSet;
    AP_ParaSet_t para_ = AP_ParaSet;
    AP_RDSetting_t rd_ = AP_RDSetting;
    AP_OtSet_t ot_ = AP_OtSet;
    AP_Bins_t bins_ = AP_Bins;
    AP_Bins_t gdpBins_ = AP_GDPBins;
    std::array<char, sizeof g_sGDPVersion> gdpVersion_{};
    std::array<char, sizeof g_sFWVersion> fwVersion_{};
};

}  // namespace test_support
