#include "dialogs/device_info_reads.h"

#include <cstring>

#include "commands/command_sets.h"
#include "forms/message_pump.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_Steps.h"
#include "transport/trace.h"

namespace dialogs {

FlashIdMap ReadFlashIdMap(int port) {
    FlashIdMap map;
    const int mode = VP_GetCurrentMode(port);
    if (mode == kModeLoader) {
        VP_EnableVendorCmd(port, 1);
        if (!VP_LoadGDPFromFile(port, 0, 0)) TraceOut("######### - Load GDP fail!\n");
        forms::DelayWithMessages(1500);
        VP_EnableVendorCmd(port, 1);
    } else if (mode == kModeGdp) {
        VP_EnableVendorCmd(port, 1);
    }
    std::vector<std::uint8_t> buffer(128 * 1024, 0);
    if (mode == kModeLoader || mode == kModeGdp) {
        if (VP_PROC_ReadFlashModule(port, buffer.data())) {
            MarkFailedPositions(std::span<const std::uint8_t>(buffer).first(kFlashModuleBytes), map);
        }
    }
    if (mode == kModeLoader || mode == kModeGdp || mode == kModeRdt) {
        for (const DiePosition& d : ConfiguredPositions()) {
            std::fill_n(buffer.begin(), 512, 0);
            if (VC_GDP_CmdReadFlashID(port, static_cast<std::uint8_t>(d.channel), CeByteOf(d.position), buffer.data(),
                                      1) == 1) {
                std::memcpy(map.id[d.channel][d.position], buffer.data(), 6);
            }
        }
    }
    return map;
}

std::optional<std::vector<std::uint8_t>> ReadSram(int port) {
    std::vector<std::uint8_t> ram(4096, 0);
    if (VC_LDR_CmdReadRam(port, ram.data(), 8, 0) != 1) return std::nullopt;
    return ram;
}

}  // namespace dialogs
