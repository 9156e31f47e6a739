#include "transport/bridge_primitives.h"

#include "transport/bridge_cdb.h"
#include "transport/scsi_passthrough.h"
#include "transport/trace.h"

using namespace transport;

namespace {

bool Carry(const char* name, int port, bool dataIn, const std::uint8_t* cdb, std::size_t cdbLength, void* buffer,
           std::uint32_t byteCount) {
    if (ScsiCdbPassThrough(port, dataIn, cdb, static_cast<std::uint8_t>(cdbLength), buffer, byteCount) == 1) {
        return true;
    }
    TraceOut("FAILED(%s)\r\n", name);
    return false;
}

bool CarryJm(const char* name, int port, JmOperation operation, bool dataIn, void* buffer, std::uint32_t sectors,
             bool admin) {
    // The bridges take at most 64 KiB in one command (the length field itself holds 24 bits).
    if (std::uint64_t{sectors} * kSectorBytes > kJmMaxDataBytes) {
        TraceOut("FAILED(%s)\r\n", name);
        return false;
    }
    const JmCdb cdb = BuildJmCdb(operation, admin, sectors * kSectorBytes);
    return Carry(name, port, dataIn, cdb.data(), cdb.size(), buffer, sectors * kSectorBytes);
}

}  // namespace

bool VC_Bridge_JM_SetPayloadCmd(int port, void* buffer, std::uint32_t sectors, bool admin) {
    return CarryJm("VC_Bridge_JM_SetPayloadCmd", port, JmOperation::Payload, false, buffer, sectors, admin);
}

bool VC_Bridge_JM_DataOutCmd(int port, void* buffer, std::uint32_t sectors, bool admin) {
    return CarryJm("VC_Bridge_JM_DataOutCmd", port, sectors > 0 ? JmOperation::DataOut : JmOperation::NonData, false,
                   buffer, sectors, admin);
}

bool VC_Bridge_JM_DataInCmd(int port, void* buffer, std::uint32_t sectors, bool admin) {
    return CarryJm("VC_Bridge_JM_DataInCmd", port, JmOperation::DataIn, true, buffer, sectors, admin);
}

bool VC_Bridge_ASM_DataOutCmd(int port, void* buffer, std::uint32_t byteCount, bool admin, std::uint8_t phase,
                              std::uint8_t direction) {
    const AsmCdb cdb = BuildAsmCdb(true, phase, admin, direction, byteCount);
    return Carry("VC_Bridge_ASM_DataOutCmd", port, false, cdb.data(), cdb.size(), buffer, byteCount);
}

bool VC_Bridge_ASM_DataInCmd(int port, void* buffer, std::uint32_t byteCount, bool admin, std::uint8_t phase,
                             std::uint8_t direction) {
    const AsmCdb cdb = BuildAsmCdb(false, phase, admin, direction, byteCount);
    return Carry("VC_Bridge_ASM_DataInCmd", port, true, cdb.data(), cdb.size(), buffer, byteCount);
}
