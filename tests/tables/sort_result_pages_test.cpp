// The decoders of a die's sorting-result pages: hand-written pages of a 4-plane die with 16 KB
// pages and a 2-plane die with 4 KB pages, the format's edge cases and hostile counts as one table,
// and seeded random and mangled pages through every decoder.
#include "tables/sort_result_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace tables;

void Le16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Le32(Bytes& b, std::size_t at, std::uint32_t v) {
    Le16(b, at, v & 0xFFFF);
    Le16(b, at + 2, v >> 16);
}
void Text(Bytes& b, std::size_t at, const char* t) {
    std::memcpy(b.data() + at, t, std::strlen(t));
}

struct Die {
    std::size_t pageBytes;
    unsigned planes;
    unsigned blocksPerDie;
};
constexpr Die kBig{16384, 4, 4096};
constexpr Die kSmall{4096, 2, 1024};

Bytes Mark(std::size_t bytes, unsigned ch, unsigned bk, unsigned die, unsigned errPages, unsigned factPages) {
    Bytes m(bytes, 0);
    Text(m, 0, "SORT");
    m[6] = 3;
    for (unsigned i = 0; i < 5; ++i) Le16(m, 8 + 2 * i, 100 + i);
    Le16(m, 2578, 3);
    Le16(m, 2580, errPages);
    Le16(m, 2582, 7);
    Le16(m, 2584, factPages);
    m[2618] = static_cast<std::uint8_t>(bk);
    m[2619] = static_cast<std::uint8_t>(ch);
    m[2620] = static_cast<std::uint8_t>(die);
    return m;
}

Bytes Record(unsigned ch, unsigned bk, std::uint8_t b1, std::uint8_t b7, std::uint32_t ticks) {
    Bytes r(16, 0);
    r[0] = static_cast<std::uint8_t>(bk | (ch << 4));
    r[1] = b1;
    Le16(r, 2, 0x0102);
    Le16(r, 4, 0x0304);
    r[6] = 77;
    r[7] = b7;
    r[8] = 5;
    r[9] = 0x34;
    Le16(r, 10, 9);
    Le32(r, 12, ticks);
    return r;
}

class SortPagesOfADie : public ::testing::TestWithParam<Die> {};

