#include "platform/trace_sink.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "platform/clock.h"

namespace platform {

namespace {

enum class Target { Stderr, File, Nothing };

struct Sink {
    std::mutex mutex;
    Target target = Target::Stderr;
    std::FILE* file = nullptr;
    TraceCapture* capture = nullptr;
    TraceFileRules rules;
    std::string pending;             // lines for the file not yet written
    std::uint64_t pendingSinceMs = 0;  // installed clock when the oldest waiting line came
    bool exited = false;             // after the exit flush every line is written at once
    // The real-time flusher: runs while lines go to a file and rules.background holds.
    std::thread flusher;
    pid_t flusherProcess = 0;  // a forked child that exits must not wait for its parent's flusher
    std::condition_variable wake;
    bool stopFlusher = false;
};

void FlushAtExit();

// Never destroyed: lines written by other objects' destructors at exit still find it.
Sink& TheSink() {
    static Sink* sink = [] {
        auto* s = new Sink;
        std::atexit(FlushAtExit);
        return s;
    }();
    return *sink;
}

void WritePendingLocked(Sink& s) {
    if (s.file == nullptr || s.pending.empty()) return;
    std::fwrite(s.pending.data(), 1, s.pending.size(), s.file);
    std::fflush(s.file);
    s.pending.clear();
}

void FlusherLoop(Sink& s) {
    std::unique_lock lock(s.mutex);
    while (!s.stopFlusher) {
        s.wake.wait_for(lock, std::chrono::milliseconds(s.rules.maxAgeMs == 0 ? 1 : s.rules.maxAgeMs));
        WritePendingLocked(s);
    }
}

// Stops the flusher; returns with the lock held again. The flusher takes the same lock.
void StopFlusher(Sink& s, std::unique_lock<std::mutex>& lock) {
    if (!s.flusher.joinable()) return;
    if (::getpid() != s.flusherProcess) {
        s.flusher.detach();
        return;
    }
    s.stopFlusher = true;
    s.wake.notify_all();
    std::thread t = std::move(s.flusher);
    lock.unlock();
    t.join();
    lock.lock();
    s.stopFlusher = false;
}

void StartFlusherLocked(Sink& s) {
    if (s.target == Target::File && s.rules.background && !s.exited && !s.flusher.joinable()) {
        s.flusher = std::thread(FlusherLoop, std::ref(s));
        s.flusherProcess = ::getpid();
    }
}

// Writes what waits, stops the flusher and closes the file.
void CloseFile(Sink& s, std::unique_lock<std::mutex>& lock) {
    StopFlusher(s, lock);
    WritePendingLocked(s);
    if (s.file != nullptr) {
        std::fclose(s.file);
        s.file = nullptr;
    }
}

void FlushAtExit() {
    Sink& s = TheSink();
    std::unique_lock lock(s.mutex);
    StopFlusher(s, lock);
    WritePendingLocked(s);
    s.exited = true;
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
        case Target::File: {
            const std::uint64_t now = CurrentClock().NowMs();
            if (s.pending.empty()) s.pendingSinceMs = now;
            s.pending.append(line);
            if (s.exited || s.pending.size() >= s.rules.bufferBytes || now - s.pendingSinceMs >= s.rules.maxAgeMs)
                WritePendingLocked(s);
            break;
        }
        case Target::Nothing:
            break;
    }
}

void TraceToStderr() {
    Sink& s = TheSink();
    std::unique_lock lock(s.mutex);
    CloseFile(s, lock);
    s.target = Target::Stderr;
}

bool TraceToFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (f == nullptr) return false;
    Sink& s = TheSink();
    std::unique_lock lock(s.mutex);
    CloseFile(s, lock);
    s.file = f;
    s.target = Target::File;
    s.pending.reserve(s.rules.bufferBytes);
    StartFlusherLocked(s);
    return true;
}

void TraceToNothing() {
    Sink& s = TheSink();
    std::unique_lock lock(s.mutex);
    CloseFile(s, lock);
    s.target = Target::Nothing;
}

bool TraceSwitchOn(const char* value) {
    return value != nullptr && std::string_view(value) == "1";
}

bool TraceToTerminalWhenAsked() {
    const bool on = TraceSwitchOn(std::getenv(kTraceSwitchVariable));
    if (on) {
        TraceToStderr();
    } else {
        TraceToNothing();
    }
    return on;
}

void SetTraceFileRules(const TraceFileRules& rules) {
    Sink& s = TheSink();
    std::unique_lock lock(s.mutex);
    StopFlusher(s, lock);
    WritePendingLocked(s);
    s.rules = rules;
    StartFlusherLocked(s);
}

TraceFileRules CurrentTraceFileRules() {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    return s.rules;
}

void FlushTrace() {
    Sink& s = TheSink();
    std::lock_guard lock(s.mutex);
    WritePendingLocked(s);
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
