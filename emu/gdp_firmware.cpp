#include "emu/gdp_firmware.h"

#include <algorithm>
#include <bit>

#include "emu/gdp_init_param_decoder.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::uint8_t kEveryOne = 0xFF;
constexpr std::uint8_t kInheritFlag = 0x80;

struct Place {
    int channel, ce, lun, block, page;
};

Place Decode(const VendorPacket& p) {
    return {p[3], p[4] & 0x0F, p[4] >> 4, wire::GetBe16(&p[5]), wire::GetBe16(&p[7])};
}

// The n-th (from 0) set bit of `bits`, or -1.
int NthBit(std::uint8_t bits, int n) {
    for (int b = 0; b < 8; ++b) {
        if ((bits & (1u << b)) != 0 && n-- == 0) return b;
    }
    return -1;
}

}  // namespace

GdpFirmware::GdpFirmware(std::shared_ptr<NandModel> nand, GdpSetup setup) : nand_(std::move(nand)), setup_(setup) {}

void GdpFirmware::Install(ControllerCore& core) {
    using namespace gdp_code;
    const std::shared_ptr<GdpFirmware> self = shared_from_this();
    auto add = [&](std::uint8_t code, XferDir dir, auto run) {
        core.AddCommand(Program::Diagnostic, code,
                        {dir, [self, run, code](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                             {
                                 std::lock_guard lock(self->mutex_);
                                 ++self->counts_[code];
                             }
                             return run(*self, p, d);
                         }});
    };
    add(kGetReturn, XferDir::ToHost, [](GdpFirmware& f, const VendorPacket&, auto d) { return f.GetReturn(d); });
    add(kInitGdp, XferDir::ToDevice, [](GdpFirmware& f, const VendorPacket&, auto d) { return f.InitGdp(d); });
    add(kPageRead, XferDir::ToHost, [](GdpFirmware& f, const VendorPacket& p, auto d) { return f.PageRead(p, d); });
    add(kPageWrite, XferDir::ToDevice, [](GdpFirmware& f, const VendorPacket& p, auto d) { return f.PageWrite(p, d); });
    add(kPageWriteInterleave, XferDir::ToDevice,
        [](GdpFirmware& f, const VendorPacket& p, auto d) { return f.PageWriteInterleave(p, d); });
    add(kSetLoaderBlock, XferDir::ToDevice,
        [](GdpFirmware& f, const VendorPacket&, auto d) { return f.SetLoaderBlock(d); });
    add(kReadFlashId, XferDir::ToHost,
        [](GdpFirmware& f, const VendorPacket& p, auto d) { return f.ReadFlashId(p, d); });
    add(kBlockErase, XferDir::None, [](GdpFirmware& f, const VendorPacket& p, auto) { return f.BlockErase(p); });
}

void GdpFirmware::SetBusyPolls(int polls) {
    std::lock_guard lock(mutex_);
    setup_.busyPolls = std::max(0, polls);
}

void GdpFirmware::SetBusyForever(bool busy) {
    std::lock_guard lock(mutex_);
    setup_.busyForever = busy;
}

void GdpFirmware::SetFlashId(const std::array<std::uint8_t, 6>& id) {
    std::lock_guard lock(mutex_);
    setup_.flashId = id;
}

std::array<std::uint8_t, 7> GdpFirmware::FlashIdOf(int channel, int ce) const {
    std::lock_guard lock(mutex_);
    for (const FlashIdAt& at : setup_.flashIdAt) {
        if (at.channel == channel && at.ce == ce) return at.id;
    }
    std::array<std::uint8_t, 7> id{};
    std::copy(setup_.flashId.begin(), setup_.flashId.end(), id.begin());
    id[6] = setup_.flashIdByte6;
    return id;
}

std::vector<std::uint8_t> GdpFirmware::InitBlock() const {
    std::lock_guard lock(mutex_);
    return initBlock_;
}

int GdpFirmware::InitCount() const {
    std::lock_guard lock(mutex_);
    return initCount_;
}

int GdpFirmware::CommandCount(std::uint8_t code) const {
    std::lock_guard lock(mutex_);
    return counts_[code];
}

void GdpFirmware::Finish(NandResult result, int extraBusyPolls) {
    std::lock_guard lock(mutex_);
    result_ = static_cast<std::uint8_t>(result);
    busyLeft_ = setup_.busyPolls + std::max(0, extraBusyPolls);
}

NvmeStatus GdpFirmware::GetReturn(std::span<std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    const bool busy = setup_.busyForever || busyLeft_ > 0;
    if (busyLeft_ > 0) --busyLeft_;
    data[0] = busy ? kGdpBusy : kGdpDone;
    data[1] = busy ? 0 : result_;
    return nvme_status::kSuccess;
}

NvmeStatus GdpFirmware::InitGdp(std::span<std::uint8_t> data) {
    const FlashGeometry& g = nand_->Geometry();
    const NandGeometry carried = CarriedGeometry(g);
    std::string why;
    const auto param = DecodeGdpInitParam(data);
    if (!param) {
        why = "the block is shorter than its parameters";
    } else {
        InitParamMatchesNand(*param, carried, &why);
    }
    {
        std::lock_guard lock(mutex_);
        initBlock_.assign(data.begin(), data.end());
        ++initCount_;
        initProblem_ = why;
    }
    Finish(why.empty() ? NandResult::Ok : NandResult::InitMismatch);
    return nvme_status::kSuccess;
}

