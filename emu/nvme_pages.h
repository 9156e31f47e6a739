// The data structures the emulated controller returns to standard NVMe commands: the 4,096-byte
// Identify Controller and Identify Namespace structures and the 512-byte SMART/health log page.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "emu/controller_core.h"

namespace emu {

struct ControllerIdentity {
    std::string model = "QUORVANE NVMe SSD";         // up to 40 characters
    std::string serial = "QV0000000000";             // up to 20 characters
    std::string firmwareRevision = "RAVEZ100";       // up to 8 characters
    std::uint64_t namespaceSectors = 2'000'409'264;  // 512-byte sectors of namespace 1
    std::uint16_t vendorId = 0;
    std::uint16_t subsystemVendorId = 0;
    std::uint32_t ieeeOui = 0;  // bytes 73-75 of Identify Controller, low byte first
};

struct SmartCounters {
    int temperatureCelsius = 35;
    std::uint64_t sectorsRead = 0;
    std::uint64_t sectorsWritten = 0;
    std::uint64_t readCommands = 0;
    std::uint64_t writeCommands = 0;
    std::uint64_t powerCycles = 1;
    std::uint64_t powerOnHours = 0;
    std::uint64_t unsafeShutdowns = 0;
    // Data units (1,000 sectors) counted before the sectors above: a preset of the log.
    std::uint64_t unitsRead = 0;
    std::uint64_t unitsWritten = 0;
};

inline constexpr std::size_t kIdentifyBytes = 4096;
inline constexpr std::size_t kSmartLogBytes = 512;

// The model text each program reports: the system firmware the drive's own model; the others
// an 8-character prefix and "Loader", "GDP" or "RDT" (bytes 32 onward of the structure).
std::string ModelText(const ControllerIdentity& identity, Program program);

// `out` must hold kIdentifyBytes.
void BuildIdentifyController(const ControllerIdentity& identity, Program program, std::span<std::uint8_t> out);
void BuildIdentifyNamespace(std::uint64_t sectors, std::span<std::uint8_t> out);
// `out` must hold kSmartLogBytes.
void BuildSmartLog(const SmartCounters& smart, std::span<std::uint8_t> out);
// The counters a SMART log page carries (the temperature is left as it is in `smart`).
void ReadSmartLog(std::span<const std::uint8_t> page, SmartCounters& smart);

}  // namespace emu
