// The die map's controls on the Device Setting page (DieMapGroupBox, LunSelectButton, the 64
// DieMapCheckBox<ch><ce> and the 256 LunSelectShape<ch><ce><lun>) moved to and from the page model
// of settings/die_map_page.h, which decides what their states mean. Plain C++ over a ControlStore.
#pragma once

#include <string>

namespace settings {
struct DieMapPage;
}

namespace app {

class ControlStore;

std::string DieMapBoxName(int channel, int ce);
std::string LunShapeName(int channel, int ce, int lun);

void ReadDieMapControls(const ControlStore& store, settings::DieMapPage& page);
void WriteDieMapControls(const settings::DieMapPage& page, ControlStore& store);

// Controls to the die status and the CE and channel sets.
void ProcessDieRemapUI2Struct(const ControlStore& store);
// The die status to the controls.
void ProcessDieRemapStruct2UI(ControlStore& store);
// A die box the operator clicked, named "DieMapCheckBox<ch><ce>" (multi-LUN only; another name
// does nothing).
void DieMapBoxClick(ControlStore& store, const std::string& boxName);

}  // namespace app
