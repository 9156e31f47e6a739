// The boot loader's command set.
#include <array>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "transport/trace.h"

using vendor::kIn;
using vendor::kOut;
using vendor::Send;
using vendor::Writable;

int VC_LDR_CmdJumpToPRAM(int port, std::uint8_t slot) {
    TraceOut("######### - VC_LDR_CmdJumpToPRAM\n");
    return Send(port, vendor::JumpToPram(slot), nullptr, 0, kOut, "######### - VC_LDR_CmdJumpToPRAM fail!\n");
}

int VC_LDR_CmdJumpToROM(int port, std::uint8_t event) {
    return Send(port, vendor::JumpToRom(event), nullptr, 0, kOut, "######### - VC_LDR_CmdJumpToROM fail!\n");
}

int VC_LDR_CmdGetReg(int port, std::uint32_t address, std::uint8_t* value) {
    std::array<std::uint8_t, 512> reply{};
    const int r = Send(port, vendor::GetReg(address), reply.data(), 1, kIn, "######### - VC_LDR_CmdGetReg fail!\n");
    if (r == 1 && value != nullptr) *value = reply[0];
    return r;
}

int VC_LDR_CmdWriteRam(int port, const void* buffer, std::uint32_t sectors, std::uint32_t address) {
    return Send(port, vendor::WriteRam(address), Writable(buffer), sectors, kOut,
                "######### - VC_LDR_CmdWriteRam fail!\n");
}

int VC_LDR_CmdWriteRamRsa(int port, const void* buffer, std::uint32_t address, std::uint32_t, std::uint32_t,
                          std::uint8_t keySlot) {
    return Send(port, vendor::WriteRamRsa(keySlot, address), Writable(buffer), 1, kOut,
                "######### - VC_LDR_CmdWriteRamRsa fail!\n");
}

int VC_LDR_CmdReadRam(int port, void* buffer, std::uint32_t sectors, std::uint32_t address) {
    return Send(port, vendor::ReadRam(address), buffer, sectors, kIn, "######### - VC_LDR_CmdReadRam fail!\n");
}
