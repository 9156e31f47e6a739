// A bay of 16 drives behind two 8-port hubs, reached the way the programs reach it: KESTRANE_BAY
// names the bay folder, the hub walk numbers the ports, the disk listing finds the drives, each
// disk is matched to its port by instance id and its bridge recognised; then a drive is pulled.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "emu/bay.h"
#include "platform/backend.h"
#include "platform/named_lock.h"
#include "platform/trace_sink.h"
#include "transport/hid_fixture.h"
#include "transport/port_instance.h"
#include "transport/scsi_std.h"
#include "transport/usb_disks.h"
#include "transport/usb_hub_walk.h"

namespace fs = std::filesystem;

namespace {

std::string BayIni() {
    std::string ini = "[RootHub1]\nBus=2\nSpeed=usb3\nPorts=4\n[RootHub2]\nBus=1\nSpeed=usb2\nPorts=2\n";
    ini += "[Hub1]\nId=2-1\nPorts=8\n[Hub2]\nId=2-2\nPorts=8\n";
    for (int i = 0; i < 16; ++i) {
        const int hub = i / 8 + 1, port = i % 8 + 1;
        ini += "[Drive" + std::to_string(i + 1) + "]\nId=2-" + std::to_string(hub) + "." + std::to_string(port) + "\n";
        ini += i % 2 == 0 ? "Bridge=jmicron\nChip=0583\n" : "Bridge=asmedia\n";
    }
    ini += "[Fixture1]\nId=1-1\n";
    return ini;
}

// What the main window's matching does: each present port takes the first unmatched disk whose
// instance id equals the port's, and its pass-through path.
std::map<int, int> MatchDisksToPorts(std::uint32_t disks) {
    std::map<int, int> portOfDisk;
    for (int p = 0; p < g_StartUSBPortIndex; ++p) {
        if (g_USBPortInfo[p].iUsbPortPresent != 1) continue;
        for (std::uint32_t d = 0; d < disks; ++d) {
            DevInfo& disk = gJMGlobal.DevInfo[d];
            if (disk.bMatched != 0 || std::strcmp(disk.deviceInstanceId, g_USBPortInfo[p].deviceDesc) != 0) continue;
            disk.bMatched = 1;
            portOfDisk[static_cast<int>(d)] = p;
            AP_Instance[p].pDevicePath = disk.deviceInterfaceDetailData.DevicePath;
            AP_Instance[p].bIsBridge = 1;
            break;
        }
    }
    return portOfDisk;
}

class Bay16 : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("bay16-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        std::ofstream(folder_ / "bay.ini") << BayIni();
        platform::SetLockFolder(folder_);
        ::setenv("KESTRANE_BAY", folder_.c_str(), 1);
        std::string error;
        bay_ = emu::InstallBayFromEnvironment(&error);
        ::unsetenv("KESTRANE_BAY");
        ASSERT_NE(bay_, nullptr) << error;
        std::memset(g_USBPortInfo, 0, sizeof g_USBPortInfo);
    }
    void TearDown() override {
        for (auto& inst : AP_Instance) inst = AP_Instance_t{};
        platform::SetLockFolder({});
        fs::remove_all(folder_);
    }

    platform::ScopedBackends keep_;
    platform::TraceCapture quiet_;
    fs::path folder_;
    std::shared_ptr<emu::Bay> bay_;
};

TEST_F(Bay16, SixteenDrivesOnSixteenPortsAndAnUnplugIsSeen) {
    // Bus 1 first (the board on port 1, port 2 empty), then bus 2: hub 1 on root port 1 gives
    // ports 3-10, hub 2 ports 11-18, root ports 3 and 4 are 19 and 20.
    ASSERT_EQ(SetupDi_DisplayUSB(), 20);
    EXPECT_EQ(g_USBNodeError, 0);
    std::uint32_t count = kMaxUsbDisks;
    ASSERT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 1);
    ASSERT_EQ(count, 16u);
    const auto portOfDisk = MatchDisksToPorts(count);
    ASSERT_EQ(portOfDisk.size(), 16u);
    std::set<int> ports;
    for (const auto& [disk, port] : portOfDisk) ports.insert(port);
    EXPECT_EQ(ports.size(), 16u);
    EXPECT_EQ(*ports.begin(), 2);    // port number 3
    EXPECT_EQ(*ports.rbegin(), 17);  // port number 18

    // Every bridge recognised, 16 ports from 16 threads at once.
    int types[kPortCount] = {};
    std::vector<std::thread> workers;
    for (int port : ports) workers.emplace_back([port, &types] { types[port] = GetBridgeType(port); });
    for (auto& w : workers) w.join();
    for (int port : ports) {
        const bool jmicron =
            bay_->FindDrive(AP_Instance[port].pDevicePath)->Config().bridge == emu::BridgeKind::JMicron;
        EXPECT_EQ(types[port], jmicron ? 0x1000 : 0x2000) << AP_Instance[port].pDevicePath;
    }

    char hid[64];
    EXPECT_EQ(FindHidDevicePath(hid, sizeof hid), 1);
    EXPECT_STREQ(hid, "emu:fixture1");

    // Pull drive 5: a removal event, and the next listing and walk lack it.
    auto monitor = platform::ListingBackend()->OpenHotPlugMonitor();
    ASSERT_NE(monitor, nullptr);
    ASSERT_TRUE(bay_->Unplug("Drive5"));
    const auto event = monitor->Next();
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Removal);
    EXPECT_EQ(event->path, "emu:drive5");
    EXPECT_EQ(event->instanceId, "2-1.5");

    std::memset(g_USBPortInfo, 0, sizeof g_USBPortInfo);
    ASSERT_EQ(SetupDi_DisplayUSB(), 20);
    EXPECT_EQ(g_USBPortInfo[6].iUsbPortPresent, 0);  // port number 7: hub 1, port 5
    count = kMaxUsbDisks;
    ASSERT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 1);
    ASSERT_EQ(count, 15u);
    for (std::uint32_t d = 0; d < count; ++d) {
        EXPECT_STRNE(gJMGlobal.DevInfo[d].deviceInterfaceDetailData.DevicePath, "emu:drive5");
    }
    // A command to the pulled drive's old path finds nothing.
    std::uint8_t buf[40];
    const int pulled = portOfDisk.at(4);
    AP_Instance[pulled].pDevicePath = "emu:drive5";
    EXPECT_EQ(VC_STD_Inquiry(pulled, buf), 2);
}

}  // namespace
