#include "transport/bridge_cdb.h"

#include <algorithm>

#include "transport/byte_order.h"

namespace transport {

JmCdb BuildJmCdb(JmOperation operation, bool admin, std::uint32_t bytes) {
    JmCdb cdb{};
    cdb[0] = 0xA1;
    cdb[1] = static_cast<std::uint8_t>((admin ? 0x80 : 0x00) | static_cast<std::uint8_t>(operation));
    PutBe24(&cdb[3], bytes);
    return cdb;
}

AsmCdb BuildAsmCdb(bool toDevice, std::uint8_t phase, bool admin, std::uint8_t direction, std::uint32_t bytes) {
    AsmCdb cdb{};
    cdb[0] = toDevice ? 0xEA : 0xEB;
    cdb[1] = 0x5A;
    cdb[2] = phase;
    cdb[3] = admin ? 0 : 1;
    cdb[4] = direction;
    PutBe32(&cdb[10], bytes);
    return cdb;
}

PayloadBlock BuildJmPayloadBlock(const SubmissionEntry& entry) {
    PayloadBlock block{};
    std::copy_n("NVME", 4, block.begin());
    std::copy(entry.begin(), entry.end(), block.begin() + 8);
    return block;
}

}  // namespace transport
