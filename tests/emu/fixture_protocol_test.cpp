// The emulated fixture board as the host sees it: its bay.ini keys, its replies, its slots' power
// plugging and unplugging their drives, and its faults.
#include "emu/fixture_protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "emu/bay.h"
#include "emu/poison.h"
#include "platform/hotplug.h"

namespace {

constexpr const char* kBay = R"(
[RootHub1]
Bus=1
Speed=usb3
Ports=8
[Drive1]
Id=1-1
[Drive2]
Id=1-2
[Drive3]
Id=1-3
[Fixture1]
Id=1-8
Slot1=Drive3
Slot3=drive1
Slot4=Drive2
Current1=99.5
Current3=700.00
NoLink=4
)";

std::shared_ptr<emu::Bay> MakeBay(const std::string& extra = "") {
    std::string error;
    auto config = emu::ParseBayConfig(std::string(kBay) + extra, &error);
    EXPECT_TRUE(config.has_value()) << error;
    return config ? emu::Bay::Create(std::move(*config)) : nullptr;
}

std::optional<emu::HidPayload> Send(emu::Bay& bay, int code, std::array<std::uint8_t, 8> payload = {},
                                    std::uint8_t marker = 0xAA) {
    emu::HidPayload request{};
    request[0] = marker;
    request[1] = static_cast<std::uint8_t>(code);
    std::copy(payload.begin(), payload.end(), request.begin() + 2);
    return bay.FindBoard("Fixture1")->Exchange(request);
}

