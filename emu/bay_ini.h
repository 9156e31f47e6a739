// The bay description's INI reader: sections in file order, "key=value" lines, ';' and '#'
// comments. Section and key names compare without regard to letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;  // in file order

    std::optional<std::string> Get(std::string_view key) const;
    std::string GetOr(std::string_view key, std::string_view fallback) const;
};

struct IniFile {
    std::vector<IniSection> sections;
    // The line numbers of lines that are neither a section, a key, a comment nor blank.
    std::vector<int> badLines;
};

IniFile ParseIni(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace emu
