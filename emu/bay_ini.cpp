#include "emu/bay_ini.h"

#include <cctype>

namespace emu {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> IniSection::Get(std::string_view key) const {
    for (const auto& [k, v] : keys) {
        if (EqualNoCase(k, key)) return v;
    }
    return std::nullopt;
}

std::string IniSection::GetOr(std::string_view key, std::string_view fallback) const {
    auto v = Get(key);
    return v ? *v : std::string(fallback);
}

IniFile ParseIni(std::string_view text) {
    IniFile ini;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos || close == 1) {
                ini.badLines.push_back(lineNumber);
                continue;
            }
            ini.sections.push_back({std::string(Trim(line.substr(1, close - 1))), {}});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || ini.sections.empty() || Trim(line.substr(0, eq)).empty()) {
            ini.badLines.push_back(lineNumber);
            continue;
        }
        std::string_view value = Trim(line.substr(eq + 1));
        // A comment after the value: " ; ..." (a ';' inside a value needs no space before it).
        if (const auto c = value.find(" ;"); c != std::string_view::npos) value = Trim(value.substr(0, c));
        ini.sections.back().keys.emplace_back(std::string(Trim(line.substr(0, eq))), std::string(value));
    }
    return ini;
}

}  // namespace emu
