// The demo station's flash list against the rest of the station: every part loads, derives
// without a malformed-record trace and finds its Para section, its timing sections, its NAND data
// files at every clock and its system firmware; the sample part is the sample settings' part.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/file_checks.h"
#include "app/flash_list_file.h"
#include "app/tmc_sections.h"
#include "emu/demo_station.h"
#include "forms/ini_text.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/flash_list.h"
#include "settings/flash_param.h"
#include "settings/ini_all.h"
#include "settings/para_file.h"
#include "settings/records.h"
#include "settings/records_guard.h"

namespace {

namespace fs = std::filesystem;
const fs::path kStation = QV_DEMO_STATION;

const char* BestTimingFile(std::uint8_t iface) {
    switch (iface) {
        case 1:
        case 6:
        case 7:
            return "TMC_TGL2.ini";
        case 3:
        case 5:
        case 9:
            return "TMC_L2T2.ini";
        case 8:
            return "TMC_ONFI3.ini";
        case 10:
            return "TMC_ONFI4.ini";
        default:
            return "TMC_LGC.ini";
    }
}

class StationList : public ::testing::Test {
  protected:
    StationList() {
        std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), records_);
        folder_ = platform::ProgramFolder();
        platform::SetProgramFolder(kStation);
    }
    ~StationList() override {
        std::copy(std::begin(records_), std::end(records_), g_FlashRecord);
        platform::SetProgramFolder(folder_);
    }
    // The sample settings with part `index` chosen, derived as the window derives them.
    void Derive(int index) {
        ReadIniAll((kStation / "RIVIDO.ini").string().c_str());
        std::memset(AP_INIState.FlashUniName, 0, sizeof AP_INIState.FlashUniName);
        std::strcpy(AP_INIState.FlashUniName, g_FlashRecord[index].FlashUniName);
        QV_UpdateGlobalParameter(static_cast<std::uint16_t>(FindFlashIndex(AP_INIState.FlashUniName)), AP_INIState);
    }

    test_support::SettingsRecordsGuard guard_;
    platform::TraceCapture trace_;

  private:
    FlashRecord_t records_[kFlashRecordMax];
    fs::path folder_;
};

TEST_F(StationList, EveryPartFindsItsFilesInTheBuiltStation) {
    int vendors = 0, records = 0;
    ASSERT_EQ(LoadFlashIni(kStation / "FlashList.ini", &vendors, &records), 1);
    EXPECT_EQ(vendors, 3);
    EXPECT_EQ(records, 6);
    std::vector<std::string> codeNames;
    for (int r = 0; r < records; ++r) {
        SCOPED_TRACE(g_FlashRecord[r].FlashUniName);
        Derive(r);
        EXPECT_FALSE(trace_.Contains("Flash record has")) << trace_.Text();
        EXPECT_FALSE(trace_.Contains("blocks per die is below")) << trace_.Text();
        // Para: the section of the sample's die count.
        AP_INIState.bDieNumCount = static_cast<std::uint8_t>(AP_INIState.Channel * AP_INIState.Bank *
                                                             std::max<int>(1, AP_FlashSet.ucDiePerCE));
        AP_ParaSet_t para{};
        EXPECT_EQ(ReadParaIni((kStation / "PARA" / AP_INIState.ExtParaFile).string().c_str(), para), kParaOk);
        // Timing: 200 MHz profile 0 of its interface.
        const forms::IniText tmc =
            app::TmcText(kStation / "TMC" / "Default" / BestTimingFile(AP_FlashSet.ucFlashInterface));
        const auto sections = app::TmcSectionsOf(tmc, AP_FlashSet.ucFlashInterface, 200);
        ASSERT_FALSE(sections.empty());
        EXPECT_EQ(sections.front().substr(sections.front().size() - 5), "20000");
        // NAND data files at every clock.
        for (std::uint16_t clock : {33, 100, 200, 266, 333, 400}) {
            AP_INIState.Clock = clock;
            EXPECT_EQ(app::CheckNandMemBin(), 1) << clock;
        }
        // The system firmware under its code name with the sample's settings.
        ReadIniAll((kStation / "RIVIDO.ini").string().c_str());
        std::strcpy(AP_INIState.FlashUniName, g_FlashRecord[r].FlashUniName);
        QV_UpdateGlobalParameter(static_cast<std::uint16_t>(r), AP_INIState);
        char name[] = "########.bin";
        BuildFlashCodeName(name);
        codeNames.push_back(name);
        EXPECT_TRUE(fs::exists(kStation / "SYS" / name)) << name;
    }
    const emu::DemoStationPlan plan;
    for (const std::string& n : codeNames) {
        EXPECT_NE(std::find(plan.systemFirmwareNames.begin(), plan.systemFirmwareNames.end(), n),
                  plan.systemFirmwareNames.end())
            << n;
    }
}

}  // namespace
