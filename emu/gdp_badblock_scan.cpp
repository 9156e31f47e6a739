#include "emu/gdp_badblock_scan.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::uint8_t kEraseSearch = 0x01;
constexpr std::uint8_t kInheritTables = 0x04;
constexpr std::uint8_t kInheritSorting = 0x20;

// A unit of one die: channel, CE, LUN, unit.
using UnitKey = std::tuple<int, int, int, int>;

struct UnitEntry {
    std::uint8_t good;   // good-plane mask
    std::uint8_t flags;  // bits 20-23 of the entry, shifted down
};

std::uint32_t Encode(const UnitKey& k, const UnitEntry& e) {
    const auto [ch, ce, lun, unit] = k;
    return (static_cast<std::uint32_t>(ch & 7) << 29) | (static_cast<std::uint32_t>(lun & 3) << 27) |
           (static_cast<std::uint32_t>(ce & 7) << 24) | (static_cast<std::uint32_t>(e.flags & 0xF) << 20) |
           (static_cast<std::uint32_t>(e.good & 0xF) << 16) | static_cast<std::uint32_t>(unit & 0xFFFF);
}

// What the entry layout can carry of this flash.
bool Encodable(const FlashGeometry& g) {
    return g.channels <= 8 && g.ces <= 8 && g.luns <= 4 && g.planes >= 1 && g.planes <= 4 &&
           g.blocks / g.planes <= 0x10000;
}

}  // namespace

void GdpBadBlockScan::Install(ControllerCore& core) {
    const std::shared_ptr<GdpBadBlockScan> self = shared_from_this();
    core.AddCommand(Program::Diagnostic, gdp_code::kScanDefectBad,
                    {XferDir::None, [self](ControllerCore& c, const VendorPacket& p, std::span<std::uint8_t>) {
                         return self->Scan(c, p);
                     }});
    core.AddCommand(Program::Diagnostic, gdp_code::kGetDefectBadTab,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t> d) {
                         return self->GetList(d);
                     }});
}

void GdpBadBlockScan::SetScanBusyPolls(int polls) {
    std::lock_guard lock(mutex_);
    busyPolls_ = std::max(0, polls);
}

std::vector<std::uint32_t> GdpBadBlockScan::List() const {
    std::lock_guard lock(mutex_);
    return list_;
}

std::uint8_t GdpBadBlockScan::LastMode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

int GdpBadBlockScan::Scans() const {
    std::lock_guard lock(mutex_);
    return scans_;
}

NvmeStatus GdpBadBlockScan::Scan(ControllerCore& core, const VendorPacket& p) {
    const std::uint8_t mode = p[3];
    NandModel& nand = gdp_->Nand();
    const FlashGeometry& g = nand.Geometry();
    std::map<UnitKey, UnitEntry> units;
    const std::uint8_t all = static_cast<std::uint8_t>((1u << std::clamp(g.planes, 1, 4)) - 1);
    if (Encodable(g)) {
        // One read of every block examined and, in the erase search, one erase of every block that
        // is not factory bad, the channels working in parallel: a channel works through its dies'
        // blocks one after another, so the busiest channel sets the time. Both are charged before
        // the scan takes effect, so a drive stopped during them is left as if the command had not
        // arrived.
        const std::uint64_t readsPerChannel = static_cast<std::uint64_t>(g.ces) * g.luns * g.blocks;
        std::uint64_t erasesPerChannel = 0;
        if ((mode & kEraseSearch) != 0) {
            for (int ch = 0; ch < g.channels; ++ch) {
                std::uint64_t erases = 0;
                for (int ce = 0; ce < g.ces; ++ce)
                    for (int lun = 0; lun < g.luns; ++lun)
                        for (int block = 0; block < g.blocks; ++block)
                            if (!nand.IsFactoryBad(ch, ce, lun, block)) ++erases;
                erasesPerChannel = std::max(erasesPerChannel, erases);
            }
        }
        nand.ChargeParallel(NandOp::Read, readsPerChannel);
        nand.ChargeParallel(NandOp::Erase, erasesPerChannel);
        for (int ch = 0; ch < g.channels; ++ch) {
            for (int ce = 0; ce < g.ces; ++ce) {
                for (int lun = 0; lun < g.luns; ++lun) {
                    for (int block = 0; block < g.blocks; ++block) {
                        const bool bad = nand.IsFactoryBad(ch, ce, lun, block) ||
                                         ((mode & kEraseSearch) != 0 &&
                                          nand.Erase(ch, ce, lun, block, Timing::Parallel) != NandResult::Ok);
                        if (!bad) continue;
                        auto [it, fresh] = units.try_emplace({ch, ce, lun, block / g.planes}, UnitEntry{all, 0});
                        it->second.good = static_cast<std::uint8_t>(it->second.good & ~(1u << (block % g.planes)));
                    }
                }
            }
        }
        if ((mode & (kInheritTables | kInheritSorting)) != 0) {
            std::vector<std::uint8_t> bytes(kDefectListBytes);
            if (core.Ram().Read(kInheritListAddress, bytes)) {
                for (std::size_t i = 0; i < kDefectListMaxEntries; ++i) {
                    const std::uint32_t e = wire::GetLe32(bytes.data() + 4 * i);
                    if (e == 0) break;
                    const int ch = static_cast<int>(e >> 29), lun = static_cast<int>((e >> 27) & 3);
                    const int ce = static_cast<int>((e >> 24) & 7), unit = static_cast<int>(e & 0xFFFF);
                    if (ch >= g.channels || ce >= g.ces || lun >= g.luns || unit >= g.blocks / g.planes) continue;
                    const UnitEntry inherited{static_cast<std::uint8_t>((e >> 16) & all),
                                              static_cast<std::uint8_t>((e >> 20) & 0xF)};
                    auto [it, fresh] = units.try_emplace({ch, ce, lun, unit}, inherited);
                    if (!fresh) {
                        it->second.good &= inherited.good;
                        it->second.flags |= inherited.flags;
                    }
                }
            }
        }
    }
    std::vector<std::uint32_t> list;
    for (const auto& [key, entry] : units) {
        if (list.size() == kDefectListMaxEntries) break;
        // Unit 0 of the first die with every plane bad would read as the end of the list: bit 20,
        // which the layout leaves unused, keeps it.
        const std::uint32_t e = Encode(key, entry);
        list.push_back(e != 0 ? e : 0x00100000u);
    }
    int polls = 0;
    {
        std::lock_guard lock(mutex_);
        list_ = std::move(list);
        mode_ = mode;
        ++scans_;
        polls = busyPolls_;
    }
    gdp_->Finish(NandResult::Ok, polls);
    return nvme_status::kSuccess;
}

NvmeStatus GdpBadBlockScan::GetList(std::span<std::uint8_t> data) {
    std::fill(data.begin(), data.end(), 0);
    {
        std::lock_guard lock(mutex_);
        // Room for the entries and the zero that ends them.
        const std::size_t room = data.size() / 4 == 0 ? 0 : data.size() / 4 - 1;
        for (std::size_t i = 0; i < list_.size() && i < room; ++i) wire::PutLe32(data.data() + 4 * i, list_[i]);
    }
    gdp_->Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

}  // namespace emu
