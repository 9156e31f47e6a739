// Synthetic firmware images and data files in the formats the station reads, with content of our
// own: deterministic filler bytes around the fields a host or the emulated loader looks at.
//
// Diagnostic-firmware image ("GDP.bin"): a 352-byte header (bytes 16-351 are the signature block
// the loader receives: byte 16 an info byte, byte 17 the part count, from byte 32 per part the
// load address and length, 32-bit little-endian, bytes 96-351 the signature), zeros up to 4,096,
// then the parts back to back. A tagged part carries its 64-byte tag text at byte 448; an
// op-file carrier begins with 00 11 22 ... FF.
//
// Firmware image (system firmware, "SORT.bin"): a 624-byte header ("ZEL09_FWTAG_V001", the part
// count at 18, the image information fields, from byte 112 per part 16 bytes: 4 unused, length,
// load address, file offset; bytes 368-623 the signature), the certificate at 2,048, the parts
// back to back from 4,096. Part 0 carries the tag text at its byte 448 (file byte 4,544); the
// last 4 bytes of every part are its enable word and its checksum word (the 16-bit sum of the
// part's little-endian words before them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emu::images {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kTagTextOffset = 448;
inline constexpr std::size_t kTagTextBytes = 64;
inline constexpr std::size_t kGdpHeaderBytes = 352;
inline constexpr std::size_t kFirmwareHeaderBytes = 624;
inline constexpr std::size_t kPartsOffset = 4096;
inline constexpr std::size_t kCertOffset = 2048;
inline constexpr char kFirmwareTag[] = "ZEL09_FWTAG_V001";

// A tag text: `mode` (5 characters, such as "QVGDP") and "_", then the version digits at
// characters 7 to 24 ("1", "02", "003", "004", "00005", "06", "07" for version 1.2.3.4.5.6.7),
// filler, and the chip text at characters 47 to 53.
std::string TagText(const std::string& mode, int major, int minor, int build, const std::string& chip);

enum class PartKind { Tagged, OpCarrier, Plain };

struct GdpPart {
    std::uint32_t loadAddress = 0;
    std::uint32_t length = 0;
    PartKind kind = PartKind::Plain;
};

struct GdpImagePlan {
    std::vector<GdpPart> parts;
    std::string tagText = TagText("QVGDP", 1, 2, 3, "");
    std::uint8_t infoByte = 0x01;
    // Part count written into the header, when it should differ from parts.size() (a broken image).
    int headerPartCount = -1;
};

Bytes BuildGdpImage(const GdpImagePlan& plan);
// Where part j lies in a GDP image built from `plan`.
std::size_t GdpPartOffset(const GdpImagePlan& plan, std::size_t j);

struct FirmwarePart {
    std::uint32_t length = 0;  // at least 4 (enable and checksum words)
    std::uint32_t loadAddress = 0;
    std::uint16_t enable = 0;
    PartKind kind = PartKind::Plain;  // Tagged: the mode tag at byte 448 (part 0 gets the tag text there)
};

struct FirmwareImagePlan {
    std::string tagText = TagText("RAVEZ", 1, 0, 1, "TEV1001");
    std::vector<FirmwarePart> parts;
    std::uint16_t certLength = 1024;
    int headerPartCount = -1;  // as for GdpImagePlan
};

Bytes BuildFirmwareImage(const FirmwareImagePlan& plan);
std::size_t FirmwarePartOffset(const FirmwareImagePlan& plan, std::size_t j);
// The checksum word the image carries for `part` (its bytes without the last 4).
std::uint16_t PartChecksum(const std::uint8_t* part, std::size_t length);

// The demo station's images: the system firmware of four parts (part 0 tagged, enable 1, at RAM
// 0; part 1 of 40,000 bytes; part 3 one tagged page) and "SORT.bin" (part 0 two tagged pages,
// enable 1; part 3 an op-file carrier).
GdpImagePlan DemoGdpPlan();
FirmwareImagePlan DemoSystemFirmwarePlan(const std::string& chip);
FirmwareImagePlan DemoSortFirmwarePlan();

// Data files: `length` bytes beginning with `title` and filled with a pattern seeded by it.
Bytes DataFile(const std::string& title, std::size_t length);
// An LDPC page file of rate 1-4, page 1 or 2: 4,096 bytes beginning "LDBK LDPC TABLE1" / "...2".
Bytes LdpcPage(int rate, int page);
// The customer ID code file: 32 hexadecimal digits and a line end.
Bytes IdCodeFile();

}  // namespace emu::images
