#include "emu/nvme_controller.h"

#include <algorithm>
#include <array>
#include <utility>

#include "emu/boot_loader.h"
#include "emu/poison.h"

namespace emu {

using namespace nvme_opcode;

namespace {

std::uint64_t LogPageBytes(const NvmeRequest& r) {
    const std::uint64_t dwords = (r.Cdw(10) >> 16) | (std::uint64_t{r.Cdw(11) & 0xFFFF} << 16);
    return dwords * 4;
}

std::uint64_t IoLba(const NvmeRequest& r) {
    return (std::uint64_t{r.Cdw(11)} << 32) | r.Cdw(10);
}
std::uint32_t IoBlocks(const NvmeRequest& r) {
    return r.Cdw(12) & 0xFFFF;
}

}  // namespace

NvmeController::NvmeController(ControllerIdentity identity)
    : identity_(std::move(identity)), namespace_(identity_.namespaceSectors) {
    InstallBootLoaderCommands(core_);
}

TransferShape NvmeController::Shape(const NvmeRequest& r) const {
    if (r.admin) {
        switch (r.Opcode()) {
            case kIdentify:
                return {XferDir::ToHost, kIdentifyBytes};
            case kGetLogPage: {
                const std::uint64_t bytes = LogPageBytes(r);
                return bytes == 0 ? TransferShape{} : TransferShape{XferDir::ToHost, bytes};
            }
            default:
                return VendorProtocol::IsVendorOpcode(r.Opcode()) ? vendor_.Shape(r) : TransferShape{};
        }
    }
    const std::uint64_t bytes = std::uint64_t{IoBlocks(r)} * kSectorBytes;
    if (bytes == 0) return {};
    if (r.Opcode() == kRead) return {XferDir::ToHost, bytes};
    if (r.Opcode() == kWrite) return {XferDir::ToDevice, bytes};
    return {};
}

NvmeCompletion NvmeController::Execute(std::span<const std::uint8_t, 64> entry, bool admin, NvmeDirection direction,
                                       std::span<std::uint8_t> data) {
    NvmeRequest r;
    std::copy(entry.begin(), entry.end(), r.entry.begin());
    r.admin = admin;
    const TransferShape shape = Shape(r);
    const bool agrees =
        (direction == NvmeDirection::None && shape.bytes == 0 && data.empty()) ||
        (direction == NvmeDirection::ToHost && shape.dir == XferDir::ToHost && shape.bytes == data.size()) ||
        (direction == NvmeDirection::FromHost && shape.dir == XferDir::ToDevice && shape.bytes == data.size());
    NvmeCompletion done;
    if (!agrees) {
        done.status = EncodeStatus(nvme_status::kInvalidField);
        return done;
    }
    if (direction == NvmeDirection::ToHost) FillPoison(data);
    const NvmeStatus status = Run(r, data);
    done.status = EncodeStatus(status);
    done.transferred = status.Ok() ? static_cast<std::uint32_t>(data.size()) : 0;
    return done;
}

NvmeStatus NvmeController::Run(const NvmeRequest& r, std::span<std::uint8_t> data) {
    return r.admin ? Admin(r, data) : Io(r, data);
}

NvmeStatus NvmeController::Admin(const NvmeRequest& r, std::span<std::uint8_t> data) {
    switch (r.Opcode()) {
        case kIdentify:
            return Identify(r, data);
        case kGetLogPage:
            return GetLogPage(r, data);
        case kSanitize:
            return Sanitize(r);
        default:
            break;
    }
    if (VendorProtocol::IsVendorOpcode(r.Opcode())) return vendor_.Execute(r, data);
    return nvme_status::kInvalidOpcode;
}

void NvmeController::AttachSystemFirmware(SystemFirmware& firmware) {
    system_ = &firmware;
    firmware.SetBootListener([this](const SystemBoot* boot) { ApplyBoot(boot); });
}

void NvmeController::ApplyBoot(const SystemBoot* boot) {
    if (boot == nullptr) {
        booted_.reset();
        namespace_.SetSectors(identity_.namespaceSectors);
        return;
    }
    const SysIdentity& id = boot->param.identity;
    ControllerIdentity reported = identity_;
    reported.serial = id.serialNumber;
    reported.model = id.model;
    reported.firmwareRevision = id.revision;
    reported.vendorId = id.vendorId;
    reported.subsystemVendorId = id.subsystemVendorId;
    reported.ieeeOui = id.oui;
    const std::uint64_t sectors = boot->param.CapacitySectors();
    reported.namespaceSectors = sectors != 0 ? sectors : identity_.namespaceSectors;
    namespace_.SetSectors(reported.namespaceSectors);
    booted_ = std::move(reported);
    if (boot->smartLog) ReadSmartLog(*boot->smartLog, smart_);
    ++smart_.powerCycles;
    bootCounted_ = true;
}

void NvmeController::PowerOn(bool loaderRequest) {
    bootCounted_ = false;
    core_.PowerOn(loaderRequest);
    if (!bootCounted_) ++smart_.powerCycles;
}

const ControllerIdentity& NvmeController::ReportedIdentity() const {
    return booted_ && core_.Running() == Program::System ? *booted_ : identity_;
}

NvmeStatus NvmeController::Identify(const NvmeRequest& r, std::span<std::uint8_t> data) {
    const std::uint32_t cns = r.Cdw(10) & 0xFF;
    if (cns == 1) {
        BuildIdentifyController(ReportedIdentity(), core_.Running(), data);
        return nvme_status::kSuccess;
    }
    if (cns == 0) {
        if (r.Nsid() != 1) return nvme_status::kInvalidNamespace;
        BuildIdentifyNamespace(namespace_.Sectors(), data);
        return nvme_status::kSuccess;
    }
    return nvme_status::kInvalidField;
}

NvmeStatus NvmeController::GetLogPage(const NvmeRequest& r, std::span<std::uint8_t> data) {
    if ((r.Cdw(10) & 0xFF) == kVendorSmartLogId) {
        if (core_.Running() != Program::System || vendorSmart_.fail) return nvme_status::kInvalidLogPage;
        FlashWear wear;
        if (system_ != nullptr) {
            // The erase counts of the block units the firmware keeps, as its 0x01 command gives them.
            const std::vector<std::uint8_t> counts = system_->EraseCounts(256 * 1024);
            std::uint64_t sum = 0, n = 0;
            wear.eraseFewest = 0xFFFFFFFF;
            for (std::size_t at = 0; at + 4 <= counts.size(); at += 4) {
                const std::uint32_t c = static_cast<std::uint32_t>(counts[at] | counts[at + 1] << 8 |
                                                                   counts[at + 2] << 16 | std::uint32_t{counts[at + 3]} << 24);
                if (c == 0xFFFFFFFF) continue;
                sum += c;
                ++n;
                wear.eraseMost = std::max(wear.eraseMost, c);
                wear.eraseFewest = std::min(wear.eraseFewest, c);
            }
            if (n == 0) wear.eraseFewest = 0;
            wear.eraseAverage = n == 0 ? 0 : static_cast<std::uint32_t>(sum / n);
        }
        std::vector<std::uint8_t> page(kSmartLogBytes);
        BuildVendorSmartLog(vendorSmart_, smart_, wear, page);
        std::copy_n(page.begin(), std::min(page.size(), data.size()), data.begin());
        return nvme_status::kSuccess;
    }
    if ((r.Cdw(10) & 0xFF) != kSmartLogId) return nvme_status::kInvalidLogPage;
    std::array<std::uint8_t, kSmartLogBytes> page{};
    BuildSmartLog(smart_, page);
    // Bytes past the 512-byte page keep the poison they arrived with.
    std::copy_n(page.begin(), std::min(page.size(), data.size()), data.begin());
    return nvme_status::kSuccess;
}

NvmeStatus NvmeController::Sanitize(const NvmeRequest& r) {
    if (core_.Running() != Program::System) return nvme_status::kNamespaceNotReady;
    const std::uint32_t action = r.Cdw(10) & 7;
    switch (action) {
        case 1:  // exit failure mode: nothing to leave
            break;
        case 2:  // block erase
        case 3:  // overwrite
        case 4:  // crypto erase
        case 7:  // the erase the MP run asks for
            namespace_.EraseAll();
            break;
        default:
            return nvme_status::kInvalidField;
    }
    ++sanitizeCount_;
    lastSanitizeAction_ = action;
    return nvme_status::kSuccess;
}

NvmeStatus NvmeController::Io(const NvmeRequest& r, std::span<std::uint8_t> data) {
    if (r.Opcode() != kFlush && r.Opcode() != kRead && r.Opcode() != kWrite) return nvme_status::kInvalidOpcode;
    if (r.Nsid() != 1) return nvme_status::kInvalidNamespace;
    if (core_.Running() != Program::System) return nvme_status::kNamespaceNotReady;
    if (r.Opcode() == kFlush) return ioFaults_.flush ? nvme_status::kInternalError : nvme_status::kSuccess;
    const std::uint32_t blocks = IoBlocks(r);
    if (blocks == 0) return nvme_status::kInvalidField;
    if (!namespace_.Contains(IoLba(r), blocks)) return nvme_status::kLbaOutOfRange;
    if (r.Opcode() == kWrite ? ioFaults_.write : ioFaults_.read) return nvme_status::kDataTransferError;
    if (r.Opcode() == kWrite) {
        namespace_.Write(IoLba(r), data);
        smart_.sectorsWritten += blocks;
        ++smart_.writeCommands;
    } else {
        namespace_.Read(IoLba(r), data);
        for (auto it = corrupt_.lower_bound(IoLba(r)); it != corrupt_.end() && *it < IoLba(r) + blocks; ++it) {
            std::uint8_t* word = &data[(*it - IoLba(r)) * kSectorBytes + 2 * kCorruptWord];
            word[0] ^= static_cast<std::uint8_t>(kCorruptMask);
            word[1] ^= static_cast<std::uint8_t>(kCorruptMask >> 8);
        }
        smart_.sectorsRead += blocks;
        ++smart_.readCommands;
    }
    return nvme_status::kSuccess;
}

}  // namespace emu
