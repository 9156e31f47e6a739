// The model behind the "Die Map" group of the Device Setting page: one check box per channel and
// CE (8 x 8, of which CE 4 to 7 have no entry in any table) and, beside each box, one small shape
// per LUN whose colour tells whether the LUN is selected. The window's handlers only copy states
// between their controls and this model; what the states mean to the settings record is computed
// here.
#pragma once

#include <cstdint>

namespace settings {

inline constexpr int kDieMapBoxChannels = 8;
inline constexpr int kDieMapBoxCes = 8;
inline constexpr int kDieMapBoxLuns = 4;
// Brush colours (0x00BBGGRR) of a LUN shape.
inline constexpr std::uint32_t kLunSelectedColour = 0xC0DCC0;    // light green
inline constexpr std::uint32_t kLunUnselectedColour = 0x000080;  // maroon

struct DieMapBox {
    bool checked = false;
    bool enabled = false;
    bool lunVisible[kDieMapBoxLuns] = {};
    bool lunSelected[kDieMapBoxLuns] = {};  // shape colour kLunSelectedColour; otherwise kLunUnselectedColour
};

struct DieMapPage {
    bool groupEnabled = false;                         // DieMapGroupBox
    bool lunButtonVisible = false;                     // LunSelectButton
    DieMapBox box[kDieMapBoxChannels][kDieMapBoxCes];  // [channel][CE]: DieMapCheckBox<ch><ce>
};

// Page to record: the die status of the flash's mode, the CE and channel sets, MPBank, MPChannel,
// MaxPhyBank and MaxPhyChannel (the latter two keep their values when nothing is used).
void DieMapPageToRecord(const DieMapPage& page);
// Record to page: every box unchecked and every shape hidden, then the boxes and shapes of the
// die status; enabled states of boxes without a die are left as they are.
void DieMapRecordToPage(DieMapPage& page);
// Click on box [ch][ce] after its checked state changed (multi-LUN only): checking selects all its
// LUNs and shows their shapes; unchecking deselects them and keeps their visibility.
void DieMapBoxClicked(DieMapPage& page, int channel, int ce);

}  // namespace settings
