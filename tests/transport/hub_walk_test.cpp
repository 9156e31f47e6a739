#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "emulated_bay.h"
#include "platform/clock.h"
#include "platform/linux/linux_backend.h"
#include "platform/trace_sink.h"
#include "transport/usb_disks.h"
#include "transport/usb_hub_walk.h"

namespace fs = std::filesystem;

namespace {

fs::path FixtureSysfs() {
    return fs::path(QV_SOURCE_DIR) / "tests/platform/data/sysfs";
}

class HubWalkTest : public ::testing::Test {
  protected:
    void UseSysfs(const fs::path& root) {
        platform::ReplaceSystemBackend(
            std::make_shared<platform::linuxos::LinuxBackend>(platform::linuxos::LinuxRoots{root, "/dev"}));
    }
    void SetUp() override {
        std::memset(g_USBPortInfo, 0, sizeof g_USBPortInfo);
        UseSysfs(FixtureSysfs());
    }
    // A copy of the fixture tree that a test may damage.
    fs::path Copy() {
        const fs::path to = fs::temp_directory_path() / ("hub-walk-" + std::to_string(::getpid()));
        fs::remove_all(to);
        fs::copy(FixtureSysfs(), to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        copies_.push_back(to);
        return to;
    }
    void TearDown() override {
        for (const auto& c : copies_) fs::remove_all(c);
    }

    platform::ScopedBackends keep_;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    std::vector<fs::path> copies_;
};

// Root hub 1 has 4 ports and a 4-port hub on its port 2: ports 1 (root port 1), 2-5 (the hub's
// ports), 6 and 7 (root ports 3 and 4). The USB 3 root hub's two ports follow as 8 and 9; the
// full-speed root hub is not walked.
TEST_F(HubWalkTest, NumbersPortsDepthFirstAndRecordsEachDevice) {
    platform::TraceCapture trace;
    EXPECT_EQ(SetupDi_DisplayUSB(), 9);
    EXPECT_EQ(g_StartUSBPortIndex, 9);
    EXPECT_EQ(g_USBNodeError, 0);
    struct Expect {
        int port;
        const char* id;
        const char* key;
    };
    const Expect present[] = {
        {1, "1-1", "bus/usb/001/002"},
        {2, "1-2.1", "bus/usb/001/004"},
        {4, "1-2.3", "bus/usb/001/005"},
        {5, "1-2.4", "bus/usb/001/006"},
    };
    for (const Expect& e : present) {
        const PortDevInfo& r = g_USBPortInfo[e.port - 1];
        EXPECT_EQ(r.iUsbPortPresent, 1) << e.port;
        EXPECT_STREQ(r.deviceDesc, e.id) << e.port;
        EXPECT_STREQ(r.sDriverKeyName, e.key) << e.port;
        EXPECT_GE(r.hUsbHub, 0);
    }
    for (int empty : {3, 6, 7, 8, 9, 10}) EXPECT_EQ(g_USBPortInfo[empty - 1].iUsbPortPresent, 0) << empty;
    EXPECT_NE(g_USBPortInfo[0].hUsbHub, g_USBPortInfo[1].hUsbHub) << "found on different hubs";
    EXPECT_EQ(g_USBPortInfo[1].hUsbHub, g_USBPortInfo[3].hUsbHub);

    EXPECT_TRUE(trace.Contains("Port[1] = g_StartUSBPortIndex 1"));
    EXPECT_TRUE(trace.Contains("Port[1] = g_StartUSBPortIndex 2"));  // the child hub's first port
    EXPECT_TRUE(trace.Contains("Port[3] = g_StartUSBPortIndex 6"));
    EXPECT_TRUE(trace.Contains("Port 3 : No device connected\n"));
    EXPECT_TRUE(trace.Contains("##### Recursively GetPortData  g_StartUSBPortIndex--  #####\n"));
    EXPECT_TRUE(
        trace.Contains("*******************************  Port(4) Connect is True  "
                       "*******************************\n"));
    EXPECT_TRUE(trace.Contains("Device Desc: 1-2.1\n"));
    EXPECT_TRUE(trace.Contains("/usb3\n"));  // listed ...
    EXPECT_FALSE(trace.Contains("=========================================================> pDetail->DevicePath[2]"));
}

TEST_F(HubWalkTest, EveryDiskMatchesItsPortByInstanceId) {
    ASSERT_EQ(SetupDi_DisplayUSB(), 9);
    std::uint32_t count = kMaxUsbDisks;
    ASSERT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 1);
    ASSERT_EQ(count, 2u);
    int portOf[2] = {0, 0};
    for (int p = 0; p < g_StartUSBPortIndex; ++p) {
        if (g_USBPortInfo[p].iUsbPortPresent != 1) continue;
        for (std::uint32_t d = 0; d < count; ++d) {
            if (std::strcmp(gJMGlobal.DevInfo[d].deviceInstanceId, g_USBPortInfo[p].deviceDesc) == 0) portOf[d] = p + 1;
        }
    }
    EXPECT_EQ(portOf[0], 1);  // the JMicron-type disk on root port 1
    EXPECT_EQ(portOf[1], 2);  // the ASMedia-type disk on the child hub's port 1
}

TEST_F(HubWalkTest, ANodeErrorOnAChildHubLeavesTheFlagAndTheOtherRootHubIsWalked) {
    const fs::path copy = Copy();
    fs::remove(copy / "devices/pci0000:00/0000:00:14.0/usb1/1-2/maxchild");
    UseSysfs(copy);
    platform::TraceCapture trace;
    const std::uint64_t start = platform::TickCount();
    // Root port 1, then root port 2 whose hub does not answer: the first root hub stops there.
    // The USB 3 root hub's ports are still numbered: 3 and 4.
    EXPECT_EQ(SetupDi_DisplayUSB(), 4);
    EXPECT_EQ(g_USBNodeError, 1);
    EXPECT_EQ(g_USBPortInfo[0].iUsbPortPresent, 1);
    EXPECT_TRUE(trace.Contains(" *** ERROR *** Node information not returned\n"));
    EXPECT_TRUE(trace.Contains("4 *** WARM *** *** WARM *** "));
    EXPECT_TRUE(trace.Contains("Port[2] = g_StartUSBPortIndex 4"));
    EXPECT_GE(platform::TickCount() - start, 500u) << "one retry after 500 ms";
}

TEST_F(HubWalkTest, ARootHubThatGivesNoPortCountSetsTheFlagAndTheOtherRootHubIsWalked) {
    const fs::path copy = Copy();
    fs::remove(copy / "devices/pci0000:00/0000:00:14.0/usb1/maxchild");
    UseSysfs(copy);
    platform::TraceCapture trace;
    EXPECT_EQ(SetupDi_DisplayUSB(), 2);  // only the USB 3 root hub's two ports
    EXPECT_EQ(g_USBNodeError, 1);
    EXPECT_TRUE(trace.Contains("  have NumberOfPorts 0\n"));
    EXPECT_FALSE(trace.Contains(" *** ERROR *** Node information not returned\n"));
}

TEST_F(HubWalkTest, ADeviceWithoutADriverKeyIsNumberedAndPresentWithEmptyTexts) {
    const fs::path copy = Copy();
    fs::remove(copy / "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.3/busnum");
    UseSysfs(copy);
    EXPECT_EQ(SetupDi_DisplayUSB(), 9);
    EXPECT_EQ(g_USBNodeError, 0);
    EXPECT_EQ(g_USBPortInfo[3].iUsbPortPresent, 1);
    EXPECT_STREQ(g_USBPortInfo[3].deviceDesc, "");
    EXPECT_STREQ(g_USBPortInfo[3].sDriverKeyName, "");
}

TEST_F(HubWalkTest, MoreThan128PortsStopsRecordingAndSetsTheFlag) {
    std::string ini;
    for (int bus = 1; bus <= 5; ++bus) {
        ini += "[RootHub" + std::to_string(bus) + "]\nBus=" + std::to_string(bus) + "\nSpeed=usb2\nPorts=31\n";
    }
    ini += "[Drive1]\nId=5-31\n";  // port 155: beyond the table
    testing_support::InstalledBay bay(ini);
    EXPECT_EQ(SetupDi_DisplayUSB(), 128);
    EXPECT_EQ(g_USBNodeError, 1);
    for (const PortDevInfo& r : g_USBPortInfo) EXPECT_EQ(r.iUsbPortPresent, 0);
}

TEST_F(HubWalkTest, DriverKeysAreFoundIgnoringCase) {
    const char* id = GetDeviceIdFromDriverKey("BUS/USB/001/004");
    ASSERT_NE(id, nullptr);
    EXPECT_STREQ(id, "1-2.1");
    EXPECT_EQ(GetDeviceIdFromDriverKey("bus/usb/009/001"), nullptr);
    EXPECT_EQ(EnumerateRootHub("/nonexistent/usb9"), ENOENT);
}

TEST(WideToNarrow, GivesANewNarrowTextOrNull) {
    EXPECT_STREQ(WideToNarrow(L"{36fc9e60-c465-11cf-8056-444553540000}\\0007").get(),
                 "{36fc9e60-c465-11cf-8056-444553540000}\\0007");
    EXPECT_STREQ(WideToNarrow(L"").get(), "");
    EXPECT_STREQ(WideToNarrow(L"Gr\u00FC\u00DFe \u20AC \U0001F50C").get(),
                 "Gr\xC3\xBC\xC3\x9F"
                 "e \xE2\x82\xAC \xF0\x9F\x94\x8C");
    EXPECT_EQ(WideToNarrow(nullptr), nullptr);
    const wchar_t noCharacter[] = {L'a', static_cast<wchar_t>(0xD800), L'\0'};
    EXPECT_EQ(WideToNarrow(noCharacter), nullptr);
}

}  // namespace
