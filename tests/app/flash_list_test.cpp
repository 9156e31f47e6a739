// The flash list: the part lines' tokens, the vendors' runs of records, the limits a list must keep,
// the lookups over the records, and the sample list of the station.
#include "app/flash_list_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include "forms/ini_text.h"
#include "platform/trace_sink.h"
#include "settings/flash_list.h"

namespace {

const std::string kSampleLine =
    "B27B512G QVB27B512G4P 0 2 2 2016 2304 16 1 0 0x9B 0xC4 0x58 0x32 0xA6 0x00 0 0 0 1 4 0 0 0 00000";

// Saves the flash list's tables and puts them back.
class FlashList : public ::testing::Test {
  protected:
    FlashList() {
        std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), records_);
        std::memcpy(names_, g_FlashVendorName, sizeof names_);
        std::memcpy(starts_, g_FlashVendorStart, sizeof starts_);
    }
    ~FlashList() override {
        std::copy(std::begin(records_), std::end(records_), g_FlashRecord);
        std::memcpy(g_FlashVendorName, names_, sizeof names_);
        std::memcpy(g_FlashVendorStart, starts_, sizeof starts_);
    }
    int Load(const std::string& text) {
        vendors_ = records_count_ = -1;
        return LoadFlashIniText(forms::IniText::Parse(text), &vendors_, &records_count_);
    }
    static std::string OneVendor(const std::string& line) {
        return "[Version]\nFlashIniVer=1\n[Vendor]\nName00=Acme\n[Acme]\nName000=" + line + "\n";
    }

    int vendors_ = -1, records_count_ = -1;
    platform::TraceCapture trace_;

  private:
    FlashRecord_t records_[kFlashRecordMax];
    char names_[kFlashVendorMax][kFlashVendorNameSize];
    std::int32_t starts_[kFlashVendorMax + 1];
};

TEST_F(FlashList, ALineOfTwoNamesAndTwentyThreeNumbersFillsEveryField) {
    ASSERT_EQ(Load(OneVendor("X1 Full2 1 2 3 0x2C 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 0x11223344 21 22 10101")), 1);
    EXPECT_EQ(vendors_, 1);
    EXPECT_EQ(records_count_, 1);
    const FlashRecord_t& r = g_FlashRecord[0];
    EXPECT_STREQ(r.FlashUniName, "X1");
    EXPECT_STREQ(r.sFlashFullName, "Full2");
    EXPECT_EQ(r.ucFlashVendor, 1);
    EXPECT_EQ(r.ucFlashType, 2);
    EXPECT_EQ(r.ucCE, 3);
    EXPECT_EQ(r.wBlocks, 44);
    EXPECT_EQ(r.wPages, 5);
    EXPECT_EQ(r.wPageSize, 6);
    EXPECT_EQ(r.ucDiePerCE, 7);
    EXPECT_EQ(r.ucLdpcMode, 8);
    EXPECT_EQ(r.aFlashID[0], 9);
    EXPECT_EQ(r.aFlashID[5], 14);
    EXPECT_EQ(r.wExtendBlocks, 15);
    EXPECT_EQ(r.wLunBlockOffset, 16);
    EXPECT_EQ(r.ucPageMapType, 17);
    EXPECT_EQ(r.ucFlashInterface, 18);
    EXPECT_EQ(r.ucPlanes, 19);
    EXPECT_EQ(r.dwFlashOption, 0x11223344u);
    EXPECT_EQ(r.bNandMem, 21);
    EXPECT_EQ(r.wSpareByte, 22);
    EXPECT_EQ(r.wGpioCode, 10101);
}

TEST_F(FlashList, LinesThatParseAndLinesThatFail) {
    const std::string numbers = " 0 2 2 2016 2304 16 1 0 0x9B 0xC4 0x58 0x32 0xA6 0x00 0 0 0 1 4 0 0 0";
    struct Case {
        std::string line;
        int result;
    };
    const Case cases[] = {
        {kSampleLine, 1},
        {"B27B512G\tQVB27B512G4P  0 2 2 2016 2304 16 1 0 0x9B 0xC4 0x58 0x32 0xA6 0x00 0 0 0 1 4 0 0 0 0", 1},
        {kSampleLine + " 77", 1},                                    // a 26th token is ignored
        {kSampleLine.substr(0, kSampleLine.rfind(' ')), 0},          // 24 tokens
        {"B27B512G QVB27B512G4P 0,2,2,2016,2304,16,1,0,0x9B,0xC4,0x58,0x32,0xA6,0x00,0,0,0,1,4,0,0,0,0", 0},
        {"B27B-512 QV" + numbers + " 0", 0},                         // a hyphen in a name
        {"B27B_512 QV" + numbers + " 0", 0},                         // an underscore
        {"B27B512G QV" + numbers + " 12G", 0},                       // a number that is not one
        {"B27B512GX QV" + numbers + " 0", 1},                        // nine characters
        {"B27B512GXY QV" + numbers + " 0", 0},                       // ten: beyond FlashUniName
        {"B27B512G " + std::string(31, 'F') + numbers + " 0", 1},    // a full name of 31 characters
        {"B27B512G " + std::string(32, 'F') + numbers + " 0", 0},    // and of 32
        {kSampleLine + std::string(255 - kSampleLine.size() - 2, ' ') + " 7", 1},  // 255 characters
        {kSampleLine + std::string(255 - kSampleLine.size() - 1, ' ') + " 7", 0},  // 256
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Load(OneVendor(c.line)), c.result) << c.line;
        EXPECT_EQ(records_count_, c.result) << c.line;
    }
    EXPECT_TRUE(trace_.Contains("######### - LoadFlashIni - [Acme] Name000: unique name over 9 characters\n"));
}

