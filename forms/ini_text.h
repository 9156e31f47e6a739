// The text of a keyed INI file as lines, looked up and changed one key at a time while every other
// line (comments, unknown keys, blank lines, other sections) is kept byte for byte.
//
// Lookup rules: a section starts at a line whose first non-blank character is "[", its name is the
// text up to the next "]" with blanks trimmed, and it runs to the next such line. A key line is a line
// of the section holding "=": its key is the text before the first "=" and its value the text after
// it, both with blanks trimmed. Section and key names compare without regard to ASCII case; the first
// matching section and the first matching key line win.
//
// Writing: an existing key line is rewritten as key "=" value (keeping the file's spelling of the
// key); a new key goes after the last non-empty line of its section; a new section goes at the end,
// after an empty line. Serialize() ends every line with CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace forms {

class IniText {
  public:
    IniText() = default;
    // Splits bytes at LF; carriage returns at the end of a line belong to its line end.
    static IniText Parse(std::string_view bytes);
    std::string Serialize() const;

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // False (and nothing changes) for a name or value that cannot be stored on one line.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    bool HasSection(std::string_view section) const;
    // Section names in file order, each name once (the first spelling).
    std::vector<std::string> Sections() const;
    // Key names of the first matching section in file order, each once; comment lines (";") excluded.
    std::vector<std::string> Keys(std::string_view section) const;

    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    struct Range {
        std::size_t header, end;  // header line index; first line after the section
    };
    std::optional<Range> FindSection(std::string_view section) const;

    std::vector<std::string> lines_;
};

// A read-only index over one parse of a text, for readers that look up many keys: Get answers as
// IniText::Get does (first matching section, first matching key line in it, names without regard to
// ASCII case) without walking the whole text again. The sections are indexed at construction; a
// large section's keys on its first look-up. The text must outlive the lookup.
class IniLookup {
  public:
    explicit IniLookup(const IniText& text);
    std::optional<std::string_view> Get(std::string_view section, std::string_view key) const;
    std::string Read(std::string_view section, std::string_view key, std::string_view fallback) const;

  private:
    struct Section {
        std::size_t begin, end;  // the section's lines after its header
        mutable bool indexed = false;
        mutable std::unordered_map<std::string, std::size_t> keys;  // folded key -> line
    };
    const IniText* text_;
    std::unordered_map<std::string, Section> sections_;
};

// Names and values that fit on one INI line.
bool IsStorableSectionName(std::string_view name);
bool IsStorableKeyName(std::string_view name);
bool IsStorableValue(std::string_view value);

}  // namespace forms
