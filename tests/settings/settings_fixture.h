// Shared helpers of the settings-section tests: clear the records, load a text into the INI engine
// and run the section readers, run the writers and take the text back.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "settings/ini_all.h"
#include "settings/ini_engine.h"
#include "settings/ini_sections.h"
#include "settings/records.h"

namespace settings_test {

// Any settings path: only its name matters to the engine (no "TMC_", no "Para").
inline constexpr const char* kPath = "RIVIDO.ini";

// Clears the records, puts `text` into the engine and runs every reader in the load order.
inline void ReadText(const std::string& text) {
    ResetSettingsRecords();
    IniUseMainText(text);
    ReadIniSections(kPath);
}

// Runs every writer in the save order on the engine's text and returns the text.
inline std::string WriteText() {
    WriteIniSections(kPath);
    return IniMainText();
}

// The bytes of every settings record, to compare two states.
struct RecordBytes {
    std::vector<unsigned char> ini, flash, fw, feature, rdt, para, rd;

    static std::vector<unsigned char> Of(const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        return std::vector<unsigned char>(b, b + n);
    }
    static RecordBytes Take() {
        return RecordBytes{Of(&AP_INIState, sizeof AP_INIState),  Of(&AP_FlashSet, sizeof AP_FlashSet),
                           Of(&AP_FwSet, sizeof AP_FwSet),        Of(&AP_FwFeatureSet, sizeof AP_FwFeatureSet),
                           Of(&AP_RDTSet, sizeof AP_RDTSet),      Of(&AP_ParaSet, sizeof AP_ParaSet),
                           Of(&AP_RDSetting, sizeof AP_RDSetting)};
    }
    bool operator==(const RecordBytes&) const = default;

    // Where two states first differ, e.g. "AP_INIState at byte 1234", or "" when they are equal.
    std::string FirstDifference(const RecordBytes& other) const {
        const std::pair<const char*, const std::vector<unsigned char> RecordBytes::*> parts[] = {
            {"AP_INIState", &RecordBytes::ini}, {"AP_FlashSet", &RecordBytes::flash},
            {"AP_FwSet", &RecordBytes::fw},     {"AP_FwFeatureSet", &RecordBytes::feature},
            {"AP_RDTSet", &RecordBytes::rdt},   {"AP_ParaSet", &RecordBytes::para},
            {"AP_RDSetting", &RecordBytes::rd}};
        for (const auto& [name, member] : parts) {
            const auto& a = this->*member;
            const auto& b = other.*member;
            for (std::size_t i = 0; i < a.size(); ++i) {
                if (a[i] != b[i]) return std::string(name) + " at byte " + std::to_string(i);
            }
        }
        return "";
    }
};

// The lines of `section` in `text` (every one after its header up to the next header, without the CR
// of a CR LF line).
inline std::vector<std::string> SectionLines(const std::string& text, const std::string& section) {
    std::vector<std::string> lines;
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + section + "]";
        } else if (inSection) {
            lines.push_back(line);
        }
        start = end + 1;
    }
    return lines;
}

// The value of `key` in `section` of `text` as the text holds it (exact key, first line), or "<none>".
inline std::string ValueIn(const std::string& text, const std::string& section, const std::string& key) {
    for (const std::string& line : SectionLines(text, section)) {
        if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
    }
    return "<none>";
}

// The keys of `section` in `text`, in order.
inline std::vector<std::string> KeysIn(const std::string& text, const std::string& section) {
    std::vector<std::string> keys;
    for (const std::string& line : SectionLines(text, section)) {
        if (line.find('=') != std::string::npos) keys.push_back(line.substr(0, line.find('=')));
    }
    return keys;
}

}  // namespace settings_test
