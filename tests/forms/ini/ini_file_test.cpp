#include "forms/ini_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "forms/str_to_int.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qv_ini_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        EXPECT_TRUE(platform::WriteWholeFile(p, bytes));
        return p;
    }
    static std::string Read(const fs::path& p) { return platform::ReadWholeFile(p).value_or("<missing>"); }

    fs::path dir_;
};

// A settings file as the INI engine saves it: CR LF line ends, sections separated by an empty line.
const std::string kSettings =
    "[Setting]\r\n"
    "LogPath=log\r\n"
    "; operator note: keep this\r\n"
    "EnCustomizePortMap=0\r\n"
    "DevicePortMap_1=3\r\n"
    "UnknownKey = some value \r\n"
    "\r\n"
    "[RDSetting]\r\n"
    "DumpDebugFile=1\r\n"
    "\r\n"
    "[FlashSetting]\r\n"
    "ExtFlashFile=Flash.ini\r\n";

TEST_F(IniFileTest, LooksUpSectionsAndKeysWithoutCaseAndTrimsBlanks) {
    const forms::IniFile ini(Write("RIVIDO.ini", kSettings));
    EXPECT_EQ(ini.ReadString("setting", "LOGPATH", "x"), "log");
    EXPECT_EQ(ini.ReadString("SETTING", "unknownkey", "x"), "some value");
    EXPECT_EQ(ini.ReadInteger("rdsetting", "dumpdebugfile", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Setting", "DevicePortMap_1", 65535), 3);
    EXPECT_EQ(ini.ReadString("FlashSetting", "ExtFlashFile", ""), "Flash.ini");
    // A key of another section is not found in this one.
    EXPECT_EQ(ini.ReadInteger("Setting", "DumpDebugFile", 7), 7);
    EXPECT_TRUE(ini.SectionExists("flashsetting"));
    EXPECT_TRUE(ini.ValueExists("setting", "logpath"));
    EXPECT_FALSE(ini.ValueExists("setting", "; operator note: keep this"));
}

TEST_F(IniFileTest, MissingFileSectionKeyOrNumberGivesTheDefault) {
    const fs::path p = Write("x.ini",
                             "[A]\r\nEmpty=\r\nWord=abc\r\nTrailing=12abc\r\nHex=0x1F\r\nNeg=-12\r\n"
                             "Big=2147483648\r\nDollar=$10\r\n");
    const forms::IniFile ini(p);
    const forms::IniFile missing(dir_ / "none.ini");
    EXPECT_EQ(missing.ReadString("A", "Word", "N/A"), "N/A");
    EXPECT_EQ(missing.ReadInteger("A", "Hex", 65535), 65535);
    EXPECT_TRUE(missing.ReadSections().empty());
    EXPECT_EQ(ini.ReadString("B", "Word", "No"), "No");
    EXPECT_EQ(ini.ReadString("A", "Missing", "No"), "No");
    EXPECT_EQ(ini.ReadString("A", "Empty", "No"), "");  // a key with an empty value is the empty text
    struct Case {
        const char* key;
        int expected;
    };
    for (const Case& c : {Case{"Empty", 5}, Case{"Word", 5}, Case{"Trailing", 5}, Case{"Hex", 31}, Case{"Neg", -12},
                          Case{"Big", 5}, Case{"Dollar", 16}, Case{"Missing", 5}}) {
        EXPECT_EQ(ini.ReadInteger("A", c.key, 5), c.expected) << c.key;
    }
}

TEST_F(IniFileTest, RewritingAKeyChangesOnlyItsLine) {
    const fs::path p = Write("RIVIDO.ini", kSettings);
    forms::IniFile ini(p);
    ASSERT_TRUE(ini.WriteInteger("setting", "encustomizeportmap", 1));
    ASSERT_TRUE(ini.WriteString("Setting", "UnknownKey", "other"));
    std::string expected = kSettings;
    expected.replace(expected.find("EnCustomizePortMap=0"), 20, "EnCustomizePortMap=1");
    expected.replace(expected.find("UnknownKey = some value "), 24, "UnknownKey=other");
    EXPECT_EQ(Read(p), expected);
}

TEST_F(IniFileTest, NewKeyGoesAfterItsSectionsLastLineAndNewSectionAtTheEnd) {
    const fs::path p = Write("RIVIDO.ini", kSettings);
    forms::IniFile ini(p);
    ASSERT_TRUE(ini.WriteInteger("Setting", "DevicePortMap_2", 65535));
    ASSERT_TRUE(ini.WriteInteger("FlashSetting", "Extra", 4));
    ASSERT_TRUE(ini.WriteString("Counters", "TotalCount", "12"));
    std::string expected = kSettings;
    expected.insert(expected.find("\r\n\r\n[RDSetting]") + 2, "DevicePortMap_2=65535\r\n");
    expected += "Extra=4\r\n\r\n[Counters]\r\nTotalCount=12\r\n";
    EXPECT_EQ(Read(p), expected);
    EXPECT_EQ(ini.ReadInteger("counters", "totalcount", 0), 12);
}

TEST_F(IniFileTest, WritingCreatesAMissingFileAndTurnsLineEndsIntoCrLf) {
    forms::IniFile fresh(dir_ / "RAVEZ.log");
    ASSERT_TRUE(fresh.WriteInteger("Count", "PassCount", 3));
    EXPECT_EQ(Read(dir_ / "RAVEZ.log"), "[Count]\r\nPassCount=3\r\n");

    const fs::path lf = Write("lf.ini", "[A]\nk=1\n\n[B]\nj=2");
    forms::IniFile ini(lf);
    ASSERT_TRUE(ini.WriteInteger("B", "j", 3));
    EXPECT_EQ(Read(lf), "[A]\r\nk=1\r\n\r\n[B]\r\nj=3\r\n");
}

TEST_F(IniFileTest, ValuesThatWouldBreakTheFileAreRefusedAndLeaveItAlone) {
    const fs::path p = Write("RIVIDO.ini", kSettings);
    forms::IniFile ini(p);
    EXPECT_FALSE(ini.WriteString("Setting", "LogPath", "a\r\n[Setting]\r\nLogPath=b"));
    EXPECT_FALSE(ini.WriteString("Setting", "Log=Path", "x"));
    EXPECT_FALSE(ini.WriteString("Set]ting", "LogPath", "x"));
    EXPECT_FALSE(ini.WriteString("Setting", " ", "x"));
    EXPECT_EQ(Read(p), kSettings);
    // A path that exists but is no readable file is not overwritten.
    fs::create_directories(dir_ / "folder.ini");
    forms::IniFile folder(dir_ / "folder.ini");
    EXPECT_FALSE(folder.WriteInteger("A", "k", 1));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.ini"));
}

TEST_F(IniFileTest, ReadsSeeChangesMadeByOthersBetweenCalls) {
    const fs::path p = Write("Flash.ini", "[Vendor]\r\nName00=VendorA\r\n");
    const forms::IniFile ini(p);
    EXPECT_EQ(ini.ReadString("Vendor", "Name00", "No"), "VendorA");
    ASSERT_TRUE(platform::WriteWholeFile(p, "[Vendor]\r\nName00=VendorB\r\nName01=VendorC\r\n"));
    EXPECT_EQ(ini.ReadString("Vendor", "Name00", "No"), "VendorB");
    EXPECT_EQ(ini.ReadString("Vendor", "Name01", "No"), "VendorC");
}

TEST_F(IniFileTest, ListsSectionsAndKeysInFileOrder) {
    const fs::path p = Write("TMC_LGC.ini",
                             "[TIMING_SETTING_TYPE_0010000]\r\nNote=first\r\n;Note=old\r\nClock=100\r\n\r\n"
                             " [ timing_setting_type_0010000 ] \r\nNote=dup\r\n[Other]\r\nA=1\r\nnoequals\r\n");
    const forms::IniFile ini(p);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"TIMING_SETTING_TYPE_0010000", "Other"}));
    EXPECT_EQ(ini.ReadSectionKeys("timing_setting_type_0010000"), (std::vector<std::string>{"Note", "Clock"}));
    EXPECT_EQ(ini.ReadString("TIMING_SETTING_TYPE_0010000", "Note", "N/A"), "first");  // the first section wins
    EXPECT_EQ(ini.ReadString("TIMING_SETTING_TYPE_0010001", "Note", "N/A"), "N/A");
}

