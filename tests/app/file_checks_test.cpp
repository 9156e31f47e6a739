// The firmware and data file checks on the generated demo station: every file found and
// described, each missing file reported, wrong images refused.
#include "app/file_checks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "emu/image_generator.h"
#include "forms/scripted_ui_port.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/firmware_bins.h"
#include "settings/flash_param.h"
#include "settings/ini_all.h"
#include "settings/para_file.h"
#include "settings/param_files.h"
#include "settings/records_guard.h"

namespace {

namespace fs = std::filesystem;
namespace img = emu::images;
using Bytes = std::vector<std::uint8_t>;

const fs::path kStation = QV_DEMO_STATION;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The station's settings and the sample flash part, derived as the main window would.
class FileChecks : public ::testing::Test {
  protected:
    void SetUp() override { UseStation(kStation); }
    void TearDown() override {
        platform::SetProgramFolder(savedFolder_);
        AP_Param = savedParam_;
        if (!scratch_.empty()) fs::remove_all(scratch_);
    }

    void UseStation(const fs::path& folder) {
        platform::SetProgramFolder(folder);
        ReadIniAll((folder / "RIVIDO.ini").string().c_str());
        AP_INIState.bDieNumCount = 8;
        ReadParaIni((folder / "PARA" / AP_INIState.ExtParaFile).string().c_str(), AP_ParaSet);
        FlashRecord_t& r = g_FlashRecord[0];
        std::strcpy(r.FlashUniName, "B27B512G");
        std::strcpy(r.sFlashFullName, "QVB27B512G4P");
        r.ucFlashType = 2;
        r.ucCE = 2;
        r.wBlocks = 2016;
        r.wPages = 2304;
        r.wPageSize = 16;
        r.ucDiePerCE = 1;
        r.ucFlashInterface = 1;
        r.ucPlanes = 4;
        QV_UpdateGlobalParameter(0, AP_INIState);
    }
    // A copy of the demo station that a test may change.
    fs::path Scratch() {
        scratch_ = fs::temp_directory_path() / ("station-" + std::to_string(::getpid()));
        fs::remove_all(scratch_);
        fs::copy(kStation, scratch_, fs::copy_options::recursive);
        platform::SetProgramFolder(scratch_);
        return scratch_;
    }
    std::string Missing(const fs::path& path) { return "The \"" + path.string() + "\" file cann't be found!\n"; }

