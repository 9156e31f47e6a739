#include "utility/device_info_text.h"

#include <algorithm>
#include <cstring>

#include "transport/byte_order.h"

namespace vellumin {

using transport::GetLe16;
using transport::GetLe32;

namespace {

// The field copied into an 80-byte zeroed buffer and taken up to its first zero byte.
std::string FieldText(const std::uint8_t* identify, std::size_t offset, std::size_t width) {
    char buffer[80] = {};
    std::memcpy(buffer, identify + offset, std::min<std::size_t>(width, sizeof buffer - 1));
    return BoundedText(buffer, sizeof buffer);
}

}  // namespace

std::string Decimal128(const std::uint8_t* bytes) {
    // Four 32-bit limbs, most significant first, divided by 10 until zero.
    std::uint32_t limbs[4];
    for (int i = 0; i < 4; ++i) limbs[i] = GetLe32(bytes + 4 * (3 - i));
    std::string digits;
    for (;;) {
        bool zero = true;
        std::uint64_t rest = 0;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t value = (rest << 32) | limb;
            limb = static_cast<std::uint32_t>(value / 10);
            rest = value % 10;
            if (limb != 0) zero = false;
        }
        digits.push_back(static_cast<char>('0' + rest));
        if (zero) break;
    }
    std::reverse(digits.begin(), digits.end());
    return digits;
}

Lines DeviceInfoLines(const std::uint8_t* id) {
    Lines lines;
    lines.push_back(Format("PCI Vendor ID : 0x%x", GetLe16(id + 0)));
    lines.push_back(Format("PCI Subsyster Vendor ID : 0x%x", GetLe16(id + 2)));
    lines.push_back("Model Name : " + FieldText(id, 24, 40));
    lines.push_back("Serial Number : " + FieldText(id, 4, 20));
    lines.push_back("FW Revision : " + FieldText(id, 64, 8));
    lines.push_back(Format("Recommended Arbitration Burst : 0x%x", id[72]));
    lines.push_back(Format("IEEE OUI Identifier : %02X%02X%02X", id[75], id[74], id[73]));
    lines.push_back(Format("Controller Multi-Path I/O and Namespace Sharing Capabilities : 0x%x", id[76]));
    lines.push_back(Format("Maximum Data Transfer Size: 0x%x", id[77]));
    lines.push_back(Format("Controller ID: 0x%x", GetLe16(id + 78)));
    lines.push_back(Format("Version : 0x%x", GetLe32(id + 80)));
    lines.push_back(Format("RTD3 Resume Latency: 0x%x", GetLe32(id + 84)));
    lines.push_back(Format("RTD3 Entry Latency: 0x%x", GetLe32(id + 88)));
    lines.push_back(Format("Optional Asynchronous Event Supported : 0x%x", GetLe32(id + 92)));
    lines.push_back(Format("Controller Attributes : 0x%x 0x%x", id[96], id[97]));
    lines.push_back(Format("Abort Command Limit: 0x%x", id[258]));
    lines.push_back(Format("Asynchronous Event Request Limit: %d", id[259] + 1));
    lines.push_back(Format("Error Log Page Entries: 0x%x", id[262]));
    lines.push_back(Format("Maximum Time for FW Activation: 0x%x", GetLe16(id + 270)));
    lines.push_back("Tatal NVM Capacity: " + Decimal128(id + 280));
    lines.push_back((id[93] & 1) != 0 ? "Support Namespace Attribute Notice and change log page\n"
                                      : "Not support Namespace Attribute Notice and change log page\n");
    lines.push_back((id[260] & 1) != 0 ? "FW slot(slot1) is read only\n" : "FW slot(slot1) is read/write\n");
    lines.push_back((id[256] & 1) != 0 ? "Support Security Send and Security Receive commands\n"
                                       : "Not support Security Send and Security Receive commands\n");
    return lines;
}

DeviceRowTexts RowTexts(const std::uint8_t* id) {
    DeviceRowTexts t;
    t.model = Trimmed(FieldText(id, 24, 40));
    t.serial = Trimmed(FieldText(id, 4, 20));
    t.revision = FieldText(id, 64, 8);
    return t;
}

std::string CapacityText(std::uint64_t nsze) {
    return Format("%.2f", static_cast<double>(nsze) * 512 / 1024 / 1024 / 1024);
}

}  // namespace vellumin
