// The sorting firmware's and the system firmware's command sets.
#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "transport/trace.h"

using vendor::Send;

int VC_RDT_CmdGetSORTStatus(int port, void* buffer, std::uint32_t sectors, std::uint8_t enCheckRdtFw) {
    return Send(port, vendor::GetSortStatus(enCheckRdtFw != 0), buffer, sectors, true,
                "######### - VC RDT_CmdGetSORTStatus fail!\n");
}

int VC_SYS_GetEraseCount(int port, void* buffer, std::uint32_t sectors, std::uint8_t b3, std::uint8_t b4) {
    return Send(port, vendor::SysGetEraseCount(b3, b4), buffer, sectors, true,
                "######### - VC_SYS_GetEraseCount fail!\n");
}

int VC_SYS_GetFlashID(int port, void* buffer, std::uint32_t sectors, std::uint8_t channel, std::uint8_t bank) {
    if (Send(port, vendor::SysGetFlashId(channel, bank), buffer, sectors, true, nullptr) == 1) return 1;
    // The reply is untrusted: print only what was asked for, up to its first zero byte.
    const auto* text = static_cast<const char*>(buffer);
    const std::size_t length = text ? BoundedStrLen(text, std::size_t{sectors} * 512) : 0;
    TraceOut("######### -%.*s\n", static_cast<int>(length), text ? text : "");
    TraceOut("######### - VC_SYS_GetFlashID fail!\n");
    return 2;
}

int VC_SYS_ReadPage(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t blockUnit, std::uint16_t page,
                    std::uint8_t ldpcMode, std::uint8_t scramble, void* buffer, std::uint32_t sectors,
                    std::uint32_t value) {
    return Send(port, vendor::SysReadPage(channel, bank, blockUnit, page, ldpcMode, scramble, value), buffer, sectors,
                true, "######### - VC_SYS_ReadPage fail!\n");
}

int VC_SYS_GetBadUnit(int port, void* buffer, std::uint32_t sectors, std::uint8_t b3, std::uint8_t ce) {
    return Send(port, vendor::SysGetBadUnit(b3, ce), buffer, sectors, true, "######### - VC_SYS_GetBadUnit fail!\n");
}

int VC_SYS_GetUartLog(int port, void* buffer, std::uint32_t sectors, std::uint16_t chunk) {
    return Send(port, vendor::SysGetUartLog(chunk), buffer, sectors, true, "######### - VC_SYS_GetUartLog fail!\n");
}
