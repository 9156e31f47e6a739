#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/clock.h"
#include "platform/trace_sink.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// A trace file with the real-time flusher off and the given rules; everything back as it was after.
class TraceFile : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = platform::CurrentTraceFileRules();
        std::filesystem::remove(path_);
    }
    void TearDown() override {
        platform::TraceToNothing();
        platform::SetTraceFileRules(saved_);
        std::filesystem::remove(path_);
    }
    void Open(std::size_t bufferBytes, std::uint64_t maxAgeMs) {
        platform::SetTraceFileRules({bufferBytes, maxAgeMs, false});
        ASSERT_TRUE(platform::TraceToFile(path_.string()));
    }
    std::string File() const { return ReadAll(path_); }

    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("qv_trace_sink_" + std::to_string(::getpid()) + ".log");
    platform::TraceFileRules saved_;
    platform::VirtualClock clock_{1000};
    platform::ScopedClock useClock_{clock_};
};

TEST_F(TraceFile, LinesWaitUntilTheBufferFills) {
    Open(20, 60 * 1000);
    platform::WriteTrace("0123456789\n");  // 11 bytes
    EXPECT_EQ(File(), "");
    platform::WriteTrace("abcdefgh\n");  // 20 bytes: full
    EXPECT_EQ(File(), "0123456789\nabcdefgh\n");
    platform::WriteTrace("x\n");
    EXPECT_EQ(File(), "0123456789\nabcdefgh\n");
    platform::FlushTrace();
    EXPECT_EQ(File(), "0123456789\nabcdefgh\nx\n");
}

TEST_F(TraceFile, ALineComingAfterTheAgeLimitWritesEverythingWaiting) {
    Open(1 << 20, 200);
    platform::WriteTrace("one\n");
    clock_.Advance(199);
    platform::WriteTrace("two\n");
    EXPECT_EQ(File(), "");
    clock_.Advance(1);
    platform::WriteTrace("three\n");
    EXPECT_EQ(File(), "one\ntwo\nthree\n");
    // The age counts from the oldest waiting line, not from the last write.
    clock_.Advance(500);
    platform::WriteTrace("four\n");
    clock_.Advance(150);
    platform::WriteTrace("five\n");
    EXPECT_EQ(File(), "one\ntwo\nthree\n");
    clock_.Advance(60);
    platform::WriteTrace("six\n");
    EXPECT_EQ(File(), "one\ntwo\nthree\nfour\nfive\nsix\n");
}

TEST_F(TraceFile, SwitchingTheSinkWritesWhatWaitsAndCapturesSeeEveryLine) {
    Open(1 << 20, 60 * 1000);
    platform::WriteTrace("kept\n");
    {
        platform::TraceCapture capture;
        platform::WriteTrace("captured\n");
        EXPECT_EQ(capture.Text(), "captured\n");
    }
    platform::WriteTrace("after\n");
    EXPECT_EQ(File(), "");
    platform::TraceToNothing();
    EXPECT_EQ(File(), "kept\nafter\n");
    // Reopening appends; changing the rules writes what waits under the old ones.
    ASSERT_TRUE(platform::TraceToFile(path_.string()));
    platform::WriteTrace("again\n");
    platform::SetTraceFileRules({1 << 20, 60 * 1000, false});
    EXPECT_EQ(File(), "kept\nafter\nagain\n");
}

TEST_F(TraceFile, ANormalExitWritesWhatWaits) {
    Open(1 << 20, 60 * 1000);
    EXPECT_EXIT(
        {
            platform::WriteTrace("last words\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(File(), "last words\n");
}

TEST_F(TraceFile, TheBackgroundFlusherWritesAnIdleSinksLines) {
    platform::SetTraceFileRules({1 << 20, 1, true});
    ASSERT_TRUE(platform::TraceToFile(path_.string()));
    platform::WriteTrace("idle\n");
    // Real time: the flusher wakes every millisecond; bounded so a stuck flusher fails, not hangs.
    for (int i = 0; i < 5000 && File().empty(); ++i) ::usleep(1000);
    EXPECT_EQ(File(), "idle\n");
}

// The programs' switch: only the exact text "1" brings the traces to the terminal.
TEST(TraceSwitch, OnlyExactlyOneIsOn) {
    struct Case {
        const char* value;
        bool on;
    };
    for (const Case& c : {Case{nullptr, false}, Case{"1", true}, Case{"", false}, Case{"0", false}, Case{"2", false},
                          Case{"01", false}, Case{"11", false}, Case{" 1", false}, Case{"1 ", false},
                          Case{"1\n", false}, Case{"true", false}, Case{"yes", false}, Case{"on", false}}) {
        EXPECT_EQ(platform::TraceSwitchOn(c.value), c.on) << (c.value != nullptr ? c.value : "(unset)");
    }
}

// What a program's start does with the environment: lines reach stderr with the switch on, and
// nowhere with it off or unset.
TEST(TraceSwitch, TheEnvironmentDecidesWhetherLinesReachStderr) {
    namespace fs = std::filesystem;
    const fs::path out = fs::temp_directory_path() / ("qv_trace_switch_" + std::to_string(::getpid()) + ".err");
    const char* before = std::getenv(platform::kTraceSwitchVariable);
    const std::string saved = before != nullptr ? before : "";
    struct Case {
        const char* value;  // null: unset
        bool on;
    };
    for (const Case& c : {Case{"1", true}, Case{nullptr, false}, Case{"0", false}, Case{"yes", false}}) {
        if (c.value != nullptr) {
            ::setenv(platform::kTraceSwitchVariable, c.value, 1);
        } else {
            ::unsetenv(platform::kTraceSwitchVariable);
        }
        std::fflush(stderr);
        const int keep = ::dup(STDERR_FILENO);
        const int file = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(file, 0);
        ::dup2(file, STDERR_FILENO);
        ::close(file);
        const bool on = platform::TraceToTerminalWhenAsked();
        platform::WriteTrace("######### - traced\n");
        std::fflush(stderr);
        ::dup2(keep, STDERR_FILENO);
        ::close(keep);
        platform::TraceToStderr();
        EXPECT_EQ(on, c.on) << (c.value != nullptr ? c.value : "(unset)");
        EXPECT_EQ(ReadAll(out), c.on ? "######### - traced\n" : "") << (c.value != nullptr ? c.value : "(unset)");
    }
    if (before != nullptr) {
        ::setenv(platform::kTraceSwitchVariable, saved.c_str(), 1);
    } else {
        ::unsetenv(platform::kTraceSwitchVariable);
    }
    fs::remove(out);
}

}  // namespace
