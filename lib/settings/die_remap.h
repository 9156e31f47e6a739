// The die remap: from the die status of AP_INIState (which channel, CE and LUN take part) to the
// original die map, the remapped (compacted) die map and the logical-die count that the firmware
// parameter images and the flash-table code read.
//
// Single-LUN mode when AP_FlashSet.ucDiePerCE is 0 or 1 (0 counts as one LUN, never as zero dies),
// multi-LUN mode when it is 2 or more (at most 4 LUNs have a status entry).
#pragma once

#include <cstdint>
#include <functional>

// Receives the texts the operator must see (the window shows each in a plain message box).
// The library cannot show a box itself; an empty sink sends the text to the trace instead.
using DieMapMessageSink = std::function<void(const char* text)>;

// The message shown once for every logical die after the 64th.
inline constexpr const char* kDieCountOverMessage = "Logical die count is over 64!\nPlease adjust bVirCntPerDie.";

// Single-LUN remap: bOriDieMap, bRemapDieMap and bDieNumCount from bDieStatus.
void fn_ProcessDieRemap(const DieMapMessageSink& message = {});
// Multi-LUN remap: bOriDieMapMultiLun, bRemapDieMapMultiLun and bDieNumCount from bDieStatusMultiLun.
void fn_ProcessMultiLunDieRemap(const DieMapMessageSink& message = {});
// Runs the remap of the flash's mode: multi-LUN when ucDiePerCE is above 1, single-LUN otherwise.
void ProcessDieRemapForFlash(const DieMapMessageSink& message = {});

namespace settings {

// LUNs per CE as the die map counts them: ucDiePerCE, with 0 taken as 1 and at most 4.
int DieMapLunCount();
// True when the die map runs in multi-LUN mode (ucDiePerCE of 2 or more).
bool DieMapIsMultiLun();
// Passes of the logical-die numbering: bVirCntPerDie, with 0 taken as 1.
int VirtualDiesPerDie();

}  // namespace settings
