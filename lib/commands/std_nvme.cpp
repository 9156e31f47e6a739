#include "commands/std_nvme.h"

#include "transport/bridge_tunnel.h"
#include "transport/nvme_entry.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

bool IsBridgePort(int port, const char* name) {
    if (port >= 0 && port < kPortCount && AP_Instance[port].bIsBridge != 0) return true;
    TraceOut("######### - [%d]%s fail! - no bridge on this port\n", port, name);
    return false;
}

int OneOrTwo(int tunnelResult) {
    return tunnelResult == 1 ? 1 : 2;
}

}  // namespace

int VC_STD_Identify(int port, void* buffer, int mode) {
    if (!IsBridgePort(port, "VC_STD_Identify")) return 2;
    return OneOrTwo(VC_Bridge_IdentifyCmd(port, buffer, mode));
}

int VC_STD_GetSmartLog(int port, void* buffer) {
    // No bIsBridge test of its own: the tunnel refuses a port without a known bridge.
    return OneOrTwo(VC_Bridge_GetLogPageCmd(port, buffer, transport::kSmartLogId, transport::kSmartLogDwords));
}

int VC_STD_Flush(int port) {
    if (!IsBridgePort(port, "VC_STD_Flush")) return 2;
    return OneOrTwo(VC_Bridge_FlushCmd(port));
}

int VC_STD_Write(int port, const void* buffer, std::uint32_t count, std::uint32_t lbaLow, std::uint32_t lbaHigh) {
    if (!IsBridgePort(port, "VC_STD_Write")) return 2;
    return OneOrTwo(VC_Bridge_WriteCmd(port, buffer, lbaLow, lbaHigh, count));
}

int VC_STD_Read(int port, void* buffer, std::uint32_t count, std::uint32_t lbaLow, std::uint32_t lbaHigh) {
    if (!IsBridgePort(port, "VC_STD_Read")) return 2;
    return OneOrTwo(VC_Bridge_ReadCmd(port, buffer, lbaLow, lbaHigh, count));
}

int VC_STD_Sanitize(int port, std::uint32_t action) {
    if (!IsBridgePort(port, "VC_STD_Sanitize")) return 2;
    return OneOrTwo(VC_Bridge_SanitizeCmd(port, action));
}
