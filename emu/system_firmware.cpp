#include "emu/system_firmware.h"

#include <algorithm>
#include <map>
#include <set>

#include "emu/flash_table_pages.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr int kDefectIndex = 5;
constexpr int kEarlyIndex = 13;
constexpr int kRemapIndex = 21;
constexpr int kSystemIndex = 37;
constexpr int kEraseCountIndex = 38;
constexpr int kLaterBadIndex = 40;
constexpr int kTableChannels = 8;
constexpr int kInfoPages = 4;  // indexes 0-3: rate 1, 4,096 bytes
constexpr std::size_t kInfoBytes = 4096;
constexpr std::size_t kSmartBytes = 512;
constexpr std::size_t kVersionAt = 512;
constexpr std::size_t kVersionBytes = 16;

struct Where {
    int channel, ce, lun, block;
};

// Page `index` of the loader block in `where`, read as its kind was written.
NandResult ReadIndex(NandModel& nand, const BootReport& r, Where w, int index, std::vector<std::uint8_t>& out) {
    if (index < 0 || static_cast<std::size_t>(index) >= r.pageMap.size()) return NandResult::BadAddress;
    const bool info = index < kInfoPages;
    out.assign(info ? kInfoBytes : r.pageBytes, 0);
    return nand.Read({w.channel, w.ce, w.lun, w.block, r.pageMap[static_cast<std::size_t>(index)]}, out,
                     info ? 1 : r.codeRate, 1);
}

std::string Text(const std::uint8_t* p, std::size_t n) {
    std::size_t len = 0;
    while (len < n && p[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

}  // namespace

SystemFirmware::SystemFirmware(std::shared_ptr<NandModel> nand, BadUnitSetup badUnits, UartSetup uart)
    : nand_(std::move(nand)), badUnits_(std::move(badUnits)), uart_(std::make_shared<UartLog>(std::move(uart))) {}

void SystemFirmware::Install(ControllerCore& core) {
    const std::shared_ptr<SystemFirmware> self = shared_from_this();
    core.AddCommand(Program::System, sys_code::kGetEraseCount,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t> d) {
                         return self->GetEraseCount(d);
                     }});
    core.AddCommand(Program::System, sys_code::kReadPage,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->ReadPage(p, d);
                     }});
    InstallLogCommands(core);
    core.AddCommand(Program::System, sys_code::kGetFlashId,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->GetFlashId(p, d);
                     }});
}

void SystemFirmware::SetFlashIds(FlashIdSource source) {
    std::lock_guard lock(mutex_);
    flashIds_ = std::move(source);
}

NvmeStatus SystemFirmware::GetFlashId(const VendorPacket& p, std::span<std::uint8_t> data) const {
    const FlashGeometry& g = nand_->Geometry();
    if (p[3] >= g.channels || p[4] >= g.ces) return nvme_status::kInvalidField;
    std::fill(data.begin(), data.end(), 0);
    FlashIdSource source;
    {
        std::lock_guard lock(mutex_);
        source = flashIds_;
    }
    if (source) {
        const auto id = source(p[3], p[4]);
        std::copy_n(id.begin(), std::min(id.size(), data.size()), data.begin());
    }
    return nvme_status::kSuccess;
}

