#include "emu/nand_model.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"

namespace emu {

namespace {

constexpr std::uint8_t kErased = 0xFF;

// The key under which a page's content is interned (only compared within one run, never stored). Four
// FNV-1a lanes over 8-byte words, so a 16 KB page costs a few thousand steps instead of 16,384
// dependent multiplications: the sorting firmware programs tens of thousands of pages a drive.
std::uint64_t Hash(std::span<const std::uint8_t> data) {
    constexpr std::uint64_t kPrime = 1099511628211ull;
    std::uint64_t lane[4] = {1469598103934665603ull, 0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full,
                             0x165667B19E3779F9ull};
    std::size_t at = 0;
    for (; at + 32 <= data.size(); at += 32) {
        for (int k = 0; k < 4; ++k) {
            std::uint64_t word;
            std::memcpy(&word, data.data() + at + 8 * k, sizeof word);
            lane[k] = (lane[k] ^ word) * kPrime;
        }
    }
    std::uint64_t h = lane[0] ^ (lane[1] * 31) ^ (lane[2] * 961) ^ (lane[3] * 29791);
    for (; at < data.size(); ++at) {
        h ^= data[at];
        h *= kPrime;
    }
    return h ^ data.size();
}

}  // namespace

bool FlashGeometry::Sound() const {
    return channels >= 1 && channels <= 16 && ces >= 1 && ces <= 16 && luns >= 1 && luns <= 16 && blocks >= 1 &&
           blocks <= 65536 && pages >= 1 && pages <= 65536 && pageSectors >= 1 && pageSectors <= 128 && planes >= 1 &&
           planes <= 16;
}

NandModel::NandModel(FlashGeometry geometry, NandLatency latency) : geometry_(geometry), latency_(latency) {}

void NandModel::Wait(NandOp op, std::uint64_t count) {
    std::uint64_t us = 0;
    {
        std::lock_guard lock(mutex_);
        us = op == NandOp::Read ? latency_.readUs : op == NandOp::Program ? latency_.programUs : latency_.eraseUs;
    }
    account_.Charge(us * count);
}

void NandModel::ChargeParallel(NandOp op, std::uint64_t count) {
    Wait(op, count);
}

NandCounts NandModel::Counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

bool NandModel::ContainsBlock(int channel, int ce, int lun, int block) const {
    const FlashGeometry& g = geometry_;
    return channel >= 0 && channel < g.channels && ce >= 0 && ce < g.ces && lun >= 0 && lun < g.luns && block >= 0 &&
           block < g.blocks;
}

bool NandModel::Contains(const NandAddress& a) const {
    return ContainsBlock(a.channel, a.ce, a.lun, a.block) && a.page >= 0 && a.page < geometry_.pages;
}

std::uint64_t NandModel::BlockKey(int channel, int ce, int lun, int block) const {
    return (((std::uint64_t(channel) * 16 + std::uint64_t(ce)) * 16 + std::uint64_t(lun)) << 16) | std::uint64_t(block);
}

std::uint64_t NandModel::PageKey(const NandAddress& a) const {
    return (BlockKey(a.channel, a.ce, a.lun, a.block) << 16) | std::uint64_t(a.page);
}

std::shared_ptr<const NandModel::Bytes> NandModel::Intern(std::span<const std::uint8_t> data) {
    const std::uint64_t h = Hash(data);
    auto [first, last] = contents_.equal_range(h);
    for (auto it = first; it != last; ++it) {
        if (auto held = it->second.lock();
            held && held->size() == data.size() && std::equal(held->begin(), held->end(), data.begin())) {
            return held;
        }
    }
    auto fresh = std::make_shared<const Bytes>(data.begin(), data.end());
    contents_.emplace(h, fresh);
    if (contents_.size() >= pruneAt_) {
        std::erase_if(contents_, [](const auto& entry) { return entry.second.expired(); });
        pruneAt_ = std::max<std::size_t>(1024, contents_.size() * 2);
    }
    return fresh;
}

NandResult NandModel::Read(const NandAddress& a, std::span<std::uint8_t> out, std::uint8_t ldpcRate,
                           std::uint8_t scramble, Timing timing) {
    if (timing == Timing::Charged) Wait(NandOp::Read);
    std::lock_guard lock(mutex_);
    ++counts_.pagesRead;
    return ReadLocked(a, out, ldpcRate, scramble);
}

NandResult NandModel::ReadLocked(const NandAddress& a, std::span<std::uint8_t> out, std::uint8_t ldpcRate,
                                 std::uint8_t scramble) {
    if (!Contains(a) || out.size() > geometry_.PageBytes()) return NandResult::BadAddress;
    const std::uint64_t blockKey = BlockKey(a.channel, a.ce, a.lun, a.block);
    if (factoryBad_.contains(blockKey)) return NandResult::Uncorrectable;
    if (uncorrectable_.contains(PageKey(a))) {
        NoteServed(blockKey, Failure::Read);
        return NandResult::Uncorrectable;
    }
    std::fill(out.begin(), out.end(), kErased);
    const auto block = blocks_.find(blockKey);
    if (block == blocks_.end()) return NandResult::ReadEmpty;
    const auto page = block->second.pages.find(a.page);
    if (page == block->second.pages.end()) return NandResult::ReadEmpty;
    // Data written with another code rate or scrambler setting does not decode.
    if (page->second.ldpcRate != ldpcRate || page->second.scramble != scramble) return NandResult::Uncorrectable;
    const Bytes& data = *page->second.data;
    std::copy_n(data.begin(), std::min(data.size(), out.size()), out.begin());
    return NandResult::Ok;
}

NandResult NandModel::Program(const NandAddress& a, std::span<const std::uint8_t> data, std::uint8_t ldpcRate,
                              std::uint8_t scramble, Timing timing) {
    if (timing == Timing::Charged) Wait(NandOp::Program);
    std::lock_guard lock(mutex_);
    if (!Contains(a) || data.size() > geometry_.PageBytes()) return NandResult::BadAddress;
    const std::uint64_t blockKey = BlockKey(a.channel, a.ce, a.lun, a.block);
    if (factoryBad_.contains(blockKey)) return NandResult::ProgramFailed;
    if (programFailBlocks_.contains(blockKey) || programFailPages_.contains(PageKey(a))) {
        NoteServed(blockKey, Failure::Program);
        return NandResult::ProgramFailed;
    }
    Block& block = blocks_[blockKey];
    if (block.pages.contains(a.page)) return NandResult::NotErased;
    block.pages[a.page] = Page{Intern(data), ldpcRate, scramble};
    ++counts_.pagesProgrammed;
    return NandResult::Ok;
}

NandResult NandModel::Erase(int channel, int ce, int lun, int block, Timing timing) {
    if (timing == Timing::Charged) Wait(NandOp::Erase);
    std::lock_guard lock(mutex_);
    if (!ContainsBlock(channel, ce, lun, block)) return NandResult::BadAddress;
    const std::uint64_t key = BlockKey(channel, ce, lun, block);
    if (factoryBad_.contains(key)) return NandResult::EraseFailed;
    if (eraseFail_.contains(key)) {
        NoteServed(key, Failure::Erase);
        return NandResult::EraseFailed;
    }
    Block& b = blocks_[key];
    b.pages.clear();
    ++b.eraseCount;
    ++counts_.blocksErased;
    return NandResult::Ok;
}

std::optional<std::vector<std::uint8_t>> NandModel::Peek(const NandAddress& a) const {
    std::lock_guard lock(mutex_);
    if (!Contains(a)) return std::nullopt;
    const auto block = blocks_.find(BlockKey(a.channel, a.ce, a.lun, a.block));
    if (block == blocks_.end()) return std::nullopt;
    const auto page = block->second.pages.find(a.page);
    if (page == block->second.pages.end()) return std::nullopt;
    return *page->second.data;
}

std::uint32_t NandModel::EraseCount(int channel, int ce, int lun, int block) const {
    std::lock_guard lock(mutex_);
    const auto it = blocks_.find(BlockKey(channel, ce, lun, block));
    return it == blocks_.end() ? 0 : it->second.eraseCount;
}

bool NandModel::IsFactoryBad(int channel, int ce, int lun, int block) const {
    std::lock_guard lock(mutex_);
    return factoryBad_.contains(BlockKey(channel, ce, lun, block));
}

bool NandModel::HasWriteFault(int channel, int ce, int lun, int block) const {
    std::lock_guard lock(mutex_);
    const std::uint64_t key = BlockKey(channel, ce, lun, block);
    if (eraseFail_.contains(key) || programFailBlocks_.contains(key)) return true;
    // Page keys of the block lie in [key << 16, (key + 1) << 16).
    const auto page = programFailPages_.lower_bound(key << 16);
    return page != programFailPages_.end() && (*page >> 16) == key;
}

std::size_t NandModel::ProgrammedPages() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [key, block] : blocks_) n += block.pages.size();
    return n;
}

