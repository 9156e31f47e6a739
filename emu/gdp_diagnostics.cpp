#include "emu/gdp_diagnostics.h"

#include <algorithm>

#include "emu/wire_bytes.h"

namespace emu {

namespace {
constexpr int kMapChannels = 8;
constexpr int kMapBanks = 4;
constexpr int kFailedPositions = static_cast<int>(kFailedPositionEntries);
constexpr std::uint8_t kNone = 0xFF;
}  // namespace

void GdpDiagnostics::Install(ControllerCore& core) {
    using namespace gdp_code;
    const std::shared_ptr<GdpDiagnostics> self = shared_from_this();
    auto add = [&](std::uint8_t code, XferDir dir, auto run) {
        core.AddCommand(Program::Diagnostic, code,
                        {dir, [self, run](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                             return run(*self, p, d);
                         }});
    };
    add(kGetFlashModule, XferDir::ToHost,
        [](GdpDiagnostics& g, const VendorPacket&, auto d) { return g.FlashModule(d, false); });
    add(kAutoDetect, XferDir::ToHost,
        [](GdpDiagnostics& g, const VendorPacket&, auto d) { return g.FlashModule(d, true); });
    add(kFlashDiagnostic, XferDir::ToHost,
        [](GdpDiagnostics& g, const VendorPacket& p, auto d) { return g.FlashDiagnostic(p, d); });
    add(kDramTest, XferDir::None, [](GdpDiagnostics& g, const VendorPacket& p, auto) { return g.DramTest(p); });
    add(kCheckNandTime, XferDir::ToHost,
        [](GdpDiagnostics& g, const VendorPacket& p, auto d) { return g.CheckNandTime(p, d); });
    add(kPcieLoopBack, XferDir::None, [](GdpDiagnostics& g, const VendorPacket&, auto) { return g.PcieLoopBack(); });
    add(kSwitchToLegacy, XferDir::None,
        [](GdpDiagnostics& g, const VendorPacket&, auto) { return g.SwitchToLegacy(); });
}

void GdpDiagnostics::SetAutoDetectFails(bool fails) {
    std::lock_guard lock(mutex_);
    setup_.autoDetectFails = fails;
}

void GdpDiagnostics::SetFlashDiagFail(std::vector<std::uint8_t> kinds) {
    std::lock_guard lock(mutex_);
    setup_.flashDiagFail = std::move(kinds);
}

void GdpDiagnostics::SetDramTest(int polls, std::optional<std::uint8_t> fail) {
    std::lock_guard lock(mutex_);
    setup_.dramTestPolls = std::max(0, polls);
    setup_.dramFail = fail;
}

void GdpDiagnostics::SetNandTimes(NandTimes every, std::vector<NandTimesAt> at) {
    std::lock_guard lock(mutex_);
    setup_.nandTimes = every;
    setup_.nandTimesAt = std::move(at);
}

void GdpDiagnostics::SetPcieLoopBackFails(bool fails) {
    std::lock_guard lock(mutex_);
    setup_.pcieLoopBackFails = fails;
}

void GdpDiagnostics::SetModuleFailAt(std::vector<FailedPosition> positions) {
    if (positions.size() > kFailedPositionEntries) positions.resize(kFailedPositionEntries);
    std::lock_guard lock(mutex_);
    setup_.moduleFailAt = std::move(positions);
}

std::vector<FlashDiagRun> GdpDiagnostics::FlashDiagRuns() const {
    std::lock_guard lock(mutex_);
    return diagRuns_;
}

std::vector<DramTestRun> GdpDiagnostics::DramTestRuns() const {
    std::lock_guard lock(mutex_);
    return dramRuns_;
}

std::vector<std::array<int, 3>> GdpDiagnostics::NandTimeRuns() const {
    std::lock_guard lock(mutex_);
    return timeRuns_;
}

int GdpDiagnostics::PcieLoopBacks() const {
    std::lock_guard lock(mutex_);
    return loopBacks_;
}

int GdpDiagnostics::LegacySwitches() const {
    std::lock_guard lock(mutex_);
    return legacySwitches_;
}

void GdpDiagnostics::FillFlashModule(std::span<std::uint8_t> reply) {
    if (reply.size() < kFlashModuleDieFlagsAt + kMapChannels * kMapBanks) return;
    const FlashGeometry& g = gdp_->Nand().Geometry();
    const auto id = gdp_->FlashIdOf(0, 0);
    std::copy(id.begin(), id.end(), reply.begin());
    reply[7] = static_cast<std::uint8_t>(g.channels);
    reply[8] = static_cast<std::uint8_t>(g.ces);
    for (int i = 0; i < kMapBanks; ++i) reply[10 + i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < kMapChannels; ++i) reply[14 + i] = static_cast<std::uint8_t>(i);
    std::fill_n(reply.begin() + kFlashModuleFailedAt, 2 * kFailedPositions, kNone);
    {
        std::lock_guard lock(mutex_);
        const std::size_t given = std::min(setup_.moduleFailAt.size(), kFailedPositionEntries);
        for (std::size_t i = 0; i < given; ++i) {
            reply[kFlashModuleFailedAt + 2 * i] = setup_.moduleFailAt[i].ce;
            reply[kFlashModuleFailedAt + 2 * i + 1] = setup_.moduleFailAt[i].channel;
        }
    }
    for (int ch = 0; ch < kMapChannels; ++ch) {
        for (int ce = 0; ce < kMapBanks; ++ce) {
            reply[kFlashModuleDieFlagsAt + 4 * ch + ce] = ch < g.channels && ce < g.ces ? 1 : 0;
        }
    }
}

NvmeStatus GdpDiagnostics::FlashModule(std::span<std::uint8_t> data, bool autoDetect) {
    bool fails = false;
    {
        std::lock_guard lock(mutex_);
        fails = autoDetect && setup_.autoDetectFails;
    }
    if (fails) return nvme_status::kInternalError;
    FillFlashModule(data);
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus GdpDiagnostics::FlashDiagnostic(const VendorPacket& p, std::span<std::uint8_t> data) {
    bool pass = true;
    {
        std::lock_guard lock(mutex_);
        diagRuns_.push_back({p[3], p[6]});
        pass = std::find(setup_.flashDiagFail.begin(), setup_.flashDiagFail.end(), p[3]) == setup_.flashDiagFail.end();
    }
    if (!data.empty()) data[0] = pass ? 1 : 0;
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus GdpDiagnostics::DramTest(const VendorPacket& p) {
    int polls = 0;
    std::uint8_t result = 1;
    {
        std::lock_guard lock(mutex_);
        dramRuns_.push_back({wire::GetBe16(&p[3]), wire::GetBe16(&p[5])});
        polls = setup_.dramTestPolls;
        result = setup_.dramFail.value_or(1);
    }
    gdp_->Finish(static_cast<NandResult>(result), polls);
    return nvme_status::kSuccess;
}

NvmeStatus GdpDiagnostics::CheckNandTime(const VendorPacket& p, std::span<std::uint8_t> data) {
    const int ch = p[3], ce = p[4], lun = p[5], block = wire::GetBe16(&p[6]);
    if (!gdp_->Nand().ContainsBlock(ch, ce, lun, block)) return nvme_status::kInvalidField;
    NandTimes times;
    {
        std::lock_guard lock(mutex_);
        timeRuns_.push_back({ch, ce, lun});
        times = setup_.nandTimes;
        for (const NandTimesAt& at : setup_.nandTimesAt) {
            if (at.channel == ch && at.ce == ce && at.lun == lun) times = at.times;
        }
    }
    if (data.size() >= 12) {
        wire::PutLe32(data.data(), times.program);
        wire::PutLe32(data.data() + 4, times.read);
        wire::PutLe32(data.data() + 8, times.erase);
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus GdpDiagnostics::PcieLoopBack() {
    bool fails = false;
    {
        std::lock_guard lock(mutex_);
        ++loopBacks_;
        fails = setup_.pcieLoopBackFails;
    }
    if (fails) return nvme_status::kInternalError;
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus GdpDiagnostics::SwitchToLegacy() {
    {
        std::lock_guard lock(mutex_);
        ++legacySwitches_;
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

}  // namespace emu
