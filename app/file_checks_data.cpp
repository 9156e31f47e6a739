// The checks of the data files under DAT: LDPC pages, NAND update files, OPAL and UEFI images
// and the NAND memory files of the current flash. Each stores the paths into AP_Param.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/file_check_support.h"
#include "app/file_checks.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

// The flash type code: the first four characters of the flash's name. One that could leave the
// DAT folder (a separator, or only dots) names no file.
std::string FlashTypeCode() {
    std::string t(AP_INIState.FlashUniName, ::strnlen(AP_INIState.FlashUniName, 4));
    const bool dots = !t.empty() && t.find_first_not_of('.') == std::string::npos;
    if (dots || t.find_first_of("/\\") != std::string::npos) return "?";
    return t;
}

std::string Format(const char* format, const std::string& t, int nandMem, int clock) {
    char name[kParamPathBytes];
    std::snprintf(name, sizeof name, format, t.c_str(), nandMem, clock, t.c_str(), nandMem);
    return name;
}

}  // namespace

int CheckLDPCBin() {
    int rate = AP_FlashSet.ucLdpcMode;
    if (rate < 2 || rate > 4) rate = 1;
    const std::string stem = "DAT\\ldpc_rate" + std::to_string(rate);
    if (!files::StoreAndCheck(AP_Param.sLdpcPage1Bin, stem + "_page1.bin")) return 0;
    if (!files::StoreAndCheck(AP_Param.sLdpcPage2Bin, stem + "_page2.bin")) return 0;
    TraceOut("######### - AP_Param.sLdpcPage1Bin is %s\n", AP_Param.sLdpcPage1Bin);
    TraceOut("######### - AP_Param.sLdpcPage2Bin is %s\n", AP_Param.sLdpcPage2Bin);
    return 1;
}

int CheckNandMenUpdateBin() {
    if (!files::StoreAndCheck(AP_Param.sNandMemUpdateBin1, "DAT\\ldr23_nops_op.bin")) return 0;
    if (!files::StoreAndCheck(AP_Param.sNandMemUpdateBin2, "DAT\\ldr23_nifc_cmd.bin")) return 0;
    TraceOut("######### - AP_Param.sNandMemUpdateBin1 is %s\n", AP_Param.sNandMemUpdateBin1);
    TraceOut("######### - AP_Param.sNandMemUpdateBin2 is %s\n", AP_Param.sNandMemUpdateBin2);
    return 1;
}

int CheckOPALBin() {
    if (!files::StoreAndCheck(AP_Param.sOPALBin, "DAT\\opal.bin")) return 0;
    TraceOut("######### - AP_Param.sOPALBin is %s\n", AP_Param.sOPALBin);
    return 1;
}

int CheckUEFIBin() {
    if (!files::StoreAndCheck(AP_Param.sUEFIBin, "DAT\\NvmExpressDxe.rom")) return 0;
    TraceOut("######### - AP_Param.sUEFIBin is %s\n", AP_Param.sUEFIBin);
    return 1;
}

int CheckNandMemBin() {
    const std::string t = FlashTypeCode();
    TraceOut("FlashBINType = %s    asBINType = %s \n", t.c_str(), "");
    const std::string dat = "DAT\\" + t + "\\";
    if (!files::StoreAndCheck(AP_Param.sNandMemSDR, dat + "nandmem_" + t + "_sdr_page1.bin")) return 0;
    if (!files::StoreAndCheck(AP_Param.sNandMemDDR, dat + "nandmem_" + t + "_ddr_page2.bin")) return 0;
    TraceOut("######### - AP_Param.sNandMemSDR is %s\n", AP_Param.sNandMemSDR);
    TraceOut("######### - AP_Param.sNandMemDDR is %s\n", AP_Param.sNandMemDDR);

    struct Entry {
        char (&field)[kParamPathBytes];
        const char* format;
        const char* name;
    };
    const Entry entries[] = {
        {AP_Param.sNandMemOpMap, "%s\\%03d_%03d\\%s_%03d_op_map.map", "sNandMemOpMap"},
        {AP_Param.sNandMemOpBinSDR, "%s\\%03d_%03d\\%s_%03d_sdr_op.bin", "sNandMemOpBinSDR"},
        {AP_Param.sNandMemOpBinDDR, "%s\\%03d_%03d\\%s_%03d_ddr23_op.bin", "sNandMemOpBinDDR"},
        {AP_Param.sNandMemCmdMapSDR, "%s\\%03d_%03d\\%s_%03d_cmd_sdr.map", "sNandMemCmdMapSDR"},
        {AP_Param.sNandMemCmdMapDDR, "%s\\%03d_%03d\\%s_%03d_cmd_ddr23.map", "sNandMemCmdMapDDR"},
        {AP_Param.sNandMemCmdBinSDR, "%s\\%03d_%03d\\%s_%03d_sdr_cmd.bin", "sNandMemCmdBinSDR"},
        {AP_Param.sNandMemCmdBinDDR, "%s\\%03d_%03d\\%s_%03d_ddr23_cmd.bin", "sNandMemCmdBinDDR"},
    };
    for (const Entry& e : entries) {
        if (!files::StoreAndCheck(e.field, "DAT\\" + Format(e.format, t, AP_FlashSet.bNandMem, AP_INIState.Clock))) {
            return 0;
        }
    }
    for (const Entry& e : entries) TraceOut("######### - AP_Param.%s is %s\n", e.name, e.field);
    return 1;
}

}  // namespace app