std::size_t NandModel::StoredContents() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [hash, content] : contents_) n += content.expired() ? 0 : 1;
    return n;
}

void NandModel::MarkFactoryBad(int channel, int ce, int lun, int block) {
    std::lock_guard lock(mutex_);
    factoryBad_.insert(BlockKey(channel, ce, lun, block));
}

void NandModel::InjectUncorrectable(const NandAddress& a) {
    std::lock_guard lock(mutex_);
    uncorrectable_.insert(PageKey(a));
}

void NandModel::InjectProgramFailure(int channel, int ce, int lun, int block, int page) {
    std::lock_guard lock(mutex_);
    if (page < 0) {
        programFailBlocks_.insert(BlockKey(channel, ce, lun, block));
    } else {
        programFailPages_.insert(PageKey({channel, ce, lun, block, page}));
    }
}

void NandModel::InjectEraseFailure(int channel, int ce, int lun, int block) {
    std::lock_guard lock(mutex_);
    eraseFail_.insert(BlockKey(channel, ce, lun, block));
}

void NandModel::ClearFaults() {
    std::lock_guard lock(mutex_);
    uncorrectable_.clear();
    programFailBlocks_.clear();
    programFailPages_.clear();
    eraseFail_.clear();
}

void NandModel::SetLatency(NandLatency latency) {
    std::lock_guard lock(mutex_);
    latency_ = latency;
}