    settings_test::RecordsGuard records_;
    fs::path savedFolder_ = platform::ProgramFolder();
    AP_Param_t savedParam_ = AP_Param;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
    platform::TraceCapture trace_;
    fs::path scratch_;
};

TEST_F(FileChecks, VersionForm) {
    EXPECT_EQ(app::VersionForm("RAVEZ_102003004000050607_QV"), "(1.02.003.004.00005.06.07)");
    EXPECT_EQ(app::VersionForm("QVGDP_1"), "(1......)");
}

TEST_F(FileChecks, DiagnosticImageDescribed) {
    std::string status;
    app::CheckGDPBin(&status);
    const img::GdpImagePlan plan = img::DemoGdpPlan();
    EXPECT_EQ(status, "GDP.bin" + app::VersionForm(plan.tagText));
    EXPECT_STREQ(AP_GDPBins.sBinFile, (kStation / "GDP.bin").c_str());
    EXPECT_EQ(AP_GDPBins.ucCodeCnt, 1);
    ASSERT_EQ(AP_GDPBins.ucPartCnt[0], plan.parts.size());
    for (std::size_t j = 0; j < plan.parts.size(); ++j) {
        EXPECT_EQ(AP_GDPBins.dwOffset[0][j], plan.parts[j].loadAddress);
        EXPECT_EQ(AP_GDPBins.dwLength[0][j], plan.parts[j].length);
        EXPECT_EQ(AP_GDPBins.dwBinOffset[0][j], img::GdpPartOffset(plan, j));
    }
    EXPECT_TRUE(trace_.Contains("######### - GDP Code 1 Bin Offset 0x31FA0\n"));
    const Bytes file = ReadFile(kStation / "GDP.bin");
    EXPECT_EQ(0, std::memcmp(AP_GDPBins.aRsaBlock, &file[96], 256));
    EXPECT_EQ(AP_GDPBins.ucImgInfo[0], file[16]);
    EXPECT_EQ(std::string(g_sGDPVersion), plan.tagText);
    EXPECT_TRUE(ui_.Shown().empty());
}

TEST_F(FileChecks, FirmwareImagesDescribedInBothModes) {
    struct Case {
        int toolMode;
        const char* file;
        img::FirmwareImagePlan plan;
        int codes;
    };
    const Case cases[] = {
        {0, "SYS/TCJHCALC.bin", img::DemoSystemFirmwarePlan("TEV1001"), 7},
        {1, "SORT/SORT.bin", img::DemoSortFirmwarePlan(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        AP_INIState.ToolMode = static_cast<std::int8_t>(c.toolMode);
        std::string status;
        ASSERT_EQ(app::CheckFWBin(1, &status), 1);
        EXPECT_STREQ(AP_Bins.sBinFile, (kStation / c.file).c_str());
        EXPECT_EQ(status, fs::path(c.file).filename().string() + app::VersionForm(c.plan.tagText));
        EXPECT_EQ(AP_Bins.ucCodeCnt, c.codes);
        EXPECT_EQ(AP_Bins.wCertLen, c.plan.certLength);
        const Bytes file = ReadFile(kStation / c.file);
        for (int i = 0; i < c.codes; ++i) {
            ASSERT_EQ(AP_Bins.ucPartCnt[i], c.plan.parts.size());
            for (std::size_t j = 0; j < c.plan.parts.size(); ++j) {
                const std::uint32_t offset = AP_Bins.dwBinOffset[i][j], length = AP_Bins.dwLength[i][j];
                EXPECT_EQ(offset, img::FirmwarePartOffset(c.plan, j));
                EXPECT_EQ(length, c.plan.parts[j].length);
                EXPECT_EQ(AP_Bins.dwOffset[i][j], c.plan.parts[j].loadAddress);
                EXPECT_EQ(AP_Bins.wEnable[i][j], c.plan.parts[j].enable);
                EXPECT_EQ(AP_Bins.wCheckSum[i][j], img::PartChecksum(&file[offset], length));
            }
        }
        EXPECT_EQ(0, std::memcmp(AP_Bins.aCertData, &file[2048], c.plan.certLength));
        EXPECT_EQ(0, std::memcmp(AP_Bins.aRsaBlock, &file[368], 256));
        EXPECT_EQ(std::string(g_sFWVersion).substr(46, 7), "TEV1001");
    }
    EXPECT_TRUE(ui_.Shown().empty());
}

TEST_F(FileChecks, DataFilesFoundAndRecorded) {
    EXPECT_EQ(app::CheckLDPCBin(), 1);
    EXPECT_EQ(app::CheckNandMenUpdateBin(), 1);
    EXPECT_EQ(app::CheckOPALBin(), 1);
    EXPECT_EQ(app::CheckNandMemBin(), 1);
    EXPECT_EQ(app::CheckUEFIBin(), 1);
    EXPECT_TRUE(ui_.Shown().empty());
    EXPECT_STREQ(AP_Param.sLdpcPage1Bin, (kStation / "DAT/ldpc_rate1_page1.bin").c_str());
    EXPECT_STREQ(AP_Param.sNandMemSDR, (kStation / "DAT/B27B/nandmem_B27B_sdr_page1.bin").c_str());
    EXPECT_STREQ(AP_Param.sNandMemOpMap, (kStation / "DAT/B27B/000_400/B27B_000_op_map.map").c_str());
    EXPECT_STREQ(AP_Param.sNandMemCmdBinDDR, (kStation / "DAT/B27B/000_400/B27B_000_ddr23_cmd.bin").c_str());
    EXPECT_STREQ(AP_Param.sUEFIBin, (kStation / "DAT/NvmExpressDxe.rom").c_str());
    EXPECT_TRUE(trace_.Contains("FlashBINType = B27B    asBINType =  \n"));

    for (std::uint8_t mode : {0, 2, 3, 4, 5}) {
        AP_FlashSet.ucLdpcMode = mode;
        ASSERT_EQ(app::CheckLDPCBin(), 1);
        const int rate = mode >= 2 && mode <= 4 ? mode : 1;
        EXPECT_STREQ(AP_Param.sLdpcPage2Bin,
                     (kStation / ("DAT/ldpc_rate" + std::to_string(rate) + "_page2.bin")).c_str());
    }
}

TEST_F(FileChecks, IdCodeTakenAsItIs) {
    AP_INIState.EnNepIDCode = 1;
    ASSERT_EQ(app::CheckFWBin(1), 1);
    EXPECT_EQ(0, std::memcmp(AP_INIState.NepIDCode, ReadFile(kStation / "NEP_ID_CODE.hex").data(), 32));

    const fs::path station = Scratch();
    fs::remove(station / "NEP_ID_CODE.hex");
    EXPECT_EQ(app::CheckFWBin(1), 1) << "the check goes on";
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].title, "Error");
    EXPECT_EQ(ui_.Shown()[0].text, "No Nep ID code file!");
    EXPECT_EQ(ui_.Shown()[0].icon, forms::BoxIcon::Error);
    EXPECT_EQ(std::vector<std::uint8_t>(AP_INIState.NepIDCode, AP_INIState.NepIDCode + 32), Bytes(32, 0));
}

TEST_F(FileChecks, EachMissingDataFileGivesItsMessage) {
    struct Case {
        const char* removed;
        int (*check)();
    };
    const Case cases[] = {
        {"DAT/ldpc_rate1_page1.bin", app::CheckLDPCBin},
        {"DAT/ldpc_rate1_page2.bin", app::CheckLDPCBin},
        {"DAT/ldr23_nops_op.bin", app::CheckNandMenUpdateBin},
        {"DAT/ldr23_nifc_cmd.bin", app::CheckNandMenUpdateBin},
        {"DAT/opal.bin", app::CheckOPALBin},
        {"DAT/NvmExpressDxe.rom", app::CheckUEFIBin},
        {"DAT/B27B/nandmem_B27B_sdr_page1.bin", app::CheckNandMemBin},
        {"DAT/B27B/nandmem_B27B_ddr_page2.bin", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_op_map.map", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_sdr_op.bin", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_ddr23_op.bin", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_cmd_sdr.map", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_cmd_ddr23.map", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_sdr_cmd.bin", app::CheckNandMemBin},
        {"DAT/B27B/000_400/B27B_000_ddr23_cmd.bin", app::CheckNandMemBin},
    };
    const fs::path station = Scratch();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        const fs::path path = station / c.removed;
        const Bytes keep = ReadFile(path);
        fs::remove(path);
        ui_.Clear();
        EXPECT_EQ(c.check(), 0);
        ASSERT_EQ(ui_.Shown().size(), 1u);
        EXPECT_EQ(ui_.Shown()[0].title, "Error");
        EXPECT_EQ(ui_.Shown()[0].icon, forms::BoxIcon::Error);
        EXPECT_EQ(ui_.Shown()[0].text, Missing(path));
        WriteFile(path, keep);
    }
    // Both LDPC pages missing: one box, naming the first.
    fs::remove(station / "DAT/ldpc_rate1_page1.bin");
    fs::remove(station / "DAT/ldpc_rate1_page2.bin");
    ui_.Clear();
    EXPECT_EQ(app::CheckLDPCBin(), 0);
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, Missing(station / "DAT/ldpc_rate1_page1.bin"));
}

