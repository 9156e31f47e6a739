#include "emu/bay_config.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kTree = R"(
; two hubs on a USB 3 root hub
[Bay]
[RootHub1]
Bus=2
Speed=usb3
Ports=4
[Hub1]
Id=2-1
Ports=8
[Drive1]
Id=2-1.3
Bridge=asmedia
Sectors=2048   ; a tiny drive
[Fixture1]
Id=2-2
[State]
Folder=state
)";

TEST(BayConfig, ReadsTheTreeWithDefaultsByBridge) {
    std::string error;
    const auto bay = emu::ParseBayConfig(kTree, &error);
    ASSERT_TRUE(bay.has_value()) << error;
    ASSERT_EQ(bay->roots.size(), 1u);
    EXPECT_EQ(bay->roots[0].bus, 2u);
    EXPECT_EQ(bay->roots[0].kind, platform::HubKind::RootUsb3);
    ASSERT_EQ(bay->hubs.size(), 1u);
    EXPECT_EQ(bay->hubs[0].ports, 8u);
    ASSERT_EQ(bay->drives.size(), 1u);
    const emu::DriveConfig& d = bay->drives[0];
    EXPECT_EQ(d.bridge, emu::BridgeKind::ASMedia);
    EXPECT_EQ(d.chip, "2362");
    EXPECT_EQ(d.vendor, "ASMedia");
    EXPECT_EQ(d.product, "ASM2362 NVMe");
    EXPECT_EQ(d.usbVendor, 0x174C);
    EXPECT_EQ(d.usbProduct, 0x2362);
    EXPECT_EQ(d.sectors, 2048u);
    EXPECT_EQ(d.blockLength, 512u);
    EXPECT_TRUE(d.plugged);
    EXPECT_EQ(d.section.GetOr("sectors", ""), "2048");
    ASSERT_EQ(bay->boards.size(), 1u);
    EXPECT_EQ(bay->boards[0].productId, 0x5750);
    ASSERT_EQ(bay->others.size(), 2u);  // [Bay] and [State] are kept for the layers that read them
}

TEST(BayConfig, UnsoundDescriptionsAreRefusedWithAReason) {
    const std::string root = "[RootHub1]\nBus=1\nPorts=4\n[Hub1]\nId=1-2\nPorts=4\n";
    struct Case {
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {root + "[Drive1]\nId=1-5\n", "the hub has no such port"},
        {root + "[Drive1]\nId=1-2.5\n", "the hub has no such port"},
        {root + "[Drive1]\nId=1-3.1\n", "no hub at 1-3"},
        {root + "[Drive1]\nId=2-1\n", "no root hub on that bus"},
        {root + "[Drive1]\nId=1-1\n[Drive2]\nId=1-1\n", "is taken by [Drive1]"},
        {root + "[Drive1]\nId=1-1\n[drive1]\nId=1-3\n", "two sections named"},
        {root + "[Drive1]\nId=1-x\n", "is not of the form"},
        {root + "[Drive1]\nId=1-1\nBridge=other\n", "is not jmicron, asmedia or unknown"},
        {root + "[Drive1]\nId=1-1\nBlockLength=zero\n", "BlockLength=zero is not a number"},
        {root + "[Drive1]\nId=1-1\nChip=05830\n", "longer than 4"},
        {root + "[Drive1]\nId=1-1\nFault=melting\n", "Fault=melting"},
        {root + "garbage\n", "line 7 is neither a section nor a key"},
        {"[RootHub1]\nBus=1\nPorts=99\n", "Ports=99 is not a number from 1 to 31"},
        {"[RootHub1]\nBus=1\n[RootHub2]\nBus=1\n", "bus 1 has two root hubs"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(emu::ParseBayConfig(c.text, &error).has_value()) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(BayConfig, UsbPlaces) {
    const auto p = emu::ParseUsbPlace("3-1.4.2");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->bus, 3u);
    EXPECT_EQ(p->ports, (std::vector<unsigned>{1, 4, 2}));
    for (const char* bad : {"", "3", "3-", "-1", "3-1.", "3-0", "0x3-1", "3-1..2", "3-32"}) {
        EXPECT_FALSE(emu::ParseUsbPlace(bad).has_value()) << bad;
    }
}

}  // namespace