TEST_P(SortPagesOfADie, EveryPageDecodesItsFields) {
    const Die d = GetParam();
    // Bad-block page: two entries.
    Bytes bb(d.pageBytes, 0);
    Text(bb, 0, "BB");
    Le16(bb, 2, 2);
    Le16(bb, 4, 17);
    bb[6] = 0x5;
    Le16(bb, 8, 900);
    bb[10] = 0x2;
    const SortBadBlockPage b = DecodeSortBadBlockPage(bb, d.blocksPerDie);
    ASSERT_EQ(b.state, SortBbState::Valid);
    EXPECT_EQ(b.entries, (std::vector<SortBadBlockEntry>{{17, 5}, {900, 2}}));

    // Mark page.
    const SortMarkPage m = DecodeSortMarkPage(Mark(d.pageBytes, 3, 2, 19, 2, 1));
    ASSERT_TRUE(m.Valid());
    EXPECT_EQ(m.verdict, 3);
    EXPECT_EQ(std::tie(m.driveBad, m.driveEcc, m.driveProgram, m.driveErase, m.driveFactory),
              std::make_tuple(100, 101, 102, 103, 104));
    EXPECT_EQ(std::tie(m.errorPages, m.factoryPages, m.tagCH, m.tagBK, m.tagDie), std::make_tuple(2u, 1u, 3, 2, 19));
    EXPECT_EQ(m.pageIndex[0], 3);
    EXPECT_EQ(m.pageIndex[4], 7);

    // Whole-info page.
    Bytes w(d.pageBytes, 0);
    w[6] = 0x81;
    Le32(w, 8, 4000);
    Le16(w, 12, 11);
    Le16(w, 14, 12);
    Text(w, 16, "SERIAL-42");
    Le16(w, 74, 13);
    w[80 + 19] = 0x04;
    w[144] = 60;
    Le16(w, 150, 14);
    Le16(w, 152, 15);
    Le16(w, 160, 0x0123);
    w[162] = 55;
    w[163] = 40;
    if (d.pageBytes > 4608 + 100) {
        w[1540 + 104] = 1;
        w[4608 + 96] = 'R';
    }
    const SortWholeInfo wi = DecodeSortWholeInfo(w);
    EXPECT_EQ(wi.result, 0x81);
    EXPECT_EQ(wi.runTicks, 4000u);
    EXPECT_EQ(std::tie(wi.badLimit, wi.dieBadLimit, wi.readFailLimit, wi.programLimit, wi.eraseLimit, wi.tsad),
              std::make_tuple(11, 12, 13, 14, 15, 0x0123));
    EXPECT_EQ(wi.serial, "SERIAL-42");
    EXPECT_EQ(wi.DieResult(19), 0x04);
    EXPECT_EQ(wi.DieResult(64), 0);
    EXPECT_EQ(std::tie(wi.eccThreshold, wi.temperature, wi.slcThreshold), std::make_tuple(60, 55, 40));
    // A 4 KB page holds neither the echo nor the version block: they read as zero.
    EXPECT_EQ(SortEchoValue(wi.echo, "FastRDTSort"), d.pageBytes > 4608 ? 1u : 0u);
    EXPECT_EQ(wi.version[96], d.pageBytes > 4608 ? 'R' : 0);

    // Die-info page: entry 1 valid with FactoryBadNum at the odd offset 27.
    Bytes di(d.pageBytes, 0);
    const std::size_t e = 48;
    di[e] = 0x80;
    Le16(di, e + 8, 21);
    for (unsigned q = 0; q < 4; ++q) Le16(di, e + 12 + 2 * q, 30 + q);
    Le16(di, e + 20, 22);
    Le16(di, e + 22, 23);
    Le16(di, e + 24, 24);
    di[e + 26] = 0x02;
    di[e + 27] = 0x34;
    di[e + 28] = 0x12;
    di[e + 32] = 7;
    di[e + 33] = 8;
    for (unsigned t = 0; t < 4; ++t) Le16(di, e + 34 + 2 * t, 500 + t);
    di[2 * 48 + 2] = 0xEE;
    const SortDieInfoList list = DecodeSortDieInfoList(di);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_TRUE(list.endFound);
    EXPECT_FALSE(list.Own(0));
    ASSERT_TRUE(list.Own(1));
    const SortDieInfoRecord r = *list.Own(1);
    EXPECT_EQ(r.FactoryBadNum, 0x1234);
    EXPECT_EQ(std::tie(r.TotalBadNum, r.ECCFailNum, r.ProgramFailNum, r.EraseFailNum, r.TestResult),
              std::make_tuple(21, 22, 23, 24, 2));
    EXPECT_EQ(std::tie(r.Plane0Num, r.Plane3Num, r.tErase_SLC, r.tErase, r.tProg_SLC, r.tRead),
              std::make_tuple(30, 33, 7, 8, 500, 503));

    // DieTestInfo from that entry.
    DieTestInfo info{};
    FillDieTestInfo(info, 3, 1, 1, r, wi.serial);
    Bytes raw(sizeof info);
    std::memcpy(raw.data(), &info, sizeof info);
    EXPECT_EQ(raw[0], 3);
    EXPECT_EQ(raw[11], 0x34);
    EXPECT_EQ(raw[12], 0x12);
    EXPECT_EQ(raw[21], 2);
    EXPECT_STREQ(info.SerialNum, "SERIAL-42");

    // Factory-bad bitmap spread over pages: the die's region at 3 x 6,000 + 2 x 750.
    Bytes area(4 * d.pageBytes, 0);
    const std::size_t region = 3 * 6000 + 2 * 750;
    if (region + 750 < area.size()) {
        area[region] = 0x81;        // blocks 0 and 7
        area[region + 749] = 0x80;  // block 5,999
        area[region + 750] = 0xFF;  // the next die's
    }
    const auto fb = DecodeSortFactoryBad(area, 3, 2, d.planes);
    if (region + 750 <= area.size()) {
        const std::vector<SortFactoryBlock> expect = {
            {0, 0, 0},
            {7, static_cast<std::uint16_t>(7 / d.planes), static_cast<std::uint8_t>(7 % d.planes)},
            {5999, static_cast<std::uint16_t>(5999 / d.planes), static_cast<std::uint8_t>(5999 % d.planes)}};
        EXPECT_EQ(fb, expect);
    } else {
        EXPECT_TRUE(fb.empty()) << "the region lies past the pages read";
    }

    // ECC page.
    Bytes ecc(d.pageBytes, 0);
    Text(ecc, 0, "SORT_ECC");
    ecc[8] = 2;
    ecc[9] = 3;
    ecc[16] = 9;
    ecc[16 + 5] = 200;
    const SortEccInfo ei = DecodeSortEccInfo(ecc, d.blocksPerDie);
    EXPECT_TRUE(ei.signature);
    EXPECT_EQ(std::tie(ei.bank, ei.channel), std::make_tuple(2, 3));
    EXPECT_EQ(ei.bits.size(), std::min<std::size_t>(d.blocksPerDie, d.pageBytes - 16));
    EXPECT_EQ(ei.bits[5], 200);
}

