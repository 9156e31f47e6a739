// A reader of a die's sorting-result block for the tests, written from the block's published page
// tables alone (independent of the emulated firmware's writer and of the host): pages are asked
// for by page index, every field is decoded from its offset, and the validity rules of each page
// are applied.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

using ResultPage = std::vector<std::uint8_t>;
// Gives the page at a page index of the block, or nullopt when it cannot be read.
using ResultPageSource = std::function<std::optional<ResultPage>(int index)>;

struct SortBbEntry {
    std::uint16_t unit = 0;
    std::uint8_t planeMask = 0;
    friend bool operator==(const SortBbEntry&, const SortBbEntry&) = default;
};

struct SortErrorEntry {
    std::uint8_t bankTag = 0, channel = 0, planeMask = 0, type = 0;
    std::uint16_t page = 0, unit = 0;
    std::uint8_t maxErrBit = 0, action = 0, readLoop = 0;
    bool slc = false;
    std::uint16_t tsad = 0, failLoop = 0;
    std::uint32_t ticks = 0;
};

struct SortDieEntry {
    bool valid = false;
    std::uint16_t totalBad = 0;
    std::array<std::uint16_t, 4> planeBad{};
    std::uint16_t eccFail = 0, programFail = 0, eraseFail = 0;
    std::uint8_t testResult = 0;
    std::uint16_t factoryBad = 0;
    std::uint8_t tEraseSlc = 0, tErase = 0;
    std::uint16_t tProgSlc = 0, tReadSlc = 0, tProg = 0, tRead = 0;
};

struct SortResultBlockRead {
    // Bad-block page.
    bool bbValid = false;
    std::vector<SortBbEntry> bb;
    // Mark page.
    bool markValid = false;
    std::uint8_t verdict = 0;
    std::uint16_t driveBad = 0, driveEcc = 0, driveProgram = 0, driveErase = 0, driveFactory = 0;
    std::uint16_t errorPages = 0, factoryPages = 0;
    std::uint8_t tagBK = 0, tagCH = 0, tagDie = 0;
    // Error records: every record up to the end mark, and those of this die.
    std::vector<SortErrorEntry> allErrors, errors;
    bool errorEndFound = false;
    // Factory-bad blocks of this die (block numbers), from its 750-byte region.
    std::vector<int> factoryBad;
    // Whole-info page.
    bool wholeRead = false;
    std::uint8_t result = 0;
    std::uint32_t runTicks = 0;
    std::uint16_t badLimit = 0, dieBadLimit = 0, readFailLimit = 0, programLimit = 0, eraseLimit = 0, tsad = 0;
    std::string serial;
    bool serialEndsBefore74 = false;
    std::array<std::uint8_t, 64> dieFlags{};
    std::uint8_t eccThreshold = 0, slcThreshold = 0, temperature = 0;
    std::vector<std::uint8_t> echo, version;  // 1,020 bytes at 1540; 112 bytes at 4608
    // Die-info page.
    std::vector<SortDieEntry> dieEntries;
    bool dieEndFound = false;
    std::optional<SortDieEntry> ownEntry;
    // ECC-info page.
    bool eccSignature = false;
    std::uint8_t eccBank = 0, eccChannel = 0;
    std::vector<std::uint8_t> eccBits;
};

namespace result_detail {

inline std::uint16_t U16(const ResultPage& p, std::size_t at) {
    return at + 1 < p.size() ? static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8)) : 0;
}
inline std::uint32_t U32(const ResultPage& p, std::size_t at) {
    return at + 3 < p.size() ? static_cast<std::uint32_t>(U16(p, at) | (std::uint32_t{U16(p, at + 2)} << 16)) : 0;
}
inline std::uint8_t U8(const ResultPage& p, std::size_t at) {
    return at < p.size() ? p[at] : 0;
}

// The counted pages of a kind, end to end (a page that cannot be read ends the run).
inline ResultPage Concatenate(const ResultPageSource& read, int first, int count) {
    ResultPage all;
    for (int i = 0; i < count && i < 4; ++i) {
        const auto page = read(first + i);
        if (!page) break;
        all.insert(all.end(), page->begin(), page->end());
    }
    return all;
}

}  // namespace result_detail

