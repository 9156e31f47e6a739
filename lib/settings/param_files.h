// AP_Param: the program-wide record of data-file paths. The main window's file checks fill it
// before a run; the procedures read only this record, never the folders.
#pragma once

#include <type_traits>

inline constexpr int kParamPathBytes = 260;

struct AP_Param_t {
    char sOPALBin[kParamPathBytes];
    char sLdpcPage1Bin[kParamPathBytes];
    char sLdpcPage2Bin[kParamPathBytes];
    char sNandMemSDR[kParamPathBytes];
    char sNandMemDDR[kParamPathBytes];
    char sNandMemOpMap[kParamPathBytes];
    char sNandMemOpBinSDR[kParamPathBytes];
    char sNandMemOpBinDDR[kParamPathBytes];
    char sNandMemCmdMapSDR[kParamPathBytes];
    char sNandMemCmdMapDDR[kParamPathBytes];
    char sNandMemCmdBinSDR[kParamPathBytes];
    char sNandMemCmdBinDDR[kParamPathBytes];
    char sUEFIBin[kParamPathBytes];
    char sNandMemUpdateBin1[kParamPathBytes];
    char sNandMemUpdateBin2[kParamPathBytes];
    char sRetrytable[kParamPathBytes];  // filled by the sorting-pattern writer
};

static_assert(std::is_trivially_copyable_v<AP_Param_t>);

extern AP_Param_t AP_Param;
