#include "emu/loader_program.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "emu/boot_loader.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::size_t kLogLimit = 65536;
constexpr int kSignedPartsMax = 8;

}  // namespace

LoaderProgram::LoaderProgram(std::shared_ptr<NandModel> nand) : nand_(std::move(nand)) {}

void LoaderProgram::Install(ControllerCore& core) {
    using namespace loader_code;
    const std::shared_ptr<LoaderProgram> self = shared_from_this();
    core.AddCommand(Program::Loader, kWriteRam,
                    {XferDir::ToDevice, [self](ControllerCore& c, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->WriteRam(c, p, d);
                     }});
    core.AddCommand(Program::Loader, kJumpToPram,
                    {XferDir::None, [self](ControllerCore& c, const VendorPacket& p, std::span<std::uint8_t>) {
                         return self->JumpToPram(c, p);
                     }});
    for (Program program : {Program::Loader, Program::Diagnostic, Program::Sorting, Program::System}) {
        core.AddCommand(program, kJumpToRom,
                        {XferDir::None, [self](ControllerCore& c, const VendorPacket& p, std::span<std::uint8_t>) {
                             return self->JumpToRom(c, p);
                         }});
    }
    core.SetPowerOnBoot([self](ControllerCore& c, bool loaderRequest) { self->PowerOn(c, loaderRequest); });
    std::lock_guard lock(mutex_);
    written_.clear();
    soundSignatures_ = 0;
}

void LoaderProgram::Restart(ControllerCore& core) {
    core.Start(Program::Loader);
    std::lock_guard lock(mutex_);
    written_.clear();
    soundSignatures_ = 0;
}

void LoaderProgram::NoteWritten(std::uint32_t address, std::size_t length) {
    if (length == 0) return;
    std::uint64_t start = address, end = std::uint64_t{address} + length;
    // Merge with every range that touches [start, end).
    auto it = written_.upper_bound(start);
    if (it != written_.begin() && std::prev(it)->second >= start) --it;
    while (it != written_.end() && it->first <= end) {
        start = std::min(start, it->first);
        end = std::max(end, it->second);
        it = written_.erase(it);
    }
    written_.emplace(start, end);
}

bool LoaderProgram::Covered(std::uint32_t address, std::uint32_t length) const {
    if (length == 0) return false;
    auto it = written_.upper_bound(address);
    if (it == written_.begin()) return false;
    --it;
    return it->first <= address && it->second >= std::uint64_t{address} + length;
}

NvmeStatus LoaderProgram::WriteRam(ControllerCore& core, const VendorPacket& p, std::span<std::uint8_t> data) {
    const std::uint32_t address = wire::GetBe32(&p[4]);
    const std::uint8_t keySlot = p[3];
    std::lock_guard lock(mutex_);
    if (log_.size() < kLogLimit) log_.push_back({address, static_cast<std::uint32_t>(data.size()), keySlot});
    if (keySlot == 0) {
        if (!core.Ram().Write(address, data)) return nvme_status::kCapacityExceeded;
        NoteWritten(address, data.size());
        return nvme_status::kSuccess;
    }
    // A signature block: one sector, kept beside the RAM image it signs.
    if (data.size() != kSectorBytes) return nvme_status::kInvalidField;
    const int parts = data[1];
    bool sound = parts >= 1 && parts <= kSignedPartsMax;
    for (int j = 0; sound && j < parts; ++j) {
        const std::uint32_t load = wire::GetLe32(&data[static_cast<std::size_t>(16 + 8 * j)]);
        const std::uint32_t length = wire::GetLe32(&data[static_cast<std::size_t>(20 + 8 * j)]);
        sound = Covered(load, length);
    }
    core.AddRsaBlock();
    if (sound) ++soundSignatures_;
    return nvme_status::kSuccess;
}

NvmeStatus LoaderProgram::JumpToPram(ControllerCore& core, const VendorPacket& p) {
    const int codes = p[3];
    {
        std::lock_guard lock(mutex_);
        if (codes == 0 || codes != soundSignatures_ || codes != core.RsaBlocks()) {
            return nvme_status::kCommandSequenceError;
        }
    }
    std::array<std::uint8_t, kFwTagBytes> tag{};
    core.Ram().Read(kFwVariableBlockAddress + kFwTagOffset, tag);
    const Program target = ProgramFromTag(tag);
    if (target == Program::Loader) return nvme_status::kCommandSequenceError;
    core.Start(target);
    std::lock_guard lock(mutex_);
    jumps_.push_back(codes);
    return nvme_status::kSuccess;
}

NvmeStatus LoaderProgram::JumpToRom(ControllerCore& core, const VendorPacket& p) {
    const std::uint8_t event = p[3];
    if (event > 1) return nvme_status::kInvalidField;
    {
        std::lock_guard lock(mutex_);
        ++romJumps_[event];
    }
    BootRom(core, event);
    return nvme_status::kSuccess;
}

void LoaderProgram::PowerOn(ControllerCore& core, bool loaderRequest) {
    BootRom(core, loaderRequest ? 1 : 0);
}

void LoaderProgram::BootRom(ControllerCore& core, std::uint8_t event) {
    Restart(core);
    RomBootHook hook;
    {
        std::lock_guard lock(mutex_);
        hook = hook_;
    }
    BootReport report;
    if (event == 0) {
        report = nand_ ? BootFromFlash(*nand_, core.Ram()) : BootReport{};
        if (report.booted) {
            core.Start(report.program);
        } else if (!report.infoPageFound && core.FlashProgram() != Program::Loader) {
            core.Start(core.FlashProgram());
        }
    }
    if (hook) hook(core, report);
    if (event == 0) {
        std::lock_guard lock(mutex_);
        lastBoot_ = report;
    }
}

BootReport LoaderProgram::LastBoot() const {
    std::lock_guard lock(mutex_);
    return lastBoot_;
}

void LoaderProgram::SetRomBootHook(RomBootHook hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<RamWrite> LoaderProgram::Writes() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void LoaderProgram::ClearWrites() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::vector<int> LoaderProgram::Jumps() const {
    std::lock_guard lock(mutex_);
    return jumps_;
}

int LoaderProgram::RomJumps(std::uint8_t event) const {
    std::lock_guard lock(mutex_);
    return event < 2 ? romJumps_[event] : 0;
}

}  // namespace emu
