#include "app/die_map_controls.h"

#include "app/control_store.h"
#include "settings/die_map_page.h"

namespace app {

using settings::kDieMapBoxCes;
using settings::kDieMapBoxChannels;
using settings::kDieMapBoxLuns;
using settings::kLunSelectedColour;
using settings::kLunUnselectedColour;

std::string DieMapBoxName(int channel, int ce) {
    return "DieMapCheckBox" + std::to_string(channel) + std::to_string(ce);
}

std::string LunShapeName(int channel, int ce, int lun) {
    return "LunSelectShape" + std::to_string(channel) + std::to_string(ce) + std::to_string(lun);
}

void ReadDieMapControls(const ControlStore& store, settings::DieMapPage& page) {
    page.groupEnabled = store.Enabled("DieMapGroupBox");
    page.lunButtonVisible = store.Visible("LunSelectButton");
    for (int ch = 0; ch < kDieMapBoxChannels; ++ch) {
        for (int ce = 0; ce < kDieMapBoxCes; ++ce) {
            settings::DieMapBox& box = page.box[ch][ce];
            const std::string name = DieMapBoxName(ch, ce);
            box.checked = store.Checked(name);
            box.enabled = store.Enabled(name);
            for (int l = 0; l < kDieMapBoxLuns; ++l) {
                const std::string shape = LunShapeName(ch, ce, l);
                box.lunVisible[l] = store.Visible(shape);
                box.lunSelected[l] = store.Colour(shape) == kLunSelectedColour;
            }
        }
    }
}

void WriteDieMapControls(const settings::DieMapPage& page, ControlStore& store) {
    store.SetEnabled("DieMapGroupBox", page.groupEnabled);
    store.SetVisible("LunSelectButton", page.lunButtonVisible);
    for (int ch = 0; ch < kDieMapBoxChannels; ++ch) {
        for (int ce = 0; ce < kDieMapBoxCes; ++ce) {
            const settings::DieMapBox& box = page.box[ch][ce];
            const std::string name = DieMapBoxName(ch, ce);
            store.SetChecked(name, box.checked);
            store.SetEnabled(name, box.enabled);
            for (int l = 0; l < kDieMapBoxLuns; ++l) {
                const std::string shape = LunShapeName(ch, ce, l);
                store.SetColour(shape, box.lunSelected[l] ? kLunSelectedColour : kLunUnselectedColour);
                store.SetVisible(shape, box.lunVisible[l]);
            }
        }
    }
}

void ProcessDieRemapUI2Struct(const ControlStore& store) {
    settings::DieMapPage page;
    ReadDieMapControls(store, page);
    settings::DieMapPageToRecord(page);
}

void ProcessDieRemapStruct2UI(ControlStore& store) {
    settings::DieMapPage page;
    ReadDieMapControls(store, page);
    settings::DieMapRecordToPage(page);
    WriteDieMapControls(page, store);
}

void DieMapBoxClick(ControlStore& store, const std::string& boxName) {
    const std::string prefix = "DieMapCheckBox";
    if (boxName.size() != prefix.size() + 2 || boxName.compare(0, prefix.size(), prefix) != 0) return;
    const int ch = boxName[prefix.size()] - '0';
    const int ce = boxName[prefix.size() + 1] - '0';
    if (ch < 0 || ch >= kDieMapBoxChannels || ce < 0 || ce >= kDieMapBoxCes) return;
    settings::DieMapPage page;
    ReadDieMapControls(store, page);
    settings::DieMapBoxClicked(page, ch, ce);
    WriteDieMapControls(page, store);
}

}  // namespace app
