#include "transport/usb_disks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "emulated_bay.h"
#include "fake_backend.h"
#include "platform/linux/linux_backend.h"
#include "platform/named_lock.h"
#include "platform/trace_sink.h"

namespace {

std::filesystem::path FixtureSysfs() {
    return std::filesystem::path(QV_SOURCE_DIR) / "tests/platform/data/sysfs";
}

class UsbDisksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lockFolder_ = std::filesystem::temp_directory_path() / ("usb-disks-" + std::to_string(::getpid()));
        std::filesystem::create_directories(lockFolder_);
        platform::SetLockFolder(lockFolder_);
        platform::ReplaceSystemBackend(
            std::make_shared<platform::linuxos::LinuxBackend>(platform::linuxos::LinuxRoots{FixtureSysfs(), "/dev"}));
    }
    void TearDown() override {
        platform::SetLockFolder({});
        std::filesystem::remove_all(lockFolder_);
    }
    platform::ScopedBackends keep_;
    std::filesystem::path lockFolder_;
};

TEST_F(UsbDisksTest, ListsTheBridgeDisksWithTheirParentInstanceIds) {
    platform::TraceCapture trace;
    std::uint32_t count = kMaxUsbDisks;
    ASSERT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 1);
    ASSERT_EQ(count, 2u);
    const DevInfo& jm = gJMGlobal.DevInfo[0];
    EXPECT_STREQ(jm.deviceInterfaceDetailData.DevicePath, "/dev/sg1");
    EXPECT_EQ(jm.deviceInterfaceDetailData.cbSize, 4u + 9u);
    EXPECT_STREQ(jm.deviceInstanceId, "1-1");
    EXPECT_EQ(jm.devnode, (21u << 8) | 1u);
    EXPECT_EQ(jm.parentDevnode, (1u << 16) | 2u);
    EXPECT_EQ(jm.bMatched, 0u);
    EXPECT_STREQ(gJMGlobal.DevInfo[1].deviceInterfaceDetailData.DevicePath, "/dev/sg2");
    EXPECT_STREQ(gJMGlobal.DevInfo[1].deviceInstanceId, "1-2.1");
    EXPECT_EQ(gJMGlobal.DevInfo[2].deviceInterfaceDetailData.DevicePath[0], '\0');
    EXPECT_TRUE(trace.Contains("######### - deviceInterfaceDetailData->DevicePath is /dev/sg1\n"));
    EXPECT_TRUE(trace.Contains("######### - findCount is 2\n"));
    EXPECT_TRUE(trace.Contains("######### - usbCount is 2\n"));
    EXPECT_TRUE(trace.Contains("######### - usbstorInfo[1].usbstorInstanceId is /dev/sg2\n"));

    // The capacity bounds what is stored.
    count = 1;
    ASSERT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 1);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, nullptr), 0);
}

TEST_F(UsbDisksTest, AnUnreadableListingFails) {
    platform::ReplaceSystemBackend(
        std::make_shared<platform::linuxos::LinuxBackend>(platform::linuxos::LinuxRoots{"/nonexistent-sysfs", "/dev"}));
    std::uint32_t count = kMaxUsbDisks;
    EXPECT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 0);
    EXPECT_EQ(count, 0u);
}

// A disk whose path begins with another disk's path keeps its own parent.
TEST_F(UsbDisksTest, PathsMatchWholeNotInPart) {
    class TwoDisks : public testing_support::RecordingBackend {
      public:
        std::optional<std::vector<platform::UsbDisk>> ListUsbDisks() override {
            platform::UsbDisk a, b;
            a.path = "/dev/sg21";
            a.instanceId = "3-4";
            b.path = "/dev/sg2";
            b.instanceId = "3-1";
            return std::vector<platform::UsbDisk>{a, b};
        }
    };
    platform::ReplaceSystemBackend(std::make_shared<TwoDisks>());
    std::uint32_t count = kMaxUsbDisks;
    ASSERT_EQ(GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count), 1);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(gJMGlobal.DevInfo[0].deviceInstanceId, "3-4");
    EXPECT_STREQ(gJMGlobal.DevInfo[1].deviceInstanceId, "3-1");
}

TEST_F(UsbDisksTest, TheListingWaitsForTheNamedLock) {
    platform::NamedLock lock("VEZUVOrovu");
    std::unique_lock held(lock);
    std::atomic<bool> done{false};
    std::thread lister([&] {
        std::uint32_t count = kMaxUsbDisks;
        static DevInfo records[kMaxUsbDisks];
        GetUSBStorDeviceInfo(records, &count);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done);
    held.unlock();
    lister.join();
    EXPECT_TRUE(done);
}

TEST_F(UsbDisksTest, DiskNumbersAndTextHelpers) {
    testing_support::InstalledBay bay("[RootHub1]\nBus=1\nPorts=4\n[Drive1]\nId=1-1\n[Drive2]\nId=1-3\n");
    EXPECT_EQ(GetDiskNumber("emu:drive2"), 1u);
    platform::TraceCapture trace;
    EXPECT_EQ(GetDiskNumber("/nonexistent/sdq"), 0u);
    EXPECT_EQ(trace.Text(), "######### - INVALID_HANDLE_VALUE!\n");
    trace.Clear();
    EXPECT_EQ(GetDiskNumber("/dev/null"), 0u);  // opens, but is not a disk
    EXPECT_TRUE(trace.Contains("DeviceIoControl /dev/null failed:"));

    char text[] = "USBSTOR\\Disk&Ven_X";
    EXPECT_STREQ(StrToLower(text), "usbstor\\disk&ven_x");
    EXPECT_TRUE(IsSubString(text, "disk&"));
    EXPECT_FALSE(IsSubString(text, "scsi"));
    EXPECT_FALSE(IsSubString(nullptr, "x"));
}

}  // namespace
