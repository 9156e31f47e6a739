#include <gtest/gtest.h>

#include "emulated_bay.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "transport/port_instance.h"
#include "transport/scsi_std.h"
#include "transport/tool_records.h"

namespace {

constexpr const char* kBay = R"(
[RootHub1]
Bus=2
Speed=usb3
Ports=8
[Drive1]
Id=2-1
Bridge=jmicron
Chip=0583
[Drive2]
Id=2-2
Bridge=jmicron
Chip=0562
[Drive3]
Id=2-3
Bridge=asmedia
Chip=2362
BlockLength=512
[Drive4]
Id=2-4
Bridge=asmedia
Chip=2362
BlockLength=128
[Drive5]
Id=2-5
Bridge=jmicron
Chip=0999
[Drive6]
Id=2-6
Bridge=unknown
[Drive7]
Id=2-7
Bridge=jmicron
Fault=noanswer
[Drive8]
Id=2-8
Bridge=asmedia
Chip=2361
)";

class BridgeTypeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < 8; ++i) {
            paths_[i] = "emu:drive" + std::to_string(i + 1);
            AP_Instance[i].pDevicePath = paths_[i].c_str();
            AP_Instance[i].bIsBridge = 1;
        }
    }
    void TearDown() override {
        for (int i = 0; i < 8; ++i) AP_Instance[i] = AP_Instance_t{};
        AP_RDSetting = saved_;
    }

    testing_support::InstalledBay bay_{kBay};
    std::string paths_[8];
    AP_RDSetting_t saved_ = AP_RDSetting;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
};

TEST_F(BridgeTypeTest, RecognisesEachChipAndBlockLength) {
    struct Case {
        int port;
        bool noCheck;
        int type;
        unsigned long commands;  // INQUIRY alone for an unknown chip; then TEST UNIT READY and READ CAPACITY
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {0,
         false,
         0x1000,
         3,
         {"######### - Bridge type of port 0 is JMicron\n", "######### - [0]chipString is 0583\n"}},
        {1,
         false,
         0x1000,
         3,
         {"######### - Bridge type of port 1 is JMicron\n", "######### - [1]chipString is 0562\n"}},
        {2,
         false,
         0x2000,
         3,
         {"######### - Bridge type of port 2 is Asmedia\n", "######### - [2]chipString is 2362\n"}},
        {3, false, 0, 3, {"######### - Bridge type of port 3 is Asmedia\n", "######### - [3]chipString is 2362\n"}},
        {4, false, 0, 1, {"######### - Bridge type of port 4 is JMicron\n", "######### - [4]chipString is 0999\n"}},
        {5, false, 0, 1, {"######### - Bridge type of port 5 is JMicron\n"}},
        {7, false, 0, 1, {"######### - Bridge type of port 7 is Asmedia\n", "######### - [7]chipString is 2361\n"}},
        // A disk that answers nothing: INQUIRY fails after its 10-second time-out.
        {6,
         false,
         0,
         1,
         {"LastError(ReadSCSICommandWithTimeOutValue)[1] = 110\r\n", "ScsiCdbPassThrough -2 \r\n",
          "######### - [6]VC_STD_Inquiry fail!\n"}},
        {6, true, 0x1000, 1, {"######### - [6]VC_STD_Inquiry fail!\n"}},
        {4, true, 0x1000, 1, {}},
    };
    for (const Case& c : cases) {
        AP_RDSetting.EnNoCheckBridge = c.noCheck ? 1 : 0;
        emu::Drive* drive = bay_->FindDrive(paths_[c.port]);
        const unsigned long before = drive->Commands();
        const std::uint64_t start = platform::TickCount();
        platform::TraceCapture trace;
        EXPECT_EQ(GetBridgeType(c.port), c.type) << "port " << c.port;
        EXPECT_EQ(drive->Commands() - before, c.commands) << "port " << c.port;
        for (const std::string& line : c.lines) EXPECT_TRUE(trace.Contains(line)) << "port " << c.port << ": " << line;
        if (c.port == 6) {
            EXPECT_GE(platform::TickCount() - start, 10000u);
        }
    }
}

TEST_F(BridgeTypeTest, FailingUnitReadyOrCapacityKeepsTypeZero) {
    bay_->FindDrive("Drive1")->SetFault(emu::DriveFault::Fail);
    platform::TraceCapture trace;
    EXPECT_EQ(GetBridgeType(0), 0);
    EXPECT_TRUE(trace.Contains("######### - [0]VC_STD_Inquiry fail!\n"));
    EXPECT_TRUE(trace.Contains("SCSI Status Fail = 2\n"));
    EXPECT_TRUE(trace.Contains("######### - Sense Key = 0x4, ASC = 0x44, ASCQ = 0x00\n"));
}

TEST_F(BridgeTypeTest, StandardCommandsOnlyOnABridgePort) {
    std::uint8_t buf[512] = {};
    EXPECT_EQ(VC_STD_Inquiry(2, buf), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf + 8), 8), "ASMedia ");
    EXPECT_EQ(VC_STD_ReadCapacity(2, buf, 1), 1);
    EXPECT_EQ(buf[6], 0x02);  // block length 512, big-endian at 4..7
    EXPECT_EQ(VC_STD_TestUnitReady(2, buf), 1);

    AP_Instance[2].bIsBridge = 0;
    const unsigned long before = bay_->FindDrive("Drive3")->Commands();
    EXPECT_EQ(VC_STD_Inquiry(2, buf), 2);
    EXPECT_EQ(VC_STD_ReadCapacity(-1, buf, 1), 2);
    EXPECT_EQ(bay_->FindDrive("Drive3")->Commands(), before);

    bay_->Unplug("Drive1");
    EXPECT_EQ(VC_STD_TestUnitReady(0, buf), 2);
}

}  // namespace
