#include "transport/bridge_tunnel.h"

#include <array>
#include <cstring>
#include <vector>

#include "transport/bridge_cdb.h"
#include "transport/bridge_primitives.h"
#include "transport/port_guard.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace transport {

namespace {

constexpr std::uint8_t kJMicronType = 1;
constexpr std::uint8_t kASMediaType = 2;

// Bytes of the data phase a bridge type moves for the command.
std::uint64_t DataBytes(const TunnelCommand& c, std::uint8_t type) {
    return type == kJMicronType ? std::uint64_t{c.jmSectors} * kSectorBytes : c.asmBytes;
}

// The ASMedia-type data phase moves whole 512-byte sectors.
std::uint64_t AsmPhaseBytes(std::uint64_t bytes) {
    return (bytes + kSectorBytes - 1) / kSectorBytes * kSectorBytes;
}

bool LengthsFit(const TunnelCommand& c, std::uint8_t type, const void* data) {
    if (!c.fits) return false;
    const std::uint64_t bytes = DataBytes(c, type);
    if (type == kJMicronType && bytes > kJmMaxDataBytes) return false;
    if (type == kASMediaType && AsmPhaseBytes(bytes) > 0xFFFFFFFFu) return false;
    return c.direction == DataDirection::None || bytes == 0 || data != nullptr;
}

int Fail(const char* line) {
    TraceOut("%s", line);
    return 2;
}

int RunJm(int port, const TunnelCommand& c, void* data, const PhaseTraces& t) {
    PayloadBlock block = BuildJmPayloadBlock(BuildEntry(c.fields));
    if (!VC_Bridge_JM_SetPayloadCmd(port, block.data(), 1, c.admin)) return Fail(t.jm[0]);
    std::array<std::uint8_t, kSectorBytes> work{};
    bool ok = false;
    switch (c.direction) {
        case DataDirection::None:
            ok = VC_Bridge_JM_DataOutCmd(port, work.data(), 0, c.admin);
            break;
        case DataDirection::ToDevice:
            ok = VC_Bridge_JM_DataOutCmd(port, data, c.jmSectors, c.admin);
            break;
        case DataDirection::ToHost:
            ok = VC_Bridge_JM_DataInCmd(port, data, c.jmSectors, c.admin);
            break;
    }
    return ok ? 1 : Fail(t.jm[1]);
}

int RunAsm(int port, const TunnelCommand& c, void* data, const PhaseTraces& t) {
    SubmissionEntry entry = BuildEntry(c.fields);
    const auto direction = static_cast<std::uint8_t>(c.direction);
    if (!VC_Bridge_ASM_DataOutCmd(port, entry.data(), kEntryBytes, c.admin, kAsmEntryPhase, direction)) {
        return Fail(t.asmedia[0]);
    }
    std::array<std::uint8_t, kSectorBytes> work{};
    const auto bytes = static_cast<std::uint32_t>(c.asmBytes);
    const auto phaseBytes = static_cast<std::uint32_t>(AsmPhaseBytes(c.asmBytes));
    // A length that is no whole number of sectors moves through a buffer of whole sectors: zeros
    // after the caller's bytes going out, only the caller's bytes kept coming in.
    std::vector<std::uint8_t> padded;
    void* phaseData = data;
    if (phaseBytes != bytes && c.direction != DataDirection::None) {
        padded.assign(phaseBytes, 0);
        if (c.direction == DataDirection::ToDevice) std::memcpy(padded.data(), data, bytes);
        phaseData = padded.data();
    }
    bool ok = false;
    switch (c.direction) {
        case DataDirection::None:
            ok = VC_Bridge_ASM_DataInCmd(port, work.data(), 0, c.admin, kAsmDataPhase, direction);
            break;
        case DataDirection::ToDevice:
            ok = VC_Bridge_ASM_DataOutCmd(port, phaseData, phaseBytes, c.admin, kAsmDataPhase, direction);
            break;
        case DataDirection::ToHost:
            ok = VC_Bridge_ASM_DataInCmd(port, phaseData, phaseBytes, c.admin, kAsmDataPhase, direction);
            if (ok && phaseData != data) std::memcpy(data, padded.data(), bytes);
            break;
    }
    return ok ? 1 : Fail(t.asmedia[1]);
}

}  // namespace

