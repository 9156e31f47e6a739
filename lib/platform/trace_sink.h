// The thread-safe sink that receives every trace line whole: stderr by default,
// a file when asked, a capture buffer in tests. Lines from several threads never interleave
// inside one line.
#pragma once

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
