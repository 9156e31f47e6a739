#include "settings/die_map_page.h"

#include <cstring>

#include "settings/die_remap.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace settings {

void DieMapPageToRecord(const DieMapPage& page) {
    TraceOut("######### - fn_ProcessDieRemapUI2Struct\n");
    AP_INIState_t& s = AP_INIState;
    const bool multiLun = DieMapIsMultiLun();
    const int luns = DieMapLunCount();
    bool channelUsed[AP_DIE_CHANNELS] = {};
    bool ceUsed[AP_DIE_BANKS] = {};

    for (int ch = 0; ch < kDieMapBoxChannels; ++ch) {
        for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {  // boxes of CE 4 to 7 have no entry
            const DieMapBox& box = page.box[ch][ce];
            if (multiLun) {
                for (int l = 0; l < luns; ++l) {
                    const bool selected = box.checked && box.lunSelected[l];
                    s.bDieStatusMultiLun[ch][ce][l] = selected ? 1 : 0;
                    if (selected) channelUsed[ch] = ceUsed[ce] = true;
                }
            } else if (box.checked) {
                s.bDieStatus[ch][ce] = 1;
                channelUsed[ch] = ceUsed[ce] = true;
                TraceOut("######### - AP_INIState.bDieStatus[%d][%d] is true\n", ch, ce);
            } else {
                s.bDieStatus[ch][ce] = 0;
                TraceOut("######### - AP_INIState.bDieStatus[%d][%d] is false\n", ch, ce);
            }
        }
    }

    std::memset(s.MPFwBankSet, 0xFF, sizeof s.MPFwBankSet);
    std::memset(s.MPFwChannelSet, 0xFF, sizeof s.MPFwChannelSet);
    int banks = 0;
    for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {
        if (!ceUsed[ce]) continue;
        s.MPFwBankSet[banks++] = static_cast<std::uint8_t>(ce);
        s.MaxPhyBank = static_cast<std::uint8_t>(ce + 1);
    }
    s.MPBank = static_cast<std::uint8_t>(banks);
    TraceOut("######### - AP_INIState.MPBank is %d\n", s.MPBank);
    int channels = 0;
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        if (!channelUsed[ch]) continue;
        s.MPFwChannelSet[channels++] = static_cast<std::uint8_t>(ch);
        s.MaxPhyChannel = static_cast<std::uint8_t>(ch + 1);
    }
    s.MPChannel = static_cast<std::uint8_t>(channels);
    TraceOut("######### - AP_INIState.MPChannel is %d\n", s.MPChannel);
}

void DieMapRecordToPage(DieMapPage& page) {
    TraceOut("######### - fn_ProcessDieRemapStruct2UI\n");
    const AP_INIState_t& s = AP_INIState;
    for (auto& row : page.box) {
        for (DieMapBox& box : row) {
            box.checked = false;
            for (bool& visible : box.lunVisible) visible = false;
        }
    }
    page.groupEnabled = s.EnUnbalance != 0;
    const bool multiLun = DieMapIsMultiLun();
    page.lunButtonVisible = multiLun && s.EnUnbalance != 0;
    const int luns = DieMapLunCount();

    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {
            DieMapBox& box = page.box[ch][ce];
            if (multiLun) {
                for (int l = 0; l < luns; ++l) {
                    const std::uint8_t value = s.bDieStatusMultiLun[ch][ce][l];
                    TraceOut("######### - AP_INIState.bDieStatusMultiLun[%d][%d][%d] is %d\n", ch, ce, l, value);
                    box.lunVisible[l] = true;
                    box.lunSelected[l] = value == 1;
                    if (value == 1) box.enabled = box.checked = true;
                }
            } else if (s.bDieStatus[ch][ce] == 1) {
                box.enabled = box.checked = true;
            }
        }
    }
    if (!multiLun) return;
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {
            DieMapBox& box = page.box[ch][ce];
            if (box.checked) continue;
            for (int l = 0; l < luns; ++l) box.lunVisible[l] = false;
        }
    }
}

void DieMapBoxClicked(DieMapPage& page, int channel, int ce) {
    if (!DieMapIsMultiLun()) return;
    if (channel < 0 || channel >= kDieMapBoxChannels || ce < 0 || ce >= kDieMapBoxCes) return;
    DieMapBox& box = page.box[channel][ce];
    const int luns = DieMapLunCount();
    for (int l = 0; l < luns; ++l) {
        if (box.checked) box.lunVisible[l] = true;
        box.lunSelected[l] = box.checked;
    }
}

}  // namespace settings
