// The flash list file: [Version] FlashIniVer, [Vendor] Name00, Name01, ... (the vendor names, up to
// the first missing key or "No"), and per vendor a section of its name with Name000, Name001, ...
// (one part per key, same end rule). A part's line holds 25 tokens separated by whitespace: the
// unique name, the full name, then 23 numbers (decimal or "0x" hexadecimal) in the order of the
// fields of FlashRecord_t; a token is a run of ASCII letters and digits, anything after the 25th is
// ignored. The file is parsed once; keys match as forms::IniFile matches them.
//
// Limits (the load fails with a trace naming the section and key): 50 vendors, 500 parts, vendor
// names of 19 characters, lines of 255 characters, text tokens of 31 characters, and a unique name
// of at most 9 characters (what [FlashSetting] FlashUniName holds). A number token that is not a
// number fails the line like a missing token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace forms {
class IniText;
}

// The list named by [FlashSetting] ExtFlashFile: always a file below `programFolder`, whatever the
// value begins with (its leading "/" and "\" are dropped). Nothing for a value that names no file
// or climbs out of the folder through "..".
std::optional<std::filesystem::path> FlashListPath(const std::filesystem::path& programFolder, std::string_view value);

// Loads the list into g_FlashRecord, g_FlashVendorName and g_FlashVendorStart. 1 when at least one
// vendor was listed and every part line parsed, else 0. The vendor count is written once the vendor
// names are read; the record count (parts parsed before any failure) only when a vendor was listed.
// A failed load keeps what was read before the failure.
int LoadFlashIni(const std::filesystem::path& path, int* vendorCount, int* recordCount);
int LoadFlashIniText(const forms::IniText& text, int* vendorCount, int* recordCount);

// The next token of `text` into `token` (at most 79 characters and the terminator): whitespace is
// skipped, then letters and digits are taken; `consumed` counts both. 1 when a token was taken, 0
// when none starts there or it is longer than 79 characters.
inline constexpr std::size_t kFlashTokenSize = 80;
int GetFlashToken(const char* text, char* token, int* consumed);

// Advance `cursor` by the previous call's `consumed`, then take one token: the text form copies it
// into `field` (refused above size - 1 characters), the number form stores the low bits of its value.
int ReadFlashTextField(const char*& cursor, int& consumed, char* field, std::size_t size);
int ReadFlashNumberField(const char*& cursor, int& consumed, std::uint32_t& value);
template <class T>
int ReadFlashNumberField(const char*& cursor, int& consumed, T& field) {
    std::uint32_t value = 0;
    if (ReadFlashNumberField(cursor, consumed, value) == 0) return 0;
    field = static_cast<T>(value);
    return 1;
}

// The version text of the last load ("N/A" when the key is missing).
const std::string& FlashIniVersion();
