// Lookups, number conversion and the setter of the INI engine, on texts put straight into the engine.
#include "settings/ini_engine.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kMain = "RIVIDO.ini";

class IniEngine : public ::testing::Test {
  protected:
    void SetUp() override { IniResetState(); }
    void TearDown() override { IniResetState(); }
};

std::string GetString(const char* section, const char* key, const char* def, std::size_t size = 64,
                      const char* path = kMain) {
    std::vector<char> out(size + 1, '#');
    const std::size_t n = IniGetString(section, key, def, out.data(), size, path);
    EXPECT_EQ(out[n], '\0');
    EXPECT_EQ(out[size], '#') << "wrote past the buffer";
    return std::string(out.data(), n);
}

TEST_F(IniEngine, KeyMatchesOnlyTheWholeKeyNotAPrefix) {
    IniUseMainText("[Setting]\nSerialNumPrefix=QV24\nSerialNum=000123\n");
    EXPECT_EQ(GetString("Setting", "SerialNum", "none"), "000123");
    EXPECT_EQ(GetString("Setting", "SerialNumPrefix", "none"), "QV24");

    IniUseMainText("[Setting]\nSerialNumPrefix=QV24\n\n[Other]\nSerialNum=9\n");
    EXPECT_EQ(GetString("Setting", "SerialNum", "none"), "none");
    EXPECT_EQ(IniGetInt("Setting", "SerialNum", 7, kMain), 7);

    // The setter neither overwrites the prefix's line nor lands in the next section.
    ASSERT_EQ(IniSetString("Setting", "SerialNum", "000124", kMain), 1);
    EXPECT_EQ(IniMainText(), "[Setting]\nSerialNumPrefix=QV24\nSerialNum=000124\n\n[Other]\nSerialNum=9\n");
    ASSERT_EQ(IniSetString("Setting", "SerialNum", "000125", kMain), 1);
    EXPECT_EQ(IniMainText(), "[Setting]\nSerialNumPrefix=QV24\nSerialNum=000125\n\n[Other]\nSerialNum=9\n");
}

TEST_F(IniEngine, SectionsAndKeyLinesAsTheGettersSeeThem) {
    IniUseMainText(
        "top=1\n"
        "[Blank] \nA=1\n"
        "[Setting]\n ;Comment=5\nDup=1\nDup=2\n\n Spaced\t=4\nNoEquals\n[Setting]\nLater=3\n"
        "[Next]\nB=2\n[Last]");
    EXPECT_FALSE(IniHasSection("Blank", kMain));  // a blank after "]" hides the header
    EXPECT_EQ(IniGetInt("Blank", "A", 7, kMain), 7);
    EXPECT_TRUE(IniHasSection("Setting", kMain));
    EXPECT_TRUE(IniHasSection("Last", kMain));  // a final line without a line feed is a line
    EXPECT_FALSE(IniHasSection("setting", kMain));
    EXPECT_EQ(IniGetInt("Setting", "Comment", 7, kMain), 7);
    EXPECT_EQ(IniGetInt("Setting", "Dup", 7, kMain), 1);     // the first key line wins
    EXPECT_EQ(IniGetInt("Setting", "Spaced", 7, kMain), 4);  // past an empty line, blanks around the key
    EXPECT_EQ(IniGetInt("Setting", "NoEquals", 7, kMain), 7);
    EXPECT_EQ(IniGetInt("Setting", "Later", 7, kMain), 7);  // only the first header of a name counts
    EXPECT_EQ(IniGetInt("Setting", "B", 7, kMain), 7);      // the next header ends the section
    EXPECT_EQ(IniGetInt("Next", "B", 7, kMain), 2);
    EXPECT_EQ(IniGetInt("Missing", "B", 7, kMain), 7);
    // Names holding line breaks match no line, even where the text would match across two lines.
    EXPECT_FALSE(IniHasSection("Setting]\nLater=3\n[Next", kMain));
    EXPECT_EQ(IniGetInt("Next", "X\nB", 7, kMain), 7);
}