INSTANTIATE_TEST_SUITE_P(Geometries, SortPagesOfADie, ::testing::Values(kBig, kSmall));

// The format's edge cases and the hostile inputs, one row each.
struct EdgeCase {
    const char* what;
    std::function<void()> check;
};

TEST(SortResultPages, EdgeCases) {
    const std::vector<EdgeCase> cases = {
        {"a count equal to the blocks per die is valid, one more overflows",
         [] {
             Bytes p(8192, 0);
             Text(p, 0, "BB");
             Le16(p, 2, 1000);
             EXPECT_EQ(DecodeSortBadBlockPage(p, 1000).state, SortBbState::Valid);
             EXPECT_EQ(DecodeSortBadBlockPage(p, 1000).entries.size(), 1000u);
             EXPECT_EQ(DecodeSortBadBlockPage(p, 999).state, SortBbState::Overflow);
             EXPECT_TRUE(DecodeSortBadBlockPage(p, 999).entries.empty());
         }},
        {"entries past the page end overflow; N = 0 is valid and empty",
         [] {
             Bytes p(512, 0);
             Text(p, 0, "BB");
             Le16(p, 2, 127);
             EXPECT_EQ(DecodeSortBadBlockPage(p, 4096).state, SortBbState::Valid);
             Le16(p, 2, 128);
             EXPECT_EQ(DecodeSortBadBlockPage(p, 4096).state, SortBbState::Overflow);
             Le16(p, 2, 0);
             EXPECT_TRUE(DecodeSortBadBlockPage(p, 4096).entries.empty());
             p[1] = 'X';
             EXPECT_EQ(DecodeSortBadBlockPage(p, 4096).state, SortBbState::NoSignature);
         }},
        {"the end mark 0xAA in byte 0 or byte 7 only; a first record of 0xAA leaves the list empty",
         [] {
             Bytes area(512, 0);
             auto put = [&](std::size_t k, const Bytes& r) { std::copy(r.begin(), r.end(), area.begin() + 16 * k); };
             put(0, Record(1, 2, 0x12, 0x03, 4000));
             put(1, Record(1, 2, 0x00, 0xAA, 0));
             put(2, Record(1, 2, 0x00, 0x00, 0));
             const bool read[] = {true};
             const SortErrorList l = DecodeSortErrorList(area, 512, read);
             ASSERT_EQ(l.records.size(), 1u);
             EXPECT_TRUE(l.endFound);
             area[0] = 0xAA;
             EXPECT_TRUE(DecodeSortErrorList(area, 512, read).records.empty());
         }},
        {"one byte 7 gives both Action and TSAD bits 8..9; byte 1 = 0x12 gives mask 2, type 1",
         [] {
             Bytes area = Record(5, 3, 0x12, 0x83, 4000);
             area.resize(32, 0xAA);
             const bool read[] = {true};
             const SortErrorRecord r = DecodeSortErrorList(area, 512, read).records.at(0);
             EXPECT_EQ(std::tie(r.channel, r.bankTag, r.planeMask, r.errorType), std::make_tuple(5, 3, 2, 1));
             EXPECT_EQ(r.action, 3);
             EXPECT_EQ(r.tsad, 0x334);
             EXPECT_TRUE(r.slc);
             EXPECT_EQ(SortTimeText(r.ticks), " 00:00:10");
             EXPECT_EQ(SortTimeText(400u * 3723), " 01:02:03");
         }},
        {"a failed error page between two good ones: its records are not taken, the walk goes on",
         [] {
             Bytes area(3 * 512, 0);
             Bytes r0 = Record(1, 1, 0x10, 0, 0), r2 = Record(1, 1, 0x20, 0, 0);
             for (std::size_t k = 0; k < 32; ++k) std::copy(r0.begin(), r0.end(), area.begin() + 16 * k);
             std::copy(r2.begin(), r2.end(), area.begin() + 1024);
             area[1024 + 16] = 0xAA;
             const bool read[] = {true, false, true};
             const SortErrorList l = DecodeSortErrorList(area, 512, read);
             ASSERT_EQ(l.records.size(), 33u) << "page 1's zeroed slots are not records of channel 0";
             EXPECT_EQ(l.records[32].position, 64u);
             EXPECT_TRUE(l.endFound);
             EXPECT_EQ(SortErrorsOfDie(l, 1, 1).size(), 33u);
             EXPECT_TRUE(SortErrorsOfDie(l, 0, 0).empty());
         }},
        {"page counts 5 and 65,535 are taken as 4",
         [] {
             const SortMarkPage a = DecodeSortMarkPage(Mark(4096, 0, 0, 0, 5, 65535));
             EXPECT_EQ(std::tie(a.errorPagesStated, a.factoryPagesStated), std::make_tuple(5, 65535));
             EXPECT_EQ(std::tie(a.errorPages, a.factoryPages), std::make_tuple(4u, 4u));
         }},
        {"tags of 8 and TagDie 64 name no die",
         [] {
             EXPECT_FALSE(DecodeSortMarkPage(Mark(4096, 8, 0, 0, 1, 1)).Valid());
             EXPECT_FALSE(DecodeSortMarkPage(Mark(4096, 0, 8, 0, 1, 1)).Valid());
             EXPECT_FALSE(DecodeSortMarkPage(Mark(4096, 0, 0, 64, 1, 1)).Valid());
             EXPECT_TRUE(DecodeSortMarkPage(Mark(4096, 7, 7, 63, 1, 1)).Valid());
             EXPECT_TRUE(DecodeSortFactoryBad(Bytes(60000, 0xFF), 8, 0, 4).empty());
             Bytes small = Mark(4096, 1, 1, 1, 1, 1);
             small.resize(512);
             EXPECT_TRUE(DecodeSortMarkPage(small).signature);
             EXPECT_EQ(DecodeSortMarkPage(small).tagDie, 0) << "fields past the page read as zero";
         }},
        {"a die-info list stops at its end mark, the page end or 128 entries; TagDie past it has none",
         [] {
             Bytes p(16384, 0x80);
             EXPECT_EQ(DecodeSortDieInfoList(p).entries.size(), 128u);
             EXPECT_FALSE(DecodeSortDieInfoList(p).Own(128));
             p[0] = 0xEE;
             EXPECT_TRUE(DecodeSortDieInfoList(p).entries.empty());
             EXPECT_EQ(DecodeSortDieInfoList(Bytes(100, 0x80)).entries.size(), 2u);
             Bytes q(4096, 0x80);
             q[48 + 1] = 0xEE;
             EXPECT_EQ(DecodeSortDieInfoList(q).entries.size(), 1u);
         }},
        {"a serial with no zero stops at byte 74; DieTestInfo keeps 47 characters and the zero",
         [] {
             Bytes w(4096, 'A');
             const SortWholeInfo wi = DecodeSortWholeInfo(w);
             EXPECT_EQ(wi.serial.size(), 58u);
             DieTestInfo info;
             std::memset(&info, 0x5A, sizeof info);
             FillDieTestInfo(info, 0, 0, 0, SortDieInfoRecord{}, wi.serial);
             EXPECT_EQ(std::strlen(info.SerialNum), 47u);
         }},
        {"an ECC page without its signature is still read; blocks stop at 8,192 and the page end",
         [] {
             const SortEccInfo e = DecodeSortEccInfo(Bytes(16384, 1), 10000);
             EXPECT_FALSE(e.signature);
             EXPECT_EQ(e.bits.size(), 8192u);
             EXPECT_EQ(DecodeSortEccInfo(Bytes(512, 1), 10000).bits.size(), 496u);
             EXPECT_TRUE(DecodeSortEccInfo(Bytes(8, 1), 10000).bits.empty());
         }},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(c.what);
        c.check();
    }
}

