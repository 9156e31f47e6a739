#include "transport/nvme_entry.h"

#include "transport/byte_order.h"

namespace transport {

namespace {

TunnelCommand NoData(EntryFields fields, bool admin) {
    TunnelCommand c;
    c.fields = fields;
    c.admin = admin;
    return c;
}

TunnelCommand WithSectors(EntryFields fields, bool admin, DataDirection direction, std::uint32_t sectors) {
    TunnelCommand c;
    c.fields = fields;
    c.admin = admin;
    c.direction = direction;
    c.jmSectors = sectors;
    c.asmBytes = std::uint64_t{sectors} * kSectorBytes;
    return c;
}

TunnelCommand Vendor(std::uint8_t opcode, DataDirection direction, std::uint32_t sectors, std::uint8_t subCode) {
    EntryFields f{.opcode = opcode,
                  .cdw10 = sectors * (kSectorBytes / 4),
                  .cdw14 = kVendorTransferBase | subCode,
                  .cdw15 = sectors};
    TunnelCommand c = WithSectors(f, true, direction, sectors);
    c.fits = std::uint64_t{sectors} * (kSectorBytes / 4) <= 0xFFFFFFFFu;
    return c;
}

TunnelCommand Nvm(std::uint8_t opcode, DataDirection direction, std::uint32_t cdw10, std::uint32_t cdw11,
                  std::uint32_t count) {
    EntryFields f{.opcode = opcode, .nsid = 1, .cdw10 = cdw10, .cdw11 = cdw11, .cdw12 = count & 0xFFFF};
    TunnelCommand c = WithSectors(f, false, direction, count);
    c.fits = count > 0 && count <= 0xFFFF;
    return c;
}

}  // namespace

SubmissionEntry BuildEntry(const EntryFields& f) {
    SubmissionEntry e{};
    e[0] = f.opcode;
    PutLe32(&e[4], f.nsid);
    PutLe32(&e[40], f.cdw10);
    PutLe32(&e[44], f.cdw11);
    PutLe32(&e[48], f.cdw12);
    PutLe32(&e[56], f.cdw14);
    PutLe32(&e[60], f.cdw15);
    return e;
}

TunnelCommand EnableVendorCommand() {
    return NoData({.opcode = 0xC1, .cdw14 = kVendorModeOn, .cdw15 = 1}, true);
}

TunnelCommand DisableVendorCommand() {
    return NoData({.opcode = 0xC1, .cdw14 = kVendorModeOff, .cdw15 = 1}, true);
}

TunnelCommand VendorWriteCommand(std::uint32_t sectors, std::uint8_t subCode) {
    return Vendor(0xC1, DataDirection::ToDevice, sectors, subCode);
}

TunnelCommand VendorReadCommand(std::uint32_t sectors, std::uint8_t subCode) {
    return Vendor(0xC2, DataDirection::ToHost, sectors, subCode);
}

TunnelCommand GetLogPageCommand(std::uint8_t logId, std::uint32_t dwords) {
    TunnelCommand c;
    c.fields = {.opcode = 0x02, .cdw10 = logId | ((dwords & 0xFFF) << 16)};
    c.admin = true;
    c.direction = DataDirection::ToHost;
    c.jmSectors = (dwords >> 7) & 0x1FF;
    c.asmBytes = std::uint64_t{dwords} * 4;
    c.fits = dwords <= 0xFFF;
    return c;
}

TunnelCommand IdentifyCommand(int mode) {
    EntryFields f{.opcode = 0x06};
    if (mode == 0) f.nsid = 1;
    if (mode == 1) f.cdw10 = 1;
    return WithSectors(f, true, DataDirection::ToHost, 8);
}

TunnelCommand FlushCommand() {
    return NoData({.opcode = 0x00, .nsid = 1}, false);
}

TunnelCommand WriteCommand(std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count) {
    return Nvm(0x01, DataDirection::ToDevice, cdw10, cdw11, count);
}

TunnelCommand ReadCommand(std::uint32_t cdw10, std::uint32_t cdw11, std::uint32_t count) {
    return Nvm(0x02, DataDirection::ToHost, cdw10, cdw11, count);
}

TunnelCommand SanitizeCommand(std::uint32_t action) {
    return NoData({.opcode = 0x84, .cdw10 = action & 7}, true);
}

}  // namespace transport
