#include "app/tmc_sections.h"


#include "app/settings_passes.h"
#include "forms/ini_file.h"

namespace app {

forms::IniText TmcText(const std::filesystem::path& path) {
    const forms::IniFile file(path);
    const forms::IniText* text = file.Load();
    return text != nullptr ? *text : forms::IniText{};
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