int RunTunnel(const char* name, int port, const TunnelCommand& command, void* data, const PhaseTraces& traces) {
    if (port < 0 || port >= kPortCount) {
        TraceOut("######### - [%d]%s fail! - no such port\n", port, name);
        return 2;
    }
    auto lock = LockPort(port);
    const AP_Instance_t& instance = AP_Instance[port];
    const std::uint8_t type = instance.ucBridgeType;
    if (instance.bIsBridge == 0 || (type != kJMicronType && type != kASMediaType)) {
        TraceOut("######### - [%d]%s fail! - no known bridge (bIsBridge %d, ucBridgeType %d)\n", port, name,
                 instance.bIsBridge, type);
        return 2;
    }
    if (!LengthsFit(command, type, data)) {
        TraceOut("######### - [%d]%s fail! - transfer length out of range\n", port, name);
        return 2;
    }
    // A command that moves no data on this bridge type goes as a non-data command, not as a data
    // phase of length 0.
    TunnelCommand carried = command;
    if (DataBytes(carried, type) == 0) carried.direction = DataDirection::None;
    return type == kJMicronType ? RunJm(port, carried, data, traces) : RunAsm(port, carried, data, traces);
}

}  // namespace transport

using transport::PhaseTraces;
using transport::RunTunnel;

