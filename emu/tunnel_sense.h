// How the emulated bridges answer a tunnelled NVMe command: GOOD, or CHECK CONDITION with the
// sense that one table gives for the controller's status, or with the bridge's own sense for a
// command block it cannot take.
#pragma once

#include <cstdint>

#include "emu/bridge.h"

namespace emu {

// ILLEGAL REQUEST, INVALID FIELD IN CDB: a block or data phase that disagrees with the command.
ScsiReply InvalidCdbReply();
// ILLEGAL REQUEST, COMMAND SEQUENCE ERROR: a data phase without its entry.
ScsiReply SequenceErrorReply();
// NOT READY, MEDIUM NOT PRESENT: no controller behind the bridge.
ScsiReply NoControllerReply();
// GOOD with the bytes moved, or the sense the table gives for the completion's status.
ScsiReply ReplyForCompletion(const NvmeCompletion& done);

}  // namespace emu
