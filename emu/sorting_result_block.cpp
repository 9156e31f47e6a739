#include "emu/sorting_result_block.h"

#include <algorithm>
#include <cstring>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr int kBbPage = 0, kMarkPage = 2, kErrorPage = 3, kFactoryPage = 7, kWholePage = 15, kDiePage = 16,
              kEccPage = 17;
constexpr int kMaxListPages = 4;
constexpr std::size_t kRecordBytes = 16, kDieEntryBytes = 48, kMaxDieEntries = 128;
constexpr std::size_t kFactoryRegionBytes = 750, kFactoryChannelBytes = 6000;
constexpr std::size_t kMaxEccBlocks = 8192;
constexpr std::uint8_t kScrambleOn = 1;

// Writes into a page and drops whatever would land past its end.
class Page {
  public:
    explicit Page(std::size_t bytes) : b_(bytes, 0) {}
    void U8(std::size_t at, int v) {
        if (at < b_.size()) b_[at] = static_cast<std::uint8_t>(v);
    }
    void U16(std::size_t at, int v) {
        U8(at, v & 0xFF);
        U8(at + 1, (v >> 8) & 0xFF);
    }
    void U32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(at + static_cast<std::size_t>(i), static_cast<int>((v >> (8 * i)) & 0xFF));
    }
    void Text(std::size_t at, const char* text, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) U8(at + i, static_cast<std::uint8_t>(text[i]));
    }
    void Copy(std::size_t at, const std::vector<std::uint8_t>& from, std::size_t first, std::size_t last) {
        for (std::size_t k = first; k < last && k < from.size(); ++k) U8(at + k, from[k]);
    }
    std::vector<std::uint8_t> Take() { return std::move(b_); }

  private:
    std::vector<std::uint8_t> b_;
};

int Clamp16(int v) {
    return std::clamp(v, 0, 0xFFFF);
}

// Pages of `bytes` laid end to end, at most four.
std::vector<std::vector<std::uint8_t>> Split(const std::vector<std::uint8_t>& bytes, std::size_t pageBytes) {
    std::vector<std::vector<std::uint8_t>> pages;
    for (std::size_t at = 0; at < bytes.size() && pages.size() < kMaxListPages; at += pageBytes) {
        std::vector<std::uint8_t> page(pageBytes, 0);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), std::min(pageBytes, bytes.size() - at),
                    page.begin());
        pages.push_back(std::move(page));
    }
    return pages;
}

std::vector<std::uint8_t> ErrorList(const SortFlash& flash, const SortTestSettings& s, const SortRun& run,
                                    std::size_t pageBytes) {
    const std::size_t room = kMaxListPages * pageBytes / kRecordBytes;
    const std::size_t records = room == 0 ? 0 : std::min(run.errors.size(), room - 1);
    std::vector<std::uint8_t> list((records + 1) * kRecordBytes, 0);
    const int planes = std::max(1, flash.planes);
    for (std::size_t i = 0; i < records; ++i) {
        const SortErrorRecord& r = run.errors[i];
        std::uint8_t* p = &list[i * kRecordBytes];
        p[0] = static_cast<std::uint8_t>((r.fwBank & 0x0F) | ((r.channel & 0x07) << 4));
        p[1] = static_cast<std::uint8_t>(((1 << (r.block % planes)) & 0x0F) | (static_cast<int>(r.type) << 4));
        wire::PutLe16(p + 2, static_cast<std::uint16_t>(Clamp16(r.page)));
        wire::PutLe16(p + 4, static_cast<std::uint16_t>(Clamp16(r.block / planes)));
        p[6] = r.type == SortErrorType::OverThreshold ? static_cast<std::uint8_t>(std::min(r.maxErrBits, 0xFF)) : 0;
        p[7] = static_cast<std::uint8_t>((static_cast<int>(r.action) & 0x0F) | (flash.flashType == 0 ? 0x80 : 0));
        p[8] = r.readFailure ? 1 : 0;
        p[9] = static_cast<std::uint8_t>(s.tsad & 0xFF);
        wire::PutLe16(p + 10, static_cast<std::uint16_t>(std::min<std::uint32_t>(r.loop, 0xFFFF)));
        wire::PutLe32(p + 12, r.ticks);
    }
    std::fill(list.end() - static_cast<std::ptrdiff_t>(kRecordBytes), list.end(), 0xAA);
    return list;
}

bool InTable(const SortDieResult& d) {
    return d.channel < 8 && d.fwBank < 8;
}

