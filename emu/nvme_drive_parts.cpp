#include "emu/nvme_drive_parts.h"

#include <cctype>
#include <charconv>

#include "emu/drive_programs.h"
#include "emu/formatted_drive.h"
#include "emu/tunnel_asmedia_type.h"
#include "emu/tunnel_jmicron_type.h"

namespace emu {

namespace {

std::optional<Program> ProgramNamed(const std::string& text, bool allowNone) {
    if (EqualNoCase(text, "loader") || (allowNone && EqualNoCase(text, "none"))) return Program::Loader;
    if (EqualNoCase(text, "gdp")) return Program::Diagnostic;
    if (EqualNoCase(text, "rdt")) return Program::Sorting;
    if (EqualNoCase(text, "system")) return Program::System;
    return std::nullopt;
}

bool ParseInt(std::string_view text, int& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

std::string Upper(const std::string& text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool Fail(std::string* error, const DriveConfig& d, const std::string& what) {
    if (error != nullptr) *error = "[" + d.name + "] " + what;
    return false;
}

bool ReadTexts(const DriveConfig& d, ControllerSetup& s, std::string* error) {
    s.identity.model = d.section.GetOr("Model", s.identity.model);
    s.identity.serial = d.section.GetOr("Serial", "QV" + Upper(d.name));
    s.identity.firmwareRevision = d.section.GetOr("FirmwareRevision", s.identity.firmwareRevision);
    if (s.identity.model.size() > 40) return Fail(error, d, "Model is longer than 40 characters");
    if (s.identity.serial.size() > 20) return Fail(error, d, "Serial is longer than 20 characters");
    if (s.identity.firmwareRevision.size() > 8) return Fail(error, d, "FirmwareRevision is longer than 8 characters");
    return true;
}

bool ReadPrograms(const DriveConfig& d, ControllerSetup& s, std::string* error) {
    const std::string start = d.section.GetOr("Program", "loader");
    const auto program = ProgramNamed(start, false);
    if (!program) return Fail(error, d, "Program=" + start + " is not loader, gdp, rdt or system");
    s.start = *program;
    const bool bootable = s.start == Program::Sorting || s.start == Program::System;
    const std::string flash =
        d.section.GetOr("FlashFirmware", bootable ? (s.start == Program::System ? "system" : "rdt") : "none");
    const auto onFlash = ProgramNamed(flash, true);
    if (!onFlash || *onFlash == Program::Diagnostic) {
        return Fail(error, d, "FlashFirmware=" + flash + " is not none, rdt or system");
    }
    s.flash = *onFlash;
    return true;
}

bool ReadNumbers(const DriveConfig& d, ControllerSetup& s, std::string* error) {
    const std::string gpio = d.section.GetOr("GpioHigh", "");
    std::size_t at = 0;
    while (at < gpio.size()) {
        const std::size_t comma = std::min(gpio.find(',', at), gpio.size());
        int n = 0;
        if (!ParseInt(std::string_view(gpio).substr(at, comma - at), n) || n < 0 || n > 255) {
            return Fail(error, d, "GpioHigh=" + gpio + " is not a list of inputs 0 to 255");
        }
        s.gpioHigh.push_back(n);
        at = comma + 1;
    }
    if (const auto t = d.section.Get("Temperature")) {
        if (!ParseInt(*t, s.temperatureCelsius) || s.temperatureCelsius < -40 || s.temperatureCelsius > 150) {
            return Fail(error, d, "Temperature=" + *t + " is not -40 to 150");
        }
    }
    const std::string mode = d.section.GetOr("VendorMode", "accept");
    if (!EqualNoCase(mode, "accept") && !EqualNoCase(mode, "refuse")) {
        return Fail(error, d, "VendorMode=" + mode + " is not accept or refuse");
    }
    s.refuseVendorMode = EqualNoCase(mode, "refuse");
    return true;
}

bool ReadIoFaults(const DriveConfig& d, ControllerSetup& s, std::string* error) {
    const std::string fail = d.section.GetOr("IoFail", "");
    for (std::size_t at = 0; at < fail.size();) {
        const std::size_t comma = std::min(fail.find(',', at), fail.size());
        const std::string what = fail.substr(at, comma - at);
        if (EqualNoCase(what, "write")) {
            s.ioFaults.write = true;
        } else if (EqualNoCase(what, "read")) {
            s.ioFaults.read = true;
        } else if (EqualNoCase(what, "flush")) {
            s.ioFaults.flush = true;
        } else {
            return Fail(error, d, "IoFail=" + fail + " is not a list of write, read and flush");
        }
        at = comma + 1;
    }
    const std::string corrupt = d.section.GetOr("CorruptSector", "");
    for (std::size_t at = 0; at < corrupt.size();) {
        const std::size_t comma = std::min(corrupt.find(',', at), corrupt.size());
        const std::string_view text = std::string_view(corrupt).substr(at, comma - at);
        std::uint64_t lba = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), lba);
        if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size()) {
            return Fail(error, d, "CorruptSector=" + corrupt + " is not a list of sector numbers");
        }
        s.corruptSectors.push_back(lba);
        at = comma + 1;
    }
    return true;
}

}  // namespace

