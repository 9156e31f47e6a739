// Fixture result blocks for the parse tests, written byte by byte from the block's format (not
// through the emulated firmware): a page writer per page kind, a whole die's pages from one
// description, and a page read that serves them by (channel, FW bank, page index), fails the ones
// the test names and records every read.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "settings/records.h"
#include "sort_fixture.h"
#include "sorting/sort_results.h"

namespace sorting_test {

using Bytes = std::vector<std::uint8_t>;

inline std::size_t PageBytes() { return AP_FlashSet.bPageSector * 512u; }

inline void PutLe(Bytes& b, std::size_t at, unsigned width, std::uint32_t v) {
    for (unsigned i = 0; i < width && at + i < b.size(); ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct BbEntry {
    std::uint16_t unit;
    std::uint8_t mask;
};
inline Bytes BbPage(const std::vector<BbEntry>& entries, int count = -1, bool signature = true) {
    Bytes p(PageBytes(), 0);
    if (signature) std::memcpy(p.data(), "BB", 2);
    PutLe(p, 2, 2, count < 0 ? static_cast<std::uint32_t>(entries.size()) : static_cast<std::uint32_t>(count));
    for (std::size_t k = 0; k < entries.size(); ++k) {
        PutLe(p, 4 * (k + 1), 2, entries[k].unit);
        p[4 * (k + 1) + 2] = entries[k].mask;
    }
    return p;
}

struct Mark {
    std::uint8_t tagCH = 0, tagBK = 0, tagDie = 0;
    std::uint16_t errorPages = 1, factoryPages = 1;
    std::uint16_t driveBad = 0, driveFactory = 0;
    bool signature = true;
};
inline Bytes MarkPage(const Mark& m) {
    Bytes p(PageBytes(), 0);
    if (m.signature) std::memcpy(p.data(), "SORT", 4);
    PutLe(p, 8, 2, m.driveBad);
    PutLe(p, 16, 2, m.driveFactory);
    PutLe(p, 2578, 2, 3);
    PutLe(p, 2580, 2, m.errorPages);
    PutLe(p, 2582, 2, 7);
    PutLe(p, 2584, 2, m.factoryPages);
    p[2618] = m.tagBK;
    p[2619] = m.tagCH;
    p[2620] = m.tagDie;
    return p;
}

struct Whole {
    std::string serial = "SN-PARSE-01";
    std::uint32_t ticks = 400 * (3600 + 2 * 60 + 5);  // 01:02:05
    std::uint8_t temperature = 47, eccThreshold = 60;
    std::map<int, std::uint8_t> results;  // die number -> result byte
    Echo echo = PatternEcho();
    Version version = PatternVersion();
};
inline Bytes WholePage(const Whole& w) {
    Bytes p(PageBytes(), 0);
    PutLe(p, 8, 4, w.ticks);
    std::memcpy(&p[16], w.serial.c_str(), w.serial.size() + 1);
    for (const auto& [die, result] : w.results) p[80 + die] = result;
    p[144] = w.eccThreshold;
    p[162] = w.temperature;
    std::copy(w.echo.begin(), w.echo.end(), p.begin() + 1540);
    std::copy(w.version.begin(), w.version.end(), p.begin() + 4608);
    return p;
}

struct DieEntry {
    std::uint8_t flags = 0x80;
    std::uint16_t total = 0, ecc = 0, program = 0, erase = 0, factory = 0;
    std::array<std::uint16_t, 4> planes{};
    std::uint8_t result = 0;
    std::array<std::uint16_t, 6> times{};
};
// Entries 0 .. count - 1 (those not given invalid), then the end mark.
inline Bytes DieInfoPage(const std::map<int, DieEntry>& entries, int count) {
    Bytes p(PageBytes(), 0);
    for (int i = 0; i <= count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 48;
        if (at + 48 > p.size()) break;
        if (i == count) {
            p[at] = 0xEE;
            break;
        }
        const auto it = entries.find(i);
        if (it == entries.end()) continue;
        const DieEntry& e = it->second;
        p[at] = e.flags;
        PutLe(p, at + 8, 2, e.total);
        for (int q = 0; q < 4; ++q) PutLe(p, at + 12 + 2 * q, 2, e.planes[q]);
        PutLe(p, at + 20, 2, e.ecc);
        PutLe(p, at + 22, 2, e.program);
        PutLe(p, at + 24, 2, e.erase);
        p[at + 26] = e.result;
        PutLe(p, at + 27, 2, e.factory);
        p[at + 32] = static_cast<std::uint8_t>(e.times[0]);
        p[at + 33] = static_cast<std::uint8_t>(e.times[1]);
        for (int q = 2; q < 6; ++q) PutLe(p, at + 34 + 2 * (q - 2), 2, e.times[q]);
    }
    return p;
}

struct ErrorRec {
    std::uint8_t bankTag = 0, channel = 0, planeMask = 1, type = 0;
    std::uint16_t page = 0, unit = 0;
    std::uint8_t maxErrBit = 0, action = 0;
    bool slc = false;
    std::uint8_t readLoop = 0;
    std::uint16_t tsad = 0, failLoop = 0;
    std::uint32_t ticks = 0;
};
// The records end to end with their end mark, cut into `pages` pages (at least one).
inline std::vector<Bytes> ErrorPages(const std::vector<ErrorRec>& records, int pages, bool endMark = true) {
    Bytes area(PageBytes() * static_cast<std::size_t>(std::max(pages, 1)), 0);
    std::size_t at = 0;
    for (const ErrorRec& r : records) {
        if (at + 16 > area.size()) break;
        area[at] = static_cast<std::uint8_t>((r.bankTag & 0x0F) | (r.channel << 4));
        area[at + 1] = static_cast<std::uint8_t>((r.planeMask & 0x0F) | (r.type << 4));
        PutLe(area, at + 2, 2, r.page);
        PutLe(area, at + 4, 2, r.unit);
        area[at + 6] = r.maxErrBit;
        area[at + 7] = static_cast<std::uint8_t>((r.action & 0x0F) | ((r.tsad >> 8) & 0x03) | (r.slc ? 0x80 : 0));
        area[at + 8] = r.readLoop;
        area[at + 9] = static_cast<std::uint8_t>(r.tsad);
        PutLe(area, at + 10, 2, r.failLoop);
        PutLe(area, at + 12, 4, r.ticks);
        at += 16;
    }
    if (endMark && at + 16 <= area.size()) std::memset(&area[at], 0xAA, 16);
    std::vector<Bytes> out;
    for (int i = 0; i < pages; ++i) {
        out.emplace_back(area.begin() + static_cast<std::ptrdiff_t>(i * PageBytes()),
                         area.begin() + static_cast<std::ptrdiff_t>((i + 1) * PageBytes()));
    }
    return out;
}

// The factory-bad bitmap (48,000 bytes of 8 channels) set byte by byte, cut into `pages` pages.
inline std::vector<Bytes> FactoryPages(const std::map<std::size_t, std::uint8_t>& bytes, int pages) {
    Bytes area(PageBytes() * static_cast<std::size_t>(std::max(pages, 1)), 0);
    for (const auto& [at, value] : bytes) {
        if (at < area.size()) area[at] = value;
    }
    std::vector<Bytes> out;
    for (int i = 0; i < pages; ++i) {
        out.emplace_back(area.begin() + static_cast<std::ptrdiff_t>(i * PageBytes()),
                         area.begin() + static_cast<std::ptrdiff_t>((i + 1) * PageBytes()));
    }
    return out;
}
// The byte of the bitmap at region offset `k` of the die with these tags.
inline std::size_t FactoryByte(int tagCH, int tagBK, int k) { return tagCH * 6000u + tagBK * 750u + k; }

inline Bytes EccPage(std::uint8_t ch, std::uint8_t bk, const std::vector<std::uint8_t>& bits, bool signature = true) {
    Bytes p(PageBytes(), 0);
    if (signature) std::memcpy(p.data(), "SORT_ECC", 8);
    p[8] = bk;
    p[9] = ch;
    for (std::size_t b = 0; b < bits.size() && 16 + b < p.size(); ++b) p[16 + b] = bits[b];
    return p;
}

// Every page of one die's result block.
struct DieBlock {
    std::vector<BbEntry> bad;
    Mark mark;
    Whole whole;
    std::map<int, DieEntry> dieInfo;  // by die number; `dieInfoCount` entries before the end mark
    int dieInfoCount = 8;
    std::map<std::size_t, std::uint8_t> factory;  // bitmap bytes
    std::vector<ErrorRec> errors;
    std::vector<std::uint8_t> eccBits;
    bool eccSignature = true;
};

class FakeDrive {
  public:
    struct Read {
        int channel, fwBank, block, index, blockType;
        bool operator==(const Read&) const = default;
    };

    void SetPage(int ch, int fw, int index, Bytes page) { pages_[{ch, fw, index}] = std::move(page); }
    void Fail(int ch, int fw, int index) { failing_.insert({ch, fw, index}); }
    void Plant(int ch, int fw, const DieBlock& d) {
        SetPage(ch, fw, 0, BbPage(d.bad));
        SetPage(ch, fw, 2, MarkPage(d.mark));
        SetPage(ch, fw, 15, WholePage(d.whole));
        SetPage(ch, fw, 16, DieInfoPage(d.dieInfo, d.dieInfoCount));
        const auto factory = FactoryPages(d.factory, d.mark.factoryPages);
        for (std::size_t i = 0; i < factory.size(); ++i) SetPage(ch, fw, 7 + static_cast<int>(i), factory[i]);
        const auto errors = ErrorPages(d.errors, d.mark.errorPages);
        for (std::size_t i = 0; i < errors.size(); ++i) SetPage(ch, fw, 3 + static_cast<int>(i), errors[i]);
        SetPage(ch, fw, 17, EccPage(static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(fw), d.eccBits,
                                    d.eccSignature));
    }
    sorting::SortPageRead Reader() {
        return [this](int, void* buffer, std::uint8_t ch, std::uint8_t fw, std::uint16_t block, int index,
                      std::uint8_t blockType) {
            reads.push_back({ch, fw, block, index, blockType});
            std::memset(buffer, 0, PageBytes());
            if (failing_.count({ch, fw, index}) != 0) return false;
            const auto it = pages_.find({ch, fw, index});
            if (it == pages_.end()) return true;  // an erased page reads as zeros
            std::memcpy(buffer, it->second.data(), std::min(it->second.size(), PageBytes()));
            return true;
        };
    }
    // The page indexes read of one die, in order.
    std::vector<int> IndexesRead(int ch, int fw) const {
        std::vector<int> out;
        for (const Read& r : reads) {
            if (r.channel == ch && r.fwBank == fw) out.push_back(r.index);
        }
        return out;
    }

    std::vector<Read> reads;

  private:
    std::map<std::tuple<int, int, int>, Bytes> pages_;
    std::set<std::tuple<int, int, int>> failing_;
};

}  // namespace sorting_test
