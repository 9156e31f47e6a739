#include "tables/rm_verify.h"

#include <algorithm>
#include <vector>

#include "settings/records.h"
#include "tables/le_bytes.h"
#include "tables/lun_split.h"
#include "tables/page_format.h"
#include "transport/trace.h"

namespace {

constexpr int kBanks = 8;

// The replacements a page names, per CE counter bank: any plane-block index of the die, however
// many the die has. Sorting them finds every index named twice.
class UseCounter {
  public:
    void Add(int bank, std::uint32_t index) { used_.push_back(static_cast<std::uint64_t>(bank) << 32 | index); }
    // Each (bank, index) named more than once, in bank order, then index order.
    std::vector<std::uint64_t> Collisions() {
        std::sort(used_.begin(), used_.end());
        std::vector<std::uint64_t> out;
        for (std::size_t i = 1; i < used_.size(); ++i) {
            if (used_[i] == used_[i - 1] && (out.empty() || out.back() != used_[i])) out.push_back(used_[i]);
        }
        return out;
    }

  private:
    std::vector<std::uint64_t> used_;
};

struct VerifyGeometry {
    std::uint32_t limit;  // plane-block indexes of a die, extended blocks included
    std::uint32_t planes;
    std::uint32_t unitsExt;
    std::uint32_t lunOffset;
    std::uint32_t bankNum;
    bool superDie;
};

VerifyGeometry GetVerifyGeometry() {
    const RM_Geometry g = RM_GetGeometry();
    VerifyGeometry v{};
    v.limit = g.dies == 0 ? 0 : static_cast<std::uint32_t>(AP_FlashSet.wBlocks) / g.dies + AP_FlashSet.wExtendBlocks;
    v.planes = g.planes;
    v.unitsExt = g.unitsExt;
    v.lunOffset = g.lunOffset;
    v.bankNum = g.bankNum;
    v.superDie = g.superDie;
    return v;
}

}  // namespace

bool bRM_VerifyRemapTable(int port, int channel, std::span<const std::uint8_t> page, _VectorInfo& vi) {
    TraceOutToFile(vi.log, "\n===[%d] Verify RMP TBL C%d===\n", port, channel);
    const VerifyGeometry v = GetVerifyGeometry();
    UseCounter used;
    bool pass = true;
    bool ended = false;
    int bank = 0;
    std::uint32_t plane = 0;
    for (std::size_t off = RM_HEADER_SIZE; off + 4 <= page.size() && !ended; off += 4) {
        const std::uint16_t w0 = tables::GetLe16(page.data() + off);
        const std::uint16_t w1 = tables::GetLe16(page.data() + off + 2);
        switch (w0) {
            case RM_MK_REMAP_CE:
                bank = w1;
                continue;
            case RM_MK_REMAP_DIE:
                continue;
            case RM_MK_REMAP_PLANE:
                plane = w1;
                continue;
            case RM_MK_REMAP_END:
                ended = true;
                continue;
            default:
                break;
        }
        if (w0 == RM_MK_FREE) continue;  // reserve and free entries name no remapped block
        std::uint32_t good = w1;
        int countBank = bank;
        if (v.superDie) {
            const tables::LunValue s = tables::SplitLun(good, v.unitsExt, v.lunOffset);
            good = s.value;
            if (s.ok && s.lun1) countBank = bank + static_cast<int>(v.bankNum);
        }
        const std::uint64_t index = static_cast<std::uint64_t>(good) * v.planes + plane;
        if (index >= v.limit || plane >= v.planes) {
            TraceOutToFile(vi.log, "RemapBlock over block unit number!! 0x%04X > 0x%04X\n", good, v.limit);
            pass = false;
            continue;
        }
        if (countBank < 0 || countBank >= kBanks) {
            TraceOutToFile(vi.log, "######### - Verify RMP TBL C%d: CE %d outside the table fail!\n", channel,
                           countBank);
            pass = false;
            continue;
        }
        used.Add(countBank, static_cast<std::uint32_t>(index));
    }
    if (!ended) {
        TraceOutToFile(vi.log, "######### - Verify RMP TBL C%d: no end of table in the page fail!\n", channel);
        pass = false;
    }
    for (std::uint64_t c : used.Collisions()) {
        TraceOutToFile(vi.log, "ReMap Collison! Ch %d, Bank %d, , Block 0x%.4X\n", channel, static_cast<int>(c >> 32),
                       static_cast<unsigned>(c & 0xFFFFFFFF));
        pass = false;
    }
    return pass;
}

bool bRM_VerifyVirtRemapTable(int port, int channel, std::span<const std::uint8_t> page, _VectorInfo& vi) {
    TraceOutToFile(vi.log, "\n===[%d] Verify V-RMP TBL C%d ===\n", port, channel);
    const VerifyGeometry v = GetVerifyGeometry();
    UseCounter used;
    bool pass = true;
    bool ended = false;
    int bank = 0;
    for (std::size_t off = RM_HEADER_SIZE; off + 4 <= page.size() && !ended; off += 4) {
        const std::uint16_t w0 = tables::GetLe16(page.data() + off);
        const std::uint16_t w1 = tables::GetLe16(page.data() + off + 2);
        if (w0 == RM_MK_VIRT_CE) {
            bank = w1;
            continue;
        }
        if (w0 == RM_MK_VIRT_END) {
            ended = true;
            continue;
        }
        if (w0 == RM_MK_FREE) continue;
        std::uint32_t good = w1;
        int countBank = bank;
        if (v.superDie) {
            const tables::LunValue s = tables::SplitLun(good, v.unitsExt * v.planes, v.lunOffset * v.planes);
            good = s.value;
            if (s.ok && s.lun1) countBank = bank + static_cast<int>(v.bankNum);
        }
        if (good >= v.limit) {
            TraceOutToFile(vi.log, "######### - VRemapBlock over block number!!\n");
            pass = false;
            continue;
        }
        if (countBank < 0 || countBank >= kBanks) {
            TraceOutToFile(vi.log, "######### - Verify V-RMP TBL C%d: CE %d outside the table fail!\n", channel,
                           countBank);
            pass = false;
            continue;
        }
        used.Add(countBank, good);
    }
    if (!ended) {
        TraceOutToFile(vi.log, "######### - Verify V-RMP TBL C%d: no end of table in the page fail!\n", channel);
        pass = false;
    }
    for (std::uint64_t c : used.Collisions()) {
        TraceOutToFile(vi.log, "######### - VReMap Collison! Ch %d, Bank %d, Block 0x%.4X\n", channel,
                       static_cast<int>(c >> 32), static_cast<unsigned>(c & 0xFFFFFFFF));
        pass = false;
    }
    return pass;
}