std::optional<ControllerSetup> ReadControllerSetup(const DriveConfig& drive, std::string* error) {
    ControllerSetup s;
    s.identity.namespaceSectors = drive.sectors;
    if (!ReadTexts(drive, s, error) || !ReadPrograms(drive, s, error) || !ReadNumbers(drive, s, error) ||
        !ReadIoFaults(drive, s, error) || !ReadSmartKeys(drive.section, s.vendorSmart, s.smart, error)) {
        return std::nullopt;
    }
    return s;
}

std::shared_ptr<NvmeController> MakeNvmeController(const ControllerSetup& setup) {
    auto controller = std::make_shared<NvmeController>(setup.identity);
    ControllerCore& core = controller->Core();
    core.SetFlashProgram(setup.flash);
    if (setup.start != Program::Loader) core.Start(setup.start);
    for (int input : setup.gpioHigh) core.SetGpio(input, true);
    controller->Smart() = setup.smart;
    controller->Smart().temperatureCelsius = setup.temperatureCelsius;
    controller->SetVendorSmart(setup.vendorSmart);
    controller->Vendor().SetRefuseMode(setup.refuseVendorMode);
    NvmeController* raw = controller.get();
    core.AddFaultSwitch("vendorrefuse", [raw] { raw->Vendor().SetRefuseMode(true); });
    controller->SetIoFaults(setup.ioFaults);
    for (std::uint64_t lba : setup.corruptSectors) controller->AddCorruptSector(lba);
    return controller;
}

DriveParts NvmeDriveParts() {
    DriveParts parts;
    parts.makeTunnel = [](const DriveConfig& d) -> std::unique_ptr<Tunnel> {
        switch (d.bridge) {
            case BridgeKind::JMicron:
                return std::make_unique<JmicronTypeTunnel>();
            case BridgeKind::ASMedia:
                return std::make_unique<AsmediaTypeTunnel>();
            case BridgeKind::Unknown:
                break;
        }
        return nullptr;
    };
    parts.makeController = [](const DriveConfig& d) -> std::shared_ptr<Controller> {
        // The bay description was checked when it was read; a drive made by hand falls back to defaults.
        auto setup = ReadControllerSetup(d, nullptr);
        auto controller = MakeNvmeController(setup ? *setup : ControllerSetup{});
        const auto programs = ReadProgramSetup(d, nullptr);
        const DrivePrograms installed = InstallDrivePrograms(controller->Core(), programs ? *programs : ProgramSetup{});
        if (installed.gdp) {
            controller->Core().AddFaultSwitch("busy", [gdp = installed.gdp.get()] { gdp->SetBusyForever(true); });
        }
        controller->AttachSystemFirmware(*installed.system);
        if (programs && !programs->uart.fileName.empty()) {
            // The bay checked the file when it loaded; one that went away since starts the log empty.
            installed.system->Uart().Write(ReadUartLogFile(programs->uart, d.bayFolder, nullptr).value_or(""));
        }
        controller->KeepStateOf(installed.nand, installed.system);
        if (EqualNoCase(d.section.GetOr("SystemState", ""), "formatted") && installed.nand) {
            // A drive as shipped: its loader blocks written, the system firmware booted from them.
            const ControllerIdentity& id = controller->Identity();
            if (WriteFormattedDrive(*installed.nand, {id.serial, id.model, id.firmwareRevision})) {
                controller->Core().SetFlashProgram(Program::System);
                controller->PowerOn(false);
            }
        }
        return std::shared_ptr<Controller>(controller);
    };
    return parts;
}

}  // namespace emu
