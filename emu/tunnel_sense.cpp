#include "emu/tunnel_sense.h"

#include <array>

#include "emu/nvme_types.h"

namespace emu {

namespace {

struct SenseRow {
    NvmeStatus nvme;
    std::uint8_t key, asc, ascq;
};

constexpr std::array<SenseRow, 9> kSenseTable = {{
    {nvme_status::kInvalidOpcode, 0x05, 0x20, 0x00},         // invalid command operation code
    {nvme_status::kInvalidField, 0x05, 0x24, 0x00},          // invalid field in CDB
    {nvme_status::kInvalidNamespace, 0x05, 0x25, 0x00},      // logical unit not supported
    {nvme_status::kCommandSequenceError, 0x05, 0x2C, 0x00},  // command sequence error
    {nvme_status::kLbaOutOfRange, 0x05, 0x21, 0x00},         // LBA out of range
    {nvme_status::kCapacityExceeded, 0x05, 0x21, 0x00},      // LBA out of range
    {nvme_status::kInvalidLogPage, 0x05, 0x24, 0x00},        // invalid field in CDB
    {nvme_status::kNamespaceNotReady, 0x02, 0x04, 0x00},     // not ready
    {nvme_status::kDataTransferError, 0x0B, 0x4B, 0x00},     // data phase error
}};

}  // namespace

ScsiReply InvalidCdbReply() {
    return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidFieldInCdb);
}

ScsiReply SequenceErrorReply() {
    return ScsiReply::Check(kSenseIllegalRequest, 0x2C);
}

ScsiReply NoControllerReply() {
    return ScsiReply::Check(kSenseNotReady, 0x3A);
}

ScsiReply ReplyForCompletion(const NvmeCompletion& done) {
    const NvmeStatus status = DecodeStatus(done.status);
    if (status.Ok()) return ScsiReply::Good(done.transferred);
    for (const SenseRow& row : kSenseTable) {
        if (row.nvme == status) return ScsiReply::Check(row.key, row.asc, row.ascq);
    }
    return ScsiReply::Check(kSenseHardwareError, kAscInternalTargetFailure);
}

}  // namespace emu
