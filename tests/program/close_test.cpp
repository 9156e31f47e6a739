// Closing the program, as an operator or the session does it: the process ends, after the writes its
// close makes (the yield counters in "RAVEZ.log", the settings, the bay's kept drive state). Each test
// runs the program as a child process on its own copy of the demo station; a child that outlives its
// bound is killed and the test fails.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/child_program.h"

namespace {

namespace fs = std::filesystem;

// Bounds against a hang, not speed targets.
constexpr std::chrono::seconds kReadyWithin{90};
constexpr std::chrono::seconds kEndWithin{20};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t Count(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

using test_support::ChildProgram;
using test_support::ProgramStation;

// `program` placed on the station and started offscreen on its bay; the test follows it by its
// traces, which reach the terminal only when asked, collected in a file beside the station.
ChildProgram Start(const ProgramStation& station, const fs::path& program, const std::vector<std::string>& args) {
    return ChildProgram(
        station.Place(program), args, station.Folder(),
        test_support::EnvironmentWith(
            {{"KESTRANE_BAY", station.Bay().string()}, {"QT_QPA_PLATFORM", "offscreen"}, {"KESTRANE_TRACE", "1"}}),
        station.Root() / "stderr.txt");
}

// What every close must leave behind.
void ExpectTheWritesOfClose(const ProgramStation& station) {
    const std::string yield = ReadText(station.Folder() / "log" / "RAVEZ.log");
    EXPECT_NE(yield.find("[TestRecord]"), std::string::npos) << yield;
    EXPECT_NE(yield.find("TotalTestCount="), std::string::npos) << yield;
    EXPECT_NE(yield.find("NumberOfPass="), std::string::npos) << yield;
    EXPECT_TRUE(fs::is_directory(station.Bay() / "state")) << "the bay keeps its drives' state";
}

void ExpectEndedWithZero(ChildProgram& child) {
    const std::optional<int> status = child.WaitForEnd(kEndWithin);
    ASSERT_TRUE(status) << "still running after its close; output:\n"
                        << child.Output() << "errors:\n"
                        << child.ErrorsTail();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status << "\n" << child.ErrorsTail();
}

// A bay of two drives seated in a fixture board's first two slots and nothing else, so each powered
// slot brings exactly one drive onto the station and the fixture's linking ends.
const char* const kFixtureBay =
    "[Bay]\nKeepState=1\n"
    "[RootHub1]\nBus=2\nSpeed=usb3\nPorts=4\n"
    "[Hub1]\nId=2-1\nPorts=8\n"
    "[Drive1]\nId=2-1.1\nBridge=jmicron\nChip=0583\n"
    "[Drive2]\nId=2-1.2\nBridge=asmedia\n"
    "[Fixture1]\nId=2-3\nSlot1=Drive1\nSlot2=Drive2\n";

// After the fixture window's current test, each way of closing the program. The operator answers
// "Exit Auto MP ?" with Yes, `answerAfterMs` after it shows.
struct CloseWay {
    const char* name;
    const char* then;  // the operator's way (operator/operator_script.cpp)
    int signal = 0;    // sent once the operator is ready (0: none)
    int answerAfterMs = 0;
    bool secondSignalAtQuestion = false;  // the signal again while the question is up
};

void PrintTo(const CloseWay& way, std::ostream* os) {
    *os << way.name;
}

class CloseAfterCurrentTest : public ::testing::TestWithParam<CloseWay> {};

TEST_P(CloseAfterCurrentTest, EndsTheProcessAfterItsWrites) {
    const CloseWay& way = GetParam();
    const ProgramStation station("qv_close", kFixtureBay);
    const std::vector<std::string> args{std::string("--then=") + way.then,
                                        "--answer-after=" + std::to_string(way.answerAfterMs)};
    ChildProgram child = Start(station, KESTRANE_OPERATED, args);
    ASSERT_TRUE(child.Started());
    if (way.signal != 0) {
        ASSERT_TRUE(child.WaitForLine("ready", kReadyWithin)) << child.Output() << child.ErrorsTail();
        child.Signal(way.signal);
        if (way.secondSignalAtQuestion) {
            ASSERT_TRUE(child.WaitForLine("box: Exit Auto MP ?", kEndWithin)) << child.Output();
            child.Signal(way.signal);
        }
    }
    ExpectEndedWithZero(child);
    const std::string& out = child.Output();
    EXPECT_NE(out.find("*****Electric detect***** | 0-M.2 is 120.00(mA) | 1-M.2 is 120.00(mA)"), std::string::npos)
        << "the current test ran before the close:\n"
        << out;
    EXPECT_EQ(Count(out, "box: Exit Auto MP ?\n"), 1u) << out;
    EXPECT_EQ(Count(out, "box: "), 1u) << "no other box:\n" << out;
    ExpectTheWritesOfClose(station);
    // The fixture window's close saved its keys (the check box ticked for the test).
    EXPECT_NE(ReadText(station.Folder() / "RIVIDO.ini").find("RuzeVeElecDetect=1\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseAfterCurrentTest,
                         ::testing::Values(CloseWay{"Sigterm", "signal", SIGTERM}, CloseWay{"Sigint", "signal", SIGINT},
                                           CloseWay{"MainWindowClose", "close"},
                                           CloseWay{"FixtureExitThenMainWindow", "fixture-exit"},
                                           CloseWay{"SecondSigtermWhileAsked", "signal", SIGTERM, 1500, true}),
                         [](const ::testing::TestParamInfo<CloseWay>& info) { return std::string(info.param.name); });

// The program itself, as shipped: a session's end or Ctrl-C while it idles on the demo station.
class SignalToTheProgram : public ::testing::TestWithParam<int> {};

TEST_P(SignalToTheProgram, EndsItAfterItsWrites) {
    const ProgramStation station("qv_close");
    ChildProgram child = Start(station, KESTRANE_PROGRAM, {});
    ASSERT_TRUE(child.Started());
    // Up once its first enumeration has counted the bay's drives.
    ASSERT_TRUE(child.WaitForTrace("g_nPortConnectedNum = ", kReadyWithin)) << child.ErrorsTail();
    child.Signal(GetParam());
    ExpectEndedWithZero(child);
    ExpectTheWritesOfClose(station);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalToTheProgram, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "Sigterm" : "Sigint");
                         });

}  // namespace
