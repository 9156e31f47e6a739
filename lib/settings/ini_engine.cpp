#include "settings/ini_engine.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/files.h"
#include "settings/ini_text.h"
#include "transport/trace.h"

namespace {

// A settings, timing or Para file is a few kilobytes; anything this large is not one, and is
// refused rather than read into memory.
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

struct Engine {
    std::mutex mutex;  // taken by every entry point; see the header's note on threads
    std::string mainText;
    std::string timingText;
    std::string paraText;
};

Engine& TheEngine() {
    static Engine engine;
    return engine;
}

std::string_view View(const char* s) {
    return s != nullptr ? std::string_view(s) : std::string_view();
}

// The text a path selects (the caller holds the mutex).
const std::string& TextFor(const Engine& engine, const char* path) {
    const std::string_view name = View(path);
    if (name.find("TMC_") != std::string_view::npos) return engine.timingText;
    if (name.find("Para") != std::string_view::npos) return engine.paraText;
    return engine.mainText;
}

// The file's bytes without carriage returns, or nothing when it cannot be read or is too large.
std::optional<std::string> ReadText(const char* path) {
    if (path == nullptr || *path == '\0') return std::nullopt;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFileBytes) {
        TraceOut("######### - %s is too large for a settings file (%ju bytes) fail!\n", path, size);
        return std::nullopt;
    }
    auto raw = platform::ReadWholeFile(path);
    if (!raw) return std::nullopt;
    if (raw->size() > kMaxFileBytes) {
        TraceOut("######### - %s is too large for a settings file fail!\n", path);
        return std::nullopt;
    }
    return settings::ini::DropCarriageReturns(*raw);
}

bool LoadInto(std::string& text, const char* path) {
    auto loaded = ReadText(path);
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    if (!loaded) {
        text.clear();
        return false;
    }
    text = std::move(*loaded);
    return true;
}

// The value of the key in the chosen text, copied out under the mutex.
std::optional<std::string> Lookup(const char* section, const char* key, const char* path) {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    const auto value = settings::ini::FindValue(TextFor(engine, path), View(section), View(key));
    if (!value) return std::nullopt;
    return std::string(*value);
}

// Copies `text` into `out` cut to size - 1 characters and terminated; returns the length placed.
std::size_t CopyOut(std::string_view text, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return 0;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    if (n > 0) std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return n;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

int IniLoadFile(const char* path) {
    LoadInto(TheEngine().mainText, path);
    return 1;
}

bool IniLoadTmcFile(const char* path) {
    return LoadInto(TheEngine().timingText, path);
}

bool IniLoadParaFile(const char* path) {
    return LoadInto(TheEngine().paraText, path);
}

int IniSaveFile(const char* path) {
    std::string contents;
    {
        Engine& engine = TheEngine();
        std::lock_guard lock(engine.mutex);
        contents = settings::ini::ToCrLf(engine.mainText);
    }
    if (path == nullptr || *path == '\0' || !platform::WriteFileAtomic(path, contents)) {
        TraceOut("######### - IniSaveFile %s fail!\n", path != nullptr ? path : "");
        return 0;
    }
    return 1;
}

bool IniHasSection(const char* section, const char* path) {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    return settings::ini::HasSection(TextFor(engine, path), View(section));
}

std::int32_t IniGetInt(const char* section, const char* key, std::int32_t def, const char* path) {
    const auto value = Lookup(section, key, path);
    if (!value || value->empty()) return def;
    return settings::ini::ParseInt(*value);
}

std::uint32_t IniGetHex(const char* section, const char* key, std::uint32_t def, const char* path) {
    // The value as a 16-byte text would hold it (at most 15 characters); a missing key reads as the
    // default written "0x%x", so it scans back to the default.
    char text[16];
    char defText[16];
    std::snprintf(defText, sizeof defText, "0x%x", static_cast<unsigned>(def));
    const std::size_t n = IniGetString(section, key, defText, text, sizeof text, path);
    return settings::ini::ParseHex(std::string_view(text, n)).value_or(0);
}

std::uint64_t IniGetInt64(const char* section, const char* key, std::uint64_t def) {
    const auto value = Lookup(section, key, nullptr);
    if (!value || value->empty()) return def;
    return settings::ini::ParseUInt64(*value);
}

std::size_t IniGetString(const char* section, const char* key, const char* def, char* out, std::size_t size,
                         const char* path) {
    const auto value = Lookup(section, key, path);
    return CopyOut(value ? std::string_view(*value) : View(def), out, size);
}

int IniSetString(const char* section, const char* key, const char* value, const char* /*path*/) {
    if (section == nullptr || key == nullptr) return 0;
    const std::string_view keyView(key);
    if (HasLineBreak(section) || !settings::ini::IsUsableKey(keyView)) return 0;
    // A value never spans lines: a line break in it would start a line of its own in the file.
    std::string cleanValue;
    for (char c : View(value)) {
        if (c != '\r' && c != '\n') cleanValue.push_back(c);
    }
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    settings::ini::SetValue(engine.mainText, section, keyView, cleanValue);
    return 1;
}

int IniSetInt(const char* section, const char* key, std::int32_t value, const char* path) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return IniSetString(section, key, text, path);
}

int IniSetInt64(const char* section, const char* key, std::uint64_t value, const char* path) {
    char text[24];
    std::snprintf(text, sizeof text, "%" PRIu64, value);
    return IniSetString(section, key, text, path);
}

std::string IniMainText() {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    return engine.mainText;
}

void IniUseMainText(std::string_view contents) {
    std::string text = settings::ini::DropCarriageReturns(contents);
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    engine.mainText = std::move(text);
}

void IniResetState() {
    Engine& engine = TheEngine();
    std::lock_guard lock(engine.mutex);
    engine.mainText.clear();
    engine.timingText.clear();
    engine.paraText.clear();
}
