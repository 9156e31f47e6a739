#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include "emu/bay.h"
#include "platform/clock.h"

namespace {

using platform::DataDirection;
using Stage = platform::PassThroughResult::Stage;

constexpr const char* kBay = R"(
[RootHub1]
Bus=1
Ports=4
[Drive1]
Id=1-1
Bridge=jmicron
Chip=0562
Sectors=1000
[Drive2]
Id=1-2
Bridge=asmedia
BlockLength=4096
[Drive3]
Id=1-3
Bridge=unknown
[Drive4]
Id=1-4
Sectors=0
)";

std::shared_ptr<emu::Bay> MakeBay(const emu::DriveParts& parts = emu::DefaultDriveParts()) {
    std::string error;
    auto config = emu::ParseBayConfig(kBay, &error);
    EXPECT_TRUE(config.has_value()) << error;
    return emu::Bay::Create(std::move(*config), parts);
}

platform::PassThroughResult Send(emu::Bay& bay, const char* path, std::vector<std::uint8_t> cdb,
                                 DataDirection direction, std::span<std::uint8_t> data) {
    cdb.resize(12);
    return bay.PassThrough(path, cdb, direction, data, 10);
}

TEST(EmulatedBridge, InquiryCarriesTheChipWhereEachBridgePutsIt) {
    auto bay = MakeBay();
    std::uint8_t d[96];
    std::memset(d, 0, sizeof d);
    auto r = Send(*bay, "emu:drive1", {0x12, 0, 0, 0, 96}, DataDirection::In, d);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.transferred, 96u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d + 8), 8), "JMicron ");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d + 36), 4), "0562");
    EXPECT_EQ(d[4], 91);             // additional length
    EXPECT_EQ(d[40], emu::kPoison);  // vendor-specific bytes nobody should read

    r = Send(*bay, "emu:drive2", {0x12, 0, 0, 0, 40}, DataDirection::In, d);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.transferred, 40u);  // the allocation length bounds the reply
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d + 8), 8), "ASMedia ");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d + 16), 16), "ASM2362 NVMe    ");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d + 19), 4), "2362");
    EXPECT_EQ(d[36], emu::kPoison);

    Send(*bay, "emu:drive3", {0x12, 0, 0, 0, 40}, DataDirection::In, d);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d + 8), 8), "Generic ");
    EXPECT_EQ(d[36], emu::kPoison);
}

TEST(EmulatedBridge, CapacityUnitReadyAndRefusedCommands) {
    auto bay = MakeBay();
    std::uint8_t d[512];
    auto r = Send(*bay, "emu:drive1", {0x25}, DataDirection::In, d);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.transferred, 8u);
    const std::uint8_t expect[8] = {0, 0, 0x03, 0xE7, 0, 0, 0x02, 0};  // last LBA 999, block 512
    EXPECT_EQ(0, std::memcmp(d, expect, 8));
    Send(*bay, "emu:drive2", {0x25}, DataDirection::In, d);
    EXPECT_EQ(d[6], 0x10);  // 4096
    EXPECT_TRUE(Send(*bay, "emu:drive1", {0x00}, DataDirection::None, {}).Ok());

    struct Case {
        const char* name;
        const char* path;
        std::vector<std::uint8_t> cdb;
        DataDirection direction;
        std::size_t length;
        std::uint8_t key, asc;
    };
    const Case cases[] = {
        {"unknown opcode", "emu:drive1", {0xC5, 0x80}, DataDirection::Out, 512, 0x05, 0x20},
        {"inquiry as data-out", "emu:drive1", {0x12, 0, 0, 0, 40}, DataDirection::Out, 40, 0x05, 0x24},
        {"vital product data", "emu:drive1", {0x12, 1, 0x80, 0, 40}, DataDirection::In, 40, 0x05, 0x24},
        {"unit ready with data", "emu:drive1", {0x00}, DataDirection::Out, 8, 0x05, 0x24},
        {"no medium", "emu:drive4", {0x00}, DataDirection::None, 0, 0x02, 0x3A},
        {"no medium, capacity", "emu:drive4", {0x25}, DataDirection::In, 8, 0x02, 0x3A},
    };
    for (const Case& c : cases) {
        r = Send(*bay, c.path, c.cdb, c.direction, std::span(d, c.length));
        EXPECT_TRUE(r.Delivered()) << c.name;
        EXPECT_EQ(r.scsiStatus, platform::kScsiCheckCondition) << c.name;
        EXPECT_EQ(r.SenseKey(), c.key) << c.name;
        EXPECT_EQ(r.Asc(), c.asc) << c.name;
    }
}

