#include "transport/hid_fixture.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "emulated_bay.h"
#include "fake_backend.h"
#include "platform/clock.h"
#include "platform/linux/hidraw.h"
#include "platform/linux/linux_backend.h"
#include "platform/trace_sink.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kBoards = R"(
[RootHub1]
Bus=1
Speed=usb2
Ports=4
[Fixture0]
Id=1-1
ProductId=0x5751
[Fixture1]
Id=1-2
[Fixture2]
Id=1-3
[Fixture3]
Id=1-4
Fault=noanswer
)";

TEST(HidFixture, APayloadOtherThan64BytesIsRefusedBeforeAnythingIsOpened) {
    platform::ScopedBackends keep;
    auto backend = std::make_shared<testing_support::RecordingBackend>();
    platform::ReplaceSystemBackend(backend);
    platform::TraceCapture trace;
    std::uint8_t payload[65] = {};
    EXPECT_FALSE(HidWriteRead("/dev/hidraw0", payload, 65, true));
    EXPECT_EQ(trace.Text(), "######### - buff size err!\n");
    EXPECT_EQ(backend->hidOpens, 0);
    trace.Clear();
    EXPECT_FALSE(HidWriteRead("/dev/hidraw0", payload, 64, true));
    EXPECT_EQ(trace.Text(), "######### - INVALID_HANDLE_VALUE!\n");
    EXPECT_EQ(backend->hidOpens, 1);
}

TEST(HidFixture, TheFirstMatchingBoardWinsAndAnswersThroughTheBay) {
    testing_support::InstalledBay bay(kBoards);
    platform::TraceCapture trace;
    char path[64] = {};
    ASSERT_EQ(FindHidDevicePath(path, sizeof path), 1);
    EXPECT_STREQ(path, "emu:fixture1");  // Fixture0 has another product id
    EXPECT_TRUE(trace.Contains("The VID: 0x 483   PID: 0x5750\r\n"));
    EXPECT_TRUE(trace.Contains("HID DEVICE PATH IS emu:fixture1\r\n"));
    char tiny[8] = {};
    EXPECT_EQ(FindHidDevicePath(tiny, sizeof tiny), 0) << "a path that does not fit is not cut";

    std::uint8_t payload[64] = {0xAA, 0x05, 0x01};
    EXPECT_TRUE(HidWriteRead(path, payload, 64, true));
    EXPECT_EQ(payload[0], 0xBB);
    EXPECT_EQ(payload[1], 0x05);
    EXPECT_TRUE(HidWriteRead(path, payload, 64, false));  // write only: no read, no wait
    EXPECT_EQ(bay->FindBoard("Fixture1")->Requests(), 2u);

    bay->PlugBoard("Fixture1", false);
    ASSERT_EQ(FindHidDevicePath(path, sizeof path), 1);
    EXPECT_STREQ(path, "emu:fixture2");
}

TEST(HidFixture, ABoardThatNeverAnswersGivesUpAfterTwoSeconds) {
    testing_support::InstalledBay bay(kBoards);
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    platform::TraceCapture trace;
    std::uint8_t payload[64] = {0xAA};
    EXPECT_FALSE(HidWriteRead("emu:fixture3", payload, 64, true));
    EXPECT_EQ(clock.NowMs(), kHidReadTimeoutMs);
    EXPECT_EQ(trace.Text(), "######### - read cmd!\n######### - ReadFile fail!\n");
    EXPECT_EQ(payload[0], 0xAA) << "the caller's buffer is kept";
}

// A packet socket pair stands in for a hidraw node; a thread plays the board.
class SocketHidBackend : public testing_support::RecordingBackend {
  public:
    int deviceEnd = -1;
    std::unique_ptr<platform::HidDevice> OpenHid(std::string_view, int*) override {
        return std::make_unique<platform::linuxos::HidrawDevice>(::dup(deviceEnd), std::nullopt);
    }
};

TEST(HidFixture, ReportsTravelThroughAHidrawNode) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    platform::ScopedBackends keep;
    auto backend = std::make_shared<SocketHidBackend>();
    backend->deviceEnd = fds[0];
    platform::ReplaceSystemBackend(backend);

    std::thread board([&] {
        std::uint8_t report[128];
        ASSERT_EQ(::read(fds[1], report, sizeof report), 65);  // report id 0 and 64 bytes
        EXPECT_EQ(report[0], 0);
        EXPECT_EQ(report[1], 0xAA);
        std::uint8_t reply[64] = {0xBB, report[2]};
        ASSERT_EQ(::write(fds[1], reply, 64), 64);  // an unnumbered report: 64 bytes
        ASSERT_EQ(::read(fds[1], report, sizeof report), 65);
        std::uint8_t numbered[65] = {0, 0xBB, 0x44};  // a numbered one: id first
        ASSERT_EQ(::write(fds[1], numbered, 65), 65);
    });
    std::uint8_t payload[64] = {0xAA, 0x33};
    EXPECT_TRUE(HidWriteRead("/dev/hidraw9", payload, 64, true));
    EXPECT_EQ(payload[0], 0xBB);
    EXPECT_EQ(payload[1], 0x33);
    EXPECT_TRUE(HidWriteRead("/dev/hidraw9", payload, 64, true));
    EXPECT_EQ(payload[1], 0x44);
    board.join();

    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    EXPECT_FALSE(HidWriteRead("/dev/hidraw9", payload, 64, true));  // nobody answers now
    EXPECT_GE(clock.NowMs(), kHidReadTimeoutMs);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(HidFixture, BoardsFoundThroughSysfsTheFirstWins) {
    const fs::path dev = fs::temp_directory_path() / ("hid-dev-" + std::to_string(::getpid()));
    fs::create_directories(dev);
    for (const char* name : {"hidraw0", "hidraw1"}) std::ofstream(dev / name).put('\0');
    platform::ScopedBackends keep;
    platform::ReplaceSystemBackend(std::make_shared<platform::linuxos::LinuxBackend>(
        platform::linuxos::LinuxRoots{fs::path(QV_SOURCE_DIR) / "tests/platform/data/sysfs", dev}));
    char path[256] = {};
    EXPECT_EQ(FindHidDevicePath(path, sizeof path), 1);
    EXPECT_EQ(fs::path(path), dev / "hidraw0");
    fs::remove(dev / "hidraw0");  // the first board's node cannot be opened: the second is taken
    EXPECT_EQ(FindHidDevicePath(path, sizeof path), 1);
    EXPECT_EQ(fs::path(path), dev / "hidraw1");
    fs::remove_all(dev);
}

}  // namespace
