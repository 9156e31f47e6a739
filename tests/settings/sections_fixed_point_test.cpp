// Saving is a fixed point: whatever a file holds, the values read from it, saved and read again are
// the values first read (within the records' widths and conversions), and nothing overruns.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "settings_fixture.h"

namespace {

using settings_test::KeysIn;
using settings_test::ReadText;
using settings_test::RecordBytes;
using settings_test::WriteText;

TEST(SectionFixedPoint, ArbitraryValuesSurviveASave) {
    platform::TraceCapture quiet;
    ReadText("");
    const std::string allWritten = WriteText();
    const char* sections[] = {"Setting", "TestItems", "DeviceSetting", "FlashSetting", "FwSetting", "RDT"};
    const char* extraKeys[][2] = {{"Setting", "TimeOut"},
                                  {"TestItems", "CheckSnLengthValue"},
                                  {"FwSetting", "IdleHandleTime"},
                                  {"FwSetting", "Read_Disturb_Head"},
                                  {"RDSetting", "DisableMptLog"},
                                  {"Sorting", "RdtLogPath"},
                                  {"TestItems", "EnCheckTemperature"}};
    const std::vector<std::string> values = {"0",
                                             "1",
                                             "-1",
                                             "3",
                                             "255",
                                             "256",
                                             "65535",
                                             "65536",
                                             "2147483647",
                                             "-2147483648",
                                             "99999999999",
                                             "0x1F",
                                             "0xFFFFFFFF",
                                             "0xzz",
                                             "abc",
                                             "",
                                             " 7",
                                             "12abc",
                                             std::string(300, 'x')};
    std::mt19937 random(20261101);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (const char* section : sections) {
            text += std::string("[") + section + "]\n";
            for (const std::string& key : KeysIn(allWritten, section)) {
                // Some keys missing; the die map always given (its default "00" saves as "01").
                if (key != "DieReMap" && random() % 4 == 0) continue;
                std::string value = values[random() % values.size()];
                if (key == "DieReMap") {
                    value.clear();
                    const int entries = static_cast<int>(random() % 40);
                    for (int k = 0; k < entries; ++k) value += random() % 2 ? "01," : "FF,";
                }
                text += key + "=" + value + "\n";
            }
            for (const auto& extra : extraKeys) {
                if (std::string(extra[0]) == section)
                    text += std::string(extra[1]) + "=" + values[random() % values.size()] + "\n";
            }
            text += "\n";
        }
        ReadText(text);
        const RecordBytes first = RecordBytes::Take();
        const std::string saved = WriteText();
        ReadText(saved);
        ASSERT_EQ(RecordBytes::Take().FirstDifference(first), "") << "round " << round << "\n" << text;
        // A second save changes nothing more.
        ASSERT_EQ(WriteText(), saved) << "round " << round;
    }
}

}  // namespace
