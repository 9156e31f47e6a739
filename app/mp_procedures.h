// The library functions the MP worker calls, as one table of entries: each entry is named after
// the function it stands for and takes that function's arguments (port first, then the work
// buffer). The default table binds every entry to the library; tests replace entries to script
// a drive.
#pragma once

#include <cstdint>
#include <functional>

namespace app {

struct MpProcedures {
    std::function<bool(int port, int flag)> VP_EnableVendorCmd;
    std::function<int(int port)> VP_GetCurrentMode;
    std::function<bool(int port, std::uint8_t* buffer)> VP_GetSmartLog;
    std::function<bool(int port, std::uint8_t* buffer)> VP_JumpToSystem;
    std::function<int(int port, std::uint8_t* buffer, int systemMode)> VP_PROC_GetEraseCount;
    std::function<bool(int port, std::uint8_t* buffer, int systemMode)> VP_PROC_GetSerialNumber;
    std::function<bool(int port)> VP_LoadGDPFromBuffer;
    std::function<bool(int port, std::uint8_t* buffer)> VP_InitGDP;
    std::function<int(int port)> VC_GDP_CmdSwitchToLegacy;
    std::function<bool(int port, std::uint8_t* sector)> VP_PROC_GetSortingResultBlock;
    std::function<int(int port, std::uint8_t* buffer, int channel, int bank, std::uint16_t block)>
        VP_PROC_CheckSortingResult;
    std::function<bool(int port, std::uint8_t* buffer, int mode)> VP_PROC_GetLoaderBlock;
    std::function<bool(int port, std::uint8_t* buffer)> VP_PROC_CheckFlashModule;
    std::function<bool(int port, std::uint8_t* buffer)> VP_PROC_BusInterfaceTest;
    std::function<bool(int port, std::uint8_t* buffer, int* subCode)> VP_PROC_FlashInterfaceTest;
    std::function<bool(int port, std::uint8_t* buffer, int* subCode)> VP_PROC_DramTest;
    std::function<bool(int port, std::uint8_t* buffer, int mode)> VP_PROC_Preformat;
    std::function<bool(int port)> VP_PROC_EraseAllBlock;
    std::function<bool(int port, int program, std::uint8_t mode, std::uint8_t* status, bool wait)> VP_GDP_ExecProg;
    std::function<bool(int port, std::uint8_t* buffer, const char* serial, const char* second)> VP_PROC_DownloadProgram;
    std::function<bool(int port, std::uint8_t* buffer, int* subCode)> VP_PROC_RWTest;
    std::function<bool(int port, std::uint8_t* buffer, int* subCode)> VP_PROC_CheckTables;
    std::function<bool(int port, std::uint8_t* buffer)> CheckRDTFW;
    std::function<bool(int port, std::uint8_t* sector)> VP_PROC_GetRDTStatus;
    std::function<bool(int port, std::uint8_t* buffer)> VP_JumpToSorting;
    // The present-die test of the inheritance check: true when the die takes part.
    std::function<bool(int channel, int bank)> DiePresent;
};

// Every entry bound to the library (or to its stand-in).
MpProcedures LibraryMpProcedures();

// The table the workers call; the library's until replaced.
MpProcedures& MpProcs();

// Replaces the table for the guard's lifetime (tests); not while workers run.
class ScopedMpProcedures {
  public:
    explicit ScopedMpProcedures(MpProcedures procedures);
    ~ScopedMpProcedures();
    ScopedMpProcedures(const ScopedMpProcedures&) = delete;
    ScopedMpProcedures& operator=(const ScopedMpProcedures&) = delete;

  private:
    MpProcedures previous_;
};

}  // namespace app
