#include "emu/gdp_code_blocks.h"

#include <algorithm>
#include <map>

#include "emu/gdp_init_view.h"

namespace emu {

namespace {
constexpr int kCandidates = 4;
}

void GdpCodeBlocks::Install(ControllerCore& core) {
    const std::shared_ptr<GdpCodeBlocks> self = shared_from_this();
    core.AddCommand(Program::Diagnostic, gdp_code::kPreCheckCodeBlock,
                    {XferDir::None, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t>) {
                         return self->PreCheck(p);
                     }});
    core.AddCommand(Program::Diagnostic, gdp_code::kGetCodeBlock,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t> d) {
                         return self->GetMap(d);
                     }});
}

void GdpCodeBlocks::SetBusyPolls(int polls) {
    std::lock_guard lock(mutex_);
    busyPolls_ = std::max(0, polls);
}

std::vector<PreCheckRun> GdpCodeBlocks::Runs() const {
    std::lock_guard lock(mutex_);
    return runs_;
}

NvmeStatus GdpCodeBlocks::PreCheck(const VendorPacket& p) {
    NandModel& nand = gdp_->Nand();
    const InitView view = ViewOfInit(*gdp_);
    // Per channel and CE: the blocks usable on every LUN of the die map seen so far.
    std::map<int, std::uint8_t> usable;
    for (const InitDie& d : view.dies) {
        std::uint8_t bits = 0;
        for (int block = 0; block < std::min(kCandidates, nand.Geometry().blocks); ++block) {
            if (!nand.IsFactoryBad(d.channel, d.ce, d.lun, block) &&
                !nand.HasWriteFault(d.channel, d.ce, d.lun, block)) {
                bits = static_cast<std::uint8_t>(bits | (1u << block));
            }
        }
        const auto [it, fresh] = usable.try_emplace(4 * d.channel + d.ce, bits);
        if (!fresh) it->second &= bits;
    }
    int polls = 0;
    {
        std::lock_guard lock(mutex_);
        map_.fill(0);
        for (const auto& [at, bits] : usable) map_[static_cast<std::size_t>(at)] = bits;
        runs_.push_back({p[3], p[4]});
        polls = busyPolls_;
    }
    gdp_->Finish(NandResult::Ok, polls);
    return nvme_status::kSuccess;
}

NvmeStatus GdpCodeBlocks::GetMap(std::span<std::uint8_t> data) {
    std::fill(data.begin(), data.end(), 0);
    {
        std::lock_guard lock(mutex_);
        std::copy_n(map_.begin(), std::min(map_.size(), data.size()), data.begin());
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

}  // namespace emu
