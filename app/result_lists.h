// What the "SORT Result" page lists for one device after a fetch run: a row per die of the die map
// (Main_BB_ListView) and a row per error entry in use (Main_RDTBad_ListView), as cell texts in the
// lists' column order. Plain code over the main window's tables and the die-map geometry of the
// settings records (MaxPhyChannel, MaxPhyBank, ucDiePerCE, bOriDieMap, bOriDieMapMultiLun).
//
// The die table holds [8 channels][4 banks][2 LUNs]: a die of the map outside it (LUN 2 or more,
// bank 4 or more, channel 8 or more, or past the die map's own size) is not listed, with a trace.
// Threads: the GUI thread, once the fetch workers have ended.
#pragma once

#include <string>
#include <vector>

#include "app/sort_result_read.h"

namespace app {

using ListRow = std::vector<std::string>;

// The dies of the die map in channel, then FW bank order, numbered from 1; "Skip Ch %d, Bank %d,
// lun %d" traced (while DisDBG_SORT is 0) for a single-LUN die absent from the map.
std::vector<ListRow> DieListRows(const DieTestInfoTable& dies);

// The entries whose in-use marker is 255, in table order, numbered from 1; "BK" and "Lun" the bank and
// LUN of the entry's bank tag (a FW bank); block numbers as "0x%X", an empty cell for 0xFFFF.
std::vector<ListRow> ErrorListRows(const SortErrorEntry (&entries)[kSortErrorEntries]);

}  // namespace app
