#include "platform/linux/sysfs_usb.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <thread>

#include "platform/clock.h"
#include "platform/linux/hidraw.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/sysfs_disks.h"
#include "sysfs_fixture.h"

namespace {

namespace lx = platform::linuxos;
using platform::PortConnection;

lx::LinuxBackend FixtureBackend() {
    return lx::LinuxBackend({fixture::SysfsRoot(), "/fixture-dev"});
}

TEST(SysfsUsb, ListsTheTwoBridgeDisksWithTheirUsbDevices) {
    auto backend = FixtureBackend();
    const auto disks = backend.ListUsbDisks();
    ASSERT_TRUE(disks.has_value());
    ASSERT_EQ(disks->size(), 2u);  // the SATA disk sg0 is not a USB disk
    const auto& jm = (*disks)[0];
    EXPECT_EQ(jm.path, "/fixture-dev/sg1");
    EXPECT_EQ(jm.blockName, "sdb");
    EXPECT_EQ(jm.instanceId, "1-1");
    EXPECT_EQ(jm.vendorId, 0x152D);
    EXPECT_EQ(jm.productId, 0x0583);
    EXPECT_EQ(jm.devNode, (21u << 8) | 1u);
    EXPECT_EQ(jm.parentDevNode, (1u << 16) | 2u);
    const auto& asm_ = (*disks)[1];
    EXPECT_EQ(asm_.path, "/fixture-dev/sg2");
    EXPECT_EQ(asm_.blockName, "sdc");
    EXPECT_EQ(asm_.instanceId, "1-2.1");
    EXPECT_EQ(asm_.vendorId, 0x174C);
    EXPECT_EQ(asm_.productId, 0x2362);

    lx::LinuxBackend missing({"/nonexistent-sysfs", "/dev"});
    EXPECT_FALSE(missing.ListUsbDisks().has_value());
}

TEST(SysfsDisks, EveryWholeDiskWithItsBusWord) {
    namespace fs = std::filesystem;
    const fs::path tree = fixture::CopySysfs(fs::temp_directory_path() / ("qv_disks_" + std::to_string(::getpid())));
    for (const char* name : {"nvme0n1", "nvme0n1p1", "nvme0c0n1"}) fs::create_directories(tree / "block" / name);
    lx::LinuxBackend backend({tree, "/fixture-dev"});
    const auto disks = backend.ListDisks();
    ASSERT_EQ(disks.size(), 4u);
    const std::pair<const char*, const char*> expected[] = {{"/fixture-dev/sg0", "scsi"},  // SATA
                                                            {"/fixture-dev/sg1", "usb"},   // usb-storage
                                                            {"/fixture-dev/sg2", "scsi"},  // uas
                                                            {"/fixture-dev/nvme0n1", ""}};
    for (std::size_t i = 0; i < disks.size(); ++i) {
        EXPECT_EQ(disks[i].path, expected[i].first);
        EXPECT_EQ(disks[i].bus, expected[i].second);
    }
    fs::remove_all(tree);
}

TEST(SysfsDisks, RescanAsksEveryHostAndReportsNoHostOrTheFirstFailure) {
    namespace fs = std::filesystem;
    const fs::path tree = fixture::CopySysfs(fs::temp_directory_path() / ("qv_rescan_" + std::to_string(::getpid())));
    auto none = lx::RescanSysfsScsiHosts({tree, "/fixture-dev"}, false);
    EXPECT_FALSE(none.ok);
    EXPECT_TRUE(none.noHost);

    const fs::path hosts = tree / "class" / "scsi_host";
    for (const char* host : {"host0", "host1"}) {
        fs::create_directories(hosts / host);
        std::ofstream(hosts / host / "scan").put('x');
    }
    auto ok = lx::RescanSysfsScsiHosts({tree, "/fixture-dev"}, false);
    EXPECT_TRUE(ok.ok);
    for (const char* host : {"host0", "host1"}) {
        std::ifstream in(hosts / host / "scan");
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "- - -");
    }

    fs::create_directories(hosts / "host2");  // no scan file: its request fails, the others still go
    std::ofstream(hosts / "host1" / "scan", std::ios::trunc).put('x');
    auto failed = lx::RescanSysfsScsiHosts({tree, "/fixture-dev"}, false);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.noHost);
    EXPECT_EQ(failed.error, ENOENT);
    fs::remove_all(tree);
}

TEST(SysfsUsb, HubsRootsFirstWithTheirKinds) {
    auto backend = FixtureBackend();
    const auto hubs = backend.ListHubs();
    ASSERT_EQ(hubs.size(), 4u);
    EXPECT_EQ(hubs[0].kind, platform::HubKind::RootUsb2);
    EXPECT_TRUE(hubs[0].path.ends_with("/usb1"));
    EXPECT_EQ(hubs[1].kind, platform::HubKind::RootUsb3);
    EXPECT_EQ(hubs[2].kind, platform::HubKind::RootOther);
    EXPECT_EQ(hubs[3].kind, platform::HubKind::External);
    EXPECT_TRUE(hubs[3].path.ends_with("/1-2"));
}

