#include "emu/spi_flash.h"

#include <algorithm>

#include "emu/wire_bytes.h"

namespace emu {

SpiFlash::SpiFlash(std::shared_ptr<GdpFirmware> gdp, SpiSetup setup) : gdp_(std::move(gdp)), setup_(setup) {}

void SpiFlash::Install(ControllerCore& core) {
    const std::shared_ptr<SpiFlash> self = shared_from_this();
    core.AddCommand(Program::Diagnostic, gdp_code::kEraseSpi,
                    {XferDir::None,
                     [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t>) { return self->Erase(); }});
    core.AddCommand(Program::Diagnostic, gdp_code::kProgramSpi,
                    {XferDir::ToDevice, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->Program(p, d);
                     }});
}

void SpiFlash::SetFaults(bool eraseFails, std::optional<std::uint32_t> programFailAt) {
    std::lock_guard lock(mutex_);
    setup_.eraseFails = eraseFails;
    setup_.programFailAt = programFailAt;
}

std::vector<std::uint8_t> SpiFlash::Read(std::uint32_t offset, std::uint32_t count) const {
    std::lock_guard lock(mutex_);
    if (offset >= setup_.bytes) return {};
    count = std::min(count, setup_.bytes - offset);
    if (bytes_.empty()) return std::vector<std::uint8_t>(count, 0xFF);
    return {bytes_.begin() + offset, bytes_.begin() + offset + count};
}

int SpiFlash::Erases() const {
    std::lock_guard lock(mutex_);
    return erases_;
}

int SpiFlash::Programs() const {
    std::lock_guard lock(mutex_);
    return programs_;
}

std::vector<std::uint8_t> SpiFlash::LastProgramData() const {
    std::lock_guard lock(mutex_);
    return lastData_;
}

NvmeStatus SpiFlash::Erase() {
    {
        std::lock_guard lock(mutex_);
        if (setup_.eraseFails) return nvme_status::kInternalError;
        bytes_.clear();
        bytes_.shrink_to_fit();
        ++erases_;
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus SpiFlash::Program(const VendorPacket& p, std::span<const std::uint8_t> data) {
    const std::uint64_t offset = wire::GetBe32(&p[4]);
    const std::uint64_t count = wire::GetBe32(&p[8]);
    {
        std::lock_guard lock(mutex_);
        if (count > data.size() || offset + count > setup_.bytes) return nvme_status::kInvalidField;
        if (setup_.programFailAt && *setup_.programFailAt >= offset && *setup_.programFailAt < offset + count) {
            return nvme_status::kInternalError;
        }
        if (bytes_.empty()) bytes_.assign(setup_.bytes, 0xFF);
        for (std::uint64_t i = 0; i < count; ++i) bytes_[offset + i] &= data[i];
        lastData_.assign(data.begin(), data.end());
        ++programs_;
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

}  // namespace emu
