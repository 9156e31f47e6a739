#include "platform/trace_sink.h"

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

enum class Target { Stderr, File, Nothing };

struct Sink {
    std::mutex mutex;
    Target target = Target::Stderr;
    std::FILE* file = nullptr;
    TraceCapture* capture = nullptr;
};

Sink& TheSink() {
    static Sink sink;
    return sink;
}

void CloseFileLocked(Sink& s) {
    if (s.file != nullptr) {
        std::fclose(s.file);
        s.file = nullptr;
    }
}

}  // namespace

void WriteTrace(std::string_view line) {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    if (s.capture != nullptr) {
        s.capture->Append(line);
        return;
    }
    switch (s.target) {
        case Target::Stderr:
            std::fwrite(line.data(), 1, line.size(), stderr);
            break;
        case Target::File:
            std::fwrite(line.data(), 1, line.size(), s.file);
            std::fflush(s.file);
            break;
        case Target::Nothing:
            break;
    }
}

void TraceToStderr() {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    CloseFileLocked(s);
    s.target = Target::Stderr;
}

bool TraceToFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (f == nullptr) return false;
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    CloseFileLocked(s);
    s.file = f;
    s.target = Target::File;
    return true;
}

void TraceToNothing() {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    CloseFileLocked(s);
    s.target = Target::Nothing;
}

TraceCapture::TraceCapture() {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    previous_ = s.capture;
    s.capture = this;
}

TraceCapture::~TraceCapture() {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    s.capture = previous_;
}

void TraceCapture::Append(std::string_view line) { lines_.emplace_back(line); }

std::vector<std::string> TraceCapture::Lines() const {
    std::lock_guard lock(TheSink().mutex);
    return lines_;
}

std::string TraceCapture::Text() const {
    std::lock_guard lock(TheSink().mutex);
    std::string all;
    for (const auto& l : lines_) all += l;
    return all;
}

bool TraceCapture::Contains(std::string_view fragment) const {
    return Text().find(fragment) != std::string::npos;
}

void TraceCapture::Clear() {
    std::lock_guard lock(TheSink().mutex);
    lines_.clear();
}

}  // namespace platform
