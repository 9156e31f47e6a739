// The diagnostic-firmware loader's refusals: what it will not read or write, before any drive is
// touched or with nothing written past a buffer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "emu/image_generator.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "settings/firmware_bins.h"
#include "support/gdp_image_file.h"

namespace {

namespace fs = std::filesystem;
namespace img = emu::images;

class GdpLoadRefusals : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("gdp-load-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        path_ = (folder_ / "GDP.bin").string();
    }
    void TearDown() override {
        AP_GDPBins = saved_;
        procedures::ClearGdpBuffer();
        fs::remove_all(folder_);
    }

    void Image(const std::vector<img::GdpPart>& parts, std::size_t cutTail = 0) {
        img::GdpImagePlan plan;
        plan.parts = parts;
        test_support::WriteGdpImage(path_, plan, cutTail);
    }

    AP_Bins_t saved_ = AP_GDPBins;
    fs::path folder_;
    std::string path_;
    platform::TraceCapture trace_;
};

TEST_F(GdpLoadRefusals, ReadingTheImageIntoMemory) {
    Image({{0, 65537, img::PartKind::Tagged}, {0x20000000, 245760, img::PartKind::Plain}});
    EXPECT_TRUE(VP_ReadGDPtoBuffer());

    Image({{0, 65537, img::PartKind::Tagged}, {0x20000000, 245761, img::PartKind::Plain}});
    trace_.Clear();
    EXPECT_FALSE(VP_ReadGDPtoBuffer());
    EXPECT_TRUE(
        trace_.Contains("######### - GDP Code 0 part 1 is 0x3C001 bytes, longer than its buffer of 0x3C000!\n"));

    Image({{0, 65537, img::PartKind::Tagged}}, 1);
    trace_.Clear();
    EXPECT_FALSE(VP_ReadGDPtoBuffer());
    EXPECT_TRUE(trace_.Contains("######### - GDP image: short read, 0x10000 of 0x10001 bytes!\n"));

    Image({{0, 4096, img::PartKind::Tagged}});
    AP_GDPBins.ucCodeCnt = 0;
    EXPECT_FALSE(VP_ReadGDPtoBuffer());
    AP_GDPBins.ucCodeCnt = 1;
    AP_GDPBins.ucPartCnt[0] = 17;
    EXPECT_FALSE(VP_ReadGDPtoBuffer());

    fs::remove(path_);
    trace_.Clear();
    EXPECT_FALSE(VP_ReadGDPtoBuffer());
    EXPECT_EQ(trace_.Lines().back(), "######### - Open GDP bin file '" + path_ + "' fail");
}

TEST_F(GdpLoadRefusals, WritingFromTheFile) {
    Image({{0, 4096, img::PartKind::Tagged}});
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    // Refused before any byte is read or any command sent (port 99 has no drive).
    EXPECT_FALSE(VP_WriteCodeToMemNew2(99, file, 0, 245761, 0, 0, 0));
    EXPECT_FALSE(VP_WriteCodeToMemNew2(99, file, 16, 513, 1, 10, 0));
    EXPECT_EQ(std::ftell(file), 0);
    std::fseek(file, 4096 + 4000, SEEK_SET);
    EXPECT_FALSE(VP_WriteCodeToMemNew2(99, file, 0, 200, 0, 0, 0)) << "the file ends first";
    EXPECT_TRUE(trace_.Contains("######### - GDP image: short read, 0x60 of 0xC8 bytes!\n"));
    std::fclose(file);
}

}  // namespace
