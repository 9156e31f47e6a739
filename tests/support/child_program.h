// Running a program as a child process for a test: in a folder of the test's choosing, with an
// environment built beforehand, its standard output read as it comes and its standard error (the
// traces) collected in a file. Every wait has a bound; a child still running when the object goes is
// killed, so a hang fails the test instead of stopping the suite.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "support/demo_station.h"
#include "support/scratch_folder.h"

extern char** environ;

namespace test_support {

using ChildClock = std::chrono::steady_clock;

// This process's environment with the variables of `set` given their values and those named in
// `unset` removed ("NAME=value" entries, as execve takes them).
inline std::vector<std::string> EnvironmentWith(const std::vector<std::pair<std::string, std::string>>& set,
                                                const std::vector<std::string>& unset = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        const auto named = [&](const auto& n) { return n == name; };
        if (std::any_of(unset.begin(), unset.end(), named)) continue;
        if (std::any_of(set.begin(), set.end(), [&](const auto& v) { return v.first == name; })) continue;
        env.push_back(entry);
    }
    for (const auto& [name, value] : set) env.push_back(name + "=" + value);
    return env;
}

// A copy of the demo station (CopyDemoStation) in a scratch folder of its own, removed with it:
// the station in Folder(), room for a test's other files beside it in Root().
class ProgramStation {
  public:
    // `bayIni`, when given, replaces the station's bay description.
    explicit ProgramStation(const std::string& name, const std::string& bayIni = "")
        : root_(name + "_" + std::to_string(serial_++)) {
        CopyDemoStation(Folder());
        if (!bayIni.empty()) root_.Write("station/bay/bay.ini", bayIni);
    }

    const std::filesystem::path& Root() const { return root_.Path(); }
    std::filesystem::path Folder() const { return root_ / "station"; }
    std::filesystem::path Bay() const { return Folder() / "bay"; }

    // Places `program` beside the station's files, as on a station PC (the program folder is the one
    // of the executable), and returns its path there.
    std::filesystem::path Place(const std::filesystem::path& program) const {
        const std::filesystem::path placed = Folder() / program.filename();
        std::error_code linked;
        std::filesystem::create_hard_link(program, placed, linked);
        if (linked) std::filesystem::copy_file(program, placed, std::filesystem::copy_options::overwrite_existing);
        return placed;
    }

  private:
    static inline std::atomic<int> serial_{0};
    ScratchFolder root_;
};

class ChildProgram {
  public:
    // Starts `program` with `args` in `folder`, with `environment` (EnvironmentWith) and its standard
    // error written to `errors`.
    ChildProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& folder, std::vector<std::string> environment,
                 const std::filesystem::path& errors)
        : errorsPath_(errors) {
        // Everything the child needs is made before the fork: after it, only calls safe in a child.
        std::vector<std::string> argv{program.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> rawArgv, rawEnv;
        for (std::string& a : argv) rawArgv.push_back(a.data());
        rawArgv.push_back(nullptr);
        for (std::string& e : environment) rawEnv.push_back(e.data());
        rawEnv.push_back(nullptr);
        const std::string errorsFile = errors.string(), where = folder.string();
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            const int err = ::open(errorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) ::dup2(err, STDERR_FILENO);
            if (::chdir(where.c_str()) != 0) ::_exit(126);
            ::execve(rawArgv[0], rawArgv.data(), rawEnv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        if (pid_ > 0) {
            out_ = out[0];
        } else {
            ::close(out[0]);
        }
    }
    ~ChildProgram() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool Started() const { return pid_ > 0 && out_ >= 0; }
    void Signal(int signal) const { ::kill(pid_, signal); }

    // Whether the process has a handler of its own for `signal` (the caught-signals mask of /proc).
    bool Catches(int signal) const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("SigCgt:", 0) != 0) continue;
            const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
            return ((mask >> (signal - 1)) & 1) != 0;
        }
        return false;
    }

    // True once the output holds `line` as a whole line.
    bool WaitForLine(const std::string& line, std::chrono::seconds within) {
        const auto end = ChildClock::now() + within;
        while (output_.find(line + "\n") == std::string::npos) {
            if (!ReadSome(end)) return false;
        }
        return true;
    }
    // True once the errors and traces hold `text`.
    bool WaitForTrace(const std::string& text, std::chrono::seconds within) {
        return WaitUntil([&] { return Errors().find(text) != std::string::npos; }, within);
    }
    // True once `done` holds (asked every 10 ms while the output is read); false when the process ends
    // or the time is up first.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds within) {
        const auto end = ChildClock::now() + within;
        while (!done()) {
            if (ChildClock::now() >= end || Ended()) return false;
            Serve(std::min(end, ChildClock::now() + std::chrono::milliseconds(10)));
        }
        return true;
    }
    // The exit status (as waitpid gives it) once the process has ended within the bound; then the
    // output holds all it wrote.
    std::optional<int> WaitForEnd(std::chrono::milliseconds within) {
        const auto end = ChildClock::now() + within;
        while (!Ended() && ChildClock::now() < end)
            Serve(std::min(end, ChildClock::now() + std::chrono::milliseconds(50)));
        if (status_) {
            while (ReadSome(ChildClock::now() + std::chrono::milliseconds(100))) {
            }
        }
        return status_;
    }

    const std::string& Output() const { return output_; }
    std::string Errors() const {
        std::ifstream in(errorsPath_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
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
    bool ReadSome(ChildClock::time_point end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - ChildClock::now()).count();
        if (left <= 0) return false;
        pollfd fd{out_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return false;
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    // Reads the output until `end` (waits there when no more can come).
    void Serve(ChildClock::time_point end) {
        if (!ReadSome(end)) std::this_thread::sleep_until(end);
    }

    std::filesystem::path errorsPath_;
    pid_t pid_ = -1;
    int out_ = -1;
    std::string output_;
    std::optional<int> status_;
};

}  // namespace test_support
