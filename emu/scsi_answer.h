// How an emulated bridge answers one SCSI command block: GOOD, or CHECK CONDITION with sense
// key, ASC and ASCQ; for a tunnelled NVMe command also the controller's own status, so a trace
// can say why.
#pragma once

#include <cstdint>

#include "emu/nvme_types.h"

namespace emu {

// The data direction the host gave with the command block.
enum class HostDir : std::uint8_t { None, FromDevice, ToDevice };

struct ScsiAnswer {
    static constexpr std::uint8_t kGood = 0x00;
    static constexpr std::uint8_t kCheckCondition = 0x02;

    std::uint8_t status = kGood;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    NvmeStatus nvme{};

    bool IsGood() const { return status == kGood; }
    static ScsiAnswer Good() { return {}; }
    static ScsiAnswer Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
        return {kCheckCondition, key, asc, ascq, {}};
    }
    // ILLEGAL REQUEST, INVALID FIELD IN CDB: a block the bridge cannot take as given.
    static ScsiAnswer InvalidCdb() { return Check(0x05, 0x24, 0x00); }
    // ILLEGAL REQUEST, COMMAND SEQUENCE ERROR: a data phase without its entry.
    static ScsiAnswer SequenceError() { return Check(0x05, 0x2C, 0x00); }
    // The answer for a completed NVMe command (GOOD on success), by one table.
    static ScsiAnswer FromNvme(NvmeStatus status);
};

}  // namespace emu
