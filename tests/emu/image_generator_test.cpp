#include "emu/image_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "emu/bay_config.h"
#include "emu/demo_station.h"

namespace {

namespace img = emu::images;
using Bytes = img::Bytes;

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t Le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::string Text(const Bytes& b, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(&b[at]), n);
}

TEST(ImageGenerator, TagTextPlacesVersionAndChip) {
    const std::string tag = img::TagText("RAVEZ", 1, 2, 3, "TEV1002");
    EXPECT_EQ(tag.substr(0, 6), "RAVEZ_");
    EXPECT_EQ(tag.substr(6, 18), "102003000000000000");  // characters 7 to 24
    EXPECT_EQ(tag.substr(46, 7), "TEV1002");             // characters 47 to 53
}

TEST(ImageGenerator, DiagnosticImageLayout) {
    img::GdpImagePlan plan;
    plan.parts = {{0x0, 65537, img::PartKind::Tagged}, {0x20000000, 131072, img::PartKind::OpCarrier}};
    const Bytes image = img::BuildGdpImage(plan);
    ASSERT_EQ(image.size(), 4096u + 65537 + 131072);
    EXPECT_EQ(image[17], 2);
    EXPECT_EQ(Le32(image, 32), 0u);
    EXPECT_EQ(Le32(image, 36), 65537u);
    EXPECT_EQ(Le32(image, 40), 0x20000000u);
    EXPECT_EQ(Le32(image, 44), 131072u);
    EXPECT_EQ(Text(image, 4096 + 448, 5), "QVGDP");
    EXPECT_EQ(Text(image, 4544, 24), plan.tagText.substr(0, 24));
    const std::size_t carrier = img::GdpPartOffset(plan, 1);
    EXPECT_EQ(carrier, 4096u + 65537);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(image[carrier + i], i * 0x11);
}

TEST(ImageGenerator, FirmwareImageLayout) {
    const img::FirmwareImagePlan plan = img::DemoSystemFirmwarePlan("TEV1001");
    const Bytes image = img::BuildFirmwareImage(plan);
    EXPECT_EQ(Text(image, 0, 16), "ZEL09_FWTAG_V001");
    ASSERT_EQ(Le16(image, 18), plan.parts.size());
    EXPECT_EQ(Le16(image, 34), plan.certLength);
    for (std::size_t j = 0; j < plan.parts.size(); ++j) {
        SCOPED_TRACE(j);
        const std::uint32_t length = Le32(image, 116 + 16 * j), offset = Le32(image, 124 + 16 * j);
        EXPECT_EQ(length, plan.parts[j].length);
        EXPECT_EQ(Le32(image, 120 + 16 * j), plan.parts[j].loadAddress);
        EXPECT_EQ(offset, img::FirmwarePartOffset(plan, j));
        EXPECT_EQ(Le16(image, offset + length - 4), plan.parts[j].enable);
        EXPECT_EQ(Le16(image, offset + length - 2), img::PartChecksum(&image[offset], length));
        if (plan.parts[j].kind == img::PartKind::Tagged) {
            EXPECT_EQ(Text(image, offset + 448, 5), "RAVEZ");
        }
    }
    EXPECT_EQ(Text(image, 4544 + 46, 7), "TEV1001");

    // What the download and the boot rely on: part 0 enabled at RAM 0, part 3 one tagged page,
    // a part that does not fill its last page.
    ASSERT_GE(plan.parts.size(), 4u);
    EXPECT_EQ(plan.parts[0].enable, 1);
    EXPECT_EQ(plan.parts[0].loadAddress, 0u);
    EXPECT_EQ(plan.parts[3].length, 16384u);
    EXPECT_EQ(Text(image, img::FirmwarePartOffset(plan, 3) + 448, 5), "RAVEZ");
    EXPECT_TRUE(std::any_of(plan.parts.begin(), plan.parts.end(), [](const auto& p) { return p.length % 16384 != 0; }));

    const img::FirmwareImagePlan sort = img::DemoSortFirmwarePlan();
    const Bytes sortImage = img::BuildFirmwareImage(sort);
    ASSERT_GE(sort.parts.size(), 4u);
    EXPECT_EQ(sort.parts[0].length, 2 * 16384u);
    EXPECT_EQ(sort.parts[0].enable, 1);
    EXPECT_EQ(Text(sortImage, img::FirmwarePartOffset(sort, 0) + 448, 5), "QVRDT");
    EXPECT_EQ(sortImage[img::FirmwarePartOffset(sort, 3) + 15], 0xFF) << "the op-file signature";
}

TEST(DemoStation, HoldsEveryFileTheStationReads) {
    std::map<std::string, Bytes> files;
    for (auto& [name, bytes] : emu::DemoStationFiles(emu::DemoStationPlan{})) files[name] = bytes;
    for (const char* name :
         {"GDP.bin", "SYS/TCJHCALC.bin", "SORT/SORT.bin", "NEP_ID_CODE.hex", "DAT/opal.bin", "DAT/NvmExpressDxe.rom",
          "DAT/ldr23_nops_op.bin", "DAT/ldr23_nifc_cmd.bin", "DAT/ldpc_rate1_page1.bin", "DAT/ldpc_rate4_page2.bin",
          "DAT/B27B/nandmem_B27B_sdr_page1.bin", "DAT/B27B/nandmem_B27B_ddr_page2.bin",
          "DAT/B27B/000_400/B27B_000_op_map.map", "DAT/B27B/000_400/B27B_000_ddr23_cmd.bin", "bay/bay.ini"}) {
        EXPECT_TRUE(files.contains(name)) << name;
    }
    EXPECT_EQ(Text(files["DAT/ldpc_rate2_page1.bin"], 0, 16), "LDBK LDPC TABLE1");
    EXPECT_EQ(Text(files["DAT/ldpc_rate2_page2.bin"], 0, 16), "LDBK LDPC TABLE2");
    EXPECT_EQ(files["NEP_ID_CODE.hex"].size(), 34u);
    std::string error;
    EXPECT_TRUE(emu::ParseBayConfig(emu::DemoBayIni(emu::DemoStationPlan{}), &error).has_value()) << error;
}

}  // namespace