TEST_F(IniEngine, IntConversion) {
    struct Case {
        const char* line;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"K=42", 42},
        {"K=-12", -12},
        {"K = 5", 0},  // found (blanks around the key), but the value starts with a blank
        {"K=", 7},     // empty value: the default
        {"K=12abc", 12},
        {"K=abc", 0},
        {"K=0x10", 0},
        {"K=+5", 0},
        {"K=-", 0},
        {"K=0", 0},
        {"K=-1", -1},
        {"K=2147483647", INT32_MAX},
        {"K=-2147483648", INT32_MIN},
        // Up to 4294967295 a value reads as its 32-bit pattern (an unsigned field written in full).
        {"K=2147483648", INT32_MIN},
        {"K=4000797360", static_cast<std::int32_t>(4000797360u)},
        {"K=4294967295", -1},
        // Beyond the 32-bit range the digit run stops at the range end.
        {"K=4294967296", INT32_MAX},
        {"K=42949672950", INT32_MAX},
        {"K=99999999999999999999", INT32_MAX},
        {"K=-2147483649", INT32_MIN},
        {"K=-99999999999999999999", INT32_MIN},
    };
    for (const Case& c : cases) {
        IniUseMainText(std::string("[S]\n") + c.line + "\n");
        EXPECT_EQ(IniGetInt("S", "K", 7, kMain), c.expected) << c.line;
    }
}

TEST_F(IniEngine, HexConversion) {
    struct Case {
        const char* line;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"K=0x1F", 31},
        {"K=0x1f", 31},
        {"K=1F", 0},  // no "0x": 0, not the default
        {"K=0X1F", 0},
        {"K=0x", 0},
        {"K=", 0},  // an empty value is an empty text, which does not
                    // scan
        {"K=0x-1", 0},
        {"K= 0x1F", 0},
        {"K=0x 1F", 0},
        {"K=0x1Fzz", 31},
        {"K=0xFFFFFFFF", 0xFFFFFFFFu},
        {"K=0x00000000FF", 255},
        {"K=0x100000000", 0},  // does not fit 32 bits
        {"Other=1", 0xABCD},   // missing key: the default
    };
    for (const Case& c : cases) {
        IniUseMainText(std::string("[S]\n") + c.line + "\n");
        EXPECT_EQ(IniGetHex("S", "K", 0xABCD, kMain), c.expected) << c.line;
    }
    EXPECT_EQ(IniGetHex("Missing", "K", 0xFFFFFFFFu, kMain), 0xFFFFFFFFu);
}

TEST_F(IniEngine, Int64Conversion) {
    struct Case {
        const char* line;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"K=512110190592", 512110190592ull},
        {"K=18446744073709551615", UINT64_MAX},
        {"K=99999999999999999999999", UINT64_MAX},
        {"K=12ab", 12},
        {"K=-5", 0},
        {"K=", 77},
        {"Other=1", 77},
    };
    for (const Case& c : cases) {
        IniUseMainText(std::string("[S]\n") + c.line + "\n");
        EXPECT_EQ(IniGetInt64("S", "K", 77), c.expected) << c.line;
    }
}

TEST_F(IniEngine, StringsAreCutToTheBufferAndTerminated) {
    IniUseMainText("[S]\nK=abcdef\nEmpty=\nEq=a=b=c\n");
    EXPECT_EQ(GetString("S", "K", "dflt"), "abcdef");
    EXPECT_EQ(GetString("S", "K", "dflt", 4), "abc");
    EXPECT_EQ(GetString("S", "Empty", "dflt"), "");  // found but empty: not the default
    EXPECT_EQ(GetString("S", "Eq", "dflt"), "a=b=c");
    EXPECT_EQ(GetString("S", "Missing", "default-text", 5), "defa");
    EXPECT_EQ(GetString("S", "Missing", nullptr), "");
    EXPECT_EQ(GetString("S", "K", "dflt", 1), "");
    EXPECT_EQ(IniGetString("S", "K", "dflt", nullptr, 0, kMain), 0u);
}