TEST(StrToInt, AcceptsDecimalAndHexWithinThirtyTwoBits) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    for (const Case& c :
         {Case{"0", 0}, Case{"  42", 42}, Case{"-42", -42}, Case{"+7", 7}, Case{"0x2C", 44}, Case{"0XfF", 255},
          Case{"$A", 10}, Case{"0xFFFFFFFF", -1}, Case{"2147483647", 2147483647}, Case{"-2147483648", INT32_MIN},
          Case{"2147483648", std::nullopt}, Case{"0x100000000", std::nullopt}, Case{"", std::nullopt},
          Case{"0x", std::nullopt}, Case{"12G", std::nullopt}, Case{"1 ", std::nullopt}, Case{"-", std::nullopt}}) {
        EXPECT_EQ(forms::StrToInt(c.text), c.value) << c.text;
    }
}

TEST(StrToInt, TheThrowingFormsCarryTheFormLibrarysMessages) {
    EXPECT_EQ(forms::StrToIntOrThrow("0x2C"), 44);
    try {
        forms::StrToIntOrThrow("12a");
        ADD_FAILURE() << "no error";
    } catch (const forms::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
    }
    try {
        forms::StrToFloatOrThrow("1,5");
        ADD_FAILURE() << "no error";
    } catch (const forms::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1,5' is not a valid floating point value");
    }
}

