#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "tables/le_bytes.h"
#include "utility/bad_block_info.h"
#include "utility/device_state.h"

namespace {

using namespace vellumin;

struct BadEntry {
    std::uint16_t unit;
    std::uint8_t type;
    std::uint32_t mask;
};

std::vector<std::uint8_t> BadUnitReply(const std::vector<BadEntry>& entries, std::uint16_t count = 0xFFFF) {
    std::vector<std::uint8_t> reply(kBadUnitReplyBytes, 0);
    transport::PutLe16(reply.data(), count == 0xFFFF ? static_cast<std::uint16_t>(entries.size()) : count);
    for (std::size_t e = 0; e < entries.size(); ++e) {
        std::uint8_t* at = reply.data() + 4 + 8 * e;
        transport::PutLe16(at, entries[e].unit);
        at[2] = entries[e].type;
        transport::PutLe32(at + 4, entries[e].mask);
    }
    return reply;
}

// Defect pages of one sector each: channel c's page at c x 512; words are (value, byte 2).
struct DefectPages {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kTableBufferBytes, 0);
    void Page(int ch, const std::vector<std::pair<std::uint16_t, std::uint8_t>>& words, bool signature = true,
              std::size_t pageBytes = 512) {
        std::uint8_t* page = bytes.data() + ch * pageBytes;
        if (signature) {
            const std::uint8_t head[16] = {0xE9, 0x86, 0xAA, 0x55, 'Z', 'E', 'L', '0', '9', 'A', '0', 'V', '0', '0', '0', 0};
            std::memcpy(page, head, 16);
        }
        std::size_t at = 16;
        for (const auto& [value, b2] : words) {
            transport::PutLe16(page + at, value);
            page[at + 2] = b2;
            at += 4;
        }
    }
};

struct Stats {
    BadBlockShape shape;
    UnitKindTable kinds{};
    BadBlockCounters counters{};
    BadBlockTotals totals{};
    std::vector<std::uint16_t> map = std::vector<std::uint16_t>(kBadUnitMapBytes / 2, 0);
    std::vector<char> detailBuf = std::vector<char>(kDetailTextBytes, 0);
    DetailText detail{detailBuf.data(), detailBuf.size()};

    explicit Stats(BadBlockShape s) : shape(s) {}
    // As a new one of shape `s`, its buffers kept (many rounds in one test).
    void Reset(BadBlockShape s) {
        shape = s;
        kinds = {};
        counters = {};
        totals = {};
        std::fill(map.begin(), map.end(), 0);
        std::fill(detailBuf.begin(), detailBuf.end(), 0);
        detail = DetailText(detailBuf.data(), detailBuf.size());
    }
    void Units(int ce, const std::vector<std::uint8_t>& reply) {
        BadUnitSink sink{kinds, counters, map.data(), detail};
        CountBadUnitReply(shape, ce, reply.data(), reply.size(), sink);
    }
    std::string Finish(const DefectPages* pages = nullptr) {
        WriteSystemCounts(shape, kinds, counters);
        if (pages != nullptr) ListPhysicalBadBlocks(shape, pages->bytes.data(), pages->bytes.size(), counters, detail);
        SumBadBlockCounters(shape, counters, totals);
        return BadBlockSummaryText(shape, true, counters, totals);
    }
    std::uint16_t Mark(int ch, int bank, int unit) const { return map[(std::size_t(ch) * kMapBanks + bank) * kMapUnits + unit]; }
};

const std::string kRule = std::string(70, '-') + "\n";
const std::string kHead = "CH/CE   Early Later  | Early Later EccOver ProgFail EraseFail EccFail\n";

TEST(BadBlockStatistics, AnEraseFailureOnOneDieCountsOnceInEveryRowAndOnceAsLaterBad) {
    platform::TraceCapture trace;
    for (int planes : {2, 4}) {
        SCOPED_TRACE(planes);
        Stats s({4, 1, 1, planes, 1});
        s.Units(0, BadUnitReply({{0x123, 6, 0x2}}));
        const std::string summary = s.Finish();
        const std::string note = planes == 2 ? "(One BlockU equal to two NAND flash blocks)\n"
                                             : "(One BlockU equal to four NAND flash blocks)\n";
        EXPECT_EQ(summary, kRule + "    [Physical](Block)|             [System](BlockU)\n" + kHead + kRule +
                               "00/00       0     0        0     1       0        1         0       0\n"
                               "01/00       0     1        0     1       0        1         0       0\n"
                               "02/00       0     0        0     1       0        1         0       0\n"
                               "03/00       0     0        0     1       0        1         0       0\n" +
                               kRule + "SUM         0     1        0     4       0        4         0       0\n" + note);
        EXPECT_STREQ(s.detail.Text(), "CH=1  CE=0  BlockU=0x0123  ErrType=6\r\n");
        EXPECT_EQ(s.Mark(1, 0, 0x123), 1);
        EXPECT_EQ(s.Mark(0, 0, 0x123), 0);
    }
}

