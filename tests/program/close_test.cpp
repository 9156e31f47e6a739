// Closing the program, as an operator or the session does it: the process ends, after the writes its
// close makes (the yield counters in "RAVEZ.log", the settings, the bay's kept drive state). Each test
// runs the program as a child process on its own copy of the demo station; a child that outlives its
// bound is killed and the test fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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

// A copy of the demo station with `program` beside its files (the program folder is the one of the
// executable), and the bay of `bayIni` when one is given.
class Station {
  public:
    Station(const fs::path& program, const std::string& bayIni) {
        static std::atomic<int> serial{0};
        folder_ =
            fs::temp_directory_path() / ("qv_close_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        for (const auto& entry : fs::directory_iterator(QV_DEMO_STATION)) {
            // The program and what a `make run` left there are not the station's.
            const std::string name = entry.path().filename().string();
            if (name == "kestrane" || name == "log" || name == "raw" || name == "Sorting_Log") continue;
            fs::copy(entry.path(), folder_ / name, fs::copy_options::recursive);
        }
        fs::remove_all(Bay() / "state");  // fresh drives, not those a person left prepared
        if (!bayIni.empty()) std::ofstream(Bay() / "bay.ini", std::ios::binary | std::ios::trunc) << bayIni;
        program_ = folder_ / program.filename();
        std::error_code ec;
        fs::create_hard_link(program, program_, ec);
        if (ec) fs::copy_file(program, program_);
    }
    ~Station() { fs::remove_all(folder_); }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    const fs::path& Folder() const { return folder_; }
    const fs::path& Program() const { return program_; }
    fs::path Bay() const { return folder_ / "bay"; }

  private:
    fs::path folder_;
    fs::path program_;
};

// The program running offscreen on the station's bay; its output lines are read as they come, its
// errors and traces go to a file in the station.
class Child {
  public:
    Child(const Station& station, const std::vector<std::string>& args) : stderrPath_(station.Folder() / "stderr.txt") {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            const int err = ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) ::dup2(err, STDERR_FILENO);
            if (::chdir(station.Folder().c_str()) != 0) ::_exit(126);
            ::setenv("KESTRANE_BAY", station.Bay().c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            // The test follows the program by its traces, which reach the terminal only when asked.
            ::setenv("KESTRANE_TRACE", "1", 1);
            std::vector<std::string> argv{station.Program().string()};
            argv.insert(argv.end(), args.begin(), args.end());
            std::vector<char*> raw;
            for (std::string& a : argv) raw.push_back(a.data());
            raw.push_back(nullptr);
            ::execv(raw[0], raw.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~Child() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return pid_ > 0 && out_ >= 0; }
    void Signal(int signal) const { ::kill(pid_, signal); }

    // True once the output holds `line` as a whole line.
    bool WaitForLine(const std::string& line, std::chrono::seconds within) {
        const auto end = Clock::now() + within;
        while (Count(output_, line + "\n") == 0) {
            if (!ReadSome(end)) return false;
        }
        return true;
    }
    // True once the errors and traces hold `text`.
    bool WaitForTrace(const std::string& text, std::chrono::seconds within) {
        const auto end = Clock::now() + within;
        while (Errors().find(text) == std::string::npos) {
            if (Clock::now() >= end || Ended()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
    // The exit status (as waitpid gives it) once the process has ended within the bound.
    std::optional<int> WaitForEnd(std::chrono::seconds within) {
        const auto end = Clock::now() + within;
        while (!Ended() && Clock::now() < end) ReadSome(std::min(end, Clock::now() + std::chrono::milliseconds(50)));
        return status_;
    }
    const std::string& Output() const { return output_; }
    std::string Errors() const { return ReadText(stderrPath_); }
    // The last lines of the errors and traces, for a failure's message.
    std::string ErrorsTail() const {
        const std::string text = Errors();
        return text.size() > 3000 ? "..." + text.substr(text.size() - 3000) : text;
    }

  private:
    bool Ended() {
        int status = 0;
        if (!status_ && ::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
        return status_.has_value();
    }
    // Reads what has come before `end`; false when nothing more can come (or the time is up).
    bool ReadSome(Clock::time_point end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        pollfd fd{out_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return false;
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    fs::path stderrPath_;
    pid_t pid_ = -1;
    int out_ = -1;
    std::string output_;
    std::optional<int> status_;
};

// What every close must leave behind.
void ExpectTheWritesOfClose(const Station& station) {
    const std::string yield = ReadText(station.Folder() / "log" / "RAVEZ.log");
    EXPECT_NE(yield.find("[TestRecord]"), std::string::npos) << yield;
    EXPECT_NE(yield.find("TotalTestCount="), std::string::npos) << yield;
    EXPECT_NE(yield.find("NumberOfPass="), std::string::npos) << yield;
    EXPECT_TRUE(fs::is_directory(station.Bay() / "state")) << "the bay keeps its drives' state";
}

void ExpectEndedWithZero(Child& child) {
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
    Station station(KESTRANE_OPERATED, kFixtureBay);
    std::vector<std::string> args{std::string("--then=") + way.then,
                                  "--answer-after=" + std::to_string(way.answerAfterMs)};
    Child child(station, args);
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
    Station station(KESTRANE_PROGRAM, "");
    Child child(station, {});
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
