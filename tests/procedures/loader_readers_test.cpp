// The loader-block readers on crafted pages, and the inherit list's CE conversion.
#include <gtest/gtest.h>

#include <vector>

#include "platform/trace_sink.h"
#include "procedures/V_Proc_Inherit.h"
#include "procedures/loader_block_readers.h"
#include "settings/records.h"
#include "transport/byte_order.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace procedures;

Bytes InfoPage(std::uint8_t codeNum, std::uint16_t lastPage, int entry) {
    Bytes page(4096, 0);
    page[kInfoCodeNumAt] = codeNum;
    if (entry >= 0) transport::PutLe16(page.data() + kInfoCodeMapAt + 16 * entry + 2, lastPage);
    return page;
}

TEST(LoaderReaders, InfoPageCodeMapTrustsNoCountOrPageOutsideItsRange) {
    struct Case {
        std::uint8_t codeNum;
        std::uint16_t lastPage;
        bool usable;
    };
    for (const Case& c : {Case{1, 100, true}, Case{16, 383, true}, Case{16, 384, false}, Case{0, 100, false},
                          Case{17, 100, false}, Case{3, 0xFFFF, false}}) {
        SCOPED_TRACE(testing::Message() << int(c.codeNum) << " entries, last page " << c.lastPage);
        const Bytes page = InfoPage(c.codeNum, c.lastPage, c.codeNum >= 1 && c.codeNum <= 16 ? c.codeNum - 1 : 0);
        const InfoPageCodeMap m = ReadInfoPageCodeMap(page);
        EXPECT_EQ(m.codeNum, c.codeNum);
        EXPECT_EQ(m.usable, c.usable);
        if (c.codeNum >= 1 && c.codeNum <= 16) {
            EXPECT_EQ(m.lastPageNo, c.lastPage);
        }
    }
    // Only entry codeNum - 1 counts.
    Bytes page = InfoPage(2, 400, 0);
    transport::PutLe16(page.data() + kInfoCodeMapAt + 16 + 2, 95);
    EXPECT_EQ(ReadInfoPageCodeMap(page).lastPageNo, 95);
    EXPECT_FALSE(ReadInfoPageCodeMap(std::span(page.data(), 799)).usable) << "a page shorter than the code map";
}

TEST(LoaderReaders, MapBytesGiveTheTwoLowestBlocks) {
    struct Case {
        std::uint8_t map;
        std::uint8_t count;
        std::uint8_t first, second;
    };
    for (const Case& c : {Case{0x03, 2, 0, 1}, Case{0x0A, 2, 1, 3}, Case{0x0E, 2, 1, 2}, Case{0x04, 1, 2, 0},
                          Case{0x00, 0, 0, 0}, Case{0xF0, 0, 0, 0}, Case{0x0F, 2, 0, 1}}) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.map));
        const DieLoaderBlocks d = LoaderBlocksOf(c.map);
        EXPECT_EQ(d.count, c.count);
        if (c.count > 0) {
            EXPECT_EQ(d.block[0], c.first);
        }
        if (c.count > 1) {
            EXPECT_EQ(d.block[1], c.second);
        }
    }
    Bytes map(512, 0);
    map[4 * 2 + 1] = 0x05;
    const auto dies = ReadCodeBlockMap(map);
    EXPECT_EQ(dies[9].count, 2);
    EXPECT_EQ(dies[9].block[1], 2);
    EXPECT_EQ(ReadCodeBlockMap(std::span(map.data(), 4))[9].count, 0) << "a short map names nothing past its end";
}

