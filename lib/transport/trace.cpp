#include "transport/trace.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/files.h"
#include "platform/trace_sink.h"
#include "transport/tool_records.h"

AP_RDSetting_t AP_RDSetting{};
AP_OtSet_t AP_OtSet{};

namespace {

constexpr std::size_t kTraceBuffer = 1024;

// Formats into a 1,024-byte buffer: at most 1,023 characters, longer output is cut.
std::size_t FormatLine(char (&buf)[kTraceBuffer], const char* format, va_list args) {
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    if (n < 0) {
        buf[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < sizeof buf ? static_cast<std::size_t>(n) : sizeof buf - 1;
}

std::mutex g_dumpFolderMutex;
std::string g_dumpFolder;  // empty: "raw" under the program folder

std::filesystem::path DumpFolder() {
    std::lock_guard lock(g_dumpFolderMutex);
    if (g_dumpFolder.empty()) return platform::ProgramFolder() / "raw";
    return platform::InProgramFolder(g_dumpFolder);
}

}  // namespace

void SetRawDumpFolder(const char* folder) {
    std::lock_guard lock(g_dumpFolderMutex);
    g_dumpFolder = folder ? folder : "";
}

void TraceOut(const char* format, ...) {
    char buf[kTraceBuffer];
    va_list args;
    va_start(args, format);
    const std::size_t n = FormatLine(buf, format, args);
    va_end(args);
    platform::WriteTrace(std::string_view(buf, n));
}

void TraceOutToFile(std::FILE* logFile, const char* format, ...) {
    char buf[kTraceBuffer];
    va_list args;
    va_start(args, format);
    const std::size_t n = FormatLine(buf, format, args);
    va_end(args);
    platform::WriteTrace(std::string_view(buf, n));
    if (AP_RDSetting.DumpPftFile != 0 && logFile != nullptr) {
        std::fwrite(buf, 1, n, logFile);
    }
}

bool WriteRawFile(const char* path, const void* data, std::size_t length) {
    if (path == nullptr || *path == '\0' || (data == nullptr && length != 0)) return false;
    std::FILE* f = std::fopen(platform::InProgramFolder(path).c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = length == 0 || std::fwrite(data, 1, length, f) == length;
    return std::fclose(f) == 0 && ok;
}

void DumpRawFile(const char* name, const void* data, std::size_t length) {
    if (AP_RDSetting.DumpDebugFile == 0 || name == nullptr) return;
    const std::string path = platform::JoinPath(DumpFolder(), name).string();
    WriteRawFile(path.c_str(), data, length);
}

void DumpRawFileAt(const char* path, const void* data, std::size_t length) {
    if (AP_RDSetting.DumpDebugFile == 0) return;
    WriteRawFile(path, data, length);
}

std::uint16_t AsWord16(std::uint16_t value) { return value; }

std::uint64_t GetFileLength(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t BoundedStrLen(const char* text, std::size_t limit) { return ::strnlen(text, limit); }

bool CalcShift(std::uint32_t value, std::uint8_t* shift) {
    bool power = true;
    std::uint8_t s = 0;
    // The callers pass geometry of at least 1; 0 is taken as "not a power of two" instead of looping.
    if (value == 0) {
        *shift = 0;
        return false;
    }
    while (value != 1) {
        ++s;
        if ((value & 1U) != 0) power = false;
        value >>= 1;
    }
    *shift = s;
    return power;
}

std::uint8_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return static_cast<std::uint8_t>(static_cast<unsigned char>(c) - 48);
}
