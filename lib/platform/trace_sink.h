// The thread-safe sink that receives every trace line whole: stderr by default,
// a file when asked, a capture buffer in tests. Lines from several threads never interleave
// inside one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Sends one already-formatted line (it carries its own line end, if any).
void WriteTrace(std::string_view line);

// Sends lines to stderr (the default).
void TraceToStderr();
// Appends lines to `path`; false when the file cannot be opened (the sink is then unchanged).
bool TraceToFile(const std::string& path);
// Discards lines.
void TraceToNothing();

// The programs' trace switch: the environment variable KESTRANE_TRACE. Traces reach the terminal
// (stderr) only when it is exactly "1"; any other value, or none, keeps them off the terminal.
inline constexpr const char* kTraceSwitchVariable = "KESTRANE_TRACE";
bool TraceSwitchOn(const char* value);
// Sends lines to stderr when the environment's switch is on, else discards them; returns whether
// they go to stderr. A program calls it once at start, before its first trace.
bool TraceToTerminalWhenAsked();

// The file sink keeps lines in memory and writes them in one go: when `bufferBytes` are waiting, when
// a line comes `maxAgeMs` (installed clock) after the oldest waiting one, every `maxAgeMs` of real time
// from a background thread (a person tailing the file or a crash loses at most that much), when the
// sink is switched or closed, on FlushTrace and at program exit.
struct TraceFileRules {
    std::size_t bufferBytes = 64 * 1024;
    std::uint64_t maxAgeMs = 200;
    bool background = true;  // tests turn the real-time flusher off to see the other rules alone
};
// Takes effect for the next lines; waiting lines are written first.
void SetTraceFileRules(const TraceFileRules& rules);
TraceFileRules CurrentTraceFileRules();
// Writes every waiting line to the file now.
void FlushTrace();

// Captures every line while alive (tests). Captures nest: the innermost one receives lines.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const;
    // All lines joined, as they were written.
    std::string Text() const;
    bool Contains(std::string_view fragment) const;
    void Clear();

    // Internal: called by the sink under its lock.
    void Append(std::string_view line);

private:
    std::vector<std::string> lines_;
    TraceCapture* previous_;
};

}  // namespace platform
