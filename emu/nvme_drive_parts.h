// What sits behind each emulated drive's bridge: the tunnel of its bridge type and the NVMe
// controller, set up from the drive's section of bay.ini. Keys read here (all optional):
//
//   Model=<up to 40 characters>     Serial=<up to 20>     FirmwareRevision=<up to 8>
//   Program=loader|gdp|rdt|system   what runs at power-on (default loader)
//   FlashFirmware=none|rdt|system   what the ROM boots on a jump with event 0 (default: the
//                                   power-on program when that is rdt or system, else none)
//   GpioHigh=<n>[,<n>...]           GPIO inputs (0-255) that read 1
//   Temperature=<Celsius>           composite temperature of the SMART log (-40 to 150)
//   VendorMode=refuse               the controller refuses to switch vendor-command mode on
//   IoFail=write|read|flush[,...]   those I/O commands fail (nothing is stored or read)
//   CorruptSector=<lba>[,<lba>...]  word 3 of each such sector reads XORed with 0xA5A5
//   VendorSmartIds= VendorSmart= Smart<Counter>=   the SMART pages (vendor_smart.h)
//   SystemState=formatted           loader blocks written as shipped, system firmware booted (formatted_drive.h)
//
// The namespace holds the drive's Sectors (or CapacityMB). The boot loader's load, the diagnostic
// firmware and the flash are plugged in as well, with their own keys (drive_programs.h).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emu/bay.h"
#include "emu/nvme_controller.h"

namespace emu {

struct ControllerSetup {
    ControllerIdentity identity;
    Program start = Program::Loader;
    Program flash = Program::Loader;
    std::vector<int> gpioHigh;
    int temperatureCelsius = 35;
    bool refuseVendorMode = false;
    IoFaults ioFaults;
    std::vector<std::uint64_t> corruptSectors;
    SmartCounters smart;  // the counters at start (the temperature is temperatureCelsius)
    VendorSmartSetup vendorSmart;
};

// Nullopt and `error` set when a key's value is not sound.
std::optional<ControllerSetup> ReadControllerSetup(const DriveConfig& drive, std::string* error);
std::shared_ptr<NvmeController> MakeNvmeController(const ControllerSetup& setup);
// The tunnel of the drive's bridge type (null for an unknown bridge) and its controller.
DriveParts NvmeDriveParts();

}  // namespace emu
