// Loading and saving settings, timing and Para files through the INI engine, and the whole-file
// entry points ReadIniAll and WriteIniAll.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/ini_all.h"
#include "settings/ini_engine.h"

namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(QV_SOURCE_DIR) / "tests" / "settings" / "data";

class IniFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        IniResetState();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("qv_ini_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        IniResetState();
        fs::remove_all(dir_);
    }

    std::string Write(const char* name, std::string_view contents) {
        const fs::path p = dir_ / name;
        EXPECT_TRUE(platform::WriteWholeFile(p, contents));
        return p.string();
    }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
};

// Limits the size of files this process may write, so that a save fails part-way even for root.
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(IniFiles, LoadersDropCarriageReturnsAndReportMissingFiles) {
    const std::string main = Write("RIVIDO.ini", "[Setting]\r\nA=1\r\nB=2");
    EXPECT_EQ(IniLoadFile(main.c_str()), 1);
    EXPECT_EQ(IniMainText(), "[Setting]\nA=1\nB=2");
    EXPECT_EQ(IniGetInt("Setting", "B", 7, main.c_str()), 2);  // a final line without a line feed counts

    const std::string tmc = Write("TMC_SDR.ini", "[T]\r\nClock=33\r\n");
    const std::string para = Write("Para_4D.ini", "[4]\r\nVD=2\r\n");
    EXPECT_TRUE(IniLoadTmcFile(tmc.c_str()));
    EXPECT_TRUE(IniLoadParaFile(para.c_str()));
    EXPECT_EQ(IniGetInt("T", "Clock", 0, tmc.c_str()), 33);
    EXPECT_EQ(IniGetInt("4", "VD", 0, para.c_str()), 2);
    EXPECT_EQ(IniGetInt("T", "Clock", 0, main.c_str()), 0);

    const std::string missing = (dir_ / "none" / "TMC_x.ini").string();
    EXPECT_EQ(IniLoadFile(missing.c_str()), 1);
    EXPECT_EQ(IniMainText(), "");
    EXPECT_FALSE(IniLoadTmcFile(missing.c_str()));
    EXPECT_EQ(IniGetInt("T", "Clock", 9, tmc.c_str()), 9);  // the timing text was emptied
    EXPECT_FALSE(IniLoadParaFile(dir_.c_str()));            // a folder is not a file
    EXPECT_EQ(IniGetInt("4", "VD", 9, para.c_str()), 9);
    EXPECT_FALSE(IniLoadParaFile(nullptr));
}

TEST_F(IniFiles, SaveWritesCrLfAndReadsBackTheSameValues) {
    IniUseMainText("[S]\nA=-12\nB=0x1F\nC=text = with equals\n");
    const std::string path = (dir_ / "out.ini").string();
    ASSERT_EQ(IniSaveFile(path.c_str()), 1);
    EXPECT_EQ(platform::ReadWholeFile(path).value(), "[S]\r\nA=-12\r\nB=0x1F\r\nC=text = with equals\r\n");
    IniResetState();
    IniLoadFile(path.c_str());
    EXPECT_EQ(IniGetInt("S", "A", 0, path.c_str()), -12);
    EXPECT_EQ(IniGetHex("S", "B", 0, path.c_str()), 31u);
    char text[32];
    IniGetString("S", "C", "", text, sizeof text, path.c_str());
    EXPECT_STREQ(text, "text = with equals");
}

TEST_F(IniFiles, FailedSaveReportsFailureAndKeepsTheOldFile) {
    const std::string old = "[Setting]\r\nToolMode=1\r\n";
    const std::string path = Write("RIVIDO.ini", old);
    IniUseMainText("[Setting]\nToolMode=0\nPadding=" + std::string(8192, 'x') + "\n");
    platform::TraceCapture capture;
    {
        ScopedFileSizeLimit limit(1024);  // the disk fills up part-way through the write
        EXPECT_EQ(IniSaveFile(path.c_str()), 0);
    }
    EXPECT_EQ(platform::ReadWholeFile(path).value(), old);
    EXPECT_EQ(FilesInDir(), 1u);  // no temporary left behind
    EXPECT_TRUE(capture.Contains("IniSaveFile"));

    EXPECT_EQ(IniSaveFile((dir_ / "no-such-folder" / "RIVIDO.ini").c_str()), 0);
    EXPECT_EQ(IniSaveFile(""), 0);
    EXPECT_EQ(IniSaveFile(nullptr), 0);
}

