#include "settings/records.h"

#include <cstring>

#include "settings/firmware_bins.h"
#include "transport/tool_records.h"

AP_INIState_t AP_INIState{};
AP_FlashSet_t AP_FlashSet{};
AP_FwSet_t AP_FwSet{};
AP_Variable_t AP_Variable{};
AP_FwFeatureSet_t AP_FwFeatureSet{};
AP_RDTSet_t AP_RDTSet{};
std::uint16_t wRsltBlk[AP_PORT_COUNT][8][8]{};
AP_ParaSet_t AP_ParaSet{};

void ResetSettingsRecords() {
    AP_INIState = {};
    AP_FlashSet = {};
    AP_FwSet = {};
    AP_Variable = {};
    AP_FwFeatureSet = {};
    AP_RDTSet = {};
    AP_ParaSet = {};
    AP_RDSetting = {};
    AP_OtSet = {};
    AP_Bins = {};
    AP_GDPBins = {};
    std::memset(g_sGDPVersion, 0, sizeof g_sGDPVersion);
    std::memset(g_sFWVersion, 0, sizeof g_sFWVersion);
}