namespace {

// The system's own failure lines, as they are (the stray "]" included).
constexpr PhaseTraces kEnableTraces{
    {"######### - VC_Bridge_EnableVendorCmd fail[0]]!\n", "######### - VC_Bridge_EnableVendorCmd fail[1]!\n"},
    {"######### - VC_Bridge_EnableVendorCmd fail[0]]!\n", "######### - VC_Bridge_EnableVendorCmd fail[1]]!\n"}};
constexpr PhaseTraces kDisableTraces{
    {"######### - VC_Bridge_DisableVendorCmd fail[0]!\n", "######### - VC_Bridge_DisableVendorCmd fail![1]\n"},
    {"######### - VC_Bridge_DisableVendorCmd fail[0]!\n", "######### - VC_Bridge_DisableVendorCmd fail[1]!\n"}};
constexpr PhaseTraces kPacketWriteTraces{
    {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", "######### - [First Write] VC_Bridge_JM_DataOutCmd fail!\n"},
    {"######### - [First Write] VC_Bridge_ASM_DataOutCmd fail[0]!\n",
     "######### - [First Write] VC_Bridge_ASM_DataOutCmd fail[1]!\n"}};
constexpr PhaseTraces kDataWriteTraces{
    {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", "######### - [Second Write] VC_Bridge_JM_DataOutCmd fail!\n"},
    {"######### - [Second Write] VC_Bridge_ASM_DataOutCmd fail[0]!\n",
     "######### - [Second Write] VC_Bridge_ASM_DataOutCmd fail[1]!\n"}};
constexpr PhaseTraces kReadTraces{
    {"######### - VC_Bridge_JM_SetPayloadCmd fail!\n", "######### - [Second Read] VC_Bridge_JM_DataInCmd fail!\n"},
    {"######### - [Second Read] VC_Bridge_ASM_DataOutCmd fail[0]!\n",
     "######### - [Second Read] VC_Bridge_ASM_DataInCmd fail[1]!\n"}};
constexpr PhaseTraces kLogPageTraces{
    {"######### - VC_Bridge_GetLogPageCmd fail[0]!\n", "######### - VC_Bridge_GetLogPageCmd fail[1]!\n"},
    {"######### - VC_Bridge_GetLogPageCmd fail[0]]!\n", "######### - VC_Bridge_GetLogPageCmd fail[1]]!\n"}};
constexpr PhaseTraces kIdentifyTraces{
    {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"},
    {"######### - VC_Bridge_IdentifyCmd fail[0]!\n", "######### - VC_Bridge_IdentifyCmd fail[1]!\n"}};
constexpr PhaseTraces kFlushTraces{
    {"######### - VC_Bridge_FlushCmd fail[0]!\n", "######### - VC_Bridge_FlushCmd fail[1]!\n"},
    {"######### - VC_Bridge_FlushCmd fail[0]]!\n", "######### - VC_Bridge_FlushCmd fail[1]]!\n"}};
constexpr PhaseTraces kWriteTraces{
    {"######### - VC_Bridge_WriteCmd fail[0]!\n", "######### - VC_Bridge_WriteCmd fail[1]!\n"},
    {"######### - VC_Bridge_WriteCmd fail[0]!\n", "######### - VC_Bridge_WriteCmd fail[1]!\n"}};
constexpr PhaseTraces kNvmReadTraces{
    {"######### - VC_Bridge_ReadCmd fail[0]!\n", "######### - VC_Bridge_ReadCmd fail[1]!\n"},
    {"######### - VC_Bridge_ReadCmd fail[0]!\n", "######### - VC_Bridge_ReadCmd fail[1]!\n"}};
constexpr PhaseTraces kSanitizeTraces{
    {"######### - VC_Bridge_SanitizeCmd fail[0]!\n", "######### - VC_Bridge_SanitizeCmd fail[1]!\n"},
    {"######### - VC_Bridge_SanitizeCmd fail[0]!\n", "######### - VC_Bridge_SanitizeCmd fail[1]!\n"}};

}  // namespace

int VC_Bridge_EnableVendorCmd(int port) {
    return RunTunnel("VC_Bridge_EnableVendorCmd", port, transport::EnableVendorCommand(), nullptr, kEnableTraces);
}

int VC_Bridge_DisableVendorCmd(int port) {
    return RunTunnel("VC_Bridge_DisableVendorCmd", port, transport::DisableVendorCommand(), nullptr, kDisableTraces);
}

bool VC_Bridge_VendorCmdWrite(int port, const void* data, const void* packetSector, std::uint32_t sectors,
                              std::uint8_t subCode) {
    const bool packetPhase = subCode == transport::kPacketSubCode;
    // The packet phase moves exactly the one sector that holds the packet.
    if (packetPhase && sectors != 1) {
        TraceOut("######### - [%d]VC_Bridge_VendorCmdWrite fail! - the packet phase is one sector, not %u\n", port,
                 static_cast<unsigned>(sectors));
        return false;
    }
    // The data-out phase only reads the buffer.
    void* source = const_cast<void*>(packetPhase ? packetSector : data);
    return RunTunnel("VC_Bridge_VendorCmdWrite", port, transport::VendorWriteCommand(sectors, subCode), source,
                     packetPhase ? kPacketWriteTraces : kDataWriteTraces) == 1;
}

bool VC_Bridge_VendorCmdRead(int port, void* data, const void*, std::uint32_t sectors, std::uint8_t subCode) {
    return RunTunnel("VC_Bridge_VendorCmdRead", port, transport::VendorReadCommand(sectors, subCode), data,
                     kReadTraces) == 1;
}

int VC_Bridge_GetLogPageCmd(int port, void* buffer, std::uint8_t logId, std::uint32_t dwords) {
    return RunTunnel("VC_Bridge_GetLogPageCmd", port, transport::GetLogPageCommand(logId, dwords), buffer,
                     kLogPageTraces);
}

int VC_Bridge_IdentifyCmd(int port, void* buffer, int mode) {
    return RunTunnel("VC_Bridge_IdentifyCmd", port, transport::IdentifyCommand(mode), buffer, kIdentifyTraces);
}

int VC_Bridge_FlushCmd(int port) {
    TraceOut("######### - VC_Bridge_FlushCmd\n");
    return RunTunnel("VC_Bridge_FlushCmd", port, transport::FlushCommand(), nullptr, kFlushTraces);
}

int VC_Bridge_WriteCmd(int port, const void* buffer, std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count) {
    TraceOut("######### - VC_Bridge_WriteCmd\n");
    return RunTunnel("VC_Bridge_WriteCmd", port, transport::WriteCommand(cdw10, cdw11, count),
                     const_cast<void*>(buffer), kWriteTraces);
}

int VC_Bridge_ReadCmd(int port, void* buffer, std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count) {
    TraceOut("######### - VC_Bridge_ReadCmd\n");
    return RunTunnel("VC_Bridge_ReadCmd", port, transport::ReadCommand(cdw10, cdw11, count), buffer, kNvmReadTraces);
}

int VC_Bridge_SanitizeCmd(int port, std::uint32_t action) {
    return RunTunnel("VC_Bridge_SanitizeCmd", port, transport::SanitizeCommand(action), nullptr, kSanitizeTraces);
}
