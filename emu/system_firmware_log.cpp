// The system firmware's bad-unit list and UART log commands, and the lines it writes on its
// UART (system_firmware.h, uart_log.h).
#include <array>
#include <cstdio>
#include <string>

#include "emu/system_firmware.h"

namespace emu {

namespace {

// The firmware tag (64 bytes at 448 of the variable block) up to its first byte that is not printable.
std::string TagText(const ControllerCore& core) {
    std::array<std::uint8_t, 64> tag{};
    core.Ram().Read(kFwVariableBlockAddress + kFwTagOffset, tag);
    std::string text;
    for (std::uint8_t b : tag) {
        if (b < 0x20 || b >= 0x7F) break;
        text += static_cast<char>(b);
    }
    return text;
}

}  // namespace

void SystemFirmware::InstallLogCommands(ControllerCore& core) {
    const std::shared_ptr<SystemFirmware> self = shared_from_this();
    core.AddCommand(Program::System, sys_code::kGetBadUnit,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return BuildBadUnitList(*self->nand_, self->badUnits_, p[4], d);
                     }});
    core.AddCommand(Program::System, sys_code::kGetUartLog,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->uart_->Serve(static_cast<std::uint16_t>(p[3] | (p[4] << 8)), d);
                     }});
    core.SetServedObserver([uart = uart_](Program program, const VendorPacket& p) {
        if (program != Program::System || p[2] == sys_code::kGetUartLog) return;
        char line[80];
        int at = std::snprintf(line, sizeof line, "[SYS] vendor 0x%02X", p[2]);
        for (std::size_t i = 3; i < p.size(); ++i)
            at += std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), " %02X", p[i]);
        std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), "\n");
        uart->Write(line);
    });
}

void SystemFirmware::WriteStartLines(ControllerCore& core, const BootReport& report) {
    if (core.Running() != Program::System) return;
    char line[160];
    std::string text;
    if (report.booted) {
        std::snprintf(line, sizeof line, "[SYS] boot from CH%d CE%d LUN%d block %d copy %d\n", report.channel,
                      report.ce, report.lun, report.block, report.copy);
        text += line;
    } else {
        text += "[SYS] start without a loader block\n";
    }
    const FlashGeometry& g = nand_->Geometry();
    std::snprintf(line, sizeof line,
                  "[SYS] flash %d CH x %d CE x %d LUN, %d blocks of %d pages of %zu bytes, %d planes\n", g.channels,
                  g.ces, g.luns, g.blocks, g.pages, g.PageBytes(), g.planes);
    text += line;
    text += "[SYS] firmware tag " + TagText(core) + "\n";
    uart_->Write(text);
}

}  // namespace emu
