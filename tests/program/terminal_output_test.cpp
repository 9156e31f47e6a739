// Kestrane and Vellumin started offscreen on a copy of the demo station with its bay, each closed as
// the end of a session closes it (SIGTERM, once the program handles it): their traces reach the
// terminal only with KESTRANE_TRACE=1. Qt's own messages are told apart by a prefix of their own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_program.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kQtPrefix = "qt: ";

// The lines of `text` that Qt did not write.
std::vector<std::string> OwnLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(kQtPrefix, 0) != 0) lines.push_back(line);
    }
    return lines;
}

struct Finished {
    bool exited = false;  // ended by itself (not by a signal, not killed by this test)
    int status = -1;
    std::string out, err;
};

class TerminalOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(station_.Root() / "runtime");
        fs::permissions(station_.Root() / "runtime", fs::perms::owner_all);
    }

    // Starts the program with KESTRANE_TRACE set to `trace` (unset when empty), closes it once it
    // handles SIGTERM, and collects what it printed.
    Finished Run(const fs::path& program, const std::string& trace) {
        std::vector<std::pair<std::string, std::string>> set{
            {"QT_QPA_PLATFORM", "offscreen"},
            {"QT_MESSAGE_PATTERN", std::string(kQtPrefix) + "%{message}"},
            {"XDG_RUNTIME_DIR", (station_.Root() / "runtime").string()},
            {"KESTRANE_BAY", station_.Bay().string()}};
        if (!trace.empty()) set.emplace_back("KESTRANE_TRACE", trace);
        test_support::ChildProgram child(program, {}, station_.Folder(),
                                         test_support::EnvironmentWith(set, {"KESTRANE_TRACE", "DISPLAY"}),
                                         station_.Root() / "err");
        Finished f;
        if (!child.Started()) return f;
        // Bounds, not timings: a program that never gets this far fails the test instead of hanging it.
        const auto deadline = test_support::ChildClock::now() + std::chrono::seconds(120);
        const auto left = [&] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - test_support::ChildClock::now());
        };
        if (child.WaitUntil([&] { return child.Catches(SIGTERM); }, left())) child.Signal(SIGTERM);
        const std::optional<int> status = child.WaitForEnd(left());
        f.exited = status && WIFEXITED(*status);
        f.status = f.exited ? WEXITSTATUS(*status) : -1;
        f.out = child.Output();
        f.err = child.Errors();
        return f;
    }

    test_support::ProgramStation station_{"qv_terminal_output"};
};

TEST_F(TerminalOutput, TracesReachTheTerminalOnlyWhenAsked) {
    struct Case {
        const char* program;
        const char* startTrace;  // a line the program traces on every start
    };
    for (const Case& c : {Case{KESTRANE_PROGRAM, "######### - FormCreate\n"},
                          Case{VELLUMIN_PROGRAM, "######### - Bridge type of port 0 is "}}) {
        SCOPED_TRACE(c.program);
        const fs::path program = station_.Place(c.program);
        for (const char* off : {"", "0"}) {
            const Finished quiet = Run(program, off);
            ASSERT_TRUE(quiet.exited) << quiet.err;
            EXPECT_EQ(quiet.status, 0);
            EXPECT_EQ(quiet.out, "");
            const std::vector<std::string> own = OwnLines(quiet.err);
            EXPECT_TRUE(own.empty()) << "KESTRANE_TRACE=" << off << ": " << own.size()
                                     << " lines on stderr, the first: " << own.front();
        }
        const Finished traced = Run(program, "1");
        ASSERT_TRUE(traced.exited) << traced.err;
        EXPECT_EQ(traced.status, 0);
        EXPECT_NE(traced.err.find(c.startTrace), std::string::npos) << traced.err.substr(0, 2000);
    }
}

}  // namespace
