// The die map's "Lun Select" button without a window: the LUN record prepared from the die map's
// boxes and shapes, and the shapes recoloured from the operator's choice.
#pragma once

#include "app/lun_status.h"
#include "settings/die_map_page.h"

namespace app {

// ChNum and CeNum from 0, DiePerCe = `luns`; every enabled box of CE 0 to 3 sets its ChCeSelect
// cell (traced; a checked one raises ChNum and CeNum), disabled boxes keep their cells; LunSelect
// of every cell and LUN below `luns` from the shapes' colours. `luns` is limited to 0 to 4.
void PrepareLunStatus(LunStatus_t& status, const settings::DieMapPage& page, int luns);
// The shapes of every cell and LUN below `luns` selected exactly when LunSelect is 1.
void ApplyLunStatus(const LunStatus_t& status, settings::DieMapPage& page, int luns);

}  // namespace app
