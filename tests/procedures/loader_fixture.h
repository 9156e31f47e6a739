// Settings and firmware images for the loader-block tests: the sample drive of the parameter
// tests, a system firmware of four parts (part 0 tagged with enable 1, a plain one-page part, a
// plain part that is not a whole number of pages, part 3 a one-page tagged part) described in
// AP_Bins the way the file check does, and golden-page checks as (offset, width, value) tables.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emu/image_generator.h"
#include "param_settings.h"
#include "settings/firmware_bins.h"
#include "transport/byte_order.h"
#include "transport/tool_records.h"

namespace loader_test {

using Bytes = std::vector<std::uint8_t>;

struct Field {
    std::size_t offset;
    int width;  // 1, 2, 4 (little-endian)
    std::uint32_t value;
};

inline void ExpectFields(const std::uint8_t* page, std::initializer_list<Field> fields) {
    for (const Field& f : fields) {
        std::uint32_t got = page[f.offset];
        if (f.width == 2) got = transport::GetLe16(page + f.offset);
        if (f.width == 4) got = transport::GetLe32(page + f.offset);
        EXPECT_EQ(got, f.value) << "offset " << f.offset << ", width " << f.width;
    }
}

inline bool AllBytes(const std::uint8_t* from, std::size_t n, std::uint8_t value) {
    for (std::size_t i = 0; i < n; ++i) {
        if (from[i] != value) return false;
    }
    return true;
}

inline emu::images::FirmwareImagePlan SystemPlan() {
    using emu::images::PartKind;
    emu::images::FirmwareImagePlan plan;
    plan.tagText = emu::images::TagText("RAVEZ", 1, 0, 1, "TEV1001");
    plan.parts = {{3 * 16384, 0x00000000, 0x0001, PartKind::Tagged},
                  {16384, 0x00080000, 0x0000, PartKind::Plain},
                  {40000, 0x00100000, 0x0000, PartKind::Plain},
                  {16384, 0x00200000, 0x0001, PartKind::Tagged}};
    return plan;
}

inline emu::images::FirmwareImagePlan SortPlan() {
    using emu::images::PartKind;
    emu::images::FirmwareImagePlan plan;
    plan.tagText = emu::images::TagText("QVRDT", 1, 0, 1, "TEV1001");
    plan.parts = {{2 * 16384, 0x00000000, 0x0001, PartKind::Tagged},
                  {16384, 0x00080000, 0x0000, PartKind::Plain},
                  {20000, 0x00100000, 0x0000, PartKind::Plain},
                  {16384, 0x00200000, 0x0001, PartKind::OpCarrier}};
    return plan;
}

// AP_Bins as the file check fills it from `plan` (7 codes in MP, 1 in SORT), the file at `path`.
inline void DescribeImage(const emu::images::FirmwareImagePlan& plan, const std::string& path, int codes) {
    const Bytes image = emu::images::BuildFirmwareImage(plan);
    if (!path.empty()) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    AP_Bins_t& b = AP_Bins;
    b = AP_Bins_t{};
    std::snprintf(b.sBinFile, sizeof b.sBinFile, "%s", path.c_str());
    b.ucCodeCnt = static_cast<std::uint8_t>(codes);
    b.ucImgInfo[0] = 0x12;
    b.ucImgInfo[1] = 0x34;
    b.wCertLen = 1024;
    b.wImgInfo = 0x5678;
    b.dwImgInfo = 0x9ABCDEF0;
    b.ucImgInfo2[0] = 0x21;
    b.ucImgInfo2[1] = 0x43;
    for (int i = 0; i < 32; ++i) {
        b.aImgInfo1[i] = static_cast<std::uint8_t>(0x60 + i);
        b.aImgInfo2[i] = static_cast<std::uint8_t>(0x90 + i);
    }
    for (int i = 0; i < 256; ++i) b.aRsaBlock[i] = static_cast<std::uint8_t>(255 - i);
    for (int i = 0; i < 1024; ++i) b.aCertData[i] = static_cast<std::uint8_t>(i * 7);
    for (int c = 0; c < codes; ++c) {
        b.ucPartCnt[c] = static_cast<std::uint8_t>(plan.parts.size());
        for (std::size_t j = 0; j < plan.parts.size(); ++j) {
            const std::size_t at = emu::images::FirmwarePartOffset(plan, j);
            const std::uint32_t length = plan.parts[j].length;
            b.dwLength[c][j] = length;
            b.dwOffset[c][j] = plan.parts[j].loadAddress;
            b.dwBinOffset[c][j] = static_cast<std::uint32_t>(at);
            b.wEnable[c][j] = transport::GetLe16(&image[at + length - 4]);
            b.wCheckSum[c][j] = transport::GetLe16(&image[at + length - 2]);
        }
    }
}

// The sample drive with an identity page map, two loader blocks (0 and 1) on every present die.
inline void LoadLoaderDrive(int port) {
    param_test::LoadSampleDrive();
    for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i);
    std::strcpy(AP_FlashSet.sFlashFullName, "B27B512G-TLC");
    AP_Instance[port].ucLoaderBlockNum = 2;
    for (auto& ch : AP_Instance[port].aLoaderBlockNo) {
        for (auto& bank : ch) {
            bank[0] = 0;
            bank[1] = 1;
        }
    }
}

// Saves what the loader-block writers change beside the settings and parameter records.
class LoaderGuard {
  public:
    LoaderGuard() { std::copy(std::begin(AP_Bins_Instance), std::end(AP_Bins_Instance), instances_.begin()); }
    ~LoaderGuard() { std::copy(instances_.begin(), instances_.end(), std::begin(AP_Bins_Instance)); }

  private:
    param_test::ParamRecordsGuard records_;
    std::vector<AP_Bins_t> instances_ = std::vector<AP_Bins_t>(kBinsInstanceCount);
};

// A folder for files, removed at the end.
class TempFolder {
  public:
    explicit TempFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name, const Bytes& data) const {
        const auto p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        return p.string();
    }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace loader_test
