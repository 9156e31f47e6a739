// The bay's kept drive state (bay.h, bay_state.h, drive_state.h).
#include "emu/bay_state.h"

#include <system_error>
#include <thread>
#include <vector>

#include "emu/bay.h"
#include "emu/uart_log.h"
#include "platform/files.h"
#include "platform/trace_sink.h"

namespace emu {

std::optional<bool> ReadKeepState(const BayConfig& config, std::string* error) {
    for (const IniSection& s : config.others) {
        if (!EqualNoCase(s.name, "Bay")) continue;
        const std::string keep = s.GetOr("KeepState", "0");
        if (keep != "0" && keep != "1") {
            if (error != nullptr) *error = "[Bay] KeepState=" + keep + " is not 0 or 1";
            return std::nullopt;
        }
        return keep == "1";
    }
    return false;
}

bool CheckDriveFiles(const DriveConfig& drive, std::string* error) {
    const auto uart = ReadUartSetup(drive, error);
    return uart && ReadUartLogFile(*uart, drive.bayFolder, error).has_value();
}

std::filesystem::path Bay::StateFile(const std::filesystem::path& folder, const Drive& drive) {
    // The path is "emu:" and the section name in lower case.
    return folder / "state" / (drive.Path().substr(4) + ".bin");
}

bool Bay::SaveState(std::string* error) {
    bool ok = true;
    auto fail = [&](const std::string& why) {
        if (ok && error != nullptr) *error = why;
        ok = false;
    };
    std::error_code ec;
    std::filesystem::create_directories(folder_ / "state", ec);
    if (ec) {
        fail("cannot create " + (folder_ / "state").string() + ": " + ec.message());
        return false;
    }
    for (const auto& d : drives_) {
        const auto bytes = d->SaveState();
        if (!bytes) continue;
        const std::filesystem::path file = StateFile(folder_, *d);
        if (!platform::WriteFileAtomic(file, *bytes)) fail("cannot write " + file.string());
    }
    return ok;
}

void Bay::Release() {
    if (!keepState_) return;
    std::string error;
    if (!SaveState(&error)) platform::WriteTrace("emu: the bay's drive state is not kept: " + error + "\n");
}

void Bay::LoadState() {
    // Each drive powers on from its state as a drive does when the bay is switched on: all at once. A
    // drive that was left in the sorting firmware runs its whole test again at power-on, so one drive
    // after the other would keep the program from starting for many seconds.
    std::vector<std::thread> loads;
    for (const auto& d : drives_) {
        const std::filesystem::path file = StateFile(folder_, *d);
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) continue;
        loads.emplace_back([drive = d.get(), file] {
            const auto bytes = platform::ReadWholeFile(file);
            std::string why = "it cannot be read";
            if (!bytes || !drive->LoadState(*bytes, &why)) {
                platform::WriteTrace("emu: " + file.string() + " does not load (" + why + "); " +
                                     drive->Config().name + " starts fresh\n");
            }
        });
    }
    for (std::thread& t : loads) t.join();
}

}  // namespace emu