TEST(FixtureBoardConfig, ReadsSlotsCurrentsAndLinkFaultsAndRefusesWhatIsNotSound) {
    std::string error;
    const auto bay = emu::ParseBayConfig(std::string(kBay) + "LateLink=1, 3\n", &error);
    ASSERT_TRUE(bay.has_value()) << error;
    const emu::BoardConfig& b = bay->boards[0];
    EXPECT_EQ(b.slotDrive[0], "Drive3");
    EXPECT_EQ(b.slotDrive[1], "");
    EXPECT_EQ(b.currentCentiMa[0], 9950u);
    EXPECT_EQ(b.currentCentiMa[1], 12000u);
    EXPECT_EQ(b.currentCentiMa[2], 70000u);
    EXPECT_EQ(b.noLink, 0x08);
    EXPECT_EQ(b.lateLink, 0x05);
    for (const char* bad :
         {"Slot2=Drive9\n", "Current2=lots\n", "LateLink=9\n", "PoweredAtStart=0\n", "Fault=sometimes\n"}) {
        error.clear();
        EXPECT_FALSE(emu::ParseBayConfig(std::string(kBay) + bad, &error).has_value()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(FixtureBoard, AnswersEachCommandWithItsEchoAndData) {
    auto bay = MakeBay();
    emu::FixtureProtocol& board = *bay->FindFixture("Fixture1");
    // Seated drives start off the USB tree, powered off, with plug counter 1.
    EXPECT_FALSE(bay->FindDrive("Drive3")->Plugged());
    EXPECT_TRUE(bay->FindDrive("Drive2")->Plugged() == false);

    auto r = Send(*bay, 1, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_TRUE(r);
    EXPECT_EQ((*r)[0], 0xBB);
    EXPECT_EQ((*r)[1], 1);
    const std::array<std::uint8_t, 8> seated{1, 0, 1, 1, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(seated.begin(), seated.end(), r->begin() + 2));
    EXPECT_TRUE(emu::IsPoison(std::span<const std::uint8_t>(*r).subspan(10)));

    r = Send(*bay, 5);
    EXPECT_TRUE(std::equal(seated.begin(), seated.end(), r->begin() + 2)) << "plug counters 1 where seated";
    Send(*bay, 4, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(board.PlugCount(0), 0);
    EXPECT_EQ(board.PlugCount(2), 1);

    // Power: slot 0 and slot 2 on (1 = switch on); currents only while on, saturating at 65,535.
    Send(*bay, 2, {1, 1, 1, 0, 0, 0, 0, 0});
    EXPECT_TRUE(board.Powered(0));
    EXPECT_FALSE(board.Powered(1)) << "an empty slot stays off";
    EXPECT_TRUE(bay->FindDrive("Drive3")->Plugged());
    EXPECT_TRUE(bay->FindDrive("Drive1")->Plugged());
    r = Send(*bay, 8);
    EXPECT_EQ((*r)[2] | (*r)[3] << 8, 9950);
    EXPECT_EQ((*r)[4] | (*r)[5] << 8, 0);
    EXPECT_EQ((*r)[6] | (*r)[7] << 8, 65535);
    EXPECT_EQ((*r)[8] | (*r)[9] << 8, 0) << "seated but off";

    // Off: 0 = switch off, 1 = leave.
    Send(*bay, 3, {0, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_FALSE(board.Powered(0));
    EXPECT_TRUE(board.Powered(2));
    EXPECT_FALSE(bay->FindDrive("Drive3")->Plugged());

    // Loop-back: 9 sets where 1, 10 clears where 0; the loader request 6 / 7.
    Send(*bay, 9, {0, 0, 1, 0, 0, 0, 0, 0});
    EXPECT_TRUE(board.LoopBack(2));
    Send(*bay, 10, {1, 1, 0, 1, 1, 1, 1, 1});
    EXPECT_FALSE(board.LoopBack(2));
    Send(*bay, 6);
    EXPECT_TRUE(board.LoaderRequest());
    Send(*bay, 7, {1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_FALSE(board.LoaderRequest());

    // No reply without the marker or with an unknown code; every request is logged.
    EXPECT_FALSE(Send(*bay, 5, {}, 0xAB));
    EXPECT_FALSE(Send(*bay, 0));
    EXPECT_FALSE(Send(*bay, 11));
    EXPECT_EQ(board.RequestLog().size(), bay->FindBoard("Fixture1")->Requests());
    EXPECT_EQ(board.RequestLog().back()[1], 11);
}

TEST(FixtureBoard, PoweringPlugsTheDriveWithItsEventsAndLinkFaultsKeepItAway) {
    auto bay = MakeBay("LateLink=1\n");
    emu::FixtureProtocol& board = *bay->FindFixture("Fixture1");
    auto monitor = bay->OpenHotPlugMonitor();
    Send(*bay, 2, {1, 0, 0, 1, 0, 0, 0, 0});
    EXPECT_FALSE(bay->FindDrive("Drive3")->Plugged()) << "late: not on its first power-on";
    EXPECT_FALSE(bay->FindDrive("Drive2")->Plugged()) << "no link ever";
    EXPECT_FALSE(monitor->Next());
    Send(*bay, 2, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(bay->FindDrive("Drive3")->Plugged()) << "switching on a slot that is on changes nothing";
    Send(*bay, 3, {0, 1, 1, 1, 1, 1, 1, 1});
    Send(*bay, 2, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(bay->FindDrive("Drive3")->Plugged());
    auto event = monitor->Next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Arrival);
    EXPECT_EQ(event->path, "emu:drive3");

    // Unseating powers off (the removal), seating counts one more plug.
    EXPECT_TRUE(board.Unseat(0));
    EXPECT_FALSE(bay->FindDrive("Drive3")->Plugged());
    event = monitor->Next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Removal);
    EXPECT_EQ(board.PlugCount(5), 0);
    EXPECT_TRUE(board.Seat(5, "Drive3"));
    EXPECT_EQ(board.PlugCount(5), 1);
    EXPECT_FALSE(board.Seat(8, "Drive3"));
}

TEST(FixtureBoard, SlotsPoweredAtStartHoldTheirDrivesOnTheTreeUntilSwitchedOff) {
    // Slot 1 (Drive3) links at once, slot 3 (drive1) is late, slot 4 (Drive2) never links, slot 2 is empty.
    auto bay = MakeBay("PoweredAtStart=1,2 3,4\nLateLink=3\n");
    emu::FixtureProtocol& board = *bay->FindFixture("Fixture1");
    EXPECT_TRUE(board.Powered(0));
    EXPECT_FALSE(board.Powered(1)) << "an empty slot stays off";
    EXPECT_TRUE(board.Powered(2));
    EXPECT_TRUE(board.Powered(3));
    EXPECT_TRUE(bay->FindDrive("Drive3")->Plugged());
    EXPECT_FALSE(bay->FindDrive("Drive1")->Plugged()) << "late: the start is its first power-on";
    EXPECT_FALSE(bay->FindDrive("Drive2")->Plugged());
    EXPECT_EQ(board.PlugCount(0), 1);
    auto r = Send(*bay, 8);
    EXPECT_EQ((*r)[2] | (*r)[3] << 8, 9950) << "a slot on at start draws its current";

    auto monitor = bay->OpenHotPlugMonitor();
    Send(*bay, 3, {0, 1, 0, 1, 1, 1, 1, 1});
    EXPECT_FALSE(board.Powered(0));
    EXPECT_FALSE(bay->FindDrive("Drive3")->Plugged());
    auto event = monitor->Next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Removal);
    EXPECT_EQ(event->path, "emu:drive3");
    Send(*bay, 2, {1, 0, 1, 0, 0, 0, 0, 0});
    EXPECT_TRUE(bay->FindDrive("Drive3")->Plugged());
    EXPECT_TRUE(bay->FindDrive("Drive1")->Plugged()) << "its second power-on";
    EXPECT_FALSE(bay->FindDrive("Drive2")->Plugged());
}

TEST(FixtureBoard, BadEchoAndNoAnswerFaults) {
    auto bay = MakeBay("Fault=badecho\n");
    for (int code = 1; code <= 10; ++code) {
        auto r = Send(*bay, code);
        ASSERT_TRUE(r);
        EXPECT_NE((*r)[1], code);
        EXPECT_GE((*r)[1], 1);
        EXPECT_LE((*r)[1], 10);
    }
    auto quiet = MakeBay("Fault=noanswer\n");
    EXPECT_FALSE(Send(*quiet, 1));
}

}  // namespace
