#include "app/mp_procedures.h"

#include "commands/command_sets.h"
#include "procedures/V_Proc_BufferTest.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

// A library function that is not there yet: traces and fails.
template <class R, class... Args>
std::function<R(int, Args...)> NotBuilt(const char* name) {
    return [name](int port, Args...) -> R {
        TraceOut("######### - [%d]%s is not built yet\n", port, name);
        return R{};
    };
}

// The die map as found: a channel and bank take part unless their entry is 0xFF.
bool DieOfOriginalMap(int channel, int bank) {
    if (channel < 0 || channel >= 8 || bank < 0) return false;
    if (AP_FlashSet.ucDiePerCE > 1) {
        return bank < 8 && AP_INIState.bOriDieMapMultiLun[channel][bank] != 0xFF;
    }
    return bank < 4 && AP_INIState.bOriDieMap[channel][bank] != 0xFF;
}

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
    p.VP_PROC_GetEraseCount = NotBuilt<int, std::uint8_t*, int>("VP_PROC_GetEraseCount");
    p.VP_PROC_GetSerialNumber = NotBuilt<bool, std::uint8_t*, int>("VP_PROC_GetSerialNumber");
    p.VP_LoadGDPFromBuffer = [](int port) { return VP_LoadGDPFromBuffer(port); };
    p.VP_InitGDP = [](int port, std::uint8_t* b) { return VP_InitGDP(port, b); };
    p.VC_GDP_CmdSwitchToLegacy = [](int port) { return VC_GDP_CmdSwitchToLegacy(port); };
    p.VP_PROC_GetSortingResultBlock = NotBuilt<bool, std::uint8_t*>("VP_PROC_GetSortingResultBlock");
    p.VP_PROC_CheckSortingResult = NotBuilt<int, std::uint8_t*, int, int, std::uint16_t>("VP_PROC_CheckSortingResult");
    p.VP_PROC_GetLoaderBlock = NotBuilt<bool, std::uint8_t*, int>("VP_PROC_GetLoaderBlock");
    p.VP_PROC_CheckFlashModule = NotBuilt<bool, std::uint8_t*>("VP_PROC_CheckFlashModule");
    p.VP_PROC_BusInterfaceTest = NotBuilt<bool, std::uint8_t*>("VP_PROC_BusInterfaceTest");
    p.VP_PROC_FlashInterfaceTest = NotBuilt<bool, std::uint8_t*, int*>("VP_PROC_FlashInterfaceTest");
    p.VP_PROC_DramTest = NotBuilt<bool, std::uint8_t*, int*>("VP_PROC_DramTest");
    p.VP_PROC_Preformat = NotBuilt<bool, std::uint8_t*, int>("VP_PROC_Preformat");
    p.VP_PROC_EraseAllBlock = NotBuilt<bool>("VP_PROC_EraseAllBlock");
    p.VP_GDP_ExecProg = NotBuilt<bool, int, std::uint8_t, std::uint8_t*, bool>("VP_GDP_ExecProg");
    p.VP_PROC_DownloadProgram = NotBuilt<bool, std::uint8_t*, const char*, const char*>("VP_PROC_DownloadProgram");
    p.VP_PROC_RWTest = NotBuilt<bool, std::uint8_t*, int*>("VP_PROC_RWTest");
    p.VP_PROC_CheckTables = NotBuilt<bool, std::uint8_t*, int*>("VP_PROC_CheckTables");
    p.CheckRDTFW = [](int port, std::uint8_t* b) { return CheckRDTFW(port, b); };
    p.VP_PROC_GetRDTStatus = NotBuilt<bool, std::uint8_t*>("VP_PROC_GetRDTStatus");
    p.VP_JumpToSorting = [](int port, std::uint8_t* b) { return VP_JumpToSorting(port, b); };
    p.DiePresent = DieOfOriginalMap;
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