TEST(LoaderReaders, ParamCodePageTakesTheChannelEntriesAndTheCounts) {
    Bytes page(16384, 0);
    page[kLdrBlockZoneAt + 0] = 0x03;
    page[kLdrBlockZoneAt + 4 * 7 + 3] = 0x0E;  // three bits: the two lowest
    page[kLdrBlockZoneAt + 40] = 0x03;         // entry 40 names no channel the port has
    transport::PutLe16(page.data() + 884, 11);
    transport::PutLe16(page.data() + 890, 0xFFF0);
    transport::PutLe16(page.data() + 948, 33);
    transport::PutLe16(page.data() + 950, 44);
    transport::PutLe16(page.data() + 996, 55);
    const auto f = ReadParamCodePage(page, 0x20);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->dies[0].count, 2);
    EXPECT_EQ(f->dies[31].count, 2);
    EXPECT_EQ(f->dies[31].block[0], 1);
    EXPECT_EQ(f->dies[31].block[1], 2);
    int named = 0;
    for (std::uint8_t m : f->map) named += m != 0;
    EXPECT_EQ(named, 2) << "entry 40 ignored";
    EXPECT_EQ(f->wHSPD_BLK_Qnty_Count, 11);
    EXPECT_EQ(f->wTotalGoodBU, 0x0010) << "u16 at 122 plus the extra units, in 16 bits";
    EXPECT_EQ(f->wScanBlockUnit, 33);
    EXPECT_EQ(f->wScanBlockUnit2, 44);
    EXPECT_EQ(f->wSysBU, 55);
    EXPECT_EQ(ReadParamCodePage(page, 5)->wTotalGoodBU, 0xFFF5);
    EXPECT_FALSE(ReadParamCodePage(std::span(page.data(), kParamPageMinBytes - 1), 0).has_value());
    EXPECT_TRUE(ReadParamCodePage(std::span(page.data(), kParamPageMinBytes), 0).has_value());
}

TEST(InheritCe, TopByteBecomesChannelLunCe) {
    platform::TraceCapture trace;
    const AP_INIState_t saved = AP_INIState;
    struct Case {
        std::uint8_t banks;
        std::uint32_t in, out;
    };
    for (const Case& c :
         {Case{4, 0x45ABCDEF, 0x49ABCDEF}, Case{4, 0x23000001, 0x23000001}, Case{4, 0xE7FFFFFF, 0xEBFFFFFF},
          Case{2, 0x05123456, 0x11123456}, Case{1, 0x02000010, 0x10000010}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.in);
        AP_INIState.MaxPhyBank = c.banks;
        Bytes list(16, 0);
        transport::PutLe32(list.data(), c.in);
        VP_ConvertInheritCE(list.data(), list.size());
        EXPECT_EQ(transport::GetLe32(list.data()), c.out);
    }
    // Conversion stops at the first zero; MaxPhyBank 0 converts nothing.
    AP_INIState.MaxPhyBank = 4;
    Bytes list(16, 0);
    transport::PutLe32(list.data(), 0x45000000);
    transport::PutLe32(list.data() + 8, 0x45000000);
    trace.Clear();
    VP_ConvertInheritCE(list.data(), list.size());
    EXPECT_EQ(transport::GetLe32(list.data()), 0x49000000u);
    EXPECT_EQ(transport::GetLe32(list.data() + 8), 0x45000000u);
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"45000000 --> ", "49000000\n"}));
    AP_INIState.MaxPhyBank = 0;
    transport::PutLe32(list.data(), 0x45000000);
    VP_ConvertInheritCE(list.data(), list.size());
    EXPECT_EQ(transport::GetLe32(list.data()), 0x45000000u);
    EXPECT_TRUE(trace.Contains("MaxPhyBank is 0"));
    AP_INIState = saved;
}

}  // namespace

namespace {

// 10,000 mangled page pairs through the readers: every result stays inside its ranges (run under
// the sanitizers by the ASan tree, where a read past a page's end is caught).
TEST(LoaderReaders, MangledPagePairsStayInsideTheirRanges) {
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 10000; ++round) {
        Bytes info(next() % 4200);
        Bytes param(next() % 1200);
        for (auto& b : info) b = static_cast<std::uint8_t>(next());
        for (auto& b : param) b = static_cast<std::uint8_t>(next());
        if (info.size() > kInfoCodeNumAt && round % 2 == 0)
            info[kInfoCodeNumAt] = static_cast<std::uint8_t>(next() % 18);
        const InfoPageCodeMap m = ReadInfoPageCodeMap(info);
        if (m.usable) {
            ASSERT_GE(m.codeNum, 1);
            ASSERT_LE(m.codeNum, 16);
            ASSERT_LT(m.lastPageNo, 384);
        }
        const auto f = ReadParamCodePage(param, static_cast<std::uint16_t>(next()));
        ASSERT_EQ(f.has_value(), param.size() >= kParamPageMinBytes);
        if (f) {
            for (const DieLoaderBlocks& d : f->dies) {
                ASSERT_LE(d.count, 2);
                for (int k = 0; k < d.count; ++k) ASSERT_LE(d.block[k], 3);
            }
        }
        for (const DieLoaderBlocks& d : ReadCodeBlockMap(param)) ASSERT_LE(d.count, 2);
    }
}

}  // namespace