TEST_F(FlashList, VendorsRunsAndTheListsLimits) {
    // A vendor without Name000 contributes no records; a failure keeps what was read before it.
    std::string text = "[Vendor]\nName00=Acme\nName01=Empty\nName02=Bolt\nName03=No\nName04=Late\n";
    text += "[Acme]\nName000=" + kSampleLine + "\nName001=" + kSampleLine + "\n[Empty]\nName001=" + kSampleLine;
    text += "\n[Bolt]\nName000=" + kSampleLine + "\nName001=bad\n";
    EXPECT_EQ(Load(text), 0);
    EXPECT_EQ(vendors_, 3);
    EXPECT_EQ(records_count_, 3);
    EXPECT_EQ(g_FlashVendorStart[1], 2);
    EXPECT_EQ(g_FlashVendorStart[2], 2);
    EXPECT_EQ(g_FlashVendorStart[3], 0);  // Bolt did not complete
    EXPECT_STREQ(g_FlashVendorName[2], "Bolt");
    // Two records of one name: the earlier is found.
    EXPECT_EQ(FindFlashIndex("B27B512G"), 0);
    EXPECT_EQ(FindFlashIndex("NOPE"), 0);
    EXPECT_EQ(FindFlashIndex(""), 3);  // the first unused record

    EXPECT_EQ(Load("[Version]\nFlashIniVer=2\n"), 0);
    EXPECT_EQ(vendors_, 0);
    EXPECT_EQ(records_count_, -1);

    std::string many = "[Vendor]\n";
    for (int v = 0; v <= 50; ++v) many += "Name" + std::string(v < 10 ? "0" : "") + std::to_string(v) + "=V\n";
    EXPECT_EQ(Load(many), 0);
    EXPECT_EQ(vendors_, 50);
    EXPECT_TRUE(trace_.Contains("######### - LoadFlashIni - [Vendor] Name50: more than 50 vendors\n"));

    EXPECT_EQ(Load("[Vendor]\nName00=" + std::string(20, 'V') + "\n"), 0);
    EXPECT_EQ(vendors_, 0);
    EXPECT_EQ(Load("[Vendor]\nName00=" + std::string(19, 'V') + "\n"), 1);

    std::string full = "[Vendor]\nName00=A\nName01=B\n[A]\n";
    for (int i = 0; i < 500; ++i) full += "Name" + std::string(3 - std::to_string(i).size(), '0') + std::to_string(i) + "=" + kSampleLine + "\n";
    EXPECT_EQ(Load(full + "[B]\nName000=" + kSampleLine + "\n"), 0);
    EXPECT_EQ(records_count_, 500);
    EXPECT_TRUE(trace_.Contains("######### - LoadFlashIni - [B] Name000: more than 500 parts\n"));
    EXPECT_EQ(Load(full), 1);
}

TEST(FlashListLookups, MaxPowerOfTwo) {
    for (const auto& [value, power] : {std::pair<std::uint32_t, std::uint32_t>{1000, 512}, {0, 1}, {1, 1}, {2, 2},
                                       {16384, 16384}, {32767, 16384}, {32768, 32768}, {40000, 40000}}) {
        EXPECT_EQ(fn_GetMaxPower(value), power) << value;
    }
}

TEST(FlashListTokens, GetFlashTokenCountsWhatItSkipsAndTakes) {
    char token[kFlashTokenSize];
    int consumed = -1;
    EXPECT_EQ(GetFlashToken("  \tAb12,x", token, &consumed), 1);
    EXPECT_STREQ(token, "Ab12");
    EXPECT_EQ(consumed, 7);
    EXPECT_EQ(GetFlashToken(",x", token, &consumed), 0);
    EXPECT_EQ(consumed, 0);
    EXPECT_EQ(GetFlashToken("   ", token, &consumed), 0);
    EXPECT_EQ(GetFlashToken(std::string(80, 'a').c_str(), token, &consumed), 0);
    EXPECT_EQ(GetFlashToken(std::string(79, 'a').c_str(), token, &consumed), 1);
}

}  // namespace