void NandModel::SetOpTimes(NandOpTimes times) {
    std::lock_guard lock(mutex_);
    opTimes_ = times;
}

void NandModel::SetOpTimeScale(unsigned percent) {
    std::lock_guard lock(mutex_);
    opScale_ = percent;
    dieOpScale_.clear();
}

void NandModel::SetOpTimeScale(int channel, int ce, int lun, unsigned percent) {
    std::lock_guard lock(mutex_);
    dieOpScale_[{channel, ce, lun}] = percent;
}

NandOpTimes NandModel::OpTimes(int channel, int ce, int lun) const {
    std::lock_guard lock(mutex_);
    const auto die = dieOpScale_.find({channel, ce, lun});
    const std::uint64_t percent = die != dieOpScale_.end() ? die->second : opScale_;
    auto scaled = [percent](unsigned us) {
        return static_cast<unsigned>(std::min<std::uint64_t>(us * percent / 100, 0xFFFFFFFFu));
    };
    const NandOpTimes& t = opTimes_;
    return {scaled(t.slcReadUs), scaled(t.readUs),     scaled(t.slcProgramUs),
            scaled(t.programUs), scaled(t.slcEraseUs), scaled(t.eraseUs)};
}

void NandModel::NoteServed(std::uint64_t blockKey, Failure type) {
    served_.emplace(blockKey, type);
    std::uint64_t& count = type == Failure::Read      ? servedCounts_.reads
                           : type == Failure::Program ? servedCounts_.programs
                                                      : servedCounts_.erases;
    ++count;
}

namespace {

// A block key's place (the inverse of NandModel::BlockKey).
void PlaceOf(std::uint64_t key, int& channel, int& ce, int& lun, int& block) {
    block = static_cast<int>(key & 0xFFFF);
    lun = static_cast<int>((key >> 16) % 16);
    ce = static_cast<int>((key >> 20) % 16);
    channel = static_cast<int>(key >> 24);
}

}  // namespace

std::vector<NandModel::ServedFailure> NandModel::ServedFailures() const {
    std::lock_guard lock(mutex_);
    std::vector<ServedFailure> out;
    for (const auto& [key, type] : served_) {
        ServedFailure f;
        PlaceOf(key, f.channel, f.ce, f.lun, f.block);
        f.type = type;
        out.push_back(f);
    }
    return out;
}

NandModel::FailureCounts NandModel::ServedCounts() const {
    std::lock_guard lock(mutex_);
    return servedCounts_;
}

std::vector<NandModel::StoredBlock> NandModel::StoredBlocks() const {
    std::lock_guard lock(mutex_);
    std::map<std::uint64_t, const Block*> ordered;
    for (const auto& [key, block] : blocks_) ordered.emplace(key, &block);
    std::vector<StoredBlock> out;
    out.reserve(ordered.size());
    for (const auto& [key, block] : ordered) {
        StoredBlock b;
        PlaceOf(key, b.channel, b.ce, b.lun, b.block);
        b.eraseCount = block->eraseCount;
        for (const auto& [number, page] : block->pages)
            b.pages.push_back({number, page.data, page.ldpcRate, page.scramble});
        std::sort(b.pages.begin(), b.pages.end(),
                  [](const StoredPage& x, const StoredPage& y) { return x.page < y.page; });
        out.push_back(std::move(b));
    }
    return out;
}

void NandModel::Restore(const std::vector<StoredBlock>& blocks, const std::vector<ServedFailure>& failures,
                        FailureCounts counts) {
    std::lock_guard lock(mutex_);
    blocks_.clear();
    for (const StoredBlock& b : blocks) {
        Block& block = blocks_[BlockKey(b.channel, b.ce, b.lun, b.block)];
        block.eraseCount = b.eraseCount;
        for (const StoredPage& p : b.pages) {
            if (p.data) block.pages[p.page] = Page{Intern(*p.data), p.ldpcRate, p.scramble};
        }
    }
    served_.clear();
    for (const ServedFailure& f : failures) served_.emplace(BlockKey(f.channel, f.ce, f.lun, f.block), f.type);
    servedCounts_ = counts;
}

}  // namespace emu
