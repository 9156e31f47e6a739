// libFuzzer target for the emulated bay's "bay.ini" reader (people write these by hand): the INI
// reader, the bay description and every drive's controller and program settings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "emu/bay_config.h"
#include "emu/bay_ini.h"
#include "emu/drive_programs.h"
#include "emu/nvme_drive_parts.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    const std::string_view text = fuzz::Text(data, size);
    const emu::IniFile ini = emu::ParseIni(text);
    for (const emu::IniSection& s : ini.sections) (void)s.GetOr("Id", "");
    std::string error;
    const auto config = emu::ParseBayConfig(text, &error);
    if (!config) {
        fuzz::Check(!error.empty(), "a refused description says why");
        return 0;
    }
    for (const emu::DriveConfig& d : config->drives) {
        std::string e;
        (void)emu::ReadControllerSetup(d, &e);
        (void)emu::ReadProgramSetup(d, &e);
    }
    return 0;
}