TEST(SysfsUsb, HubPortsConnectionsNamesAndDriverKeys) {
    auto backend = FixtureBackend();
    int error = -1;
    auto root = backend.OpenHub(backend.ListHubs()[0].path, &error);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_GE(root->Handle(), 0);
    EXPECT_EQ(root->PortCount(), 4u);
    struct Expect {
        unsigned port;
        PortConnection connection;
        bool hub;
    };
    for (const Expect& e : {Expect{1, PortConnection::Connected, false}, Expect{2, PortConnection::Connected, true},
                            Expect{3, PortConnection::NoDevice, false}, Expect{4, PortConnection::NoDevice, false}}) {
        const auto info = root->Port(e.port);
        ASSERT_TRUE(info.has_value()) << e.port;
        EXPECT_EQ(info->connection, e.connection) << e.port;
        EXPECT_EQ(info->isHub, e.hub) << e.port;
    }
    EXPECT_FALSE(root->Port(5).has_value());  // no such port
    EXPECT_EQ(root->DriverKeyName(1), "bus/usb/001/002");
    EXPECT_FALSE(root->DriverKeyName(3).has_value());
    const auto childPath = root->ConnectionName(2);
    ASSERT_TRUE(childPath.has_value());
    auto child = backend.OpenHub(*childPath, &error);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->PortCount(), 4u);
    EXPECT_EQ(child->Port(1)->connection, PortConnection::Connected);
    EXPECT_EQ(child->Port(2)->connection, PortConnection::NoDevice);
    EXPECT_EQ(child->DriverKeyName(1), "bus/usb/001/004");

    EXPECT_EQ(backend.OpenHub("/nonexistent/hub", &error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

TEST(SysfsUsb, DeviceNodesDepthFirst) {
    auto backend = FixtureBackend();
    const auto nodes = backend.ListUsbDeviceNodes();
    std::vector<std::string> ids;
    for (const auto& n : nodes) ids.push_back(n.instanceId);
    EXPECT_EQ(ids, (std::vector<std::string>{"usb1", "1-1", "1-2", "1-2.1", "1-2.3", "1-2.4", "usb2", "usb3"}));
    EXPECT_EQ(nodes[3].driverKey, "bus/usb/001/004");
}

TEST(SysfsUsb, DiskNumbers) {
    EXPECT_EQ(lx::SdDiskIndex("sda"), 0u);
    EXPECT_EQ(lx::SdDiskIndex("sdb"), 1u);
    EXPECT_EQ(lx::SdDiskIndex("sdz"), 25u);
    EXPECT_EQ(lx::SdDiskIndex("sdaa"), 26u);
    EXPECT_FALSE(lx::SdDiskIndex("nvme0n1").has_value());
    EXPECT_FALSE(lx::SdDiskIndex("sd").has_value());
    const lx::LinuxRoots roots{fixture::SysfsRoot(), "/dev"};
    EXPECT_EQ(lx::SysfsDiskNumber(roots, true, 21, 2), 2u);   // sg2 -> sdc
    EXPECT_EQ(lx::SysfsDiskNumber(roots, false, 8, 16), 1u);  // sdb
    EXPECT_EQ(lx::SysfsDiskNumber(roots, false, 8, 33), 2u);  // sdc1, a volume of sdc
    std::uint32_t partition = 9;
    EXPECT_EQ(lx::SysfsDiskNumber(roots, false, 8, 33, &partition), 2u);
    EXPECT_EQ(partition, 1u);
    EXPECT_EQ(lx::SysfsDiskNumber(roots, true, 21, 2, &partition), 2u);
    EXPECT_EQ(partition, 0u);
    EXPECT_FALSE(lx::SysfsDiskNumber(roots, false, 8, 99).has_value());
    auto backend = FixtureBackend();
    const auto missing = backend.DiskNumber("/nonexistent/sdq");
    EXPECT_FALSE(missing.opened);
    EXPECT_FALSE(missing.ok);
}

TEST(SysfsHid, BoardsListedWithTheirIds) {
    auto backend = FixtureBackend();
    EXPECT_EQ(backend.ListHidDevices(), (std::vector<std::string>{"/fixture-dev/hidraw0", "/fixture-dev/hidraw1"}));
    const lx::LinuxRoots roots{fixture::SysfsRoot(), "/dev"};
    const auto ids = lx::SysfsHidAttributes(roots, "hidraw1");
    ASSERT_TRUE(ids.has_value());
    EXPECT_EQ(ids->vendorId, 0x0483);
    EXPECT_EQ(ids->productId, 0x5750);
    EXPECT_FALSE(lx::SysfsHidAttributes(roots, "hidraw7").has_value());
}

// One end of a packet socket pair plays a hidraw node: one report per read and write.
TEST(Hidraw, ReportsTravelWholeAndAReadTimesOutOnThePlatformClock) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    lx::HidrawDevice device(fds[0], platform::HidAttributes{0x0483, 0x5750});
    EXPECT_EQ(device.Attributes()->productId, 0x5750);  // not a hidraw node: the sysfs ids

    std::uint8_t report[65] = {0, 0xAA, 1, 2, 3};
    const auto w = device.Write(report);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.bytes, 65u);
    std::uint8_t seen[128];
    EXPECT_EQ(::read(fds[1], seen, sizeof seen), 65);

    std::uint8_t reply[64] = {0xBB, 9};
    ASSERT_EQ(::write(fds[1], reply, 64), 64);
    std::uint8_t in[65] = {};
    const auto r = device.Read(in, 2000);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.bytes, 64u);
    EXPECT_EQ(in[0], 0xBB);

    platform::VirtualClock clock;
    platform::ScopedClock use(clock);
    const auto start = platform::TickCount();
    const auto t = device.Read(in, 2000);
    EXPECT_FALSE(t.ok);
    EXPECT_TRUE(t.timedOut);
    EXPECT_GE(platform::TickCount() - start, 2000u);

    ::close(fds[1]);  // the board is gone
    const auto gone = device.Read(in, 2000);
    EXPECT_FALSE(gone.ok);
    EXPECT_FALSE(gone.timedOut);
}

}  // namespace
