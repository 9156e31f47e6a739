#include "emu/gdp_result_blocks.h"

#include <algorithm>
#include <cstring>

#include "emu/gdp_init_view.h"
#include "emu/sorting_result_block.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr char kMark[4] = {'S', 'O', 'R', 'T'};
constexpr std::uint8_t kScrambleOn = 1;

// The die's result block within the search range, or -1.
int FindResultBlock(NandModel& nand, const InitDie& d, std::uint8_t rate, int range) {
    const FlashGeometry& g = nand.Geometry();
    const int planes = std::max(1, g.planes);
    const int units = g.blocks / planes;
    const int searched = range == 0 ? units : std::min(range, units);
    std::vector<std::uint8_t> page(std::min<std::size_t>(g.PageBytes(), 512));
    for (int unit = units - 1; unit >= units - searched; --unit) {
        for (int plane = 0; plane < planes; ++plane) {
            const int block = unit * planes + plane;
            const NandResult r = nand.Read({d.channel, d.ce, d.lun, block, kResultMarkPage}, page, rate, kScrambleOn);
            if (block != 0 && r == NandResult::Ok && page.size() >= 4 && std::memcmp(page.data(), kMark, 4) == 0)
                return block;
        }
    }
    return -1;
}

}  // namespace

void GdpResultBlocks::Install(ControllerCore& core) {
    const std::shared_ptr<GdpResultBlocks> self = shared_from_this();
    core.AddCommand(Program::Diagnostic, gdp_code::kScanResultBlk,
                    {XferDir::None, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t>) {
                         return self->Scan(p);
                     }});
    core.AddCommand(Program::Diagnostic, gdp_code::kGetResultBlk,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t> d) {
                         return self->GetTable(d);
                     }});
}

void GdpResultBlocks::SetBusyPolls(int polls) {
    std::lock_guard lock(mutex_);
    busyPolls_ = std::max(0, polls);
}

std::vector<ResultScanRun> GdpResultBlocks::Runs() const {
    std::lock_guard lock(mutex_);
    return runs_;
}

std::array<std::array<std::uint16_t, 8>, 8> GdpResultBlocks::Table() const {
    std::lock_guard lock(mutex_);
    return table_;
}

NvmeStatus GdpResultBlocks::Scan(const VendorPacket& p) {
    const InitView view = ViewOfInit(*gdp_);
    std::array<std::array<std::uint16_t, 8>, 8> table{};
    for (const InitDie& d : view.dies) {
        const int bank = d.lun * view.banks + d.ce;
        if (d.channel >= 8 || bank >= 8) continue;
        const int block = FindResultBlock(gdp_->Nand(), d, view.rate, p[3]);
        if (block >= 0)
            table[static_cast<std::size_t>(d.channel)][static_cast<std::size_t>(bank)] =
                static_cast<std::uint16_t>(block);
    }
    int polls = 0;
    {
        std::lock_guard lock(mutex_);
        table_ = table;
        runs_.push_back({p[3], p[4]});
        polls = busyPolls_;
    }
    gdp_->Finish(NandResult::Ok, polls);
    return nvme_status::kSuccess;
}

NvmeStatus GdpResultBlocks::GetTable(std::span<std::uint8_t> data) {
    {
        std::lock_guard lock(mutex_);
        PutSortResultTable(data, table_);
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

}  // namespace emu
