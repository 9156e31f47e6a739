#include "emu/spi_flash.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "emu/bay_ini.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

std::optional<std::uint64_t> Number(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

bool Fail(const DriveConfig& d, const char* key, const std::string& value, const char* what, std::string* error) {
    if (error != nullptr) *error = "[" + d.name + "] " + key + "=" + value + " is not " + what;
    return false;
}

}  // namespace

bool ReadSpiKeys(const DriveConfig& drive, SpiSetup& spi, std::string* error) {
    if (const auto v = drive.section.Get("SpiFlashBytes")) {
        const auto n = Number(*v);
        if (!n || *n < kSpiMinBytes || *n > kSpiMaxBytes) {
            return Fail(drive, "SpiFlashBytes", *v, "a size from 4096 to 268435456 bytes", error);
        }
        spi.bytes = static_cast<std::uint32_t>(*n);
    }
    const auto v = drive.section.Get("SpiFault");
    if (!v) return true;
    std::string_view rest = *v;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        constexpr std::string_view kProgram = "program@";
        if (EqualNoCase(item, "erase")) {
            spi.eraseFails = true;
        } else if (item.size() > kProgram.size() && EqualNoCase(item.substr(0, kProgram.size()), kProgram)) {
            const auto at = Number(item.substr(kProgram.size()));
            if (!at || *at >= spi.bytes) {
                return Fail(drive, "SpiFault", *v, "erase or program@<offset inside the SPI flash>", error);
            }
            spi.programFailAt = static_cast<std::uint32_t>(*at);
        } else if (!EqualNoCase(item, "none")) {
            return Fail(drive, "SpiFault", *v, "erase or program@<offset inside the SPI flash>", error);
        }
    }
    return true;
}

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
        ++programs_;
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

}  // namespace emu
