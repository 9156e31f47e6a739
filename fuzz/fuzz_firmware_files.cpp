// libFuzzer target for the firmware and data file checks: arbitrary bytes as "GDP.bin", as the run's
// firmware image (the system firmware or "SORT.bin") or as "NEP_ID_CODE.hex", then every check of
// the main window and the reader of the load that copies "GDP.bin"'s parts as AP_GDPBins describes
// them. Byte 0 picks the file and the modes, bytes 1-4 the flash's short name (the data files' paths).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/file_checks.h"
#include "fuzz_support.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "settings/firmware_bins.h"
#include "settings/flash_param.h"
#include "settings/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    if (size < 5) return 0;
    const auto& folder = fuzz::Scratch("firmware_files");
    static const bool once = [&] {
        platform::SetProgramFolder(folder);
        std::error_code ec;
        std::filesystem::create_directories(folder / "SYS", ec);
        std::filesystem::create_directories(folder / "SORT", ec);
        std::filesystem::create_directories(folder / "DAT", ec);
        return true;
    }();
    (void)once;

    const std::uint8_t pick = data[0];
    ResetSettingsRecords();
    AP_INIState.ToolMode = static_cast<std::uint8_t>((pick >> 2) & 1);
    AP_INIState.EnNepIDCode = static_cast<std::uint8_t>((pick >> 3) & 1);
    AP_INIState.dwItemEnable[8] = (pick >> 4) & 1;
    AP_FlashSet.ucLdpcMode = static_cast<std::uint8_t>(pick >> 5);
    for (int i = 0; i < 4; ++i) AP_INIState.FlashUniName[i] = static_cast<char>(data[1 + i]);

    char name[] = "########.bin";
    BuildFlashCodeName(name);
    const std::filesystem::path files[] = {folder / "GDP.bin",
                                           AP_INIState.ToolMode == 0 ? folder / "SYS" / name : folder / "SORT" / "SORT.bin",
                                           folder / "NEP_ID_CODE.hex"};
    for (const auto& f : files) std::filesystem::remove(f);
    const std::string_view bytes = fuzz::Text(data + 5, size - 5);
    if ((pick & 3) != 3 && !platform::WriteWholeFile(files[pick & 3], bytes)) return 0;

    std::string status;
    app::CheckGDPBin(&status);
    app::CheckFWBin(1, &status);
    app::CheckLDPCBin();
    app::CheckNandMenUpdateBin();
    app::CheckOPALBin();
    app::CheckNandMemBin();
    app::CheckUEFIBin();
    VP_ReadGDPtoBuffer();
    procedures::ClearGdpBuffer();
    return 0;
}