TEST_F(FileChecks, MissingFirmwareImages) {
    const fs::path station = Scratch();
    fs::remove(station / "GDP.bin");
    std::string status = "old";
    app::CheckGDPBin(&status);
    EXPECT_EQ(status, "GDP.bin");
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, Missing(station / "GDP.bin"));

    fs::remove(station / "SYS/TCJHCALC.bin");
    ui_.Clear();
    AP_INIState.dwItemEnable[8] = 1;  // Download
    EXPECT_EQ(app::CheckFWBin(0, &status), 1) << "missing only matters when a download is about to start";
    EXPECT_EQ(status, "TCJHCALC.bin");
    EXPECT_TRUE(ui_.Shown().empty());
    EXPECT_EQ(app::CheckFWBin(1, &status), 0);
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, Missing(station / "SYS/TCJHCALC.bin"));
    AP_INIState.dwItemEnable[8] = 0;
    EXPECT_EQ(app::CheckFWBin(1, &status), 1);

    AP_INIState.ToolMode = 2;  // neither MP nor SORT: no image at all
    ui_.Clear();
    EXPECT_EQ(app::CheckFWBin(1, &status), 1);
    EXPECT_STREQ(AP_Bins.sBinFile, "");
    EXPECT_EQ(status, "");
}

TEST_F(FileChecks, WrongImagesAreRefused) {
    const fs::path station = Scratch();
    const fs::path sys = station / "SYS/TCJHCALC.bin";
    const Bytes good = ReadFile(sys);
    struct Case {
        const char* name;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
        std::size_t length;  // 0: keep the file's length
    };
    const Case cases[] = {
        {"wrong tag", 0, {'Z', 'E', 'L', '0', '8'}, 0},
        {"17 parts", 18, {17, 0}, 0},
        {"certificate of 2,048 bytes", 34, {0x00, 0x08}, 0},
        {"a part past the end", 116, {0xFF, 0xFF, 0x0F, 0x00}, 0},
        {"short header", 0, {}, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(app::CheckFWBin(1), 1);  // the good image first
        Bytes image = good;
        std::copy(c.bytes.begin(), c.bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(c.at));
        if (c.length != 0) image.resize(c.length);
        WriteFile(sys, image);
        std::string status = "kept";
        EXPECT_EQ(app::CheckFWBin(1, &status), 0);
        EXPECT_EQ(status, "kept");
        EXPECT_EQ(AP_Bins.ucCodeCnt, 0) << "no part list of a refused image";
        EXPECT_TRUE(ui_.Shown().empty());
        WriteFile(sys, good);
    }

    const fs::path gdp = station / "GDP.bin";
    Bytes image = ReadFile(gdp);
    image[17] = 9;
    WriteFile(gdp, image);
    std::string status;
    app::CheckGDPBin(&status);
    EXPECT_EQ(status, "GDP.bin");
    EXPECT_EQ(AP_GDPBins.ucCodeCnt, 0);
    EXPECT_FALSE(BinsDescriptionSound(AP_GDPBins));
    image[17] = 2;
    image.resize(image.size() - 1);  // the last part ends past the file
    WriteFile(gdp, image);
    app::CheckGDPBin(&status);
    EXPECT_EQ(AP_GDPBins.ucCodeCnt, 0);
    EXPECT_TRUE(ui_.Shown().empty());
}

}  // namespace
