// A drive as shipped (bay key SystemState=formatted), written device-side by the emulator's own
// writer: loader blocks 0 and 1 of every die as an MP download leaves them, then the system firmware
// booted from them (and again after every power-on, from the same flash).
//
// Each loader block (identity page map, code pages at LDPC rate 2, scrambled):
//   0    info page (rate 1): "LDBK BLOCKS V00", LDPC rate at 68, part count 163, page size / 4 KiB
//        at 164, copies 180, "LDBK CONFIG V00" at 512, the part map from 544, the flash model at 480,
//        the page map (identity) from 1056
//   4    firmware-slot page: "LDBK FWSLOT MARK" and each copy's part map
//   5+c, 13+c, 21+c, 29+c   defect, early, remap and virtual-remap pages of logical channel c: the
//        table header, then per logical CE a CE record (A0FB, CE, channel) and one record per factory-
//        bad block unit (unit, plane group code, channel), then the end record D1FE; the group code
//        is the good-plane mask with 4 planes, else 0 (plane 1 bad), 1 (plane 0 bad) or 2 (both)
//   38, 39  the erase counts (u32 per block unit, every unit 1, 0xFFFFFFFF past the die's units)
//   88.. two copies of the synthetic system firmware: part 0 (two pages at RAM 0) whose first page is
//        the parameter page: identity at 96 (serial 104, model 124, revision 164, PCI ids 208/212),
//        the tag "RAVEZ" at 448 with the product tag "TEV100" at tag byte 46, the bank and channel
//        sets at 780 and 788, bLdrBlock at 796 (bits 0 and 1 of every die), the reserved ratio at 860,
//        the read-empty threshold at 880, feature and security words at 920 and 924, the customer
//        IDs at 936 and 940, the geometry from 1216 and the defect ratio at 1232; part 1 a plain part.
#pragma once

#include <string>

#include "emu/nand_model.h"

namespace emu {

struct FormattedIdentity {
    std::string serial, model, revision;
};

// Writes the loader blocks on every die of `nand`; false when the flash refused a page.
bool WriteFormattedDrive(NandModel& nand, const FormattedIdentity& identity);

}  // namespace emu
