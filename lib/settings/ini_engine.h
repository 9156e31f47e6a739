// The INI engine: the settings file "RIVIDO.ini", the TMC timing files and the Para files, each kept
// as one text in memory, read by section and key and changed by splicing key lines into the text.
//
// Which text a call works on is chosen from its path by plain, case-sensitive substring tests: a path
// containing "TMC_" selects the timing text, else a path containing "Para" the Para text, else the main
// text. The path only selects a text: nothing but the loaders and IniSaveFile opens a file.
// IniGetInt64 and every setter always work on the main text.
//
// Threads: the engine is meant for one thread at a time (the GUI thread, or a fixture worker reading
// timing files while the GUI thread waits). Every call below still takes one engine mutex, so that a
// misuse can never corrupt a text; a sequence of calls (load, then reads) is not made atomic by it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Loads `path` into the main text (carriage returns dropped). A file that cannot be read leaves the
// main text empty. Returns 1 in both cases.
int IniLoadFile(const char* path);
// Loads `path` into the timing text; false (and an empty timing text) when it cannot be read.
bool IniLoadTmcFile(const char* path);
// Loads `path` into the Para text; false (and an empty Para text) when it cannot be read.
bool IniLoadParaFile(const char* path);
// Writes the main text to `path` with CR LF line ends, through a temporary file renamed over `path`.
// Returns 1, or 0 when the file cannot be written (the old file is then left as it was).
int IniSaveFile(const char* path);

// True when the text chosen by `path` has the line "[" section "]".
bool IniHasSection(const char* section, const char* path);

// The value's number; `def` when the section or key line is missing or the value is empty.
std::int32_t IniGetInt(const char* section, const char* key, std::int32_t def, const char* path);
// A value written "0x" and hex digits; `def` when the section or key is missing; 0 when the value
// does not scan (an empty value included).
std::uint32_t IniGetHex(const char* section, const char* key, std::uint32_t def, const char* path);
// The leading decimal digits of the value in the main text; `def` when missing or empty.
std::uint64_t IniGetInt64(const char* section, const char* key, std::uint64_t def);
// Copies the value (cut to size - 1 characters) or, when the section or key is missing, `def` (cut
// likewise) into `out` and terminates it. Returns the length placed there; 0 without a buffer.
std::size_t IniGetString(const char* section, const char* key, const char* def, char* out, std::size_t size,
                         const char* path);

// Puts the line key "=" value into the main text; `path` is not used. Line breaks in `value` are
// dropped. Returns 1, or 0 (text unchanged) when the section holds a line break or the key could not
// be found again once written (missing or empty, holding "=" or a line break, blanks at its ends, or
// starting with "[").
int IniSetString(const char* section, const char* key, const char* value, const char* path);
// `value` formatted as "%d", then IniSetString.
int IniSetInt(const char* section, const char* key, std::int32_t value, const char* path);
// `value` formatted as an unsigned decimal, then IniSetString.
int IniSetInt64(const char* section, const char* key, std::uint64_t value, const char* path);

// A copy of the main text (tests, bench, diagnostics).
std::string IniMainText();
// Replaces the main text as if a file holding `contents` had been loaded (tests, fuzzing).
void IniUseMainText(std::string_view contents);
// Empties all three texts (tests).
void IniResetState();
