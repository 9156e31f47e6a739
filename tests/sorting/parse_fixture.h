// The parse on fixture pages: the settings of a small drive (two channels by two banks, one LUN,
// four planes, 16 KB pages, an identity page map), a fake page read, a recording window, a scripted
// UiPort for the boxes, the trace captured and a fresh program folder for the report tree.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "forms/scripted_ui_port.h"
#include "parse_pages.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "recording_view.h"
#include "support/settings_records.h"

namespace sorting_test {

inline constexpr int kPort = 3;

class ParseFixture : public ::testing::Test {
  public:
    ParseFixture() {
        AP_FlashSet.bPageSector = 32;
        AP_FlashSet.ucPlanes = 4;
        AP_FlashSet.wBlocks = 2016;
        AP_FlashSet.ucDiePerCE = 1;
        AP_FlashSet.ucFlashType = 2;
        for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(100 + i);
        AP_INIState.MaxPhyChannel = 2;
        AP_INIState.MaxPhyBank = 2;
        std::memset(AP_INIState.bOriDieMap, 0, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0, sizeof AP_INIState.bOriDieMapMultiLun);
        AP_RDTSet.SaveResultLog = 2;
        AP_RDTSet.EnECCInfo = 1;
        AP_RDTSet.DisDBG_SORT = 0;
        AP_RDTSet.DumpRAWFile = 0;
        AP_RDTSet.EnchangeLight = 0;
        AP_RDSetting.DumpDebugFile = 0;
        std::memset(wRsltBlk[kPort], 0, sizeof wRsltBlk[kPort]);
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        platform::SetProgramFolder(folder_);
    }
    ~ParseFixture() override {
        platform::SetProgramFolder(oldFolder_);
        std::memset(wRsltBlk[kPort], 0, sizeof wRsltBlk[kPort]);
        std::filesystem::remove_all(folder_);
    }

    // A die with result block `block` at (channel, FW bank).
    void Plant(int ch, int fw, std::uint16_t block, const DieBlock& d) {
        wRsltBlk[kPort][ch][fw] = block;
        drive_.Plant(ch, fw, d);
    }
    void Parse() {
        view_ = RecordingView{};
        trace_.Clear();
        ui_.Clear();
        ASSERT_EQ(results_->ParseSortingResult(kPort, view_), 1);
    }
    bool Traced(const std::string& line) const {
        const auto lines = trace_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::size_t TraceCount(const std::string& line) const {
        const auto lines = trace_.Lines();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> out;
        for (const forms::ShownBox& b : ui_.Shown()) out.push_back((b.kind == forms::BoxKind::Message ? "box:" : "msg:") + b.title + "|" + b.text);
        return out;
    }
    const tables::DieTestInfo& Record(int ch, int bank, int lun) const { return results_->m_DieTestInfo[ch][bank][lun]; }
    static std::string ReadFile(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    // The run folder the tree made (the only folder under Sorting_Log but AnalysisData).
    std::filesystem::path RunFolder() const {
        for (const auto& e : std::filesystem::directory_iterator(folder_ / "Sorting_Log")) {
            if (e.path().filename() != "AnalysisData") return e.path();
        }
        return {};
    }

    test_support::SettingsRecordsGuard settings_;
    std::filesystem::path folder_ =
        std::filesystem::path(::testing::TempDir()) / ("sort-parse-" + std::to_string(::getpid()));
    std::filesystem::path oldFolder_ = platform::ProgramFolder();
    FakeDrive drive_;
    std::unique_ptr<sorting::SortResults> results_ = std::make_unique<sorting::SortResults>(drive_.Reader());
    RecordingView view_;
    platform::TraceCapture trace_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
};

}  // namespace sorting_test
