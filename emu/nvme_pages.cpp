#include "emu/nvme_pages.h"

#include <algorithm>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

// ASCII field padded with spaces, cut to its width.
void PutText(std::span<std::uint8_t> field, const std::string& text) {
    std::fill(field.begin(), field.end(), static_cast<std::uint8_t>(' '));
    std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

std::string ProgramRevision(const ControllerIdentity& identity, Program program) {
    switch (program) {
        case Program::Loader:
            return "LDR10000";
        case Program::Diagnostic:
            return "GDP10000";
        case Program::Sorting:
            return "RDT10000";
        case Program::System:
            break;
    }
    return identity.firmwareRevision;
}

// Data units of the SMART log: thousands of 512-byte units, rounded up.
std::uint64_t DataUnits(std::uint64_t sectors) {
    return (sectors + 999) / 1000;
}

}  // namespace

std::string ModelText(const ControllerIdentity& identity, Program program) {
    switch (program) {
        case Program::Loader:
            return "QV-ROM  Loader";
        case Program::Diagnostic:
            return "QV-DIAG GDP";
        case Program::Sorting:
            return "QV-SORT RDT";
        case Program::System:
            break;
    }
    return identity.model;
}

void BuildIdentifyController(const ControllerIdentity& identity, Program program, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), 0);
    wire::PutLe16(&out[0], identity.vendorId);
    wire::PutLe16(&out[2], identity.subsystemVendorId);
    PutText(out.subspan(4, 20), identity.serial);
    PutText(out.subspan(24, 40), ModelText(identity, program));
    PutText(out.subspan(64, 8), ProgramRevision(identity, program));
    out[73] = static_cast<std::uint8_t>(identity.ieeeOui);
    out[74] = static_cast<std::uint8_t>(identity.ieeeOui >> 8);
    out[75] = static_cast<std::uint8_t>(identity.ieeeOui >> 16);
    out[77] = 5;                           // MDTS: 128 KiB transfers
    wire::PutLe32(&out[80], 0x00010400);   // version 1.4
    out[260] = 0x02;                       // FRMW: one firmware slot
    out[261] = 0x02;                       // LPA: extended log page data
    wire::PutLe32(&out[328], 0x00000003);  // SANICAP: crypto and block erase
    out[512] = 0x66;                       // SQES
    out[513] = 0x44;                       // CQES
    wire::PutLe32(&out[516], 1);           // one namespace
}

void BuildIdentifyNamespace(std::uint64_t sectors, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), 0);
    wire::PutLe64(&out[0], sectors);   // NSZE
    wire::PutLe64(&out[8], sectors);   // NCAP
    wire::PutLe64(&out[16], sectors);  // NUSE
    out[25] = 0;                       // one LBA format
    out[26] = 0;                       // using format 0
    out[130] = 9;                      // format 0: 512-byte data, no metadata
}

void BuildSmartLog(const SmartCounters& smart, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), 0);
    const int kelvin = std::clamp(smart.temperatureCelsius + 273, 0, 0xFFFF);
    wire::PutLe16(&out[1], static_cast<std::uint16_t>(kelvin));
    out[3] = 100;  // available spare
    out[4] = 10;   // available spare threshold
    wire::PutLe128(&out[32], smart.unitsRead + DataUnits(smart.sectorsRead));
    wire::PutLe128(&out[48], smart.unitsWritten + DataUnits(smart.sectorsWritten));
    wire::PutLe128(&out[64], smart.readCommands);
    wire::PutLe128(&out[80], smart.writeCommands);
    wire::PutLe128(&out[112], smart.powerCycles);
    wire::PutLe128(&out[128], smart.powerOnHours);
    wire::PutLe128(&out[144], smart.unsafeShutdowns);
}

void ReadSmartLog(std::span<const std::uint8_t> page, SmartCounters& smart) {
    if (page.size() < kSmartLogBytes) return;
    auto le64 = [&](std::size_t at) {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | page[at + static_cast<std::size_t>(i)];
        return v;
    };
    smart.unitsRead = le64(32);
    smart.unitsWritten = le64(48);
    smart.sectorsRead = 0;
    smart.sectorsWritten = 0;
    smart.readCommands = le64(64);
    smart.writeCommands = le64(80);
    smart.powerCycles = le64(112);
    smart.powerOnHours = le64(128);
    smart.unsafeShutdowns = le64(144);
}

}  // namespace emu
