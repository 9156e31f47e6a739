#include "app/tmc_sections.h"

#include <fstream>
#include <iterator>

#include "app/settings_passes.h"

namespace app {

forms::IniText TmcText(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > 16u * 1024u * 1024u) return {};
    std::ifstream in(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    return forms::IniText::Parse(bytes);
}

std::vector<std::string> TmcSectionsOf(const forms::IniText& text, std::uint8_t flashInterface, std::uint16_t clock) {
    const forms::IniLookup ini(text);
    std::vector<std::string> sections;
    for (unsigned n = 0; n <= 99; ++n) {
        const std::string name = TimingSectionName(flashInterface, clock, n);
        if (ini.Read(name, "Note", "N/A") != "N/A") sections.push_back(name);
    }
    return sections;
}

std::string TmcNote(const forms::IniText& text, const std::string& section) {
    return forms::IniLookup(text).Read(section, "Note", "N/A");
}

}  // namespace app
