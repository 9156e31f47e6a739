#include "emu/image_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "emu/wire_bytes.h"

namespace emu::images {

namespace {

constexpr std::uint8_t kOpSignature[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                           0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
constexpr std::size_t kSignatureBytes = 256;
constexpr std::uint32_t kPageBytes = 16384;

// Deterministic filler: a small linear congruential sequence seeded per part.
void Fill(std::uint8_t* out, std::size_t length, std::uint32_t seed) {
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < length; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<std::uint8_t>(x >> 24);
    }
}

void PutText(std::uint8_t* out, std::size_t room, const std::string& text) {
    std::memset(out, 0, room);
    std::memcpy(out, text.data(), std::min(room, text.size()));
}

void PutLe16(Bytes& b, std::size_t at, std::uint16_t v) {
    wire::PutLe16(&b[at], v);
}
void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    wire::PutLe32(&b[at], v);
}

void FillPart(std::uint8_t* part, std::size_t length, PartKind kind, const std::string& tagText, std::uint32_t seed) {
    Fill(part, length, seed);
    if (kind == PartKind::OpCarrier && length >= sizeof kOpSignature) {
        std::memcpy(part, kOpSignature, sizeof kOpSignature);
    }
    if (kind == PartKind::Tagged && length >= kTagTextOffset + kTagTextBytes) {
        PutText(part + kTagTextOffset, kTagTextBytes, tagText);
    }
}

}  // namespace

std::string TagText(const std::string& mode, int major, int minor, int build, const std::string& chip) {
    char version[32];
    std::snprintf(version, sizeof version, "%1d%02d%03d%03d%05d%02d%02d", major % 10, minor % 100, build % 1000, 0, 0,
                  0, 0);
    std::string text = mode.substr(0, 5);
    text.resize(5, '_');
    text += '_';
    text += version;                               // characters 7 to 24
    text += "_QV_SYNTHETIC_BUILD___";              // characters 25 to 46
    if (!chip.empty()) text += chip.substr(0, 7);  // characters 47 to 53
    return text;
}

std::size_t GdpPartOffset(const GdpImagePlan& plan, std::size_t j) {
    std::size_t at = kPartsOffset;
    for (std::size_t i = 0; i < j && i < plan.parts.size(); ++i) at += plan.parts[i].length;
    return at;
}

Bytes BuildGdpImage(const GdpImagePlan& plan) {
    Bytes image(GdpPartOffset(plan, plan.parts.size()), 0);
    std::memcpy(image.data(), "QV DIAG IMAGE", 13);
    image[16] = plan.infoByte;
    image[17] = static_cast<std::uint8_t>(plan.headerPartCount >= 0 ? plan.headerPartCount : plan.parts.size());
    for (std::size_t j = 0; j < plan.parts.size() && j < 8; ++j) {
        PutLe32(image, 32 + 8 * j, plan.parts[j].loadAddress);
        PutLe32(image, 36 + 8 * j, plan.parts[j].length);
    }
    Fill(&image[96], kSignatureBytes, 0x5167);
    for (std::size_t j = 0; j < plan.parts.size(); ++j) {
        FillPart(&image[GdpPartOffset(plan, j)], plan.parts[j].length, plan.parts[j].kind, plan.tagText,
                 static_cast<std::uint32_t>(0x6D00 + j));
    }
    return image;
}

std::uint16_t PartChecksum(const std::uint8_t* part, std::size_t length) {
    std::uint32_t sum = 0;
    const std::size_t body = length >= 4 ? length - 4 : 0;
    for (std::size_t i = 0; i + 1 < body; i += 2) sum += part[i] | (part[i + 1] << 8);
    if (body % 2 != 0) sum += part[body - 1];
    return static_cast<std::uint16_t>(sum);
}

std::size_t FirmwarePartOffset(const FirmwareImagePlan& plan, std::size_t j) {
    std::size_t at = kPartsOffset;
    for (std::size_t i = 0; i < j && i < plan.parts.size(); ++i) at += plan.parts[i].length;
    return at;
}

