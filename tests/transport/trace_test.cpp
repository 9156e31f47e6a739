#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/trace_sink.h"
#include "transport/tool_records.h"
#include "transport/trace.h"

namespace fs = std::filesystem;

namespace {

struct ScopedSwitches {
    AP_RDSetting_t saved = AP_RDSetting;
    ~ScopedSwitches() { AP_RDSetting = saved; }
};

TEST(Trace, LongLinesAreCutTo1023Characters) {
    platform::TraceCapture capture;
    const std::string longText(2000, 'x');
    TraceOut("%s", longText.c_str());
    TraceOut("######### - short %d\n", 7);
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 1023u);
    EXPECT_EQ(lines[1], "######### - short 7\n");
}

TEST(Trace, TableLogGetsTheFormattedLineUnchanged) {
    ScopedSwitches keep;
    platform::TraceCapture capture;
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);

    AP_RDSetting.DumpPftFile = 0;
    TraceOutToFile(log, "[INFO] off %s\n", "100%");
    AP_RDSetting.DumpPftFile = 1;
    TraceOutToFile(log, "[INFO] ratio %s %%d\n", "50%");
    TraceOutToFile(nullptr, "[INFO] no log open\n");

    std::rewind(log);
    char buf[256] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, log);
    std::fclose(log);
    EXPECT_EQ(std::string(buf, n), "[INFO] ratio 50% %d\n");
    EXPECT_EQ(capture.Lines().size(), 3u);
}

TEST(Trace, RawDumpsFollowTheSwitchAndNeverCreateTheFolder) {
    ScopedSwitches keep;
    const fs::path saved = platform::ProgramFolder();
    const fs::path dir = fs::temp_directory_path() / ("qv_raw_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    platform::SetProgramFolder(dir);
    const char data[4] = {1, 2, 3, 4};

    AP_RDSetting.DumpDebugFile = 0;
    DumpRawFile("a.raw", data, sizeof data);
    DumpRawFileAt((dir / "b.raw").c_str(), data, sizeof data);
    EXPECT_FALSE(fs::exists(dir / "raw"));
    EXPECT_FALSE(fs::exists(dir / "b.raw"));

    AP_RDSetting.DumpDebugFile = 1;
    DumpRawFile("a.raw", data, sizeof data);  // no raw folder: nothing written, nothing raised
    EXPECT_FALSE(fs::exists(dir / "raw"));
    fs::create_directories(dir / "raw");
    DumpRawFile("a.raw", data, sizeof data);
    DumpRawFileAt((dir / "b.raw").c_str(), data, sizeof data);
    EXPECT_EQ(GetFileLength((dir / "raw" / "a.raw").c_str()), 4u);
    EXPECT_EQ(GetFileLength((dir / "b.raw").c_str()), 4u);
    EXPECT_EQ(GetFileLength((dir / "missing").c_str()), 0u);

    // A dump folder of its own and a dump path, both relative: they lie under the program folder,
    // whatever the current directory is, and the folder is never created either.
    const fs::path cwd = fs::current_path();
    fs::create_directories(dir / "work" / "dumps");
    fs::current_path(dir / "work");
    SetRawDumpFolder("dumps");
    DumpRawFile("c.raw", data, sizeof data);
    EXPECT_FALSE(fs::exists(dir / "dumps"));
    fs::create_directories(dir / "dumps");
    DumpRawFile("c.raw", data, sizeof data);
    DumpRawFileAt("e.raw", data, sizeof data);
    EXPECT_TRUE(WriteRawFile("f.raw", data, sizeof data));
    EXPECT_EQ(GetFileLength((dir / "dumps" / "c.raw").c_str()), 4u);
    EXPECT_EQ(GetFileLength((dir / "e.raw").c_str()), 4u);
    EXPECT_EQ(GetFileLength((dir / "f.raw").c_str()), 4u);
    std::vector<std::string> inWork;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "work")) inWork.push_back(entry.path().string());
    EXPECT_EQ(inWork, std::vector<std::string>{(dir / "work" / "dumps").string()});
    SetRawDumpFolder("");
    DumpRawFile("d.raw", data, sizeof data);
    EXPECT_EQ(GetFileLength((dir / "raw" / "d.raw").c_str()), 4u);
    fs::current_path(cwd);

    platform::SetProgramFolder(saved);
    fs::remove_all(dir);
}

TEST(Trace, SmallHelpers) {
    struct ShiftCase {
        std::uint32_t value;
        std::uint8_t shift;
        bool power;
    };
    for (const ShiftCase c : {ShiftCase{1, 0, true}, ShiftCase{256, 8, true}, ShiftCase{12, 3, false},
                              ShiftCase{1152, 10, false}, ShiftCase{0, 0, false}}) {
        std::uint8_t shift = 99;
        EXPECT_EQ(CalcShift(c.value, &shift), c.power) << c.value;
        EXPECT_EQ(shift, c.shift) << c.value;
    }
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('7'), 7);
    EXPECT_EQ(HexDigitValue('g'), static_cast<std::uint8_t>('g' - 48));
    EXPECT_EQ(HexDigitValue(' '), static_cast<std::uint8_t>(' ' - 48));
    EXPECT_EQ(BoundedStrLen("abcdef", 4), 4u);
    EXPECT_EQ(BoundedStrLen("ab", 4), 2u);
    EXPECT_EQ(AsWord16(0xDDDD), 0xDDDD);
}

}  // namespace