TEST_F(IniEngine, PathChoosesTheText) {
    IniUseMainText("[Setting]\nA=1\n");
    struct Case {
        const char* path;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"/station/RIVIDO.ini", 1},      {"/station/TMC_RIVIDO.ini", 7},  // looked up in the (empty) timing text
        {"/station/Para/RIVIDO.ini", 7}, {"/station/tmc_RIVIDO.ini", 1},  // the tests are case-sensitive
        {"/station/para.ini", 1},        {nullptr, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniGetInt("Setting", "A", 7, c.path), c.expected) << (c.path ? c.path : "null");
    }
    // The setters and IniGetInt64 always use the main text.
    ASSERT_EQ(IniSetInt("Setting", "B", 5, "/station/TMC_x.ini"), 1);
    EXPECT_EQ(IniGetInt("Setting", "B", 7, kMain), 5);
    EXPECT_EQ(IniGetInt64("Setting", "B", 7), 5u);
}

TEST_F(IniEngine, SetterShapes) {
    struct Case {
        const char* name;
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"empty text", "", "S", "K", "v", "[S]\nK=v\n"},
        {"missing section", "[A]\nx=1\n", "S", "K", "v", "[A]\nx=1\n\n[S]\nK=v\n"},
        {"replace", "[S]\nK=old\nL=2\n", "S", "K", "new", "[S]\nK=new\nL=2\n"},
        {"replace blanks around key", "[S]\n K =old\n", "S", "K", "new", "[S]\nK=new\n"},
        {"value with equals", "[S]\nK=1\n", "S", "K", "a=b", "[S]\nK=a=b\n"},
        {"insert before empty line", "[S]\nA=1\n\nB=2\n[T]\n", "S", "K", "v", "[S]\nA=1\nK=v\n\nB=2\n[T]\n"},
        {"insert before next header", "[S]\nA=1\n[T]\nK=9\n", "S", "K", "v", "[S]\nA=1\nK=v\n[T]\nK=9\n"},
        {"insert right after header", "[S]\n[T]\n", "S", "K", "v", "[S]\nK=v\n[T]\n"},
        {"append at text end", "[S]\nA=1", "S", "K", "v", "[S]\nA=1\nK=v\n"},
        {"final header kept", "[A]\nx=1\n[Last]", "A", "K", "v", "[A]\nx=1\nK=v\n[Last]\n"},
        {"final line kept, new section", "[A]\n;end", "S", "K", "v", "[A]\n;end\n\n[S]\nK=v\n"},
        {"carriage returns gone", "[S]\r\nA=1\r\n\r\n[T]\r\nB=2", "T", "B", "3", "[S]\nA=1\n\n[T]\nB=3\n"},
        {"line breaks dropped from value", "[S]\nK=1\n", "S", "K", "a\r\nb\n", "[S]\nK=ab\n"},
        {"only the first header", "[S]\nA=1\n\n[S]\nK=1\n", "S", "K", "2", "[S]\nA=1\nK=2\n\n[S]\nK=1\n"},
    };
    for (const Case& c : cases) {
        IniUseMainText(c.before);
        EXPECT_EQ(IniSetString(c.section, c.key, c.value, kMain), 1) << c.name;
        EXPECT_EQ(IniMainText(), c.after) << c.name;
    }
}

