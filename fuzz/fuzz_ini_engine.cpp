// libFuzzer target for the INI engine: arbitrary bytes as the main text; a fixed list of keys read
// as int, hex, 64-bit and text; the untouched text saved and loaded again gives the same text;
// values set read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "settings/ini_engine.h"
#include "settings/ini_text.h"

namespace {

struct Key {
    const char* section;
    const char* key;
};

constexpr Key kKeys[] = {
    {"Setting", "ToolMode"},          {"Setting", "SerialNum"},       {"Setting", "SerialNumPrefix"},
    {"FwSetting", "CapacitySectorLow"}, {"FwSetting", "G1_Amplitude"}, {"DeviceSetting", "VendorID"},
    {"FlashSetting", "DieReMap"},     {"TestItems", "EnBusTest"},     {"RDSetting", "MptFunBitMap"},
    {"RDT", "RunSortingMode"},        {"S", "K"},                      {"", "K"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    IniUseMainText(fuzz::Text(data, size));
    const std::string loaded = IniMainText();

    std::uint64_t sink = 0;
    char text[64];
    for (const Key& k : kKeys) {
        sink += static_cast<std::uint32_t>(IniGetInt(k.section, k.key, 7, "RIVIDO.ini"));
        sink += IniGetHex(k.section, k.key, 0x10, "RIVIDO.ini");
        sink += IniGetInt64(k.section, k.key, 9);
        sink += IniGetString(k.section, k.key, "def", text, sizeof text, "RIVIDO.ini");
        sink += IniHasSection(k.section, "RIVIDO.ini") ? 1 : 0;
    }
    (void)sink;

    // The untouched text saves as it was loaded: the save's line ends read back to the same text,
    // and (for one input in 32, to keep the runs fast) through a real file.
    fuzz::Check(settings::ini::DropCarriageReturns(settings::ini::ToCrLf(loaded)) == loaded,
                "an untouched text saves as it was loaded");
    if (size % 32 == 0) {
        const std::string path = (fuzz::Scratch("ini_engine") / "RIVIDO.ini").string();
        fuzz::Check(IniSaveFile(path.c_str()) == 1, "save");
        IniLoadFile(path.c_str());
        fuzz::Check(IniMainText() == loaded, "an untouched text saved to a file loads as it was");
    }

    // Values set read back: each key of the list gets a value made of the input's first bytes.
    std::string value;
    for (std::size_t i = 0; i < size && value.size() < 24; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c != '\0' && c != '\r' && c != '\n') value.push_back(c);
    }
    for (const Key& k : kKeys) {
        if (IniSetString(k.section, k.key, value.c_str(), "RIVIDO.ini") != 1) continue;
        char back[64];
        IniGetString(k.section, k.key, "", back, sizeof back, "RIVIDO.ini");
        fuzz::Check(value == back, "a value set reads back");
    }
    const std::int32_t number = static_cast<std::int32_t>(size * 2654435761u);
    if (IniSetInt("FwSetting", "CapacitySectorLow", number, "RIVIDO.ini") == 1) {
        fuzz::Check(IniGetInt("FwSetting", "CapacitySectorLow", 0, "RIVIDO.ini") == number, "an int set reads back");
    }
    return 0;
}
