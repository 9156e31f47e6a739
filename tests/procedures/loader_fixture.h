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
#include "settings/param_files.h"
#include "support/scratch_folder.h"
#include "tables/page_format.h"
#include "transport/port_instance.h"
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

// A scratch folder for the files a procedure reads.
class TempFolder : public test_support::ScratchFolder {
  public:
    explicit TempFolder(const std::string& name) : ScratchFolder(name) {}
    std::string File(const std::string& name, const Bytes& data) const {
        return Write(name, std::string_view(reinterpret_cast<const char*>(data.data()), data.size())).string();
    }
};

// What a download of SystemPlan() to port 0 needs, for a drive running the diagnostic firmware: the
// loader drive's settings, the firmware and data files in `folder`, and the pre-format image (defect,
// early and remap headers of the four channels), bitmap and erase counts as the port's buffers.
inline void PrepareDownload(const TempFolder& folder, Bytes& remap, Bytes& bitmap, Bytes& counts) {
    constexpr std::size_t kPage = 16384;
    LoadLoaderDrive(0);
    AP_INIState.RemapEnable = 1;
    AP_INIState.dwItemEnable[7] = 1;
    DescribeImage(SystemPlan(), (folder.Path() / "SYS.bin").string(), 7);
    std::snprintf(AP_Param.sOPALBin, kParamPathBytes, "%s",
                  folder.File("opal.bin", emu::images::DataFile("OPAL", 40000)).c_str());
    std::snprintf(AP_Param.sUEFIBin, kParamPathBytes, "%s",
                  folder.File("uefi.bin", emu::images::DataFile("UEFI", 20000)).c_str());
    std::snprintf(AP_Param.sLdpcPage1Bin, kParamPathBytes, "%s",
                  folder.File("ldpc1.bin", emu::images::LdpcPage(2, 1)).c_str());
    std::snprintf(AP_Param.sLdpcPage2Bin, kParamPathBytes, "%s",
                  folder.File("ldpc2.bin", emu::images::LdpcPage(2, 2)).c_str());
    std::snprintf(AP_Param.sNandMemSDR, kParamPathBytes, "%s",
                  folder.File("sdr.bin", emu::images::DataFile("SDR", 16384)).c_str());
    std::snprintf(AP_Param.sNandMemDDR, kParamPathBytes, "%s",
                  folder.File("ddr.bin", emu::images::DataFile("DDR", 16384)).c_str());
    remap.assign(kRemapTableBufSize, 0);
    for (int c = 0; c < 4; ++c) {
        vRM_SetTableHeader(&remap[static_cast<std::size_t>(c) * kPage], kPage, RM_TBL_DEFECT);
        vRM_SetTableHeader(&remap[static_cast<std::size_t>(8 + c) * kPage], kPage, RM_TBL_EARLY);
        vRM_SetTableHeader(&remap[static_cast<std::size_t>(16 + c) * kPage], kPage, RM_TBL_REMAP);
    }
    bitmap.assign(kTablePageBufSize, 0x3C);
    counts.assign(kEraseCountBufSize, 0);
    AP_Instance[0].pRemapTableBuf = remap.data();
    AP_Instance[0].pTablePageBuf = bitmap.data();
    AP_Instance[0].pEraseCountBuf = counts.data();
}

}  // namespace loader_test
