// Writes the seed inputs of fuzz_firmware_files: small synthetic "GDP.bin", system firmware and
// "SORT.bin" images and an ID-code file, each behind the target's five selector bytes.
// Usage: image_seeds <folder>
#include <cstdio>
#include <filesystem>
#include <string>

#include "emu/image_generator.h"

namespace {

using emu::images::Bytes;

void Write(const std::filesystem::path& folder, const std::string& name, std::uint8_t pick, const Bytes& file) {
    Bytes seed = {pick, 'B', '2', '7', 'B'};
    seed.insert(seed.end(), file.begin(), file.end());
    std::FILE* f = std::fopen((folder / name).c_str(), "wb");
    if (f == nullptr) return;
    std::fwrite(seed.data(), 1, seed.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    using namespace emu::images;

    GdpImagePlan gdp;
    gdp.parts = {{0x00000000, 1024, PartKind::Tagged}, {0x00100000, 256, PartKind::OpCarrier}};
    Write(folder, "gdp", 0x00, BuildGdpImage(gdp));

    FirmwareImagePlan sys;
    sys.tagText = TagText("RAVEZ", 1, 0, 1, "TEV1001");
    sys.parts = {{1024, 0x00000000, 0x0000, PartKind::Tagged},
                 {512, 0x00080000, 0x0001, PartKind::Tagged},
                 {64, 0x00100000, 0x0000, PartKind::Plain}};
    Write(folder, "system_firmware", 0x01 | 0x10, BuildFirmwareImage(sys));
    Write(folder, "system_firmware_id_code", 0x01 | 0x08, BuildFirmwareImage(sys));

    FirmwareImagePlan sort;
    sort.tagText = TagText("QVRDT", 1, 0, 1, "TEV1001");
    sort.parts = {{1024, 0x00000000, 0x0000, PartKind::Tagged}};
    Write(folder, "sort_firmware", 0x01 | 0x04, BuildFirmwareImage(sort));

    Write(folder, "id_code", 0x02 | 0x08, IdCodeFile());
    return 0;
}