std::vector<std::uint8_t> FactoryMap(const SortRun& run) {
    std::size_t size = 0;
    for (const SortDieResult& d : run.dies) {
        if (InTable(d)) {
            size =
                std::max(size, d.channel * kFactoryChannelBytes + d.fwBank * kFactoryRegionBytes + kFactoryRegionBytes);
        }
    }
    std::vector<std::uint8_t> map(size, 0);
    for (const SortDieResult& d : run.dies) {
        if (!InTable(d)) continue;
        const std::size_t region = d.channel * kFactoryChannelBytes + d.fwBank * kFactoryRegionBytes;
        for (std::size_t b = 0; b < d.blocks.size() && b < kFactoryRegionBytes * 8; ++b) {
            if (d.blocks[b] == SortBlockState::FactoryBad)
                map[region + b / 8] |= static_cast<std::uint8_t>(1u << (b % 8));
        }
    }
    return map;
}

std::vector<std::uint8_t> WholeInfo(const SortTestSettings& s, const SortRun& run, const SortDriveFacts& facts,
                                    std::size_t pageBytes) {
    Page p(pageBytes);
    p.U8(6, run.flags);
    p.U32(8, facts.runTicks);
    p.U16(12, s.maxBadPerPlane);
    p.U16(14, s.maxBadPerDie);
    const std::size_t serial = ::strnlen(s.serial.data(), s.serial.size());
    p.Text(16, s.serial.data(), serial);  // the zero after it is already there
    p.U16(74, s.maxReadFail);
    for (const SortDieResult& d : run.dies) {
        if (d.tagDie < 64) p.U8(80 + static_cast<std::size_t>(d.tagDie), d.flags);
    }
    p.U8(144, std::min<int>(s.ldpcThreshold, 0xFF));
    p.U16(150, s.maxProgramFail);
    p.U16(152, s.maxEraseFail);
    p.U16(160, s.tsad);
    const int temperature = std::clamp(facts.temperature, 0, 0xFF);
    p.U8(162, temperature);
    p.U8(163, s.slcLdpcThreshold);
    constexpr std::size_t kEcho = 1536;
    p.Copy(kEcho, s.page, 4, 1024);
    p.Copy(kEcho, s.page, 3072, 3184);
    p.U8(kEcho + 4 + 142, temperature);
    return p.Take();
}

std::vector<std::uint8_t> DieInfo(const SortRun& run, std::size_t pageBytes) {
    Page p(pageBytes);
    std::size_t entries = 0;
    for (const SortDieResult& d : run.dies) {
        const auto slot = static_cast<std::size_t>(d.tagDie);
        if (slot >= kMaxDieEntries - 1) continue;
        entries = std::max(entries, slot + 1);
        const std::size_t at = slot * kDieEntryBytes;
        p.U8(at, 0x80);
        p.U16(at + 8, Clamp16(d.bad));
        for (std::size_t plane = 0; plane < 4 && plane < d.badPerPlane.size(); ++plane) {
            p.U16(at + 12 + 2 * plane, Clamp16(d.badPerPlane[plane]));
        }
        p.U16(at + 20, Clamp16(d.eccFail));
        p.U16(at + 22, Clamp16(d.programFail));
        p.U16(at + 24, Clamp16(d.eraseFail));
        p.U8(at + 26, d.flags);
        p.U16(at + 27, Clamp16(d.factoryBad));
        p.U8(at + 32, std::min<int>(d.times[0], 0xFF));
        p.U8(at + 33, std::min<int>(d.times[1], 0xFF));
        for (std::size_t t = 2; t < 6; ++t) p.U16(at + 34 + 2 * (t - 2), d.times[t]);
    }
    p.U8(entries * kDieEntryBytes, 0xEE);
    return p.Take();
}

std::vector<std::uint8_t> BadBlocks(const SortFlash& flash, const SortDieResult& d, std::size_t pageBytes) {
    Page p(pageBytes);
    p.Text(0, "BB", 2);
    const int planes = std::max(1, flash.planes);
    const std::size_t room = pageBytes / 4 == 0 ? 0 : pageBytes / 4 - 1;
    std::size_t n = 0;
    const std::size_t units = d.blocks.size() / static_cast<std::size_t>(planes);
    for (std::size_t u = 0; u < units && n < room && n < d.blocks.size(); ++u) {
        int mask = 0;
        for (int plane = 0; plane < planes; ++plane) {
            const SortBlockState st = d.blocks[u * static_cast<std::size_t>(planes) + static_cast<std::size_t>(plane)];
            if (st == SortBlockState::FactoryBad || st == SortBlockState::Failed) mask |= 1 << plane;
        }
        if (mask == 0) continue;
        ++n;
        p.U16(4 * n, Clamp16(static_cast<int>(u)));
        p.U8(4 * n + 2, mask & 0xFF);
    }
    p.U16(2, static_cast<int>(n));
    return p.Take();
}

