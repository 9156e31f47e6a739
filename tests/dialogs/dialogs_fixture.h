// The dialogs on emulated drives: a program folder of its own holding "GDP.bin", the virtual clock,
// a scripted UiPort, the trace captured, the settings records put back afterwards, and drives
// described per test (port p is drive p + 1).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "emu/image_generator.h"
#include "forms/scripted_ui_port.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "support/emulated_drives.h"
#include "support/flash_geometry.h"
#include "support/gdp_image_file.h"
#include "support/settings_records.h"

namespace dialogs_test {

namespace fs = std::filesystem;

// Two channels of two CEs, pages of 32 sectors (16 KB), the settings to match.
inline constexpr const char* kFlash =
    "FlashChannels=2\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=64\nFlashPages=32\nFlashPageSectors=32\nFlashPlanes=2\n"
    "FlashId=2C,64,44,4B,A9,00\n";

class DialogTest : public ::testing::Test {
  protected:
    DialogTest() : scopedClock_(clock_), scopedUi_(ui_) {
        folder_ = fs::temp_directory_path() / ("qv_dialogs_" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        platform::SetProgramFolder(folder_);
        test_support::WriteGdpImage((folder_ / "GDP.bin").string(), emu::images::DemoGdpPlan());
        test_support::SetFlashGeometry({.channels = 2, .banks = 2, .planes = 2, .dieUnit = 32, .pageSector = 32});
        AP_FlashSet.ucChannel = 2;
        AP_FlashSet.ucCE = 2;
        AP_FlashSet.wPages = 32;
        AP_FlashSet.wPageSize = 16;
        AP_FlashSet.ucLdpcMode = 2;
        const std::uint8_t id[6] = {0x2C, 0x64, 0x44, 0x4B, 0xA9, 0x00};
        std::memcpy(AP_FlashSet.aFlashID, id, 6);
    }
    ~DialogTest() override {
        drives_.reset();
        platform::SetProgramFolder(savedFolder_);
        fs::remove_all(folder_);
    }
    // Drives with the flash above and each one's extra keys.
    void Drives(const std::vector<std::string>& extra) {
        std::vector<std::string> sections;
        for (const std::string& e : extra) sections.push_back(std::string(kFlash) + e);
        drives_ = std::make_unique<test_support::EmulatedDrives>(sections);
        ASSERT_EQ(drives_->Error(), "");
    }
    static std::string Memo(const QPlainTextEdit* memo) { return memo->toPlainText().toStdString(); }

    test_support::SettingsRecordsGuard records_;
    fs::path savedFolder_ = platform::ProgramFolder();
    fs::path folder_;
    platform::VirtualClock clock_{0};
    platform::ScopedClock scopedClock_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort scopedUi_;
    platform::TraceCapture trace_;
    std::unique_ptr<test_support::EmulatedDrives> drives_;
};

}  // namespace dialogs_test
