// The main window on a scratch copy of the demo station: virtual clock at 4 July 13:05:09, a
// scripted UiPort, the trace captured, the run state and the settings records restored afterwards,
// and bays of emulated drives described in the test. Shared by the suites of the main window, the
// fixture window, the dialogs, the result window and the MP run.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/run_state.h"
#include "app/settings_pages.h"
#include "emu/bay.h"
#include "forms/scripted_ui_port.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/named_lock.h"
#include "platform/trace_sink.h"
#include "settings/flash_record.h"
#include "settings/ini_engine.h"
#include "settings/records.h"
#include "support/demo_station.h"
#include "transport/port_instance.h"
#include "transport/usb_disks.h"

namespace window_test {

namespace fs = std::filesystem;

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Everything a window test changes of the process, put back when it goes.
class ProcessState {
  public:
    ProcessState() : ini_(AP_INIState), flash_(AP_FlashSet), fw_(AP_FwSet), rdt_(AP_RDTSet), ot_(AP_OtSet) {
        std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), records_);
        folder_ = platform::ProgramFolder();
        Reset();
    }
    ~ProcessState() {
        Reset();
        AP_INIState = ini_;
        AP_FlashSet = flash_;
        AP_FwSet = fw_;
        AP_RDTSet = rdt_;
        AP_OtSet = ot_;
        std::copy(std::begin(records_), std::end(records_), g_FlashRecord);
        platform::SetProgramFolder(folder_);
        IniResetState();
    }
    static void Reset() {
        for (PortDevInfo& r : g_PortDevInfo) r = PortDevInfo{};
        for (PortDevInfo& r : g_USBPortInfo) r = PortDevInfo{};
        for (AP_Instance_t& i : AP_Instance) i = AP_Instance_t{};
        gJMGlobal = JMGlobal_t{};
        std::fill(std::begin(g_DeviceToPortMap), std::end(g_DeviceToPortMap), kNoPort);
        std::fill(std::begin(g_CustomizePortMap), std::end(g_CustomizePortMap), kNoPort);
        TotalUSBPortCount = g_nEnabledPortNum = g_nPortConnectedNum = 0;
        g_EnCustomizePortMap = b_AutoPortMapping = g_bAutoTestArmed = g_ucRdtStatus = 0;
        g_SelectedDevice = 0;
        g_DeviceSlots.ResetAll();
        std::fill(std::begin(g_FlashRecord), std::end(g_FlashRecord), FlashRecord_t{});
    }

  private:
    AP_INIState_t ini_;
    AP_FlashSet_t flash_;
    AP_FwSet_t fw_;
    AP_RDTSet_t rdt_;
    AP_OtSet_t ot_;
    FlashRecord_t records_[kFlashRecordMax];
    fs::path folder_;
};

// A stand-in fixture window that records what the main window tells it.
class RecordingFixture : public app::FixtureWindow {
  public:
    void Init_Auto_MP_Info() override { ++inits; }
    void Get_Dev_port(int port, int count) override { ports.push_back({port, count}); }
    void Refresh_Dev_MP_Sts(int port, int status) override { results.push_back({port, status}); }
    void Check_Dev_RDT_Rst(int port, int result) override {
        rdtResults.push_back({port, result});
        if (onRdtResult) onRdtResult();
    }
    std::uint8_t WaitLink() const override { return waitLink; }
    void SetLinkEvent(std::uint8_t event) override { linkEvent = event; }

    int inits = 0;
    std::vector<std::pair<int, int>> ports, results, rdtResults;
    std::uint8_t waitLink = 0, linkEvent = 0x84;
    std::function<void()> onRdtResult;  // runs inside each sorting-status report
};

// A stand-in barcode dialog acting as the real one does on OK with the next queued text (or as on
// Cancel when none is queued).
class ScriptedBarcode : public app::BarcodeInputBox {
  public:
    void ShowModal() override {
        shown.push_back({m_nPort, m_nDeviceNum});
        if (answers.empty()) return;
        const std::string text = answers.front();
        answers.erase(answers.begin());
        char* field = g_PortDevInfo[m_nPort].sBurnedSerialNum;
        std::snprintf(field, sizeof g_PortDevInfo[m_nPort].sBurnedSerialNum, "%s", text.c_str());
        std::memset(gJMGlobal.sBurnedSerialNum[m_nPort], 0, sizeof gJMGlobal.sBurnedSerialNum[m_nPort]);
        std::snprintf(gJMGlobal.sBurnedSerialNum[m_nPort], sizeof gJMGlobal.sBurnedSerialNum[m_nPort], "%s",
                      text.c_str());
    }
    std::vector<std::pair<int, int>> shown;
    std::vector<std::string> answers;
};

