#include "app/mp_procedures.h"

#include "commands/command_sets.h"
#include "procedures/V_Proc_Download.h"
#include "procedures/V_Proc_Erase.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_Sorting.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/V_Proc_SysSteps.h"
#include "procedures/step_fail_info.h"

namespace app {

namespace {

MpProcedures& Current() {
    static MpProcedures table = LibraryMpProcedures();
    return table;
}

}  // namespace

MpProcedures LibraryMpProcedures() {
    MpProcedures p;
    p.VP_EnableVendorCmd = [](int port, int flag) { return VP_EnableVendorCmd(port, flag); };
    p.VP_GetCurrentMode = [](int port) { return VP_GetCurrentMode(port); };
    p.VP_GetSmartLog = [](int port, std::uint8_t* b) { return VP_GetSmartLog(port, b); };
    p.VP_JumpToSystem = [](int port, std::uint8_t* b) { return VP_JumpToSystem(port, b); };
    p.VP_PROC_GetEraseCount = [](int port, std::uint8_t* b, int sys) { return VP_PROC_GetEraseCount(port, b, sys); };
    p.VP_PROC_GetSerialNumber = [](int port, std::uint8_t* b, int sys) {
        return VP_PROC_GetSerialNumber(port, b, sys);
    };
    p.VP_LoadGDPFromBuffer = [](int port) { return VP_LoadGDPFromBuffer(port); };
    p.VP_InitGDP = [](int port, std::uint8_t* b) { return VP_InitGDP(port, b); };
    p.VC_GDP_CmdSwitchToLegacy = [](int port) { return VC_GDP_CmdSwitchToLegacy(port); };
    p.VP_PROC_GetSortingResultBlock = [](int port, std::uint8_t* b) { return VP_PROC_GetSortingResultBlock(port, b); };
    p.VP_PROC_CheckSortingResult = [](int port, std::uint8_t* b, int channel, int bank, std::uint16_t block) {
        return VP_PROC_CheckSortingResult(port, b, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(bank),
                                          block);
    };
    p.VP_PROC_GetLoaderBlock = [](int port, std::uint8_t* b, int mode) {
        return VP_PROC_GetLoaderBlock(port, b, static_cast<std::uint8_t>(mode));
    };
    p.VP_PROC_CheckFlashModule = [](int port, std::uint8_t* b) { return VP_PROC_CheckFlashModule(port, b); };
    p.VP_PROC_BusInterfaceTest = [](int port, std::uint8_t* b) { return VP_PROC_BusInterfaceTest(port, b); };
    p.VP_PROC_FlashInterfaceTest = [](int port, std::uint8_t* b, int* sub) {
        return VP_PROC_FlashInterfaceTest(port, b, sub);
    };
    p.VP_PROC_DramTest = [](int port, std::uint8_t* b, int* sub) { return VP_PROC_DramTest(port, b, sub); };
    p.VP_PROC_Preformat = [](int port, std::uint8_t* b, int mode) {
        return VP_PROC_Preformat(port, b, static_cast<std::uint8_t>(mode));
    };
    p.VP_PROC_EraseAllBlock = [](int port) { return VP_PROC_EraseAllBlock(port); };
    p.VP_GDP_ExecProg = [](int port, int program, std::uint8_t mode, std::uint8_t* status, bool wait) {
        return VP_GDP_ExecProg(port, static_cast<std::uint8_t>(program), mode, status, wait);
    };
    p.VP_PROC_DownloadProgram = [](int port, std::uint8_t* b, const char* serial, const char* second) {
        return VP_PROC_DownloadProgram(port, b, serial, second);
    };
    p.VP_PROC_RWTest = [](int port, std::uint8_t* b, int* sub) { return VP_PROC_RWTest(port, b, sub); };
    p.VP_PROC_CheckTables = [](int port, std::uint8_t* b, int* sub) { return VP_PROC_CheckTables(port, b, sub); };
    p.CheckRDTFW = [](int port, std::uint8_t* b) { return CheckRDTFW(port, b); };
    p.VP_PROC_GetRDTStatus = [](int port, std::uint8_t* b) { return VP_PROC_GetRDTStatus(port, b); };
    p.VP_JumpToSorting = [](int port, std::uint8_t* b) { return VP_JumpToSorting(port, b); };
    p.DiePresent = procedures::IsPresentLogicalDie;
    return p;
}

MpProcedures& MpProcs() {
    return Current();
}

ScopedMpProcedures::ScopedMpProcedures(MpProcedures procedures) : previous_(std::move(Current())) {
    Current() = std::move(procedures);
}

ScopedMpProcedures::~ScopedMpProcedures() {
    Current() = std::move(previous_);
}

}  // namespace app
