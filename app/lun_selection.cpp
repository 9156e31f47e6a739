#include "app/lun_selection.h"

#include <algorithm>

#include "transport/trace.h"

namespace app {

void PrepareLunStatus(LunStatus_t& status, const settings::DieMapPage& page, int luns) {
    luns = std::clamp(luns, 0, kLunLuns);
    status.ChNum = 0;
    status.CeNum = 0;
    status.DiePerCe = luns;
    for (int ch = 0; ch < kLunChannels; ++ch) {
        for (int ce = 0; ce < kLunCes; ++ce) {
            const settings::DieMapBox& box = page.box[ch][ce];
            if (!box.enabled) continue;
            if (box.checked) {
                status.ChCeSelect[ch][ce] = 1;
                TraceOut("######### - AP_INIState.bDieStatus[%d][%d] is true\n", ch, ce);
                status.ChNum = std::max(status.ChNum, ch + 1);
                status.CeNum = std::max(status.CeNum, ce + 1);
            } else {
                status.ChCeSelect[ch][ce] = 0;
                TraceOut("######### - AP_INIState.bDieStatus[%d][%d] is false\n", ch, ce);
            }
        }
    }
    for (int ch = 0; ch < kLunChannels; ++ch)
        for (int ce = 0; ce < kLunCes; ++ce)
            for (int lun = 0; lun < luns; ++lun)
                status.LunSelect[ch][ce][lun] = page.box[ch][ce].lunSelected[lun] ? 1 : 0;
}

void ApplyLunStatus(const LunStatus_t& status, settings::DieMapPage& page, int luns) {
    luns = std::clamp(luns, 0, kLunLuns);
    for (int ch = 0; ch < kLunChannels; ++ch)
        for (int ce = 0; ce < kLunCes; ++ce)
            for (int lun = 0; lun < luns; ++lun)
                page.box[ch][ce].lunSelected[lun] = status.LunSelect[ch][ce][lun] == 1;
}

}  // namespace app
