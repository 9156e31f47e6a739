// NVMe commands tunnelled through the port's USB bridge. Every command runs two phases: the
// entry phase (JMicron type: the 512-byte payload block; ASMedia type: the 64-byte entry at
// phase 0x80) and the data or completion phase. A failing phase traces the command's own line
// for that phase and ends the command; nothing is retried. The port's lock is held across both
// phases.
//
// A port that is out of range, whose bIsBridge is 0 or whose ucBridgeType is neither 1 nor 2
// gets failure from every command here, with nothing sent.
//
// Limits of the bridges themselves: a JMicron-type command moves at most 65,536 bytes (a longer
// one is refused before anything is sent); a command that moves no data on the port's bridge type
// goes as a non-data command; an ASMedia-type data phase moves whole 512-byte sectors (a shorter
// tail is padded with zeros going out and dropped coming in).
#pragma once

#include <cstdint>

#include "transport/nvme_entry.h"

// Vendor-command mode on / off (admin 0xC1, CDW14 0x00D95AFF / 0x00C65AFF, no data): 1 or 2.
int VC_Bridge_EnableVendorCmd(int port);
int VC_Bridge_DisableVendorCmd(int port);
// Vendor transfer to the controller (admin 0xC1). With sub-code 0xFF (the packet phase) the
// data is the one 512-byte sector `packetSector` (sectors must be 1); otherwise sectors x 512
// bytes of `data`.
bool VC_Bridge_VendorCmdWrite(int port, const void* data, const void* packetSector, std::uint32_t sectors,
                              std::uint8_t subCode);
// Vendor transfer from the controller (admin 0xC2): sectors x 512 bytes into `data`.
bool VC_Bridge_VendorCmdRead(int port, void* data, const void* packetSector, std::uint32_t sectors,
                             std::uint8_t subCode);
// Get Log Page (admin 0x02): 1 or 2.
int VC_Bridge_GetLogPageCmd(int port, void* buffer, std::uint8_t logId, std::uint32_t dwords);
// Identify (admin 0x06) into 4,096 bytes: mode 0 namespace 1, 1 controller: 1 or 2.
int VC_Bridge_IdentifyCmd(int port, void* buffer, int mode);
// Flush (NVM 0x00): 1 or 2.
int VC_Bridge_FlushCmd(int port);
// Write / Read (NVM 0x01 / 0x02) of `count` sectors (1 to 65,535) at LBA cdw11:cdw10: 1 or 2.
int VC_Bridge_WriteCmd(int port, const void* buffer, std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count);
int VC_Bridge_ReadCmd(int port, void* buffer, std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count);
// Sanitize (admin 0x84) with action & 7: 1 or 2.
int VC_Bridge_SanitizeCmd(int port, std::uint32_t action);

namespace transport {

// The failure lines of one command: [0] entry phase, [1] data phase, per bridge type.
struct PhaseTraces {
    const char* jm[2];
    const char* asmedia[2];
};

// Runs `command` on `port` through its bridge: 1 success, 2 failure. `data` is the data phase's
// buffer (unused for a command without data). `name` names the command in this layer's own
// lines (a port without a known bridge, a length that does not fit).
int RunTunnel(const char* name, int port, const TunnelCommand& command, void* data, const PhaseTraces& traces);

}  // namespace transport
