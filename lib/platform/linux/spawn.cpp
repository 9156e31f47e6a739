#include "platform/linux/spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace platform::linuxos {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxOutput = 64 * 1024;

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

struct Pipe {
    int fd[2] = {-1, -1};
    bool Open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
    void Close(int i) {
        if (fd[i] >= 0) ::close(fd[i]);
        fd[i] = -1;
    }
    ~Pipe() {
        Close(0);
        Close(1);
    }
};

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::optional<fs::path> FindTool(std::string_view name) {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            folders.emplace_back(rest.substr(0, colon));
            rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
        }
    }
    for (const char* f : {"/usr/sbin", "/sbin", "/usr/bin", "/bin"}) folders.emplace_back(f);
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        const fs::path candidate = fs::path(folder) / std::string(name);
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

ToolRun RunTool(const std::vector<std::string>& argv, std::string_view input) {
    ToolRun run;
    if (argv.empty()) return run;
    const auto tool = FindTool(argv[0]);
    if (!tool) {
        run.output = argv[0] + " not found";
        return run;
    }
    Pipe in, out;
    if (!in.Open() || !out.Open()) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.fd[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 2);
    std::vector<std::string> args = argv;
    args[0] = tool->string();
    auto raw = Argv(args);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    in.Close(0);
    out.Close(1);
    if (rc != 0) {
        run.output = argv[0] + " cannot be started";
        return run;
    }
    run.started = true;
    // Input and output together, so a tool that writes before it has read all cannot block us. A tool
    // that ends before reading its input must not end us with SIGPIPE: blocked here, dropped after.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    std::size_t written = 0;
    if (input.empty()) in.Close(1);
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {in.fd[1], POLLOUT, 0}};
        const nfds_t count = in.fd[1] >= 0 ? 2 : 1;
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (count == 2 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n = ::write(in.fd[1], input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) in.Close(1);
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::read(out.fd[0], buffer, sizeof buffer);
            if (n <= 0) break;
            if (run.output.size() < kMaxOutput) run.output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    in.Close(1);
    const timespec none{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    run.status = WaitFor(pid);
    return run;
}

int StartDetached(const std::vector<std::string>& argv, const fs::path& folder) {
    if (argv.empty()) return EINVAL;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) {
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    auto raw = Argv(argv);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, raw[0], &actions, &attr, raw.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return rc;
    std::thread([pid] { WaitFor(pid); }).detach();
    return 0;
}

}  // namespace platform::linuxos
