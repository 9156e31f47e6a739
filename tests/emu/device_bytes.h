// Hand-made bytes for the emulator's tests: submission entries, vendor packets and bridge
// command blocks written out field by field, independent of the host library's builders.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "emu/nvme_types.h"

namespace emu_test {

inline void Le32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct Fields {
    std::uint8_t opcode = 0;
    std::uint32_t nsid = 0, cdw10 = 0, cdw11 = 0, cdw12 = 0, cdw14 = 0, cdw15 = 0;
};

inline emu::NvmeRequest Entry(const Fields& f, bool admin = true) {
    emu::NvmeRequest r;
    r.admin = admin;
    r.entry[0] = f.opcode;
    Le32(&r.entry[4], f.nsid);
    Le32(&r.entry[40], f.cdw10);
    Le32(&r.entry[44], f.cdw11);
    Le32(&r.entry[48], f.cdw12);
    Le32(&r.entry[56], f.cdw14);
    Le32(&r.entry[60], f.cdw15);
    return r;
}

inline emu::NvmeRequest VendorOn() {
    return Entry({.opcode = 0xC1, .cdw14 = 0x00D95AFF, .cdw15 = 1});
}
inline emu::NvmeRequest VendorOff() {
    return Entry({.opcode = 0xC1, .cdw14 = 0x00C65AFF, .cdw15 = 1});
}
inline emu::NvmeRequest VendorOut(std::uint32_t sectors, std::uint8_t sub) {
    return Entry({.opcode = 0xC1, .cdw10 = sectors * 128, .cdw14 = 0x00715A00u | sub, .cdw15 = sectors});
}
inline emu::NvmeRequest VendorIn(std::uint32_t sectors, std::uint8_t sub) {
    return Entry({.opcode = 0xC2, .cdw10 = sectors * 128, .cdw14 = 0x00715A00u | sub, .cdw15 = sectors});
}

// A packet sector: 0xFF 0xE5 code, then `params` from byte 3, zero after.
inline std::vector<std::uint8_t> PacketSector(std::uint8_t code, std::vector<std::uint8_t> params = {}) {
    std::vector<std::uint8_t> s(512, 0);
    s[0] = 0xFF;
    s[1] = 0xE5;
    s[2] = code;
    for (std::size_t i = 0; i < params.size() && i + 3 < s.size(); ++i) s[3 + i] = params[i];
    return s;
}

inline std::vector<std::uint8_t> Be32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

}  // namespace emu_test
