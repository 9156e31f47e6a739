// Shared pieces of the libFuzzer targets: a quiet trace, a virtual clock (every wait returns at
// once) and a scratch folder of the process's own under /dev/shm (or the temporary folder).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"

namespace fuzz {

// Call at the top of every input: silences the trace and installs the virtual clock once.
inline void Quiet() {
    static const bool done = [] {
        platform::TraceToNothing();
        static platform::VirtualClock clock;
        static platform::ScopedClock scoped(clock);
        return true;
    }();
    (void)done;
}

// A scratch folder of this process, created once.
inline const std::filesystem::path& Scratch(std::string_view tag) {
    static const std::filesystem::path folder = [tag] {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
        auto p = base / ("qv_fuzz_" + std::string(tag) + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(p, ec);
        static const std::filesystem::path removeAtExit = p;
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(removeAtExit, e);
        });
        return p;
    }();
    return folder;
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Aborts with `what` when a checked property does not hold (libFuzzer reports the input).
inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

}  // namespace fuzz
