#include "utility/smart_text.h"

#include <algorithm>

#include "transport/byte_order.h"

namespace vellumin {

using transport::GetLe16;
using transport::GetLe32;
using transport::GetLe64;

namespace {

using ull = unsigned long long;

struct VendorId {
    std::uint8_t id;
    const char* name;
};
constexpr VendorId kVendorIds[] = {
    {0x09, "Power on hours count"},      {0x0C, "Power cycle count"},        {0xA7, "SSD protect mode"},
    {0xA8, "Physical error count"},      {0xA9, "Bad block count"},          {0xAB, "Program fail count"},
    {0xAC, "Erase fail count"},          {0xAD, "Erase count"},              {0xAF, "Bad cluster table count"},
    {0xBB, "Reported uncorrect errors"}, {0xC0, "Unexpected power loss count"}, {0xC2, "Controller temperature"},
    {0xCE, "Minimum erase count"},       {0xCF, "Maximum erase count"},      {0xD0, "Average erase count"},
    {0xE7, "SSD life left"},             {0xF1, "Write sector count"},       {0xF2, "Read sector count"},
    {0xF3, "NAND temperature"},
};

const char* VendorName(std::uint8_t id) {
    for (const VendorId& v : kVendorIds) {
        if (v.id == id) return v.name;
    }
    return nullptr;
}

std::string Hex16(ull value) { return Format("%16.16llX", value); }

}  // namespace

SmartPage StandardSmart(const std::uint8_t* p) {
    SmartPage out;
    out.rows.push_back({"ID", "S.M.A.R.T.", "Raw Value"});
    auto row = [&](const char* name, const std::string& raw) {
        out.rows.push_back({Format("%2.2X", static_cast<unsigned>(out.rows.size())), name, raw});
    };
    const double composite = GetLe16(p + 1) - 273.15;
    row("Critical Waring", Hex16(p[0]));
    out.memo.push_back(Format("Critical Waring : %d", p[0]));
    row("Composite Temperature", Format("%14.14X%2.2X", p[2], p[1]));
    out.memo.push_back(Format("Composite Temperature : %2.2f", composite));
    row("Available Spare", Hex16(p[3]));
    out.memo.push_back(Format("Available Spare : %d%%", p[3]));
    row("Available Spare Threshould", Hex16(p[4]));
    out.memo.push_back(Format("Available Spare Threshould : %d%%", p[4]));
    row("Percentage Used", Hex16(p[5]));
    out.memo.push_back(Format("Percentage Used : %d%%", p[5]));

    // The 128-bit counters show their low 64 bits.
    struct Counter {
        const char* name;
        std::size_t offset;
        const char* memo;
    };
    static constexpr Counter kCounters[] = {
        {"Data Units Read", 32, "Data Units Read : %llu(K)"},
        {"Data Units Written", 48, "Data Units Written : %llu(K)"},
        {"Host Read Commands ", 64, "Host Read Commands : %llu"},
        {"Host Write Commands", 80, "Host Write Commands : %llu"},
        {"Controller Busy Time ", 96, nullptr},
        {"Power Cycles", 112, "Power Cycles : %llu"},
        {"Power On Hours ", 128, "Power On Hours : %llu"},
        {"Unsafe Shutdowns", 144, "Unsafe Shutdowns : %llu"},
        {"Media And Data Intergrity Errors", 160, "Media And Data Intergrity Errors : %llu"},
        {"Error Information Log Entries", 176, "Error Information Log Entries : %llu"},
    };
    for (const Counter& c : kCounters) {
        const ull value = GetLe64(p + c.offset);
        row(c.name, Hex16(value));
        if (c.memo != nullptr) {
            out.memo.push_back(Format(c.memo, value));
        } else {
            out.memo.push_back(Format("Controller Busy Time : %2.2f Minute", static_cast<double>(value) / 60));
        }
    }

    const std::uint32_t warning = GetLe32(p + 192), critical = GetLe32(p + 196);
    row("Warning Composite Temperature Time", Hex16(warning));
    out.memo.push_back(Format("Warning Composite Temperature Time : %u Minute", warning));
    row("Critical Composite Temperature Time", Hex16(critical));
    out.memo.push_back(Format("Critical Composite Temperature Time : %u Minute", critical));
    const std::uint16_t sensor = GetLe16(p + 200);
    row("Temperature Sensor", Hex16(sensor));
    out.memo.push_back(Format("Temperature Sensor 1 : %2.2f", sensor - 273.15));
    struct Word {
        const char* name;
        std::size_t offset;
        const char* memo;
    };
    static constexpr Word kWords[] = {
        {"Thermal Manage Temperature1 Transition Count", 216, "Thermal Manage Temperature1 Transition Count : %u"},
        {"Thermal Manage Temperature2 Transition Count", 220, "Thermal Manage Temperature2 Transition Count : %u"},
        {"Thermal Manage Temperature1 Total Time", 224, "Thermal Manage Temperature1 Total Time : %u(s)"},
        {"Thermal Manage Temperature2 Total Time", 228, "Thermal Manage Temperature2 Total Time : %u(s)"},
    };
    for (const Word& w : kWords) {
        const std::uint32_t value = GetLe32(p + w.offset);
        row(w.name, Hex16(value));
        out.memo.push_back(Format(w.memo, value));
    }
    out.memo.push_back("\r\n");
    return out;
}

VendorSmartPage VendorSmart(const std::uint8_t* page) {
    VendorSmartPage out;
    out.rows.push_back({"ID", "S.M.A.R.T. Attribute", "Value", "Worst", "Raw Value"});
    for (int e = 0; e < kVendorEntries; ++e) {
        const std::uint8_t* entry = page + 2 + 12 * e;
        const char* name = VendorName(entry[0]);
        if (name == nullptr) continue;
        const std::uint8_t* raw = entry + 5;
        out.rows.push_back({Format("%2.2X", entry[0]), name, Format("%2.2X", entry[3]), Format("%2.2X", entry[4]),
                            Format("%2.2X%2.2X%2.2X%2.2X%2.2X%2.2X", raw[5], raw[4], raw[3], raw[2], raw[1], raw[0])});
    }
    for (int e = 0; e < kVendorEntries; ++e) {
        const std::uint8_t* entry = page + 2 + 12 * e;
        const std::uint8_t* raw = entry + 5;
        const unsigned r0 = GetLe16(raw), r1 = GetLe16(raw + 2), r2 = GetLe16(raw + 4);
        switch (entry[0]) {
            case 0x09: out.memo.push_back(Format("Power-On Hours Count=%u", r0)); break;
            case 0x0C: out.memo.push_back(Format("Power-On Cycle Count=%u", r0)); break;
            case 0xA7: out.memo.push_back(Format("SSD Protect Mode=%u", raw[0])); break;
            case 0xA8: out.memo.push_back(Format("NVME PHY Error Count=%u", r0)); break;
            case 0xA9:
                out.memo.push_back(Format("Maximum Bad Block Number of Die=%u", r0));
                out.memo.push_back(Format("Total Bad Block Count=%u", r1));
                out.memo.push_back(Format("Later Bad Block Count=%u", r2));
                break;
            case 0xAD:
                out.memo.push_back(Format("Average Erase Count=%u", r0));
                out.memo.push_back(Format("Maximum Erase Count=%u", r1));
                out.memo.push_back(Format("Minimum Erase Count=%u", r2));
                break;
            case 0xC0: out.memo.push_back(Format("Power Loss Count=%u", r0)); break;
            case 0xC2:
                out.memo.push_back(Format("Controller Temperature: Current=%u  Min=%u  Max=%u", r0, r1, r2));
                break;
            case 0xF3: out.memo.push_back(Format("Nand Temperature: Current=%u", r0)); break;
            default: break;
        }
    }
    return out;
}

std::string SmartReportText(const Grid& grid, std::size_t rows) {
    return GridReportText(Grid(grid.begin(), grid.begin() + static_cast<std::ptrdiff_t>(std::min(rows, grid.size()))));
}

}  // namespace vellumin
