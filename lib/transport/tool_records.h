// The two global records that the lowest layers read: the engineering switch bytes and the tool
// record (program folder, versions, run time). They live here, below the settings records,
// because the trace and dump functions of this library consult them.
#pragma once

#include <cstdint>

struct AP_RDSetting_t {
    std::uint8_t DumpDebugFile;                    // raw dumps on/off
    std::uint8_t EnNoCheckBridge;                  // [Setting] key: treat every answering disk as a bridge
    std::uint8_t NoCheckTablesBeforeDownloadCode;
    std::uint8_t ucGdpDumpCounter;                 // used only by the diagnostic-firmware loader's dumps
    std::uint8_t DumpPftFile;                      // table logs on/off
};
static_assert(sizeof(AP_RDSetting_t) == 5);

struct AP_OtSet_t {
    char sMPTVer[16];
    char sGDPVer[16];
    char sMPTime[16];
    char sRDTVer[16];
    std::uint16_t wFwNeedBU;
    std::uint32_t dwNeedDataBU;
    char sToolPath[260];
};

extern AP_RDSetting_t AP_RDSetting;
extern AP_OtSet_t AP_OtSet;
