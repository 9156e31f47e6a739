// Serial-number increments, hexadecimal values, line lengths, the positioned file read and the
// page-map tables.
#include "settings/param_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "records_guard.h"
#include "settings/page_map.h"

namespace {

TEST(ParamText, Increments) {
    const struct {
        bool hex;
        const char* in;
        const char* out;
    } cases[] = {
        {false, "0999", "1000"}, {false, "12x", "120"},  {false, "999", "000"},
        {false, "0", "1"},       {false, "", ""},        {false, "19\nAB", "20\nAB"},
        {false, "a9", "00"},     {true, "00FF", "0100"}, {true, "1af", "1B0"},
        {true, "FFF", "000"},    {true, "09", "0A"},     {true, "12G", "120"},
        {true, "0E\n", "0F\n"},  {true, "", ""},
    };
    for (const auto& c : cases) {
        char text[16];
        std::strcpy(text, c.in);
        c.hex ? IncHexString(text) : IncDecString(text);
        EXPECT_STREQ(text, c.out) << (c.hex ? "hex " : "dec ") << c.in;
    }
}

TEST(ParamText, HexToU64AndLineLength) {
    EXPECT_EQ(HexToU64("00AB", 4), 171u);
    EXPECT_EQ(HexToU64("00ab", 4), 0u);
    EXPECT_EQ(HexToU64("00AB", 2), 0u);
    EXPECT_EQ(HexToU64("A0B1", 3), 0xA0Bu);
    EXPECT_EQ(HexToU64("FFFFFFFFFFFFFFFF", 16), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(HexToU64("1FFFFFFFFFFFFFFFF", 17), 0xFFFFFFFFFFFFFFFFull);  // kept to 64 bits
    // Positions past the text's end count 0 and are not read.
    const char shortText[3] = {'A', 'B', '\0'};
    EXPECT_EQ(HexToU64(shortText, 4), 0xAB00u);
    EXPECT_EQ(HexToU64("", 0), 0u);

    EXPECT_EQ(LineLength("abc\ndef"), 3u);
    EXPECT_EQ(LineLength("abc"), 3u);
    EXPECT_EQ(LineLength("\n"), 0u);
    EXPECT_EQ(LineLength(""), 0u);
}

TEST(ParamText, ReadFileAtFillsPastTheEndWithFF) {
    settings_test::ScratchDir dir("readat");
    const std::string path = dir.Write("SYS.bin", "0123456789");
    const struct {
        std::uint64_t offset;
        std::size_t length;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {2, 3, {'2', '3', '4'}},
        {8, 4, {'8', '9', 0xFF, 0xFF}},
        {100, 2, {0xFF, 0xFF}},
        {0, 0, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> buffer(c.length + 2, 0xEE);
        ASSERT_TRUE(ReadFileAt(path.c_str(), c.offset, c.length, buffer.data()));
        EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + c.length), c.bytes) << c.offset;
        EXPECT_EQ(buffer[c.length], 0) << "terminated";
        EXPECT_EQ(buffer[c.length + 1], 0xEE) << "nothing beyond";
    }
    std::uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_FALSE(ReadFileAt(dir.Path("missing.bin").c_str(), 0, 2, buffer));
    EXPECT_EQ(buffer[0], 1);
}

std::uint16_t Entry(const std::vector<std::uint8_t>& table, std::size_t i) {
    return static_cast<std::uint16_t>(table[2 * i] | (table[2 * i + 1] << 8));
}

TEST(PageMap, TablesHoldTheirLeadingRowsAndZeros) {
    const struct {
        int type;
        std::vector<std::uint16_t> head;
    } cases[] = {
        {1, {4, 5, 8, 9, 0, 0, 12, 13, 0, 0, 16, 17}},
        {2, {0, 0, 0x1000, 0, 0x1000, 0}},
        {3, {0, 0, 6, 7, 10, 11, 0, 0, 14, 15}},
        {4, {}},
        {12, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> table(kPageMapTableBytes, 0xEE);
        CopyPageMapTable(table.data(), c.type);
        for (std::size_t i = 0; i < kPageMapTableBytes / 2; ++i) {
            const std::uint16_t expected = i < c.head.size() ? c.head[i] : 0;
            ASSERT_EQ(Entry(table, i), expected) << "type " << c.type << " entry " << i;
        }
    }
    std::vector<std::uint8_t> table(kPageMapTableBytes, 0xEE);
    CopyPageMapTable(table.data(), 0);
    for (std::size_t i = 0; i < kPageMapTableBytes / 2; ++i) ASSERT_EQ(Entry(table, i), i < 128 ? 0xFFFF : 0) << i;

    for (int type : {13, 255, -1}) {
        std::vector<std::uint8_t> untouched(kPageMapTableBytes, 0xEE);
        CopyPageMapTable(untouched.data(), type);
        EXPECT_EQ(untouched, std::vector<std::uint8_t>(kPageMapTableBytes, 0xEE)) << type;
    }
}

}  // namespace
