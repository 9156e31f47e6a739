#include "emu/sorting_result_access.h"

#include <algorithm>

#include "emu/wire_bytes.h"

namespace emu {

namespace {
constexpr std::uint8_t kTypeSlc = 1, kTypeSave = 3;
}  // namespace

SortResultAccess::SortResultAccess(std::shared_ptr<NandModel> nand, std::shared_ptr<SortingProgram> program,
                                   std::shared_ptr<SortingFirmware> firmware)
    : nand_(std::move(nand)), program_(std::move(program)), firmware_(std::move(firmware)) {}

void SortResultAccess::Install(ControllerCore& core) {
    const std::shared_ptr<SortResultAccess> self = shared_from_this();
    core.AddCommand(Program::Sorting, sort_code::kScanResultBlk,
                    {XferDir::None, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t>) {
                         return self->Scan(p);
                     }});
    core.AddCommand(Program::Sorting, sort_code::kGetResultBlk,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t> d) {
                         return self->GetTable(d);
                     }});
    core.AddCommand(Program::Sorting, sort_code::kPageRead,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->PageRead(p, d);
                     }});
}

std::vector<std::uint8_t> SortResultAccess::Scans() const {
    std::lock_guard lock(mutex_);
    return scans_;
}

std::vector<std::uint8_t> SortResultAccess::ReadBlockTypes() const {
    std::lock_guard lock(mutex_);
    return blockTypes_;
}

NvmeStatus SortResultAccess::Scan(const VendorPacket& p) {
    const SortResultTable table = program_ ? program_->ResultBlocks() : SortResultTable{};
    {
        std::lock_guard lock(mutex_);
        table_ = table;
        scans_.push_back(p[4]);
    }
    firmware_->Finish(1);
    return nvme_status::kSuccess;
}

NvmeStatus SortResultAccess::GetTable(std::span<std::uint8_t> data) {
    {
        std::lock_guard lock(mutex_);
        PutSortResultTable(data, table_);
    }
    firmware_->Finish(1);
    return nvme_status::kSuccess;
}

NvmeStatus SortResultAccess::PageRead(const VendorPacket& p, std::span<std::uint8_t> data) {
    const int channel = p[3], ce = p[4] & 0x0F, lun = p[4] >> 4;
    const int block = wire::GetBe16(&p[5]), page = wire::GetBe16(&p[7]);
    const auto rate = static_cast<std::uint8_t>(p[9] & 0x7F);
    const std::uint8_t type = p[11];
    {
        std::lock_guard lock(mutex_);
        blockTypes_.push_back(type);
    }
    if (type != kTypeSlc && type != kTypeSave) {
        firmware_->Finish(static_cast<std::uint8_t>(NandResult::BadAddress));
        return nvme_status::kSuccess;
    }
    std::vector<std::uint8_t> bytes(data.size());
    const NandResult r = nand_->Read({channel, ce, lun, block, page}, bytes, rate, p[10]);
    if (r == NandResult::Ok) std::copy(bytes.begin(), bytes.end(), data.begin());
    firmware_->Finish(static_cast<std::uint8_t>(r));
    return nvme_status::kSuccess;
}

}  // namespace emu