void SystemFirmware::SetBootListener(BootListener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void SystemFirmware::OnRomBoot(ControllerCore& core, BootReport& report) {
    BootListener listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    WriteStartLines(core, report);
    if (!report.booted || report.program != Program::System) {
        {
            std::lock_guard lock(mutex_);
            state_.reset();
        }
        if (listener) listener(nullptr);
        return;
    }
    State s;
    std::vector<std::uint8_t> block(kFwVariableBlockBytes);
    core.Ram().Read(kFwVariableBlockAddress, block);
    s.param = DecodeSysParamPage(block).value_or(SysParamPage{});
    SystemBoot boot{s.param, std::nullopt};
    SystemFindings& found = report.system;
    const Where w{report.channel, report.ce, report.lun, report.block};
    std::vector<std::uint8_t> page;

    if (ReadIndex(*nand_, report, w, kSystemIndex, page) == NandResult::Ok && page.size() >= kVersionAt + 48) {
        found.systemPage = true;
        found.smartKept = std::any_of(page.begin(), page.begin() + kSmartBytes, [](std::uint8_t b) { return b != 0; });
        if (found.smartKept) {
            boot.smartLog.emplace();
            std::copy_n(page.begin(), kSmartBytes, boot.smartLog->begin());
        }
        for (int i = 0; i < 3; ++i) found.versions[i] = Text(&page[kVersionAt + kVersionBytes * i], kVersionBytes);
    }
    std::vector<std::uint8_t> second;
    if (ReadIndex(*nand_, report, w, kEraseCountIndex, page) == NandResult::Ok &&
        ReadIndex(*nand_, report, w, kEraseCountIndex + 1, second) == NandResult::Ok) {
        found.eraseCounts = true;
        s.eraseTable = page;
        s.eraseTable.insert(s.eraseTable.end(), second.begin(), second.end());
    }
    const FlashGeometry& g = nand_->Geometry();
    std::set<BadUnit> bad;
    for (int k = 0; k < kTableChannels; ++k) {
        if (ReadIndex(*nand_, report, w, kEarlyIndex + k, page) == NandResult::Ok &&
            HasTableHeader(page, TableKind::Early)) {
            ++found.earlyPages;
        }
        if (ReadIndex(*nand_, report, w, kRemapIndex + k, page) == NandResult::Ok &&
            HasTableHeader(page, TableKind::Remap)) {
            ++found.remapPages;
        }
        if (ReadIndex(*nand_, report, w, kDefectIndex + k, page) != NandResult::Ok ||
            !HasTableHeader(page, TableKind::Defect)) {
            continue;
        }
        ++found.defectPages;
        for (const DefectEntry& e : DecodeDefectPage(page)) {
            const int channel = e.logicalChannel < 8 && s.param.tuning.channels[e.logicalChannel] != 0xFF
                                    ? s.param.tuning.channels[e.logicalChannel]
                                    : e.logicalChannel;
            const int index = e.logicalCe < 4 && s.param.tuning.banks[e.logicalCe] != 0xFF
                                  ? s.param.tuning.banks[e.logicalCe]
                                  : e.logicalCe;
            bad.insert({channel, index % g.ces, index / g.ces, e.unit});
        }
    }
    found.badUnits.assign(bad.begin(), bad.end());
    s.report = report;
    {
        std::lock_guard lock(mutex_);
        state_ = std::move(s);
        ++boots_;
    }
    if (listener) listener(&boot);
}

bool SystemFirmware::BootedFromFlash() const {
    std::lock_guard lock(mutex_);
    return state_.has_value();
}

std::optional<SysParamPage> SystemFirmware::Param() const {
    std::lock_guard lock(mutex_);
    if (!state_) return std::nullopt;
    return state_->param;
}

int SystemFirmware::Boots() const {
    std::lock_guard lock(mutex_);
    return boots_;
}

std::uint8_t SystemFirmware::LoaderBits(const State& s, int channel, int ce, int lun) const {
    const int bank = lun * nand_->Geometry().ces + ce;
    if (channel < 0 || channel >= 8 || bank < 0 || bank >= 4) return 0;
    return s.param.tuning.loaderBlocks[static_cast<std::size_t>(4 * channel + bank)];
}

int SystemFirmware::LogicalChannel(const State& s, int channel) const {
    for (int i = 0; i < 8; ++i) {
        if (s.param.tuning.channels[i] == channel) return i;
    }
    return channel;
}

int SystemFirmware::LogicalCe(const State& s, int ce, int lun) const {
    const int index = lun * nand_->Geometry().ces + ce;
    for (int i = 0; i < 4; ++i) {
        if (s.param.tuning.banks[i] == index) return i;
    }
    return index;
}

std::vector<std::uint8_t> SystemFirmware::EraseCounts(std::size_t bytes) const {
    const FlashGeometry& g = nand_->Geometry();
    const std::size_t units = static_cast<std::size_t>(g.blocks / std::max(1, g.planes));
    std::vector<std::uint8_t> out(bytes, 0xFF);
    std::vector<std::uint8_t> table;
    {
        std::lock_guard lock(mutex_);
        if (state_) table = state_->eraseTable;
    }
    for (std::size_t u = 0; u < units && 4 * u + 4 <= bytes; ++u) {
        std::uint32_t count = 0;
        if (!table.empty()) {
            if (4 * u + 4 > table.size()) break;
            count = wire::GetLe32(&table[4 * u]);
        } else {
            for (int ch = 0; ch < g.channels; ++ch) {
                for (int ce = 0; ce < g.ces; ++ce) {
                    for (int lun = 0; lun < g.luns; ++lun) {
                        for (int p = 0; p < g.planes; ++p) {
                            const int block = static_cast<int>(u) * g.planes + p;
                            count = std::max(count, nand_->EraseCount(ch, ce, lun, block));
                        }
                    }
                }
            }
        }
        wire::PutLe32(&out[4 * u], count);
    }
    return out;
}

NvmeStatus SystemFirmware::GetEraseCount(std::span<std::uint8_t> data) const {
    const std::vector<std::uint8_t> counts = EraseCounts(data.size());
    std::copy(counts.begin(), counts.end(), data.begin());
    return nvme_status::kSuccess;
}

NvmeStatus SystemFirmware::ReadPage(const VendorPacket& p, std::span<std::uint8_t> data) const {
    const FlashGeometry& g = nand_->Geometry();
    // The information-page probe sends the channel count: a channel the flash lacks reads channel 0.
    const int channel = p[3] < g.channels ? p[3] : 0, ce = p[4] & 0x0F, lun = p[4] >> 4;
    const int unit = wire::GetBe16(&p[5]), page = wire::GetBe16(&p[7]);
    const int first = unit * g.planes;
    if (!nand_->Contains({channel, ce, lun, first, page})) return nvme_status::kInvalidField;
    int block = first;
    {
        std::lock_guard lock(mutex_);
        const std::uint8_t bits = state_ ? LoaderBits(*state_, channel, ce, lun) : 0;
        for (int b = first; b < first + g.planes && b < 8; ++b) {
            if ((bits & (1u << b)) != 0) {
                block = b;
                break;
            }
        }
    }
    std::vector<std::uint8_t> bytes(std::min(data.size(), g.PageBytes()));
    const NandResult r = nand_->Read({channel, ce, lun, block, page}, bytes, p[9], p[10]);
    if (r != NandResult::Ok && r != NandResult::ReadEmpty) return nvme_status::kDataTransferError;
    std::fill(data.begin(), data.end(), 0);
    std::copy(bytes.begin(), bytes.end(), data.begin());
    return nvme_status::kSuccess;
}

bool SystemFirmware::RecordGrownBad(const std::vector<GrownBad>& blocks, std::string* why) {
    auto fail = [why](std::string text) {
        if (why != nullptr) *why = std::move(text);
        return false;
    };
    std::optional<State> s;
    {
        std::lock_guard lock(mutex_);
        s = state_;
    }
    if (!s) return fail("the system firmware did not boot from the flash");
    const FlashGeometry& g = nand_->Geometry();
    std::map<int, std::vector<LaterBadEntry>> byChannel;
    for (const GrownBad& b : blocks) {
        const int lch = LogicalChannel(*s, b.channel);
        if (lch < 0 || lch >= kTableChannels)
            return fail("channel " + std::to_string(b.channel) + " has no table page");
        byChannel[lch].push_back({b.block / g.planes, b.page, b.block % g.planes, lch, LogicalCe(*s, b.ce, b.lun)});
    }
    // Its loader blocks: those its parameter page lists, else the block it booted from.
    std::vector<Where> targets;
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            for (int lun = 0; lun < g.luns; ++lun) {
                const std::uint8_t bits = LoaderBits(*s, ch, ce, lun);
                for (int b = 0; b < 8 && b < g.blocks; ++b) {
                    if ((bits & (1u << b)) != 0) targets.push_back({ch, ce, lun, b});
                }
            }
        }
    }
    const BootReport& r = s->report;
    if (targets.empty()) targets.push_back({r.channel, r.ce, r.lun, r.block});
    for (const Where& w : targets) {
        struct Held {
            int index;
            std::vector<std::uint8_t> bytes;
        };
        std::vector<Held> pages;
        std::set<int> seen;
        for (int index = 0; index < static_cast<int>(r.pageMap.size()); ++index) {
            if (r.pageMap[static_cast<std::size_t>(index)] >= g.pages ||
                !seen.insert(r.pageMap[static_cast<std::size_t>(index)]).second) {
                continue;
            }
            std::vector<std::uint8_t> bytes;
            const NandResult got = ReadIndex(*nand_, r, w, index, bytes);
            const auto it = byChannel.find(index - kLaterBadIndex);
            if (got == NandResult::Ok || (got == NandResult::ReadEmpty && it != byChannel.end())) {
                if (got == NandResult::ReadEmpty) std::fill(bytes.begin(), bytes.end(), 0);
                if (it != byChannel.end()) AppendLaterBad(bytes, it->second);
                pages.push_back({index, std::move(bytes)});
            } else if (got != NandResult::ReadEmpty) {
                return fail("page " + std::to_string(index) + " of block " + std::to_string(w.block) +
                            " does not read");
            }
        }
        if (nand_->Erase(w.channel, w.ce, w.lun, w.block) != NandResult::Ok) {
            return fail("block " + std::to_string(w.block) + " does not erase");
        }
        for (const Held& h : pages) {
            const std::uint8_t rate = h.index < kInfoPages ? 1 : r.codeRate;
            const NandAddress at{w.channel, w.ce, w.lun, w.block, r.pageMap[static_cast<std::size_t>(h.index)]};
            if (nand_->Program(at, h.bytes, rate, 1) != NandResult::Ok) {
                return fail("page " + std::to_string(h.index) + " of block " + std::to_string(w.block) +
                            " does not program");
            }
        }
    }
    return true;
}

}  // namespace emu