TEST(BadBlockStatistics, SystemColumnsCountEachUnitOncePerKind) {
    platform::TraceCapture trace;
    Stats s({2, 2, 1, 2, 1});
    // The same unit from both CEs; an early-bad unit (kind 0) is listed but not later bad; a zero mask is skipped.
    s.Units(0, BadUnitReply({{7, 5, 0x1}, {8, 1, 0x2}, {9, 3, 0}}));
    s.Units(1, BadUnitReply({{7, 5, 0x4}}));
    s.Finish();
    for (int ch = 0; ch < 2; ++ch) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(s.counters[ch][c][3], 1u);  // EccFail (type 5)
            EXPECT_EQ(s.counters[ch][c][0], 1u);  // System Early (type 1)
            EXPECT_EQ(s.counters[ch][c][4], 0u);
        }
    }
    EXPECT_EQ(s.counters[0][0][kPhysicalLater], 1u);
    EXPECT_EQ(s.counters[0][1][kPhysicalLater], 1u);
    EXPECT_EQ(s.counters[1][0][kPhysicalLater], 0u);
    EXPECT_EQ(s.Mark(0, 1, 7), 1);
    EXPECT_EQ(s.Mark(1, 0, 8), 0);
    EXPECT_STREQ(s.detail.Text(), "CH=0  CE=0  BlockU=0x0007  ErrType=5\r\nCH=1  CE=0  BlockU=0x0008  ErrType=1\r\n"
                                  "CH=0  CE=1  BlockU=0x0007  ErrType=5\r\n");
}