// `blocksPerDie` is the flash's (the bad-block page's validity, the ECC page's length).
inline SortResultBlockRead ReadSortResultBlock(const ResultPageSource& read, int blocksPerDie) {
    using namespace result_detail;
    SortResultBlockRead r;
    if (const auto bb = read(0); bb && bb->size() >= 4 && std::memcmp(bb->data(), "BB", 2) == 0) {
        const std::uint16_t n = U16(*bb, 2);
        if (n <= blocksPerDie && 4u * (n + 1u) <= bb->size()) {
            r.bbValid = true;
            for (std::size_t k = 1; k <= n; ++k) r.bb.push_back({U16(*bb, 4 * k), U8(*bb, 4 * k + 2)});
        }
    }
    const auto mark = read(2);
    if (!mark || mark->size() < 4 || std::memcmp(mark->data(), "SORT", 4) != 0) return r;
    r.markValid = true;
    r.verdict = U8(*mark, 6);
    r.driveBad = U16(*mark, 8);
    r.driveEcc = U16(*mark, 10);
    r.driveProgram = U16(*mark, 12);
    r.driveErase = U16(*mark, 14);
    r.driveFactory = U16(*mark, 16);
    r.errorPages = U16(*mark, 2580);
    r.factoryPages = U16(*mark, 2584);
    r.tagBK = U8(*mark, 2618);
    r.tagCH = U8(*mark, 2619);
    r.tagDie = U8(*mark, 2620);

    const ResultPage errors = Concatenate(read, 3, r.errorPages);
    for (std::size_t at = 0; at + 16 <= errors.size(); at += 16) {
        if (errors[at] == 0xAA || errors[at + 7] == 0xAA) {
            r.errorEndFound = true;
            break;
        }
        SortErrorEntry e;
        e.bankTag = errors[at] & 0x0F;
        e.channel = (errors[at] >> 4) & 0x07;
        e.planeMask = errors[at + 1] & 0x0F;
        e.type = errors[at + 1] >> 4;
        e.page = U16(errors, at + 2);
        e.unit = U16(errors, at + 4);
        e.maxErrBit = errors[at + 6];
        e.action = errors[at + 7] & 0x0F;
        e.slc = (errors[at + 7] & 0x80) != 0;
        e.readLoop = errors[at + 8];
        e.tsad = static_cast<std::uint16_t>(errors[at + 9] | ((errors[at + 7] & 0x03) << 8));
        e.failLoop = U16(errors, at + 10);
        e.ticks = U32(errors, at + 12);
        r.allErrors.push_back(e);
        if (e.channel == r.tagCH && e.bankTag == r.tagBK) r.errors.push_back(e);
    }

    const ResultPage factory = Concatenate(read, 7, r.factoryPages);
    const std::size_t region = r.tagCH * 6000u + r.tagBK * 750u;
    for (std::size_t k = 0; k < 750 && region + k < factory.size(); ++k) {
        for (int j = 0; j < 8; ++j) {
            if ((factory[region + k] & (1u << j)) != 0) r.factoryBad.push_back(static_cast<int>(k * 8 + j));
        }
    }

    if (const auto whole = read(15)) {
        const ResultPage& w = *whole;
        r.wholeRead = true;
        r.result = U8(w, 6);
        r.runTicks = U32(w, 8);
        r.badLimit = U16(w, 12);
        r.dieBadLimit = U16(w, 14);
        for (std::size_t i = 16; i < 74 && i < w.size(); ++i) {
            if (w[i] == 0) {
                r.serialEndsBefore74 = true;
                break;
            }
            r.serial.push_back(static_cast<char>(w[i]));
        }
        r.readFailLimit = U16(w, 74);
        for (std::size_t d = 0; d < 64; ++d) r.dieFlags[d] = U8(w, 80 + d);
        r.eccThreshold = U8(w, 144);
        r.programLimit = U16(w, 150);
        r.eraseLimit = U16(w, 152);
        r.tsad = U16(w, 160);
        r.temperature = U8(w, 162);
        r.slcThreshold = U8(w, 163);
        for (std::size_t i = 0; i < 1020 && 1540 + i < w.size(); ++i) r.echo.push_back(w[1540 + i]);
        for (std::size_t i = 0; i < 112 && 4608 + i < w.size(); ++i) r.version.push_back(w[4608 + i]);
    }

    if (const auto info = read(16)) {
        const ResultPage& p = *info;
        for (std::size_t k = 0; k < 128 && (k + 1) * 48 <= p.size(); ++k) {
            const std::size_t at = k * 48;
            if (p[at] == 0xEE || p[at + 1] == 0xEE || p[at + 2] == 0xEE) {
                r.dieEndFound = true;
                break;
            }
            SortDieEntry e;
            e.valid = (p[at] & 0x80) != 0;
            e.totalBad = U16(p, at + 8);
            for (std::size_t q = 0; q < 4; ++q) e.planeBad[q] = U16(p, at + 12 + 2 * q);
            e.eccFail = U16(p, at + 20);
            e.programFail = U16(p, at + 22);
            e.eraseFail = U16(p, at + 24);
            e.testResult = p[at + 26];
            e.factoryBad = static_cast<std::uint16_t>(p[at + 27] | (p[at + 28] << 8));
            e.tEraseSlc = p[at + 32];
            e.tErase = p[at + 33];
            e.tProgSlc = U16(p, at + 34);
            e.tReadSlc = U16(p, at + 36);
            e.tProg = U16(p, at + 38);
            e.tRead = U16(p, at + 40);
            r.dieEntries.push_back(e);
        }
        if (r.tagDie < r.dieEntries.size() && r.dieEntries[r.tagDie].valid) r.ownEntry = r.dieEntries[r.tagDie];
    }

    if (const auto ecc = read(17)) {
        r.eccSignature = ecc->size() >= 8 && std::memcmp(ecc->data(), "SORT_ECC", 8) == 0;
        r.eccBank = U8(*ecc, 8);
        r.eccChannel = U8(*ecc, 9);
        for (int b = 0; b < blocksPerDie && b < 8192 && 16u + b < ecc->size(); ++b) r.eccBits.push_back((*ecc)[16 + b]);
    }
    return r;
}

}  // namespace test_support