std::string GdpFirmware::InitProblem() const {
    std::lock_guard lock(mutex_);
    return initProblem_;
}

NvmeStatus GdpFirmware::PageRead(const VendorPacket& p, std::span<std::uint8_t> data) {
    const Place at = Decode(p);
    const auto rate = static_cast<std::uint8_t>(p[9] & ~kInheritFlag);
    // What the host receives of a page that cannot be read stays the poison it arrived with.
    std::vector<std::uint8_t> page(data.size());
    const NandResult r = nand_->Read({at.channel, at.ce, at.lun, at.block, at.page}, page, rate, p[10]);
    if (r == NandResult::Ok || r == NandResult::ReadEmpty) std::copy(page.begin(), page.end(), data.begin());
    Finish(r);
    return nvme_status::kSuccess;
}

NvmeStatus GdpFirmware::PageWrite(const VendorPacket& p, std::span<std::uint8_t> data) {
    const Place at = Decode(p);
    Finish(nand_->Program({at.channel, at.ce, at.lun, at.block, at.page}, data, p[9], p[10]));
    return nvme_status::kSuccess;
}

NvmeStatus GdpFirmware::PageWriteInterleave(const VendorPacket& p, std::span<std::uint8_t> data) {
    const Place at = Decode(p);
    const FlashGeometry& g = nand_->Geometry();
    std::array<std::uint8_t, 32> map{};
    bool mapSet = false;
    {
        std::lock_guard lock(mutex_);
        map = loaderMap_;
        mapSet = loaderMapSet_;
    }
    // Which copy the host means: the rank of its block among the first die's loader blocks.
    int copy = -1;
    if (mapSet && at.block < 8 && (map[0] & (1u << at.block)) != 0) {
        copy = std::popcount(static_cast<unsigned>(map[0] & ((1u << at.block) - 1)));
    }
    // The dies program at once; the time is taken before the pages change, so a drive stopped
    // during it is left as if the command had not arrived.
    nand_->ChargeParallel(NandOp::Program);
    NandResult result = NandResult::Ok;
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            int block = at.block;
            if (copy >= 0) {
                if (ch >= 8 || ce >= 4) continue;
                block = NthBit(map[static_cast<std::size_t>(4 * ch + ce)], copy);
                if (block < 0) continue;
            }
            for (int lun = 0; lun < g.luns; ++lun) {
                const NandResult r = nand_->Program({ch, ce, lun, block, at.page}, data, p[9], p[10], Timing::Parallel);
                if (r != NandResult::Ok && result == NandResult::Ok) result = r;
            }
        }
    }
    Finish(result);
    return nvme_status::kSuccess;
}

NvmeStatus GdpFirmware::SetLoaderBlock(std::span<std::uint8_t> data) {
    {
        std::lock_guard lock(mutex_);
        std::copy_n(data.begin(), std::min(data.size(), loaderMap_.size()), loaderMap_.begin());
        loaderMapSet_ = true;
    }
    Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus GdpFirmware::ReadFlashId(const VendorPacket& p, std::span<std::uint8_t> data) {
    std::fill(data.begin(), data.end(), 0);
    const FlashGeometry& g = nand_->Geometry();
    // Byte 4: the CE in the low nibble, the LUN in the high one (every LUN of a CE answers its ID).
    const int ce = p[4] & 0x0F, lun = p[4] >> 4;
    if (p[3] < g.channels && ce < g.ces && lun < g.luns) {
        const auto id = FlashIdOf(p[3], ce);
        std::copy_n(id.begin(), std::min(id.size(), data.size()), data.begin());
    }
    Finish(NandResult::Ok);
    return nvme_status::kSuccess;
}

NvmeStatus GdpFirmware::BlockErase(const VendorPacket& p) {
    const Place at = Decode(p);
    const FlashGeometry& g = nand_->Geometry();
    // A channel byte the flash does not have, or a CE nibble it does not have, means every one (the
    // all-units erase sends the channel and bank counts; 255 stays so).
    const bool allChannels = p[3] == kEveryOne || p[3] >= g.channels;
    const bool allBanks = p[4] == kEveryOne || (p[4] & 0x0F) >= g.ces;
    // Byte 8 set: the one block named; else the block unit named, the block of every plane.
    const bool singlePlane = p[8] == 1;
    const int first = singlePlane ? at.block : at.block * g.planes;
    const int count = singlePlane ? 1 : g.planes;
    // The dies and planes erase at once; the time is taken before the blocks change.
    nand_->ChargeParallel(NandOp::Erase);
    NandResult result = NandResult::Ok;
    auto erase = [&](int ch, int ce, int lun) {
        for (int b = first; b < first + count; ++b) {
            const NandResult r = nand_->Erase(ch, ce, lun, b, Timing::Parallel);
            if (r != NandResult::Ok && result == NandResult::Ok) result = r;
        }
    };
    for (int ch = allChannels ? 0 : at.channel; ch < (allChannels ? g.channels : at.channel + 1); ++ch) {
        if (allBanks) {
            for (int ce = 0; ce < g.ces; ++ce) {
                for (int lun = 0; lun < g.luns; ++lun) erase(ch, ce, lun);
            }
        } else {
            erase(ch, at.ce, at.lun);
        }
    }
    Finish(result);
    return nvme_status::kSuccess;
}

}  // namespace emu