TEST(SortResultPages, EchoFieldsAreUniqueAndInsideTheBlock) {
    for (std::size_t i = 0; i < kSortEchoFields.size(); ++i) {
        const SortEchoField& f = kSortEchoFields[i];
        EXPECT_LE(f.offset + f.width, kSortEchoBytes) << f.label;
        if (*f.key != '\0') {
            EXPECT_EQ(SortEchoFieldByKey(f.key), &f) << f.key;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const SortEchoField& g = kSortEchoFields[j];
            EXPECT_TRUE(f.offset + f.width <= g.offset || g.offset + g.width <= f.offset) << f.label << " / " << g.label;
        }
    }
    EXPECT_EQ(SortEchoFieldByKey("NoSuchKey"), nullptr);
}

// Seeded random and mangled pages through every decoder: nothing reads outside what it is given.
TEST(SortResultPages, RandomAndMangledPages) {
    std::mt19937 rng(20261211);
    const std::size_t sizes[] = {0, 1, 7, 15, 48, 512, 2621, 4096, 6000, 16384};
    for (int i = 0; i < 10000; ++i) {
        Bytes p(sizes[rng() % std::size(sizes)]);
        for (auto& b : p) b = static_cast<std::uint8_t>(rng());
        if (p.size() >= 8 && rng() % 2 == 0) Text(p, 0, rng() % 2 ? "SORT_ECC" : "BB");
        if (p.size() >= 4 && rng() % 3 == 0) Text(p, 0, "SORT");
        if (!p.empty() && rng() % 4 == 0) p[rng() % p.size()] = 0xAA;
        const unsigned blocks = static_cast<unsigned>(rng() % 9000);
        (void)DecodeSortBadBlockPage(p, blocks);
        const SortMarkPage m = DecodeSortMarkPage(p);
        (void)DecodeSortWholeInfo(p);
        (void)DecodeSortDieInfoList(p).Own(m.tagDie);
        const std::size_t pageBytes = rng() % 2 ? 512 : p.size();
        std::vector<std::uint8_t> readFlags(4);
        for (auto& r : readFlags) r = static_cast<std::uint8_t>(rng() % 2);
        const bool read[4] = {readFlags[0] != 0, readFlags[1] != 0, readFlags[2] != 0, readFlags[3] != 0};
        for (const SortErrorRecord& r : DecodeSortErrorList(p, pageBytes, read).records) ASSERT_LT(r.position * 16, p.size());
        for (const SortFactoryBlock& b : DecodeSortFactoryBad(p, m.tagCH, m.tagBK, rng() % 5)) ASSERT_LT(b.block, 6000);
        ASSERT_LE(DecodeSortEccInfo(p, blocks).bits.size(), p.size());
        for (const SortEchoField& f : kSortEchoFields) (void)SortEchoValue(p, f);
    }
}

}  // namespace
