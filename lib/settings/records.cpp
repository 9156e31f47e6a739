#include "settings/records.h"

AP_INIState_t AP_INIState{};
AP_FlashSet_t AP_FlashSet{};
AP_FwSet_t AP_FwSet{};
AP_FwFeatureSet_t AP_FwFeatureSet{};
AP_RDTSet_t AP_RDTSet{};
std::uint16_t wRsltBlk[AP_PORT_COUNT][8][8]{};
AP_ParaSet_t AP_ParaSet{};