Bytes BuildFirmwareImage(const FirmwareImagePlan& plan) {
    Bytes image(std::max(FirmwarePartOffset(plan, plan.parts.size()), kCertOffset + plan.certLength), 0);
    std::memcpy(image.data(), kFirmwareTag, 16);
    PutLe16(image, 18,
            static_cast<std::uint16_t>(plan.headerPartCount >= 0 ? plan.headerPartCount : plan.parts.size()));
    image[32] = 0x01;
    image[33] = 0x02;
    PutLe16(image, 34, plan.certLength);
    PutLe16(image, 36, 0x0100);
    PutLe32(image, 40, 0x00010002);
    image[44] = 0x03;
    image[45] = 0x04;
    PutText(&image[48], 32, "QV IMAGE INFORMATION ONE");
    PutText(&image[80], 32, "QV IMAGE INFORMATION TWO");
    Fill(&image[368], kSignatureBytes, 0x7A11);
    for (std::size_t j = 0; j < plan.parts.size() && j < 16; ++j) {
        PutLe32(image, 116 + 16 * j, plan.parts[j].length);
        PutLe32(image, 120 + 16 * j, plan.parts[j].loadAddress);
        PutLe32(image, 124 + 16 * j, static_cast<std::uint32_t>(FirmwarePartOffset(plan, j)));
    }
    Fill(&image[kCertOffset], plan.certLength, 0xCE27);
    const std::string mode = plan.tagText.substr(0, 5);
    for (std::size_t j = 0; j < plan.parts.size(); ++j) {
        const FirmwarePart& part = plan.parts[j];
        std::uint8_t* at = &image[FirmwarePartOffset(plan, j)];
        FillPart(at, part.length, part.kind, j == 0 ? plan.tagText : mode, static_cast<std::uint32_t>(0x3F00 + j));
        if (part.length >= 4) {
            wire::PutLe16(at + part.length - 4, part.enable);
            wire::PutLe16(at + part.length - 2, PartChecksum(at, part.length));
        }
    }
    return image;
}

GdpImagePlan DemoGdpPlan() {
    GdpImagePlan plan;
    plan.parts = {{0x00000000, 3 * 65536 + 4000, PartKind::Tagged}, {0x00100000, 16384, PartKind::OpCarrier}};
    return plan;
}

// Part 0 (enable 1, so the download patches its first page and the ROM does not check its sum)
// loads at RAM 0 and is the booted firmware's variable block; part 3 is the one-page part whose
// page carries the tag, which the download copies as the second parameter part; part 1's length
// is not a whole number of pages.
FirmwareImagePlan DemoSystemFirmwarePlan(const std::string& chip) {
    FirmwareImagePlan plan;
    plan.tagText = TagText("RAVEZ", 1, 0, 1, chip);
    plan.parts = {{3 * kPageBytes, 0x00000000, 0x0001, PartKind::Tagged},
                  {40000, 0x00100000, 0x0000, PartKind::Plain},
                  {2 * kPageBytes, 0x00200000, 0x0000, PartKind::Plain},
                  {kPageBytes, 0x00300000, 0x0000, PartKind::Tagged}};
    return plan;
}

// Part 0: two pages tagged, enable 1 (the sorting parameters are patched into both); part 3:
// the op-file carrier, enable 1 (patched as well).
FirmwareImagePlan DemoSortFirmwarePlan() {
    FirmwareImagePlan plan;
    plan.tagText = TagText("QVRDT", 1, 0, 1, "TEV1001");
    plan.parts = {{2 * kPageBytes, 0x00000000, 0x0001, PartKind::Tagged},
                  {kPageBytes + 6000, 0x00100000, 0x0000, PartKind::Plain},
                  {kPageBytes, 0x00180000, 0x0000, PartKind::Plain},
                  {kPageBytes, 0x00200000, 0x0001, PartKind::OpCarrier}};
    return plan;
}

Bytes DataFile(const std::string& title, std::size_t length) {
    Bytes data(length, 0);
    std::uint32_t seed = 0;
    for (char c : title) seed = seed * 31 + static_cast<unsigned char>(c);
    Fill(data.data(), length, seed);
    std::memcpy(data.data(), title.data(), std::min(title.size(), length));
    return data;
}

Bytes LdpcPage(int rate, int page) {
    Bytes data = DataFile("LDBK LDPC TABLE" + std::to_string(page), 4096);
    data[16] = static_cast<std::uint8_t>(rate);
    return data;
}

Bytes IdCodeFile() {
    static constexpr char kText[] = "51560000494400000000000000000001\r\n";
    static_assert(sizeof kText == 32 + 2 + 1);
    return Bytes(kText, kText + sizeof kText - 1);
}

}  // namespace emu::images
