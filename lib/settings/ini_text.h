// The INI engine's text rules as pure functions over one text: finding a section and a key line,
// splicing a key line in, and converting values to numbers. The engine (ini_engine.h) keeps the
// texts and calls these; tests and fuzz targets can call them directly.
//
// A text holds no carriage returns (they are dropped when a file is loaded). Lines end at a line
// feed; a final line without one is still a line. A section starts at the first line that is
// exactly "[" name "]". A key line is a line whose text before its first "=" is the key, blanks
// around it ignored; its value is everything after that first "=".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace settings::ini {

// `raw` without any carriage return.
std::string DropCarriageReturns(std::string_view raw);

// Every line feed of `text` written as CR LF (the file form of a text).
std::string ToCrLf(std::string_view text);

// True when `text` has a header line of `section`.
bool HasSection(std::string_view text, std::string_view section);

// The value of `key` in `section` for the getters: the section's key lines run from its header to the
// next line that begins with "[" (or the end). Nothing when the section or key line is missing.
// The view points into `text`.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key);

// True when a key line for `key` can be written and found again: not empty, no "=", no line break,
// no blank at either end, and not starting with "[" (such a line would end the section).
bool IsUsableKey(std::string_view key);

// Puts the line key "=" value into `text`:
// - an empty text becomes "[" section "]" LF key "=" value LF;
// - a missing section is appended as LF "[" section "]" LF key "=" value LF;
// - in the section (header to the first empty line or the next line beginning with "["), the first key
//   line is replaced; a missing key is inserted after the section's last non-empty line (before the empty
//   line or the next header), or appended at the end of the text.
// Afterwards every line of `text`, the last one included, ends in a line feed.
// `key` must be usable (IsUsableKey) and `section` and `value` must hold no line break: the engine
// checks these first.
void SetValue(std::string& text, std::string_view section, std::string_view key, std::string_view value);

// IniGetInt's conversion: "-" then a digit run gives its negative, else the leading digit run;
// no digits give 0. A run up to 4294967295 reads as its 32-bit pattern (a 32-bit field written as
// "%d" or as its unsigned number reads back the same bits); longer runs stop at INT32_MAX, and
// negative runs below INT32_MIN stop there.
std::int32_t ParseInt(std::string_view value);

// IniGetInt64's conversion: the leading digit run (no sign), 0 without digits; saturates at 2^64 - 1.
std::uint64_t ParseUInt64(std::string_view value);

// IniGetHex's scan: "0x" (lower-case x) directly followed by hexadecimal digits of either case; the run of
// digits is the value, anything after it is ignored. Nothing when the prefix or the first digit is missing
// or the number does not fit 32 bits.
std::optional<std::uint32_t> ParseHex(std::string_view value);

}  // namespace settings::ini