TEST(BadBlockStatistics, DefectPagesListTheirFlashBlocksByPlaneFlags) {
    platform::TraceCapture trace;
    struct Case {
        int planes;
        std::vector<std::pair<std::uint16_t, std::uint8_t>> words;
        std::string detail;
        std::uint32_t ce0, ce1;
    };
    const std::string head = "----------------------------------------\r\nPhysical Bad Block\r\n";
    const Case cases[] = {
        {4, {{0x10, 0x0A}, {0xD1FE, 0}}, "CH=0  CE=0  Block=0x0040\r\nCH=0  CE=0  Block=0x0042\r\n"
                                         "CH=0  CE=0  Bad Block number Plane 0=1, Plane 1=0, Plane 2=1, Plane 3=0\r\n", 2, 0},
        {4, {{0x10, 0x0E}, {0xA0FB, 1}, {0x11, 0x07}, {0xD1FE, 0}},
         "CH=0  CE=0  Block=0x0040\r\nCH=0  CE=0  Bad Block number Plane 0=1, Plaen 1=0, Plaen 2=0, Plane 3=0\r\n"
         "CH=0  CE=1  Block=0x0047\r\nCH=0  CE=1  Bad Block number Plane 0=0, Plane 1=0, Plane 2=0, Plane 3=1\r\n", 1, 1},
        {2, {{0x10, 0x00}, {0x11, 0x01}, {0x12, 0x02}, {0xD1FE, 0}},
         "CH=0  CE=0  Block=0x0021\r\nCH=0  CE=0  Block=0x0022\r\nCH=0  CE=0  Block=0x0024\r\nCH=0  CE=0  Block=0x0025\r\n"
         "CH=0  CE=0  Bad Block number Plane 0=2, Plane 1=2\r\n", 4, 0},
        // One plane: no closing line; a CE marker past the banks folds onto them.
        {1, {{0x10, 0}, {0xA0FB, 3}, {0x11, 0}, {0x12, 0}, {0xD1FE, 0}},
         "CH=0  CE=0  Block=0x0010\r\nCH=0  CE=3  Block=0x0011\r\nCH=0  CE=3  Block=0x0012\r\n", 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        Stats s({2, 2, 1, c.planes, 1});
        DefectPages pages;
        pages.Page(0, c.words);
        pages.Page(1, {{0x30, 0}, {0xD1FE, 0}}, false);  // no signature: nothing for channel 1
        s.Finish(&pages);
        EXPECT_EQ(s.detail.Text(), head + c.detail);
        EXPECT_EQ(s.counters[0][0][kPhysicalEarly], c.ce0);
        EXPECT_EQ(s.counters[0][1][kPhysicalEarly], c.ce1);
        EXPECT_EQ(s.totals[kPhysicalEarly], c.ce0 + c.ce1);
    }
}

TEST(BadBlockStatistics, OnePlaneSaysBlockAndAFailedReadGivesTheHeaderOnly) {
    platform::TraceCapture trace;
    Stats s({1, 1, 1, 1, 1});
    s.Units(0, BadUnitReply({{3, 7, 1}}));
    EXPECT_EQ(s.Finish(), kRule + "    [Physical](Block)|             [System](Block)\n" + kHead + kRule +
                              "00/00       0     1        0     1       0        0         1       0\n" + kRule +
                              "SUM         0     1        0     1       0        0         1       0\n");
    EXPECT_STREQ(s.detail.Text(), "CH=0  CE=0  Block=0x0003  ErrType=7\r\n");
    EXPECT_EQ(BadBlockSummaryText(s.shape, false, s.counters, s.totals),
              kRule + "    [Physical](Block)|             [System](Block)\n" + kHead + kRule);
}

TEST(BadBlockStatistics, OutOfRangeValuesFromTheDriveIndexNothingPastTheTables) {
    platform::TraceCapture trace;
    Stats s({8, 0, 1, 1, 1});  // no banks: the one-plane closing adds nothing
    // An entry count past what the reply holds, a unit past the table, mask bits past 32 (CE 5 x 8 channels).
    s.Units(0, BadUnitReply({{0x1000, 6, 0xFFFFFFFF}, {0xFFF, 6, 0x1}}, 0xFFFF - 1));
    s.Units(5, BadUnitReply({{0x10, 6, 0xFFFFFFFF}}));
    DefectPages pages;
    pages.Page(0, {{0xA0FB, 200}, {0x10, 0}});  // no end marker; a CE far past the rows
    s.Finish(&pages);
    EXPECT_EQ(s.counters[0][0][kPhysicalLater], 1u);
    EXPECT_EQ(s.totals[kPhysicalEarly], 0u);
    EXPECT_EQ(s.totals[kPhysicalLater], 0u);  // CE count 0: no rows are summed
    const std::string detail = s.detail.Text();
    EXPECT_NE(detail.find("CH=0  CE=200  Block=0x0010\r\n"), std::string::npos);
    EXPECT_EQ(detail.find("0x1000"), std::string::npos);

    std::vector<char> small(60, 'x');
    DetailText text(small.data(), small.size());
    for (int i = 0; i < 5; ++i) text.Line("CH=%d  CE=0  Block=0x%04X\r\n", i, i);
    EXPECT_STREQ(text.Text(), "CH=0  CE=0  Block=0x0000\r\nCH=1  CE=0  Block=0x0001\r\n");
}

TEST(BadBlockStatistics, SeededMangledRepliesAndPagesStayInsideTheTables) {
    platform::TraceCapture trace;
    std::mt19937 rng(30);
    // The large buffers are made once: a fresh megabyte each round makes the sanitizer builds slow.
    Stats s({});
    DefectPages pages;
    for (int round = 0; round < 10000; ++round) {
        const int ch = rng() % 10, banks = rng() % 6, dies = rng() % 3, planes = rng() % 6, sectors = rng() % 5;
        s.Reset({ch, banks, dies, planes, sectors});
        std::vector<std::uint8_t> reply(rng() % 128);
        for (auto& b : reply) b = static_cast<std::uint8_t>(rng());
        s.Units(static_cast<int>(rng() % 8), reply);
        std::fill(pages.bytes.begin(), pages.bytes.end(), 0);
        const std::size_t pageBytes = std::size_t(sectors) * 512;
        for (int c = 0; c < 2 && pageBytes > 0; ++c) {
            pages.Page(c, {}, true, pageBytes);
            for (std::size_t i = 16; i < 16 + (rng() % 64); ++i) pages.bytes[c * pageBytes + i] = static_cast<std::uint8_t>(rng());
            if (rng() % 3 == 0) pages.bytes[c * pageBytes + 16] = 0xFB, pages.bytes[c * pageBytes + 17] = 0xA0;
        }
        const std::string summary = s.Finish(&pages);
        ASSERT_LT(s.detail.Size(), kDetailTextBytes);
        ASSERT_FALSE(summary.empty());
    }
}

}  // namespace
