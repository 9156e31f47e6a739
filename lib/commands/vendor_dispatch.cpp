#include "commands/vendor_dispatch.h"

#include <algorithm>
#include <array>

#include "transport/bridge_tunnel.h"
#include "transport/port_guard.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr int kMinPacketLength = 3;  // 0xFF, 0xE5 and the code
constexpr int kSectorBytes = 512;

bool HasBridge(int port) {
    return port >= 0 && port < kPortCount && AP_Instance[port].bIsBridge != 0;
}

}  // namespace

bool VC_SendVendorCmd(int port, const std::uint8_t* packet, int packetLength, void* data, std::uint32_t sectors,
                      int dataIn) {
    if (!HasBridge(port)) {
        TraceOut("######### - [%d]VC_SendVendorCmd fail! - no bridge on this port\n", port);
        return false;
    }
    if (packet == nullptr || packetLength < kMinPacketLength || packetLength > kSectorBytes ||
        (sectors > 0 && data == nullptr)) {
        TraceOut("######### - [%d]VC_SendVendorCmd fail! - bad packet or buffer\n", port);
        return false;
    }
    // Sub-code 0xFF marks the packet phase: a data-out phase under code 0xFF would be taken for a
    // second packet and would carry the packet sector, not the caller's data.
    if (packet[2] == transport::kPacketSubCode && sectors > 0 && dataIn == 0) {
        TraceOut("######### - [%d]VC_SendVendorCmd fail! - code 0xFF cannot carry data to the drive\n", port);
        return false;
    }
    auto lock = transport::LockPort(port);
    // The packet travels at the start of a sector whose other bytes are zero.
    std::array<std::uint8_t, kSectorBytes> sector{};
    std::copy_n(packet, packetLength, sector.begin());
    if (!VC_Bridge_VendorCmdWrite(port, nullptr, sector.data(), 1, transport::kPacketSubCode)) {
        TraceOut("######### - VC_Bridge_VendorCmdWrite - first vendor write fail!\n");
        return false;
    }
    if (sectors == 0) return true;
    const std::uint8_t code = packet[2];
    if (dataIn != 0) {
        if (!VC_Bridge_VendorCmdRead(port, data, sector.data(), sectors, code)) {
            TraceOut("######### - VC_Bridge_VendorCmdRead - second vendor read fail!\n");
            return false;
        }
    } else if (!VC_Bridge_VendorCmdWrite(port, data, sector.data(), sectors, code)) {
        TraceOut("######### - VC_Bridge_VendorCmdWrite - second vendor write fail!\n");
        return false;
    }
    return true;
}

int VC_EnableVendorCmd(int port) {
    if (!HasBridge(port)) return 3;
    if (VC_Bridge_EnableVendorCmd(port) == 2) {
        TraceOut("######### - VC_EnableVendorCmd USB fail!\n");
        return 2;
    }
    return 1;
}

int VC_DisableVendorCmd(int port) {
    if (!HasBridge(port)) return 3;
    if (VC_Bridge_DisableVendorCmd(port) == 2) {
        TraceOut("######### - VC_DisableVendorCmd fail!\n");
        return 2;
    }
    return 1;
}

namespace vendor {

int Send(int port, const VendorCmdPacket& packet, void* data, std::uint32_t sectors, bool dataIn,
         const char* failLine) {
    if (VC_SendVendorCmd(port, packet.bytes.data(), packet.length, data, sectors, dataIn ? 1 : 0)) return 1;
    if (failLine != nullptr) TraceOut("%s", failLine);
    return 2;
}

}  // namespace vendor
