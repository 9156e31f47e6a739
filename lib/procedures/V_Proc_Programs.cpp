// Diagnostic programs, the result-block scan, the sorting-status poll and the loader-block test.
#include "procedures/V_Proc_Programs.h"

#include <array>
#include <cstring>
#include <mutex>

#include "commands/command_sets.h"
#include "platform/clock.h"
#include "procedures/V_Proc_PageAccess.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

constexpr const char* kSourceName = "..\\QVLib\\V_Proc";
constexpr std::size_t kSector = 512;
constexpr int kCheckRdtFwItem = 13;
constexpr std::uint16_t kFirstCodePage = 88;
constexpr std::size_t kTagAt = 448;

std::mutex g_pumpMutex;
std::function<void()> g_pump;

// One status fetch: its return, with byte 0 of the reply copied to `status`.
int Fetch(int port, std::uint8_t* status) {
    std::array<std::uint8_t, kSector> reply{};
    std::uint8_t state = 0;
    const int r = VC_GDP_CmdGetReturn(port, &state, reply.data());
    if (r == 1 && status != nullptr) *status = state;
    return r == 1 ? (state == kGdpBusy ? -1 : 1) : r;
}

}  // namespace

namespace procedures {

void SetMessagePump(std::function<void()> pump) {
    std::lock_guard lock(g_pumpMutex);
    g_pump = std::move(pump);
}

void RunMessagePump() {
    std::function<void()> pump;
    {
        std::lock_guard lock(g_pumpMutex);
        pump = g_pump;
    }
    if (pump) pump();
}

void TracePollFail(const char* function, int line, int ret, const char* tail) {
    TraceOut("FileName = %s, Function = %s, Line = %d, nRet = %d%s", kSourceName, function, line, ret, tail);
}

}  // namespace procedures

bool VP_GDP_ExecProg(int bInstance, std::uint8_t prog, std::uint8_t mode, std::uint8_t* status, bool wait) {
    TraceOut("######### - [%d]VP_GDP_ExecProg - Prog %d, Mode %d\n", bInstance, prog, mode);
    int sent = 0;
    if (prog == GDP_PROG_GATHER) {
        sent = VC_GDP_CmdScanDefectBad(bInstance, mode);
    } else if (prog == GDP_PROG_PRECHECK) {
        sent = VC_GDP_CmdPreCheckCodeBlock(bInstance, 0, mode);
    } else {
        return false;
    }
    if (sent == 1) {
        platform::Sleep(30);
        for (;;) {
            const int r = Fetch(bInstance, status);
            if (r == 1) return true;
            if (r == 2 || r == 3) {
                procedures::TracePollFail("VP_GDP_ExecProg", __LINE__, r);
                break;
            }
            if (!wait) break;
            platform::Sleep(3000);
        }
    }
    TraceOut("FAILED(VA_GDP_ExecProg)\r\n");
    return false;
}

bool VP_ScanResultBlock(int bInstance, void* buffer, std::uint8_t* status) {
    TraceOut("######## - [%d]VP_ScanResultBlock\n", bInstance);
    if (VC_GDP_CmdScanResultBlk(bInstance, AP_RDTSet.RDTSearchRange, AP_INIState.InheritAnt) == 1) {
        platform::Sleep(100);
        int counter = 0;
        for (;;) {
            const int r = Fetch(bInstance, status);
            if (r == 1) {
                if (VC_GDP_CmdGetResultBlk(bInstance, buffer, 1) == 1) return true;
                break;
            }
            if (r == 2 || r == 3) {
                procedures::TracePollFail("VP_ScanResultBlock", __LINE__, r);
                break;
            }
            if (++counter > wTimeOutThreshold) {
                procedures::TracePollFail("VP_ScanResultBlock", __LINE__, 1, "   Counter > wTimeOutThreshold \r\n");
                break;
            }
            platform::Sleep(1000);
        }
    }
    TraceOut("######## - [%d]VP_ScanResultBlock fail!\n", bInstance);
    return false;
}

bool VP_ScanRDTStatus(int bInstance, void* buffer, std::uint8_t* status) {
    TraceOut("######## - [%d]VP ScanRDTStatus\n", bInstance);
    int counter = 0;
    for (;;) {
        const int r = Fetch(bInstance, status);
        if (r == 1) {
            const std::uint8_t check = AP_INIState.dwItemEnable[kCheckRdtFwItem] != 0 ? 1 : 0;
            if (VC_RDT_CmdGetSORTStatus(bInstance, buffer, 1, check) == 1) return true;
            break;
        }
        if (r == 2 || r == 3) {
            procedures::TracePollFail("VP_ScanRDTStatus", __LINE__, r);
            break;
        }
        if (++counter > wTimeOutThreshold) {
            procedures::TracePollFail("VP_ScanRDTStatus", __LINE__, 1, "   Counter > wTimeOutThreshold \r\n");
            break;
        }
        procedures::RunMessagePump();
        platform::Sleep(200);
    }
    TraceOut("######## - [%d]VP ScanRDTStatus fail!\n", bInstance);
    return false;
}

int VP_IsValidLoaderBlock(int bInstance, void* page, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                          std::uint8_t bIsOnlySysFW) {
    TraceOut("######### - [%d]VP_IsValidLoaderBlock - bIsOnlySysFW is %d\n", bInstance, bIsOnlySysFW);
    const std::uint32_t sectors = AP_FlashSet.bPageSector;
    // A page too short to hold the tag cannot carry it.
    const bool read = sectors * kSector >= kTagAt + 5 &&
                      VP_ReadPage(bInstance, ucChNo, ucBankNo, wBlockNo, AP_FlashSet.wPageMap[kFirstCodePage],
                                  AP_FlashSet.ucLdpcMode, 1, 0, page, sectors);
    const auto* bytes = static_cast<const std::uint8_t*>(page);
    if (read && std::memcmp(bytes + kTagAt, "RAVEZ", 5) == 0) {
        TraceOut("######### - [%d]Find SYS FW code block! - Ch %d, Bank %d, Block %d\n", bInstance, ucChNo, ucBankNo,
                 wBlockNo);
        return 1;
    }
    if (read && bIsOnlySysFW == 0 && std::memcmp(bytes + kTagAt, "QVRDT", 5) == 0) {
        TraceOut("######### - [%d]Find RDT FW code block! - Ch %d, Bank %d, Block %d\n", bInstance, ucChNo, ucBankNo,
                 wBlockNo);
        return 1;
    }
    TraceOut("######### - [%d]Ch %d, Bank %d, Block %d is not a valid code block!\n", bInstance, ucChNo, ucBankNo,
             wBlockNo);
    return 0;
}