// The lock files' folder of the whole test program: a named lock keeps its file open once used, so
// the folder outlives each test's station (a second program must find the same file). It is removed
// when the test program ends, but not when a forked child ends (the folder is its parent's).
inline fs::path LockFolderOfTheRun() {
    struct Folder {
        Folder() { fs::create_directories(path); }
        ~Folder() {
            std::error_code ignored;
            if (::getpid() == owner) fs::remove_all(path, ignored);
        }
        const pid_t owner = ::getpid();
        const fs::path path = fs::temp_directory_path() / ("qv_window_locks_" + std::to_string(owner));
    };
    static const Folder folder;
    return folder.path;
}

using test_support::CopySkipping;

class StationWindowTest : public ::testing::Test {
  protected:
    StationWindowTest() : clock_(0), scopedClock_(clock_), scopedUi_(ui_) {
        clock_.SetLocal({2026, 7, 4, 13, 5, 9, 0});
        station_ = fs::temp_directory_path() / ("qv_window_" + std::to_string(::getpid()));
        fs::remove_all(station_);
        test_support::CopyDemoStation(station_);
        platform::SetProgramFolder(station_);
        platform::SetLockFolder(LockFolderOfTheRun());
        app::RegisterBuiltSettingsPages();
    }
    ~StationWindowTest() override {
        CloseWindow();
        fs::remove_all(station_);
    }

    // Installs the bay of `ini` (written into the station's bay folder) as the device backend.
    std::shared_ptr<emu::Bay> InstallBay(const std::string& ini) {
        WriteText(station_ / "bay" / "bay.ini", ini);
        return InstallStationBay();
    }
    std::shared_ptr<emu::Bay> InstallStationBay() {
        std::string error;
        bay_ = emu::InstallBay(station_ / "bay", &error);
        EXPECT_TRUE(bay_) << error;
        return bay_;
    }

    TMainForm& OpenWindow() {
        window_ = std::make_unique<TMainForm>();
        window_->FormCreate(window_.get());
        return *window_;
    }
    void CloseWindow() {
        if (!window_) return;
        window_->FormDestroy(window_.get());
        window_.reset();
    }
    TMainForm& Window() { return *window_; }
    // The first enumeration, as timer 129 delivers it.
    void Enumerate() { window_->OnTimer(kEnumTimerId); }

    fs::path station_;
    platform::VirtualClock clock_;
    platform::ScopedClock scopedClock_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort scopedUi_;
    platform::TraceCapture trace_;
    platform::ScopedBackends backends_;
    ProcessState state_;
    std::shared_ptr<emu::Bay> bay_;
    std::unique_ptr<TMainForm> window_;
};

// Bay texts: `hubs` 8-port hubs on one USB 3 root hub, `drives` drives filling their ports in
// order, bridges alternating; `extra` keys go into every drive's section.
inline std::string BayOfHubs(int hubs, int drives, const std::string& extra = "") {
    std::string ini = "[RootHub1]\nBus=2\nSpeed=usb3\nPorts=4\n";
    for (int h = 1; h <= hubs; ++h) {
        ini += "[Hub" + std::to_string(h) + "]\nId=2-" + std::to_string(h) + "\nPorts=8\n";
    }
    for (int i = 0; i < drives; ++i) {
        ini += "[Drive" + std::to_string(i + 1) + "]\nId=2-" + std::to_string(i / 8 + 1) + "." +
               std::to_string(i % 8 + 1) + "\nBridge=" + (i % 2 == 0 ? "jmicron\nChip=0583" : "asmedia") +
               "\nFlashChannels=4\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=2016\nFlashPages=2304\nFlashPageSectors=32\n" +
               extra;
    }
    return ini;
}

}  // namespace window_test
