// The diagnostic firmware's command set.
#include <array>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "transport/port_instance.h"

using vendor::kIn;
using vendor::kOut;
using vendor::Plain;
using vendor::Send;
using vendor::Writable;
namespace code = vendor::code;

int VC_GDP_CmdGetReturn(int port, std::uint8_t* status, void* buffer) {
    std::array<std::uint8_t, 512> local{};
    auto* reply = buffer != nullptr ? static_cast<std::uint8_t*>(buffer) : local.data();
    const int r = Send(port, Plain(code::kGetReturn), reply, 1, kIn, "######### - VC_GDP_CmdGetReturn fail!\n");
    if (r == 1 && status != nullptr) *status = reply[0];
    return r;
}

int VC_GDP_CmdScanDefectBad(int port, std::uint8_t mode) {
    return Send(port, vendor::ScanDefectBad(mode), nullptr, 0, kOut, "######### - VC_GDP_CmdScanDefectBad fail!\n");
}

int VC_GDP_CmdGetFlashModule(int port, void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kGetFlashModule), buffer, sectors, kIn,
                "######### - VC_GDP_CmdGetFlashModule fail!\n");
}

int VC_GDP_CmdGetCodeBlock(int port, void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kGetCodeBlock), buffer, sectors, kIn, "######### - VC_GDP_CmdGetCodeBlock fail!\n");
}

int VC_GDP_CmdEraseSPI(int port) {
    return Send(port, Plain(code::kEraseSpi), nullptr, 0, kOut, "######### - VC_GDP_CmdEraseSPI fail!\n");
}

int VC_GDP_CmdProgramSPI(int port, const void* buffer, std::uint32_t offset, std::uint32_t byteCount,
                         std::uint32_t sectors) {
    return Send(port, vendor::ProgramSpi(offset, byteCount), Writable(buffer), sectors, kOut, nullptr);
}

int VC_GDP_CmdInitGDP(int port, const void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kInitGdp), Writable(buffer), sectors, kOut, "######### - VC_GDP_CmdInitGDP fail!\n");
}

int VC_GDP_CmdFlashDiagnostic(int port, std::uint8_t item, std::uint8_t value) {
    std::array<std::uint8_t, 512> reply{};
    if (Send(port, vendor::FlashDiagnostic(item, value), reply.data(), 1, kIn,
             "######### - VC_GDP_CmdFlashDiagnostic fail!\n") != 1) {
        return 2;
    }
    return reply[0] != 0 ? 1 : 2;
}

int VC_GDP_CmdGetDefectBadTab(int port, void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kGetDefectBadTab), buffer, sectors, kIn,
                "######### - VC_GDP_CmdGetDefectBadTab fail!\n");
}

int VC_GDP_CmdPreCheckCodeBlock(int port, std::uint8_t value, std::uint8_t mode) {
    return Send(port, vendor::PreCheckCodeBlock(value, mode), nullptr, 0, kOut,
                "######### - VC_GDP_CmdPreCheckCodeBlock fail!\n");
}

int VC_GDP_CmdAutoDetect(int port, void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kAutoDetect), buffer, sectors, kIn, "######### - VC_GDP_CmdAutoDetect fail!\n");
}

int VC_GDP_CmdScanResultBlk(int port, std::uint8_t rdtSearchRange, std::uint8_t inheritAnt) {
    return Send(port, vendor::ScanResultBlk(rdtSearchRange, inheritAnt), nullptr, 0, kOut,
                "######### - VC_GDP_CmdScanResultBlk fail!\n");
}

int VC_GDP_CmdGetResultBlk(int port, void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kGetResultBlk), buffer, sectors, kIn, "######### - VC_GDP_CmdGetResultBlk fail!\n");
}

int VC_GDP_CmdSwitchToLegacy(int port) {
    return Send(port, Plain(code::kSwitchToLegacy), nullptr, 0, kOut, "######### - VC_GDP_CmdSwitchToLegacy fail!\n");
}

int VC_GDP_CmdDramTest(int port, std::uint16_t first, std::uint16_t second) {
    return Send(port, vendor::DramTest(first, second), nullptr, 0, kOut, "######### - VC_GDP_CmdDramTest fail!\n");
}

int VC_GDP_CmdCheckNandTime(int port, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5, std::uint16_t word,
                            void* buffer) {
    return Send(port, vendor::CheckNandTime(b3, b4, b5, word), buffer, 1, kIn,
                "######### - VC_GDP_CmdCheckNandTime fail!\n");
}

int VC_GDP_CmdPageWriteInterleave(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block,
                                  std::uint16_t page, std::uint8_t b9, std::uint8_t b10, std::uint8_t b11,
                                  const void* buffer, std::uint32_t sectors) {
    return Send(port, vendor::PageAccess(code::kPageWriteInterleave, channel, bank, block, page, b9, b10, b11),
                Writable(buffer), sectors, kOut, "######### - VC_GDP_CmdPageWriteInterleave fail!\n");
}

int VC_GDP_CmdSetLoaderBlock(int port, const void* buffer, std::uint32_t sectors) {
    return Send(port, Plain(code::kSetLoaderBlock), Writable(buffer), sectors, kOut,
                "######### - VC_GDP_CmdSetLoaderBlock fail!\n");
}

int VC_GDP_CmdPcie_LoopBack(int port) {
    return Send(port, Plain(code::kPcieLoopBack), nullptr, 0, kOut, "######### - VC_GDP_CmdPcie_LoopBack fail!\n");
}

int VC_GDP_CmdReadFlashID(int port, std::uint8_t channel, std::uint8_t ce, void* buffer, std::uint32_t sectors) {
    return Send(port, vendor::ReadFlashId(channel, ce), buffer, sectors, kIn,
                "######### - VC_GDP_CmdReadFlashID fail!\n");
}

int VC_GDP_CmdPageRead(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint16_t page,
                       std::uint8_t mode, std::uint8_t b10, std::uint8_t b11, void* buffer, std::uint32_t sectors,
                       std::uint8_t inheritAnt) {
    std::uint8_t b9 = mode;
    const bool inheritRead = port >= 0 && port < kPortCount && AP_Instance[port].bInheritRead != 0;
    if (inheritRead && inheritAnt != 0) b9 |= 0x80;
    return Send(port, vendor::PageAccess(code::kPageRead, channel, bank, block, page, b9, b10, b11), buffer, sectors,
                kIn, "######### - VC_GDP_CmdPageRead fail!\n");
}

int VC_GDP_CmdPageWrite(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint16_t page,
                        std::uint8_t b9, std::uint8_t b10, std::uint8_t b11, const void* buffer,
                        std::uint32_t sectors) {
    return Send(port, vendor::PageAccess(code::kPageWrite, channel, bank, block, page, b9, b10, b11), Writable(buffer),
                sectors, kOut, "######### - VC_GDP_CmdPageWrite fail!\n");
}

int VC_GDP_CmdBlockErase(int port, std::uint8_t channel, std::uint8_t bank, std::uint16_t block, std::uint8_t b7,
                         std::uint8_t b8) {
    return Send(port, vendor::BlockErase(channel, bank, block, b7, b8), nullptr, 0, kOut,
                "######### - VC_GDP_CmdBlockErase fail!\n");
}
