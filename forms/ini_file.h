// The keyed INI-file class: opened by path, it reads and writes single keys of a file that the INI
// engine also reads and writes, keeping every line it does not set (see ini_text.h for the rules).
// Every read looks at the file as it is now; every write updates the file at once, through a
// temporary file and a rename, so a crash leaves the old file or the new one.
// One object serves one thread at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/ini_text.h"

namespace forms {

class IniFile {
  public:
    // Files above this size are not read (reads give defaults, writes are refused).
    static constexpr std::uintmax_t kMaxFileBytes = 16u * 1024u * 1024u;

    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    // The value (blanks trimmed; an empty value is the empty text), or `fallback` when the file,
    // the section or the key is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // The value as a number (StrToInt), or `fallback` when missing, empty or not a number.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;

    // Writes key=value into the file (created when missing). False when the value or name cannot be
    // stored, when an existing file cannot be read (it is then left alone) or when writing fails.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSectionKeys(std::string_view section) const;

    // The file's current text (empty when the file is missing); null when it exists but cannot be
    // read or is too large. Parsed again only when the bytes changed since the last look; readers of
    // many keys index it once with IniLookup.
    const IniText* Load() const;

  private:

    std::filesystem::path path_;
    mutable std::optional<std::string> cachedBytes_;
    mutable IniText cachedText_;
};

}  // namespace forms
