#include "emu/bridge.h"

#include <algorithm>
#include <cstring>

namespace emu {

namespace {

constexpr std::uint8_t kOpTestUnitReady = 0x00;
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpReadCapacity10 = 0x25;

// Writes `text` into `field`, padded with spaces.
void PutText(std::uint8_t* field, std::size_t width, const std::string& text) {
    std::memset(field, ' ', width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

void PutBe32(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v >> 24);
    at[1] = static_cast<std::uint8_t>(v >> 16);
    at[2] = static_cast<std::uint8_t>(v >> 8);
    at[3] = static_cast<std::uint8_t>(v);
}

}  // namespace

Bridge::Bridge(const DriveConfig& config)
    : kind_(config.bridge),
      vendor_(config.vendor),
      product_(config.product),
      revision_(config.revision),
      chip_(config.chip),
      sectors_(config.sectors),
      blockLength_(config.blockLength) {}

std::array<std::uint8_t, 96> Bridge::InquiryData() const {
    std::array<std::uint8_t, 96> d;
    d.fill(kPoison);
    d[0] = 0x00;  // direct-access block device
    d[1] = 0x00;
    d[2] = 0x06;  // SPC-4
    d[3] = 0x02;  // response data format 2
    d[4] = static_cast<std::uint8_t>(d.size() - 5);
    d[5] = d[6] = d[7] = 0;
    PutText(&d[8], 8, vendor_);
    PutText(&d[16], 16, product_);
    PutText(&d[32], 4, revision_);
    if (kind_ == BridgeKind::JMicron) PutText(&d[36], 4, chip_);
    if (kind_ == BridgeKind::ASMedia) PutText(&d[19], 4, chip_);
    return d;
}

ScsiReply Bridge::Inquiry(const ScsiCommand& c) const {
    if (c.direction != platform::DataDirection::In || c.cdb.size() < 6) {
        return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidFieldInCdb);
    }
    if ((c.cdb[1] & 0x01) != 0 || c.cdb[2] != 0) {  // vital product data pages are not offered
        return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidFieldInCdb);
    }
    const std::size_t allocation = (static_cast<std::size_t>(c.cdb[3]) << 8) | c.cdb[4];
    const auto data = InquiryData();
    const std::size_t n = std::min({allocation, c.data.size(), data.size()});
    std::memcpy(c.data.data(), data.data(), n);
    return ScsiReply::Good(static_cast<std::uint32_t>(n));
}

ScsiReply Bridge::ReadCapacity(const ScsiCommand& c) const {
    if (c.direction != platform::DataDirection::In)
        return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidFieldInCdb);
    if (sectors_ == 0) return ScsiReply::Check(kSenseNotReady, 0x3A);  // medium not present
    std::uint8_t reply[8];
    const std::uint64_t last = sectors_ - 1;
    PutBe32(reply, last > 0xFFFFFFFFULL ? 0xFFFFFFFFU : static_cast<std::uint32_t>(last));
    PutBe32(reply + 4, blockLength_);
    const std::size_t n = std::min(c.data.size(), sizeof reply);
    std::memcpy(c.data.data(), reply, n);
    return ScsiReply::Good(static_cast<std::uint32_t>(n));
}

ScsiReply Bridge::Handle(const ScsiCommand& c) {
    if (c.cdb.empty()) return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidOpcode);
    if (tunnel_) {
        if (auto reply = tunnel_->Handle(c, controller_.get())) return *reply;
    }
    switch (c.cdb[0]) {
        case kOpTestUnitReady:
            if (!c.data.empty()) return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidFieldInCdb);
            if (sectors_ == 0) return ScsiReply::Check(kSenseNotReady, 0x3A);
            return ScsiReply::Good(0);
        case kOpInquiry:
            return Inquiry(c);
        case kOpReadCapacity10:
            return ReadCapacity(c);
        default:
            return ScsiReply::Check(kSenseIllegalRequest, kAscInvalidOpcode);
    }
}

}  // namespace emu