TEST(EmulatedDrive, FaultSwitches) {
    auto bay = MakeBay();
    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    std::uint8_t d[40];
    emu::Drive* drive = bay->FindDrive("Drive1");

    drive->SetFault(emu::DriveFault::NoAnswer);
    auto r = Send(*bay, "emu:drive1", {0x12, 0, 0, 0, 40}, DataDirection::In, d);
    EXPECT_EQ(r.stage, Stage::Transfer);
    EXPECT_TRUE(r.TimedOut());
    EXPECT_EQ(clock.NowMs(), 10000u) << "the host's time-out passes";

    drive->SetFault(emu::DriveFault::Fail);
    r = Send(*bay, "emu:drive1", {0x12, 0, 0, 0, 40}, DataDirection::In, d);
    EXPECT_EQ(r.scsiStatus, platform::kScsiCheckCondition);
    EXPECT_EQ(r.SenseKey(), emu::kSenseHardwareError);

    drive->SetFault(emu::DriveFault::None);
    EXPECT_TRUE(Send(*bay, "emu:drive1", {0x00}, DataDirection::None, {}).Ok());
    ASSERT_TRUE(bay->Unplug("drive1"));
    r = Send(*bay, "emu:drive1", {0x00}, DataDirection::None, {});
    EXPECT_EQ(r.stage, Stage::Open);
    EXPECT_EQ(Send(*bay, "emu:nosuch", {0x00}, DataDirection::None, {}).stage, Stage::Open);
}

// A tunnel plugged behind the bridge sees its own command blocks and reaches the controller.
class CountingController : public emu::Controller {
  public:
    emu::NvmeCompletion Execute(std::span<const std::uint8_t, 64> entry, bool admin, emu::NvmeDirection,
                                std::span<std::uint8_t>) override {
        lastOpcode = entry[0];
        lastAdmin = admin;
        ++commands;
        return {};
    }
    std::uint8_t lastOpcode = 0;
    bool lastAdmin = false;
    int commands = 0;
};

class TestTunnel : public emu::Tunnel {
  public:
    std::optional<emu::ScsiReply> Handle(const emu::ScsiCommand& c, emu::Controller* controller) override {
        if (c.cdb[0] != 0xA1) return std::nullopt;
        if (block) {
            std::unique_lock lock(mutex);
            entered = true;
            cv.notify_all();
            cv.wait(lock, [&] { return released; });
        }
        if (controller == nullptr) return emu::ScsiReply::Check(emu::kSenseHardwareError, 0x44);
        std::array<std::uint8_t, 64> entry{};
        entry[0] = c.cdb[1];
        controller->Execute(entry, true, emu::NvmeDirection::None, {});
        return emu::ScsiReply::Good(0);
    }
    bool block = false;
    std::mutex mutex;
    std::condition_variable cv;
    bool entered = false;
    bool released = false;
};

TEST(EmulatedDrive, TunnelsAndControllersPlugInBehindTheBridge) {
    std::shared_ptr<CountingController> controller;
    std::vector<TestTunnel*> tunnels;
    emu::DriveParts parts;
    parts.makeTunnel = [&](const emu::DriveConfig&) {
        auto t = std::make_unique<TestTunnel>();
        tunnels.push_back(t.get());
        return t;
    };
    parts.makeController = [&](const emu::DriveConfig& c) -> std::shared_ptr<emu::Controller> {
        if (c.name != "Drive1") return nullptr;
        controller = std::make_shared<CountingController>();
        return controller;
    };
    auto bay = MakeBay(parts);
    ASSERT_EQ(tunnels.size(), 4u);
    EXPECT_TRUE(Send(*bay, "emu:drive1", {0xA1, 0x06}, DataDirection::None, {}).Ok());
    EXPECT_EQ(controller->lastOpcode, 0x06);
    EXPECT_EQ(Send(*bay, "emu:drive2", {0xA1, 0x06}, DataDirection::None, {}).SenseKey(), emu::kSenseHardwareError);
    std::uint8_t d[40];
    EXPECT_TRUE(Send(*bay, "emu:drive1", {0x12, 0, 0, 0, 40}, DataDirection::In, d).Ok()) << "standard ones still work";

    // Drive 1 busy inside a command does not hold up drive 3: each drive has its own lock.
    tunnels[0]->block = true;
    std::thread busy([&] { Send(*bay, "emu:drive1", {0xA1, 0x02}, DataDirection::None, {}); });
    {
        std::unique_lock lock(tunnels[0]->mutex);
        tunnels[0]->cv.wait(lock, [&] { return tunnels[0]->entered; });
    }
    EXPECT_TRUE(Send(*bay, "emu:drive3", {0x12, 0, 0, 0, 40}, DataDirection::In, d).Ok());
    {
        std::lock_guard lock(tunnels[0]->mutex);
        tunnels[0]->released = true;
    }
    tunnels[0]->cv.notify_all();
    busy.join();
    EXPECT_EQ(controller->commands, 2);
}