TEST_F(IniEngine, SetterRefusesKeysAndSectionsThatCannotBeReadBack) {
    const std::string text = "[S]\nK=1\n";
    IniUseMainText(text);
    EXPECT_EQ(IniSetString("S", "K=x", "v", kMain), 0);
    EXPECT_EQ(IniSetString("S", "K\n[T]", "v", kMain), 0);
    EXPECT_EQ(IniSetString("S\nX", "K", "v", kMain), 0);
    EXPECT_EQ(IniSetString("S", "", "v", kMain), 0);
    EXPECT_EQ(IniSetString("S", "[K", "v", kMain), 0);  // its line would end the section
    EXPECT_EQ(IniSetString("S", " K", "v", kMain), 0);
    EXPECT_EQ(IniSetString("S", "K\t", "v", kMain), 0);
    EXPECT_EQ(IniSetString(nullptr, "K", "v", kMain), 0);
    EXPECT_EQ(IniSetString("S", nullptr, "v", kMain), 0);
    EXPECT_EQ(IniMainText(), text);
    EXPECT_EQ(IniSetString("S", "K", nullptr, kMain), 1);  // a missing value is an empty one
    EXPECT_EQ(IniMainText(), "[S]\nK=\n");
}

TEST_F(IniEngine, NumberSettersReadBack) {
    ASSERT_EQ(IniSetInt("S", "Neg", -2147483647 - 1, kMain), 1);
    ASSERT_EQ(IniSetInt64("S", "Big", UINT64_MAX, kMain), 1);
    ASSERT_EQ(IniSetString("S", "Hex", "0x0000ABCD", kMain), 1);
    EXPECT_EQ(IniMainText(), "[S]\nNeg=-2147483648\nBig=18446744073709551615\nHex=0x0000ABCD\n");
    EXPECT_EQ(IniGetInt("S", "Neg", 0, kMain), INT32_MIN);
    EXPECT_EQ(IniGetInt64("S", "Big", 0), UINT64_MAX);
    EXPECT_EQ(IniGetHex("S", "Hex", 0, kMain), 0xABCDu);
}

// Whatever text was loaded, a value that was set reads back, and every other section keeps its values.
TEST_F(IniEngine, SetValuesReadBackOnRandomTexts) {
    std::mt19937 rng(20240611);
    const char* const pieces[] = {"[S]", "[T]", "[S] ", "K=1", " K =2", "KK=3", "K", "=", "[", "", ";K=4", "L=5"};
    const char* const sections[] = {"S", "T", "U"};
    const char* const keys[] = {"K", "KK", "L", "M"};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int lines = static_cast<int>(rng() % 10);
        for (int i = 0; i < lines; ++i) {
            text += pieces[rng() % std::size(pieces)];
            text += (rng() % 5 == 0) ? "\r\n" : "\n";
        }
        if (rng() % 2 == 0 && !text.empty()) text.pop_back();  // no final line feed
        IniUseMainText(text);
        const std::size_t s = rng() % std::size(sections);
        const char* section = sections[s];
        const char* other = sections[(s + 1 + rng() % 2) % std::size(sections)];
        const char* key = keys[rng() % std::size(keys)];
        const std::string value = std::to_string(rng() % 1000);
        char before[32];
        IniGetString(other, "L", "none", before, sizeof before, kMain);

        ASSERT_EQ(IniSetString(section, key, value.c_str(), kMain), 1);
        EXPECT_EQ(GetString(section, key, "none"), value) << "text: " << text;
        EXPECT_EQ(IniMainText().find('\r'), std::string::npos);
        EXPECT_EQ(GetString(other, "L", "none"), before) << "text: " << text;
    }
}

TEST_F(IniEngine, ConcurrentMisuseKeepsTheTextWhole) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string section = "T" + std::to_string(t);
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = "K" + std::to_string(k);
                IniSetInt(section.c_str(), key.c_str(), t * 1000 + k, kMain);
                IniGetInt(section.c_str(), key.c_str(), -1, kMain);
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
        const std::string section = "T" + std::to_string(t);
        for (int k = 0; k < kKeys; ++k) {
            EXPECT_EQ(IniGetInt(section.c_str(), ("K" + std::to_string(k)).c_str(), -1, kMain), t * 1000 + k);
        }
    }
}

}  // namespace
