// Running the system's tools (sfdisk, mkntfs, ntfs-3g) and starting the format program.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::linuxos {

// The tool's full path: looked up in PATH, then /usr/sbin, /sbin, /usr/bin, /bin; nullopt when absent.
std::optional<std::filesystem::path> FindTool(std::string_view name);

struct ToolRun {
    bool started = false;
    int status = -1;     // the exit status; -1 when it did not exit normally
    std::string output;  // stdout and stderr, at most 64 KiB
};
// Runs argv[0] (found with FindTool) with `input` on its stdin and waits for it.
ToolRun RunTool(const std::vector<std::string>& argv, std::string_view input = {});

// Starts argv[0] (a full path) in `folder` with stdin, stdout and stderr on /dev/null, without waiting
// (a thread of its own collects its exit). 0 when started, else the errno of the failure.
int StartDetached(const std::vector<std::string>& argv, const std::filesystem::path& folder);

}  // namespace platform::linuxos
