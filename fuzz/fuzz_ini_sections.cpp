// libFuzzer target for the settings sections: every section reader over arbitrary text, then every
// writer; from the second save on, saving is a fixed point (the same text, the same records).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "settings/ini_all.h"
#include "settings/ini_engine.h"
#include "settings/records.h"
#include "transport/tool_records.h"

namespace {

constexpr const char* kPath = "RIVIDO.ini";

void ReadAll(std::string_view text) {
    ResetSettingsRecords();
    IniUseMainText(text);
    ReadIniSections(kPath);
}

std::string WriteAll() {
    WriteIniSections(kPath);
    return IniMainText();
}

template <class T>
void Append(std::vector<unsigned char>& out, const T& record) {
    const auto* p = reinterpret_cast<const unsigned char*>(&record);
    out.insert(out.end(), p, p + sizeof record);
}

std::vector<unsigned char> Records() {
    std::vector<unsigned char> out;
    Append(out, AP_INIState);
    Append(out, AP_FlashSet);
    Append(out, AP_FwSet);
    Append(out, AP_FwFeatureSet);
    Append(out, AP_RDTSet);
    Append(out, AP_ParaSet);
    Append(out, AP_RDSetting);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    // The first save may still normalise what the text held (a die map entry the die count cannot
    // hold, say); from then on a save is a fixed point: the same records, the same text.
    ReadAll(fuzz::Text(data, size));
    const std::string saved = WriteAll();
    ReadAll(saved);
    const std::vector<unsigned char> records = Records();
    // The second save gives the same text; the records read back from it are then the same too.
    fuzz::Check(WriteAll() == saved, "a second save changes nothing");
    fuzz::Check(Records() == records, "a save leaves the records as they were");
    return 0;
}