TEST_F(IniFiles, RoundTripKeepsEveryUntouchedLine) {
    const std::string source = (kData / "RIVIDO_roundtrip.ini").string();
    const std::string path = (dir_ / "RIVIDO.ini").string();
    fs::copy_file(source, path);
    ASSERT_EQ(IniLoadFile(path.c_str()), 1);
    const char* p = path.c_str();

    char serial[32];
    IniGetString("Setting", "SerialNum", "", serial, sizeof serial, p);
    EXPECT_STREQ(serial, "000123");
    EXPECT_EQ(IniGetInt("Setting", "UnknownKey", 7, p), 0);
    EXPECT_EQ(IniGetHex("FwSetting", "CacheMode", 0, p), 3u);

    ASSERT_EQ(IniSetString("Setting", "SerialNum", "000124", p), 1);        // existing, below its prefix
    ASSERT_EQ(IniSetInt("TestItems", "En_2", 1, p), 1);                     // existing
    ASSERT_EQ(IniSetInt("TestItems", "En_9", 1, p), 1);                     // missing, before an empty line
    ASSERT_EQ(IniSetString("FwSetting", "CacheMode", "0x00000007", p), 1);  // existing
    ASSERT_EQ(IniSetInt("FwSetting", "EraseAllType", 1, p), 1);             // missing, before a header
    ASSERT_EQ(IniSetInt("FlashSetting", "ChannelNum", 4, p), 1);            // missing section
    ASSERT_EQ(IniSetInt64("Setting", "Capacity", 512110190592ull, p), 1);   // missing, 64-bit
    ASSERT_EQ(IniSetInt("RDT", "LoopCount", 5, p), 1);                      // existing, above the last line
    ASSERT_EQ(IniSaveFile(p), 1);

    const auto saved = platform::ReadWholeFile(path);
    const auto expected = platform::ReadWholeFile(kData / "RIVIDO_roundtrip_saved.ini");
    ASSERT_TRUE(saved && expected);
    EXPECT_EQ(*saved, *expected);

    IniResetState();
    IniLoadFile(p);
    EXPECT_EQ(IniGetInt("TestItems", "En_9", 0, p), 1);
    EXPECT_EQ(IniGetInt64("Setting", "Capacity", 0), 512110190592ull);
    EXPECT_EQ(IniGetInt("FlashSetting", "ChannelNum", 0, p), 4);
    EXPECT_EQ(IniGetInt("CustomerArea", "Line", 0, p), 3);
}

TEST_F(IniFiles, ReadAndWriteAllKeepForeignLinesAndReportTheSave) {
    const std::string path = (dir_ / "RIVIDO.ini").string();
    fs::copy_file(kData / "RIVIDO_roundtrip.ini", path);
    ReadIniAll(path.c_str());
    EXPECT_EQ(IniGetInt("CustomerArea", "Line", 0, path.c_str()), 3);
    ASSERT_TRUE(WriteIniAll(path.c_str()));
    const std::string saved = platform::ReadWholeFile(path).value();
    for (const char* line :
         {"; Settings of the MP station, line 3\r\n", "UnknownKey = keep me\r\n", ";SerialNum=commented out\r\n",
          "[CustomerArea]\r\nLogo=Kestrane\r\nLine=3\r\n", "; end of file"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    }

    const std::string before = saved;
    platform::TraceCapture capture;
    {
        ScopedFileSizeLimit limit(64);
        EXPECT_FALSE(WriteIniAll(path.c_str()));
    }
    EXPECT_EQ(platform::ReadWholeFile(path).value(), before);
    EXPECT_EQ(FilesInDir(), 1u);
}

}  // namespace