TEST(EmulatedBay, PlugAndUnplugRaiseEventsAndChangeTheListings) {
    auto bay = MakeBay();
    auto monitor = bay->OpenHotPlugMonitor();
    ASSERT_NE(monitor, nullptr);
    pollfd p{monitor->Fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0);
    EXPECT_EQ(bay->ListUsbDisks()->size(), 4u);

    ASSERT_TRUE(bay->Unplug("Drive2"));
    EXPECT_FALSE(bay->Unplug("Drive2")) << "already out";
    EXPECT_EQ(::poll(&p, 1, 0), 1);
    auto event = monitor->Next();
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Removal);
    EXPECT_EQ(event->path, "emu:drive2");
    EXPECT_EQ(event->instanceId, "1-2");
    EXPECT_FALSE(monitor->Next().has_value());
    EXPECT_EQ(::poll(&p, 1, 0), 0);
    const auto disks = bay->ListUsbDisks();
    ASSERT_EQ(disks->size(), 3u);
    for (const auto& d : *disks) EXPECT_NE(d.path, "emu:drive2");

    int error = 0;
    auto root = bay->OpenHub(bay->ListHubs()[0].path, &error);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Port(2)->connection, platform::PortConnection::NoDevice);
    EXPECT_EQ(root->Port(1)->connection, platform::PortConnection::Connected);
    EXPECT_EQ(root->DriverKeyName(1), "bus/usb/001/002");

    // A hub that does not answer its port-count query.
    std::string parseError;
    auto config =
        emu::ParseBayConfig("[RootHub1]\nBus=1\nPorts=1\n[Hub1]\nId=1-1\nPorts=4\nFault=nodeinfo\n", &parseError);
    ASSERT_TRUE(config.has_value()) << parseError;
    auto silent = emu::Bay::Create(std::move(*config));
    int openError = -1;
    auto hub = silent->OpenHub("emu:hub/1-1", &openError);
    ASSERT_NE(hub, nullptr);
    EXPECT_FALSE(hub->PortCount().has_value());

    ASSERT_TRUE(bay->Plug("emu:drive2"));
    event = monitor->Next();
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Arrival);
    EXPECT_EQ(bay->ListUsbDisks()->size(), 4u);
}

TEST(EmulatedBay, InstalledFromTheEnvironment) {
    platform::ScopedBackends keep;
    const auto folder = std::filesystem::temp_directory_path() / ("bay-env-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "bay.ini") << kBay;
    std::string error;
    ::unsetenv("KESTRANE_BAY");
    EXPECT_EQ(emu::InstallBayFromEnvironment(&error), nullptr);
    EXPECT_TRUE(error.empty());
    ::setenv("KESTRANE_BAY", folder.c_str(), 1);
    auto bay = emu::InstallBayFromEnvironment(&error);
    ::unsetenv("KESTRANE_BAY");
    ASSERT_NE(bay, nullptr) << error;
    EXPECT_EQ(platform::ListingBackend(), bay);
    EXPECT_EQ(platform::BackendFor("emu:drive1"), bay);
    EXPECT_EQ(bay->Folder(), folder);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(emu::InstallBay(folder, &error), nullptr);
    EXPECT_NE(error.find("bay.ini cannot be read"), std::string::npos);
}

}  // namespace
