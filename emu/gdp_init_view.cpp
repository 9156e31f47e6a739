#include "emu/gdp_init_view.h"

#include <algorithm>

#include "emu/gdp_init_param_decoder.h"

namespace emu {

namespace {
constexpr int kMapChannels = 8;
constexpr int kMapCes = 4;
constexpr int kMapLuns = 8;
}  // namespace

InitView ViewOfInit(GdpFirmware& gdp) {
    const FlashGeometry& g = gdp.Nand().Geometry();
    InitView view;
    view.banks = g.ces;
    const std::vector<std::uint8_t> block = gdp.InitBlock();
    const auto param = block.empty() ? std::nullopt : DecodeGdpInitParam(block);
    if (param) {
        view.rate = param->ldpcMode;
        view.banks = param->maxBanks == 0 ? g.ces : param->maxBanks;
    }
    for (int ch = 0; ch < std::min(g.channels, kMapChannels); ++ch) {
        for (int ce = 0; ce < std::min(g.ces, kMapCes); ++ce) {
            for (int lun = 0; lun < std::min(g.luns, kMapLuns); ++lun) {
                if (param && (param->dieBitMap[ch][ce] & (1u << lun)) == 0) continue;
                view.dies.push_back({ch, ce, lun});
            }
        }
    }
    return view;
}

}  // namespace emu
