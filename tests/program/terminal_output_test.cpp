// Kestrane and Vellumin started offscreen on a copy of the demo station with its bay, each closed as
// the end of a session closes it (SIGTERM, once the program handles it): their traces reach the
// terminal only with KESTRANE_TRACE=1. Qt's own messages are told apart by a prefix of their own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kQtPrefix = "qt: ";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The lines of `text` that Qt did not write.
std::vector<std::string> OwnLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(kQtPrefix, 0) != 0) lines.push_back(line);
    }
    return lines;
}

// Whether the process has a handler of its own for SIGTERM (the caught-signals mask of /proc).
bool CatchesTerm(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) != 0) continue;
        const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
        return ((mask >> (SIGTERM - 1)) & 1) != 0;
    }
    return false;
}

struct Finished {
    bool exited = false;  // ended by itself (not by a signal, not killed by this test)
    int status = -1;
    std::string out, err;
};

class TerminalOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("qv_terminal_output_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        station_ = root_ / "station";
        fs::create_directories(station_);
        for (const auto& entry : fs::directory_iterator(QV_DEMO_STATION)) {
            const std::string name = entry.path().filename().string();
            if (name == "kestrane" || name == "vellumin" || name == "log" || name == "raw" || name == "Sorting_Log" ||
                name == "mnt") {
                continue;
            }
            fs::copy(entry.path(), station_ / name, fs::copy_options::recursive);
        }
        fs::remove_all(station_ / "bay" / "state");
        fs::create_directories(root_ / "runtime");
        fs::permissions(root_ / "runtime", fs::perms::owner_all);
    }
    void TearDown() override { fs::remove_all(root_); }

    // The program beside the station's files, as on a station PC (the program folder is the station).
    fs::path Place(const fs::path& program) {
        const fs::path placed = station_ / program.filename();
        std::error_code linked;
        fs::create_hard_link(program, placed, linked);
        if (linked) fs::copy_file(program, placed, fs::copy_options::overwrite_existing);
        return placed;
    }

    // Starts the program with KESTRANE_TRACE set to `trace` (unset when empty), closes it once it
    // handles SIGTERM, and collects what it printed.
    Finished Run(const fs::path& program, const std::string& trace) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string v = *e;
            const std::string name = v.substr(0, v.find('='));
            if (name == "KESTRANE_TRACE" || name == "KESTRANE_BAY" || name == "QT_QPA_PLATFORM" ||
                name == "QT_MESSAGE_PATTERN" || name == "XDG_RUNTIME_DIR" || name == "DISPLAY") {
                continue;
            }
            env.push_back(v);
        }
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back(std::string("QT_MESSAGE_PATTERN=") + kQtPrefix + "%{message}");
        env.push_back("XDG_RUNTIME_DIR=" + (root_ / "runtime").string());
        env.push_back("KESTRANE_BAY=" + (station_ / "bay").string());
        if (!trace.empty()) env.push_back("KESTRANE_TRACE=" + trace);
        std::vector<char*> envp;
        for (auto& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string path = program.string();
        char* argv[] = {path.data(), nullptr};
        const std::string outPath = (root_ / "out").string(), errPath = (root_ / "err").string();
        const std::string folder = station_.string();

        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execve(argv[0], argv, envp.data());
            ::_exit(127);
        }
        Finished f;
        if (pid < 0) return f;
        using Clock = std::chrono::steady_clock;
        // Bounds, not timings: a program that never gets this far fails the test instead of hanging it.
        const auto deadline = Clock::now() + std::chrono::seconds(120);
        int wstatus = 0;
        bool ended = false;
        bool signalled = false;
        while (Clock::now() < deadline) {
            if (::waitpid(pid, &wstatus, WNOHANG) == pid) {
                ended = true;
                break;
            }
            if (!signalled && CatchesTerm(pid)) {
                ::kill(pid, SIGTERM);
                signalled = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &wstatus, 0);
        }
        f.exited = ended && WIFEXITED(wstatus);
        f.status = f.exited ? WEXITSTATUS(wstatus) : -1;
        f.out = ReadAll(outPath);
        f.err = ReadAll(errPath);
        return f;
    }

    fs::path root_, station_;
};

TEST_F(TerminalOutput, TracesReachTheTerminalOnlyWhenAsked) {
    struct Case {
        const char* program;
        const char* startTrace;  // a line the program traces on every start
    };
    for (const Case& c : {Case{KESTRANE_PROGRAM, "######### - FormCreate\n"},
                          Case{VELLUMIN_PROGRAM, "######### - Bridge type of port 0 is "}}) {
        SCOPED_TRACE(c.program);
        const fs::path program = Place(c.program);
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