std::vector<std::uint8_t> Mark(const SortRun& run, const SortDieResult& d, int errorPages, int factoryPages,
                               std::size_t pageBytes) {
    Page p(pageBytes);
    p.Text(0, "SORT", 4);
    p.U8(6, run.flags);
    p.U16(8, Clamp16(run.bad));
    p.U16(10, Clamp16(run.eccFail));
    p.U16(12, Clamp16(run.programFail));
    p.U16(14, Clamp16(run.eraseFail));
    p.U16(16, Clamp16(run.factoryBad));
    p.U16(2578, kErrorPage);
    p.U16(2580, errorPages);
    p.U16(2582, kFactoryPage);
    p.U16(2584, factoryPages);
    p.U8(2618, d.fwBank);
    p.U8(2619, d.channel);
    p.U8(2620, d.tagDie);
    return p.Take();
}

std::vector<std::uint8_t> Ecc(const SortDieResult& d, std::size_t pageBytes) {
    Page p(pageBytes);
    p.Text(0, "SORT_ECC", 8);
    p.U8(8, d.fwBank);
    p.U8(9, d.channel);
    for (std::size_t b = 0; b < d.maxErrBits.size() && b < kMaxEccBlocks; ++b) p.U8(16 + b, d.maxErrBits[b]);
    return p.Take();
}

}  // namespace

std::map<int, std::vector<std::uint8_t>> BuildSortResultPages(const SortFlash& flash, const SortTestSettings& settings,
                                                              const SortRun& run, std::size_t die,
                                                              const SortDriveFacts& facts, std::size_t pageBytes) {
    std::map<int, std::vector<std::uint8_t>> pages;
    if (die >= run.dies.size() || pageBytes == 0) return pages;
    const SortDieResult& d = run.dies[die];
    const auto errors = Split(ErrorList(flash, settings, run, pageBytes), pageBytes);
    const auto factory = Split(FactoryMap(run), pageBytes);
    pages[kBbPage] = BadBlocks(flash, d, pageBytes);
    pages[kMarkPage] = Mark(run, d, static_cast<int>(errors.size()), static_cast<int>(factory.size()), pageBytes);
    for (std::size_t i = 0; i < errors.size(); ++i) pages[kErrorPage + static_cast<int>(i)] = errors[i];
    for (std::size_t i = 0; i < factory.size(); ++i) pages[kFactoryPage + static_cast<int>(i)] = factory[i];
    pages[kWholePage] = WholeInfo(settings, run, facts, pageBytes);
    pages[kDiePage] = DieInfo(run, pageBytes);
    pages[kEccPage] = Ecc(d, pageBytes);
    return pages;
}

void PutSortResultTable(std::span<std::uint8_t> data, const SortResultTable& table) {
    if (data.size() < 128) return;
    for (std::size_t ch = 0; ch < 8; ++ch) {
        for (std::size_t bank = 0; bank < 8; ++bank) wire::PutLe16(data.data() + 2 * (8 * ch + bank), table[ch][bank]);
    }
}

SortResultTable WriteSortResultBlocks(NandModel& nand, const SortFlash& flash, const SortTestSettings& settings,
                                      const SortRun& run, const SortDriveFacts& facts, const SortResultFaults& faults) {
    SortResultTable table{};
    const std::size_t pageBytes = nand.Geometry().PageBytes();
    const int lowest = flash.HighestLoaderBlock() + 1;
    for (std::size_t i = 0; i < run.dies.size(); ++i) {
        const SortDieResult& d = run.dies[i];
        if (faults.noBlock.count({d.channel, d.ce, d.lun}) != 0) continue;
        auto pages = BuildSortResultPages(flash, settings, run, i, facts, pageBytes);
        const auto unsign = [&pages](int index, bool fault) {
            if (fault && pages.count(index) != 0 && !pages[index].empty()) pages[index][0] = 0;
        };
        unsign(kBbPage, faults.bbUnsigned);
        unsign(kMarkPage, faults.markUnsigned);
        unsign(kEccPage, faults.eccUnsigned);
        for (int block = static_cast<int>(d.blocks.size()) - 1; block >= std::max(lowest, 1); --block) {
            if (d.blocks[static_cast<std::size_t>(block)] != SortBlockState::Good) continue;
            if (nand.Erase(d.channel, d.ce, d.lun, block) != NandResult::Ok) continue;
            bool written = true;
            for (const auto& [index, data] : pages) {
                if (index >= flash.pagesPerBlock) continue;
                written = nand.Program({d.channel, d.ce, d.lun, block, index}, data, flash.ldpcRate, kScrambleOn) ==
                          NandResult::Ok;
                if (!written) break;
            }
            if (!written) continue;
            for (int index : faults.uncorrectablePages) nand.InjectUncorrectable({d.channel, d.ce, d.lun, block, index});
            if (InTable(d))
                table[static_cast<std::size_t>(d.channel)][static_cast<std::size_t>(d.fwBank)] =
                    static_cast<std::uint16_t>(block);
            break;
        }
    }
    return table;
}

}  // namespace emu