TEST(StrToFloat, TakesThePointWhateverTheLocaleAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    for (const Case& c : {Case{"0", 0.0}, Case{" 476.94 ", 476.94}, Case{"-1.5", -1.5}, Case{"+.5", 0.5},
                          Case{"5.", 5.0}, Case{"1E3", 1000.0}, Case{"2.5e-2", 0.025}, Case{"", std::nullopt},
                          Case{".", std::nullopt}, Case{"1,5", std::nullopt}, Case{"1.2.3", std::nullopt},
                          Case{"1E", std::nullopt}, Case{"0x10", std::nullopt}, Case{"1e999", std::nullopt},
                          Case{"nan", std::nullopt}, Case{"12 3", std::nullopt}}) {
        EXPECT_EQ(forms::StrToFloat(c.text), c.value) << c.text;
    }
}

TEST(FloatToStr, GeneralFormatOfFifteenDigitsWithoutTrailingZeros) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c : {Case{0, "0"}, Case{476.94, "476.94"}, Case{-2.5, "-2.5"}, Case{100, "100"},
                          Case{0.1 + 0.2, "0.3"}, Case{1.0 / 3, "0.333333333333333"}, Case{0.00001, "0.00001"},
                          Case{0.000001, "1E-6"}, Case{123456789012345.0, "123456789012345"},
                          Case{1e15, "1E15"}, Case{1.5e20, "1.5E20"}, Case{float{476.94f}, "476.940002441406"}}) {
        EXPECT_EQ(forms::FloatToStr(c.value), c.text) << c.value;
    }
}

TEST(IniLookup, AnswersAsTheTextDoes) {
    std::string big = "[Big]\n";
    for (int i = 0; i < 40; ++i) big += "K" + std::to_string(i) + " = v" + std::to_string(i) + "\n";
    const forms::IniText text = forms::IniText::Parse(
        "top=1\n[A]\nx = 1\nX=2\n;c=3\n[ a ]\nx=9\ny=8\n[B]\n=empty key\nz=\n" + big + "k0=late\n[b]\nq=1\n");
    const forms::IniLookup lookup(text);
    const std::pair<const char*, const char*> cases[] = {
        {"A", "x"},  {"a", "X"}, {"A", "y"}, {"A", ";c"}, {"", "top"}, {"B", ""},   {"B", "z"},  {"b", "q"},
        {"Big", "k7"}, {"BIG", "K39"}, {"Big", "k0"}, {"Big", "K40"}, {"None", "x"}, {" A ", " x "},
    };
    for (const auto& [section, key] : cases) {
        const auto expected = text.Get(section, key);
        const auto got = lookup.Get(section, key);
        ASSERT_EQ(expected.has_value(), got.has_value()) << section << "/" << key;
        if (expected) {
            EXPECT_EQ(*expected, std::string(*got)) << section << "/" << key;
        }
    }
    EXPECT_EQ(lookup.Read("Big", "K3", "N/A"), "v3");
    EXPECT_EQ(lookup.Read("Big", "nope", "N/A"), "N/A");
}

}  // namespace
