// The single transport of every vendor command, and the switch of the drive's vendor-command
// mode. Return codes of this layer: 1 success, 2 failure, 3 the port has no bridge path
// (enable and disable only).
#pragma once

#include <cstdint>

#include "commands/vendor_packet.h"

// Sends a vendor command in two phases: the packet phase (the packet at the start of a zeroed
// 512-byte sector, sub-code 0xFF), then, when sectors > 0, the data phase with the packet's code
// as sub-code, reading (dataIn non-zero) or writing sectors x 512 bytes of `data`. The port's
// lock is held across both phases. False, with nothing sent, on a port out of range or without
// a bridge, a packet shorter than 3 bytes or longer than a sector, a data phase without a buffer,
// or a data-out phase under code 0xFF (the packet phase's own sub-code).
bool VC_SendVendorCmd(int port, const std::uint8_t* packet, int packetLength, void* data, std::uint32_t sectors,
                      int dataIn);
int VC_EnableVendorCmd(int port);
int VC_DisableVendorCmd(int port);

namespace vendor {

// The direction of Send's data phase.
inline constexpr bool kIn = true;
inline constexpr bool kOut = false;

// A data-out phase only reads the caller's buffer; Send takes it as the carrier's untyped pointer.
inline void* Writable(const void* p) {
    return const_cast<void*>(p);
}

// Sends `packet` with VC_SendVendorCmd: 1 on success; 2 on failure, after tracing `failLine`
// (when not null).
int Send(int port, const VendorCmdPacket& packet, void* data, std::uint32_t sectors, bool dataIn, const char* failLine);

}  // namespace vendor
