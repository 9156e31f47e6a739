// The timing sections a TMC file offers for a flash interface and clock: the sections
// "TIMING_SETTING_TYPE_<interface:02><clock:03><profile:02>", profile 0 to 99, whose "Note" key is
// set (not "N/A"), in profile order. One parse of the file serves every look-up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "forms/ini_text.h"

namespace app {

// The file's text; empty when it cannot be read.
forms::IniText TmcText(const std::filesystem::path& path);
std::vector<std::string> TmcSectionsOf(const forms::IniText& text, std::uint8_t flashInterface, std::uint16_t clock);
// The section's "Note", "N/A" when it has none.
std::string TmcNote(const forms::IniText& text, const std::string& section);

}  // namespace app
