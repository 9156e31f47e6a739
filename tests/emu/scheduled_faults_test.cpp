// Scheduled faults and the bridge's command time of an emulated drive.
#include <gtest/gtest.h>

#include <cstring>

#include "emu/bay.h"
#include "emu/nvme_controller.h"
#include "platform/cancel.h"
#include "platform/clock.h"

namespace {

using platform::DataDirection;
using Stage = platform::PassThroughResult::Stage;

std::shared_ptr<emu::Bay> MakeBay(const std::string& extra) {
    std::string error;
    auto config = emu::ParseBayConfig(
        "[RootHub1]\nBus=1\nPorts=2\n[Drive1]\nId=1-1\nBridge=jmicron\nSectors=1000\n" + extra, &error);
    EXPECT_TRUE(config) << error;
    return emu::Bay::Create(*config);
}

// TEST UNIT READY.
platform::PassThroughResult Ready(emu::Bay& bay) {
    const std::uint8_t cdb[6] = {};
    return bay.PassThrough("emu:drive1", cdb, DataDirection::None, {}, 10);
}

// The controller's answer to the vendor-mode switch (0: accepted).
std::uint16_t SwitchVendorModeOn(emu::NvmeController& c) {
    std::array<std::uint8_t, 64> entry{};
    entry[0] = 0xC1;
    const std::uint32_t on = 0x00D95AFF;
    std::memcpy(&entry[56], &on, 4);  // CDW14, little-endian on this host as on the wire
    return c.Execute(entry, true, emu::NvmeDirection::None, {}).status;
}

TEST(ScheduledFaults, ParsesEntriesAndRefusesOthers) {
    std::string error;
    const auto faults = emu::ParseFaultAt("after200:noanswer, GDP:unplug,code02:busy,system:vendorrefuse", &error);
    ASSERT_TRUE(faults) << error;
    ASSERT_EQ(faults->size(), 4u);
    EXPECT_EQ((*faults)[0].after, 200u);
    EXPECT_EQ((*faults)[1].event, "gdp");
    EXPECT_EQ((*faults)[2].event, "code02");
    EXPECT_EQ((*faults)[3].what, "vendorrefuse");
    for (const char* bad : {"after:unplug", "gdp", "gdp:explode", "code2:busy", "codeXY:busy", "boot:unplug"}) {
        EXPECT_FALSE(emu::ParseFaultAt(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(ScheduledFaults, TriggersAndEffects) {
    struct Row {
        const char* faultAt;
        bool startGdp;  // the diagnostic firmware starts before the command
        const char* effect;
    };
    for (const Row& row : {Row{"after3:unplug", false, "unplug"}, Row{"gdp:unplug", true, "unplug"},
                           Row{"after3:noanswer", false, "noanswer"}, Row{"gdp:vendorrefuse", true, "vendorrefuse"},
                           Row{"gdp:noanswer", true, "noanswer"}}) {
        platform::VirtualClock clock(0);
        platform::ScopedClock scoped(clock);
        auto bay = MakeBay(std::string("FaultAt=") + row.faultAt + "\n");
        emu::Drive* drive = bay->FindDrive("Drive1");
        auto* controller = dynamic_cast<emu::NvmeController*>(drive->GetBridge().GetController());
        ASSERT_NE(controller, nullptr);
        auto monitor = bay->OpenHotPlugMonitor();
        EXPECT_EQ(Ready(*bay).stage, Stage::Done) << row.faultAt;
        if (row.startGdp) {
            controller->Core().Start(emu::Program::Diagnostic);
        } else {
            EXPECT_EQ(Ready(*bay).stage, Stage::Done) << row.faultAt;
        }
        // The command during which the moment came is still answered.
        EXPECT_EQ(Ready(*bay).stage, Stage::Done) << row.faultAt;
        const std::string effect = row.effect;
        if (effect == "unplug") {
            EXPECT_FALSE(drive->Plugged()) << row.faultAt;
            EXPECT_EQ(Ready(*bay).stage, Stage::Open) << row.faultAt;
            const auto event = monitor->Next();
            ASSERT_TRUE(event) << row.faultAt;
            EXPECT_EQ(event->kind, platform::HotPlugEvent::Kind::Removal);
        } else if (effect == "noanswer") {
            const std::uint64_t before = platform::TickCount();
            EXPECT_EQ(Ready(*bay).stage, Stage::Transfer) << row.faultAt;
            EXPECT_EQ(platform::TickCount() - before, 10000u) << row.faultAt;
        } else {
            EXPECT_NE(SwitchVendorModeOn(*controller), 0) << row.faultAt;
            EXPECT_EQ(Ready(*bay).stage, Stage::Done) << row.faultAt;
        }
    }
}

TEST(ScheduledFaults, VendorCommandMomentAndBusyThroughTheBay) {
    auto bay = MakeBay("");
    std::string error;
    EXPECT_TRUE(bay->ScheduleFault("drive1", "code02:busy", &error)) << error;
    EXPECT_FALSE(bay->ScheduleFault("drive9", "code02:busy", &error));
    EXPECT_FALSE(bay->ScheduleFault("drive1", "code02:melt", &error));
    // The diagnostic firmware's busy switch is offered to the schedule.
    auto* controller = dynamic_cast<emu::NvmeController*>(bay->FindDrive("drive1")->GetBridge().GetController());
    EXPECT_TRUE(controller->ApplyFault("busy"));
    EXPECT_FALSE(controller->ApplyFault("melt"));
}

TEST(CommandLatency, ThousandCommandsOf150UsTake150Ms) {
    platform::VirtualClock clock(0);
    platform::ScopedClock scoped(clock);
    auto bay = MakeBay("CommandLatencyUs=150\n");
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(Ready(*bay).stage, Stage::Done);
    EXPECT_EQ(platform::TickCount(), 150u);
    EXPECT_EQ(bay->FindDrive("drive1")->Latency().TotalUs(), 150000u);
}

TEST(CommandLatency, AStoppedHostFindsTheCommandNotRun) {
    platform::VirtualClock clock(0);
    platform::ScopedClock scoped(clock);
    auto bay = MakeBay("CommandLatencyUs=5000\nFaultAt=after1:unplug\n");
    auto token = std::make_shared<platform::CancelToken>();
    token->Cancel();
    {
        platform::ScopedCancelToken cancelled(token);
        EXPECT_THROW(Ready(*bay), platform::Cancelled);
    }
    // The cancelled command was not answered: the fault due after one answer is still to come.
    EXPECT_TRUE(bay->FindDrive("drive1")->Plugged());
    EXPECT_EQ(Ready(*bay).stage, Stage::Done);
    EXPECT_FALSE(bay->FindDrive("drive1")->Plugged());
}

TEST(CommandLatency, BayRefusesUnsoundKeys) {
    std::string error;
    auto config = emu::ParseBayConfig("[RootHub1]\nBus=1\nPorts=2\n[Drive1]\nId=1-1\nCommandLatencyUs=fast\n", &error);
    ASSERT_TRUE(config);
    EXPECT_FALSE(emu::CheckDriveTimingAndFaults(config->drives[0], &error));
    EXPECT_NE(error.find("CommandLatencyUs"), std::string::npos);
}

}  // namespace
